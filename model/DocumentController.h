// The document side of the single-document window: the current document, opened from a model file,
// merged with another, or adopted from an imported mesh, and the window pieces that follow it. The open
// steps themselves are in OpenPipeline.cpp, the import in ModelImport.cpp, the adoption in
// DocumentAdoption.cpp.
#pragma once

#include "model/Document.h"
#include "model/ModelCompletion.h"
#include "model/Outcome.h"
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
    // `suggestedSavePath`: where Save As proposes to keep it (the mesh's name with ".tsm").
    void AdoptNewDocument(std::unique_ptr<Document> document, const std::string& title,
                          const std::string& suggestedSavePath = {});

    // Where Save writes without asking: the model file the document was opened from or last saved to.
    // Empty for a new document and for a file opened under a temporary (".tmp") name.
    const std::string& SavePath() const { return savePath_; }
    // What Save As proposes: the save path, else the suggestion the document came with, else
    // "Untitled.tsm" in the last folder opened from.
    std::string SuggestedSavePath() const;
    // Writes the current document as a binary model file with its display block. On success the file
    // becomes the document's (title, save path, recent files) and the modified mark goes; on failure the
    // document and its mark stay as they were and the outcome says why.
    Outcome SaveAs(const std::string& path);

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
    std::string savePath_;
    std::string suggestedSavePath_;
    int lastResult_ = -1;
    int lastFormat_ = 0;
    std::vector<std::string> fontFamilies_;
};

} // namespace tsm
