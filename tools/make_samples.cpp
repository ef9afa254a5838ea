// Writes the sample model files: samples/cube.tsm and samples/house.tsm (or into the folder given as the
// only argument). The output is the same byte for byte on every run, so the files can be compared and
// committed. Each file is read back and checked before the program reports success.
#include "engine/EngineCompletion.h"
#include "model/BinaryReader.h"
#include "model/BinaryWriter.h"
#include "model/Settings.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/Samples.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace tsm;

namespace {

// Writes the document, reads it back and checks the links; false with a line on stderr on any failure.
bool WriteAndCheck(const Document& doc, const std::vector<std::string>& buildProblems,
                   const std::string& path) {
    for (const auto& problem : buildProblems) std::fprintf(stderr, "%s: %s\n", path.c_str(), problem.c_str());
    if (!buildProblems.empty()) return false;
    // Compiled-in defaults, not whatever this process might have changed: the files stay reproducible.
    const DisplaySettings display;
    const Outcome written = WriteBinaryModel(doc, display, path);
    if (!written.ok()) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), written.reason().c_str());
        return false;
    }
    Document reread;
    RecordingPrompt prompt;
    EngineCompletion completion;
    BinaryReader loader(path, reread, ImportKind::Open, prompt, completion);
    const Outcome result = loader.Load();
    if (!result.ok()) {
        std::fprintf(stderr, "%s: cannot be read back (%d): %s\n", path.c_str(), int(result.kind()),
                     result.reason().c_str());
        return false;
    }
    for (const auto& text : prompt.texts)
        std::fprintf(stderr, "%s: message on reading: %s\n", path.c_str(), text.c_str());
    const std::vector<std::string> broken = CheckModelInvariants(reread);
    for (const auto& problem : broken)
        std::fprintf(stderr, "%s: read back: %s\n", path.c_str(), problem.c_str());
    if (!broken.empty() || !prompt.texts.empty()) return false;
    size_t faces = 0;
    for (const auto& solid : reread.model->solids) faces += solid->faces.size();
    std::printf("%s: %zu solids, %zu faces, %zu parts\n", path.c_str(), reread.model->solids.size(), faces,
                reread.development ? reread.development->parts.size() : size_t(0));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: make_samples [output-folder]\n");
        return 2;
    }
    const std::filesystem::path folder = argc == 2 ? argv[1] : "samples";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "%s: %s\n", folder.string().c_str(), ec.message().c_str());
        return 1;
    }
    bool ok = true;
    {
        Document cube;
        const std::vector<std::string> problems = BuildSampleCube(cube);
        ok = WriteAndCheck(cube, problems, (folder / "cube.tsm").string()) && ok;
    }
    {
        Document house;
        const std::vector<std::string> problems = BuildSampleHouse(house);
        ok = WriteAndCheck(house, problems, (folder / "house.tsm").string()) && ok;
    }
    return ok ? 0 : 1;
}
