#include "app/MainFrame.h"

#include "AppTestSupport.h"
#include "engine/DocumentEdits.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>

#include <gtest/gtest.h>

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

QMenu* TopMenu(MainFrame& frame, const QString& title) {
    for (QAction* top : frame.menuBar()->actions())
        if (top->text() == title) return top->menu();
    return nullptr;
}

// The menu's commands in order, separators left out.
QList<QAction*> Entries(QMenu* menu) {
    QList<QAction*> entries;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) entries << action;
    return entries;
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
    TempFolder folder;
    FrameHarness h(folder.path());
    for (int id : {kCmdEditUndo, kCmdEditRedo, kCmdEditCopy, kCmdEditDelete})
        EXPECT_FALSE(h.Enabled(id)) << id;

    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    EXPECT_TRUE(h.Enabled(kCmdEditCopy));
    EXPECT_FALSE(h.Enabled(kCmdEditUndo));
    EXPECT_FALSE(h.Enabled(kCmdEditRedo));
    EXPECT_FALSE(h.Enabled(kCmdEditDelete)) << "nothing can select yet";

    RotateFirstPart(*h.frame);
    EXPECT_TRUE(h.Enabled(kCmdEditUndo));
    h.Trigger(kCmdEditUndo);
    EXPECT_FALSE(h.Enabled(kCmdEditUndo));
    EXPECT_TRUE(h.Enabled(kCmdEditRedo));

    // Delete follows the view's selection through its hook.
    bool selected = false;
    int deleted = 0;
    h.frame->Commands().SetExternalHandler(
        kCmdEditDelete, [&] { ++deleted; }, [&] { return selected; });
    h.frame->RefreshCommandStates();
    EXPECT_FALSE(h.Enabled(kCmdEditDelete));
    h.Trigger(kCmdEditDelete);
    EXPECT_EQ(deleted, 0);
    selected = true;
    h.frame->RefreshCommandStates();
    EXPECT_TRUE(h.Enabled(kCmdEditDelete));
    h.Trigger(kCmdEditDelete);
    EXPECT_EQ(deleted, 1);

    // The Edit menu holds the four, in order, and opening it brings their states up to date.
    QMenu* edit = TopMenu(*h.frame, "&Edit");
    ASSERT_NE(edit, nullptr);
    const QList<QAction*> expected = {
        h.frame->CommandUi().Action(kCmdEditUndo), h.frame->CommandUi().Action(kCmdEditRedo),
        h.frame->CommandUi().Action(kCmdEditCopy), h.frame->CommandUi().Action(kCmdEditDelete)};
    EXPECT_EQ(Entries(edit), expected);
    selected = false;
    emit edit->aboutToShow();
    EXPECT_FALSE(h.Enabled(kCmdEditDelete));
}

TEST(EditFileMenus, KeysOfTheEditAndFileCommands) {
    TempFolder folder;
    FrameHarness h(folder.path());
    const std::pair<int, QList<QKeySequence>> keys[] = {
        {kCmdFileSave, {QKeySequence("Ctrl+S")}},
        {kCmdFileSaveAs, {QKeySequence("Ctrl+Shift+S")}},
        {kCmdEditUndo, {QKeySequence("Ctrl+Z")}},
        {kCmdEditRedo, {QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}},
        {kCmdEditCopy, {QKeySequence("Ctrl+C")}},
        {kCmdEditDelete, {QKeySequence(Qt::Key_Delete)}},
        {kCmdExportBitmap, {}},
    };
    for (const auto& [id, sequences] : keys)
        EXPECT_EQ(h.frame->CommandUi().Action(id)->shortcuts(), sequences) << id;
}

