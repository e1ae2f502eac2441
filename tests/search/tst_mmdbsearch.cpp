#include "RecordWalkReference.h"
#include "core/TFormatSettings.h"
#include "db/dataset/TDataSource.h"
#include "grid/mmDBGrid.h"
#include "search/FindAnimation.h"
#include "search/mmDBFindDlg.h"
#include "search/mmDBSearch.h"
#include "settings/FileRegistry.h"
#include "settings/xAppRegistry.h"
#include "tests/support/GridFixture.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"
#include "widgets/mmComboBox.h"
#include "widgets/mmRadioButtonEx.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// Columns of the test table.
enum Column { NAME, NUM, CODE, DAY };

QDateTime At(int year, int month, int day, int hour = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, 0));
}

struct TStreetRow
{
    const char *Name;
    int Num;
    const char *Code;
    QDateTime Day;
};

std::shared_ptr<TRecordSet> Table(std::initializer_list<TStreetRow> rows)
{
    auto set = std::make_shared<TRecordSet>();
    set->AddColumn(QStringLiteral("NAME"), TFieldType::ftString, 30);
    set->AddColumn(QStringLiteral("NUM"), TFieldType::ftInteger);
    set->AddColumn(QStringLiteral("CODE"), TFieldType::ftString, 8);
    set->AddColumn(QStringLiteral("DAY"), TFieldType::ftDateTime);
    for (const TStreetRow &row : rows) {
        set->AppendText(NAME, row.Name);
        set->AppendInt(NUM, row.Num);
        set->AppendText(CODE, row.Code);
        if (row.Day.isValid())
            set->AppendInt(DAY, TRecordSet::DateTimeToMSecs(row.Day));
        else
            set->AppendNull(DAY);
        set->EndRow();
    }
    return set;
}

// Six streets with the values the edge cases need: names in both cases, numbers that contain
// each other, numbers written as text, and dates at midnight and at noon.
std::shared_ptr<TRecordSet> Streets()
{
    return Table({
        {"Садовая", 5, "05", At(2024, 2, 1)},
        {"Лесная", 15, "2-34-56", At(2024, 2, 2)},
        {"Парковая", 50, "5", At(2024, 2, 1, 12)},
        {"САДОВОЕ кольцо", 5, "15", At(2024, 3, 1)},
        {"Береговая", 7, "", At(2024, 2, 1)},
        {"садовая", 5, "5", QDateTime()},
    });
}

// Letters whose upper case changes length or leaves the two-byte letters, and numbers written
// in the ways the number reader takes.
std::shared_ptr<TRecordSet> Oddities()
{
    return Table({
        {"Садовая", 5, "05", At(2024, 2, 1)},
        {"Straße ǅemal", 5, " 5 ", At(2024, 2, 1, 0)},
        {"ıŉ ΐ € ёлкина", -5, "+5", At(2024, 2, 2)},
        {"САДОВАЯ", 0, "5e0", QDateTime()},
        {"strasse", 15, "-0", At(2024, 2, 1)},
        {"", 5, "1,5", At(2024, 2, 1)},
        {"садовая", 5, "5.0", At(2024, 2, 1)},
    });
}

// Answers the next message box with Enter and keeps its text.
class TMessageCatcher : public QObject
{
public:
    TMessageCatcher()
    {
        connect(&FTimer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                Texts << box->text();
                box->accept();
            }
        });
        FTimer.start(5);
    }
    QStringList Texts;

private:
    QTimer FTimer;
};

// A window with a grid over the streets, the search installed and a store of its own.
struct TSearchWindow
{
    QTemporaryDir Folder;
    TxAppRegistry Registry {std::make_unique<TFileRegistry>(Folder.filePath("store.ini")),
        QStringLiteral("phonebook"), TxAppRegistry::DefaultBaseKey, QStringList()};
    TGridFixture Fixture;
    std::unique_ptr<TMemoryDataSet> DataSet;
    TDataSource Source;
    QWidget Window;
    TmmDBGrid *Grid = new TmmDBGrid(&Window);

    explicit TSearchWindow(std::shared_ptr<TRecordSet> rows = Streets())
        : DataSet(Fixture.OpenDataSet(std::move(rows)))
    {
        InstallColumnSearch();
        Source.SetDataSet(DataSet.get());
        Grid->setGeometry(0, 0, 400, 200);
        Grid->SetDataSource(&Source);
        Window.resize(400, 200);
        Window.show();
    }

