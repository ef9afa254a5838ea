#include "app/ConfigurationDialogs.h"

#include "model/DocumentSettings.h"
#include "model/TextureImage.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tsm {

const char* const kIntegerRangeMessage = "Please enter an integer between %1 and %2.";

const ColorSlot kColorSlots[6] = {{"Faces without material", 0},     {"Mountain Fold Edge", 1},
                                  {"Valley Fold Edge", 2},           {"Single-sided Edge", 3},
                                  {"Open Edge (User specified)", 4}, {"Background of Model Window", 7}};

namespace {

const char* const kSpeedNames[] = {"Fast", "Normal", "Slow"};
constexpr int kSpeedCount = 3;

// The spin arrows stay within the font sizes, while the field still takes any number typed, which OK then
// refuses with the range message.
class EdgeIdSizeSpin : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    void stepBy(int steps) override {
        setValue(std::clamp(value() + steps, kLeastEdgeIdFontSize, kMostEdgeIdFontSize));
    }
};

} // namespace

std::string IntegerRangeMessage(int least, int most) {
    return QString::fromLatin1(kIntegerRangeMessage).arg(least).arg(most).toStdString();
}

int32_t TextureLimitOfIndex(int index) {
    return int32_t(64) << std::clamp(index, 0, kTextureLimitChoices - 1);
}

QColor ColorOfRef(int32_t colorRef) {
    const auto v = uint32_t(colorRef);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

int32_t RefOfColor(const QColor& color) {
    return int32_t(uint32_t(color.red()) | uint32_t(color.green()) << 8 | uint32_t(color.blue()) << 16);
}

OtherConfigValues OtherConfigFromSettings(const Settings& s) {
    OtherConfigValues v;
    v.useEdgeColor = s.useEdgeColors;
    v.zoomWheelInvert = s.invertWheelZoom;
    v.textureSmooth = s.smoothTextures;
    v.animateFaceCheck = s.animateFaceCheck;
    v.animationSpeedIndex = std::clamp(s.faceCheckAnimationSpeed, 0, kSpeedCount - 1);
    v.flapAngleAutoForOldFiles = s.autoFlapAnglesForOldFiles;
    v.invertEdgeId = s.invertEdgeIds;
    v.slideColorToWhite = s.lightenColorsToWhite;
    v.limitTextureSize = s.limitTextureSize;
    v.textureLimitIndex = std::clamp(s.textureLimitChoice, 0, kTextureLimitChoices - 1);
    v.edgeIdFontSize = s.edgeIdFontSizePt;
    v.backgroundColor = s.colors[7];
    v.checkNewVersionAtStart = s.checkForUpdatesAtStart;
    v.bitmapFontForEdgeId = s.drawEdgeIdsWithGL;
    v.recoveryIntervalMinutes = s.recoveryIntervalMinutes;
    v.edgeLabelsAsWritten = s.edgeLabelsAsWritten;
    v.edgeLabelsOnFlaps = s.edgeLabelsOnFlaps;
    v.edgeLabelsWithPart = s.edgeLabelsWithPart;
    v.edgeLabelMinCapMM = s.edgeLabelMinCapMM;
    v.drawPartNumbers = s.drawPartNumbers;
    return v;
}

std::optional<std::string> CheckOtherConfig(const OtherConfigValues& values) {
    if (values.edgeIdFontSize < kLeastEdgeIdFontSize || values.edgeIdFontSize > kMostEdgeIdFontSize)
        return IntegerRangeMessage(kLeastEdgeIdFontSize, kMostEdgeIdFontSize);
    return std::nullopt;
}

UpdateHint ApplyOtherConfig(const OtherConfigValues& v, Settings& s, Mesh* model) {
    const bool smoothChanged = v.textureSmooth != s.smoothTextures;
    s.useEdgeColors = v.useEdgeColor;
    s.invertWheelZoom = v.zoomWheelInvert;
    s.smoothTextures = v.textureSmooth;
    s.animateFaceCheck = v.animateFaceCheck;
    s.faceCheckAnimationSpeed = std::clamp(v.animationSpeedIndex, 0, kSpeedCount - 1);
    s.autoFlapAnglesForOldFiles = v.flapAngleAutoForOldFiles;
    s.invertEdgeIds = v.invertEdgeId;
    s.lightenColorsToWhite = v.slideColorToWhite;
    s.limitTextureSize = v.limitTextureSize;
    s.textureLimitChoice = std::clamp(v.textureLimitIndex, 0, kTextureLimitChoices - 1);
    s.textureSizeLimitPixels = TextureLimitOfIndex(s.textureLimitChoice);
    s.edgeIdFontSizePt = std::clamp(v.edgeIdFontSize, kLeastEdgeIdFontSize, kMostEdgeIdFontSize);
    s.colors[7] = v.backgroundColor;
    s.checkForUpdatesAtStart = v.checkNewVersionAtStart;
    s.drawEdgeIdsWithGL = v.bitmapFontForEdgeId;
    s.recoveryIntervalMinutes = v.recoveryIntervalMinutes;
    s.edgeLabelsAsWritten = v.edgeLabelsAsWritten;
    s.edgeLabelsOnFlaps = v.edgeLabelsOnFlaps;
    s.edgeLabelsWithPart = v.edgeLabelsWithPart;
    s.edgeLabelMinCapMM = std::clamp(v.edgeLabelMinCapMM, kLeastLabelCapMM, kMostLabelCapMM);
    s.drawPartNumbers = v.drawPartNumbers;

    bool resampled = false;
    if (s.limitTextureSize && model != nullptr) {
        const int32_t limit = TextureSizeLimit(s);
        for (const auto& material : model->materials) {
            const TextureImage* texture = material->texture.get();
            if (texture == nullptr || (texture->width <= limit && texture->height <= limit)) continue;
            LimitTextureKeepingWholeImage(*material, limit);
            resampled = true;
        }
    }
    return smoothChanged || resampled ? UpdateHint::TextureFilterChanged : UpdateHint::Redraw;
}

ColorChooser StandardColorChooser(QWidget* parent) {
    return [parent](const QColor& current) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(current, parent);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
}

ColorButton::ColorButton(const QString& label, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(label, this), 1);
    button_ = new QPushButton(this);
    button_->setMinimumWidth(60);
    row->addWidget(button_);
}

