#include "app/EdgeColorDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tsm {

namespace {

QIcon SwatchIcon(const Rgb8& rgb, bool hides) {
    QPixmap pixmap(20, 14);
    pixmap.fill(hides ? QColor(Qt::white) : QColor(rgb[0], rgb[1], rgb[2]));
    if (hides) {
        // A dashed line crossed out: the line goes away.
        QPainter painter(&pixmap);
        painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
        painter.drawLine(2, 7, 17, 7);
        painter.setPen(QPen(Qt::red, 2));
        painter.drawLine(4, 2, 15, 12);
        painter.drawLine(4, 12, 15, 2);
    }
    return QIcon(pixmap);
}

} // namespace

const std::array<Rgb8, 7> EdgeColorChoice::kStandard = {Rgb8{0, 0, 0},     Rgb8{255, 0, 0}, Rgb8{0, 255, 0},
                                                        Rgb8{255, 255, 0}, Rgb8{0, 0, 255}, Rgb8{255, 0, 255},
                                                        Rgb8{0, 255, 255}};

EdgeColorChoice::Action EdgeColorChoice::CurrentAction() const {
    if (current == kHideSwatch) return Action::Hide;
    if (CustomCurrent() && picker) return Action::Pick;
    return Action::Paint;
}

Rgb8 EdgeColorChoice::Swatch(int index) const {
    if (index >= 0 && index < kHideSwatch) return kStandard[index];
    if (index >= kFirstCustom && index < kSwatchCount) return custom[index - kFirstCustom];
    return Rgb8{0, 0, 0};
}

EdgeColorDialog::EdgeColorDialog(QWidget* parent, EdgeColorChoice& choice)
    : QDialog(parent), choice_(choice) {
    setWindowTitle(QStringLiteral("Edge Color"));
    setObjectName(QStringLiteral("EdgeColorDialog"));
    auto* layout = new QVBoxLayout(this);
    cut_ = new QCheckBox(QStringLiteral("Cut lines"), this);
    mountain_ = new QCheckBox(QStringLiteral("Mountain"), this);
    valley_ = new QCheckBox(QStringLiteral("Valley"), this);
    for (QCheckBox* box : {cut_, mountain_, valley_}) {
        layout->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this] {
            choice_.targets.cutLines = cut_->isChecked();
            choice_.targets.mountain = mountain_->isChecked();
            choice_.targets.valley = valley_->isChecked();
        });
    }
    auto* grid = new QGridLayout;
    for (int i = 0; i < EdgeColorChoice::kSwatchCount; ++i) {
        auto* button = new QPushButton(this);
        button->setCheckable(true);
        button->setObjectName(QStringLiteral("Swatch%1").arg(i));
        button->setToolTip(i == EdgeColorChoice::kHideSwatch ? QStringLiteral("Hide") : QString());
        grid->addWidget(button, i / 8, i % 8);
        connect(button, &QPushButton::clicked, this, [this, i] { Choose(i); });
        swatches_[i] = button;
    }
    layout->addLayout(grid);
    setting_ = new QPushButton(QStringLiteral("Setting..."), this);
    connect(setting_, &QPushButton::clicked, this, [this] {
        if (!choice_.CustomCurrent()) return;
        Rgb8& rgb = choice_.custom[choice_.current - EdgeColorChoice::kFirstCustom];
        const QColor chosen = QColorDialog::getColor(QColor(rgb[0], rgb[1], rgb[2]), this);
        if (chosen.isValid())
            rgb = {static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                   static_cast<uint8_t>(chosen.blue())};
        Refresh();
    });
    picker_ = new QPushButton(QStringLiteral("Picker"), this);
    picker_->setObjectName(QStringLiteral("Picker"));
    picker_->setCheckable(true);
    connect(picker_, &QPushButton::toggled, this, [this](bool on) { choice_.picker = on; });
    auto* row = new QHBoxLayout;
    row->addWidget(setting_);
    row->addWidget(picker_);
    layout->addLayout(row);
    Refresh();
}

void EdgeColorDialog::Choose(int swatch) {
    choice_.current = swatch;
    Refresh();
}

void EdgeColorDialog::Refresh() {
    const QSignalBlocker blockCut(cut_), blockMountain(mountain_), blockValley(valley_), blockPicker(picker_);
    cut_->setChecked(choice_.targets.cutLines);
    mountain_->setChecked(choice_.targets.mountain);
    valley_->setChecked(choice_.targets.valley);
    for (int i = 0; i < EdgeColorChoice::kSwatchCount; ++i) {
        swatches_[i]->setIcon(SwatchIcon(choice_.Swatch(i), i == EdgeColorChoice::kHideSwatch));
        swatches_[i]->setChecked(i == choice_.current);
    }
    setting_->setEnabled(choice_.CustomCurrent());
    picker_->setEnabled(choice_.CustomCurrent());
    picker_->setChecked(choice_.picker);
}

} // namespace tsm
