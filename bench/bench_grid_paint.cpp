// Repainting the result grid: a full viewport of 630 × 291 pixels over a million subscribers,
// rendered off screen. Striped rows, a check-box column and three-line detail rows: the goal is
// under 8 ms a viewport; the same with ten conditions, five of them formulas over the row's
// fields, under 16 ms.
#include "bench/BenchConditions.h"
#include "bench/BenchRows.h"
#include "bench/WidgetBenchMain.h"
#include "conditions/mmDBGridCondition.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TDatabase.h"
#include "db/paradox/TRecordSet.h"
#include "grid/mmDBGrid.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int Records = 1'000'000;
constexpr int ViewportWidth = 630;
constexpr int ViewportHeight = 291;

const char *const Names[] = {"Иванов И.И.", "Петрова А.С.", "Сидоров В.В.", "Ёлкин П.Р.",
    "Кузнецова Н.Н.", "Смирнов К.К.", "Борисова Е.А.", "Щукин Д.Д.", "Жуков Г.К.", "Кириллова О.О.",
    "Лебедев М.Ю.", "Морозова Т.Т."};
const char *const Streets[] = {"Банная", "Вишнёвая", "Садовая", "Дачная", "Гоголя", "Ленина",
    "Абрикосовая", "Юбилейная", "Щорса", "Ёлочная"};

// Subscribers as the town has them, with a price and a quantity for the formulas.
std::shared_ptr<TRecordSet> MakeRows()
{
    auto rows = std::make_shared<TRecordSet>();
    rows->AddColumn(QStringLiteral("FAM"), TFieldType::ftString, 30);
    rows->AddColumn(QStringLiteral("TELE"), TFieldType::ftString, 8);
    rows->AddColumn(QStringLiteral("STREET"), TFieldType::ftString, 40);
    rows->AddColumn(QStringLiteral("ADR_D"), TFieldType::ftString, 6);
    rows->AddColumn(QStringLiteral("K_Y"), TFieldType::ftInteger);
    rows->AddColumn(QStringLiteral("PRICE"), TFieldType::ftFloat);
    rows->AddColumn(QStringLiteral("QTY"), TFieldType::ftInteger);
    rows->AddColumn(QStringLiteral("TOTAL"), TFieldType::ftCurrency);
    rows->Reserve(Records);
    Sequence random;
    for (int i = 0; i < Records; ++i) {
        const double price = random.Next(10000) / 100.0;
        const int qty = int(random.Next(100));
        rows->AppendText(0, Names[random.Next(std::size(Names))]);
        rows->AppendText(1, std::to_string(2000000 + i));
        rows->AppendText(2, Streets[random.Next(std::size(Streets))]);
        rows->AppendText(3, std::to_string(1 + random.Next(120)));
        rows->AppendInt(4, 1 + int(random.Next(300)));
        rows->AppendFloat(5, price);
        rows->AppendInt(6, qty);
        rows->AppendFloat(7, random.Next(4) == 0 ? price * qty : price * qty + 1);
        rows->EndRow();
    }
    return rows;
}

struct Grid
{
    QTemporaryDir Folder;
    TDatabase Database;
    MemoryDataSet DataSet;
    TDataSource Source;
    TmmDBGrid View;
    QImage Image {ViewportWidth, ViewportHeight, QImage::Format_RGB32};

    Grid()
    {
        Database.SetDatabaseName(QStringLiteral("BenchGridPaint"));
        Database.SetParams({QStringLiteral("PATH=") + Folder.path()});
        Database.Open();
        DataSet.SetDatabaseName(QStringLiteral("BenchGridPaint"));
        DataSet.Rows = MakeRows();
        DataSet.Open();
        Source.SetDataSet(&DataSet);

        View.SetCheckFields({QStringLiteral("TELE"), QStringLiteral("FAM")});
        View.SetShowCheckBoxes(true);
        View.SetLineFields({QStringLiteral("field FAM"), QStringLiteral("format Абонент: %s"),
            QStringLiteral("STREET"), QStringLiteral("ADR_D"), QStringLiteral("д. %s"),
            QStringLiteral("field TELE"), QStringLiteral("K_Y"), QStringLiteral("код %s")});
        View.SetShowLines(true);
        View.SetDataSource(&Source);
        View.show();
        // The viewport gets exactly the measured size.
        View.resize(ViewportWidth, ViewportHeight);
        const QSize frame = View.size() - View.viewport()->size();
        View.resize(QSize(ViewportWidth, ViewportHeight) + frame);
        QApplication::processEvents();
        // A few thousand checked records, spread over the table.
        TCheckField *check = View.FindCheckField(QStringLiteral("FAM"));
        for (int i = 0; i < Records; i += 250)
            check->CheckedValues.append(QString::number(2000000 + i));
        check->CheckedValues.append(QString::number(2000001));
        AddConditions();
    }

    TCondition &Add(const QString &field, TConditionOperation op, const QString &v1,
        const QString &v2, const QStringList &showIn, bool formula)
    {
        return AddYellowCondition(View.Conditions(), field, op, v1, v2, showIn, formula);
    }

