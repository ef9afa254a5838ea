// Turning a file path into the current document: the path and extension tests, the reader dispatch,
// completing the model, replacing the current document, and what the window shows of it.
#pragma once

#include "model/Document.h"
#include "model/ModelCompletion.h"
#include "model/Prompt.h"
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

extern const char* const kDefaultFontName; // "MS Sans Serif"

struct DispatchResult {
    ModelLoadResult result = kLoadFailed;
    int format = 0; // 2 text, 3 binary, 0 when no reader ran
    std::string failureReason;
};

// Chooses the reader by the first nine characters of the file's first line ("version 3": binary).
DispatchResult DispatchReader(const std::string& path, PMdoc& document, int importFlag, IPrompt& prompt,
                              IModelCompletion& completion, const Settings& settings = Settings());

// Names empty solids "Object-n" and makes every solid name unique ("-2", "-3", ...); names empty
// materials "Pattern-n". Recomputes the bounds first.
void NormaliseNames(PMdoc& document, IModelCompletion& completion);
// Gives every corner a display position, moved into its face where the model is cut open.
void SeparateCorners(CMeshModel& model);
// Replaces font names that are not installed by the default font; shows one message when any was.
void ReplaceMissingFonts(CTenkaizu& development, const std::vector<std::string>& installedFamilies,
                         IPrompt& prompt);
// Moves everything of `imported` into `current` (solids, materials, and when both have one the
// development rescaled and placed beside or below the current one). `imported` is left empty.
void MergeDocuments(PMdoc& current, PMdoc& imported, IModelCompletion& completion);
// The message shown when a reader gives result 1.
std::string LoadFailureMessage(const std::string& path, const std::string& reason);

// The document side of the single-document window: owns the current document.
class CModelviewerDoc {
public:
    // `settings` (owned by the caller, outliving this) gives the readers' limits and the display values a
    // new document starts with.
    CModelviewerDoc(const Settings& settings, IPrompt& prompt, IModelCompletion& completion,
                    IDocumentWindow* window = nullptr);
    ~CModelviewerDoc();

    // Returns true when the file became the current document; on failure nothing changes.
    bool OpenModelFile(const std::string& path);
    // Merges a second model file into the current document; on failure nothing changes.
    bool ImportModelFile(const std::string& path);
    // Makes a document built in memory (an imported mesh) current as a new, unsaved document: the
    // title, the panels and the views follow, the modified flag is set. The recent-file list and the last
    // folder stay as they are, since both lead back to OpenModelFile, which reads model files only.
    void AdoptNewDocument(std::unique_ptr<PMdoc> document, const std::string& title);

    PMdoc* Current() const { return current_.get(); }
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
    std::unique_ptr<PMdoc> current_;
    std::string title_;
    int lastResult_ = -1;
    int lastFormat_ = 0;
    std::vector<std::string> fontFamilies_;
};

} // namespace tsm
