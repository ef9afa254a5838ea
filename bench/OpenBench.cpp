// Opening a large binary model file (about 200,000 triangles in 2,000 parts, and 1,000,000 in 10,000): how
// its time compares with the raw cost of reading the file and inflating its compressed block, and how much
// memory the opened document holds per corner. The argument is the number of parts; run the large case
// on its own (--benchmark_filter=/10000) for its VmHWM.
//
// Targets: open <= 3 x raw cost, <= 300 bytes of heap per corner. The counters report both (best process
// CPU time of the runs, in ms), plus the peak heap during the open (which includes the file image the
// reader holds) and the process's VmHWM.
#include "bench/HugePageBenchmarkMain.h"
#include "engine/EngineCompletion.h"
#include "model/BinaryReader.h"
#include "model/BinaryWriter.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

// Heap accounting: every operator new and delete passes here, counting usable bytes. The benchmarks run
// on one thread, so plain counters keep the accounting from weighing on the timings.
namespace {
int64_t g_liveBytes = 0;
int64_t g_peakBytes = 0;
int64_t g_allocations = 0;

void* CountedAlloc(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    g_liveBytes += int64_t(malloc_usable_size(p));
    ++g_allocations;
    if (g_liveBytes > g_peakBytes) g_peakBytes = g_liveBytes;
    return p;
}

void CountedFree(void* p) {
    if (!p) return;
    g_liveBytes -= int64_t(malloc_usable_size(p));
    std::free(p);
}
} // namespace

void* operator new(size_t size) {
    return CountedAlloc(size);
}
void* operator new[](size_t size) {
    return CountedAlloc(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return CountedAlloc(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return CountedAlloc(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    CountedFree(p);
}
void operator delete[](void* p) noexcept {
    CountedFree(p);
}
void operator delete(void* p, size_t) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, size_t) noexcept {
    CountedFree(p);
}

using namespace tsm;

namespace {

// Process CPU time (user and system), so that other processes on a busy machine do not blur the ratio.
struct Clock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock, duration>;
    static time_point now() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return time_point(duration(int64_t(t.tv_sec) * 1000000000 + t.tv_nsec));
    }
};

constexpr int kSegments = 25; // 4 x 25 = 100 triangles per cylinder
constexpr int kTexturePixels = 256;

// The version suffix changes with the generated model, so that a cached file from an older build is not
// reused.
std::string DataPath(int solids) {
    return std::string(TESSALY_BENCH_DATA_DIR) + "/open_bench_" + std::to_string(solids / 10) + "k_v1.tsm";
}

// `solids` closed cylinders of 100 triangles each on a 3D grid, each its own part, sharing one textured
// material.
bool Generate(int solids, const std::string& path) {
    Document doc;
    AddMaterial(doc, "Checker", {1, 1, 1},
                MakeCheckerboard(kTexturePixels, kTexturePixels, 16, {0.9f, 0.9f, 0.9f}, {0.2f, 0.3f, 0.6f}));
    const MeshData cylinder = Cylinder(kSegments, 8, 20);
    for (int i = 0; i < solids; ++i) {
        const Vec3 offset{(i % 20) * 25.0, ((i / 20) % 10) * 25.0, (i / 200) * 30.0};
        const MeshData placed = Translated(cylinder, offset);
        Solid& solid = AddSolid(doc, "Cylinder-" + std::to_string(i + 1), placed.vertices, placed.faces, 0);
        AssignFaceUV(solid);
    }
    const std::vector<std::string> problems = UnfoldForFixture(doc);
    for (const auto& problem : problems) std::fprintf(stderr, "generator: %s\n", problem.c_str());
    if (!problems.empty()) return false;
    const Outcome written = WriteBinaryModel(doc, doc.display, path);
    if (!written.ok()) {
        std::fprintf(stderr, "generator: %s\n", written.reason().c_str());
        return false;
    }
    return true;
}

std::string BenchFile(int solids) {
    const std::string path = DataPath(solids);
    if (!std::filesystem::exists(path) && !Generate(solids, path)) {
        std::fprintf(stderr, "cannot generate %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

// One read into a buffer of the file's size, as the reader itself does.
std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return bytes;
    struct stat info;
    if (::fstat(fd, &info) == 0) {
        bytes.resize(size_t(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += size_t(n);
        }
        bytes.resize(done);
    }
    ::close(fd);
    return bytes;
}

// The texture block as the writer stores it: zlib's one-call compression of the pixels.
const std::string& CompressedTexture() {
    static const std::string blob = [] {
        const auto image =
            MakeCheckerboard(kTexturePixels, kTexturePixels, 16, {0.9f, 0.9f, 0.9f}, {0.2f, 0.3f, 0.6f});
        uLongf size = compressBound(uLong(image->pixels.size()));
        std::string out(size, '\0');
        compress(reinterpret_cast<Bytef*>(out.data()), &size, image->pixels.data(),
                 uLong(image->pixels.size()));
        out.resize(size);
        return out;
    }();
    return blob;
}

// The least any reader must do: bring the file into memory, touch every byte once and inflate the
// compressed block. Returns a checksum so that nothing is optimised away.
uLong RawPass(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    uLong sum = adler32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size()));
    const std::string& blob = CompressedTexture();
    std::string pixels(size_t(kTexturePixels) * kTexturePixels * 3, '\0');
    uLongf length = uLongf(pixels.size());
    uncompress(reinterpret_cast<Bytef*>(pixels.data()), &length, reinterpret_cast<const Bytef*>(blob.data()),
               uLong(blob.size()));
    return adler32(sum, reinterpret_cast<const Bytef*>(pixels.data()), uInt(length));
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

size_t CornerCount(const Document& doc) {
    size_t corners = 0;
    for (const auto& solid : doc.model->solids)
        for (const auto& face : solid->faces) corners += face->halfEdges.size();
    return corners;
}

int64_t VmHwmKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6);
    return 0;
}

struct OpenMeasure {
    double bestOpenSeconds = 1e300;
    double bestRawSeconds = 1e300;
    int64_t retainedBytes = 0;
    int64_t peakBytes = 0;
    int64_t allocations = 0;
    size_t corners = 0;
    size_t parts = 0;
};

void Report(benchmark::State& state, const OpenMeasure& m) {
    const double perCorner = m.corners ? double(m.retainedBytes) / double(m.corners) : 0;
    const double ratio = m.bestOpenSeconds / m.bestRawSeconds;
    state.counters["open_cpu_ms"] = m.bestOpenSeconds * 1e3;
    state.counters["raw_cpu_ms"] = m.bestRawSeconds * 1e3;
    state.counters["open_over_raw"] = ratio;
    state.counters["bytes_per_corner"] = perCorner;
    state.counters["peak_bytes_per_corner"] = m.corners ? double(m.peakBytes) / double(m.corners) : 0;
    state.counters["allocs_per_corner"] = m.corners ? double(m.allocations) / double(m.corners) : 0;
    state.counters["corners"] = double(m.corners);
    state.counters["parts"] = double(m.parts);
    state.counters["VmHWM_MiB"] = double(VmHwmKiB()) / 1024.0;
    state.counters["meets_targets"] = (ratio <= 3 && perCorner <= 300) ? 1 : 0;
}

// Runs `open` (which returns the opened document, or null) once per iteration right after one raw pass,
// so that both see the same machine load; the best of each is compared.
template <typename Open> void MeasureOpen(benchmark::State& state, Open open) {
    const std::string path = BenchFile(int(state.range(0)));
    OpenMeasure m;
    for (auto _ : state) {
        const auto rawStart = Clock::now();
        benchmark::DoNotOptimize(RawPass(path));
        m.bestRawSeconds = std::min(m.bestRawSeconds, Seconds(Clock::now() - rawStart));

        const int64_t liveBefore = g_liveBytes;
        g_peakBytes = liveBefore;
        const int64_t allocationsBefore = g_allocations;
        const auto wallStart = std::chrono::steady_clock::now();
        const auto start = Clock::now();
        auto holder = open(path);
        const double seconds = Seconds(Clock::now() - start);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count());
        const Document* doc = holder.second;
        if (!doc) {
            state.SkipWithError("the benchmark file cannot be opened");
            break;
        }
        m.bestOpenSeconds = std::min(m.bestOpenSeconds, seconds);
        m.retainedBytes = g_liveBytes - liveBefore;
        m.peakBytes = g_peakBytes - liveBefore;
        m.allocations = g_allocations - allocationsBefore;
        m.corners = CornerCount(*doc);
        m.parts = doc->development ? doc->development->parts.size() : 0;
    }
    Report(state, m);
}