    void AddConditions()
    {
        using Op = TConditionOperation;
        const QStringList all {QStringLiteral("FAM"), QStringLiteral("TELE"),
            QStringLiteral("STREET"), QStringLiteral("ADR_D"), QStringLiteral("K_Y"),
            QStringLiteral("PRICE"), QStringLiteral("QTY"), QStringLiteral("TOTAL")};
        // Formulas over the row's fields.
        Add(QStringLiteral("TOTAL"), Op::coEqual, QStringLiteral("PRICE*QTY"), {},
            {QStringLiteral("TOTAL"), QStringLiteral("FAM")}, true);
        Add(QStringLiteral("PRICE"), Op::coGreater, QStringLiteral("QTY*10"), {},
            {QStringLiteral("PRICE"), QStringLiteral("TELE")}, true);
        Add(QStringLiteral("QTY"), Op::coBetween, QStringLiteral("K_Y MOD 7"),
            QStringLiteral("K_Y MOD 7 + 50"), {QStringLiteral("QTY"), QStringLiteral("STREET")},
            true);
        Add(QStringLiteral("TOTAL"), Op::coGreater, QStringLiteral("ROUND(PRICE*QTY/2)+dd"), {},
            {QStringLiteral("TOTAL"), QStringLiteral("ADR_D")}, true);
        Add(QStringLiteral("PRICE"), Op::coOutside, QStringLiteral("QTY"),
            QStringLiteral("QTY*100"), all, true);
        // Plain operands: texts and numbers.
        Add(QStringLiteral("FAM"), Op::coContains, QStringLiteral("ова"), {},
            {QStringLiteral("FAM")}, false);
        Add(QStringLiteral("STREET"), Op::coBetween, QStringLiteral("Б"), QStringLiteral("Г"),
            {QStringLiteral("STREET"), QStringLiteral("FAM")}, false);
        Add(QStringLiteral("QTY"), Op::coGreaterOrEqual, QStringLiteral("50"), {},
            {QStringLiteral("QTY"), QStringLiteral("K_Y")}, false);
        Add(QStringLiteral("ADR_D"), Op::coEqual, QStringLiteral("7"), {}, all, false);
        TCondition &last = Add(QStringLiteral("FAM"), Op::coNotEqual, QStringLiteral("Иванов И.И."),
            {}, {QStringLiteral("FAM"), QStringLiteral("TELE")}, false);
        last.UseFont = true;
        last.Font.SetStyle(int(TFontStyle::fsBold));
        View.PrepareConditions();
    }

    int RowsPerPage() const { return std::max(1, View.VisibleRowCount()); }

    // Scrolls to a record and renders the whole viewport.
    void Paint(int top)
    {
        View.verticalScrollBar()->setValue(top);
        View.viewport()->render(&Image);
    }
};

// Made on first use and gone before the application object.
std::unique_ptr<Grid> TheGridInstance;

Grid &TheGrid()
{
    if (!TheGridInstance)
        TheGridInstance = std::make_unique<Grid>();
    return *TheGridInstance;
}

void Repaint(benchmark::State &state, bool conditions, bool detailRows = true)
{
    Grid &grid = TheGrid();
    grid.View.SetConditionalFormatting(conditions);
    grid.View.SetShowLines(detailRows);
    QApplication::processEvents();
    const int page = grid.RowsPerPage();
    int top = Records / 3;
    for (auto _ : state) {
        grid.Paint(top);
        benchmark::DoNotOptimize(grid.Image.constBits());
        // A page further on, so that every repaint meets new rows.
        top = (top + page) % (Records - page);
    }
    state.counters["rows"] = grid.View.RowCount() - grid.View.TitleOffset();
    state.counters["columns"] = grid.View.Columns().Count();
}

void BM_FullViewport(benchmark::State &state)
{
    Repaint(state, false);
}
BENCHMARK(BM_FullViewport)->Unit(benchmark::kMillisecond);

void BM_FullViewportTenConditions(benchmark::State &state)
{
    Repaint(state, true);
}
BENCHMARK(BM_FullViewportTenConditions)->Unit(benchmark::kMillisecond);

// One line a row: more rows, so more cells, on the same viewport.
void BM_FullViewportOneLineTenConditions(benchmark::State &state)
{
    Repaint(state, true, false);
}
BENCHMARK(BM_FullViewportOneLineTenConditions)->Unit(benchmark::kMillisecond);

// Binding a million rows to a new grid and showing the first page: nothing may be done per row.
void BM_BindAndFirstPaint(benchmark::State &state)
{
    Grid &grid = TheGrid();
    QImage image(ViewportWidth, ViewportHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        TmmDBGrid view;
        view.resize(grid.View.size());
        view.SetDataSource(&grid.Source);
        view.show();
        QApplication::processEvents();
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
        view.SetDataSource(nullptr);
    }
    state.counters["records"] = grid.DataSet.RecordCount();
}
BENCHMARK(BM_BindAndFirstPaint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunWidgetBenchmarks(argc, argv, [] {
        if (qEnvironmentVariableIsSet("BENCH_GRID_PICTURE") && TheGridInstance)
            TheGridInstance->Image.save(qEnvironmentVariable("BENCH_GRID_PICTURE"));
        TheGridInstance.reset();
    });
}
