// Fuzz target of the binary model reader: any bytes must give a result and, on failure, a reason, without
// a crash, a sanitizer report, a leak or a hang. Whatever the reader accepts, the writer must write so that
// the reader accepts it again.
#include "engine/EngineCompletion.h"
#include "model/BinaryReader.h"
#include "model/BinaryWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tsm;
    Document doc;
    RecordingPrompt prompt;
    EngineCompletion completion;
    BinaryReader reader("fuzz.tsm", doc, ImportKind::Open, prompt, completion);
    const Outcome result = reader.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    if (result.failed() && result.reason().empty()) {
        std::fprintf(stderr, "load failed without a reason\n");
        std::abort();
    }
    if (!result.ok()) return 0;

    const std::string saved = SerializeBinaryModel(doc, doc.display);
    Document again;
    RecordingPrompt againPrompt;
    BinaryReader rereader("again.tsm", again, ImportKind::Open, againPrompt, completion);
    const Outcome reloaded = rereader.LoadFromBytes(saved);
    if (!reloaded.ok()) {
        std::fprintf(stderr, "a saved model does not load again: %s\n", reloaded.reason().c_str());
        std::abort();
    }
    return 0;
}
