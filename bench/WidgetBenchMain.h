#pragma once

// The main function of benchmarks that need widgets: an offscreen application around the run,
// and a last word before the widgets go, which must happen before the application does.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <functional>

inline int RunWidgetBenchmarks(int argc, char **argv, const std::function<void()> &beforeExit)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    beforeExit();
    return 0;
}