TEST(EditFileMenus, EachExportEntryWritesItsFile) {
    TempFolder folder;
    FrameHarness h(folder.path());
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    RotateFirstPart(*h.frame);
    ASSERT_TRUE(h.Enabled(kCmdEditUndo));
    const struct {
        int id;
        const char* chosen;
        const char* written;
        std::string start;
        bool sized; // asks for the bitmap size
    } exports[] = {
        {kCmdExportBitmap, "whole", "whole.bmp", "BM", true},
        {kCmdExportSheetBitmaps, "sheet.bmp", "sheet_001.bmp", "BM", true},
        {kCmdExportEps, "lines.eps", "lines.eps", "%!PS-Adobe", false},
        {kCmdExportDxf, "lines", "lines.dxf", "  0\nSECTION", false},
        {kCmdExportEmf, "lines", "lines.emf", std::string("\x01\0\0\0", 4), false},
        {kCmdExportSvg, "drawing.SVG", "drawing.SVG", "<?xml", false},
        {kCmdExportPdf, "pages", "pages.pdf", "%PDF-", false},
        // Asks first whether the model may take the picture as its texture (the prompt says yes).
        {kCmdExportTextureBitmap, "texture.bmp", "texture.bmp", "BM", true},
    };
    QMenu* exportMenu = h.frame->CommandUi().ExportMenu();
    ASSERT_NE(exportMenu, nullptr);
    EXPECT_EQ(Entries(exportMenu).size(), static_cast<qsizetype>(std::size(exports)));
    for (const auto& e : exports) {
        QAction* action = h.frame->CommandUi().Action(e.id);
        EXPECT_TRUE(exportMenu->actions().contains(action)) << e.id;
        EXPECT_TRUE(action->isEnabled()) << e.id;
        const int sizeDialogs = h.sizeDialogs;
        h.chooser.answers = {folder.File(e.chosen)};
        action->trigger();
        EXPECT_EQ(Head(folder.File(e.written), e.start.size()), e.start) << e.written;
        EXPECT_EQ(h.sizeDialogs, sizeDialogs + (e.sized ? 1 : 0)) << e.id;
    }
    EXPECT_EQ(h.chooser.saveFilters.back(), ExportDialogFilter(ExportFormat::Bmp));
    // The EPS options chosen in the dialog are kept for the next export.
    EXPECT_EQ(h.epsDialogs, 1);
    EXPECT_TRUE(KeptEpsOptions().notFillFaces);
    KeptEpsOptions() = EpsOptions{};
    EXPECT_EQ(h.chooser.saveFilters[6], kPdfDialogFilter);
    EXPECT_EQ(h.prompt.texts, std::vector<std::string>{kMessageTextureReset});
    // The texture reset is no edit to undo: the history before it is gone and the model is marked changed.
    Document& document = *h.frame->Doc().Current();
    EXPECT_TRUE(document.modified);
    EXPECT_FALSE(h.Enabled(kCmdEditUndo));
    ASSERT_EQ(document.model->materials.size(), 1u);
    EXPECT_EQ(document.model->materials[0]->name, "texture");
}

TEST(EditFileMenus, ExportsRefuseWrongNamesAndStopOnCancel) {
    TempFolder folder;
    FrameHarness h(folder.path(), false);
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    const struct {
        int id;
        const char* chosen;
        std::vector<std::string> said;
    } refusals[] = {
        {kCmdExportPdf, "pages.png", {kMessageWrongFileType}},
        {kCmdExportBitmap, "whole.jpg", {kMessageWrongFileType}},
        {kCmdExportSvg, "drawing.eps", {kMessageWrongFileType}},
        // No to the texture question: no save dialog at all.
        {kCmdExportTextureBitmap, "texture.bmp", {kMessageTextureReset}},
    };
    for (const auto& r : refusals) {
        h.prompt.texts.clear();
        h.chooser.answers = {folder.File(r.chosen)};
        h.Trigger(r.id);
        EXPECT_EQ(h.prompt.texts, r.said) << r.id;
    }
    // The size dialog cancelled: nothing written, nothing said.
    h.acceptSize = false;
    h.prompt.texts.clear();
    h.chooser.answers = {folder.File("cancelled.bmp"), folder.File("cancelled.eps")};
    h.Trigger(kCmdExportBitmap);
    h.Trigger(kCmdExportEps); // and the "EPS Option" dialog cancelled
    EXPECT_TRUE(h.prompt.texts.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.File("cancelled.bmp")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("cancelled.eps")));
    for (const char* refused : {"pages.png", "whole.jpg", "drawing.eps", "texture.bmp"})
        EXPECT_FALSE(std::filesystem::exists(folder.File(refused))) << refused;
}

TEST(EditFileMenus, CopyPutsAPictureAndItsVectorsOnTheClipboard) {
    TempFolder folder;
    FrameHarness h(folder.path());
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (int id : {kCmdCopyDevelopment, kCmdEditCopy}) {
        clipboard->clear();
        const int sizeDialogs = h.sizeDialogs;
        h.Trigger(id);
        const QMimeData* data = clipboard->mimeData();
        ASSERT_NE(data, nullptr) << id;
        EXPECT_TRUE(data->hasFormat("image/png")) << id;
        EXPECT_TRUE(data->hasFormat("image/svg+xml")) << id;
        const QImage picture = QImage::fromData(data->data("image/png"), "PNG");
        ASSERT_FALSE(picture.isNull()) << id;
        // The menu command asks for the size (120 pixels and the borders), the key copies at 100 %.
        if (id == kCmdCopyDevelopment) {
            EXPECT_EQ(picture.width(), 120 + 2 * kWholeBmpBorderPixels);
            EXPECT_EQ(h.sizeDialogs, sizeDialogs + 1);
        } else {
            EXPECT_EQ(h.sizeDialogs, sizeDialogs);
            EXPECT_GT(picture.width(), 2 * kWholeBmpBorderPixels);
        }
        // Not blank: the development's faces and lines are on it.
        bool drawn = false;
        for (int y = 0; y < picture.height() && !drawn; y += 2)
            for (int x = 0; x < picture.width() && !drawn; x += 2)
                drawn = picture.pixel(x, y) != picture.pixel(0, 0);
        EXPECT_TRUE(drawn) << id;
        const QByteArray svg = data->data("image/svg+xml");
        EXPECT_TRUE(svg.startsWith("<?xml")) << id;
        EXPECT_TRUE(svg.contains("<svg")) << id;
    }
    EXPECT_TRUE(h.prompt.texts.empty());
}
