#include "tests/support/GridFixture.h"

#include "core/Exception.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TField.h"
#include "grid/mmDBGrid.h"

#include <QAbstractItemModelTester>
#include <QMenu>
#include <QtTest>

namespace {
// Counts whole-grid repaints.
class TCountingGrid : public TmmDBGrid
{
public:
    using TmmDBGrid::TmmDBGrid;
    int Repaints = 0;
    void Invalidate() override
    {
        ++Repaints;
        TmmDBGrid::Invalidate();
    }
};

using GridProbe = std::function<QVariant(const TmmDBGrid &)>;
using GridAction = std::function<void(TmmDBGrid &)>;

QStringList Definitions(const TmmDBGrid &grid)
{
    QStringList result;
    for (const TCheckField *checkField : grid.CheckFieldList())
        result << checkField->KeyFieldName + QLatin1Char('>') + checkField->ColumnFieldName;
    return result;
}

const QStringList ExampleLines {QStringLiteral("field FAM"), QStringLiteral("format Абонент: %s"),
    QStringLiteral("TELE"), QStringLiteral("тел. %s"), QStringLiteral("ADR_D")};
} // namespace

Q_DECLARE_METATYPE(GridProbe)
Q_DECLARE_METATYPE(GridAction)

class TestMmDBGrid : public QObject
{
    Q_OBJECT

    std::unique_ptr<TGridFixture> FFixture;
    std::unique_ptr<TMemoryDataSet> FData;
    std::unique_ptr<TDataSource> FSource;
    std::unique_ptr<TCountingGrid> FGrid;

    void Bind(int rows = 8)
    {
        FData = FFixture->OpenDataSet(TGridFixture::Subscribers(rows));
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FData.get());
        FGrid->SetDataSource(FSource.get());
    }