void ColorButton::SetColor(int32_t colorRef) {
    color_ = colorRef;
    button_->setStyleSheet(QStringLiteral("background-color: %1;").arg(ColorOfRef(colorRef).name()));
}

OtherConfigDialog::OtherConfigDialog(QWidget* parent, const OtherConfigValues& values, int systemTextureLimit,
                                     IPrompt& prompt, ColorChooser chooser)
    : QDialog(parent), prompt_(prompt), chooser_(std::move(chooser)) {
    setWindowTitle(QStringLiteral("Other Configurations"));
    auto* layout = new QVBoxLayout(this);
    const auto box = [this, layout](const char* text, bool checked) {
        auto* check = new QCheckBox(QString::fromLatin1(text), this);
        check->setChecked(checked);
        layout->addWidget(check);
        return check;
    };
    edgeColor_ = box("Color mountain and valley fold edges", values.useEdgeColor);
    zoomInvert_ = box("Reverse zoom direction", values.zoomWheelInvert);
    smooth_ = box("Show texture smoothly", values.textureSmooth);
    animation_ = box("Rotate 3D model for face check", values.animateFaceCheck);
    auto* speedRow = new QHBoxLayout();
    speedRow->addWidget(new QLabel(QStringLiteral("Speed"), this));
    speed_ = new QComboBox(this);
    for (const char* name : kSpeedNames) speed_->addItem(QString::fromLatin1(name));
    speed_->setCurrentIndex(std::clamp(values.animationSpeedIndex, 0, kSpeedCount - 1));
    speedRow->addWidget(speed_, 1);
    layout->addLayout(speedRow);
    flapAngle_ = box("Fix flap figures when old TSM file is opened", values.flapAngleAutoForOldFiles);
    invertEdgeId_ = box("Flip edge ID position", values.invertEdgeId);
    whitish_ = box("Convert whitish color to white before printing", values.slideColorToWhite);
    limitTexture_ = box("Use lower resolution for large texture image", values.limitTextureSize);

    auto* grid = new QGridLayout();
    grid->addWidget(new QLabel(QStringLiteral("Upper limit of texture image size"), this), 0, 0);
    textureLimit_ = new QComboBox(this);
    for (int i = 0; i < kTextureLimitChoices; ++i)
        textureLimit_->addItem(QStringLiteral("%1 x %1").arg(TextureLimitOfIndex(i)));
    textureLimit_->setCurrentIndex(std::clamp(values.textureLimitIndex, 0, kTextureLimitChoices - 1));
    grid->addWidget(textureLimit_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Upper limit of system"), this), 1, 0);
    systemLimit_ = new QLabel(QStringLiteral("%1 x %1").arg(systemTextureLimit), this);
    grid->addWidget(systemLimit_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Edge ID font size(pt)"), this), 2, 0);
    fontSize_ = new EdgeIdSizeSpin(this);
    fontSize_->setRange(-999999, 999999);
    fontSize_->setValue(values.edgeIdFontSize);
    grid->addWidget(fontSize_, 2, 1);
    layout->addLayout(grid);

    background_ = new ColorButton(QStringLiteral("Background color of 3D window"), this);
    background_->SetColor(values.backgroundColor);
    layout->addWidget(background_);
    connect(background_->Button(), &QPushButton::clicked, this, [this] {
        if (!chooser_) return;
        if (const std::optional<QColor> chosen = chooser_(ColorOfRef(background_->Color())))
            background_->SetColor(RefOfColor(*chosen));
    });
    checkVersion_ =
        box("Check existence of new version on internet when start", values.checkNewVersionAtStart);
    bitmapFont_ = box("Use bitmap font for edge ID", values.bitmapFontForEdgeId);
    auto* recoveryRow = new QHBoxLayout();
    recoveryRow->addWidget(
        new QLabel(QStringLiteral("Keep a recovery copy of unsaved changes every (minutes)"), this), 1);
    recoveryInterval_ = new QDoubleSpinBox(this);
    recoveryInterval_->setRange(0, 1440);
    recoveryInterval_->setDecimals(2);
    recoveryInterval_->setSpecialValueText(QStringLiteral("Never"));
    recoveryInterval_->setValue(values.recoveryIntervalMinutes);
    givenRecoveryInterval_ = values.recoveryIntervalMinutes;
    recoveryRow->addWidget(recoveryInterval_);
    layout->addLayout(recoveryRow);
    labelsAsWritten_ = box("Place edge IDs as written (on the edge's middle)", values.edgeLabelsAsWritten);
    labelsOnFlaps_ = box("Edge IDs on the flaps", values.edgeLabelsOnFlaps);
    labelsWithPart_ = box("Edge IDs as part-edge (glue to part 12, edge 3: 12-3)", values.edgeLabelsWithPart);
    auto* capRow = new QHBoxLayout();
    capRow->addWidget(new QLabel(QStringLiteral("Smallest edge ID cap height (mm)"), this), 1);
    labelMinCap_ = new QDoubleSpinBox(this);
    labelMinCap_->setRange(kLeastLabelCapMM, kMostLabelCapMM);
    labelMinCap_->setDecimals(1);
    labelMinCap_->setSingleStep(0.1);
    labelMinCap_->setValue(values.edgeLabelMinCapMM);
    capRow->addWidget(labelMinCap_);
    layout->addLayout(capRow);
    partNumbers_ = box("Show part numbers", values.drawPartNumbers);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(animation_, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    connect(limitTexture_, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    connect(labelsAsWritten_, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    UpdateEnabled();
}

void OtherConfigDialog::UpdateEnabled() {
    speed_->setEnabled(animation_->isChecked());
    textureLimit_->setEnabled(limitTexture_->isChecked());
    // The readable rules' options mean nothing to the placement as written.
    for (QWidget* rule : std::initializer_list<QWidget*>{labelsOnFlaps_, labelsWithPart_, labelMinCap_})
        rule->setEnabled(!labelsAsWritten_->isChecked());
}

OtherConfigValues OtherConfigDialog::Values() const {
    OtherConfigValues v;
    v.useEdgeColor = edgeColor_->isChecked();
    v.zoomWheelInvert = zoomInvert_->isChecked();
    v.textureSmooth = smooth_->isChecked();
    v.animateFaceCheck = animation_->isChecked();
    v.animationSpeedIndex = speed_->currentIndex();
    v.flapAngleAutoForOldFiles = flapAngle_->isChecked();
    v.invertEdgeId = invertEdgeId_->isChecked();
    v.slideColorToWhite = whitish_->isChecked();
    v.limitTextureSize = limitTexture_->isChecked();
    v.textureLimitIndex = textureLimit_->currentIndex();
    v.edgeIdFontSize = fontSize_->value();
    v.backgroundColor = background_->Color();
    v.checkNewVersionAtStart = checkVersion_->isChecked();
    v.bitmapFontForEdgeId = bitmapFont_->isChecked();
    // A value the box shows rounded (set in the settings file) stays as it was unless it was changed.
    const double shown = recoveryInterval_->value();
    const double given =
        std::clamp(givenRecoveryInterval_, recoveryInterval_->minimum(), recoveryInterval_->maximum());
    v.recoveryIntervalMinutes = std::abs(shown - given) < 0.005 ? givenRecoveryInterval_ : shown;
    v.edgeLabelsAsWritten = labelsAsWritten_->isChecked();
    v.edgeLabelsOnFlaps = labelsOnFlaps_->isChecked();
    v.edgeLabelsWithPart = labelsWithPart_->isChecked();
    v.edgeLabelMinCapMM = labelMinCap_->value();
    v.drawPartNumbers = partNumbers_->isChecked();
    return v;
}

void OtherConfigDialog::accept() {
    if (const std::optional<std::string> refusal = CheckOtherConfig(Values())) {
        prompt_.Message(*refusal, PromptIcon::Warning);
        fontSize_->setFocus();
        fontSize_->selectAll();
        return;
    }
    QDialog::accept();
}

std::optional<UpdateHint> RunOtherConfigurations(QWidget* parent, Settings& settings, Document* document,
                                                 IPrompt& prompt, ColorChooser chooser) {
    Settings shown = DocumentSettings(settings, document);
    OtherConfigDialog dialog(parent, OtherConfigFromSettings(shown), shown.systemTextureLimit, prompt,
                             std::move(chooser));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const UpdateHint hint =
        ApplyOtherConfig(dialog.Values(), shown, document != nullptr ? document->model.get() : nullptr);
    KeepSettings(shown, settings, document);
    return hint;
}

ColorConfigDialog::ColorConfigDialog(QWidget* parent, Settings& settings, ColorChooser chooser)
    : QDialog(parent), settings_(settings), chooser_(std::move(chooser)) {
    setWindowTitle(QStringLiteral("Color Configuration"));
    auto* layout = new QVBoxLayout(this);
    for (int slot = 0; slot < 6; ++slot) {
        buttons_[slot] = new ColorButton(QString::fromLatin1(kColorSlots[slot].label), this);
        layout->addWidget(buttons_[slot]);
        connect(buttons_[slot]->Button(), &QPushButton::clicked, this, [this, slot] {
            const int index = kColorSlots[slot].index;
            if (!chooser_) return;
            if (const std::optional<QColor> chosen = chooser_(ColorOfRef(settings_.colors[index]))) {
                settings_.colors[index] = RefOfColor(*chosen);
                Refresh();
            }
        });
    }
    auto* row = new QHBoxLayout();
    reset_ = new QPushButton(QStringLiteral("Reset to Default"), this);
    connect(reset_, &QPushButton::clicked, this, [this] {
        std::copy(std::begin(kDefaultColors), std::end(kDefaultColors), std::begin(settings_.colors));
        Refresh();
        update();
    });
    row->addWidget(reset_);
    row->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(close);
    layout->addLayout(row);
    Refresh();
}

void ColorConfigDialog::Refresh() {
    for (int slot = 0; slot < 6; ++slot) buttons_[slot]->SetColor(settings_.colors[kColorSlots[slot].index]);
}

} // namespace tsm
