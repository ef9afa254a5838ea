// Turning a file path into the current document: the path and extension tests, the reader dispatch,
// completing the model, replacing the current document, and what the window shows of it.
#pragma once

#include "model/Document.h"
#include "model/DocumentController.h"
#include "model/ModelCompletion.h"
#include "model/Prompt.h"
#include "model/UpdateHint.h"

#include <memory>
#include <string>
#include <vector>

namespace tsm {

extern const char* const kDefaultFontName; // "MS Sans Serif"

struct DispatchResult {
    ModelLoadResult result = kLoadFailed;
    int format = 0; // 2 text, 3 binary, 0 when no reader ran
    std::string failureReason;
};

// Chooses the reader by the first nine characters of the file's first line ("version 3": binary).
DispatchResult DispatchReader(const std::string& path, Document& document, int importFlag, IPrompt& prompt,
                              IModelCompletion& completion, const Settings& settings = Settings());

// Names empty solids "Object-n" and makes every solid name unique ("-2", "-3", ...); names empty
// materials "Pattern-n". Recomputes the bounds first.
void NormaliseNames(Document& document, IModelCompletion& completion);
// Gives every corner a display position, moved into its face where the model is cut open. With `only`,
// just that solid's corners (the offsets still follow the mean edge length of the whole model).
void SeparateCorners(CMeshModel& model, const CSolid* only = nullptr);
// Replaces font names that are not installed by the default font; shows one message when any was.
void ReplaceMissingFonts(Development& development, const std::vector<std::string>& installedFamilies,
                         IPrompt& prompt);
// Moves everything of `imported` into `current` (solids, materials, and when both have one the
// development rescaled and placed beside or below the current one). `imported` is left empty.
void MergeDocuments(Document& current, Document& imported, IModelCompletion& completion);
// The message shown when a reader gives result 1.
std::string LoadFailureMessage(const std::string& path, const std::string& reason);

} // namespace tsm
