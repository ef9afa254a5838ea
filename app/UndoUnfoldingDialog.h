// The "Undo Unfolding" dialog: a warning that the development's edits are lost for good, and the two
// choices of what to keep for the next unfolding.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;

namespace tsm {

extern const char* const kUndoUnfoldingTitle;  // "Undo Unfolding"
extern const char* const kUndoUnfoldingText;   // "Edit data on development will be destructed.\n..."
extern const char* const kReuseTextsLabel;     // "Reuse texts at next unfolding"
extern const char* const kApplyOpenEdgesLabel; // "Apply open edge info to 3D model."

// What the user chose on OK.
struct UndoUnfoldingChoice {
    bool reuseTexts = true;
    bool applyOpenEdges = true;
};

class UndoUnfoldingDialog : public QDialog {
public:
    // "Reuse texts" can only be chosen when the development has texts; without them it is greyed out and
    // answers false.
    UndoUnfoldingDialog(QWidget* parent, bool developmentHasTexts);

    UndoUnfoldingChoice Choice() const;

    QLabel* textLabel() const { return text_; }
    QCheckBox* reuseTextsBox() const { return reuseTexts_; }
    QCheckBox* applyOpenEdgesBox() const { return applyOpenEdges_; }

private:
    QLabel* text_ = nullptr;
    QCheckBox* reuseTexts_ = nullptr;
    QCheckBox* applyOpenEdges_ = nullptr;
};

} // namespace tsm
