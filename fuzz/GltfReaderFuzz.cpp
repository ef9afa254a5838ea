// Fuzz target of the glTF reader (.gltf text and .glb binary alike): any bytes must give a model or a
// message, without a crash, a sanitizer report, a leak, a hang or an allocation beyond what the bytes
// justify. What it accepts must survive the engine steps of the import with the link invariants intact.
#include "engine/EngineCompletion.h"
#include "engine/ModelOperations.h"
#include "engine/Topology.h"
#include "model/MeshImport.h"
#include "tools/lib/Invariants.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tsm;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Document doc;
    EngineCompletion completion;
    // No folder: external buffers and images are not looked for.
    const Result<MeshReadCounts> result =
        ReadMeshBytes(bytes, "fuzz.gltf", MeshFormat::Gltf, doc, &completion);
    if (!result.ok()) {
        if (result.reason().empty() || !doc.model->solids.empty()) {
            std::fprintf(stderr, "a failed read gave no message or left solids behind\n");
            std::abort();
        }
        return 0;
    }
    RecordingPrompt prompt;
    NormaliseModel(doc, prompt);
    ComputeBounds(*doc.model);
    const auto violations = CheckModelInvariants(doc);
    if (!violations.empty()) {
        for (const auto& violation : violations) std::fprintf(stderr, "%s\n", violation.c_str());
        std::abort();
    }
    return 0;
}
