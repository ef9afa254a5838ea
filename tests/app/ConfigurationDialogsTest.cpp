#include "app/ConfigurationDialogs.h"

#include "model/Document.h"
#include "tests/app/AppTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

using namespace tsm;
using tsm::test::AnswerModal;

namespace {

// Every value of the dialog, to compare in one go.
auto Fields(const OtherConfigValues& v) {
    return std::tie(v.useEdgeColor, v.zoomWheelInvert, v.textureSmooth, v.animateFaceCheck,
                    v.animationSpeedIndex, v.flapAngleAutoForOldFiles, v.invertEdgeId, v.slideColorToWhite,
                    v.limitTextureSize, v.textureLimitIndex, v.edgeIdFontSize, v.backgroundColor,
                    v.checkNewVersionAtStart, v.bitmapFontForEdgeId, v.recoveryIntervalMinutes,
                    v.edgeLabelsAsWritten, v.edgeLabelsOnFlaps, v.edgeLabelsWithPart, v.edgeLabelMinCapMM,
                    v.drawPartNumbers);
}

ColorChooser Answering(std::optional<QColor> colour, int* asked = nullptr) {
    return [colour, asked](const QColor&) {
        if (asked != nullptr) ++*asked;
        return colour;
    };
}

} // namespace

TEST(OtherConfigDialog, ControlsStartFromTheSettingsClampedToTheirLists) {
    Settings s;
    s.invertWheelZoom = true;
    s.animateFaceCheck = false;
    s.faceCheckAnimationSpeed = 7; // beyond "Slow"
    s.textureLimitChoice = -2;     // before "64 x 64"
    s.edgeIdFontSizePt = 12;
    s.colors[7] = 0x00102030;
    s.edgeLabelsOnFlaps = true;
    s.edgeLabelMinCapMM = 2.5;
    s.drawPartNumbers = true;
    RecordingPrompt prompt;
    OtherConfigDialog dialog(nullptr, OtherConfigFromSettings(s), 4096, prompt, nullptr);
    EXPECT_TRUE(Fields(dialog.Values()) == Fields(OtherConfigFromSettings(s)));
    EXPECT_EQ(dialog.SpeedCombo()->currentText(), "Slow");
    EXPECT_EQ(dialog.TextureLimitCombo()->currentText(), "64 x 64");
    EXPECT_EQ(dialog.SystemLimitLabel()->text(), "4096 x 4096");
    // The speed and the size limit are enabled only with their boxes ticked, and follow them at once.
    EXPECT_FALSE(dialog.SpeedCombo()->isEnabled());
    EXPECT_FALSE(dialog.TextureLimitCombo()->isEnabled());
    dialog.AnimationBox()->setChecked(true);
    dialog.LimitTextureBox()->setChecked(true);
    EXPECT_TRUE(dialog.SpeedCombo()->isEnabled());
    EXPECT_TRUE(dialog.TextureLimitCombo()->isEnabled());
    // The spin arrows stop at 50; typed values beyond 1 to 50 are refused on OK with the dialog left open.
    dialog.FontSizeSpin()->setValue(50);
    dialog.FontSizeSpin()->stepBy(3);
    EXPECT_EQ(dialog.FontSizeSpin()->value(), 50);
    dialog.show();
    for (int size : {0, 51}) {
        prompt.texts.clear();
        dialog.FontSizeSpin()->setValue(size);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << size;
        EXPECT_EQ(prompt.texts, std::vector<std::string>{"Please enter an integer between 1 and 50."});
    }
    dialog.FontSizeSpin()->setValue(50);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// The recovery interval: a value the box shows rounded (from the settings file) survives OK untouched; a
// changed one is taken as shown; 0 reads "Never".
TEST(OtherConfigDialog, RecoveryIntervalKeepsAFinerStoredValueUntilChanged) {
    const struct {
        double stored;
        std::optional<double> typed;
        double taken;
    } cases[] = {
        {0.02, std::nullopt, 0.02},
        {1.0 / 60, std::nullopt, 1.0 / 60},
        {2, 5, 5},
        {2, 0, 0},
        {5000, std::nullopt, 5000},
        {0.004, 1.5, 1.5},
    };
    RecordingPrompt prompt;
    for (const auto& c : cases) {
        Settings s;
        s.recoveryIntervalMinutes = c.stored;
        OtherConfigDialog dialog(nullptr, OtherConfigFromSettings(s), 4096, prompt, nullptr);
        if (c.typed) dialog.RecoveryIntervalBox()->setValue(*c.typed);
        EXPECT_DOUBLE_EQ(dialog.Values().recoveryIntervalMinutes, c.taken) << c.stored;
        if (dialog.Values().recoveryIntervalMinutes == 0) {
            EXPECT_EQ(dialog.RecoveryIntervalBox()->text(), "Never");
        }
    }
}

TEST(OtherConfigDialog, AUserLimitResamplesLargerTexturesOnly) {
    Document document;
    Material& wide = AddMaterial(document, "Wide", Rgb{1, 1, 1});
    wide.texture = MakeCheckerboard(2048, 1024, 64, Rgb{1, 0, 0}, Rgb{0, 0, 1});
    Material& small = AddMaterial(document, "Small", Rgb{1, 1, 1});
    small.texture = MakeCheckerboard(512, 512, 64, Rgb{1, 0, 0}, Rgb{0, 0, 1});
    Settings s;
    OtherConfigValues v = OtherConfigFromSettings(s);
    v.textureLimitIndex = 4; // 1024 x 1024
    // Without the box ticked the limit is not in force.
    EXPECT_EQ(ApplyOtherConfig(v, s, document.model.get()), UpdateHint::Redraw);
    EXPECT_EQ(wide.texture->width, 2048);
    v.limitTextureSize = true;
    EXPECT_EQ(ApplyOtherConfig(v, s, document.model.get()), UpdateHint::TextureFilterChanged);
    EXPECT_EQ(wide.texture->width, 1024);
    EXPECT_EQ(wide.texture->height, 1024);
    EXPECT_EQ(small.texture->width, 512);
    EXPECT_EQ(ApplyOtherConfig(v, s, document.model.get()), UpdateHint::Redraw);
}

TEST(OtherConfigDialog, CommandAppliesOnOkAndChangesNothingOnCancel) {
    Settings settings;
    RecordingPrompt prompt;
    // Cancel first: the chooser was asked, yet nothing is kept; then OK keeps both changes.
    for (const bool ok : {false, true}) {
        int asked = 0;
        AnswerModal<OtherConfigDialog>(
            [](OtherConfigDialog& d) {
                d.ZoomInvertBox()->setChecked(true);
                d.BackgroundButton()->Button()->click();
            },
            ok);
        EXPECT_EQ(
            RunOtherConfigurations(nullptr, settings, nullptr, prompt, Answering(QColor(1, 2, 3), &asked)),
            ok ? std::optional<UpdateHint>(UpdateHint::Redraw) : std::nullopt);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(settings.invertWheelZoom, ok);
        EXPECT_EQ(settings.colors[7], ok ? 0x00030201 : 0x00FFFFFF);
    }
    // A cancelled colour chooser keeps the colour.
    AnswerModal<OtherConfigDialog>([](OtherConfigDialog& d) { d.BackgroundButton()->Button()->click(); });
    RunOtherConfigurations(nullptr, settings, nullptr, prompt, Answering(std::nullopt));
    EXPECT_EQ(settings.colors[7], 0x00030201);
}

TEST(ColorConfigDialog, EachButtonStoresAtOnceAndResetRestoresTheDefaults) {
    Settings settings;
    settings.colors[6] = 0x00123456; // no button: only Reset to Default touches it
    std::optional<QColor> answer = QColor(0x11, 0x22, 0x33);
    ColorConfigDialog dialog(nullptr, settings, [&answer](const QColor&) { return answer; });
    EXPECT_EQ(dialog.SlotButton(1)->Color(), settings.colors[1]);
    dialog.SlotButton(5)->Button()->click(); // the 3D background, colour 7
    EXPECT_EQ(settings.colors[7], 0x00332211);
    EXPECT_EQ(dialog.SlotButton(5)->Color(), 0x00332211);
    answer.reset();
    dialog.SlotButton(1)->Button()->click();
    EXPECT_EQ(settings.colors[1], kDefaultColors[1]);
    // Reset to Default: the 3D background is white again at once, and all eight come back.
    dialog.ResetButton()->click();
    EXPECT_EQ(settings.colors[7], 0x00FFFFFF);
    EXPECT_EQ(dialog.SlotButton(5)->Color(), 0x00FFFFFF);
    EXPECT_EQ(settings.colors[6], kDefaultColors[6]);
}
