#include "model/EditHistory.h"

#include <gtest/gtest.h>

using namespace tsm;

namespace {

HistoryEntry Entry(HistoryEntry::Kind kind, const std::string& tag, size_t padding = 0) {
    HistoryEntry entry;
    entry.kind = kind;
    if (kind == HistoryEntry::Kind::Model)
        entry.modelBytes = tag + std::string(padding, '.');
    else
        entry.development.rest = tag + std::string(padding, '.');
    return entry;
}

std::string Tag(const HistoryEntry& entry) {
    return entry.kind == HistoryEntry::Kind::Model ? entry.modelBytes : entry.development.rest;
}

constexpr auto kDev = HistoryEntry::Kind::Development;
constexpr auto kModel = HistoryEntry::Kind::Model;

} // namespace

TEST(EditHistory, EachKindKeepsItsNewestFiftyEntries) {
    EditHistory history;
    history.PushEdit(Entry(kModel, "m0"));
    for (int i = 0; i < 51; ++i) history.PushEdit(Entry(kDev, "d" + std::to_string(i)));
    // The 51st development entry dropped the oldest development entry, not the older model entry.
    ASSERT_EQ(history.UndoCount(), 51u);
    EXPECT_EQ(Tag(history.UndoEntries().front()), "m0");
    EXPECT_EQ(Tag(history.UndoEntries()[1]), "d1");
    EXPECT_EQ(Tag(history.UndoEntries().back()), "d50");
    // Taking an edit back offers it for redo until a new edit is made.
    EXPECT_EQ(Tag(*history.PopUndo()), "d50");
    history.PushRedo(Entry(kDev, "present"));
    EXPECT_TRUE(history.CanRedo());
    history.PushEdit(Entry(kDev, "new"));
    EXPECT_FALSE(history.CanRedo());
}

TEST(EditHistory, ByteBudgetDropsTheOldestButKeepsTheNewest) {
    EditHistory history(1000);
    for (int i = 0; i < 5; ++i) history.PushEdit(Entry(kDev, std::to_string(i), 300));
    EXPECT_LE(history.HeldBytes(), 1000u);
    EXPECT_EQ(history.UndoCount(), 3u);
    EXPECT_EQ(Tag(history.UndoEntries().front()).substr(0, 1), "2");
    // A single entry beyond the budget stays: the edit just made can always be taken back.
    history.PushEdit(Entry(kModel, "huge", 5000));
    EXPECT_EQ(history.UndoCount(), 1u);
}

TEST(EditHistory, CompressedBytesRoundTripAndBadCopiesAreRefused) {
    std::string plain;
    for (int i = 0; i < 10000; ++i) plain += std::to_string(i % 97);
    const std::string packed = CompressHistoryBytes(plain);
    EXPECT_LT(packed.size(), plain.size() / 2);
    EXPECT_EQ(DecompressHistoryBytes(packed), plain);
    EXPECT_EQ(DecompressHistoryBytes(CompressHistoryBytes("")), std::string());

    std::string lyingSize = packed;
    lyingSize[0] ^= 1;
    std::string hugeSize = packed;
    hugeSize[7] = 0x10;
    for (const std::string& bad :
         {std::string(), std::string("abc"), packed.substr(0, packed.size() / 2), lyingSize, hugeSize})
        EXPECT_FALSE(DecompressHistoryBytes(bad));
}
