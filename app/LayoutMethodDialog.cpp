#include "app/LayoutMethodDialog.h"

#include "model/Mesh.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tsm {

const char* const kLayoutDialogTitle = "Development Layout Method";
const char* const kLayoutAutoLabel = "Auto";
const char* const kLayoutAutoText =
    "The size of the development is automatically adjusted to fit paper size.";
const char* const kLayoutPercentHint = "(Rate value relative to model size: may be about 5%)";
const char* const kLayoutSpecifyLabel = "Specify Value";
const char* const kLayoutAvoidBreakLabel = "Place Parts so as Avoid Page Breaks";
const char* const kUnfoldStrategyLabel = "Unfolding:";
const char* const kUnfoldStrategyNames[2] = {"Upright", "Fewest parts"};

namespace {

// A NaN from a damaged entry would pass every comparison: it becomes the lower limit.
double Clamp(double value, double low, double high) {
    if (std::isnan(value)) return low;
    return std::clamp(value, low, high);
}

} // namespace

LayoutMethodLogic::LayoutMethodLogic(const LayoutMethod& method, double documentScale, const Vec3& extent)
    : method_(method), scale_(Clamp(documentScale, kMinScale, kMaxScale)), extent_(extent) {
    method_.spacingPercent = Clamp(method_.spacingPercent, kMinPercent, kMaxPercent);
    method_.spacingMM = Clamp(method_.spacingMM, kMinSpacingMM, kMaxSpacingMM);
}

void LayoutMethodLogic::SetSpacingPercent(double percent) {
    method_.spacingPercent = Clamp(percent, kMinPercent, kMaxPercent);
}

void LayoutMethodLogic::SetSpacingMM(double mm) {
    method_.spacingMM = Clamp(mm, kMinSpacingMM, kMaxSpacingMM);
}

double LayoutMethodLogic::AxisExtent(LayoutSizeBy by) const {
    switch (by) {
    case LayoutSizeBy::Height:
        return extent_.y;
    case LayoutSizeBy::Width:
        return extent_.x;
    case LayoutSizeBy::Depth:
        return extent_.z;
    case LayoutSizeBy::Largest:
        return std::max({extent_.x, extent_.y, extent_.z});
    case LayoutSizeBy::Scale:
        break;
    }
    return 0;
}

bool LayoutMethodLogic::CanSizeBy(LayoutSizeBy by) const {
    if (by == LayoutSizeBy::Scale) return true;
    const double extent = AxisExtent(by);
    return std::isfinite(extent) && extent > 0;
}

bool LayoutMethodLogic::SetSizeBy(LayoutSizeBy by) {
    if (!CanSizeBy(by)) return false;
    sizeBy_ = by;
    return true;
}

void LayoutMethodLogic::SetScale(double scale) {
    scale_ = Clamp(scale, kMinScale, kMaxScale);
}

double LayoutMethodLogic::AssembledSizeCM() const {
    return AssembledSizeCM(sizeBy_);
}

double LayoutMethodLogic::AssembledSizeCM(LayoutSizeBy by) const {
    // Model units times the scale are millimetres.
    return AxisExtent(by) * scale_ / 10.0;
}

LayoutSizeBy LayoutMethodLogic::ShownAxis() const {
    if (sizeBy_ != LayoutSizeBy::Scale) return sizeBy_;
    for (LayoutSizeBy by : {LayoutSizeBy::Width, LayoutSizeBy::Height, LayoutSizeBy::Depth})
        if (CanSizeBy(by)) return by;
    return LayoutSizeBy::Scale;
}

void LayoutMethodLogic::SetAssembledSizeCM(double cm) {
    if (sizeBy_ == LayoutSizeBy::Scale || !CanSizeBy(sizeBy_)) return;
    SetScale(Clamp(cm, kMinSizeCM, kMaxSizeCM) * 10.0 / AxisExtent(sizeBy_));
}

