// The document side of the single-document window: the current document, opened from a model file,
// merged with another, or adopted from an imported mesh, and the window pieces that follow it. The open
// steps themselves are in OpenPipeline.cpp, the import in ModelImport.cpp, the adoption in
// DocumentAdoption.cpp.
#pragma once

#include "model/Document.h"
#include "model/ModelCompletion.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "model/UpdateHint.h"

#include <memory>
#include <string>
#include <vector>

namespace tsm {

// The window pieces the open pipeline drives; the application's main window implements them (as part of
// IFrameActions), tests record them.
class IDocumentWindow {
public:
    virtual ~IDocumentWindow() = default;
    virtual void SetTitle(const std::string& title) = 0;
    // A model file was opened from `path`: it heads the recent-file list and its folder becomes the last
    // folder opened from.
    virtual void AddRecentFile(const std::string& path) = 0;
    // The object list, the material list and the status bar.
    virtual void RefreshDocumentPanels() = 0;
    virtual void UpdateAllViews(UpdateHint hint) = 0;
};

class DocumentController {
public:
    // `settings` (owned by the caller, outliving this) gives the readers' limits and the display values a
    // new document starts with.
    DocumentController(const Settings& settings, IPrompt& prompt, IModelCompletion& completion,
                       IDocumentWindow* window = nullptr);
    ~DocumentController();

    // Returns true when the file became the current document; on failure nothing changes.
    bool OpenModelFile(const std::string& path);
    // Merges a second model file into the current document; on failure nothing changes.
    bool ImportModelFile(const std::string& path);
    // Makes a document built in memory (an imported mesh) current as a new, unsaved document: the
    // title, the panels and the views follow, the modified flag is set. The recent-file list and the last
    // folder stay as they are, since both lead back to OpenModelFile, which reads model files only.
    void AdoptNewDocument(std::unique_ptr<Document> document, const std::string& title);

    Document* Current() const { return current_.get(); }
    const Settings& settings() const { return settings_; }
    const std::string& Title() const { return title_; }
    // Outcome of the last open: the reader's result (-1 when no reader ran) and format (0 likewise).
    int LastResult() const { return lastResult_; }
    int LastFormat() const { return lastFormat_; }

    void SetInstalledFontFamilies(std::vector<std::string> families) { fontFamilies_ = std::move(families); }

private:
    const Settings& settings_;
    IPrompt& prompt_;
    IModelCompletion& completion_;
    IDocumentWindow* window_;
    std::unique_ptr<Document> current_;
    std::string title_;
    int lastResult_ = -1;
    int lastFormat_ = 0;
    std::vector<std::string> fontFamilies_;
};

} // namespace tsm