    // F3 on a cell of the grid.
    TfrmDBFindDlg *Find(int row, int column)
    {
        DataSet->MoveTo(row);
        Grid->SetSelectedIndex(column);
        Grid->Find();
        auto *search = Grid->findChild<TmmDBSearch *>();
        if (!search || !search->Dialog()->isVisible())
            return nullptr;
        TfrmDBFindDlg *dialog = search->Dialog();
        dialog->activateWindow();
        return QTest::qWaitForWindowActive(dialog) ? dialog : nullptr;
    }

    QStringList History()
    {
        return TmmDBSearch::SplitHistory(Registry.ReadString(
            TmmDBSearch::SettingsSection, TmmDBSearch::HistoryValue, QString()));
    }
};

// A key pressed on the focused control, as the keyboard delivers it: shortcuts first.
void Press(TfrmDBFindDlg *dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
    const QString &text = QString())
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : dialog;
    QTest::sendKeyEvent(QTest::Click, target, key, text, modifiers);
}

// Alt and the underlined letter of a caption.
void PressMnemonic(TfrmDBFindDlg *dialog, QChar letter)
{
    Press(dialog, Qt::Key(letter.toUpper().unicode()), Qt::AltModifier, QString(letter));
}

// A check box's mnemonic clicks it a moment later, as a button shows its press.
bool ToggleByMnemonic(TfrmDBFindDlg *dialog, QChar letter, QCheckBox *box)
{
    const bool before = box->isChecked();
    PressMnemonic(dialog, letter);
    return QTest::qWaitFor([&] { return box->isChecked() != before; });
}

// Picks a direction the way the keyboard does: to the group, then the arrows from "С начала".
void ChooseDirection(TfrmDBFindDlg *dialog, int item)
{
    PressMnemonic(dialog, u'а');
    if (item == 0)
        Press(dialog, Qt::Key_Down);
    else if (item == 1)
        Press(dialog, Qt::Key_Up);
}

// Types into the focused control, Cyrillic included.
void Type(TfrmDBFindDlg *dialog, const QString &text)
{
    for (const QChar c : text)
        Press(dialog, Qt::Key(c.toUpper().unicode()), Qt::NoModifier, QString(c));
}

void TypeSearchText(TfrmDBFindDlg *dialog, const QString &text)
{
    PressMnemonic(dialog, u'н');
    Type(dialog, text);
}

const QString NotFound = QStringLiteral("Запись не найдена.");

} // namespace

class TestMmDBSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FormatSettings() = TFormatSettings(); }

    void findsTheRecordTheWalkGives_data();
    void findsTheRecordTheWalkGives();
    void agreesWithTheRecordWalk_data();
    void agreesWithTheRecordWalk();
    void historyKeepsTheRecentTexts_data();
    void historyKeepsTheRecentTexts();
    void foldsAndLocksOptions();
    void badInputGivesAClearAnswer_data();
    void badInputGivesAClearAnswer();
    void plainSearchTakesTheFocusedGrid();
};

void TestMmDBSearch::findsTheRecordTheWalkGives_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("direction"); // 0 "Вперед", 1 "Назад", 2 "С начала"
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeField");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("found"); // -1: not found, the cursor stays on start

    QTest::newRow("from the start, any case")
        << int(NAME) << 3 << 2 << false << false << QStringLiteral("садов") << 0;
    QTest::newRow("match case") << int(NAME) << 0 << 2 << true << false << QStringLiteral("садов")
                                << 5;
    QTest::newRow("forward skips the current")
        << int(NAME) << 0 << 0 << false << false << QStringLiteral("Садов") << 3;
    QTest::newRow("forward on the last tests it")
        << int(NAME) << 5 << 0 << false << false << QStringLiteral("садов") << 5;
    QTest::newRow("backward") << int(NAME) << 5 << 1 << false << false << QStringLiteral("садов")
                              << 3;
    QTest::newRow("backward on the first tests it")
        << int(NAME) << 0 << 1 << false << false << QStringLiteral("садов") << 0;
    QTest::newRow("no match") << int(NAME) << 2 << 2 << false << false << QStringLiteral("Тверская")
                              << -1;
    QTest::newRow("whole integer 5, not 15 or 50")
        << int(NUM) << 4 << 0 << false << true << QStringLiteral("5") << 5;
    QTest::newRow("whole text read as number")
        << int(CODE) << 1 << 2 << false << true << QStringLiteral("5") << 0;
    QTest::newRow("whole text, not a number")
        << int(CODE) << 0 << 2 << false << true << QStringLiteral("2-34-56") << 1;
    QTest::newRow("whole date at midnight only")
        << int(DAY) << 0 << 0 << false << true << QStringLiteral("01.02.2024") << 4;
    QTest::newRow("whole field, empty cell")
        << int(CODE) << 0 << 2 << false << true << QString() << 4;
    QTest::newRow("empty text finds nothing")
        << int(NAME) << 1 << 2 << false << false << QString() << -1;
}

