// The entry point of a benchmark that needs a QApplication: the offscreen
// platform unless one is set, then the registered benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>

namespace bench {

inline int RunQtBenchmarks(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qargc = 1;
    char* qargv[] = {argv[0], nullptr};
    QApplication app(qargc, qargv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
