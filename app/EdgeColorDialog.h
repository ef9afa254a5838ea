// The "Edge Color" dialog of the Set Edge Color mode: which line kinds the tool acts on, the current
// swatch (seven colours, the hiding swatch, eight customizable ones) and the picker. The choice itself is
// a plain value that the view's tool reads; the dialog only shows and changes it.
#pragma once

#include "engine/DocumentEdits.h"

#include <QDialog>

#include <array>
#include <cstdint>

class QAbstractButton;
class QCheckBox;
class QPushButton;

namespace tsm {

using Rgb8 = std::array<uint8_t, 3>;

struct EdgeColorChoice {
    static constexpr int kHideSwatch = 7;
    static constexpr int kFirstCustom = 8;
    static constexpr int kSwatchCount = 16;
    // Black, red, green, yellow, blue, magenta, cyan; the eighth standard swatch hides.
    static const std::array<Rgb8, 7> kStandard;

    enum class Action { Paint, Hide, Pick };

    EdgeColorTargets targets;
    int current = 0;
    std::array<Rgb8, 8> custom = {}; // black until set
    bool picker = false;

    bool CustomCurrent() const { return current >= kFirstCustom && current < kSwatchCount; }
    // Hide for the hiding swatch, Pick for a customized swatch while the picker is on, else Paint.
    Action CurrentAction() const;
    // The colour of swatch `index` (black for the hiding swatch and for indices out of range).
    Rgb8 Swatch(int index) const;
};

class EdgeColorDialog : public QDialog {
public:
    EdgeColorDialog(QWidget* parent, EdgeColorChoice& choice);
    // Shows the choice again (the picker changes a swatch from outside).
    void Refresh();

private:
    void Choose(int swatch);

    EdgeColorChoice& choice_;
    QCheckBox* cut_ = nullptr;
    QCheckBox* mountain_ = nullptr;
    QCheckBox* valley_ = nullptr;
    std::array<QPushButton*, EdgeColorChoice::kSwatchCount> swatches_ = {};
    QPushButton* setting_ = nullptr;
    QPushButton* picker_ = nullptr;
};

} // namespace tsm
