#include "app/PrintCommands.h"

#include "engine/Layout.h"
#include "model/Settings.h"
#include "sheet/OffSheet.h"
#include "sheet/PageList.h"
#include "sheet/Paper.h"
#include "tools/lib/ModelBuilder.h"

#include <QApplication>
#include <QDialog>
#include <QPageSize>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>

#include <gtest/gtest.h>

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
