#include "model/DocumentController.h"
#include "model/Settings.h"
#include "tests/model/ImageTestSupport.h"
#include "tests/support/DocumentCompare.h"
#include "tests/support/RecordingCompletion.h"
#include "tests/support/RecordingWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace tsm;

namespace {

std::string Sample(const std::string& name) {
    return std::string(TESSALY_SOURCE_DIR) + "/samples/" + name;
}

struct Harness {
    Settings settings;
    RecordingPrompt prompt;
    // Saving writes what was read: nothing the engine derives on opening is compared.
    test::RecordingCompletion completion;
    test::RecordingWindow window;
    DocumentController documents{settings, prompt, completion, &window};
};

} // namespace

TEST(DocumentSaving, SavedFileReopensEqualAndBecomesTheDocumentsFile) {
    testimage::TempFolder folder;
    Harness h;
    ASSERT_TRUE(h.documents.OpenModelFile(Sample("house.tsm")));
    Document& doc = *h.documents.Current();
    doc.development->parts[0]->faces[0]->Corner(0)->x2d += 1.25;
    // Texts keep their code page: Shift_JIS bytes under a Japanese writer locale.
    doc.writerLocale = "ja-JP";
    doc.development->texts.front()->lines = {"\x93\xFA\x96\x7B"};
    doc.modified = true;
    const std::string path = folder.File("saved.tsm");
    ASSERT_TRUE(h.documents.SaveAs(path).ok());
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(h.documents.SavePath(), path);

    Harness again;
    ASSERT_TRUE(again.documents.OpenModelFile(path));
    test::ExpectSameDocument(doc, *again.documents.Current());
    test::ExpectSameDisplaySettings(doc.display, again.documents.Current()->display);
    EXPECT_EQ(again.documents.Current()->writerLocale, "ja-JP");
}

TEST(DocumentSaving, FailedSaveKeepsTheDocumentAndItsMark) {
    testimage::TempFolder folder;
    Harness h;
    ASSERT_TRUE(h.documents.OpenModelFile(Sample("cube.tsm")));
    h.documents.Current()->modified = true;
    const std::string before = h.documents.SavePath();
    // Nothing may be created inside /proc, whoever runs the test; a plain file cannot hold a folder.
    std::ofstream(folder.File("plain")) << "x";
    for (const std::string& target : {std::string("/proc/self/saved.tsm"), folder.File("plain/saved.tsm")}) {
        const Outcome outcome = h.documents.SaveAs(target);
        EXPECT_TRUE(outcome.failed()) << target;
        EXPECT_FALSE(outcome.reason().empty()) << target;
        EXPECT_TRUE(h.documents.Current()->modified) << target;
        EXPECT_EQ(h.documents.SavePath(), before) << target;
        EXPECT_EQ(h.documents.Title(), "cube") << target;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("plain/saved.tsm")));
}

TEST(DocumentSaving, SaveAsProposesTheFileTheMeshOrAnUntitledName) {
    Harness h;
    h.settings.lastModelFolder = "/data/models";
    EXPECT_EQ(h.documents.SuggestedSavePath(), "/data/models/Untitled.tsm");
    h.documents.AdoptNewDocument(std::make_unique<Document>(), "bunny.obj", "/meshes/bunny.tsm");
    EXPECT_EQ(h.documents.SavePath(), "");
    EXPECT_EQ(h.documents.SuggestedSavePath(), "/meshes/bunny.tsm");
    ASSERT_TRUE(h.documents.OpenModelFile(Sample("cube.tsm")));
    EXPECT_EQ(h.documents.SuggestedSavePath(),
              std::filesystem::path(Sample("cube.tsm")).lexically_normal().string());
}
