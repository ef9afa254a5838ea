#include "app/MainFrame.h"

#include "AppTestSupport.h"
#include "engine/DocumentEdits.h"

#include <QClipboard>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace tsm;
using namespace tsm::test;

namespace {

std::string Head(const std::string& path, size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.substr(0, count);
}

void RotateFirstPart(MainFrame& frame) {
    Document& document = *frame.Doc().Current();
    const Settings settings = frame.ViewSettings();
    EditContext context{document, settings};
    ASSERT_TRUE(RotatePartBy(context, *document.development->parts[0], {0, 0}, 30).ok());
    frame.UpdateAllViews(UpdateHint::Redraw);
}

} // namespace

TEST(EditFileMenus, EditCommandsAreEnabledExactlyWhenTheyCanAct) {
    FrameHarness h;
    for (CommandId id :
         {CommandId::EditUndo, CommandId::EditRedo, CommandId::EditCopy, CommandId::EditDelete})
        EXPECT_FALSE(h.Enabled(id)) << id;

    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    EXPECT_TRUE(h.Enabled(CommandId::EditCopy));
    EXPECT_FALSE(h.Enabled(CommandId::EditUndo));
    EXPECT_FALSE(h.Enabled(CommandId::EditRedo));
    EXPECT_FALSE(h.Enabled(CommandId::EditDelete)) << "nothing can select yet";

    RotateFirstPart(*h.frame);
    EXPECT_TRUE(h.Enabled(CommandId::EditUndo));
    h.Trigger(CommandId::EditUndo);
    EXPECT_FALSE(h.Enabled(CommandId::EditUndo));
    EXPECT_TRUE(h.Enabled(CommandId::EditRedo));

    // Delete follows the view's selection through its hook; opening the Edit menu brings it up to date.
    bool selected = true;
    h.frame->Commands().SetExternalHandler(
        CommandId::EditDelete, [] {}, [&] { return selected; });
    h.frame->RefreshCommandStates();
    EXPECT_TRUE(h.Enabled(CommandId::EditDelete));
    selected = false;
    for (QAction* top : h.frame->menuBar()->actions())
        if (top->text() == "&Edit") emit top->menu()->aboutToShow();
    EXPECT_FALSE(h.Enabled(CommandId::EditDelete));
}

TEST(EditFileMenus, EachExportEntryWritesItsFile) {
    FrameHarness h;
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    RotateFirstPart(*h.frame);
    ASSERT_TRUE(h.Enabled(CommandId::EditUndo));
    const struct {
        CommandId id;
        const char* chosen;
        const char* written;
        std::string start;
        bool sized; // asks for the bitmap size
    } exports[] = {
        {CommandId::ExportBitmap, "whole", "whole.bmp", "BM", true},
        {CommandId::ExportSheetBitmaps, "sheet.bmp", "sheet_001.bmp", "BM", true},
        {CommandId::ExportEps, "lines.eps", "lines.eps", "%!PS-Adobe", false},
        {CommandId::ExportDxf, "lines", "lines.dxf", "  0\nSECTION", false},
        {CommandId::ExportEmf, "lines", "lines.emf", std::string("\x01\0\0\0", 4), false},
        {CommandId::ExportSvg, "drawing.SVG", "drawing.SVG", "<?xml", false},
        {CommandId::ExportPdf, "pages", "pages.pdf", "%PDF-", false},
        // Asks first whether the model may take the picture as its texture (the prompt says yes).
        {CommandId::ExportTextureBitmap, "texture.bmp", "texture.bmp", "BM", true},
    };
    QMenu* exportMenu = h.frame->CommandUi().ExportMenu();
    ASSERT_NE(exportMenu, nullptr);
    for (const auto& e : exports) {
        QAction* action = h.frame->CommandUi().Action(e.id);
        EXPECT_TRUE(exportMenu->actions().contains(action)) << e.id;
        EXPECT_TRUE(action->isEnabled()) << e.id;
        const int sizeDialogs = h.sizeDialogs;
        h.chooser.answers = {h.folder.File(e.chosen)};
        action->trigger();
        EXPECT_EQ(Head(h.folder.File(e.written), e.start.size()), e.start) << e.written;
        EXPECT_EQ(h.sizeDialogs, sizeDialogs + (e.sized ? 1 : 0)) << e.id;
    }
    // The EPS options chosen in the dialog are kept for the next export.
    EXPECT_EQ(h.epsDialogs, 1);
    EXPECT_TRUE(h.frame->AppSettings().epsOptions.notFillFaces);
    // The sample's parts reach past its sheet: each sheet export asked first (and was told to go on).
    EXPECT_EQ(h.prompt.texts.back(), kMessageTextureReset);
    // The texture reset is no edit to undo: the history before it is gone and the model is marked changed.
    Document& document = *h.frame->Doc().Current();
    EXPECT_TRUE(document.modified);
    EXPECT_FALSE(h.Enabled(CommandId::EditUndo));
    ASSERT_EQ(document.model->materials.size(), 1u);
    EXPECT_EQ(document.model->materials[0]->name, "texture");
}

