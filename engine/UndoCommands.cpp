// The generic document commands: the undo copy around any change of the development or of the model,
// and Undo and Redo themselves.
#include "engine/UndoCommands.h"

#include "engine/AssemblyOrder.h"
#include "engine/Classify.h"
#include "engine/EngineCompletion.h"
#include "engine/Extents.h"
#include "model/BinaryReader.h"
#include "model/BinaryWriter.h"
#include "model/BuildOrderFile.h"
#include "model/OpenPipeline.h"

#include <cstring>
#include <unordered_set>

namespace tsm {

const char* const kNothingToUndoText = "There is nothing to undo.";
const char* const kNothingToRedoText = "There is nothing to redo.";
const char* const kNoDevelopmentText = "There is no development to edit.";
const char* const kUndoCopyUnusableText = "The undo copy does not fit the model any more.";

namespace {

HistoryEntry CaptureDevelopment(Document& document) {
    HistoryEntry entry;
    entry.kind = HistoryEntry::Kind::Development;
    entry.development = TakeDevelopmentSnapshot(document, document.history.Pool());
    return entry;
}

HistoryEntry CaptureModel(const Document& document) {
    HistoryEntry entry;
    entry.kind = HistoryEntry::Kind::Model;
    entry.modelBytes = CompressHistoryBytes(SerializeBinaryModel(document, document.display));
    if (document.development) entry.buildOrder = BuildOrderText(*document.development);
    return entry;
}

HistoryEntry CaptureLike(Document& document, HistoryEntry::Kind kind) {
    return kind == HistoryEntry::Kind::Model ? CaptureModel(document) : CaptureDevelopment(document);
}

// Reads a whole-document copy back and puts its solids and development in place. The materials stay as
// they are (no model command changes them), so the views' textures stay valid.
bool RestoreModel(Document& document, const HistoryEntry& entry, const Settings& settings) {
    const auto bytes = DecompressHistoryBytes(entry.modelBytes);
    if (!bytes) return false;
    Document copy;
    RecordingPrompt quiet;
    EngineCompletion completion;
    BinaryReader reader(document.path, copy, ImportKind::Open, quiet, completion, settings);
    if (!reader.LoadFromBytes(*bytes).ok() || !copy.model) return false;
    Mesh& model = *document.model;
    model.solids = std::move(copy.model->solids);
    for (auto& solid : model.solids) solid->model = &model;
    document.development = std::move(copy.development);
    if (document.development && !entry.buildOrder.empty())
        (void)ApplyBuildOrderText(*document.development, entry.buildOrder).ok();
    // The reader leaves the bounds to the open pipeline; the status bar and the camera need them.
    completion.ComputeBounds(model);
    return true;
}

bool Restore(Document& document, const HistoryEntry& entry, const Settings& settings,
             const HistoryEntry& current) {
    if (entry.kind == HistoryEntry::Kind::Model) return RestoreModel(document, entry, settings);
    return document.development &&
           RestoreDevelopmentSnapshot(document, entry.development, current.development);
}

EditResult Refused(const char* text) {
    return Outcome::Failed(text);
}

} // namespace

EditResult RunDevelopmentEdit(EditContext& context, UpdateHint hint, const std::function<void()>& change,
                              const std::function<const char*()>& check, EditScope scope) {
    Document& document = context.document;
    if (!document.development) return Refused(kNoDevelopmentText);
    if (const char* refusal = check ? check() : nullptr) return Refused(refusal);
    HistoryEntry entry = CaptureDevelopment(document);
    change();
    document.history.PushEdit(std::move(entry));
    document.modified = true;
    CompleteDevelopmentEdit(document, scope);
    return hint;
}

void CompleteDevelopmentEdit(Document& document, EditScope scope) {
    if (!document.development || !document.model) return;
    if (scope.links) SeparateCorners(*document.model, scope.solid);
    ClassifyPartLines(*document.development, *document.model, document.display);
    ComputeDevelopmentExtent(*document.development, false);
    RenumberBuildSteps(*document.development);
}

EditResult RunModelEdit(EditContext& context, UpdateHint hint, const std::function<Outcome()>& change) {
    Document& document = context.document;
    if (!document.model) return Refused("There is no model to edit.");
    HistoryEntry entry = CaptureModel(document);
    Outcome outcome = change();
    if (!outcome.ok()) return outcome;
    document.history.PushEdit(std::move(entry));
    document.modified = true;
    CompleteDevelopmentEdit(document);
    // A model edit may move any part's flaps (flipping the faces turns them to the other side), so every
    // part is measured again, as opening the saved file would.
    if (document.development) ComputeDevelopmentExtent(*document.development, true);
    return hint;
}

namespace {

// The solid of a part's copy: its bytes begin with the solid's index (DevelopmentSnapshot.cpp). Null when
// the index does not name a solid.
const Solid* SolidOfCopy(const Document& document, const std::string& bytes) {
    int32_t index = -1;
    if (bytes.size() >= sizeof index) std::memcpy(&index, bytes.data(), sizeof index);
    const auto& solids = document.model->solids;
    return index >= 0 && size_t(index) < solids.size() ? solids[size_t(index)].get() : nullptr;
}

// What putting `entry` in place of `present` may have relinked: the solids of the parts the two do not
// share. A development edit touches one solid, so its undo separates the corners of that solid alone.
EditScope RestoredScope(const Document& document, const HistoryEntry& entry, const HistoryEntry& present) {
    if (entry.kind != HistoryEntry::Kind::Development) return {};
    std::unordered_set<const std::string*> inEntry, inPresent;
    for (const auto& part : entry.development.parts) inEntry.insert(part.get());
    for (const auto& part : present.development.parts) inPresent.insert(part.get());
    EditScope scope{false, nullptr};
    const auto take = [&](const PartBytes& part, const std::unordered_set<const std::string*>& other) {
        if (other.count(part.get())) return true;
        const Solid* solid = part ? SolidOfCopy(document, *part) : nullptr;
        if (!solid || (scope.links && scope.solid != solid)) return false;
        scope = {true, solid};
        return true;
    };
    for (const auto& part : entry.development.parts)
        if (!take(part, inPresent)) return {};
    for (const auto& part : present.development.parts)
        if (!take(part, inEntry)) return {};
    return scope;
}

// Undo and redo are mirror images: take the newest entry of one list, keep a copy of the present state of
// the same kind on the other, put the entry's state in place.
EditResult Step(EditContext& context, bool undo) {
    Document& document = context.document;
    EditHistory& history = document.history;
    std::optional<HistoryEntry> entry = undo ? history.PopUndo() : history.PopRedo();
    if (!entry) return Refused(undo ? kNothingToUndoText : kNothingToRedoText);
    if (entry->kind == HistoryEntry::Kind::Development && !document.development) {
        return Refused(kUndoCopyUnusableText);
    }
    HistoryEntry present = CaptureLike(document, entry->kind);
    const EditScope scope = RestoredScope(document, *entry, present);
    if (!Restore(document, *entry, context.settings, present)) {
        // The entry stays where it was, so that nothing the user made is lost.
        if (undo)
            history.PushUndo(std::move(*entry));
        else
            history.PushRedo(std::move(*entry));
        return Refused(kUndoCopyUnusableText);
    }
    if (undo)
        history.PushRedo(std::move(present));
    else
        history.PushUndo(std::move(present));
    document.modified = true;
    CompleteDevelopmentEdit(document, scope);
    return UpdateHint::Undone;
}

} // namespace

EditResult Undo(EditContext& context) {
    return Step(context, true);
}

EditResult Redo(EditContext& context) {
    return Step(context, false);
}

PendingEdit BeginEdit(Document& document) {
    PendingEdit pending;
    if (document.development) pending.entry = CaptureDevelopment(document);
    return pending;
}

EditResult CommitEdit(EditContext& context, PendingEdit pending, UpdateHint hint) {
    Document& document = context.document;
    if (!pending.entry || !document.development) return Refused(kNoDevelopmentText);
    document.history.PushEdit(std::move(*pending.entry));
    document.modified = true;
    CompleteDevelopmentEdit(document);
    return hint;
}

} // namespace tsm
