#include "app/DocumentInfoDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tsm {

namespace {

// One line style, drawn at the screen's true millimetres so that dash lengths look as printed.
class LineSwatchWidget : public QWidget {
public:
    LineSwatchWidget(const LineSwatch& swatch, QWidget* parent) : QWidget(parent), swatch_(swatch) {
        setMinimumSize(140, 18);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const double pixelsPerMM = logicalDpiX() / 25.4;
        DrawLineSwatch(painter, rect().adjusted(4, 0, -4, 0), swatch_, pixelsPerMM);
    }

private:
    LineSwatch swatch_;
};

} // namespace

DocumentInfoDialog::DocumentInfoDialog(QWidget* parent, const DevelopmentInfo& info) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Information"));
    auto* values = new QFormLayout;
    paperType_ = new QLabel(QString::fromStdString(info.paperType), this);
    faces_ = new QLabel(QString::number(info.faceCount), this);
    parts_ = new QLabel(QString::number(info.partCount), this);
    values->addRow(QStringLiteral("Paper type"), paperType_);
    values->addRow(QStringLiteral("Number of faces"), faces_);
    values->addRow(QStringLiteral("Number of parts"), parts_);

    auto* lines = new QGroupBox(QStringLiteral("Line style"), this);
    auto* swatches = new QFormLayout(lines);
    swatches->addRow(QStringLiteral("Cut"), new LineSwatchWidget(info.cut, lines));
    swatches->addRow(QStringLiteral("Mountain Fold"), new LineSwatchWidget(info.mountain, lines));
    swatches->addRow(QStringLiteral("Valley Fold"), new LineSwatchWidget(info.valley, lines));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(values);
    layout->addWidget(lines);
    layout->addWidget(buttons);
}

QString DocumentInfoDialog::PaperTypeText() const {
    return paperType_->text();
}

QString DocumentInfoDialog::FaceCountText() const {
    return faces_->text();
}

QString DocumentInfoDialog::PartCountText() const {
    return parts_->text();
}

} // namespace tsm
