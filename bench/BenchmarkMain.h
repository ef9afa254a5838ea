// What every benchmark program's main function ends with, once its process is set up.
#pragma once

#include <benchmark/benchmark.h>

namespace tsm::bench {

inline int RunAllBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace tsm::bench