void TestMmDBSearch::findsTheRecordTheWalkGives()
{
    QFETCH(int, column);
    QFETCH(int, start);
    QFETCH(int, direction);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeField);
    QFETCH(QString, text);
    QFETCH(int, found);

    TSearchWindow w;
    TfrmDBFindDlg *dialog = w.Find(start, column);
    QVERIFY(dialog);
    TypeSearchText(dialog, text);
    if (matchCase)
        QVERIFY(ToggleByMnemonic(dialog, u'и', dialog->cbMatchCase));
    if (wholeField)
        QVERIFY(ToggleByMnemonic(dialog, u'л', dialog->cbWholeField));
    ChooseDirection(dialog, direction);
    QCOMPARE(dialog->rgDirection->ItemIndex(), direction);
    QCOMPARE(dialog->cbMatchCase->isChecked(), matchCase);
    QCOMPARE(dialog->cbWholeField->isChecked(), wholeField);

    TMessageCatcher messages;
    Press(dialog, Qt::Key_Return);
    QCOMPARE(messages.Texts, found < 0 ? QStringList {NotFound} : QStringList());
    QCOMPARE(w.DataSet->CurrentRow(), found < 0 ? start : found);
    // The grid shows the record and the cell the search stands on.
    QCOMPARE(w.Grid->currentIndex().row(), w.DataSet->CurrentRow());
    QCOMPARE(w.Grid->SelectedIndex(), column);
    // After a find "С начала" gives way to "Вперед"; the dialog stays open and usable.
    QCOMPARE(dialog->rgDirection->ItemIndex(), found >= 0 && direction == 2 ? 0 : direction);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->btnFind->isEnabled());
    QVERIFY(!dialog->antFind->Active());
}

void TestMmDBSearch::agreesWithTheRecordWalk_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("text");

    const int caseSensitive = 1 << int(TSearchOption::soCaseSensitive);
    const int wholeField = 1 << int(TSearchOption::soWholeFieldOnly);
    QTest::newRow("name") << int(NAME) << 0 << QStringLiteral("АЯ");
    QTest::newRow("name, case") << int(NAME) << caseSensitive << QStringLiteral("ая");
    QTest::newRow("name, whole") << int(NAME) << wholeField << QStringLiteral("Садовая");
    QTest::newRow("number contains") << int(NUM) << 0 << QStringLiteral("5");
    QTest::newRow("code as number") << int(CODE) << wholeField << QStringLiteral("5");
    QTest::newRow("code as zero") << int(CODE) << wholeField << QStringLiteral("0");
    QTest::newRow("code contains") << int(CODE) << 0 << QStringLiteral("5");
    QTest::newRow("date") << int(DAY) << wholeField << QStringLiteral("1.2.2024");
    QTest::newRow("date contains") << int(DAY) << 0 << QStringLiteral("02.");
    QTest::newRow("upper case grows") << int(NAME) << 0 << QStringLiteral("STRASSE");
    QTest::newRow("other letters") << int(NAME) << 0 << QStringLiteral("ǆ");
    QTest::newRow("ё") << int(NAME) << 0 << QStringLiteral("Ё");
    QTest::newRow("number negative") << int(NUM) << wholeField << QStringLiteral("-5");
    QTest::newRow("number of a date") << int(DAY) << wholeField << QStringLiteral("45323");
}

