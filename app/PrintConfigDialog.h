// The Print Configuration dialog: how lines are printed (clearly as vectors or smoothly in the bitmap with
// a transparency), page numbers, alignment marks, the bitmap resolution and the line width, plus the
// paper controls, which exist but stay hidden because the paper comes from the model file.
#pragma once

#include "model/DocumentSettings.h"
#include "model/Settings.h"
#include "model/UpdateHint.h"

#include <QDialog>

#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace tsm {

// What the dialog's controls hold.
struct PrintConfigValues {
    bool bitmapPrint = true;  // "Print lines smoothly (Bitmap print)"; false: vector print
    int transparencyStep = 5; // slider 0..10, lineAlpha = step x 0.1
    bool printPageNumber = true;
    bool printTombo = false;
    int resolutionIndex = 2; // "Very High", "High", "Middle", "Low"
    int lineWidthIndex = 2;  // "1" .. "10"
    int paperComboIndex = 0; // the hidden paper list's order, see PaperCodeOfComboIndex
    bool landscape = false;
    int sideMarginMM = 15;
    int topMarginMM = 15;
};

// The hidden paper list shows A4, A3, A2, A1, Letter, legal, B5, B4, B3, B2, B1; these are their paper
// codes. Indices outside the list give A4; codes outside it give index 0.
int PaperCodeOfComboIndex(int index);
int ComboIndexOfPaperCode(int code);

// The controls' values from the settings, each clamped to what its control can show.
PrintConfigValues PrintConfigFromSettings(const Settings& settings);
// OK: the values back into the settings. Returns the hint for the views: the sheets are recomputed when
// the paper type, orientation or a margin changed, otherwise the views only redraw.
UpdateHint ApplyPrintConfig(const PrintConfigValues& values, Settings& settings);

class PrintConfigDialog : public QDialog {
public:
    PrintConfigDialog(QWidget* parent, const PrintConfigValues& values);

    PrintConfigValues Values() const;

    QRadioButton* VectorPrintButton() const { return vector_; }
    QRadioButton* BitmapPrintButton() const { return bitmap_; }
    QSlider* TransparencySlider() const { return transparency_; }
    QComboBox* ResolutionCombo() const { return resolution_; }
    QComboBox* LineWidthCombo() const { return lineWidth_; }
    QCheckBox* PageNumberBox() const { return pageNumber_; }
    QCheckBox* TomboBox() const { return tombo_; }
    QComboBox* PaperCombo() const { return paper_; }
    QSpinBox* SideMarginSpin() const { return side_; }
    QSpinBox* TopMarginSpin() const { return top_; }
    QRadioButton* LandscapeButton() const { return landscape_; }

private:
    void UpdateTransparencyEnabled();

    QRadioButton* vector_ = nullptr;
    QRadioButton* bitmap_ = nullptr;
    QSlider* transparency_ = nullptr;
    QCheckBox* pageNumber_ = nullptr;
    QCheckBox* tombo_ = nullptr;
    QComboBox* resolution_ = nullptr;
    QComboBox* lineWidth_ = nullptr;
    QComboBox* paper_ = nullptr;
    QRadioButton* portrait_ = nullptr;
    QRadioButton* landscape_ = nullptr;
    QSpinBox* side_ = nullptr;
    QSpinBox* top_ = nullptr;
};

// The command: the dialog on the current settings; on OK the settings change and the hint is returned,
// on Cancel nothing changes and nothing is returned.
std::optional<UpdateHint> RunPrintConfiguration(QWidget* parent, Settings& settings, Document* document);

} // namespace tsm
