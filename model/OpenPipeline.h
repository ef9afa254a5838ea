// The steps of opening a model file: the reader dispatch and completing what was read. DocumentController
// runs them to make the file the current document.
#pragma once

#include "model/Document.h"
#include "model/DocumentController.h"
#include "model/DocumentMerge.h"
#include "model/FileFormat.h"
#include "model/ModelCompletion.h"
#include "model/Outcome.h"
#include "model/Prompt.h"
#include "model/UpdateHint.h"

#include <memory>
#include <string>
#include <vector>

namespace tsm {

extern const char* const kDefaultFontName; // "MS Sans Serif"

// Which reader a model file takes, by the first nine characters of its first line: Binary ("version 3"),
// Text, None when the file cannot be read or is empty.
FileFormat ModelFileFormat(const std::string& path);
// Reads the file with the reader of `format` (ModelFileFormat's); FileFormat::None fails.
Outcome ReadModelFile(const std::string& path, FileFormat format, Document& document, ImportKind kind,
                      IPrompt& prompt, IModelCompletion& completion, const Settings& settings = Settings());

// Names empty solids "Object-n" and makes every solid name unique ("-2", "-3", ...); names empty
// materials "Pattern-n". Recomputes the bounds first.
void NormaliseNames(Document& document, IModelCompletion& completion);
// Gives every corner a display position, moved into its face where the model is cut open. With `only`,
// just that solid's corners (the offsets still follow the mean edge length of the whole model).
void SeparateCorners(Mesh& model, const Solid* only = nullptr);
// Replaces font names that are not installed by the default font; shows one message when any was.
void ReplaceMissingFonts(Development& development, const std::vector<std::string>& installedFamilies,
                         IPrompt& prompt);
// The message shown when a reader fails.
std::string LoadFailureMessage(const std::string& path, const std::string& reason);

} // namespace tsm
