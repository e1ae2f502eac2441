#include "app/Application.h"
#include "app/DataFolder.h"
#include "app/Form1.h"
#include "conditions/mmDBGridConditionDialog.h"
#include "core/TFormatSettings.h"
#include "dialogs/mmDBGridDetail.h"
#include "dialogs/mmDBGridOptions.h"
#include "i18n/TranslationDictionary.h"
#include "search/mmDBSearch.h"
#include "settings/FileRegistry.h"
#include "settings/xAppRegistry.h"

#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>

namespace {

// Sets the process-wide date formats for the run and puts the previous ones back at exit.
class TDateFormatsForRun
{
public:
    TDateFormatsForRun()
        : FSaved(FormatSettings())
    {
        FormatSettings().ShortDateFormat = QStringLiteral("dd.mm.yy");
        FormatSettings().LongDateFormat = QStringLiteral("dd.mm.yyyy");
        FormatSettings().DateSeparator = QLatin1Char('.');
    }
    ~TDateFormatsForRun() { FormatSettings() = FSaved; }

private:
    TFormatSettings FSaved;
};

} // namespace

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Телефонный справочник г.Верболинск и района"));
    parser.addHelpOption();
    const QCommandLineOption dataOption(QStringLiteral("data"),
        QStringLiteral("Read the directory tables from DIR (holding Gorod, Main, Org, Region)."),
        QStringLiteral("DIR"));
    parser.addOption(dataOption);
    parser.addPositionalArgument(QStringLiteral("/E"),
        QStringLiteral("Erase the stored settings before the window opens."),
        QStringLiteral("[/E]"));
    parser.process(app);

    // The settings store comes first: "/E" must erase the stored settings before anything
    // reads them. Without a store the directory still works; it just remembers nothing.
    std::unique_ptr<TxAppRegistry> registry;
    try {
        registry = std::make_unique<TxAppRegistry>(std::make_unique<TFileRegistry>());
    } catch (const Exception &e) {
        QMessageBox::warning(nullptr, TApplication::Title(),
            QStringLiteral("Настройки не будут сохранены.\n") + e.Message());
    }
    TranslationDictionary = nullptr;
    TDateFormatsForRun dateFormats;
    // The grid's commands open the dialogs of the libraries above it.
    InstallColumnSearch();
    InstallConditionsDialog();
    InstallDetailDialog();
    InstallOptionsWizard();

    const TDataFolderSearch data = FindDataFolder(parser.value(dataOption),
        QCoreApplication::applicationDirPath(), QStringLiteral(PHONEBOOK_INSTALLED_DATA_DIR));
    if (data.Found.isEmpty()) {
        QStringList places;
        for (const QString &candidate : data.Candidates)
            places << QDir::toNativeSeparators(candidate);
        QMessageBox::critical(nullptr, TApplication::Title(),
            QStringLiteral("Не найдена папка с данными справочника.\nИскали здесь:\n")
                + places.join(QLatin1Char('\n')));
        return 1;
    }

    TForm1 form(data.Found);
    form.show();
    return app.exec();
}
