// Recovery copies in the window: the timer and drags, Save and a deliberate "don't save" removing the copy,
// and the offer at the next start (Recover, Discard, Later, a damaged copy, a copy whose viewer still runs).
#include "app/RecoveryController.h"

#include "AppTestSupport.h"
#include "model/BuildOrderFile.h"
#include "model/RecoveryCopies.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace tsm;
using namespace tsm::test;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class RecoveryTest : public ::testing::Test {
protected:
    RecoveryTest() { fs::copy_file(SamplePath("cube.tsm"), path_); }

    // A window with the cube open and its first part moved: unsaved changes.
    std::unique_ptr<FrameHarness> EditedViewer() {
        auto viewer = std::make_unique<FrameHarness>(true, folder_);
        EXPECT_TRUE(viewer->frame->OpenFromCommandLine(path_));
        Document& document = *viewer->frame->Doc().Current();
        document.development->parts[0]->x += 10;
        // A build order of the user's own, which a Save writes beside the model file.
        auto& parts = document.development->parts;
        for (size_t p = 0; p < parts.size(); ++p) parts[p]->buildStep = int(parts.size() - p);
        document.modified = true;
        viewer->frame->RefreshCommandStates();
        return viewer;
    }
    static std::string SavedBytes(FrameHarness& viewer) {
        const Document& document = *viewer.frame->Doc().Current();
        return SerializeBinaryModel(document, document.display, SaveOptionsFor(document));
    }
    // Writes the viewer's copy now, as its timer would.
    static void KeepCopy(FrameHarness& viewer) {
        ASSERT_TRUE(viewer.frame->Recovery().Tick());
        ASSERT_TRUE(viewer.frame->Recovery().Wait().ok());
    }
    size_t Copies() const {
        size_t n = 0;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder_, error))
            n += entry.path().extension() == ".tsmr";
        return n;
    }

    TempFolder dir_;
    const std::string folder_ = dir_.File("recovery");
    const std::string path_ = dir_.File("cube.tsm");
};

} // namespace

TEST_F(RecoveryTest, TheTimerWritesWhatASaveWouldOnlyWithUnsavedChangesAndNeverDuringADrag) {
    auto viewer = EditedViewer();
    RecoveryController& recovery = viewer->frame->Recovery();
    bool dragging = true;
    recovery.SetDragQuery([&dragging] { return dragging; });
    EXPECT_FALSE(recovery.Tick());
    dragging = false;
    KeepCopy(*viewer);
    RecoveryHeader header;
    std::string_view model;
    const std::string copy = ReadAll(recovery.CopyPath());
    ASSERT_TRUE(ParseRecoveryCopy(copy, header, model));
    EXPECT_TRUE(model == SavedBytes(*viewer));
    EXPECT_EQ(header.originalPath, path_);
    EXPECT_EQ(header.originalStamp, FileStamp(path_));
    EXPECT_EQ(header.title, "cube");

    // The setting drives the real timer; 0 turns the copies off.
    fs::remove(recovery.CopyPath());
    viewer->frame->AppSettings().recoveryIntervalMinutes = 1.0 / 60;
    viewer->frame->RefreshCommandStates();
    EXPECT_EQ(recovery.Timer().interval(), 1000);
    QElapsedTimer waited;
    waited.start();
    while (Copies() == 0 && waited.elapsed() < 10000) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    EXPECT_TRUE(recovery.Wait().ok());
    EXPECT_EQ(Copies(), 1u);
    viewer->frame->AppSettings().recoveryIntervalMinutes = 0;
    viewer->frame->RefreshCommandStates();
    EXPECT_FALSE(recovery.Timer().isActive());

    // Nothing unsaved, nothing to keep.
    viewer->Trigger(CommandId::FileSave);
    EXPECT_FALSE(recovery.Tick());
}

TEST_F(RecoveryTest, SaveAndADeliberateDontSaveRemoveTheCopyCancelKeepsIt) {
    const struct {
        const char* name;
        std::optional<PromptAnswer> atClose; // unset: Save from the menu
        size_t copiesAfter;
    } cases[] = {
        {"save", std::nullopt, 0},
        {"close, save", PromptAnswer::Yes, 0},
        {"close, don't save", PromptAnswer::No, 0},
        {"close, cancel", PromptAnswer::Cancel, 1},
    };
    for (const auto& c : cases) {
        fs::remove_all(folder_);
        auto viewer = EditedViewer();
        KeepCopy(*viewer);
        ASSERT_EQ(Copies(), 1u) << c.name;
        if (c.atClose) {
            viewer->prompt.threeWayAnswer = *c.atClose;
            viewer->frame->close();
        } else {
            viewer->Trigger(CommandId::FileSave);
        }
        EXPECT_EQ(Copies(), c.copiesAfter) << c.name;
    }
}

