#include "app/PrintCommands.h"

#include "engine/Layout.h"
#include "model/Settings.h"
#include "sheet/OffSheet.h"
#include "sheet/PageList.h"
#include "sheet/Paper.h"
#include "tests/support/ShellCommand.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Samples.h"

#include <QApplication>
#include <QDialog>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace tsm;

TEST(PrintCommands, PreviewShowsEveryPrintedSheet) {
    Document doc;
    ASSERT_TRUE(UnfoldThreeCubesInRows(doc).empty());
    UpdateSheetGrid(doc, Paper{}, true);
    const int pages = static_cast<int>(BuildPageList(doc, Paper{}, true).size());
    ASSERT_GE(pages, 2);

    // The session printer on the model's own paper, so that no question interrupts the preview.
    QPrinter& printer = SessionPrinter();
    const QPageLayout saved = printer.pageLayout();
    printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    int previewPages = -1;
    QTimer::singleShot(300, [&previewPages] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) return;
        if (auto* widget = dialog->findChild<QPrintPreviewWidget*>()) {
            widget->updatePreview();
            previewPages = widget->pageCount();
        }
        static_cast<QDialog*>(dialog)->reject();
    });
    RecordingPrompt prompt(false);
    RunPrintPreviewCommand(nullptr, &doc, Settings(), prompt);
    printer.setPageLayout(saved);
    EXPECT_EQ(previewPages, pages);
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(PrintCommands, NothingToPrintOpensNoDialog) {
    RecordingPrompt prompt(true);
    const Settings settings;
    // No document, or one without development: no dialog, no message.
    EXPECT_FALSE(RunPrintCommand(nullptr, nullptr, settings, prompt));
    EXPECT_FALSE(RunPrintPreviewCommand(nullptr, nullptr, settings, prompt));
    Document empty;
    EXPECT_FALSE(RunPrintCommand(nullptr, &empty, settings, prompt));
    EXPECT_FALSE(RunPrintPreviewCommand(nullptr, &empty, settings, prompt));
    EXPECT_TRUE(prompt.texts.empty());
}

// A part moved off the sheets: Print says so before its dialog, and Cancel there stops it.
TEST(PrintCommands, PrintWarnsOfPartsOffTheSheetsBeforeItsDialog) {
    Document doc;
    ASSERT_TRUE(UnfoldThreeCubesInRows(doc).empty());
    const Settings settings;
    // Laid out onto one sheet, then one part moved off it.
    RecalculatePartsLayout(doc, LayoutMethod{}, PrintableRegion(Paper::FromSettings(settings), settings));
    UpdateSheetGrid(doc, Paper::FromSettings(settings), true);
    EXPECT_EQ(CountOffSheet(doc, Paper::FromSettings(settings)).total(), 0);
    doc.development->parts.at(0)->x = -40;
    // Ends a print dialog that would open; gone with the test, so that it never fires in another.
    bool dialogOpened = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&dialogOpened] {
        if (auto* dialog = static_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialogOpened = true;
            dialog->reject();
        }
    });
    guard.start(300);
    RecordingPrompt cancel(false);
    EXPECT_FALSE(RunPrintCommand(nullptr, &doc, settings, cancel));
    ASSERT_EQ(cancel.texts.size(), 1u);
    EXPECT_EQ(cancel.texts[0].rfind("1 part lies outside the sheets.", 0), 0u) << cancel.texts[0];
    EXPECT_FALSE(dialogOpened);
}

// With the marks setting on, the preview dialog's pages (asked for once more on a PDF printer, as its Print
// button asks the real printer) carry the square and the L marks where tsmtool print puts them: read back
// at 10 pixels per millimetre, the square covers 10..15 mm from the top left paper corner.
TEST(PrintCommands, PreviewAndPrintPaintTheRegistrationMarks) {
    Document doc;
    BuildSampleCube(doc);
    QPrinter& session = SessionPrinter();
    const QPageLayout saved = session.pageLayout();
    session.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string pdf = dir.filePath("marks.pdf").toStdString();
    QTimer::singleShot(300, [&pdf] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageLayout(SessionPrinter().pageLayout());
        emit dialog->paintRequested(&printer);
        dialog->reject();
    });
    Settings settings = WithDisplay(Settings(), doc.display);
    settings.marksKind = static_cast<int32_t>(MarksKind::Silhouette);
    RecordingPrompt prompt(false);
    RunPrintPreviewCommand(nullptr, &doc, settings, prompt);
    EXPECT_TRUE(prompt.texts.empty());
    session.setPageLayout(saved);
    const std::string page = dir.filePath("page").toStdString();
    ASSERT_EQ(test::RunShell("pdftoppm -r 254 -gray -singlefile '" + pdf + "' '" + page + "'").status, 0);
    std::ifstream in(page + ".pgm", std::ios::binary);
    const std::string pgm((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(pgm.size(), 2100u * 2970u);
    const size_t start = pgm.size() - 2100 * 2970;
    const auto dark = [&](int x, int y) {
        return static_cast<unsigned char>(pgm[start + y * 2100 + x]) < 128;
    };
    const struct {
        int x, y;
        bool ink;
    } pixels[] = {{102, 102, true},  {147, 147, true},  {96, 120, false},  {120, 96, false},
                  {153, 120, false}, {1995, 105, true}, {1802, 102, true}, {1797, 102, false},
                  {102, 2865, true}, {102, 2672, true}, {102, 2667, false}};
    for (const auto& p : pixels) EXPECT_EQ(dark(p.x, p.y), p.ink) << p.x << ", " << p.y;
}
