// Recovery copies: where they go, what a copy holds, which copies a start offers (locks, files saved since,
// damaged copies) and the keeper that writes them off the calling thread.

#include "model/RecoveryCopies.h"
#include "model/RecoveryKeeper.h"

#include "ImageTestSupport.h"
#include "model/BinaryReader.h"
#include "model/BinaryWriter.h"
#include "tests/support/RecordingCompletion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace tsm;
namespace fs = std::filesystem;

TEST(RecoveryCopies, FolderFollowsTheStateHomeElseHome) {
    const struct {
        const char* state;
        const char* home;
        std::string folder;
    } cases[] = {
        {"/s", "/h", "/s/tessaly/recovery"},
        {"relative", "/h", "/h/.local/state/tessaly/recovery"}, // not absolute: ignored
        {"", "/h", "/h/.local/state/tessaly/recovery"},
        {nullptr, "/h", "/h/.local/state/tessaly/recovery"},
        {nullptr, nullptr, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(RecoveryFolder(c.state, c.home), c.folder);
}

TEST(RecoveryCopies, HeaderReadsBackAndDamageIsRefused) {
    const RecoveryHeader header{"/a/b\nc.tsm", -5, "b: c", 1700000000,
                                "tessaly build order 1\nparts 1\n0 6 0\n"};
    const std::string bytes = RecoveryCopyBytes(header, "version 3\nmodel");
    RecoveryHeader back;
    std::string_view model;
    ASSERT_TRUE(ParseRecoveryCopy(bytes, back, model));
    EXPECT_EQ(back.originalPath, header.originalPath);
    EXPECT_EQ(back.originalStamp, -5);
    EXPECT_EQ(back.title, header.title);
    EXPECT_EQ(back.savedAt, header.savedAt);
    EXPECT_EQ(back.buildOrder, header.buildOrder);
    EXPECT_EQ(model, "version 3\nmodel");
    // A copy of the first kind, without a build order, still reads.
    std::string first = RecoveryCopyBytes({"/a.tsm", 1, "a", 2, ""}, "version 3\nmodel");
    first.replace(first.find("\n0:\n"), 4, "\n");
    first[17] = '1';
    ASSERT_TRUE(ParseRecoveryCopy(first, back, model));
    EXPECT_EQ(back.title, "a");
    EXPECT_EQ(back.buildOrder, "");
    EXPECT_EQ(model, "version 3\nmodel");
    for (size_t cut : {size_t(0), size_t(5), size_t(19), size_t(22), bytes.size() - 15})
        EXPECT_FALSE(ParseRecoveryCopy(bytes.substr(0, cut), back, model)) << cut;
    std::string longer = bytes;
    longer[19] = '9'; // the path's length runs past the header
    EXPECT_FALSE(ParseRecoveryCopy(longer, back, model));
}

namespace {

// A sample with a development, texts and settings, as it was stored: copies hold what a save would write.
std::unique_ptr<Document> SampleHouse() {
    auto doc = std::make_unique<Document>();
    RecordingPrompt prompt;
    test::RecordingCompletion completion;
    const std::string path = std::string(TESSALY_SOURCE_DIR) + "/samples/house.tsm";
    const Outcome read = BinaryReader(path, *doc, ImportKind::Open, prompt, completion).Load();
    EXPECT_TRUE(read.ok()) << read.reason();
    return doc;
}

class RecoveryKeeperTest : public testing::Test {
protected:
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    size_t Count(const std::string& suffix) const {
        size_t n = 0;
        for (const std::string& name : Names()) n += fs::path(name).extension() == suffix;
        return n;
    }

    testimage::TempFolder dir_;
    const std::string folder_ = dir_.File("state/tessaly/recovery");
    std::unique_ptr<Document> doc_ = SampleHouse();
    RecordingPrompt prompt_;
};

} // namespace

// What a Save would write, under a lock that keeps the copy from a second viewer; offered once its viewer
// has ended, kept by "Later", removed by "Discard".
TEST_F(RecoveryKeeperTest, CopiesHoldTheSavedBytesAndAreOfferedOnlyOnceTheirViewerEnded) {
    const std::string saved = SerializeBinaryModel(*doc_, doc_->display, SaveOptionsFor(*doc_));
    {
        RecoveryKeeper first(folder_), second(folder_);
        first.Keep(*doc_, {"", 0, "mesh", 0, ""});
        doc_->display.drawEdgeIds = !doc_->display.drawEdgeIds;
        second.Keep(*doc_, {"", 0, "other", 0, ""});
        ASSERT_TRUE(first.Wait().ok());
        ASSERT_TRUE(second.Wait().ok());
        EXPECT_NE(first.CopyPath(), second.CopyPath());
        EXPECT_EQ(Count(".tsmr"), 2u);
        EXPECT_TRUE(RecoveryCopy::FindLeftBehind(folder_, prompt_).empty());
        second.Forget();
        EXPECT_EQ(Count(".tsmr"), 1u);
    }
    for (int start = 0; start < 2; ++start) {
        auto offered = RecoveryCopy::FindLeftBehind(folder_, prompt_);
        ASSERT_EQ(offered.size(), 1u);
        EXPECT_EQ(offered[0].Header().title, "mesh");
        EXPECT_TRUE(offered[0].ModelBytes() == saved);
        // Found copies are locked for this process until they are let go ("Later").
        EXPECT_TRUE(RecoveryCopy::FindLeftBehind(folder_, prompt_).empty());
        if (start == 1) offered[0].Remove(); // "Discard"
    }
    EXPECT_TRUE(RecoveryCopy::FindLeftBehind(folder_, prompt_).empty());
    EXPECT_TRUE(Names().empty());
    EXPECT_TRUE(prompt_.texts.empty());
}

// A copy of a file saved since is removed unseen; a damaged one is set aside with a message.
TEST_F(RecoveryKeeperTest, StaleCopiesGoAndDamagedOnesAreSetAside) {
    const std::string original = dir_.Write("model.tsm", "old");
    {
        RecoveryKeeper stale(folder_), kept(folder_), damaged(folder_);
        stale.Keep(*doc_, {original, FileStamp(original) - 1, "model", 0, ""});
        kept.Keep(*doc_, {original, FileStamp(original), "model", 0, ""});
        damaged.Keep(*doc_, {"", 0, "x", 0, ""});
        ASSERT_TRUE(damaged.Wait().ok());
        std::ofstream(damaged.CopyPath(), std::ios::binary) << "TESSALY RECOVERY 1\n12:short\n";
        ASSERT_TRUE(stale.Wait().ok() && kept.Wait().ok());
    }
    const auto offered = RecoveryCopy::FindLeftBehind(folder_, prompt_);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].Header().originalPath, original);
    EXPECT_EQ(Count(".damaged"), 1u);
    EXPECT_EQ(Count(".tsmr"), 1u);
    ASSERT_EQ(prompt_.texts.size(), 1u);
    EXPECT_EQ(prompt_.texts[0].rfind(kRecoveryDamagedText, 0), 0u);
}

