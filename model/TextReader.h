// Reader of the older text variant of the model file.
#pragma once

#include "model/Document.h"
#include "model/FileFormat.h"
#include "model/ModelCompletion.h"
#include "model/Outcome.h"
#include "model/Prompt.h"
#include "model/Settings.h"

#include <string>
#include <string_view>

namespace tsm {

class TextReader {
public:
    // The file's display values go into the document's display block; `settings` gives the texture size
    // limit and whether old files get automatic flap angles.
    TextReader(std::string path, Document& document, ImportKind kind, IPrompt& prompt,
               IModelCompletion& completion, const Settings& settings = Settings());

    // Reads the whole file; failed says what was wrong in words for the user.
    Outcome Load();
    // Reads a file's contents already in memory (the path only names it); the same outcomes as Load.
    Outcome LoadFromBytes(std::string_view bytes);

private:
    std::string path_;
    Document& document_;
    ImportKind kind_;
    IPrompt& prompt_;
    IModelCompletion& completion_;
    int32_t textureSizeLimit_;
    bool autoFlapAngles_;
    std::string failureReason_;
};

} // namespace tsm
