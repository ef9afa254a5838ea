#include "app/PrintConfigDialog.h"

#include "sheet/Paper.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

// The hidden paper list, in its order.
constexpr int kPaperComboCodes[] = {kPaperA4, kPaperA3, kPaperA2, kPaperA1, kPaperLetter, kPaperLegal,
                                    kPaperB5, kPaperB4, kPaperB3, kPaperB2, kPaperB1};
constexpr int kPaperComboCount = int(sizeof kPaperComboCodes / sizeof kPaperComboCodes[0]);
const char* const kPaperComboNames[kPaperComboCount] = {"A4", "A3", "A2", "A1", "Letter", "legal",
                                                        "B5", "B4", "B3", "B2", "B1"};
const char* const kResolutionNames[] = {"Very High", "High", "Middle", "Low"};
constexpr int kLineWidthCount = 10;
constexpr int kTransparencySteps = 10;
constexpr int kLeastMarginMM = 1;
constexpr int kMostMarginMM = 50;

} // namespace

int PaperCodeOfComboIndex(int index) {
    if (index < 0 || index >= kPaperComboCount) return kPaperA4;
    return kPaperComboCodes[index];
}

int ComboIndexOfPaperCode(int code) {
    for (int i = 0; i < kPaperComboCount; ++i)
        if (kPaperComboCodes[i] == code) return i;
    return 0;
}

PrintConfigValues PrintConfigFromSettings(const Settings& settings) {
    PrintConfigValues v;
    v.bitmapPrint = settings.translucentLines;
    const double step = settings.lineAlpha * kTransparencySteps;
    v.transparencyStep = std::isfinite(step) ? std::clamp(int(std::lround(step)), 0, kTransparencySteps) : 0;
    v.printPageNumber = settings.printPageNumbers;
    v.printTombo = settings.printCropMarks;
    v.resolutionIndex = std::clamp(settings.resolutionChoice, 0, 3);
    v.lineWidthIndex = std::clamp(settings.lineWidthChoice, 0, kLineWidthCount - 1);
    v.paperComboIndex = ComboIndexOfPaperCode(settings.paperSize);
    v.landscape = settings.paperOrientation != 0;
    v.sideMarginMM = settings.marginSideMM;
    v.topMarginMM = settings.marginTopMM;
    return v;
}

UpdateHint ApplyPrintConfig(const PrintConfigValues& values, Settings& settings) {
    settings.translucentLines = values.bitmapPrint;
    settings.lineAlpha = values.transparencyStep * 0.1;
    settings.printPageNumbers = values.printPageNumber;
    settings.printCropMarks = values.printTombo;
    settings.resolutionChoice = values.resolutionIndex;
    settings.lineWidthChoice = values.lineWidthIndex;

    const int paperCode = PaperCodeOfComboIndex(values.paperComboIndex);
    const int orientation = values.landscape ? 1 : 0;
    const bool paperChanged = paperCode != settings.paperSize || orientation != settings.paperOrientation ||
                              values.sideMarginMM != settings.marginSideMM ||
                              values.topMarginMM != settings.marginTopMM;
    settings.paperSize = paperCode;
    settings.paperOrientation = orientation;
    settings.marginSideMM = values.sideMarginMM;
    settings.marginTopMM = values.topMarginMM;
    return paperChanged ? UpdateHint::RecomputeSheets : UpdateHint::Redraw;
}

