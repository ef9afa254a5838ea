// Printing a development of 20 pages into a PDF at 600 dpi with the default print settings ("Middle"
// resolution, smoothed lines in the bitmap, lightening), as tsmtool print and the Print command do.
// Target: under 1 GB of peak memory for the whole process; the counters report it with the pages printed.
//
// The model is textured 20 mm cubes filling a grid of 4 x 5 A4 sheets. It is also written to
// print_bench.tsm in the benchmark's folder, so that `/usr/bin/time -v tsmtool print` can be measured on
// the same model.
#include "bench/BenchModels.h"
#include "bench/GuiBenchmarkMain.h"
#include "model/BinaryWriter.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "sheet/PagePrinter.h"
#include "sheet/Paper.h"

#include <benchmark/benchmark.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace tsm;

constexpr int kParts = 150;
constexpr double kRowWidthMM = 4 * 180.0 - 10.0; // four sheets wide
constexpr int kDpi = 600;

std::string DataPath(const char* name) {
    return (std::filesystem::path(TESSALY_BENCH_DATA_DIR) / name).string();
}

Document& TwentyPages() {
    static std::unique_ptr<Document> doc = [] {
        auto document = bench::TexturedCubesDevelopment(kParts, kRowWidthMM);
        UpdateSheetGrid(*document, Paper{}, true);
        const Outcome written = WriteBinaryModel(*document, document->display, DataPath("print_bench.tsm"));
        if (!written.ok()) std::fprintf(stderr, "print bench: %s\n", written.reason().c_str());
        return document;
    }();
    return *doc;
}

double PeakResidentMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

void BM_PrintPdf600Dpi(benchmark::State& state) {
    Document& doc = TwentyPages();
    RecordingPrompt prompt(true);
    const std::string path = DataPath("print_bench.pdf");
    PrintedJob printed;
    for (auto _ : state) {
        QPdfWriter pdf(QString::fromStdString(path));
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                      QPageLayout::Millimeter));
        pdf.setResolution(kDpi);
        const Result<PrintedJob> outcome =
            PrintDevelopment(pdf, doc, Settings(), Paper{}, prompt, PrintOptions{});
        if (!outcome.ok()) {
            state.SkipWithError(outcome.reason().c_str());
            return;
        }
        printed = *outcome;
    }
    state.counters["pages"] = printed.pagesPrinted;
    state.counters["bitmap_w"] = printed.bitmapSize.width;
    state.counters["bitmap_h"] = printed.bitmapSize.height;
    state.counters["peak_MB"] = PeakResidentMB();
    state.counters["pdf_MB"] = double(std::filesystem::file_size(path)) / (1 << 20);
}

BENCHMARK(BM_PrintPdf600Dpi)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return tsm::bench::RunGuiBenchmarks(argc, argv);
}