// Every start, every direction, and the flags a previous search left: the fast search ends
// where the record-by-record walk ends, with the same answer.
void TestMmDBSearch::agreesWithTheRecordWalk()
{
    QFETCH(int, column);
    QFETCH(int, options);
    QFETCH(QString, text);

    TSearchWindow w(Oddities());
    TmmDBSearch search;
    search.SetCustomSearch(true);
    search.SetDataSource(&w.Source);
    search.SetDataField(w.DataSet->Fields(column)->FieldName());
    TSearchOptions set;
    for (TSearchOption o : {TSearchOption::soCaseSensitive, TSearchOption::soWholeFieldOnly})
        if (options & (1 << int(o)))
            set.Include(o);
    search.SetSearchOptions(set);
    search.SetSearchText(text);

    // Each start: moved there, or left by a step against an end.
    struct Start
    {
        int Row;
        int Step;
    };
    const int last = w.DataSet->RecordCount() - 1;
    QList<Start> starts;
    for (int row = 0; row <= last; ++row)
        starts << Start {row, 0};
    starts << Start {0, -1} << Start {last, 1};
    for (TSearchDirection direction :
        {TSearchDirection::sdDown, TSearchDirection::sdUp, TSearchDirection::sdAll}) {
        search.SetSearchDirection(direction);
        for (const Start &start : starts) {
            auto place = [&] {
                w.DataSet->MoveTo(start.Row);
                if (start.Step)
                    w.DataSet->MoveBy(start.Step);
            };
            place();
            const bool expected = ReferenceSearchRecords(search, *w.DataSet);
            const int expectedRow = w.DataSet->CurrentRow();
            const bool expectedBof = w.DataSet->Bof();
            const bool expectedEof = w.DataSet->Eof();
            place();
            const QString where = QStringLiteral("direction %1, start %2%3")
                                      .arg(int(direction))
                                      .arg(start.Row)
                                      .arg(start.Step ? QStringLiteral(" at the end") : QString());
            QVERIFY2(search.SearchRecords() == expected, qPrintable(where));
            QVERIFY2(w.DataSet->CurrentRow() == expectedRow, qPrintable(where));
            QVERIFY2(w.DataSet->Bof() == expectedBof && w.DataSet->Eof() == expectedEof,
                qPrintable(where));
        }
    }
}

void TestMmDBSearch::historyKeepsTheRecentTexts_data()
{
    QTest::addColumn<QString>("stored"); // the history before the dialog opens
    QTest::addColumn<QStringList>("searches");
    QTest::addColumn<QStringList>("history"); // what the store holds after closing

    QTest::newRow("the same text twice once")
        << QString() << QStringList {"ab", "ab"} << QStringList {"ab"};
    QTest::newRow("an older copy stays below")
        << QString() << QStringList {"ab", "cd", "ab"} << QStringList {"ab", "cd", "ab"};
    QTest::newRow("five most recent of seven")
        << QString() << QStringList {"1", "2", "3", "4", "5", "6", "7"}
        << QStringList {"7", "6", "5", "4", "3"};
    QTest::newRow("stored lines come first in order")
        << QStringLiteral("x\r\ny\r\n") << QStringList {"z"} << QStringList {"z", "x", "y"};
}

void TestMmDBSearch::historyKeepsTheRecentTexts()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, searches);
    QFETCH(QStringList, history);

    TSearchWindow w;
    if (!stored.isEmpty())
        w.Registry.WriteString(TmmDBSearch::SettingsSection, TmmDBSearch::HistoryValue, stored);
    TfrmDBFindDlg *dialog = w.Find(0, NAME);
    QVERIFY(dialog);
    QCOMPARE(dialog->comboSearchText->count(), int(TmmDBSearch::SplitHistory(stored).size()));
    QVERIFY(dialog->comboSearchText->currentText().isEmpty());
    TMessageCatcher messages;
    for (const QString &text : searches) {
        // The dialog takes the activation back from the message box.
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        dialog->comboSearchText->lineEdit()->selectAll();
        Type(dialog, text);
        Press(dialog, Qt::Key_Return);
    }
    QCOMPARE(messages.Texts.size(), searches.size());
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    Press(dialog, Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(w.History(), history);
    // The focus goes back to the grid.
    QTRY_VERIFY(w.Grid->hasFocus());
}