// The binary reader with the engine's completion steps, as the open pipeline calls it.
void BM_OpenBinaryModel(benchmark::State& state) {
    MeasureOpen(state, [](const std::string& path) {
        auto doc = std::make_unique<Document>();
        RecordingPrompt prompt;
        EngineCompletion completion;
        BinaryReader loader(path, *doc, ImportKind::Open, prompt, completion);
        const bool ok = loader.Load().ok();
        Document* opened = ok ? doc.get() : nullptr;
        return std::make_pair(std::move(doc), opened);
    });
}
BENCHMARK(BM_OpenBinaryModel)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(8)->Arg(2000);
BENCHMARK(BM_OpenBinaryModel)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3)->Arg(10000);

// The whole open pipeline: reader, name normalisation, symmetric edges, corner separation.
void BM_OpenPipeline(benchmark::State& state) {
    static const Settings settings;
    static RecordingPrompt prompt;
    static EngineCompletion completion;
    MeasureOpen(state, [](const std::string& path) {
        auto documents = std::make_unique<DocumentController>(settings, prompt, completion);
        const bool ok = documents->OpenModelFile(path).ok();
        Document* opened = ok ? documents->Current() : nullptr;
        return std::make_pair(std::move(documents), opened);
    });
}
BENCHMARK(BM_OpenPipeline)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(8)->Arg(2000);

// Where the open's time goes: the completion steps the reader calls, timed one by one; the rest is the
// reader's own parsing and allocation.
class TimingCompletion : public IModelCompletion {
public:
    enum Step {
        kRing,
        kPlane,
        kEdge,
        kIncidence,
        kBounds,
        kSymmetric,
        kFlapAngles,
        kPartExtent,
        kDevExtent,
        kScale,
        kClassify,
        kStepCount
    };
    double seconds[kStepCount] = {};

