// Sorting the result grid by a title: a double-click on the TELE title of the main window's city
// query over a street of 100,000 subscribers rewrites the ORDER BY, reopens the query and paints
// the grid. The goal is the whole of it under 0.5 s.
#include "bench/TownGenerator.h"
#include "bench/WidgetBenchMain.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TDatabase.h"
#include "db/dataset/TQuery.h"
#include "grid/mmDBGrid.h"
#include "grid/mmDBGridSortText.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int Subscribers = 100'000;

const QStringList CityLines {QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K"),
    QStringLiteral("FROM \"KVTEL_1.DB\" "), QStringLiteral("WHERE(K_Y = :str)"),
    QStringLiteral("ORDER BY FAM, TELE, K_Y, ADR_D, ADR_K")};

// The main window's grid over the city query; the whole town lives on street 1.
struct TCityGrid
{
    QTemporaryDir Folder;
    TDatabase Database;
    TQuery Query;
    TDataSource Source;
    QWidget Window;
    TmmDBGrid *Grid;
    QImage Image {630, 291, QImage::Format_RGB32};

    TCityGrid()
    {
        GenerateTown(Folder.path(), Subscribers, 1);
        Database.SetDatabaseName(QStringLiteral("BenchGridSort"));
        Database.AddParam(QStringLiteral("PATH=") + Folder.path());
        Database.AddParam(QStringLiteral("DEFAULT DRIVER=PARADOX"));
        Database.Open();
        Query.SetDatabaseName(Database.DatabaseName());
        Query.SetSQL(CityLines);
        Query.ParamByName(QStringLiteral("str")).SetAsInteger(1);
        Query.Open();
        Source.SetDataSet(&Query);
        Window.resize(640, 360);
        Grid = new TmmDBGrid(&Window);
        Grid->setGeometry(1, 55, 630, 291);
        Grid->SetUseSorting(true);
        Grid->SetDataSource(&Source);
        Window.show();
        QApplication::processEvents();
        Paint();
    }

    void Paint() { Grid->render(&Image); }

    void Send(QEvent::Type type, Qt::MouseButton button, const QPoint &at)
    {
        QWidget *port = Grid->horizontalHeader()->viewport();
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, port->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(port, &event);
    }

    // Press, release, double-click press, release on the middle of the TELE title.
    void DoubleClickTele()
    {
        const QHeaderView *header = Grid->horizontalHeader();
        const QPoint at(
            header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2);
        Send(QEvent::MouseMove, Qt::NoButton, at);
        Send(QEvent::MouseButtonPress, Qt::LeftButton, at);
        Send(QEvent::MouseButtonRelease, Qt::LeftButton, at);
        Send(QEvent::MouseButtonDblClick, Qt::LeftButton, at);
        Send(QEvent::MouseButtonRelease, Qt::LeftButton, at);
    }
};

// Widgets must go before the application object does.
std::unique_ptr<TCityGrid> TheCity;

TCityGrid &City()
{
    if (!TheCity)
        TheCity = std::make_unique<TCityGrid>();
    return *TheCity;
}

// The whole sort as the user sees it: the double-click, the rewrite, the reopened query of
// 100,000 rows and the first paint of the grid. The cycle goes through all three rewrites.
void BM_SortByTitle(benchmark::State &state)
{
    TCityGrid &city = City();
    for (auto _ : state) {
        const QStringList before = city.Query.SQL();
        city.DoubleClickTele();
        city.Paint();
        if (city.Query.SQL() == before || !city.Query.Active()) {
            state.SkipWithError("the double-click did not sort");
            break;
        }
    }
    state.counters["rows"] = city.Query.RecordCount();
}
BENCHMARK(BM_SortByTitle)->Unit(benchmark::kMillisecond);

// Its parts: the text rewrite alone,
void BM_RewriteOnly(benchmark::State &state)
{
    const QString text = SortText::JoinQueryLines(CityLines);
    for (auto _ : state)
        benchmark::DoNotOptimize(SortText::SortBy(text, QStringLiteral("TELE"), false));
}
BENCHMARK(BM_RewriteOnly)->Unit(benchmark::kMicrosecond);

// closing and reopening the query under the grid (the columns rebuilt twice),
void BM_ReopenOnly(benchmark::State &state)
{
    TCityGrid &city = City();
    for (auto _ : state) {
        city.Query.Close();
        city.Query.Open();
    }
}
BENCHMARK(BM_ReopenOnly)->Unit(benchmark::kMillisecond);

// the same query, with the same ORDER BY, and no grid watching (what the engine itself takes),
void BM_ReopenWithoutGrid(benchmark::State &state)
{
    TCityGrid &city = City();
    TQuery query;
    query.SetDatabaseName(city.Database.DatabaseName());
    query.SetSQL(city.Query.SQL());
    query.ParamByName(QStringLiteral("str")).SetAsInteger(1);
    for (auto _ : state) {
        query.Open();
        query.Close();
    }
}
BENCHMARK(BM_ReopenWithoutGrid)->Unit(benchmark::kMillisecond);

// and painting the grid.
void BM_PaintOnly(benchmark::State &state)
{
    TCityGrid &city = City();
    for (auto _ : state)
        city.Paint();
}
BENCHMARK(BM_PaintOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunWidgetBenchmarks(argc, argv, [] { TheCity.reset(); });
}