// A child process writes the document as it was when the copy was taken, whatever the caller changes
// meanwhile; a copy that cannot be written says why.
TEST_F(RecoveryKeeperTest, ChildCopiesHoldTheDocumentAsTakenAndFailuresAreReported) {
    const std::string saved = SerializeBinaryModel(*doc_, doc_->display, SaveOptionsFor(*doc_));
    {
        RecoveryKeeper keeper(folder_);
        ASSERT_TRUE(keeper.KeepInChild(*doc_, {"/a.tsm", 7, "mesh", 0, ""}));
        doc_->display.drawEdgeIds = !doc_->display.drawEdgeIds;
        ASSERT_TRUE(keeper.Wait().ok());
        std::ifstream in(keeper.CopyPath(), std::ios::binary);
        const std::string copy{std::istreambuf_iterator<char>(in), {}};
        RecoveryHeader header;
        std::string_view model;
        ASSERT_TRUE(ParseRecoveryCopy(copy, header, model));
        EXPECT_TRUE(model == saved);
        EXPECT_EQ(header.originalPath, "/a.tsm");
        EXPECT_EQ(header.originalStamp, 7);
        EXPECT_GT(header.savedAt, 0);
        keeper.Forget();
        EXPECT_EQ(Count(".tsmr"), 0u);
    }
    const std::string blocked = dir_.Write("file", "x") + "/recovery";
    RecoveryKeeper keeper(blocked);
    EXPECT_FALSE(keeper.KeepInChild(*doc_, {"", 0, "mesh", 0, ""}));
    EXPECT_TRUE(keeper.Wait().failed());
}
