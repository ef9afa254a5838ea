#include "app/TextureConfigDialog.h"

#include "app/ConfigurationDialogs.h"
#include "model/TextureImage.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace tsm {

const char* const kTextureFileFilter = "texture file(*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg||";

namespace {

constexpr int kPreviewSize = 128;

QImage TextureImageOf(const TextureImage& texture) {
    if (texture.width <= 0 || texture.height <= 0 ||
        texture.pixels.size() < size_t(texture.width) * size_t(texture.height) * 3)
        return {};
    QImage image(texture.pixels.data(), texture.width, texture.height, texture.width * 3,
                 QImage::Format_RGB888);
    return image.copy();
}

QColor FlatColorOf(const Material& material) {
    return QColor::fromRgbF(material.flatColor[0], material.flatColor[1], material.flatColor[2]);
}

} // namespace

bool SetMaterialTexture(Material& material, const std::string& path, Settings& settings, IPrompt& prompt) {
    LoadTextureIntoMaterial(material, path, TextureSizeLimit(settings), prompt);
    if (material.texture == nullptr) return false;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) settings.lastTextureFolder = path.substr(0, slash + 1);
    return true;
}

TextureConfigDialog::TextureConfigDialog(QWidget* parent, TextureConfigServices services)
    : QDialog(parent), s_(std::move(services)) {
    setWindowTitle(QStringLiteral("Texture Configuration"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout();
    list_ = new QListWidget(this);
    row->addWidget(list_, 1);
    preview_ = new QLabel(this);
    preview_->setFixedSize(kPreviewSize, kPreviewSize);
    preview_->setFrameShape(QFrame::Panel);
    preview_->setAlignment(Qt::AlignCenter);
    row->addWidget(preview_);
    layout->addLayout(row);
    layout->addWidget(new QLabel(QStringLiteral("Yellow: Can Set Texture"), this));
    layout->addWidget(
        new QLabel(QStringLiteral("White:  Cannot Set Texture because of the lack of UV-Coordinate"), this));
    auto* buttons = new QHBoxLayout();
    specify_ = new QPushButton(QStringLiteral("Specify Texture Image..."), this);
    reset_ = new QPushButton(QStringLiteral("Reset Texture"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(specify_);
    buttons->addWidget(reset_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int) { ShowSelection(); });
    connect(specify_, &QPushButton::clicked, this, [this] { SpecifyTexture(); });
    connect(reset_, &QPushButton::clicked, this, [this] { ResetTexture(); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    Refresh();
}

Mesh* TextureConfigDialog::Model() const {
    Document* document = s_.document ? s_.document() : nullptr;
    return document != nullptr ? document->model.get() : nullptr;
}

void TextureConfigDialog::Refresh() {
    const QSignalBlocker blocker(list_);
    list_->clear();
    if (Mesh* model = Model()) {
        for (const auto& material : model->materials) {
            auto* item = new QListWidgetItem(QString::fromLocal8Bit(material->name.c_str()), list_);
            QPixmap swatch(16, 16);
            swatch.fill(FlatColorOf(*material));
            item->setIcon(QIcon(swatch));
        }
    }
    if (isVisible() && list_->count() > 0)
        SelectMaterial(0);
    else
        ShowSelection();
}

Material* TextureConfigDialog::SelectedMaterial() const {
    Mesh* model = Model();
    const int row = list_->currentRow();
    if (model == nullptr || row < 0 || size_t(row) >= model->materials.size()) return nullptr;
    return model->materials[size_t(row)].get();
}

void TextureConfigDialog::SelectMaterial(int row) {
    list_->setCurrentRow(row);
    ShowSelection();
}

void TextureConfigDialog::ShowSelection() {
    Material* material = SelectedMaterial();
    specify_->setEnabled(material != nullptr);
    reset_->setEnabled(material != nullptr && material->texture != nullptr);
    if (material != nullptr && material->texture != nullptr) {
        const QImage image = TextureImageOf(*material->texture);
        preview_->setPixmap(QPixmap::fromImage(image.scaled(kPreviewSize, kPreviewSize)));
    } else {
        preview_->setPixmap(QPixmap());
    }
    if (Mesh* model = Model()) {
        // The 3D view outlines the selected material's faces while the dialog shows.
        Material* highlight = isVisible() ? material : nullptr;
        if (model->highlightMaterial != highlight) {
            model->highlightMaterial = highlight;
            if (s_.updateAllViews) s_.updateAllViews(UpdateHint::Redraw);
        }
    }
}

void TextureConfigDialog::SpecifyTexture() {
    Material* material = SelectedMaterial();
    if (material == nullptr) return;
    const std::optional<std::string> chosen =
        s_.chooser.ChooseOpenFile(kTextureFileFilter, s_.settings.lastTextureFolder);
    if (!chosen) return;
    // The loader replaces the old image even when the new one fails, so the views reload either way.
    SetMaterialTexture(*material, *chosen, s_.settings, s_.prompt);
    if (Document* document = s_.document()) document->modified = true;
    ShowSelection();
    if (s_.updateAllViews) s_.updateAllViews(UpdateHint::TextureFilterChanged);
}

void TextureConfigDialog::ResetTexture() {
    Material* material = SelectedMaterial();
    if (material == nullptr || material->texture == nullptr) return;
    ReleaseTexture(*material);
    material->imageWidth = 0;
    material->imageHeight = 0;
    if (Document* document = s_.document()) document->modified = true;
    ShowSelection();
    // Every texture is made again, so the removed one's GL texture goes too.
    if (s_.updateAllViews) s_.updateAllViews(UpdateHint::TextureFilterChanged);
}

void TextureConfigDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Refresh();
}

void TextureConfigDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    ShowSelection();
}

} // namespace tsm
