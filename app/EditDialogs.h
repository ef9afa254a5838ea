// The small dialogs of the development view's edit modes. Each is a thin form over plain values; what the
// values are checked against lives in the free functions, so that the rules are testable without a window.
#pragma once

#include "model/Prompt.h"

#include <QDialog>
#include <QString>

#include <cstdint>

#include <optional>
#include <string>

class QComboBox;
class QFontComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tsm {

// The refusal of the flap dialog's values, or null when they are fine: the width 0.1 to 100 mm, each
// angle a whole number of degrees from 1 to 90.
const char* CheckFlapValues(double widthMM, int angle1Degrees, int angle2Degrees);

struct FlapValues {
    double widthMM = 5.0;
    int angle1Degrees = 45; // "L="
    int angle2Degrees = 45; // "R="
};

// "Flap Configuration": the flap width and the two base angles; "Auto" restores the angles the dialog
// opened with. OK with values out of range says why (through `prompt`) and keeps the dialog open.
class FlapDialog : public QDialog {
public:
    FlapDialog(QWidget* parent, const FlapValues& values, IPrompt& prompt);
    FlapValues Values() const;
    void SetTexts(const QString& width, const QString& left, const QString& right);

    void accept() override;

private:
    IPrompt& prompt_;
    FlapValues initial_;
    QLineEdit* width_ = nullptr;
    QLineEdit* left_ = nullptr;
    QLineEdit* right_ = nullptr;
};

// Shows the flap dialog; the values on OK.
std::optional<FlapValues> AskFlapValues(QWidget* parent, const FlapValues& values, IPrompt& prompt);

// The refusal of a text size, or null: 5 to 100 points.
const char* CheckTextSize(int points);

struct TextValues {
    QString text; // lines separated by line feeds
    QString fontName = QStringLiteral("Arial");
    int sizePoints = 12;
    int32_t color = 0; // 0x00BBGGRR
    int lineSpacingMM = 2;
};

// "Input Text": the text, its font, size in points, colour and line space. The size is checked on OK.
class TextDialog : public QDialog {
public:
    TextDialog(QWidget* parent, const TextValues& values, IPrompt& prompt);
    TextValues Values() const;
    void SetText(const QString& text);
    void SetSize(const QString& points);
    void SetColor(int32_t colorRef);

    void accept() override;

private:
    void ShowColor();

    IPrompt& prompt_;
    int32_t color_ = 0;
    QPlainTextEdit* text_ = nullptr;
    QFontComboBox* font_ = nullptr;
    QComboBox* size_ = nullptr;
    QPushButton* colorButton_ = nullptr;
    QLineEdit* lineSpace_ = nullptr;
};

std::optional<TextValues> AskTextValues(QWidget* parent, const TextValues& values, IPrompt& prompt);

} // namespace tsm
