#include "app/EditDialogs.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

constexpr const char* kFlapWidthText = "Specify a value of 0.1-100 mm for flap width.";
constexpr const char* kFlapAngleText = "Please enter an integer between 1 and 90.";
constexpr const char* kTextSizeText = "Specify 5-100 for font size.";

QColor FromColorRef(int32_t colorRef) {
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

} // namespace

const char* CheckFlapValues(double widthMM, int angle1Degrees, int angle2Degrees) {
    if (!(widthMM >= 0.1 && widthMM <= 100.0)) return kFlapWidthText;
    if (angle1Degrees < 1 || angle1Degrees > 90 || angle2Degrees < 1 || angle2Degrees > 90)
        return kFlapAngleText;
    return nullptr;
}

FlapDialog::FlapDialog(QWidget* parent, const FlapValues& values, IPrompt& prompt)
    : QDialog(parent), prompt_(prompt), initial_(values) {
    setWindowTitle(QStringLiteral("Flap Configuration"));
    auto* form = new QFormLayout(this);
    width_ = new QLineEdit(QString::number(values.widthMM), this);
    width_->setObjectName(QStringLiteral("FlapWidth"));
    form->addRow(QStringLiteral("Flap width (mm)"), width_);
    left_ = new QLineEdit(QString::number(values.angle1Degrees), this);
    left_->setObjectName(QStringLiteral("FlapAngleL"));
    right_ = new QLineEdit(QString::number(values.angle2Degrees), this);
    right_->setObjectName(QStringLiteral("FlapAngleR"));
    auto* angles = new QHBoxLayout;
    angles->addWidget(left_);
    angles->addWidget(right_);
    auto* automatic = new QPushButton(QStringLiteral("Auto"), this);
    angles->addWidget(automatic);
    form->addRow(QStringLiteral("L= / R= (degrees)"), angles);
    connect(automatic, &QPushButton::clicked, this, [this] {
        left_->setText(QString::number(initial_.angle1Degrees));
        right_->setText(QString::number(initial_.angle2Degrees));
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void FlapDialog::SetTexts(const QString& width, const QString& left, const QString& right) {
    width_->setText(width);
    left_->setText(left);
    right_->setText(right);
}

FlapValues FlapDialog::Values() const {
    FlapValues values;
    bool ok = false;
    values.widthMM = width_->text().trimmed().toDouble(&ok);
    if (!ok) values.widthMM = -1;
    values.angle1Degrees = left_->text().trimmed().toInt(&ok);
    if (!ok) values.angle1Degrees = -1;
    values.angle2Degrees = right_->text().trimmed().toInt(&ok);
    if (!ok) values.angle2Degrees = -1;
    return values;
}

void FlapDialog::accept() {
    const FlapValues values = Values();
    if (const char* refusal = CheckFlapValues(values.widthMM, values.angle1Degrees, values.angle2Degrees)) {
        prompt_.Message(refusal);
        return;
    }
    QDialog::accept();
}

std::optional<FlapValues> AskFlapValues(QWidget* parent, const FlapValues& values, IPrompt& prompt) {
    FlapDialog dialog(parent, values, prompt);
    dialog.setObjectName(QStringLiteral("FlapDialog"));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Values();
}

const char* CheckTextSize(int points) {
    return points >= 5 && points <= 100 ? nullptr : kTextSizeText;
}

TextDialog::TextDialog(QWidget* parent, const TextValues& values, IPrompt& prompt)
    : QDialog(parent), prompt_(prompt), color_(values.color) {
    setWindowTitle(QStringLiteral("Input Text"));
    auto* form = new QFormLayout(this);
    text_ = new QPlainTextEdit(values.text, this);
    form->addRow(QStringLiteral("Text"), text_);
    font_ = new QFontComboBox(this);
    font_->setCurrentFont(QFont(values.fontName));
    form->addRow(QStringLiteral("Font"), font_);
    size_ = new QComboBox(this);
    size_->setEditable(true);
    for (const char* points : {"8", "10", "12", "14", "16", "24", "32", "48", "64", "72"})
        size_->addItem(QString::fromLatin1(points));
    size_->setEditText(QString::number(values.sizePoints));
    form->addRow(QStringLiteral("Size(pt)"), size_);
    colorButton_ = new QPushButton(this);
    connect(colorButton_, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(FromColorRef(color_), this);
        if (chosen.isValid()) SetColor(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
    });
    form->addRow(QStringLiteral("Color"), colorButton_);
    lineSpace_ = new QLineEdit(QString::number(values.lineSpacingMM), this);
    form->addRow(QStringLiteral("Line space (mm)"), lineSpace_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    ShowColor();
    text_->setFocus();
}

void TextDialog::ShowColor() {
    QPixmap swatch(32, 14);
    swatch.fill(FromColorRef(color_));
    colorButton_->setIcon(QIcon(swatch));
    colorButton_->setText(FromColorRef(color_).name());
}

void TextDialog::SetText(const QString& text) {
    text_->setPlainText(text);
}

void TextDialog::SetSize(const QString& points) {
    size_->setEditText(points);
}

void TextDialog::SetColor(int32_t colorRef) {
    color_ = colorRef;
    ShowColor();
}

TextValues TextDialog::Values() const {
    TextValues values;
    values.text = text_->toPlainText();
    values.fontName = font_->currentFont().family();
    bool ok = false;
    values.sizePoints = size_->currentText().trimmed().toInt(&ok);
    if (!ok) values.sizePoints = -1;
    values.color = color_;
    values.lineSpacingMM = std::max(0, lineSpace_->text().trimmed().toInt(&ok));
    if (!ok) values.lineSpacingMM = 2;
    return values;
}

void TextDialog::accept() {
    if (const char* refusal = CheckTextSize(Values().sizePoints)) {
        prompt_.Message(refusal);
        return;
    }
    QDialog::accept();
}

std::optional<TextValues> AskTextValues(QWidget* parent, const TextValues& values, IPrompt& prompt) {
    TextDialog dialog(parent, values, prompt);
    dialog.setObjectName(QStringLiteral("TextDialog"));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Values();
}

} // namespace tsm
