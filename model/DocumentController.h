// The document side of the single-document window: the current document, opened from a model file,
// merged with another, adopted from an imported mesh or saved, and the window pieces that follow it. The
// reading steps themselves are in OpenPipeline.h, the merge in DocumentMerge.h.
#pragma once

#include "model/Document.h"
#include "model/FileFormat.h"
#include "model/ModelCompletion.h"
#include "model/Outcome.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "model/UpdateHint.h"

#include <memory>
#include <string>
#include <string_view>
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

    // Ok when the file became the current document; otherwise nothing changes. Failed: a reader could not
    // read the file, the reason is the message to show ("Cannot read the model file ..."). Cancelled: the
    // user was told already (no such file, not a model file, a version the reader refused).
    Outcome OpenModelFile(const std::string& path);
    // A recovery copy's model bytes (a binary model file) as the current document with unsaved changes:
    // the model file at `originalPath`, which Save writes, or a model never saved when it is empty;
    // titled `title`, with the user's build order `buildOrder` (a sidecar's text; empty for the derived
    // order). Failed when the bytes cannot be read; nothing changes then.
    Outcome OpenRecovered(std::string_view modelBytes, const std::string& originalPath,
                          const std::string& title, std::string_view buildOrder = {});
    // Merges a second model file into the current document; the same outcomes, and nothing changes unless
    // ok.
    Outcome ImportModelFile(const std::string& path);
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
    // The format of the model file last opened or imported (ModelFileFormat's), None when the file was
    // refused before it was read.
    FileFormat LastFormat() const { return lastFormat_; }

    void SetInstalledFontFamilies(std::vector<std::string> families) { fontFamilies_ = std::move(families); }

private:
    // Shows `message` and gives the cancelled outcome that says it was shown.
    Outcome Told(const std::string& message);
    // What every opened document goes through after its reader; `format` is ModelFileFormat's.
    void CompleteOpened(Document& document, FileFormat format);
    // A fresh document with the values a new one starts with, for a reader to fill.
    std::unique_ptr<Document> BlankDocument(const std::string& path) const;

    const Settings& settings_;
    IPrompt& prompt_;
    IModelCompletion& completion_;
    IDocumentWindow* window_;
    std::unique_ptr<Document> current_;
    std::string title_;
    std::string savePath_;
    std::string suggestedSavePath_;
    FileFormat lastFormat_ = FileFormat::None;
    std::vector<std::string> fontFamilies_;
};

} // namespace tsm