void TestMmDBSearch::foldsAndLocksOptions()
{
    TSearchWindow w;
    TfrmDBFindDlg *dialog = w.Find(0, NAME);
    QVERIFY(dialog);
    QCOMPARE(dialog->Height(), TfrmDBFindDlg::UnfoldedHeight);
    QCOMPARE(dialog->width(), TfrmDBFindDlg::ClientWidth);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Поиск по колонке \"NAME\""));
    QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!dialog->isModal());

    // The find button goes with the text; a new search starts with it enabled.
    QVERIFY(dialog->btnFind->isEnabled());
    TypeSearchText(dialog, QStringLiteral("С"));
    QVERIFY(dialog->btnFind->isEnabled());
    Press(dialog, Qt::Key_Backspace);
    QVERIFY(!dialog->btnFind->isEnabled());
    Press(dialog, Qt::Key_Return); // nothing to press
    QVERIFY(dialog->isVisible());
    Type(dialog, QStringLiteral("д"));
    QVERIFY(dialog->btnFind->isEnabled());

    // Whole field takes the case box out of play and gives it back unchecked.
    QVERIFY(ToggleByMnemonic(dialog, u'и', dialog->cbMatchCase));
    QVERIFY(ToggleByMnemonic(dialog, u'л', dialog->cbWholeField));
    QVERIFY(!dialog->cbMatchCase->isChecked());
    QVERIFY(!dialog->cbMatchCase->isEnabled());
    QVERIFY(ToggleByMnemonic(dialog, u'л', dialog->cbWholeField));
    QVERIFY(!dialog->cbMatchCase->isChecked());
    QVERIFY(dialog->cbMatchCase->isEnabled());

    // Folding and unfolding end on exact heights, whatever the steps were.
    for (int height : {TfrmDBFindDlg::FoldedHeight, TfrmDBFindDlg::UnfoldedHeight}) {
        QTest::mouseClick(dialog->btnFull, Qt::LeftButton);
        QTRY_VERIFY(!dialog->Folding());
        QCOMPARE(dialog->Height(), height);
    }

    // Pictures of both forms for the eye, when asked for.
    const QString shots = qEnvironmentVariable("PHONEBOOK_SHOTS");
    if (!shots.isEmpty()) {
        dialog->antFind->SetFrame(8);
        dialog->grab().save(shots + QStringLiteral("/find-dialog.png"));
        QTest::mouseClick(dialog->btnFull, Qt::LeftButton);
        QTRY_VERIFY(!dialog->Folding());
        dialog->grab().save(shots + QStringLiteral("/find-dialog-folded.png"));
    }
}

void TestMmDBSearch::badInputGivesAClearAnswer_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("change"); // 0 none, 1 the field goes, 2 the dataset closes
    QTest::addColumn<QString>("message");

    QTest::newRow("10,000 characters") << QString(10000, u'я') << 0 << NotFound;
    QTest::newRow("field went away") << QStringLiteral(
        "а") << 1 << QStringLiteral("Поиск невозможен: в наборе данных нет поля \"NAME\".");
    QTest::newRow("dataset closed")
        << QStringLiteral("а") << 2 << QStringLiteral("Поиск невозможен: набор данных закрыт.");
}

void TestMmDBSearch::badInputGivesAClearAnswer()
{
    QFETCH(QString, text);
    QFETCH(int, change);
    QFETCH(QString, message);

    TSearchWindow w;
    TfrmDBFindDlg *dialog = w.Find(2, NAME);
    QVERIFY(dialog);
    dialog->comboSearchText->lineEdit()->setText(text);
    auto other = w.Fixture.OpenDataSet(TGridFixture::Subscribers(3)); // no NAME
    if (change == 1)
        w.Source.SetDataSet(other.get());
    else if (change == 2)
        w.DataSet->Close();
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));

    TMessageCatcher messages;
    Press(dialog, Qt::Key_Return);
    QCOMPARE(messages.Texts, QStringList {message});
    QVERIFY(dialog->btnFind->isEnabled());
    QVERIFY(dialog->btnCancel->isEnabled());
    if (change == 0)
        QCOMPARE(w.DataSet->CurrentRow(), 2);
}

// Without CustomSearch the search works on whatever grid has the focus in its owner's form.
void TestMmDBSearch::plainSearchTakesTheFocusedGrid()
{
    TSearchWindow w;
    auto *edit = new QLineEdit(&w.Window);
    auto *search = new TmmDBSearch(&w.Window);
    w.Window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.Window));

    edit->show();
    edit->setFocus();
    TMessageCatcher messages;
    search->Execute();
    QTRY_COMPARE(messages.Texts,
        QStringList {QStringLiteral("Курсор должен быть установлен на одно из полей таблицы.")});
    QVERIFY(!search->Dialog()->isVisible());

    w.Grid->setFocus();
    w.Grid->SetSelectedIndex(CODE);
    search->Execute();
    QVERIFY(search->Dialog()->isVisible());
    QCOMPARE(search->Grid(), w.Grid);
    QCOMPARE(search->DataField(), QStringLiteral("CODE"));
}

QTEST_MAIN(TestMmDBSearch)
#include "tst_mmdbsearch.moc"