TEST(EditFileMenus, ExportsRefuseWrongNamesAndStopOnCancel) {
    FrameHarness h(false);
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    const struct {
        CommandId id;
        const char* chosen;
        std::vector<std::string> said;
    } refusals[] = {
        {CommandId::ExportPdf, "pages.png", {kMessageWrongFileType}},
        {CommandId::ExportBitmap, "whole.jpg", {kMessageWrongFileType}},
        {CommandId::ExportSvg, "drawing.eps", {kMessageWrongFileType}},
        // No to the texture question: no save dialog at all.
        {CommandId::ExportTextureBitmap, "texture.bmp", {kMessageTextureReset}},
    };
    for (const auto& r : refusals) {
        h.prompt.texts.clear();
        h.chooser.answers = {h.folder.File(r.chosen)};
        h.Trigger(r.id);
        EXPECT_EQ(h.prompt.texts, r.said) << r.id;
    }
    // The size dialog, the "EPS Option" dialog or the file dialog cancelled: nothing written, nothing said.
    h.acceptSize = false;
    h.prompt.texts.clear();
    h.chooser.answers = {h.folder.File("cancelled.bmp"), h.folder.File("cancelled.eps")};
    h.Trigger(CommandId::ExportBitmap);
    h.Trigger(CommandId::ExportEps);
    h.chooser.answers.clear();
    h.Trigger(CommandId::ExportDxf);
    EXPECT_TRUE(h.prompt.texts.empty());
    EXPECT_FALSE(std::filesystem::exists(h.folder.File("cancelled.bmp")));
    EXPECT_FALSE(std::filesystem::exists(h.folder.File("cancelled.eps")));
    for (const char* refused : {"pages.png", "whole.jpg", "drawing.eps", "texture.bmp"})
        EXPECT_FALSE(std::filesystem::exists(h.folder.File(refused))) << refused;
}

TEST(EditFileMenus, CopyPutsAPictureAndItsVectorsOnTheClipboard) {
    FrameHarness h;
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    QClipboard* clipboard = QGuiApplication::clipboard();
    // The menu command asks for the size (120 pixels and the borders), the key copies at 100 %.
    for (const auto& [id, sized] :
         {std::pair{CommandId::CopyDevelopment, true}, std::pair{CommandId::EditCopy, false}}) {
        clipboard->clear();
        const int sizeDialogs = h.sizeDialogs;
        h.Trigger(id);
        const QMimeData* data = clipboard->mimeData();
        ASSERT_NE(data, nullptr) << id;
        const QImage picture = QImage::fromData(data->data("image/png"), "PNG");
        ASSERT_FALSE(picture.isNull()) << id;
        EXPECT_EQ(h.sizeDialogs, sizeDialogs + (sized ? 1 : 0)) << id;
        EXPECT_EQ(picture.width() == 120 + 2 * kWholeBmpBorderPixels, sized) << picture.width();
        EXPECT_GT(CountPixels(picture, [&](QRgb p) { return p != picture.pixel(0, 0); }), 100) << id;
        const QByteArray svg = data->data("image/svg+xml");
        EXPECT_TRUE(svg.startsWith("<?xml")) << id;
        EXPECT_TRUE(svg.contains("<svg")) << id;
    }
    EXPECT_TRUE(h.prompt.texts.empty());
}