void LayoutMethodLogic::Apply(LayoutMethod& method, double& documentScale) const {
    method = method_;
    if (!method_.automatic) documentScale = scale_;
}

LayoutMethodDialog::LayoutMethodDialog(QWidget* parent, const LayoutMethod& method, double documentScale,
                                       const Vec3& extent, std::optional<UnfoldStrategy> strategy)
    : QDialog(parent), logic_(method, documentScale, extent) {
    setWindowTitle(QString::fromUtf8(kLayoutDialogTitle));
    setModal(true);

    auto_ = new QRadioButton(QString::fromUtf8(kLayoutAutoLabel), this);
    specify_ = new QRadioButton(QString::fromUtf8(kLayoutSpecifyLabel), this);
    auto* modes = new QButtonGroup(this);
    modes->addButton(auto_);
    modes->addButton(specify_);

    percent_ = new QDoubleSpinBox(this);
    percent_->setRange(LayoutMethodLogic::kMinPercent, LayoutMethodLogic::kMaxPercent);
    percent_->setDecimals(1);
    percent_->setSuffix(QStringLiteral(" %"));

    sizeBy_ = new QComboBox(this);
    sizeBy_->addItem(QStringLiteral("Scale"));
    sizeBy_->addItem(QStringLiteral("Assembled height"));
    sizeBy_->addItem(QStringLiteral("Assembled width"));
    sizeBy_->addItem(QStringLiteral("Assembled depth"));
    sizeBy_->addItem(QStringLiteral("Assembled largest dimension"));
    scale_ = new QDoubleSpinBox(this);
    scale_->setRange(LayoutMethodLogic::kMinScale, LayoutMethodLogic::kMaxScale);
    scale_->setDecimals(4);
    size_ = new QDoubleSpinBox(this);
    size_->setRange(LayoutMethodLogic::kMinSizeCM, LayoutMethodLogic::kMaxSizeCM);
    size_->setDecimals(1);
    size_->setSuffix(QStringLiteral(" cm"));
    spacing_ = new QDoubleSpinBox(this);
    spacing_->setRange(LayoutMethodLogic::kMinSpacingMM, LayoutMethodLogic::kMaxSpacingMM);
    spacing_->setDecimals(1);
    spacing_->setSuffix(QStringLiteral(" mm"));
    avoidBreaks_ = new QCheckBox(QString::fromUtf8(kLayoutAvoidBreakLabel), this);

    auto* autoBox = new QGroupBox(this);
    auto* autoLayout = new QGridLayout(autoBox);
    autoLayout->addWidget(auto_, 0, 0, 1, 3);
    auto* autoText = new QLabel(QString::fromUtf8(kLayoutAutoText), autoBox);
    autoText->setWordWrap(true);
    autoLayout->addWidget(autoText, 1, 0, 1, 3);
    autoLayout->addWidget(new QLabel(QStringLiteral("Spacing between parts:"), autoBox), 2, 0);
    autoLayout->addWidget(percent_, 2, 1);
    autoLayout->addWidget(new QLabel(QString::fromUtf8(kLayoutPercentHint), autoBox), 3, 0, 1, 3);

    auto* specifyBox = new QGroupBox(this);
    auto* specifyLayout = new QGridLayout(specifyBox);
    specifyLayout->addWidget(specify_, 0, 0, 1, 3);
    specifyLayout->addWidget(sizeBy_, 1, 0);
    specifyLayout->addWidget(scale_, 1, 1);
    specifyLayout->addWidget(size_, 1, 2);
    specifyLayout->addWidget(new QLabel(QStringLiteral("Spacing between parts:"), specifyBox), 2, 0);
    specifyLayout->addWidget(spacing_, 2, 1);
    specifyLayout->addWidget(avoidBreaks_, 3, 0, 1, 3);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    if (strategy) {
        strategy_ = new QComboBox(this);
        for (const char* name : kUnfoldStrategyNames) strategy_->addItem(QString::fromUtf8(name));
        strategy_->setCurrentIndex(*strategy == UnfoldStrategy::FewestParts ? 1 : 0);
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QString::fromUtf8(kUnfoldStrategyLabel), this));
        row->addWidget(strategy_, 1);
        layout->addLayout(row);
    }
    layout->addWidget(autoBox);
    layout->addWidget(specifyBox);
    layout->addWidget(buttons);

    connect(auto_, &QRadioButton::toggled, this, [this](bool on) {
        if (updating_) return;
        logic_.SetAutomatic(on);
        Show();
    });
    connect(percent_, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        if (!updating_) logic_.SetSpacingPercent(value);
    });
    connect(sizeBy_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (updating_) return;
        logic_.SetSizeBy(static_cast<LayoutSizeBy>(index));
        Show();
    });
    connect(scale_, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        if (updating_) return;
        logic_.SetScale(value);
        Show();
    });
    connect(size_, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        if (updating_) return;
        logic_.SetAssembledSizeCM(value);
        Show();
    });
    connect(spacing_, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        if (!updating_) logic_.SetSpacingMM(value);
    });
    connect(avoidBreaks_, &QCheckBox::toggled, this, [this](bool on) {
        if (!updating_) logic_.SetAvoidPageBreaks(on);
    });
    Show();
}

