#include "app/PrintCommands.h"

#include "model/Settings.h"
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