private slots:
    void init()
    {
        FFixture = std::make_unique<TGridFixture>();
        FGrid = std::make_unique<TCountingGrid>();
        FGrid->resize(480, 200);
        new QAbstractItemModelTester(
            FGrid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, FGrid.get());
    }
    void cleanup()
    {
        FGrid.reset();
        FSource.reset();
        FData.reset();
        FFixture.reset();
    }

    void newGridHasTheDeclaredDefaults_data()
    {
        QTest::addColumn<GridProbe>("probe");
        QTest::addColumn<QVariant>("expected");
        auto row = [](const char *name, GridProbe probe, QVariant expected) {
            QTest::newRow(name) << probe << expected;
        };
        row(
            "StripeOne", [](const TmmDBGrid &g) { return QVariant(g.StripeOne()); }, 14084071);
        row(
            "StripeTwo", [](const TmmDBGrid &g) { return QVariant(g.StripeTwo()); }, 15201271);
        row(
            "Striped", [](const TmmDBGrid &g) { return QVariant(g.Striped()); }, true);
        row(
            "ColorSelected", [](const TmmDBGrid &g) { return QVariant(g.ColorSelected()); },
            10280951);
        row(
            "PopupMenuKind", [](const TmmDBGrid &g) { return QVariant(int(g.PopupMenuKind())); },
            0);
        row(
            "ScaleColumns", [](const TmmDBGrid &g) { return QVariant(g.ScaleColumns()); }, false);
        row(
            "MinColWidth", [](const TmmDBGrid &g) { return QVariant(g.MinColWidth()); }, 40);
        row(
            "ColorDialogs", [](const TmmDBGrid &g) { return QVariant(g.ColorDialogs()); },
            15201271);
        row(
            "ConditionalFormatting",
            [](const TmmDBGrid &g) { return QVariant(g.ConditionalFormatting()); }, false);
        row(
            "LineCount", [](const TmmDBGrid &g) { return QVariant(g.LineCount()); }, 1);
        row(
            "LineFields", [](const TmmDBGrid &g) { return QVariant(g.LineFields()); },
            QStringList {});
        row(
            "ShowLines", [](const TmmDBGrid &g) { return QVariant(g.ShowLines()); }, false);
        row(
            "ShowCheckBoxes", [](const TmmDBGrid &g) { return QVariant(g.ShowCheckBoxes()); },
            false);
        row(
            "CheckFields", [](const TmmDBGrid &g) { return QVariant(g.CheckFields()); },
            QStringList {});
        row(
            "UseSorting", [](const TmmDBGrid &g) { return QVariant(g.UseSorting()); }, false);
        row(
            "OnReadDefaults", [](const TmmDBGrid &g) { return QVariant(bool(g.OnReadDefaults)); },
            false);
        row(
            "SortEvent", [](const TmmDBGrid &g) { return QVariant(bool(g.SortEvent)); }, false);
        row(
            "base options",
            [](const TmmDBGrid &g) { return QVariant(g.Options() == TDBGrid::DefaultOptions); },
            true);
        row(
            "no menu before loading",
            [](const TmmDBGrid &g) { return QVariant(g.PopupMenu() == nullptr); }, true);
        row(
            "no check definitions",
            [](const TmmDBGrid &g) { return QVariant(g.CheckFieldList().Count()); }, 0);
    }
    void newGridHasTheDeclaredDefaults()
    {
        QFETCH(GridProbe, probe);
        QFETCH(QVariant, expected);
        TmmDBGrid grid;
        QCOMPARE(probe(grid), expected);
    }

    void settersRepaintOnlyWhenTheValueChanges_data()
    {
        QTest::addColumn<GridAction>("change");
        QTest::addColumn<GridAction>("keep");
        auto row = [](const char *name, GridAction change, GridAction keep) {
            QTest::newRow(name) << change << keep;
        };
        row(
            "StripeOne", [](TmmDBGrid &g) { g.SetStripeOne(Colors::clRed); },
            [](TmmDBGrid &g) { g.SetStripeOne(g.StripeOne()); });
        row(
            "StripeTwo", [](TmmDBGrid &g) { g.SetStripeTwo(Colors::clRed); },
            [](TmmDBGrid &g) { g.SetStripeTwo(g.StripeTwo()); });
        row(
            "Striped", [](TmmDBGrid &g) { g.SetStriped(false); },
            [](TmmDBGrid &g) { g.SetStriped(true); });
        row(
            "ColorSelected", [](TmmDBGrid &g) { g.SetColorSelected(Colors::clAqua); },
            [](TmmDBGrid &g) { g.SetColorSelected(g.ColorSelected()); });
        row(
            "ConditionalFormatting", [](TmmDBGrid &g) { g.SetConditionalFormatting(true); },
            [](TmmDBGrid &g) { g.SetConditionalFormatting(false); });
        row(
            "UseSorting", [](TmmDBGrid &g) { g.SetUseSorting(true); },
            [](TmmDBGrid &g) { g.SetUseSorting(false); });
        row(
            "ShowLines", [](TmmDBGrid &g) { g.SetShowLines(true); },
            [](TmmDBGrid &g) { g.SetShowLines(false); });
        row(
            "ShowCheckBoxes", [](TmmDBGrid &g) { g.SetShowCheckBoxes(true); },
            [](TmmDBGrid &g) { g.SetShowCheckBoxes(false); });
    }
    void settersRepaintOnlyWhenTheValueChanges()
    {
        QFETCH(GridAction, change);
        QFETCH(GridAction, keep);
        Bind();
        FGrid->Repaints = 0;
        keep(*FGrid);
        QCOMPARE(FGrid->Repaints, 0);
        change(*FGrid);
        QVERIFY(FGrid->Repaints > 0);
    }

    void lineCountSetsTheRowHeight_data()
    {
        QTest::addColumn<bool>("showLines");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<int>("storedCount");
        QTest::addColumn<int>("linesPerRow");
        QTest::newRow("three lines shown") << true << 3 << 3 << 3;
        QTest::newRow("three lines, detail display off") << false << 3 << 3 << 1;
        QTest::newRow("zero is raised to one") << true << 0 << 1 << 1;
        QTest::newRow("negative is raised to one") << true << -5 << 1 << 1;
    }
    void lineCountSetsTheRowHeight()
    {
        QFETCH(bool, showLines);
        QFETCH(int, lineCount);
        Bind();
        const int titleHeight = FGrid->TitleRowHeight();
        FGrid->SetLineCount(2);
        FGrid->SetShowLines(showLines);
        FGrid->SetLineCount(lineCount);
        QTEST(FGrid->LineCount(), "storedCount");
        QTEST(FGrid->LinesPerRow(), "linesPerRow");
        QCOMPARE(FGrid->DefaultRowHeight(), FGrid->LineHeight() * FGrid->LinesPerRow());
        QCOMPARE(FGrid->RowHeights(1), FGrid->DefaultRowHeight());
        QCOMPARE(FGrid->TitleRowHeight(), titleHeight);
        // The detail display off again gives rows of one line and the same title.
        FGrid->SetShowLines(false);
        QCOMPARE(FGrid->DefaultRowHeight(), FGrid->LineHeight());
        QCOMPARE(FGrid->TitleRowHeight(), titleHeight);
    }

    void lineHeightIsTextHeightPlusSpacing()
    {
        const int lines = QFontMetrics(FGrid->Font().ToQFont(), FGrid.get()).height();
        QCOMPARE(FGrid->LineHeight(), lines + 3 + FGrid->GridLineWidth());
        FGrid->SetOptions(FGrid->Options() & ~TDBGridOptions(TDBGridOption::dgRowLines));
        QCOMPARE(FGrid->LineHeight(), lines + 3);
    }

    void checkFieldsReadInPairs_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("definitions");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("one pair") << QStringList {"TELE", "FAM"} << QStringList {"TELE>FAM"}
                                  << QStringList {"TELE", "FAM"};
        QTest::newRow("empty entry dropped")
            << QStringList {"TELE", "", "FAM"} << QStringList {"TELE>FAM"}
            << QStringList {"TELE", "FAM"};
        QTest::newRow("unpaired last entry ignored") << QStringList {"TELE", "FAM",
            "ADR_D"} << QStringList {"TELE>FAM"} << QStringList {"TELE", "FAM", "ADR_D"};
        QTest::newRow("missing field gives nothing")
            << QStringList {"TELE", "NOSUCH", "ADR_K", "ADR_D"} << QStringList {"ADR_K>ADR_D"}
            << QStringList {"TELE", "NOSUCH", "ADR_K", "ADR_D"};
        QTest::newRow("names ignore case")
            << QStringList {"tele", "Fam"} << QStringList {"tele>Fam"}
            << QStringList {"tele", "Fam"};
        QTest::newRow("two definitions") << QStringList {"TELE", "FAM", "TELE", "ADR_D"}
                                         << QStringList {"TELE>FAM", "TELE>ADR_D"}
                                         << QStringList {"TELE", "FAM", "TELE", "ADR_D"};
        QTest::newRow("only empty entries")
            << QStringList {"", ""} << QStringList {} << QStringList {};
    }
    void checkFieldsReadInPairs()
    {
        QFETCH(QStringList, entries);
        Bind();
        FGrid->SetShowCheckBoxes(true);
        FGrid->SetCheckFields(entries);
        QTEST(Definitions(*FGrid), "definitions");
        QTEST(FGrid->CheckFields(), "kept");
    }

    void checkDefinitionsAreBuiltWhenTheLinkOpens()
    {
        FGrid->SetShowCheckBoxes(true);
        FGrid->SetCheckFields({QStringLiteral("TELE"), QStringLiteral("FAM")});
        QCOMPARE(FGrid->CheckFieldList().Count(), 0);
        Bind();
        QCOMPARE(Definitions(*FGrid), QStringList {"TELE>FAM"});
        TCheckField *checkField = FGrid->FindCheckField(QStringLiteral("fam"));
        QVERIFY(checkField);
        QCOMPARE(FGrid->FindCheckField(QStringLiteral("TELE")), nullptr);
        FGrid->CheckValue(checkField, QStringLiteral("20003"));
        // Reopening keeps the definitions and what was checked.
        FData->Close();
        FData->Open();
        QCOMPARE(FGrid->FindCheckField(QStringLiteral("FAM")), checkField);
        QCOMPARE(checkField->CheckedValues, QStringList {"20003"});
        // New definitions while bound start unchecked.
        FGrid->SetCheckFields({QStringLiteral("TELE"), QStringLiteral("FAM")});
        QCOMPARE(FGrid->FindCheckField(QStringLiteral("FAM"))->CheckedValues, QStringList {});
        // Definitions given with the check boxes off are built when they are switched on.
        FGrid->SetShowCheckBoxes(false);
        FGrid->SetCheckFields({QStringLiteral("ADR_K"), QStringLiteral("ADR_D")});
        QCOMPARE(FGrid->CheckFieldList().Count(), 0);
        FGrid->SetShowCheckBoxes(true);
        QCOMPARE(Definitions(*FGrid), QStringList {"ADR_K>ADR_D"});
    }

    void checkedValuesIgnoreCase_data()
    {
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("index");
        QTest::newRow("absent") << QStringList {"a1", "b2"} << "c3" << -1;
        QTest::newRow("same case") << QStringList {"a1", "b2"} << "b2" << 1;
        QTest::newRow("other case") << QStringList {"a1", "Иванов"} << "ИВАНОВ" << 1;
        QTest::newRow("first of two spellings") << QStringList {"X", "x"} << "x" << 0;
        QTest::newRow("empty key") << QStringList {"a", ""} << "" << 1;
        QTest::newRow("empty list") << QStringList {} << "a" << -1;
        // Long lists are looked up through an index.
        QStringList many;
        for (int i = 0; i < 40; ++i)
            many << QStringLiteral("2%1").arg(i, 4, 10, QLatin1Char('0'));
        QTest::newRow("long, absent") << many << "c3" << -1;
        QTest::newRow("long, other case") << (many + QStringList {"Иванов"}) << "ИВАНОВ" << 40;
        QStringList spellings = many;
        spellings[20] = QStringLiteral("X");
        spellings[30] = QStringLiteral("x");
        QTest::newRow("long, first of two spellings") << spellings << "x" << 20;
        QTest::newRow("long, empty key") << (many + QStringList {""}) << "" << 40;
    }
    void checkedValuesIgnoreCase()
    {
        QFETCH(QStringList, checked);
        QFETCH(QString, key);
        QFETCH(int, index);
        TCheckField checkField;
        checkField.CheckedValues = checked;
        int found = -2;
        QCOMPARE(FGrid->IsValueChecked(&checkField, key, found), index >= 0);
        QCOMPARE(found, index);
        // Checking a value that is there in any case adds nothing; otherwise it is appended.
        FGrid->CheckValue(&checkField, key);
        QCOMPARE(checkField.CheckedValues.size(), checked.size() + (index < 0 ? 1 : 0));
        QVERIFY(FGrid->IsValueChecked(&checkField, key, found));
        FGrid->UncheckValue(&checkField, found);
        QCOMPARE(checkField.CheckedValues.size(), checked.size() - (index < 0 ? 0 : 1));
        // A list changed in place is read afresh.
        if (!checkField.CheckedValues.isEmpty()) {
            checkField.CheckedValues[0] = key.toLower();
            QVERIFY(FGrid->IsValueChecked(&checkField, key, found));
            QCOMPARE(found, 0);
        }
    }

    void uncheckingABadIndexIsAnError_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("negative") << -1;
        QTest::newRow("past the end") << 2;
    }
    void uncheckingABadIndexIsAnError()
    {
        QFETCH(int, index);
        TCheckField checkField;
        checkField.CheckedValues = QStringList {"a", "b"};
        QVERIFY_THROWS_EXCEPTION(EListError, FGrid->UncheckValue(&checkField, index));
        QCOMPARE(checkField.CheckedValues.size(), 2);
    }

    void lineFieldsGiveEachColumnItsLines_data()
    {
        QTest::addColumn<QStringList>("lineFields");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("lineCount");
        QTest::newRow("the three-line example")
            << ExampleLines << "FAM" << true
            << QStringList {"format Абонент: %s", "TELE тел. %s", "ADR_D"} << "Абонент: %s" << 3;
        QTest::newRow("header found ignoring case")
            << QStringList {"FIELD fam", "TELE"} << "FAM" << true << QStringList {"TELE"}
            << QString() << 2;
        QTest::newRow("no block") << ExampleLines << "TELE" << false << QStringList {} << QString()
                                  << 3;
        QTest::newRow("missing fields are skipped with their formats")
            << QStringList {"field FAM", "NOSUCH", "x %s", "OTHER"} << "FAM" << true
            << QStringList {} << QString() << 1;
        QTest::newRow("block ends at the next header")
            << QStringList {"field FAM", "TELE", "field ADR_D", "ADR_K", "TELE"} << "FAM" << true
            << QStringList {"TELE"} << QString() << 3;
        QTest::newRow("second block")
            << QStringList {"field FAM", "TELE", "field ADR_D", "ADR_K", "TELE"} << "ADR_D" << true
            << QStringList {"ADR_K", "TELE"} << QString() << 3;
        QTest::newRow("format without placeholder is a line entry but no format")
            << QStringList {"field FAM", "format plain", "TELE"} << "FAM" << true
            << QStringList {"format plain", "TELE"} << QString() << 2;
    }
    void lineFieldsGiveEachColumnItsLines()
    {
        QFETCH(QStringList, lineFields);
        QFETCH(QString, field);
        Bind();
        FGrid->SetLineFields(lineFields);
        QStringList lines {QStringLiteral("stale")};
        QTEST(FGrid->GetColumnLines(field, lines), "found");
        QTEST(lines, "lines");
        QFETCH(QString, format);
        QString got;
        QCOMPARE(FGrid->GetLineFormat(field, got), !format.isEmpty());
        if (!format.isEmpty())
            QCOMPARE(got, format);
        QTEST(FGrid->LineCount(), "lineCount");
    }

    void hiddenFieldsDoNotCountForLines()
    {
        Bind();
        FData->FieldByName(QStringLiteral("FAM"))->SetVisible(false);
        FGrid->SetLineFields(ExampleLines);
        QCOMPARE(FGrid->LineCount(), 1);
        FData->FieldByName(QStringLiteral("FAM"))->SetVisible(true);
        QCOMPARE(FGrid->LineCount(), 3);
    }

    void lineFieldsWithoutADatasetKeepTheLineCount()
    {
        FGrid->SetLineCount(2);
        FGrid->SetLineFields(ExampleLines);
        QCOMPARE(FGrid->LineCount(), 2);
        QCOMPARE(FGrid->ComputeLineCount(), 2);
    }

    void lineCountFollowsTheBoundResult()
    {
        FGrid->SetLineFields(ExampleLines);
        Bind();
        QCOMPARE(FGrid->LineCount(), 3);
        auto streets = FFixture->OpenDataSet(TGridFixture::Streets(3));
        TDataSource streetSource;
        streetSource.SetDataSet(streets.get());
        FGrid->SetDataSource(&streetSource);
        QCOMPARE(FGrid->LineCount(), 1);
    }

    void setColumnLinesWritesTheTextForm_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("new block appended")
            << QStringList {} << "FAM" << QStringList {"format А: %s", "TELE т. %s", "ADR_D"}
            << QStringList {"field FAM", "format А: %s", "TELE", "т. %s", "ADR_D"};
        QTest::newRow("existing block moves to the end")
            << QStringList {"field FAM", "TELE", "field ADR_D", "ADR_K"} << "fam"
            << QStringList {"TELE"} << QStringList {"field ADR_D", "ADR_K", "field fam", "TELE"};
        QTest::newRow("empty lines leave only the header") << QStringList {"field FAM", "TELE",
            "тел. %s"} << "FAM" << QStringList {} << QStringList {"field FAM"};
        QTest::newRow("format not first is split like a line")
            << QStringList {} << "FAM" << QStringList {"TELE", "format x %s"}
            << QStringList {"field FAM", "TELE", "format", "x %s"};
    }
    void setColumnLinesWritesTheTextForm()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, field);
        QFETCH(QStringList, lines);
        Bind();
        FGrid->SetLineFields(before);
        FGrid->SetColumnLines(field, lines);
        QTEST(FGrid->LineFields(), "after");
    }

    void columnLinesRoundTrip()
    {
        Bind();
        FGrid->SetLineFields(ExampleLines);
        QStringList lines;
        QVERIFY(FGrid->GetColumnLines(QStringLiteral("FAM"), lines));
        FGrid->SetColumnLines(QStringLiteral("FAM"), lines);
        QCOMPARE(FGrid->LineFields(), ExampleLines);
    }

    void popupMenuRules()
    {
        QCOMPARE(FGrid->PopupMenu(), nullptr);
        FGrid->FinishLoading();
        QMenu *own = FGrid->PopupMenu();
        QVERIFY(own);
        QCOMPARE(FGrid->DefaultPopupMenu(), own);
        QPointer<QMenu> ownGuard(own);
        // The application's menu replaces the grid's own, which is destroyed.
        auto appMenu = std::make_unique<QMenu>();
        FGrid->SetPopupMenu(appMenu.get());
        QCOMPARE(FGrid->PopupMenu(), appMenu.get());
        QVERIFY(ownGuard.isNull());
        QCOMPARE(FGrid->DefaultPopupMenu(), nullptr);
        // None brings a fresh menu of the grid's own.
        FGrid->SetPopupMenu(nullptr);
        QVERIFY(FGrid->PopupMenu());
        QVERIFY(FGrid->PopupMenu() != appMenu.get());
        QCOMPARE(FGrid->DefaultPopupMenu(), FGrid->PopupMenu());
        // Assigning the grid's own menu again keeps it.
        QMenu *fresh = FGrid->PopupMenu();
        FGrid->SetPopupMenu(fresh);
        QCOMPARE(FGrid->DefaultPopupMenu(), fresh);
        // An application menu destroyed while in use leaves the grid without a dangling one.
        FGrid->SetPopupMenu(appMenu.get());
        appMenu.reset();
        QCOMPARE(FGrid->PopupMenu(), nullptr);
    }

    void showingTheGridFinishesLoading()
    {
        QVERIFY(FGrid->IsLoading());
        FGrid->show();
        QVERIFY(!FGrid->IsLoading());
        QVERIFY(FGrid->PopupMenu());
    }

    void glyphsDefaultToClassicBoxes_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::newRow("unchecked") << false;
        QTest::newRow("checked") << true;
    }
    void glyphsDefaultToClassicBoxes()
    {
        QFETCH(bool, checked);
        const QImage glyph = checked ? FGrid->GlyphChecked() : FGrid->GlyphUnChecked();
        QCOMPARE(glyph.size(), QSize(13, 13));
        QCOMPARE(glyph.pixelColor(6, 2), QColor(Qt::white)); // inside, above any tick
        QCOMPARE(glyph.pixelColor(0, 0), QColor(128, 128, 128)); // sunken frame
        QCOMPARE(glyph.pixelColor(12, 12), QColor(Qt::white));
        QCOMPARE(glyph.pixelColor(5, 8), checked ? QColor(Qt::black) : QColor(Qt::white));
        // A glyph of the application's replaces it; none brings the default back.
        QImage custom(9, 9, QImage::Format_RGB32);
        custom.fill(Qt::red);
        if (checked)
            FGrid->SetGlyphChecked(custom);
        else
            FGrid->SetGlyphUnChecked(custom);
        QCOMPARE((checked ? FGrid->GlyphChecked() : FGrid->GlyphUnChecked()), custom);
        custom.fill(Qt::blue); // the grid holds a copy
        QCOMPARE((checked ? FGrid->GlyphChecked() : FGrid->GlyphUnChecked()).pixelColor(0, 0),
            QColor(Qt::red));
        if (checked)
            FGrid->SetGlyphChecked(QImage());
        else
            FGrid->SetGlyphUnChecked(QImage());
        QCOMPARE((checked ? FGrid->GlyphChecked() : FGrid->GlyphUnChecked()), glyph);
    }

    void sharedBitmapLivesAsLongAsAGrid()
    {
        const int before = TmmDBGrid::GridCount();
        QVERIFY(TmmDBGrid::SharedTextBitmap());
        {
            TmmDBGrid other;
            QCOMPARE(TmmDBGrid::GridCount(), before + 1);
        }
        QCOMPARE(TmmDBGrid::GridCount(), before);
        FGrid.reset();
        QCOMPARE(TmmDBGrid::GridCount(), before - 1);
        if (TmmDBGrid::GridCount() == 0)
            QCOMPARE(TmmDBGrid::SharedTextBitmap(), nullptr);
    }

    void grabShowsTitlesIndicatorAndData()
    {
        Bind(30);
        FGrid->Columns().Items(0)->Title().SetCaption(QStringLiteral("Абонент"));
        FGrid->Columns().Items(0)->Title().SetAlignment(TAlignment::taCenter);
        FGrid->Columns().Items(1)->Title().SetCaption(QStringLiteral("Телефон"));
        FGrid->Columns().Items(2)->SetVisible(false);
        FGrid->Columns().Items(3)->SetColor(Colors::clYellow);
        FGrid->SetStriped(false); // stripes would cover the column colour
        FGrid->show();
        QVERIFY(QTest::qWaitForWindowExposed(FGrid.get()));
        FData->MoveTo(2);
        const QImage image = FGrid->grab().toImage();
        const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("tst_mmdbgrid.png"));
        image.save(path);
        qInfo("grid picture: %s", qPrintable(path));
        // The title cell of the first column is in the fixed colour.
        const QRect title = FGrid->CellRect(1, 0);
        QCOMPARE(image.pixelColor(title.left() + 2, title.bottom() - 2),
            ToQColor(Colors::clBtnFace, FGrid->palette()));
        // The indicator's arrow points at the current record's row only.
        auto dark = [&](const QRect &cell) {
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left() + 1; x < cell.right(); ++x)
                    if (image.pixelColor(x, y).lightness() < 60)
                        return true;
            return false;
        };
        QVERIFY(dark(FGrid->CellRect(0, FGrid->RowOfRecord(2)).adjusted(1, 1, -1, -1)));
        QVERIFY(!dark(FGrid->CellRect(0, FGrid->RowOfRecord(3)).adjusted(1, 1, -1, -1)));
        // A column colour set by the application fills its cells.
        const QRect flat = FGrid->CellRect(4, FGrid->RowOfRecord(5));
        QCOMPARE(image.pixelColor(flat.left() + 1, flat.bottom() - 1), QColor(Qt::yellow));
    }
};

QTEST_MAIN(TestMmDBGrid)
#include "tst_mmdbgrid.moc"
