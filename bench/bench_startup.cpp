// Program start-up to a painted window, as a user starts it: the real phonebook in its own
// process on the bundled sample Data folder, with the town's subscriber table replaced by a
// generated one of 1,000,000 (and 5,000,000) subscribers; 0 keeps the bundled table, for the
// cost of start-up itself. Reported: wall time from spawning the process to its exit right after
// the first paint (mean and median), and its peak memory. Goal at 1M rows: <= 250 ms.
#include "bench/BenchProcess.h"
#include "bench/TownGenerator.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <vector>

namespace {

// Copies every file below from into to, keeping the folders.
bool CopyTree(const QString &from, const QString &to)
{
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(source));
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source, target))
            return false;
    }
    return true;
}

// The sample Data folder beside the program, its town table replaced by a generated one of
// this many subscribers (0: kept); empty when it cannot be made.
QString DataFolderOf(int subscribers)
{
    static QTemporaryDir root;
    static std::map<int, QString> folders;
    if (const auto found = folders.find(subscribers); found != folders.end())
        return found->second;
    const QString townTable = QStringLiteral("Gorod/kvtel_1.DB");
    const QString sample = QString::fromStdString(ProgramPath("Data"));
    const QString folder = root.filePath(QString::number(subscribers));
    bool made = QFileInfo::exists(QDir(sample).filePath(townTable)) && CopyTree(sample, folder);
    if (made && subscribers > 0) {
        const QString generated = root.filePath(QStringLiteral("town%1").arg(subscribers));
        GenerateTown(generated, subscribers, 2'000);
        const QString table = QDir(folder).filePath(townTable);
        made = QFile::remove(table)
            && QFile::copy(QDir(generated).filePath(QStringLiteral("kvtel_1.DB")), table);
        QDir(generated).removeRecursively();
    }
    return folders[subscribers] = made ? folder : QString();
}

void BM_StartupToWindow(benchmark::State &state)
{
    const QString data = DataFolderOf(int(state.range(0)));
    if (data.isEmpty()) {
        state.SkipWithError("the sample Data folder beside the program is missing");
        return;
    }
    // Settings of its own, so that the user's (or an earlier run's) change nothing.
    const QTemporaryDir home;
    const std::string config = home.filePath(QStringLiteral("config")).toStdString();
    const std::string runtime = home.path().toStdString();
    const std::vector<std::string> settings {
        "QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config, "XDG_RUNTIME_DIR=" + runtime};
    double peak = 0;
    std::vector<double> seconds;
    for (auto _ : state) {
        const ProcessRun run = RunProcess(
            {ProgramPath("phonebook"), "--data", data.toStdString(), "--quit-after-paint"}, {},
            settings);
        if (run.ExitCode != 0) {
            state.SkipWithError("the program failed to start");
            return;
        }
        state.SetIterationTime(run.Seconds);
        seconds.push_back(run.Seconds);
        peak = std::max(peak, run.PeakBytes);
    }
    // The machine may be busy with other work: the median says more than the mean.
    std::nth_element(seconds.begin(), seconds.begin() + long(seconds.size() / 2), seconds.end());
    state.counters["median_ms"] = seconds[seconds.size() / 2] * 1e3;
    const QFileInfo table(QDir(data).filePath(QStringLiteral("Gorod/kvtel_1.DB")));
    state.counters["table_MB"] = double(table.size()) / 1e6;
    state.counters["peak_MB"] = peak / 1e6;
}

} // namespace

BENCHMARK(BM_StartupToWindow)
    ->Arg(0)
    ->Arg(1'000'000)
    ->Arg(5'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(7);

BENCHMARK_MAIN();
