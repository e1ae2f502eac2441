// Opening the town's subscriber table (1,000,000 records, file to record set) with the
// project's block reader and, for comparison, with pxlib's PX_get_record and PX_get_data_*.
// Goals: the whole table under 0.5 s; the loaded record set under 3x the file size.
#include "bench/BenchMemory.h"
#include "bench/TownGenerator.h"
#include "db/paradox/ParadoxCodePage.h"
#include "db/paradox/ParadoxReader.h"
#include "tests/support/ParadoxPxlib.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

constexpr int Subscribers = 1'000'000;
constexpr int Streets = 2'000;

QString TownTable()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        GenerateTown(folder.path(), Subscribers, Streets);
        return folder.filePath(QStringLiteral("kvtel_1.DB"));
    }();
    return path;
}

template <typename Reader> void Measure(benchmark::State &state, Reader read)
{
    const QString path = TownTable();
    const double fileSize = double(QFileInfo(path).size());
    double memory = 0, residentGrowth = 0;
    int rows = 0;
    for (auto _ : state) {
        const double before = ResidentBytes();
        std::unique_ptr<TRecordSet> set = read(path);
        residentGrowth = ResidentBytes() - before;
        rows = set->RowCount();
        memory = double(set->MemoryUsage());
        benchmark::DoNotOptimize(set.get());
    }
    state.counters["rows"] = rows;
    state.counters["file_MB"] = fileSize / 1e6;
    state.counters["recordset_MB"] = memory / 1e6;
    state.counters["recordset_per_file"] = memory / fileSize;
    state.counters["resident_growth_MB"] = residentGrowth / 1e6;
    state.counters["time_per_record"] = benchmark::Counter(
        double(rows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_OpenTownTable(benchmark::State &state)
{
    Measure(state, [](const QString &path) { return Paradox::ReadTable(path, 1251); });
}

void BM_OpenTownTablePxlib(benchmark::State &state)
{
    Measure(state, [](const QString &path) { return Paradox::ReadTableWithPxlib(path, 1251); });
}

// One 30-byte name decoded by a built-in table (1251) and by the platform's converter (1253),
// which tables in the rarer code pages go through.
void BM_DecodeName(benchmark::State &state)
{
    const Paradox::CodePage *page = Paradox::CodePage::Find(int(state.range(0)));
    const std::string bytes(30, '\xC1');
    std::string out;
    for (auto _ : state) {
        out.clear();
        page->Decode(bytes, out);
        benchmark::DoNotOptimize(out.data());
    }
}

} // namespace

BENCHMARK(BM_DecodeName)->Arg(1251)->Arg(1253);
BENCHMARK(BM_OpenTownTable)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenTownTablePxlib)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
