// Other Configurations and Color Configuration: the preferences that have no menu switch of their own and
// the colour table. The values move between the settings and the controls through plain functions, so
// that what OK changes, and which hint it sends, is tested without a window.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "model/UpdateHint.h"

#include <QColor>
#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QDoubleSpinBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace tsm {

extern const char* const kIntegerRangeMessage; // "Please enter an integer between %1 and %2."
// The message with its two numbers filled in.
std::string IntegerRangeMessage(int least, int most);

constexpr int kLeastEdgeIdFontSize = 1;
constexpr int kMostEdgeIdFontSize = 50;
// The smallest cap height the readable edge labels may shrink to, as the dialog offers it.
constexpr double kLeastLabelCapMM = 0.5;
constexpr double kMostLabelCapMM = 10.0;
constexpr int kTextureLimitChoices = 5; // 64 x 64 .. 1024 x 1024

// The texture size that the limit combo's entry stands for: 64 << index, the index clamped to the list.
int32_t TextureLimitOfIndex(int index);

// COLORREF (0x00BBGGRR) and back.
QColor ColorOfRef(int32_t colorRef);
int32_t RefOfColor(const QColor& color);

// What the Other Configurations controls hold.
struct OtherConfigValues {
    bool useEdgeColor = true;
    bool zoomWheelInvert = false;
    bool textureSmooth = true;
    bool animateFaceCheck = true;
    int animationSpeedIndex = 1; // "Fast", "Normal", "Slow"
    bool flapAngleAutoForOldFiles = false;
    bool invertEdgeId = false;
    bool slideColorToWhite = true;
    bool limitTextureSize = false;
    int textureLimitIndex = 2; // "64 x 64" .. "1024 x 1024"
    int edgeIdFontSize = 5;    // points
    int32_t backgroundColor = 0x00FFFFFF;
    bool checkNewVersionAtStart = false;
    bool bitmapFontForEdgeId = false;
    double recoveryIntervalMinutes = 2.0; // 0: no recovery copies
    bool edgeLabelsAsWritten = false;
    bool edgeLabelsOnFlaps = false;
    bool edgeLabelsWithPart = false;
    double edgeLabelMinCapMM = 1.5;
    bool drawPartNumbers = false;
};

// The controls' values from the settings, the combos' indices clamped to their lists.
OtherConfigValues OtherConfigFromSettings(const Settings& settings);
// The refusal OK gives, or nothing when the values may be taken.
std::optional<std::string> CheckOtherConfig(const OtherConfigValues& values);
// OK: the values back into the settings. With a user limit in force, every texture of `model` (may be
// null) larger than the limit is resampled to it. The hint re-uploads the textures when the filter changed
// or an image was resampled; otherwise the views only redraw.
UpdateHint ApplyOtherConfig(const OtherConfigValues& values, Settings& settings, Mesh* model);

// Asks for a colour starting from the current one; nothing when the user cancels.
using ColorChooser = std::function<std::optional<QColor>(const QColor& current)>;
// The standard colour dialog over `parent`.
ColorChooser StandardColorChooser(QWidget* parent);

// A push button filled with a colour.
class ColorButton : public QWidget {
public:
    ColorButton(const QString& label, QWidget* parent);
    void SetColor(int32_t colorRef);
    int32_t Color() const { return color_; }
    QPushButton* Button() const { return button_; }

private:
    QPushButton* button_ = nullptr;
    int32_t color_ = 0;
};

class OtherConfigDialog : public QDialog {
public:
    // `systemTextureLimit`: the largest texture GL reported, shown beside the user's limit.
    OtherConfigDialog(QWidget* parent, const OtherConfigValues& values, int systemTextureLimit,
                      IPrompt& prompt, ColorChooser chooser);

    OtherConfigValues Values() const;
    // OK: refused with the range message while the font size is outside 1..50; the dialog stays open.
    void accept() override;

