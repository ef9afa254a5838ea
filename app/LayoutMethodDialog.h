// The "Development Layout Method" dialog, shown before unfolding and before "Recalculate Parts Layout":
// either "Auto" (the development scaled to fit one sheet, spacing relative to the model's size) or
// "Specify Value" (a scale given directly or through the assembled size along one axis, spacing in
// millimetres, optionally keeping parts off page breaks). Before unfolding it also offers the unfolding
// strategy: "Upright" or "Fewest parts".
#pragma once

#include "model/Document.h"
#include "model/Geometry.h"
#include "model/Settings.h"

#include <QDialog>

#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QRadioButton;

namespace tsm {

extern const char* const kLayoutDialogTitle;     // "Development Layout Method"
extern const char* const kLayoutAutoLabel;       // "Auto"
extern const char* const kLayoutAutoText;        // "The size of the development is automatically ..."
extern const char* const kLayoutPercentHint;     // "(Rate value relative to model size: may be about 5%)"
extern const char* const kLayoutSpecifyLabel;    // "Specify Value"
extern const char* const kLayoutAvoidBreakLabel; // "Place Parts so as Avoid Page Breaks"
extern const char* const kUnfoldStrategyLabel;   // "Unfolding:"
// The strategies' names, indexed by UnfoldStrategy: "Upright", "Fewest parts".
extern const char* const kUnfoldStrategyNames[2];

// What "Specify Value" takes: the scale itself, the assembled model's size along one axis, or the largest
// of the three (the size a model is built at).
enum class LayoutSizeBy { Scale = 0, Height = 1, Width = 2, Depth = 3, Largest = 4 };

// The dialog's values and rules, without widgets.
class LayoutMethodLogic {
public:
    // Limits of the entries; values outside are brought back inside.
    static constexpr double kMinPercent = 0.0, kMaxPercent = 100.0;
    static constexpr double kMinSpacingMM = 0.0, kMaxSpacingMM = 1000.0;
    static constexpr double kMinScale = 0.0001, kMaxScale = 100000.0;
    static constexpr double kMinSizeCM = 0.1, kMaxSizeCM = 100000.0;

    // `extent` is the model's bounding box size in model units (x width, y height, z depth).
    LayoutMethodLogic(const LayoutMethod& method, double documentScale, const Vec3& extent);

    bool automatic() const { return method_.automatic; }
    void SetAutomatic(bool automatic) { method_.automatic = automatic; }
    double spacingPercent() const { return method_.spacingPercent; }
    void SetSpacingPercent(double percent);
    double spacingMM() const { return method_.spacingMM; }
    void SetSpacingMM(double mm);
    bool avoidPageBreaks() const { return method_.avoidPageBreaks; }
    void SetAvoidPageBreaks(bool avoid) { method_.avoidPageBreaks = avoid; }

    LayoutSizeBy sizeBy() const { return sizeBy_; }
    // An axis along which the model is flat cannot give a scale: the choice stays as it was.
    bool SetSizeBy(LayoutSizeBy by);
    double scale() const { return scale_; }
    void SetScale(double scale);
    // The assembled size in centimetres along the chosen axis at the current scale; 0 for Scale.
    double AssembledSizeCM() const;
    // The assembled size along `by` at the current scale; 0 for Scale.
    double AssembledSizeCM(LayoutSizeBy by) const;
    // The axis the size entry shows: the chosen one, or with Scale chosen the first of width, height and
    // depth along which the model has an extent (Scale when it has none).
    LayoutSizeBy ShownAxis() const;
    // Sets the scale that gives this assembled size along the chosen axis.
    void SetAssembledSizeCM(double cm);
    // Whether the model has an extent along the axis of `by` (always true for Scale).
    bool CanSizeBy(LayoutSizeBy by) const;

    // Which controls take input.
    bool PercentEnabled() const { return method_.automatic; }
    bool SpecifyEnabled() const { return !method_.automatic; }
    bool ScaleEntryEnabled() const { return !method_.automatic && sizeBy_ == LayoutSizeBy::Scale; }
    bool SizeEntryEnabled() const { return !method_.automatic && sizeBy_ != LayoutSizeBy::Scale; }
    // Page breaks matter only when the development is not scaled to one sheet.
    bool AvoidPageBreaksEnabled() const { return !method_.automatic; }

    // The values on OK: the layout method, and the document's scale (which only "Specify Value" changes).
    const LayoutMethod& method() const { return method_; }
    void Apply(LayoutMethod& method, double& documentScale) const;

private:
    double AxisExtent(LayoutSizeBy by) const;

    LayoutMethod method_;
    double scale_;
    Vec3 extent_;
    LayoutSizeBy sizeBy_ = LayoutSizeBy::Scale;
};

class LayoutMethodDialog : public QDialog {
public:
    // With `strategy` the dialog offers the unfolding strategy too, starting from that one.
    LayoutMethodDialog(QWidget* parent, const LayoutMethod& method, double documentScale, const Vec3& extent,
                       std::optional<UnfoldStrategy> strategy = std::nullopt);

    LayoutMethodLogic& logic() { return logic_; }
    // The strategy chosen; Upright when the dialog does not offer one.
    UnfoldStrategy strategy() const;
    QComboBox* strategyBox() const { return strategy_; } // null when not offered

    QRadioButton* autoButton() const { return auto_; }
    QRadioButton* specifyButton() const { return specify_; }
    QDoubleSpinBox* percentBox() const { return percent_; }
    QComboBox* sizeByBox() const { return sizeBy_; }
    QDoubleSpinBox* scaleBox() const { return scale_; }
    QDoubleSpinBox* sizeBox() const { return size_; }
    QDoubleSpinBox* spacingBox() const { return spacing_; }
    QCheckBox* avoidBreaksBox() const { return avoidBreaks_; }

private:
    // Shows the logic's values and enabling; `updating_` keeps the echo from writing back.
    void Show();

    LayoutMethodLogic logic_;
    bool updating_ = false;
    QRadioButton* auto_ = nullptr;
    QRadioButton* specify_ = nullptr;
    QDoubleSpinBox* percent_ = nullptr;
    QComboBox* sizeBy_ = nullptr;
    QDoubleSpinBox* scale_ = nullptr;
    QDoubleSpinBox* size_ = nullptr;
    QDoubleSpinBox* spacing_ = nullptr;
    QCheckBox* avoidBreaks_ = nullptr;
    QComboBox* strategy_ = nullptr;
};

// The model's bounding box size; zero without a model.
Vec3 ModelExtent(const Document& document);

// Shows the dialog for the current document; on OK stores the layout method in the current settings and
// the scale in the document. With `strategy` the dialog offers it and sets it on OK. False on Cancel.
bool AskLayoutMethod(QWidget* parent, Document& document, LayoutMethod& method,
                     UnfoldStrategy* strategy = nullptr);

} // namespace tsm
