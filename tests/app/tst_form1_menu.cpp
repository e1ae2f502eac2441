#include "app/Application.h"
#include "app/Form1.h"
#include "app/SaveFile.h"
#include "app/TvgDBLookupCombo.h"
#include "core/TFormatSettings.h"
#include "db/dataset/TTable.h"
#include "db/paradox/ParadoxWriter.h"
#include "db/paradox/TRecordSet.h"
#include "grid/mmDBGrid.h"
#include "tests/support/ModalScript.h"

#include <QClipboard>
#include <QHeaderView>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

namespace {

constexpr int Subscribers = 500;
const QStringList ShownFields = {"FAM", "TELE", "ADR_D", "ADR_K"};

// The sample Data folder with a town table of its own: street 1 with 500 subscribers, Cyrillic
// names, one of them with a comma and quotes.
void WriteTown(const QString &dataFolder)
{
    const QDir sample(qEnvironmentVariable("PHONEBOOK_TEST_DATA"));
    for (const QString folder : {"Gorod", "Main"}) {
        QDir(dataFolder).mkpath(folder);
        for (const QString &file : QDir(sample.filePath(folder)).entryList(QDir::Files))
            QFile::copy(
                sample.filePath(folder + '/' + file), dataFolder + '/' + folder + '/' + file);
    }
    TRecordSet rows;
    std::vector<Paradox::NewField> fields;
    for (const auto &[name, length] :
        {std::pair {"FAM", 40}, {"TELE", 10}, {"ADR_D", 8}, {"ADR_K", 6}}) {
        rows.AddColumn(name, TFieldType::ftString, length);
        fields.push_back({name, 'A', length});
    }
    rows.AddColumn("K_Y", TFieldType::ftInteger);
    fields.push_back({"K_Y", 'I', 0});
    for (int i = 0; i < Subscribers; ++i) {
        const QString name = i == 7 ? "Кот, \"Мурзик\" М." : "Ёлкин-Щукин " + QString::number(i);
        rows.AppendText(0, name.toStdString());
        rows.AppendText(1, QString::asprintf("2-%02d-%02d", i / 100 + 10, i % 100).toStdString());
        rows.AppendText(2, std::to_string(1 + i % 97) + "а");
        rows.AppendText(3, std::to_string(1 + i % 201));
        rows.AppendInt(4, 1);
        rows.EndRow();
    }
    QFile::remove(dataFolder + "/Gorod/kvtel_1.DB");
    Paradox::WriteTable(dataFolder + "/Gorod/kvtel_1.DB", fields, rows);
}

// Reads an RFC 4180 document back into its rows of fields.
QList<QStringList> ParseCsv(const QString &text)
{
    static const QRegularExpression field(R"re(("(?:[^"]|"")*"|[^",\r\n]*)(,|\r\n))re");
    QList<QStringList> rows {{}};
    for (const QRegularExpressionMatch &match : field.globalMatch(text)) {
        const QString value = match.captured(1);
        rows.last() << (value.startsWith('"') ? value.mid(1, value.size() - 2).replace("\"\"", "\"")
                                              : value);
        if (match.captured(2) == "\r\n")
            rows << QStringList();
    }
    rows.removeLast();
    return rows;
}

// Runs a menu command as a click does: from the event loop, where a failure reaches the
// application's error display.
void Click(QAction *action)
{
    QVERIFY(action);
    QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
}

QStringList FilesIn(const QString &folder)
{
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        files << it.next();
    return files;
}

} // namespace

// The window's own items of the result's menu: copying, export and print.
class TestForm1Menu : public QObject
{
    Q_OBJECT

    QTemporaryDir FFolder;
    std::unique_ptr<TForm1> FForm;
    QStringList FErrors;
    TSaveFileRequest FAsked;

    TDataSet *Result() const { return FForm->DBGrid1->DataSet(); }

    // The captions, then the records in the result's order, read by field name.
    QList<QStringList> ResultRows(const QStringList &fields) const
    {
        static const QHash<QString, QString> captionOf
            = {{"FAM", "Абонент"}, {"TELE", "Телефон"}, {"ADR_D", "Дом"}, {"ADR_K", "Квартира"}};
        QList<QStringList> rows {{}};
        for (const QString &field : fields)
            rows.first() << captionOf.value(field, field);
        for (int row = 0; row < Result()->RecordCount(); ++row) {
            TActiveRecordGuard guard(Result(), row);
            rows << QStringList();
            for (const QString &field : fields)
                rows.last() << Result()->FieldByName(field)->DisplayText();
        }
        return rows;
    }

    // A right click on the third record.
    QMenu *OpenMenu()
    {
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support grabbing the keyboard");
        QWidget *cells = FForm->DBGrid1->viewport();
        const QPoint at(40, 40);
        QTest::mouseClick(cells, Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, cells->mapToGlobal(at), {});
        QCoreApplication::sendEvent(cells, &event);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (menu)
            menu->hide();
        return menu;
    }
    // The window's items are its own: the grid leaves them as they are between openings.
    QAction *Item(const QString &caption) const
    {
        const QList<QAction *> items = FForm->DBGrid1->PopupMenu()->actions();
        return *std::find_if(
            items.begin(), items.end(), [&](QAction *a) { return a->text() == caption; });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(FFolder.isValid());
        WriteTown(FFolder.path());
        FormatSettings().LongDateFormat = "dd.mm.yyyy";
        Application()->SetExceptionSink([this](const QString &message) { FErrors << message; });
    }
    void init()
    {
        FErrors.clear();
        FForm = std::make_unique<TForm1>(FFolder.path());
        FForm->show();
        FForm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
        FForm->CBox1->setCurrentIndex(TForm1::ModeCity);
        FForm->CBox1Change();
        for (int row = 0; row < FForm->Table2->RecordCount(); ++row) {
            TActiveRecordGuard guard(FForm->Table2, row);
            if (FForm->Table2->FieldByName("K_Y")->AsInteger() == 1)
                FForm->DBLCombo1->ChooseRow(row);
        }
        QCOMPARE(Result()->RecordCount(), Subscribers);
        // Nobody answers a real dialog here.
        AskSaveFileName() = [](QWidget *, const TSaveFileRequest &) { return QString(); };
    }
    void cleanup()
    {
        FForm.reset();
        ResetAskSaveFileName();
    }

    void windowItemsComeAboveTheGridsEveryOpening()
    {
        OpenMenu();
        QMenu *menu = OpenMenu();
        QVERIFY(menu);
        QStringList captions;
        for (const QAction *action : menu->actions())
            captions << (action->isSeparator() ? "-" : action->text());
        QCOMPARE(captions,
            (QStringList {"Копировать", "Копировать строку", "Копировать всё", "-", "Экспорт...",
                "Печать...", "-", "Запоминать установки таблицы", "Установки таблицы"}));
        QCOMPARE(menu->actions().at(0)->shortcut(), QKeySequence(QKeySequence::Copy));
    }

    void clipboardHoldsWhatTheGridShows_data()
    {
        QTest::addColumn<QString>("command"); // "Ctrl+C" for the key
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("fields"); // in the order the text has them
        QTest::newRow("cell by the key") << "Ctrl+C"
                                         << "" << QStringList {"TELE"};
        QTest::newRow("row") << "Копировать строку"
                             << "" << ShownFields;
        QTest::newRow("all, telephone moved first")
            << "Копировать всё"
            << "moved" << QStringList {"TELE", "FAM", "ADR_D", "ADR_K"};
        QTest::newRow("all, sorted by name descending") << "Копировать всё"
                                                        << "sorted" << ShownFields;
    }
    void clipboardHoldsWhatTheGridShows()
    {
        QFETCH(QString, command);
        QFETCH(QString, setup);
        QFETCH(QStringList, fields);
        TmmDBGrid *grid = FForm->DBGrid1;
        if (setup == "moved")
            grid->horizontalHeader()->moveSection(1, 0);
        if (setup == "sorted") {
            QList<QStringList> names = ResultRows({"FAM"});
            grid->SortBy("FAM", false);
            std::reverse(names.begin() + 1, names.end());
            QCOMPARE(ResultRows({"FAM"}), names);
        }
        const int current = 7; // the name with a comma and quotes, unsorted
        Result()->MoveTo(current);
        grid->SetSelectedField(Result()->FieldByName("TELE"));
        QGuiApplication::clipboard()->clear();
        if (command == "Ctrl+C") {
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        } else {
            Click(Item(command));
            QTRY_VERIFY(!QGuiApplication::clipboard()->text().isEmpty());
        }
        QList<QStringList> rows = ResultRows(fields);
        if (command != "Копировать всё")
            rows = {rows.at(1 + current)};
        QStringList lines;
        for (const QStringList &row : rows)
            lines << row.join('\t');
        QCOMPARE(QGuiApplication::clipboard()->text(), lines.join('\n'));
        QVERIFY(FErrors.isEmpty());
    }

    // The CSV read back is the result as shown; a file that cannot be written is an error that
    // leaves no file behind.
    void exportWritesTheResultOrNothing_data()
    {
        QTest::addColumn<QString>("answer"); // in a fresh folder, as the user typed it
        QTest::newRow("written, the suffix added") << "street";
        QTest::newRow("read-only folder") << "locked/street.csv";
        QTest::newRow("missing folder") << "gone/street.csv";
    }
    void exportWritesTheResultOrNothing()
    {
        QFETCH(QString, answer);
        QTemporaryDir root;
        QDir(root.path()).mkpath("locked");
        QFile::setPermissions(root.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        if (answer.startsWith("locked") && QFileInfo(root.filePath("locked")).isWritable())
            QSKIP("this user writes into read-only folders (root); the missing folder stands in");
        const QString fileName = root.filePath(answer);
        AskSaveFileName() = [&](QWidget *, const TSaveFileRequest &request) {
            FAsked = request;
            return fileName;
        };
        FForm->DBGrid1->horizontalHeader()->moveSection(3, 0);
        Click(Item("Экспорт..."));
        if (answer.contains('/')) {
            QTRY_COMPARE(FErrors.size(), 1);
            QVERIFY2(FErrors.first().contains(fileName), qPrintable(FErrors.first()));
            QCOMPARE(FilesIn(root.path()), QStringList());
            return;
        }
        QTRY_COMPARE(FilesIn(root.path()), QStringList {fileName + ".csv"});
        QVERIFY(FErrors.isEmpty());
        QVERIFY(FAsked.SuggestedName.endsWith(FForm->DBLCombo1->DisplayValue() + ".csv"));
        QFile file(fileName + ".csv");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(ParseCsv(QString::fromUtf8(bytes.mid(3))),
            ResultRows({"ADR_D", "FAM", "TELE", "ADR_K"}));
    }

    // Through the preview, which renders the pages on its printer, to its PDF item: every record
    // printed once and in order over the pages, each page with the heading, the date, the
    // captions and its number.
    void printPreviewSavesTheWholeResultAsPdf()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QTemporaryDir target;
        const QString pdf = target.filePath("street.pdf");
        AskSaveFileName() = [&](QWidget *, const TSaveFileRequest &) { return pdf; };
        bool saved = false;
        ModalScript::WhenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog *dialog) {
            for (QAction *action : dialog->findChild<QToolBar *>()->actions())
                if (action->text() == "Сохранить в PDF...")
                    action->trigger(), saved = true;
            dialog->reject();
        });
        Click(Item("Печать..."));
        QTRY_VERIFY_WITH_TIMEOUT(saved, 20000);
        QVERIFY(FErrors.isEmpty());
        QProcess pdftotext;
        pdftotext.start("pdftotext", {pdf, "-"});
        QVERIFY(pdftotext.waitForFinished(30000) && pdftotext.exitCode() == 0);
        QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split('\f');
        pages.removeLast(); // after the last page's form feed

        static const QRegularExpression telephone(R"(\d-\d\d-\d\d)");
        QStringList printed;
        QList<int> perPage;
        for (const QString &page : pages) {
            perPage << 0;
            for (const QRegularExpressionMatch &match : telephone.globalMatch(page))
                printed << match.captured(), ++perPage.last();
        }
        QStringList expected;
        for (const QStringList &row : ResultRows({"TELE"}).mid(1))
            expected << row.first();
        QCOMPARE(printed, expected);
        QVERIFY(pages.size() > 1);
        QCOMPARE(pages.size(), (Subscribers + perPage.first() - 1) / perPage.first());
        for (const QString &text : ResultRows(ShownFields).first()
                + QStringList {"Улица: " + FForm->DBLCombo1->DisplayValue(),
                    QDate::currentDate().toString("dd.MM.yyyy"),
                    QString("Страница 2 из %1").arg(pages.size())})
            QVERIFY2(pages.at(1).contains(text), qPrintable(text));
    }
};

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    TestForm1Menu test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form1_menu.moc"