void LayoutMethodDialog::Show() {
    updating_ = true;
    auto_->setChecked(logic_.automatic());
    specify_->setChecked(!logic_.automatic());
    percent_->setValue(logic_.spacingPercent());
    sizeBy_->setCurrentIndex(static_cast<int>(logic_.sizeBy()));
    // A flat axis cannot set the scale: its entry is greyed out.
    if (auto* items = qobject_cast<QStandardItemModel*>(sizeBy_->model())) {
        for (int i = 1; i < sizeBy_->count(); ++i)
            items->item(i)->setEnabled(logic_.CanSizeBy(static_cast<LayoutSizeBy>(i)));
    }
    // Only the entry in use takes input; the other shows the value it follows.
    if (!scale_->hasFocus() || !logic_.ScaleEntryEnabled()) scale_->setValue(logic_.scale());
    // With Scale chosen the size entry still shows the real assembled size (along the width), never the
    // entry's lower limit.
    if (!size_->hasFocus() || !logic_.SizeEntryEnabled())
        size_->setValue(logic_.AssembledSizeCM(logic_.ShownAxis()));
    spacing_->setValue(logic_.spacingMM());
    avoidBreaks_->setChecked(logic_.avoidPageBreaks());

    percent_->setEnabled(logic_.PercentEnabled());
    sizeBy_->setEnabled(logic_.SpecifyEnabled());
    scale_->setEnabled(logic_.ScaleEntryEnabled());
    size_->setEnabled(logic_.SizeEntryEnabled());
    spacing_->setEnabled(logic_.SpecifyEnabled());
    avoidBreaks_->setEnabled(logic_.AvoidPageBreaksEnabled());
    updating_ = false;
}

Vec3 ModelExtent(const Document& document) {
    if (document.model == nullptr) return {};
    return document.model->boundsMax - document.model->boundsMin;
}

UnfoldStrategy LayoutMethodDialog::strategy() const {
    return strategy_ != nullptr && strategy_->currentIndex() == 1 ? UnfoldStrategy::FewestParts
                                                                  : UnfoldStrategy::Upright;
}

bool AskLayoutMethod(QWidget* parent, Document& document, LayoutMethod& method, UnfoldStrategy* strategy) {
    LayoutMethodDialog dialog(parent, method, document.documentScale, ModelExtent(document),
                              strategy ? std::optional<UnfoldStrategy>(*strategy) : std::nullopt);
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.logic().Apply(method, document.documentScale);
    if (strategy) *strategy = dialog.strategy();
    return true;
}

} // namespace tsm
