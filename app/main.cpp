#include "app/Application.h"
#include "app/DataFolder.h"
#include "app/EngineSettings.h"
#include "app/FirstPaint.h"
#include "app/Form1.h"
#include "app/InterfaceLanguage.h"
#include "app/WindowedOperationWaiter.h"
#include "conditions/mmDBGridConditionDialog.h"
#include "core/TFormatSettings.h"
#include "dialogs/mmDBGridDetail.h"
#include "dialogs/mmDBGridOptions.h"
#include "i18n/TranslationDictionary.h"
#include "i18n/zrMultilingualSupport.h"
#include "search/mmDBSearch.h"
#include "settings/FileRegistry.h"
#include "settings/xAppRegistry.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTimer>
#include <QTranslator>
#include <chrono>

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

// The dictionary of the run's interface language, installed for the run and taken away at its
// end. A dictionary that cannot be used is reported once; the program then runs in Russian.
class TDictionaryForRun
{
public:
    TDictionaryForRun(const QString &language, bool givenNow, TxAppRegistry *registry)
    {
        const QString installedShare
            = QFileInfo(QStringLiteral(PHONEBOOK_INSTALLED_DATA_DIR)).absolutePath();
        try {
            FDictionary = OpenDictionary(language,
                DictionaryCandidates(QCoreApplication::applicationDirPath(), installedShare));
            if (givenNow)
                RememberInterfaceLanguage(language, registry);
        } catch (const Exception &e) {
            QMessageBox box(
                QMessageBox::Warning, TApplication::Title(), e.Message(), QMessageBox::Ok);
            box.setDetailedText(e.Detail());
            box.exec();
        }
        TranslationDictionary = FDictionary.get();
    }
    ~TDictionaryForRun() { TranslationDictionary = nullptr; }

private:
    std::unique_ptr<TTranslationDictionary> FDictionary;
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
    const QCommandLineOption quitOption(QStringLiteral("quit-after-start"),
        QStringLiteral("Open the window on the data, then quit: the exit status is 0 when the "
                       "directory opened without an error (a check of an installation)."));
    parser.addOption(quitOption);
    const QCommandLineOption quitPaintedOption(QStringLiteral("quit-after-paint"),
        QStringLiteral("As --quit-after-start, but quit only once the window has been painted "
                       "(for measuring the time from start to a window on the screen)."));
    parser.addOption(quitPaintedOption);
    const QCommandLineOption languageOption(QStringLiteral("lang"),
        QStringLiteral("Show the interface in LANGUAGE (a language of the translation dictionary, "
                       "e.g. eng; rus is the program's own). The choice is remembered."),
        QStringLiteral("LANGUAGE"));
    parser.addOption(languageOption);
    parser.addPositionalArgument(QStringLiteral("/E"),
        QStringLiteral("Erase the stored settings before the window opens."),
        QStringLiteral("[/E]"));
    parser.process(app);
    const bool quitAfterPaint = parser.isSet(quitPaintedOption);
    const bool quitAfterStart = parser.isSet(quitOption) || quitAfterPaint;
    // With --quit-after-start nobody is there to close a message box: the text goes to the
    // terminal instead.
    bool failed = false;
    const auto tell = [&](QMessageBox::Icon icon, const QString &text) {
        if (!quitAfterStart) {
            QMessageBox(icon, TApplication::Title(), text).exec();
            return;
        }
        failed = failed || icon == QMessageBox::Critical;
        qCritical().noquote() << text;
    };

    // The settings store comes first: "/E" must erase the stored settings before anything
    // reads them. Without a store the directory still works; it just remembers nothing.
    std::unique_ptr<TxAppRegistry> registry;
    try {
        registry = std::make_unique<TxAppRegistry>(std::make_unique<TFileRegistry>());
    } catch (const Exception &e) {
        tell(QMessageBox::Warning, QStringLiteral("Настройки не будут сохранены.\n") + e.Message());
    }
    EngineSettings::Apply(registry.get());
    // Long reads keep the window alive and can be cancelled.
    TWindowedOperationWaiter waiter;
    SetOperationWaiter(&waiter);
    const auto noWaiter = qScopeGuard([] { SetOperationWaiter(nullptr); });
    TranslationDictionary = nullptr;
    const QString language = ChooseInterfaceLanguage(parser.value(languageOption), registry.get());
    TDictionaryForRun dictionary(language, parser.isSet(languageOption), registry.get());
    // Qt's own dialogs (the file dialog, a message box's "Show Details...") speak Russian too
    // while the program does, where the system has Qt's translations.
    QTranslator qtTexts;
    if (!TranslationDictionary
        && qtTexts.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    TDateFormatsForRun dateFormats;
    // The grid's commands open the dialogs of the libraries above it.
    InstallColumnSearch();
    InstallConditionsDialog();
    InstallDetailDialog();
    InstallOptionsWizard();

    // The installed copy lies where the install put it relative to the program, whatever the
    // prefix was.
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const TDataFolderSearch data = FindDataFolder(parser.value(dataOption), programFolder.path(),
        QDir::cleanPath(programFolder.filePath(QStringLiteral(PHONEBOOK_INSTALLED_DATA_DIR))));
    if (data.Found.isEmpty()) {
        QStringList places;
        for (const QString &candidate : data.Candidates)
            places << QDir::toNativeSeparators(candidate);
        tell(QMessageBox::Critical,
            TranslateText(
                QStringLiteral("Не найдена папка с данными справочника.\nИскали здесь:\n"))
                + places.join(QLatin1Char('\n')));
        return 1;
    }

    if (quitAfterStart) {
        app.SetExceptionSink([&](const QString &message) { tell(QMessageBox::Critical, message); });
        qInfo().noquote() << "Data folder:" << data.Found;
    }
    TForm1 form(data.Found);
    const auto quit = [&] {
        form.close();
        app.exit(failed ? 1 : 0);
    };
    if (quitAfterPaint) {
        new TFirstPaintWatcher(&form, quit);
        // A platform that never draws the window must not leave the measurement waiting.
        QTimer::singleShot(std::chrono::seconds(60), &form, [&] {
            tell(QMessageBox::Critical, QStringLiteral("The window was not painted in 60 s."));
            quit();
        });
    }
    form.show();
    if (quitAfterStart && !quitAfterPaint)
        QTimer::singleShot(0, &form, quit);
    return app.exec();
}
