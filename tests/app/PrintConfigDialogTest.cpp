#include "app/PrintConfigDialog.h"

#include "app/CommandTable.h"
#include "model/Settings.h"
#include "sheet/Paper.h"
#include "tests/app/AppTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>
#include <optional>

using namespace tsm;

TEST(PrintConfigDialog, SettingsAreClampedToWhatTheControlsShow) {
    Settings s;
    // Values a settings file may hold beyond the lists: the combos clamp them.
    s.iResolutionID = 9;
    s.iLineWidthID = 15;
    s.dLineAlphaValue = 1.7;
    PrintConfigValues v = PrintConfigFromSettings(s);
    EXPECT_EQ(v.resolutionIndex, 3);
    EXPECT_EQ(v.lineWidthIndex, 9);
    EXPECT_EQ(v.transparencyStep, 10);
    s.iResolutionID = -1;
    s.iLineWidthID = -3;
    s.dLineAlphaValue = std::numeric_limits<double>::quiet_NaN();
    v = PrintConfigFromSettings(s);
    EXPECT_EQ(v.resolutionIndex, 0);
    EXPECT_EQ(v.lineWidthIndex, 0);
    EXPECT_EQ(v.transparencyStep, 0);
    // The slider stands at the nearest tenth.
    s.dLineAlphaValue = 0.73;
    EXPECT_EQ(PrintConfigFromSettings(s).transparencyStep, 7);

    // The dialog shows them; out-of-range values handed to it directly are clamped too.
    v.resolutionIndex = 12;
    v.lineWidthIndex = -4;
    v.transparencyStep = 40;
    PrintConfigDialog dialog(nullptr, v);
    EXPECT_EQ(dialog.ResolutionCombo()->currentIndex(), 3);
    EXPECT_EQ(dialog.LineWidthCombo()->currentIndex(), 0);
    EXPECT_EQ(dialog.TransparencySlider()->value(), 10);
    EXPECT_EQ(dialog.TransparencySlider()->minimum(), 0);
    EXPECT_EQ(dialog.TransparencySlider()->maximum(), 10);
}

TEST(PrintConfigDialog, ControlsAndTheirTexts) {
    PrintConfigDialog dialog(nullptr, PrintConfigFromSettings(Settings()));
    EXPECT_EQ(dialog.windowTitle(), "Print Configuration");
    EXPECT_EQ(dialog.VectorPrintButton()->text(), "Print lines clearly (Vector print)");
    EXPECT_EQ(dialog.BitmapPrintButton()->text(), "Print lines smoothly (Bitmap print)");
    EXPECT_EQ(dialog.PageNumberBox()->text(), "Print page number");
    EXPECT_EQ(dialog.TomboBox()->text(), "Print alignment marks for multiple pages");
    const QStringList resolutions = {"Very High", "High", "Middle", "Low"};
    ASSERT_EQ(dialog.ResolutionCombo()->count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(dialog.ResolutionCombo()->itemText(i), resolutions[i]);
    ASSERT_EQ(dialog.LineWidthCombo()->count(), 10);
    EXPECT_EQ(dialog.LineWidthCombo()->itemText(0), "1");
    EXPECT_EQ(dialog.LineWidthCombo()->itemText(9), "10");
    // The paper controls exist but are never shown.
    dialog.show();
    EXPECT_FALSE(dialog.PaperCombo()->isVisible());
    EXPECT_FALSE(dialog.SideMarginSpin()->isVisible());
    EXPECT_EQ(dialog.PaperCombo()->count(), 11);
    EXPECT_EQ(dialog.PaperCombo()->itemText(4), "Letter");
    EXPECT_EQ(dialog.PaperCombo()->itemText(5), "legal");
    dialog.hide();
}

TEST(PrintConfigDialog, TransparencyOnlyWithBitmapPrint) {
    Settings settings;
    settings.bLineAlpha = false;
    PrintConfigDialog dialog(nullptr, PrintConfigFromSettings(settings));
    // Vector print chosen: the slider is disabled from the start.
    EXPECT_TRUE(dialog.VectorPrintButton()->isChecked());
    EXPECT_FALSE(dialog.TransparencySlider()->isEnabled());
    // Choosing bitmap print enables it at once, and vector print disables it again.
    dialog.BitmapPrintButton()->setChecked(true);
    EXPECT_TRUE(dialog.TransparencySlider()->isEnabled());
    dialog.VectorPrintButton()->setChecked(true);
    EXPECT_FALSE(dialog.TransparencySlider()->isEnabled());
    EXPECT_FALSE(dialog.Values().bitmapPrint);
}

TEST(PrintConfigDialog, PaperComboMapsToPaperCodes) {
    // A4, A3, A2, A1, Letter, legal, B5, B4, B3, B2, B1.
    const int codes[] = {kPaperA4, kPaperA3, kPaperA2, kPaperA1, kPaperLetter, kPaperLegal,
                         kPaperB5, kPaperB4, kPaperB3, kPaperB2, kPaperB1};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(PaperCodeOfComboIndex(i), codes[i]) << i;
        EXPECT_EQ(ComboIndexOfPaperCode(codes[i]), i) << i;
    }
    // Outside the list: A4, index 0.
    EXPECT_EQ(PaperCodeOfComboIndex(11), kPaperA4);
    EXPECT_EQ(PaperCodeOfComboIndex(-1), kPaperA4);
    EXPECT_EQ(ComboIndexOfPaperCode(kPaperCustom), 0);
}

