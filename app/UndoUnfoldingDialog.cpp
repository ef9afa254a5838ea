#include "app/UndoUnfoldingDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tsm {

const char* const kUndoUnfoldingTitle = "Undo Unfolding";
const char* const kUndoUnfoldingText =
    "Edit data on development will be destructed.\nThis operation can not undo.";
const char* const kReuseTextsLabel = "Reuse texts at next unfolding";
const char* const kApplyOpenEdgesLabel = "Apply open edge info to 3D model.";

UndoUnfoldingDialog::UndoUnfoldingDialog(QWidget* parent, bool developmentHasTexts) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(kUndoUnfoldingTitle));
    setModal(true);
    text_ = new QLabel(QString::fromUtf8(kUndoUnfoldingText), this);
    reuseTexts_ = new QCheckBox(QString::fromUtf8(kReuseTextsLabel), this);
    reuseTexts_->setChecked(true);
    reuseTexts_->setEnabled(developmentHasTexts);
    applyOpenEdges_ = new QCheckBox(QString::fromUtf8(kApplyOpenEdgesLabel), this);
    applyOpenEdges_->setChecked(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(reuseTexts_);
    layout->addWidget(applyOpenEdges_);
    layout->addWidget(buttons);
}

UndoUnfoldingChoice UndoUnfoldingDialog::Choice() const {
    UndoUnfoldingChoice choice;
    // A greyed-out box keeps its check mark on screen but there is nothing to reuse.
    choice.reuseTexts = reuseTexts_->isEnabled() && reuseTexts_->isChecked();
    choice.applyOpenEdges = applyOpenEdges_->isChecked();
    return choice;
}

} // namespace tsm
