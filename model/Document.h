// One open document: the mesh model and, when the file carries one, its development.
#pragma once

#include "model/Development.h"
#include "model/EditHistory.h"
#include "model/Settings.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tsm {

struct Document {
    std::unique_ptr<Mesh> model;
    std::unique_ptr<Development> development; // null when the file carries no development
    std::string path;
    Material baseMaterial;
    double documentScale = 1.0;
    // How the development was last laid out in this session (unfolding or "Recalculate Parts Layout");
    // unknown for a development read from a file, which keeps no such record.
    std::optional<LayoutMethod> developmentLayout;
    int32_t sheetColumns = 1;
    int32_t sheetRows = 1;
    std::vector<TextBlock> reusableTexts;
    bool modified = false;
    // Undo and redo of the edits made since the document was opened or its development was replaced.
    EditHistory history;
    // The locale the file's writer ran under ("en-US", "ja-JP", ...): which code page its strings are in.
    std::string writerLocale;
    // The display block the file carried (or the one a new model started with); written back on save.
    DisplaySettings display;

    Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
};

} // namespace tsm