TEST(PrintConfigDialog, OkRecomputesTheSheetsOnlyWhenThePaperChanged) {
    Settings s;
    {
        // Print settings changed, paper untouched: hint 0, the values stored.
        PrintConfigDialog dialog(nullptr, PrintConfigFromSettings(s));
        dialog.VectorPrintButton()->setChecked(true);
        dialog.TransparencySlider()->setValue(3);
        dialog.ResolutionCombo()->setCurrentIndex(3);
        dialog.LineWidthCombo()->setCurrentIndex(9);
        dialog.TomboBox()->setChecked(true);
        dialog.PageNumberBox()->setChecked(false);
        EXPECT_EQ(ApplyPrintConfig(dialog.Values(), s), UpdateHint::Redraw);
        EXPECT_FALSE(s.bLineAlpha);
        EXPECT_DOUBLE_EQ(s.dLineAlphaValue, 0.3);
        EXPECT_EQ(s.iResolutionID, 3);
        EXPECT_EQ(s.iLineWidthID, 9);
        EXPECT_TRUE(s.bPrintTombo);
        EXPECT_FALSE(s.bPrintPageNumber);
    }
    // Nothing changed at all: hint 0.
    EXPECT_EQ(ApplyPrintConfig(PrintConfigFromSettings(s), s), UpdateHint::Redraw);
    {
        // Paper type: Letter is index 4, code 9.
        PrintConfigValues v = PrintConfigFromSettings(s);
        v.paperComboIndex = 4;
        EXPECT_EQ(ApplyPrintConfig(v, s), UpdateHint::RecomputeSheets);
        EXPECT_EQ(s.iPaperSize, kPaperLetter);
    }
    {
        // Orientation.
        PrintConfigValues v = PrintConfigFromSettings(s);
        v.landscape = true;
        EXPECT_EQ(ApplyPrintConfig(v, s), UpdateHint::RecomputeSheets);
        EXPECT_EQ(s.iPaperOrientation, 1);
    }
    {
        // Either margin.
        PrintConfigValues v = PrintConfigFromSettings(s);
        v.sideMarginMM = 10;
        EXPECT_EQ(ApplyPrintConfig(v, s), UpdateHint::RecomputeSheets);
        v = PrintConfigFromSettings(s);
        v.topMarginMM = 20;
        EXPECT_EQ(ApplyPrintConfig(v, s), UpdateHint::RecomputeSheets);
        EXPECT_EQ(s.iMarginSide, 10);
        EXPECT_EQ(s.iMarginTop, 20);
    }
}

TEST(PrintConfigDialog, CommandAppliesOnOkAndChangesNothingOnCancel) {
    Settings settings;
    settings.iResolutionID = 1;
    // Cancel: no hint and the settings as they were.
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->findChild<QComboBox*>()->setCurrentIndex(3);
            dialog->reject();
        }
    });
    EXPECT_EQ(RunPrintConfiguration(nullptr, settings, nullptr), std::nullopt);
    EXPECT_EQ(settings.iResolutionID, 1);
    // OK without changes: hint 0.
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
    });
    EXPECT_EQ(RunPrintConfiguration(nullptr, settings, nullptr), UpdateHint::Redraw);
    EXPECT_EQ(settings.iResolutionID, 1);
}

namespace {

// Runs `change` on the dialog once it is shown, then presses OK (or Cancel).
void AnswerDialog(std::function<void(PrintConfigDialog&)> change, bool ok) {
    QTimer::singleShot(0, [change, ok] {
        auto* dialog = dynamic_cast<PrintConfigDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        change(*dialog);
        if (ok)
            dialog->accept();
        else
            dialog->reject();
    });
}

} // namespace

TEST(PrintConfigDialog, MainWindowCommandSendsTheHintToBothViews) {
    test::TempFolder folder;
    test::FrameHarness harness(folder.path());
    {
        // Paper changed (the hidden list, as a model's paper would change it): hint 5.
        harness.log2d->hints.clear();
        harness.log3d->hints.clear();
        AnswerDialog([](PrintConfigDialog& d) { d.PaperCombo()->setCurrentIndex(4); }, true);
        harness.Trigger(kCmdPrintConfiguration);
        EXPECT_EQ(harness.log2d->hints, std::vector<UpdateHint>{UpdateHint::RecomputeSheets});
        EXPECT_EQ(harness.log3d->hints, std::vector<UpdateHint>{UpdateHint::RecomputeSheets});
        EXPECT_EQ(harness.frame->ViewSettings().iPaperSize, kPaperLetter);
    }
    {
        // Only a print setting changed: hint 0.
        harness.log2d->hints.clear();
        AnswerDialog([](PrintConfigDialog& d) { d.TomboBox()->setChecked(true); }, true);
        harness.Trigger(kCmdPrintConfiguration);
        EXPECT_EQ(harness.log2d->hints, std::vector<UpdateHint>{UpdateHint::Redraw});
        EXPECT_TRUE(harness.frame->ViewSettings().bPrintTombo);
    }
    {
        // Cancel: no hint, nothing stored.
        harness.log2d->hints.clear();
        AnswerDialog([](PrintConfigDialog& d) { d.LandscapeButton()->setChecked(true); }, false);
        harness.Trigger(kCmdPrintConfiguration);
        EXPECT_TRUE(harness.log2d->hints.empty());
        EXPECT_EQ(harness.frame->ViewSettings().iPaperOrientation, 0);
    }
}
