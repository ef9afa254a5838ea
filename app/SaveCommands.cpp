// The commands that keep the user's work: Save, Save As, the question before a document with unsaved
// changes is set aside, and Undo and Redo of the edits.
#include "app/CommandController.h"

#include "engine/DocumentEdits.h"
#include "model/DocumentSettings.h"
#include "sheet/Paper.h"

#include <cstdio>

namespace tsm {

const char* const kSaveChangesQuestion = "Save changes to %s?";

std::string SaveFailureMessage(const std::string& path, const std::string& reason) {
    return "Could not save " + path + ".\n" + reason;
}

bool CommandController::Save() {
    if (s_.document.Current() == nullptr) return false;
    const std::string path = s_.document.SavePath();
    return path.empty() ? SaveAs() : WriteDocument(path);
}

bool CommandController::SaveAs() {
    if (s_.document.Current() == nullptr) return false;
    const std::optional<std::string> chosen =
        s_.chooser.ChooseSaveFile(kModelFileFilter, "tsm", s_.document.SuggestedSavePath());
    return chosen && WriteDocument(*chosen);
}

bool CommandController::WriteDocument(const std::string& path) {
    const Outcome outcome = s_.document.SaveAs(path);
    if (!outcome.ok()) {
        s_.prompt.Message(SaveFailureMessage(path, outcome.reason()), PromptIcon::Error);
        return false;
    }
    s_.frame.RecentFilesChanged();
    return true;
}

bool CommandController::ConfirmSetAside() {
    const Document* document = s_.document.Current();
    if (document == nullptr || !document->modified) return true;
    std::string question = kSaveChangesQuestion;
    question.replace(question.find("%s"), 2, s_.document.Title());
    switch (s_.prompt.AskYesNoCancel(question)) {
    case PromptAnswer::Yes:
        return Save();
    case PromptAnswer::No:
        return true;
    case PromptAnswer::Cancel:
        break;
    }
    return false;
}

void CommandController::UndoOrRedo(bool undo) {
    Document* document = s_.document.Current();
    if (document == nullptr) return;
    const Settings settings = DocumentSettings(s_.settings, document);
    EditContext context{*document, settings, Paper::FromSettings(settings).PrintableWidth()};
    const EditResult result = undo ? tsm::Undo(context) : tsm::Redo(context);
    if (!result.ok()) {
        s_.prompt.Message(result.outcome.reason());
        return;
    }
    s_.frame.UpdateAllViews(result.hint);
    s_.frame.RefreshIdleText();
}

} // namespace tsm
