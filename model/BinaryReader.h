// Reader of the binary model file ("version 3" header line, versions 2 to 4).
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

class BinaryReader {
public:
    // Opening puts the file's display block into the document's; importing discards it. `settings` gives
    // the texture size limit.
    BinaryReader(std::string path, Document& document, ImportKind kind, IPrompt& prompt,
                 IModelCompletion& completion, const Settings& settings = Settings());
    ~BinaryReader();
    BinaryReader(const BinaryReader&) = delete;
    BinaryReader& operator=(const BinaryReader&) = delete;

    // Reads the whole file. Failed says what was wrong in words for the user ("the file ends inside
    // ..."); cancelled is a version the reader refused, after telling the user.
    Outcome Load();
    // Reads a file's contents already in memory (the path only names it); the same outcomes as Load.
    Outcome LoadFromBytes(std::string_view bytes);
    // Load holds this much of the file at a time (more for a record that is larger).
    void SetWindowBytes(size_t bytes) { windowBytes_ = bytes; }

private:
    class Impl;
    std::string path_;
    Document& document_;
    ImportKind kind_;
    IPrompt& prompt_;
    IModelCompletion& completion_;
    int32_t textureSizeLimit_;
    std::string failureReason_;
    // Large enough that a refill is rare next to the records it serves, small enough to stay in cache.
    size_t windowBytes_ = size_t(256) << 10;
};

} // namespace tsm
