#include "app/PrintConfigDialog.h"

#include "app/CommandTable.h"
#include "model/Settings.h"
#include "sheet/Paper.h"
#include "tests/app/AppTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <limits>

using namespace tsm;

TEST(PrintConfigDialog, SettingsAreClampedToWhatTheControlsShow) {
    // Values a settings file may hold beyond the lists; the slider stands at the nearest tenth.
    const struct {
        int resolution, lineWidth;
        double alpha;
        int resolutionIndex, lineWidthIndex, step;
    } rows[] = {{9, 15, 1.7, 3, 9, 10},
                {-1, -3, std::numeric_limits<double>::quiet_NaN(), 0, 0, 0},
                {2, 4, 0.73, 2, 4, 7}};
    for (const auto& r : rows) {
        Settings s;
        s.resolutionChoice = r.resolution;
        s.lineWidthChoice = r.lineWidth;
        s.lineAlpha = r.alpha;
        const PrintConfigValues v = PrintConfigFromSettings(s);
        EXPECT_EQ(v.resolutionIndex, r.resolutionIndex) << r.resolution;
        EXPECT_EQ(v.lineWidthIndex, r.lineWidthIndex) << r.lineWidth;
        EXPECT_EQ(v.transparencyStep, r.step) << r.alpha;
    }
    // Out-of-range values handed to the dialog directly are clamped too.
    PrintConfigValues v;
    v.resolutionIndex = 12;
    v.lineWidthIndex = -4;
    v.transparencyStep = 40;
    v.paperComboIndex = 30;
    PrintConfigDialog dialog(nullptr, v);
    EXPECT_EQ(dialog.ResolutionCombo()->currentIndex(), 3);
    EXPECT_EQ(dialog.LineWidthCombo()->currentIndex(), 0);
    EXPECT_EQ(dialog.TransparencySlider()->value(), 10);
    EXPECT_EQ(dialog.PaperCombo()->currentIndex(), 10);
}

TEST(PrintConfigDialog, PaperComboAndPaperCodesRoundTrip) {
    for (int i = 0; i < 11; ++i) EXPECT_EQ(ComboIndexOfPaperCode(PaperCodeOfComboIndex(i)), i) << i;
    EXPECT_EQ(PaperCodeOfComboIndex(4), kPaperLetter);
    EXPECT_EQ(PaperCodeOfComboIndex(11), kPaperA4);
    EXPECT_EQ(PaperCodeOfComboIndex(-1), kPaperA4);
    EXPECT_EQ(ComboIndexOfPaperCode(kPaperCustom), 0);
}

TEST(PrintConfigDialog, OkRecomputesTheSheetsOnlyWhenThePaperChanged) {
    Settings s;
    PrintConfigDialog dialog(nullptr, PrintConfigFromSettings(s));
    // The transparency only goes with bitmap print, and follows the choice at once.
    dialog.BitmapPrintButton()->setChecked(true);
    EXPECT_TRUE(dialog.TransparencySlider()->isEnabled());
    dialog.VectorPrintButton()->setChecked(true);
    EXPECT_FALSE(dialog.TransparencySlider()->isEnabled());
    dialog.TransparencySlider()->setValue(3);
    dialog.ResolutionCombo()->setCurrentIndex(3);
    dialog.LineWidthCombo()->setCurrentIndex(9);
    dialog.TomboBox()->setChecked(true);
    dialog.PageNumberBox()->setChecked(false);
    EXPECT_EQ(ApplyPrintConfig(dialog.Values(), s), UpdateHint::Redraw);
    EXPECT_FALSE(s.translucentLines);
    EXPECT_DOUBLE_EQ(s.lineAlpha, 0.3);
    EXPECT_EQ(s.resolutionChoice, 3);
    EXPECT_EQ(s.lineWidthChoice, 9);
    EXPECT_TRUE(s.printCropMarks);
    EXPECT_FALSE(s.printPageNumbers);
    // Each of the paper's values alone recomputes the sheets.
    const std::function<void(PrintConfigValues&)> changes[] = {
        [](PrintConfigValues& v) { v.paperComboIndex = 4; }, [](PrintConfigValues& v) { v.landscape = true; },
        [](PrintConfigValues& v) { v.sideMarginMM = 10; }, [](PrintConfigValues& v) { v.topMarginMM = 20; }};
    for (const auto& change : changes) {
        PrintConfigValues v = PrintConfigFromSettings(s);
        change(v);
        EXPECT_EQ(ApplyPrintConfig(v, s), UpdateHint::RecomputeSheets);
        EXPECT_EQ(ApplyPrintConfig(v, s), UpdateHint::Redraw);
    }
    EXPECT_EQ(s.paperSize, kPaperLetter);
    EXPECT_EQ(s.paperOrientation, 1);
    EXPECT_EQ(s.marginSideMM, 10);
    EXPECT_EQ(s.marginTopMM, 20);
}

TEST(PrintConfigDialog, MainWindowCommandSendsTheHintToBothViews) {
    test::FrameHarness harness;
    const struct {
        std::function<void(PrintConfigDialog&)> change;
        bool ok;
        std::vector<UpdateHint> hints;
    } rows[] = {
        // The paper changed (the hidden list, as a model's paper would change it).
        {[](PrintConfigDialog& d) { d.PaperCombo()->setCurrentIndex(4); },
         true,
         {UpdateHint::RecomputeSheets}},
        {[](PrintConfigDialog& d) { d.TomboBox()->setChecked(true); }, true, {UpdateHint::Redraw}},
        {[](PrintConfigDialog& d) { d.LandscapeButton()->setChecked(true); }, false, {}},
    };
    for (const auto& row : rows) {
        harness.log2d->hints.clear();
        harness.log3d->hints.clear();
        test::AnswerModal<PrintConfigDialog>(row.change, row.ok);
        harness.Trigger(CommandId::PrintConfiguration);
        EXPECT_EQ(harness.log2d->hints, row.hints);
        EXPECT_EQ(harness.log3d->hints, row.hints);
    }
    EXPECT_EQ(harness.frame->ViewSettings().paperSize, kPaperLetter);
    EXPECT_TRUE(harness.frame->ViewSettings().printCropMarks);
    EXPECT_EQ(harness.frame->ViewSettings().paperOrientation, 0);
}
