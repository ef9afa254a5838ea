#include "model/EditHistory.h"

#include <zlib.h>

#include <cstring>

namespace tsm {

void EditHistory::PushEdit(HistoryEntry entry) {
    redo_.clear();
    PushUndo(std::move(entry));
}

void EditHistory::PushUndo(HistoryEntry entry) {
    undo_.push_back(std::move(entry));
    Trim(undo_);
}

void EditHistory::PushRedo(HistoryEntry entry) {
    redo_.push_back(std::move(entry));
    Trim(redo_);
}

std::optional<HistoryEntry> EditHistory::PopUndo() {
    if (undo_.empty()) return std::nullopt;
    HistoryEntry entry = std::move(undo_.back());
    undo_.pop_back();
    return entry;
}

std::optional<HistoryEntry> EditHistory::PopRedo() {
    if (redo_.empty()) return std::nullopt;
    HistoryEntry entry = std::move(redo_.back());
    redo_.pop_back();
    return entry;
}

void EditHistory::Clear() {
    undo_.clear();
    redo_.clear();
    pool_.Prune();
}

size_t EditHistory::HeldBytes() const {
    size_t total = pool_.HeldBytes();
    for (const auto* list : {&undo_, &redo_})
        for (const HistoryEntry& entry : *list)
            total += entry.development.rest.size() + entry.modelBytes.size();
    return total;
}

void EditHistory::Trim(std::deque<HistoryEntry>& list) {
    const HistoryEntry::Kind kind = list.back().kind;
    size_t ofKind = 0;
    for (const HistoryEntry& entry : list) ofKind += entry.kind == kind;
    for (auto it = list.begin(); ofKind > kMaxStepsPerKind && it != list.end();) {
        if (it->kind == kind) {
            it = list.erase(it);
            --ofKind;
        } else {
            ++it;
        }
    }
    pool_.Prune();
    // The newest entry of each list always stays, so that the edit just made can be taken back.
    while (HeldBytes() > byteBudget_ && (undo_.size() > 1 || redo_.size() > 1)) {
        std::deque<HistoryEntry>& from = undo_.size() > 1 ? undo_ : redo_;
        from.pop_front();
        pool_.Prune();
    }
}

std::string CompressHistoryBytes(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(sizeof(uint64_t) + size, '\0');
    const uint64_t plain = bytes.size();
    std::memcpy(&out[0], &plain, sizeof plain);
    if (compress2(reinterpret_cast<Bytef*>(&out[sizeof plain]), &size,
                  reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()),
                  Z_BEST_SPEED) != Z_OK)
        return {};
    out.resize(sizeof plain + size);
    return out;
}

std::optional<std::string> DecompressHistoryBytes(const std::string& compressed) {
    uint64_t plain = 0;
    if (compressed.size() < sizeof plain) return std::nullopt;
    std::memcpy(&plain, compressed.data(), sizeof plain);
    // zlib cannot expand by more than about 1032 times: anything beyond is not one of our copies.
    if (plain > (compressed.size() + 64) * 1100) return std::nullopt;
    std::string out(plain, '\0');
    uLongf size = static_cast<uLongf>(plain);
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                   reinterpret_cast<const Bytef*>(compressed.data() + sizeof plain),
                   static_cast<uLong>(compressed.size() - sizeof plain)) != Z_OK ||
        size != plain)
        return std::nullopt;
    return out;
}

} // namespace tsm