TEST_F(RecoveryTest, TheNextStartOffersEachCopyRecoverDiscardOrLater) {
    const struct {
        const char* name;
        size_t choice; // 0 Recover, 1 Discard, 2 Later
        bool recovered;
        size_t copiesAfter;
    } cases[] = {
        {"recover", 0, true, 1},
        {"discard", 1, false, 0},
        {"later", 2, false, 1},
    };
    for (const auto& c : cases) {
        fs::remove_all(folder_);
        std::string expected, expectedOrder;
        {
            auto crashed = EditedViewer();
            KeepCopy(*crashed);
            expected = SavedBytes(*crashed);
            expectedOrder = BuildOrderText(*crashed->frame->Doc().Current()->development);
        } // the window goes without closing, as in a crash: its copy stays
        FrameHarness next(true, folder_);
        next.prompt.choices = {c.choice};
        EXPECT_EQ(next.frame->Recovery().OfferLeftBehind(), c.recovered) << c.name;
        ASSERT_EQ(next.prompt.texts.size(), 1u) << c.name;
        EXPECT_EQ(next.prompt.texts[0].rfind(
                      "Unsaved changes to \"" + path_ + "\" were kept in a recovery copy at ", 0),
                  0u)
            << next.prompt.texts[0];
        EXPECT_EQ(Copies(), c.copiesAfter) << c.name;
        EXPECT_EQ(next.frame->Doc().Current() != nullptr, c.recovered) << c.name;
        if (!c.recovered) continue;
        // The original file with unsaved changes: the star, and Save writes the original's exact bytes.
        EXPECT_EQ(next.frame->windowTitle(), "cube* - Tessaly");
        next.Trigger(CommandId::FileSave);
        EXPECT_TRUE(next.chooser.saveFilters.empty());
        EXPECT_TRUE(ReadAll(path_) == expected);
        EXPECT_FALSE(expectedOrder.empty());
        EXPECT_EQ(ReadAll(BuildOrderPath(path_)), expectedOrder);
        EXPECT_EQ(Copies(), 0u);
    }
    // "Later" left its copy for the start after.
    FrameHarness later(true, folder_);
    EXPECT_TRUE(later.frame->Recovery().OfferLeftBehind());
}

TEST_F(RecoveryTest, AModelNeverSavedComesBackUntitledADamagedCopyIsSetAside) {
    fs::create_directories(folder_);
    {
        RecoveryCopy damaged, untitled;
        ASSERT_TRUE(damaged.Claim(folder_).ok() && untitled.Claim(folder_).ok());
        ASSERT_TRUE(damaged.Write({"", 0, "broken", 1, ""}, "version 3\nnot a model").ok());
        ASSERT_TRUE(untitled.Write({"", 0, "bunny", 2, ""}, ReadAll(path_)).ok());
    } // older first: the damaged copy is offered first
    FrameHarness next(true, folder_);
    next.prompt.choices = {0, 0};
    EXPECT_TRUE(next.frame->Recovery().OfferLeftBehind());
    ASSERT_EQ(next.prompt.texts.size(), 3u);
    EXPECT_EQ(next.prompt.texts[0].rfind("Unsaved changes to \"broken\" (never saved)", 0), 0u);
    EXPECT_EQ(next.prompt.texts[1].rfind(kRecoveryDamagedText, 0), 0u) << next.prompt.texts[1];
    EXPECT_TRUE(next.frame->Doc().SavePath().empty());
    EXPECT_EQ(next.frame->windowTitle(), "bunny* - Tessaly");
    size_t setAside = 0;
    for (const auto& entry : fs::directory_iterator(folder_))
        setAside += entry.path().extension() == ".damaged";
    EXPECT_EQ(setAside, 1u);
}

TEST_F(RecoveryTest, TwoViewersKeepSeparateCopiesNeitherOfferedWhileTheyRun) {
    auto first = EditedViewer();
    auto second = EditedViewer();
    KeepCopy(*first);
    KeepCopy(*second);
    EXPECT_NE(first->frame->Recovery().CopyPath(), second->frame->Recovery().CopyPath());
    EXPECT_EQ(Copies(), 2u);
    FrameHarness third(true, folder_);
    EXPECT_FALSE(third.frame->Recovery().OfferLeftBehind());
    EXPECT_TRUE(third.prompt.texts.empty());
}
