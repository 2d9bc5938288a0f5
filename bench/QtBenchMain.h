#pragma once
// The main of a benchmark that needs Qt's widgets: an offscreen application (unless the
// environment chooses a platform), then the benchmarks; `setUp` runs before any timing and
// `tearDown` after the last benchmark, both inside the application's lifetime.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <functional>

inline int runQtBenchmarks(int argc, char **argv, const std::function<void()> &setUp = {},
                           const std::function<void()> &tearDown = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (setUp)
        setUp();
    benchmark::RunSpecifiedBenchmarks();
    if (tearDown)
        tearDown();
    benchmark::Shutdown();
    return 0;
}
