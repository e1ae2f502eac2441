// Conditional formatting while the result grid repaints: ten conditions, five of them formulas
// over the row's fields, applied to every cell of a full viewport of 630 × 291 pixels (five
// columns, rows of 18 pixels under an 18-pixel title row) over 200,000 records. The goal is a
// full viewport in under 16 ms.
#include "bench/BenchConditions.h"
#include "bench/BenchRows.h"
#include "calc/xCalc.h"
#include "conditions/ConditionMatcher.h"
#include "db/dataset/TDatabase.h"
#include "db/paradox/TRecordSet.h"

#include <QDate>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int Records = 200'000;
constexpr int ViewportHeight = 291;
constexpr int RowHeight = 18;
constexpr int TitleHeight = 18;
// Every row at least partly visible is painted.
constexpr int VisibleRows = (ViewportHeight - TitleHeight + RowHeight - 1) / RowHeight;

const char *const Names[] = {"Иванов", "Петрова", "Сидоров", "Ёлкин", "Кузнецова", "Смирнов",
    "Борисова", "Щукин", "Жуков", "Кириллова", "Лебедев", "Морозова"};
const char *const Streets[] = {"Банная", "Вишнёвая", "Садовая", "Дачная", "Гоголя", "Ленина",
    "Абрикосовая", "Юбилейная", "Щорса", "Ёлочная"};

std::shared_ptr<TRecordSet> MakeRows()
{
    auto rows = std::make_shared<TRecordSet>();
    rows->AddColumn(QStringLiteral("ID"), TFieldType::ftAutoInc);
    rows->AddColumn(QStringLiteral("NAME"), TFieldType::ftString, 30);
    rows->AddColumn(QStringLiteral("STREET"), TFieldType::ftString, 40);
    rows->AddColumn(QStringLiteral("PRICE"), TFieldType::ftFloat);
    rows->AddColumn(QStringLiteral("QTY"), TFieldType::ftInteger);
    rows->AddColumn(QStringLiteral("TOTAL"), TFieldType::ftCurrency);
    rows->AddColumn(QStringLiteral("DAY"), TFieldType::ftDate);
    rows->Reserve(Records);
    Sequence random;
    const qint64 today = QDate::currentDate().toJulianDay();
    for (int i = 0; i < Records; ++i) {
        const std::string name = Names[random.Next(std::size(Names))];
        const std::string street = Streets[random.Next(std::size(Streets))];
        const double price = random.Next(10000) / 100.0;
        const int qty = int(random.Next(100));
        rows->AppendInt(0, i + 1);
        rows->AppendText(1, name);
        rows->AppendText(2, street);
        rows->AppendFloat(3, price);
        rows->AppendInt(4, qty);
        rows->AppendFloat(5, random.Next(4) == 0 ? price * qty : price * qty + 1);
        rows->AppendInt(6, today - random.Next(30));
        rows->EndRow();
    }
    return rows;
}

struct Grid
{
    QTemporaryDir Folder;
    TDatabase Database;
    MemoryDataSet DataSet;
    TExList<TCondition> Conditions;
    TxFoCal Calculator;
    TConditionMatcher Matcher;
    const QStringList Columns {QStringLiteral("NAME"), QStringLiteral("STREET"),
        QStringLiteral("PRICE"), QStringLiteral("QTY"), QStringLiteral("TOTAL")};

    Grid()
    {
        Database.SetDatabaseName(QStringLiteral("BenchConditions"));
        Database.SetParams({QStringLiteral("PATH=") + Folder.path()});
        Database.Open();
        DataSet.SetDatabaseName(QStringLiteral("BenchConditions"));
        DataSet.Rows = MakeRows();
        DataSet.Open();

        using Op = TConditionOperation;
        // Formulas over the row's fields.
        Add(QStringLiteral("TOTAL"), Op::coEqual, QStringLiteral("PRICE*QTY"), {},
            {QStringLiteral("TOTAL"), QStringLiteral("PRICE")}, true);
        Add(QStringLiteral("PRICE"), Op::coGreater, QStringLiteral("QTY*10"), {},
            {QStringLiteral("PRICE")}, true);
        Add(QStringLiteral("QTY"), Op::coBetween, QStringLiteral("ID MOD 7"),
            QStringLiteral("ID MOD 7 + 50"), {QStringLiteral("QTY"), QStringLiteral("NAME")}, true);
        Add(QStringLiteral("TOTAL"), Op::coGreater, QStringLiteral("ROUND(PRICE*QTY/2)+dd"), {},
            {QStringLiteral("TOTAL"), QStringLiteral("STREET")}, true);
        Add(QStringLiteral("PRICE"), Op::coOutside, QStringLiteral("QTY"),
            QStringLiteral("QTY*100"), Columns, true);
        // Plain operands, as text, numbers and today's date.
        Add(QStringLiteral("NAME"), Op::coContains, QStringLiteral("ова"), {},
            {QStringLiteral("NAME")}, false);
        Add(QStringLiteral("STREET"), Op::coBetween, QStringLiteral("Б"), QStringLiteral("Г"),
            {QStringLiteral("STREET"), QStringLiteral("NAME")}, false);
        Add(QStringLiteral("QTY"), Op::coGreaterOrEqual, QStringLiteral("50"), {},
            {QStringLiteral("QTY"), QStringLiteral("PRICE")}, false);
        Add(QStringLiteral("DAY"), Op::coEqual, QStringLiteral("dd.mm.yyyy"), {}, Columns, false);
        TCondition &last = Add(QStringLiteral("NAME"), Op::coNotEqual, QStringLiteral("Иванов"), {},
            {QStringLiteral("NAME"), QStringLiteral("TOTAL")}, false);
        last.UseFont = true;
        last.Font.SetStyle(int(TFontStyle::fsBold));
        Matcher.PrepareConditions(Scope());
    }

    TCondition &Add(const QString &field, TConditionOperation op, const QString &v1,
        const QString &v2, const QStringList &showIn, bool formula)
    {
        return AddYellowCondition(Conditions, field, op, v1, v2, showIn, formula);
    }

    TConditionScope Scope() { return {&Conditions, &DataSet, &Calculator}; }

    // One repaint of the viewport with its top at the given record; sharePerPaint false asks
    // every cell afresh, as if nothing were kept between cells.
    int Paint(int top, bool sharePerPaint)
    {
        const TConditionScope scope = Scope();
        const TFont columnFont;
        int matched = 0;
        Matcher.BeginPaint();
        for (int r = 0; r < VisibleRows; ++r) {
            TActiveRecordGuard guard(&DataSet, top + r);
            for (const QString &column : Columns) {
                if (!sharePerPaint)
                    Matcher.BeginPaint();
                TCellStyle style {Colors::clWindow, columnFont};
                matched += Matcher.ApplyConditions(scope, column, r == 3, style) ? 1 : 0;
            }
        }
        return matched;
    }
};

Grid &TheGrid()
{
    static Grid grid;
    return grid;
}

void Repaint(benchmark::State &state, bool sharePerPaint)
{
    Grid &grid = TheGrid();
    int top = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(grid.Paint(top, sharePerPaint));
        // Scroll a page, so that every repaint meets new rows.
        top = (top + VisibleRows) % (Records - VisibleRows);
    }
    state.counters["cells"] = VisibleRows * int(grid.Columns.size());
}

void BM_FullViewport(benchmark::State &state)
{
    Repaint(state, true);
}
BENCHMARK(BM_FullViewport)->Unit(benchmark::kMillisecond);

void BM_FullViewportNothingShared(benchmark::State &state)
{
    Repaint(state, false);
}
BENCHMARK(BM_FullViewportNothingShared)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
