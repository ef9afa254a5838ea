// Importing textured meshes: a 40,000-triangle grid with a 1024 x 1024 PNG texture, as OBJ + MTL and as
// glTF (.gltf + .bin), against the raw cost of reading the same files and decoding their image (and, for
// the OBJ text, converting its numbers). Target: import <= 2 x raw. The import builds a model of
// 120,000 corners, whose memory is new to the process each time (freed models go back to the system),
// where the raw steps reuse their few buffers: the CPU time shows that, the count of instructions
// (valgrind --tool=callgrind) does not. Both imports decode their images on a second thread while they
// build the model, so their time is the longer of the two where a second core is free (glTF 1.3 x raw
// here, 2.2 x with the decoding in line; OBJ + MTL 0.95 x, 1.2 x in line); on a machine busy on both
// cores it is the sum again.
#include "bench/HugePageBenchmarkMain.h"
#include "engine/EngineCompletion.h"
#include "model/ImageDecoder.h"
#include "model/MeshImport.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 200, kRows = 100, kImage = 1024;

std::string DataDir() {
    return std::string(TESSALY_BENCH_DATA_DIR) + "/import/";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFixtures() {
    const std::string dir = DataDir();
    if (std::filesystem::exists(dir + "grid.gltf")) return;
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> rgb(size_t(kImage) * kImage * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t((i * 2654435761u) >> 24);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = kImage;
    image.format = PNG_FORMAT_RGB;
    png_image_write_to_file(&image, (dir + "texture.png").c_str(), 0, rgb.data(), 0, nullptr);

    std::string obj = "mtllib grid.mtl\nusemtl tex\n", bin;
    for (int y = 0; y <= kRows; ++y)
        for (int x = 0; x <= kColumns; ++x) {
            const float p[5] = {float(x), float(y), float((x * y) % 7) * 0.1f, float(x) / kColumns,
                                float(y) / kRows};
            obj +=
                "v " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
            obj += "vt " + std::to_string(p[3]) + " " + std::to_string(1 - p[4]) + "\n";
            bin.append(reinterpret_cast<const char*>(p), sizeof p);
        }
    std::string indices;
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x) {
            const uint32_t a = uint32_t(y * (kColumns + 1) + x), b = a + 1, c = a + kColumns + 2,
                           d = a + kColumns + 1;
            for (uint32_t i : {a, b, c, a, c, d}) indices.append(reinterpret_cast<const char*>(&i), 4);
            obj += "f " + std::to_string(a + 1) + "/" + std::to_string(a + 1) + " " + std::to_string(b + 1) +
                   "/" + std::to_string(b + 1) + " " + std::to_string(c + 1) + "/" + std::to_string(c + 1) +
                   "\n";
            obj += "f " + std::to_string(a + 1) + "/" + std::to_string(a + 1) + " " + std::to_string(c + 1) +
                   "/" + std::to_string(c + 1) + " " + std::to_string(d + 1) + "/" + std::to_string(d + 1) +
                   "\n";
        }
    std::ofstream(dir + "grid.obj") << obj;
    std::ofstream(dir + "grid.mtl") << "newmtl tex\nKd 1 1 1\nmap_Kd texture.png\n";
    const size_t vertices = bin.size() / 20;
    std::ofstream(dir + "grid.bin", std::ios::binary) << bin << indices;
    std::ofstream(dir + "grid.gltf")
        << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
        << R"("meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"indices":2,"material":0}]}],)"
        << R"("materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],)"
        << R"("textures":[{"source":0}],"images":[{"uri":"texture.png"}],)"
        << R"("buffers":[{"byteLength":)" << bin.size() + indices.size() << R"(,"uri":"grid.bin"}],)"
        << R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":)" << bin.size()
        << R"(,"byteStride":20},{"buffer":0,"byteOffset":)" << bin.size() << R"(,"byteLength":)"
        << indices.size() << R"(}],"accessors":[{"bufferView":0,"componentType":5126,"count":)" << vertices
        << R"(,"type":"VEC3"},{"bufferView":0,"byteOffset":12,"componentType":5126,"count":)" << vertices
        << R"(,"type":"VEC2"},{"bufferView":1,"componentType":5125,"count":)" << indices.size() / 4
        << R"(,"type":"SCALAR"}]})";
}

void Import(benchmark::State& state, const char* file) {
    WriteFixtures();
    for (auto _ : state) {
        auto document = std::make_unique<tsm::Document>();
        tsm::EngineCompletion completion;
        const tsm::Result<tsm::MeshReadCounts> result =
            tsm::ReadMeshFile(DataDir() + file, *document, &completion);
        if (!result.ok() || !document->model->materials.at(0)->texture)
            state.SkipWithError(result.reason().c_str());
        benchmark::DoNotOptimize(document->model->solids.size());
        // Freeing the model is no part of importing it.
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
}

void Raw(benchmark::State& state, std::vector<const char*> files, bool textNumbers) {
    WriteFixtures();
    for (auto _ : state) {
        size_t total = 0;
        for (const char* file : files) {
            const std::string bytes = ReadAll(DataDir() + file);
            total += bytes.size();
            // Every number converted as the reader converts them (std::from_chars, which is faster than
            // strtod), the keywords and slashes between them skipped.
            if (textNumbers)
                for (const char *p = bytes.data(), *last = bytes.data() + bytes.size(); p < last;) {
                    double value = 0;
                    const auto [end, error] = std::from_chars(p, last, value);
                    benchmark::DoNotOptimize(value);
                    p = end == p ? p + 1 : end;
                }
        }
        std::unique_ptr<tsm::TextureImage> image;
        if (!tsm::DecodeImageFile(DataDir() + "texture.png", image).ok()) state.SkipWithError("no texture");
        benchmark::DoNotOptimize(total);
    }
}

BENCHMARK_CAPTURE(Import, obj_mtl, "grid.obj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Raw, obj_mtl, std::vector<const char*>{"grid.obj", "grid.mtl"}, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Import, gltf, "grid.gltf")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Raw, gltf, std::vector<const char*>{"grid.gltf", "grid.bin"}, false)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return tsm::bench::RunBenchmarksInHugePages(argc, argv);
}
