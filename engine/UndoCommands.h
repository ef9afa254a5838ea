// The undo copy around every change of the document, and Undo and Redo themselves: a change of the
// development or of the mesh takes the copy first, completes what derives from the data afterwards and
// marks the document modified; the document commands (DocumentEdits.h) are built on these.
#pragma once

#include "model/Document.h"
#include "model/Outcome.h"
#include "model/Result.h"
#include "model/Settings.h"
#include "model/UpdateHint.h"

#include <functional>
#include <optional>

namespace tsm {

extern const char* const kNothingToUndoText;    // "There is nothing to undo."
extern const char* const kNothingToRedoText;    // "There is nothing to redo."
extern const char* const kNoDevelopmentText;    // "There is no development to edit."
extern const char* const kUndoCopyUnusableText; // "The undo copy does not fit the model any more."

struct EditContext {
    Document& document;
    const Settings& settings; // the coincident-edge threshold; lines are classified by document.display
    double printableWidthMM = 180.0; // of one sheet: a cut that splits a part moves it 2.5 % of this
};

// What a command did: when ok, the hint the window sends to the views; otherwise the refusal in words.
using EditResult = Result<UpdateHint>;

// What an edit may have changed, so that completion redoes no more than it must on a large model.
struct EditScope {
    bool links = true;            // `joined` pairs changed: the 3D corners are separated again
    const Solid* solid = nullptr; // ... in this solid only; null: in any
};

// Any change of the development: the copy, then `change`, then completion. `check`, when given, runs first
// and refuses with its text (no copy taken, nothing changed) unless it returns null.
EditResult RunDevelopmentEdit(EditContext& context, UpdateHint hint, const std::function<void()>& change,
                              const std::function<const char*()>& check = nullptr, EditScope scope = {});

// A change of the mesh itself (flip faces, joining edges, new coordinates): the undo copy is of the whole
// document. `change` reports whether it changed anything; when it did not, no copy is kept.
EditResult RunModelEdit(EditContext& context, UpdateHint hint, const std::function<Outcome()>& change);

EditResult Undo(EditContext& context);
EditResult Redo(EditContext& context);

// ---- mouse edits ----
// A drag that changes the data while the button is held takes the copy at the press and hands it in at
// the release that completes the edit.
struct PendingEdit {
    std::optional<HistoryEntry> entry;
};
PendingEdit BeginEdit(Document& document);
EditResult CommitEdit(EditContext& context, PendingEdit pending, UpdateHint hint);

// Recomputes what derives from the development after it changed: corner separation (as far as `scope`
// says), line classes, the development's frame.
void CompleteDevelopmentEdit(Document& document, EditScope scope = {});

} // namespace tsm