PrintConfigDialog::PrintConfigDialog(QWidget* parent, const PrintConfigValues& values) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Print Configuration"));
    auto* layout = new QVBoxLayout(this);

    auto* lines = new QGroupBox(this);
    auto* linesLayout = new QVBoxLayout(lines);
    vector_ = new QRadioButton(QStringLiteral("Print lines clearly (Vector print)"), lines);
    bitmap_ = new QRadioButton(QStringLiteral("Print lines smoothly (Bitmap print)"), lines);
    auto* group = new QButtonGroup(this);
    group->addButton(vector_, 0);
    group->addButton(bitmap_, 1);
    linesLayout->addWidget(vector_);
    linesLayout->addWidget(bitmap_);
    auto* sliderRow = new QHBoxLayout();
    sliderRow->addWidget(new QLabel(QStringLiteral("Transparency"), lines));
    sliderRow->addWidget(new QLabel(QStringLiteral("0%"), lines));
    transparency_ = new QSlider(Qt::Horizontal, lines);
    transparency_->setRange(0, kTransparencySteps);
    transparency_->setTickInterval(1);
    transparency_->setTickPosition(QSlider::TicksBelow);
    transparency_->setPageStep(1);
    sliderRow->addWidget(transparency_, 1);
    sliderRow->addWidget(new QLabel(QStringLiteral("100%"), lines));
    linesLayout->addLayout(sliderRow);
    layout->addWidget(lines);

    pageNumber_ = new QCheckBox(QStringLiteral("Print page number"), this);
    tombo_ = new QCheckBox(QStringLiteral("Print alignment marks for multiple pages"), this);
    layout->addWidget(pageNumber_);
    layout->addWidget(tombo_);

    auto* form = new QFormLayout();
    resolution_ = new QComboBox(this);
    for (const char* name : kResolutionNames) resolution_->addItem(QString::fromLatin1(name));
    form->addRow(QStringLiteral("Resolution (for bitmap print)"), resolution_);
    lineWidth_ = new QComboBox(this);
    for (int i = 1; i <= kLineWidthCount; ++i) lineWidth_->addItem(QString::number(i));
    form->addRow(QStringLiteral("Line width"), lineWidth_);
    layout->addLayout(form);

    // The paper comes from the model file; its controls exist but are never shown.
    auto* paperBox = new QGroupBox(this);
    auto* paperLayout = new QFormLayout(paperBox);
    paper_ = new QComboBox(paperBox);
    for (const char* name : kPaperComboNames) paper_->addItem(QString::fromLatin1(name));
    paperLayout->addRow(paper_);
    portrait_ = new QRadioButton(QStringLiteral("Portrait"), paperBox);
    landscape_ = new QRadioButton(QStringLiteral("Landscape"), paperBox);
    paperLayout->addRow(portrait_, landscape_);
    side_ = new QSpinBox(paperBox);
    side_->setRange(kLeastMarginMM, kMostMarginMM);
    top_ = new QSpinBox(paperBox);
    top_->setRange(kLeastMarginMM, kMostMarginMM);
    paperLayout->addRow(side_, top_);
    paperBox->setVisible(false);
    layout->addWidget(paperBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    (values.bitmapPrint ? bitmap_ : vector_)->setChecked(true);
    transparency_->setValue(std::clamp(values.transparencyStep, 0, kTransparencySteps));
    pageNumber_->setChecked(values.printPageNumber);
    tombo_->setChecked(values.printTombo);
    resolution_->setCurrentIndex(std::clamp(values.resolutionIndex, 0, resolution_->count() - 1));
    lineWidth_->setCurrentIndex(std::clamp(values.lineWidthIndex, 0, lineWidth_->count() - 1));
    paper_->setCurrentIndex(std::clamp(values.paperComboIndex, 0, paper_->count() - 1));
    (values.landscape ? landscape_ : portrait_)->setChecked(true);
    side_->setValue(values.sideMarginMM);
    top_->setValue(values.topMarginMM);

    connect(bitmap_, &QRadioButton::toggled, this, [this] { UpdateTransparencyEnabled(); });
    UpdateTransparencyEnabled();
}

void PrintConfigDialog::UpdateTransparencyEnabled() {
    // The transparency belongs to lines drawn in the bitmap.
    transparency_->setEnabled(bitmap_->isChecked());
}

PrintConfigValues PrintConfigDialog::Values() const {
    PrintConfigValues v;
    v.bitmapPrint = bitmap_->isChecked();
    v.transparencyStep = transparency_->value();
    v.printPageNumber = pageNumber_->isChecked();
    v.printTombo = tombo_->isChecked();
    v.resolutionIndex = resolution_->currentIndex();
    v.lineWidthIndex = lineWidth_->currentIndex();
    v.paperComboIndex = paper_->currentIndex();
    v.landscape = landscape_->isChecked();
    v.sideMarginMM = side_->value();
    v.topMarginMM = top_->value();
    return v;
}

std::optional<UpdateHint> RunPrintConfiguration(QWidget* parent, Settings& settings, Document* document) {
    Settings shown = DocumentSettings(settings, document);
    PrintConfigDialog dialog(parent, PrintConfigFromSettings(shown));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const UpdateHint hint = ApplyPrintConfig(dialog.Values(), shown);
    KeepSettings(shown, settings, document);
    return hint;
}

} // namespace tsm
