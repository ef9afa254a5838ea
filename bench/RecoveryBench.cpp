// One recovery copy of a 200,000-face development (2,000 parts of 100 faces): how long the GUI thread is
// blocked, and how long the copy takes to reach the disk. KeepInChild is what the window runs (the child
// process makes and writes the bytes); Keep, which makes the bytes on the calling thread, is there to
// compare. Target: the GUI thread blocked at most 20 ms, in the worst of the runs.
#include "bench/HugePageBenchmarkMain.h"
#include "model/RecoveryCopies.h"
#include "model/RecoveryKeeper.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

using namespace tsm;

namespace {

constexpr int kParts = 2000;

const Document& LargeDevelopment() {
    static const std::unique_ptr<Document> document = [] {
        auto made = std::make_unique<Document>();
        const MeshData grid = Grid(10, 10, 5);
        for (int i = 0; i < kParts; ++i)
            AddSolid(*made, "Sheet " + std::to_string(i), grid.vertices, grid.faces);
        FixtureUnfoldOptions options;
        options.rowWidthMM = 4400;
        UnfoldForFixture(*made, {}, options);
        made->modified = true;
        return made;
    }();
    return *document;
}

std::string CopyFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-recovery-bench-XXXXXX").string();
    return ::mkdtemp(pattern.data()) ? pattern + "/recovery" : std::string("/tmp/tessaly-recovery-bench");
}

using Clock = std::chrono::steady_clock;

// This thread's processor time in ms: the blocked time without the waits a busy machine adds.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double ResidentMB() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// `inChild`: the window's way; otherwise the bytes are made on this thread.
void TimeOneCopy(benchmark::State& state, bool inChild) {
    const Document& document = LargeDevelopment();
    const std::string folder = CopyFolder();
    RecoveryKeeper keeper(folder);
    double blockedWorst = 0, blockedSum = 0, writtenSum = 0, cpuSum = 0;
    for (auto _ : state) {
        const double cpuBegin = ThreadCpuMs();
        const auto begin = Clock::now();
        if (inChild) {
            if (!keeper.KeepInChild(document, {"", 0, "bench", 0, ""}))
                state.SkipWithError("no child started");
        } else {
            keeper.Keep(document, {"", 0, "bench", 0, ""});
        }
        const auto blocked = Clock::now() - begin;
        cpuSum += ThreadCpuMs() - cpuBegin;
        if (!keeper.Wait().ok()) state.SkipWithError("the copy was not written");
        const auto written = Clock::now() - begin;
        state.SetIterationTime(std::chrono::duration<double>(blocked).count());
        blockedWorst = std::max(blockedWorst, Ms(blocked));
        blockedSum += Ms(blocked);
        writtenSum += Ms(written);
    }
    const double runs = double(state.iterations());
    state.counters["blocked_ms"] = blockedSum / runs;
    state.counters["blocked_worst_ms"] = blockedWorst;
    state.counters["blocked_cpu_ms"] = cpuSum / runs;
    state.counters["on_disk_ms"] = writtenSum / runs;
    state.counters["resident_MB"] = ResidentMB();
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    state.counters["huge_page_heap"] = tunables && std::strstr(tunables, "glibc.malloc.hugetlb=1") ? 1 : 0;
    state.counters["copy_MB"] = double(std::filesystem::file_size(keeper.CopyPath())) / 1e6;
    keeper.Forget();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder).parent_path(), ignored);
}

void BM_RecoveryCopyInChild(benchmark::State& state) {
    TimeOneCopy(state, true);
}
void BM_RecoveryCopyOnCallingThread(benchmark::State& state) {
    TimeOneCopy(state, false);
}

} // namespace

BENCHMARK(BM_RecoveryCopyInChild)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_RecoveryCopyOnCallingThread)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    return tsm::bench::RunBenchmarksInHugePages(argc, argv);
}
