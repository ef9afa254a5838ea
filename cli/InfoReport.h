// The JSON report of `tsmtool info`: what was opened and every number the viewer will draw.
#pragma once

#include "model/Document.h"
#include "model/Settings.h"

#include <string>
#include <vector>

namespace tsm {

struct OpenOutcome {
    bool opened = false;
    int result = -1; // reader result; -1 when no reader ran
    int format = 0;  // 2 text, 3 binary; 0 when no reader ran
    std::string title;
    std::vector<std::string> messages;
    const Document* document = nullptr; // null unless opened
    // What the model is shown with: tsmtool's settings with the document's display block in place.
    Settings settings;
};

std::string BuildInfoJson(const OpenOutcome& outcome, bool detail);

} // namespace tsm