    QCheckBox* EdgeColorBox() const { return edgeColor_; }
    QCheckBox* ZoomInvertBox() const { return zoomInvert_; }
    QCheckBox* SmoothBox() const { return smooth_; }
    QCheckBox* AnimationBox() const { return animation_; }
    QComboBox* SpeedCombo() const { return speed_; }
    QCheckBox* FlapAngleBox() const { return flapAngle_; }
    QCheckBox* InvertEdgeIdBox() const { return invertEdgeId_; }
    QCheckBox* WhitishBox() const { return whitish_; }
    QCheckBox* LimitTextureBox() const { return limitTexture_; }
    QComboBox* TextureLimitCombo() const { return textureLimit_; }
    QLabel* SystemLimitLabel() const { return systemLimit_; }
    QSpinBox* FontSizeSpin() const { return fontSize_; }
    ColorButton* BackgroundButton() const { return background_; }
    QCheckBox* CheckVersionBox() const { return checkVersion_; }
    QCheckBox* BitmapFontBox() const { return bitmapFont_; }
    QDoubleSpinBox* RecoveryIntervalBox() const { return recoveryInterval_; }
    QCheckBox* LabelsAsWrittenBox() const { return labelsAsWritten_; }
    QCheckBox* LabelsOnFlapsBox() const { return labelsOnFlaps_; }
    QCheckBox* LabelsWithPartBox() const { return labelsWithPart_; }
    QDoubleSpinBox* LabelMinCapBox() const { return labelMinCap_; }
    QCheckBox* PartNumbersBox() const { return partNumbers_; }

private:
    void UpdateEnabled();

    IPrompt& prompt_;
    ColorChooser chooser_;
    QCheckBox* edgeColor_ = nullptr;
    QCheckBox* zoomInvert_ = nullptr;
    QCheckBox* smooth_ = nullptr;
    QCheckBox* animation_ = nullptr;
    QComboBox* speed_ = nullptr;
    QCheckBox* flapAngle_ = nullptr;
    QCheckBox* invertEdgeId_ = nullptr;
    QCheckBox* whitish_ = nullptr;
    QCheckBox* limitTexture_ = nullptr;
    QComboBox* textureLimit_ = nullptr;
    QLabel* systemLimit_ = nullptr;
    QSpinBox* fontSize_ = nullptr;
    ColorButton* background_ = nullptr;
    QCheckBox* checkVersion_ = nullptr;
    QDoubleSpinBox* recoveryInterval_ = nullptr;
    double givenRecoveryInterval_ = 0; // the setting as given, which the box may show rounded
    QCheckBox* bitmapFont_ = nullptr;
    QCheckBox* labelsAsWritten_ = nullptr;
    QCheckBox* labelsOnFlaps_ = nullptr;
    QCheckBox* labelsWithPart_ = nullptr;
    QDoubleSpinBox* labelMinCap_ = nullptr;
    QCheckBox* partNumbers_ = nullptr;
};

// The command: the dialog on the current settings; OK changes them and returns the hint, Cancel returns
// nothing and changes nothing.
std::optional<UpdateHint> RunOtherConfigurations(QWidget* parent, Settings& settings, Document* document,
                                                 IPrompt& prompt, ColorChooser chooser);

// Color Configuration: each button stores its choice at once; "Reset to Default" restores the whole table.
struct ColorSlot {
    const char* label;
    int index; // in Settings::colors
};
extern const ColorSlot kColorSlots[6];

class ColorConfigDialog : public QDialog {
public:
    ColorConfigDialog(QWidget* parent, Settings& settings, ColorChooser chooser);

    ColorButton* SlotButton(int slot) const { return buttons_[slot]; }
    QPushButton* ResetButton() const { return reset_; }

private:
    void Refresh();

    Settings& settings_;
    ColorChooser chooser_;
    ColorButton* buttons_[6] = {};
    QPushButton* reset_ = nullptr;
};

} // namespace tsm