    void LinkFaceRing(Face& face) override {
        Time(kRing, [&] { engine_.LinkFaceRing(face); });
    }
    void ComputeFacePlane(Face& face) override {
        Time(kPlane, [&] { engine_.ComputeFacePlane(face); });
    }
    void UpdateEdgeGeometry(Edge& edge) override {
        Time(kEdge, [&] { engine_.UpdateEdgeGeometry(edge); });
    }
    void RebuildVertexIncidence(Solid& solid) override {
        Time(kIncidence, [&] { engine_.RebuildVertexIncidence(solid); });
    }
    void ComputeBounds(Mesh& model) override {
        Time(kBounds, [&] { engine_.ComputeBounds(model); });
    }
    void FindSymmetricEdges(Mesh& model) override {
        Time(kSymmetric, [&] { engine_.FindSymmetricEdges(model); });
    }
    void AutoFlapAnglesAll(Mesh& model) override {
        Time(kFlapAngles, [&] { engine_.AutoFlapAnglesAll(model); });
    }
    void ComputePartExtent(Part& part) override {
        Time(kPartExtent, [&] { engine_.ComputePartExtent(part); });
    }
    void ComputeDevelopmentExtent(Development& development, bool recomputeParts) override {
        Time(kDevExtent, [&] { engine_.ComputeDevelopmentExtent(development, recomputeParts); });
    }
    double ScaleDevelopment(Development& development, double targetScale, bool scaleTexts) override {
        double factor = 1.0;
        Time(kScale, [&] { factor = engine_.ScaleDevelopment(development, targetScale, scaleTexts); });
        return factor;
    }
    void ClassifyPartLines(Development& development, Mesh& model, const DisplaySettings& display) override {
        Time(kClassify, [&] { engine_.ClassifyPartLines(development, model, display); });
    }
    void ClassifyPartLines(Part& part, const DisplaySettings& display, int& nextEdgeId) override {
        Time(kClassify, [&] { engine_.ClassifyPartLines(part, display, nextEdgeId); });
    }

private:
    template <typename F> void Time(Step step, F f) {
        const auto start = std::chrono::steady_clock::now();
        f();
        seconds[step] += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    EngineCompletion engine_;
};

// One open with every completion step timed (wall clock, cheap enough to read per face and per edge; run
// on a quiet machine). The remainder is the reader's parsing, allocation and linking.
void BM_OpenStepCosts(benchmark::State& state) {
    TimingCompletion completion;
    double total = 0;
    for (auto _ : state) {
        Document doc;
        RecordingPrompt prompt;
        const auto start = std::chrono::steady_clock::now();
        BinaryReader loader(BenchFile(int(state.range(0))), doc, ImportKind::Open, prompt, completion);
        if (!loader.Load().ok()) {
            state.SkipWithError("load failed");
            return;
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double n = double(state.iterations());
    const char* names[] = {"ring_ms",       "plane_ms",     "edge_geometry_ms", "incidence_ms",
                           "bounds_ms",     "symmetric_ms", "flap_angles_ms",   "part_extent_ms",
                           "dev_extent_ms", "scale_ms",     "classify_ms"};
    double steps = 0;
    for (int i = 0; i < TimingCompletion::kStepCount; ++i) {
        steps += completion.seconds[i];
        if (completion.seconds[i] > 0) state.counters[names[i]] = completion.seconds[i] / n * 1e3;
    }
    state.counters["total_ms"] = total / n * 1e3;
    state.counters["reader_own_ms"] = (total - steps) / n * 1e3;
}
BENCHMARK(BM_OpenStepCosts)->Unit(benchmark::kMillisecond)->Iterations(4)->Arg(2000);

// The raw cost alone: read the file, checksum it, inflate the texture block.
void BM_RawReadAndInflate(benchmark::State& state) {
    const std::string path = BenchFile(int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(RawPass(path));
    state.counters["file_MiB"] = double(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_RawReadAndInflate)->Unit(benchmark::kMillisecond)->MinTime(2.0)->Arg(2000)->Arg(10000);

// The opened file passes the link checks (run once, so a broken reader cannot post good figures).
void BM_CheckInvariantsOfOpenedFile(benchmark::State& state) {
    Document doc;
    RecordingPrompt prompt;
    EngineCompletion completion;
    BinaryReader loader(BenchFile(int(state.range(0))), doc, ImportKind::Open, prompt, completion);
    if (!loader.Load().ok()) {
        state.SkipWithError("load failed");
        return;
    }
    size_t violations = 0;
    for (auto _ : state) violations = CheckModelInvariants(doc).size();
    state.counters["violations"] = double(violations);
    if (violations) state.SkipWithError("the opened file breaks the link invariants");
}
BENCHMARK(BM_CheckInvariantsOfOpenedFile)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(2000);

} // namespace

int main(int argc, char** argv) {
    return tsm::bench::RunBenchmarksInHugePages(argc, argv);
}
