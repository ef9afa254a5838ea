// The JSON report of `tsmtool info`: what was opened and every number the viewer will draw.
#pragma once

#include "model/Document.h"
#include "model/FileFormat.h"
#include "model/Settings.h"

#include <string>
#include <vector>

namespace tsm {

// What the reader made of the file: read, failed, or refused a version it does not know (after telling the
// user); None when the file was refused before any reader ran.
enum class ReaderResult { None, Read, Failed, Refused };

struct OpenOutcome {
    bool opened = false;
    ReaderResult result = ReaderResult::None;
    FileFormat format = FileFormat::None; // None when no reader ran
    std::string title;
    std::vector<std::string> messages;
    const Document* document = nullptr; // null unless opened
    // What the model is shown with: tsmtool's settings with the document's display block in place.
    Settings settings;
};

std::string BuildInfoJson(const OpenOutcome& outcome, bool detail);

} // namespace tsm
