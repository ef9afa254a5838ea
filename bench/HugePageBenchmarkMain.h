// The main function of the benchmarks that hold large models: the heap in huge pages as the viewer and
// tsmtool have it (RestartWithHugePageHeap). Run with GLIBC_TUNABLES=glibc.malloc.hugetlb=0 to measure them
// in small pages.
#pragma once

#include "bench/BenchmarkMain.h"
#include "model/HugePageHeap.h"

namespace tsm::bench {

inline int RunBenchmarksInHugePages(int argc, char** argv) {
    RestartWithHugePageHeap(argv);
    return RunAllBenchmarks(argc, argv);
}

} // namespace tsm::bench
