// Fuzz target of the mesh readers: the same bytes go to the OBJ, OFF, STL and PLY readers. Any bytes must
// give a result and, on failure, a message, without a crash, a sanitizer report, a leak or a hang. What a
// reader accepts must survive the engine steps of the import (normalisation, joining open edges, mirror
// pairs) with the link invariants of an opened document intact.
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
    for (MeshFormat format : {MeshFormat::Obj, MeshFormat::Off, MeshFormat::Stl, MeshFormat::Ply}) {
        Document doc;
        EngineCompletion completion;
        const Result<MeshReadCounts> result = ReadMeshBytes(bytes, "fuzz", format, doc, &completion);
        if (!result.ok()) {
            if (result.reason().empty()) {
                std::fprintf(stderr, "a read failed without a message\n");
                std::abort();
            }
            if (!doc.model->solids.empty()) {
                std::fprintf(stderr, "a failed read left solids behind\n");
                std::abort();
            }
            continue;
        }
        RecordingPrompt prompt;
        NormaliseModel(doc, prompt);
        JoinAdjacentIsolatedEdges(*doc.model, prompt);
        ComputeBounds(*doc.model);
        FindSymmetricEdges(*doc.model);
        const auto violations = CheckModelInvariants(doc);
        if (!violations.empty()) {
            for (const auto& violation : violations) std::fprintf(stderr, "%s\n", violation.c_str());
            std::abort();
        }
    }
    return 0;
}
