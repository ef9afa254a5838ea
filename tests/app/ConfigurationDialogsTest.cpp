#include "app/ConfigurationDialogs.h"

#include "model/Document.h"
#include "tests/app/AppTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tsm;

namespace {

// Runs `change` on the modal dialog once it shows, then presses OK (or Cancel).
void AnswerOther(std::function<void(OtherConfigDialog&)> change, bool ok) {
    QTimer::singleShot(0, [change, ok] {
        auto* dialog = dynamic_cast<OtherConfigDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        change(*dialog);
        if (ok)
            dialog->accept();
        else
            dialog->reject();
    });
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
    s.bZoomWheelInvert = true;
    s.bUseAnimationForFaceCheck = false;
    s.iFaceCheckAnimationSpeedIndex = 7; // beyond "Slow"
    s.iTtextureLimitSizeID = -2;         // before "64 x 64"
    s.iEdgeIDfontSizePoint = 12;
    s.colors[7] = 0x00102030;
    s.systemTextureLimit = 4096;
    RecordingPrompt prompt;
    OtherConfigDialog dialog(nullptr, OtherConfigFromSettings(s), s.systemTextureLimit, prompt, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Other Configurations");
    EXPECT_TRUE(dialog.ZoomInvertBox()->isChecked());
    EXPECT_TRUE(dialog.EdgeColorBox()->isChecked());
    EXPECT_FALSE(dialog.AnimationBox()->isChecked());
    EXPECT_EQ(dialog.SpeedCombo()->currentText(), "Slow");
    EXPECT_EQ(dialog.TextureLimitCombo()->currentText(), "64 x 64");
    EXPECT_EQ(dialog.TextureLimitCombo()->itemText(4), "1024 x 1024");
    EXPECT_EQ(dialog.SystemLimitLabel()->text(), "4096 x 4096");
    EXPECT_EQ(dialog.FontSizeSpin()->value(), 12);
    EXPECT_EQ(dialog.BackgroundButton()->Color(), 0x00102030);
    // The speed and the size limit are enabled only with their boxes ticked, and follow them at once.
    EXPECT_FALSE(dialog.SpeedCombo()->isEnabled());
    EXPECT_FALSE(dialog.TextureLimitCombo()->isEnabled());
    dialog.AnimationBox()->setChecked(true);
    dialog.LimitTextureBox()->setChecked(true);
    EXPECT_TRUE(dialog.SpeedCombo()->isEnabled());
    EXPECT_TRUE(dialog.TextureLimitCombo()->isEnabled());
    dialog.AnimationBox()->setChecked(false);
    EXPECT_FALSE(dialog.SpeedCombo()->isEnabled());
    // The spin arrows stop at 1 and 50.
    dialog.FontSizeSpin()->setValue(50);
    dialog.FontSizeSpin()->stepBy(3);
    EXPECT_EQ(dialog.FontSizeSpin()->value(), 50);
    dialog.FontSizeSpin()->setValue(1);
    dialog.FontSizeSpin()->stepBy(-1);
    EXPECT_EQ(dialog.FontSizeSpin()->value(), 1);
}

TEST(OtherConfigDialog, FontSizeOutsideItsRangeIsRefusedAndTheDialogStaysOpen) {
    for (int size : {0, 51, -4}) {
        RecordingPrompt prompt;
        OtherConfigDialog dialog(nullptr, OtherConfigFromSettings(Settings()), 512, prompt, nullptr);
        dialog.show();
        dialog.FontSizeSpin()->setValue(size);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << size;
        EXPECT_EQ(prompt.texts, std::vector<std::string>{"Please enter an integer between 1 and 50."});
        dialog.FontSizeSpin()->setValue(50);
        dialog.accept();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
}

TEST(OtherConfigDialog, OkWritesEveryValueBackAndNamesTheHint) {
    Settings s;
    Settings before = s;
    OtherConfigValues v = OtherConfigFromSettings(s);
    // Nothing changed: the views only redraw, and nothing moved.
    EXPECT_EQ(ApplyOtherConfig(v, s, nullptr), UpdateHint::Redraw);
    EXPECT_EQ(OtherConfigFromSettings(s).textureLimitIndex,
              OtherConfigFromSettings(before).textureLimitIndex);
    EXPECT_EQ(s.iTextureLimitSizeUser, 256); // index 2

    v.useEdgeColor = false;
    v.animationSpeedIndex = 0;
    v.flapAngleAutoForOldFiles = true;
    v.invertEdgeId = true;
    v.slideColorToWhite = false;
    v.textureLimitIndex = 4;
    v.edgeIdFontSize = 9;
    v.backgroundColor = 0x00ABCDEF;
    v.checkNewVersionAtStart = true;
    v.bitmapFontForEdgeId = true;
    EXPECT_EQ(ApplyOtherConfig(v, s, nullptr), UpdateHint::Redraw);
    EXPECT_FALSE(s.bUseEdgeColor);
    EXPECT_EQ(s.iFaceCheckAnimationSpeedIndex, 0);
    EXPECT_TRUE(s.bSetFlapAngleAutoForOldTSM);
    EXPECT_TRUE(s.bInvertEdgeID);
    EXPECT_FALSE(s.bSlideColorToWhite);
    EXPECT_EQ(s.iTtextureLimitSizeID, 4);
    EXPECT_EQ(s.iTextureLimitSizeUser, 1024);
    EXPECT_EQ(s.iEdgeIDfontSizePoint, 9);
    EXPECT_EQ(s.colors[7], 0x00ABCDEF);
    EXPECT_TRUE(s.bCheckNewVersionAtStart);
    EXPECT_TRUE(s.bUseOpenGLToDrawEdgeID);
    // The smoothing filter re-uploads every texture.
    v.textureSmooth = !s.bTextureSmooth;
    EXPECT_EQ(ApplyOtherConfig(v, s, nullptr), UpdateHint::TextureFilterChanged);
    EXPECT_EQ(ApplyOtherConfig(v, s, nullptr), UpdateHint::Redraw);
}

TEST(OtherConfigDialog, AUserLimitResamplesLargerTexturesOnly) {
    Document document;
    CMaterial& wide = AddMaterial(document, "Wide", Rgb{1, 1, 1});
    wide.texture = MakeCheckerboard(2048, 1024, 64, Rgb{1, 0, 0}, Rgb{0, 0, 1});
    CMaterial& small = AddMaterial(document, "Small", Rgb{1, 1, 1});
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
    // Nothing larger left: a plain redraw.
    EXPECT_EQ(ApplyOtherConfig(v, s, document.model.get()), UpdateHint::Redraw);
}

TEST(OtherConfigDialog, CommandAppliesOnOkAndChangesNothingOnCancel) {
    Settings settings;
    RecordingPrompt prompt;
    // Cancel first: the chooser was asked, yet nothing is kept; then OK keeps both changes.
    for (const bool ok : {false, true}) {
        int asked = 0;
        AnswerOther(
            [](OtherConfigDialog& d) {
                d.ZoomInvertBox()->setChecked(true);
                d.BackgroundButton()->Button()->click();
            },
            ok);
        EXPECT_EQ(
            RunOtherConfigurations(nullptr, settings, nullptr, prompt, Answering(QColor(1, 2, 3), &asked)),
            ok ? std::optional<UpdateHint>(UpdateHint::Redraw) : std::nullopt);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(settings.bZoomWheelInvert, ok);
        EXPECT_EQ(settings.colors[7], ok ? 0x00030201 : 0x00FFFFFF);
    }
    // A cancelled colour chooser keeps the colour.
    AnswerOther([](OtherConfigDialog& d) { d.BackgroundButton()->Button()->click(); }, true);
    RunOtherConfigurations(nullptr, settings, nullptr, prompt, Answering(std::nullopt));
    EXPECT_EQ(settings.colors[7], 0x00030201);
}

TEST(ColorConfigDialog, EachButtonStoresAtOnceAndResetRestoresTheDefaults) {
    Settings settings;
    settings.colors[6] = 0x00123456; // no button: only Reset to Default touches it
    std::optional<QColor> answer = QColor(0x11, 0x22, 0x33);
    ColorConfigDialog dialog(nullptr, settings, [&answer](const QColor&) { return answer; });
    const int expectedIndices[6] = {0, 1, 2, 3, 4, 7};
    for (int slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(kColorSlots[slot].index, expectedIndices[slot]);
        EXPECT_EQ(dialog.SlotButton(slot)->Color(), settings.colors[expectedIndices[slot]]);
    }
    dialog.SlotButton(5)->Button()->click();
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

TEST(ConfigurationDialogs, ColourRefsAndLimits) {
    EXPECT_EQ(RefOfColor(ColorOfRef(0x00FF8040)), 0x00FF8040);
    EXPECT_EQ(ColorOfRef(0x000000FF), QColor(255, 0, 0));
    EXPECT_EQ(TextureLimitOfIndex(0), 64);
    EXPECT_EQ(TextureLimitOfIndex(4), 1024);
    EXPECT_EQ(TextureLimitOfIndex(9), 1024);
    EXPECT_EQ(IntegerRangeMessage(1, 90), "Please enter an integer between 1 and 90.");
}
