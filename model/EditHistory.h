// The document's undo and redo lists. An entry is a copy of the state before an edit: of the development
// (part by part, sharing unchanged parts with the other entries) for the development editors, or of the
// whole document as a compressed model file for the commands that change the mesh itself. Entries of
// both kinds form one timeline, so undo always takes back the newest edit whatever it changed; each kind
// keeps at most 50 entries, the oldest dropped first, and the whole history stays within a byte budget.
//
// This is storage only: taking the copies and putting them back belongs to the document commands
// (engine/DocumentEdits.h), which know how to complete a model read back from bytes.
#pragma once

#include "model/DevelopmentSnapshot.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace tsm {

struct HistoryEntry {
    enum class Kind { Development, Model };
    Kind kind = Kind::Development;
    DevelopmentSnapshot development; // Kind::Development
    std::string modelBytes;          // Kind::Model: the document as a binary model file, compressed
    std::string buildOrder;          // Kind::Model: the user's build order, which the file does not keep

    size_t Bytes() const { return development.Bytes() + modelBytes.size() + buildOrder.size(); }
};

class EditHistory {
public:
    static constexpr size_t kMaxStepsPerKind = 50;
    // Beyond this the oldest entries go, whatever their kind: a huge model must not exhaust memory.
    static constexpr size_t kByteBudget = size_t(768) << 20;

    explicit EditHistory(size_t byteBudget = kByteBudget) : byteBudget_(byteBudget) {}

    // A new edit: its entry goes onto the undo list and the redo list is cleared.
    void PushEdit(HistoryEntry entry);
    // Undo and redo move entries between the two lists through these.
    void PushUndo(HistoryEntry entry);
    void PushRedo(HistoryEntry entry);
    std::optional<HistoryEntry> PopUndo();
    std::optional<HistoryEntry> PopRedo();

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    size_t UndoCount() const { return undo_.size(); }
    size_t RedoCount() const { return redo_.size(); }
    const std::deque<HistoryEntry>& UndoEntries() const { return undo_; }

    void Clear();
    // Bytes held by both lists, each shared part counted once.
    size_t HeldBytes() const;

    PartPool& Pool() { return pool_; }

private:
    void Trim(std::deque<HistoryEntry>& list);

    std::deque<HistoryEntry> undo_; // oldest first
    std::deque<HistoryEntry> redo_; // oldest first; the back is the next redo
    PartPool pool_;
    size_t byteBudget_;
};

// zlib at its fastest level; the copies are written often and read rarely.
std::string CompressHistoryBytes(const std::string& bytes);
// Empty optional when the bytes are not what CompressHistoryBytes made.
std::optional<std::string> DecompressHistoryBytes(const std::string& compressed);

} // namespace tsm
