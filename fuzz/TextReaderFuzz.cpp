// Fuzz target of the text model reader: any bytes must give a result and, on failure, a reason, without a
// crash, a sanitizer report, a leak or a hang. Whatever the reader accepts must satisfy the link invariants
// of an opened document and survive the steps the open pipeline runs after it, and saving.
#include "engine/EngineCompletion.h"
#include "model/BinaryWriter.h"
#include "model/OpenPipeline.h"
#include "model/TextReader.h"
#include "tools/lib/Invariants.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tsm;
    Document doc;
    RecordingPrompt prompt;
    EngineCompletion completion;
    TextReader reader("fuzz.tsm", doc, ImportKind::Open, prompt, completion);
    const Outcome result = reader.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    if (result.failed() && result.reason().empty()) {
        std::fprintf(stderr, "load failed without a reason\n");
        std::abort();
    }
    if (!result.ok()) return 0;

    const auto violations = CheckModelInvariants(doc);
    if (!violations.empty()) {
        for (const auto& violation : violations) std::fprintf(stderr, "%s\n", violation.c_str());
        std::abort();
    }

    // What opening a text file runs after the reader.
    NormaliseNames(doc, completion);
    if (doc.development) completion.ComputeDevelopmentExtent(*doc.development, true);
    completion.FindSymmetricEdges(*doc.model);
    if (doc.development) SeparateCorners(*doc.model);
    SerializeBinaryModel(doc, doc.display);
    return 0;
}
