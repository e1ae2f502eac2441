// The formula calculator on an 8 MB formula, once flat and once with its body nested in as many
// groups as the calculator allows. Goals: the nested formula about as fast as the flat one, and
// the memory either needs a small multiple of the text, whatever the depth.
#include "bench/BenchMemory.h"
#include "calc/xCalc.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr qsizetype FormulaBytes = 8 * 1024 * 1024;

// "1+1+...+1" of about FormulaBytes characters, inside depth groups: "1+(1+(...)...)".
QString Formula(int depth)
{
    const qsizetype terms = (FormulaBytes - 3 * depth) / 2;
    QString text;
    text.reserve(FormulaBytes);
    for (int level = 0; level < depth; ++level)
        text += QStringLiteral("1+(");
    text += QStringLiteral("1");
    for (qsizetype i = 1; i < terms; ++i)
        text += QStringLiteral("+1");
    text += QString(depth, u')');
    return text;
}

// Lets the next getrusage report the peak from now on rather than the process's peak so far.
// Large blocks are then always mapped and unmapped, so a block freed by an earlier benchmark and
// kept by the allocator does not hide this one's memory.
void ResetPeakResident()
{
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    if (FILE *f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

double PeakResidentBytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024.0;
}

void Evaluate(benchmark::State &state, int depth)
{
    const QString text = Formula(depth);
    const double expected = double(text.count(u'1'));
    TxFoCal calc;
    ResetPeakResident();
    const double before = ResidentBytes();
    for (auto _ : state) {
        const double value = calc.Evaluate(text);
        if (value != expected)
            state.SkipWithError("wrong value");
        benchmark::DoNotOptimize(value);
    }
    const double textBytes = double(text.size()) * sizeof(QChar);
    const double growth = PeakResidentBytes() - before;
    state.counters["depth"] = depth;
    state.counters["text_MB"] = textBytes / 1e6;
    state.counters["peak_growth_MB"] = growth / 1e6;
    state.counters["peak_growth_per_text"] = growth / textBytes;
}

void BM_FlatFormula(benchmark::State &state)
{
    Evaluate(state, 0);
}
BENCHMARK(BM_FlatFormula)->Unit(benchmark::kMillisecond);

// The top level and every group are one level each.
void BM_DeeplyNestedFormula(benchmark::State &state)
{
    Evaluate(state, TxCustomFoCal::MaxNestingDepth);
}
BENCHMARK(BM_DeeplyNestedFormula)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
