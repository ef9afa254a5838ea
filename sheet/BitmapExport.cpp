#include "sheet/BitmapExport.h"

#include "engine/Extents.h"
#include "model/Settings.h"
#include "model/TextureImage.h"
#include "sheet/DevelopmentOverlay.h"
#include "sheet/ExportCommands.h"
#include "sheet/PageList.h"
#include "sheet/RasterRender.h"
#include "view3d/OffscreenBitmap.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace tsm {

const char* const kMessageBmpPixelRange = "Specify a value of 1 - %d for pixel number.";
const char* const kMessageLargeBmp =
    "The picture will be about %d MB.\nMaking it takes a while and much memory. Continue?";
const char* const kMessageTextureReset =
    "Reset UV coordinates and material settings so that \nthe BMP file can be used as a texture image. \nYou "
    "can edit the BMP and set it under \nConfiguration > Texture Configuration.";

namespace {

constexpr double kMillimetresPerInch = 25.4;
// Far above any size a field of five characters can hold, far below what an int can: typed or computed
// values are clamped here so that no arithmetic on them overflows.
constexpr double kLargestPixelValue = 1e9;

int ClampToPixels(double value) {
    if (!(value > 0)) return 0; // also NaN
    return static_cast<int>(std::min(value, kLargestPixelValue));
}

int RoundToPixels(double value) {
    return ClampToPixels(std::floor(value + 0.5));
}

bool UsableLength(double mm) {
    return std::isfinite(mm) && mm > 0;
}

void UpdateScale(BmpSizeState& state) {
    if (state.baseWidth > 0) state.scalePercent = RoundToPixels(state.width * 100.0 / state.baseWidth);
}

// A QImage's default resolution, that of the screen the bitmaps are usually made for: text on the bitmap
// is sized for it.
constexpr int kBitmapDotsPerMetre = 3780; // 96 dots per inch

// The file name after the last slash.
size_t NameStart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// The path without the extension of its last component.
std::string WithoutExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < NameStart(path)) return path;
    return path.substr(0, dot);
}

// Renders `projection` into a new bitmap, lightens it, draws the overlay and writes it.
Outcome WriteRenderedBmp(Document& document, const Settings& settings, const RasterProjection& projection,
                         const std::string& path, IPrompt& prompt) {
    OffscreenBitmap bitmap(prompt, projection.widthPixels, projection.heightPixels);
    if (!bitmap.HasBitmap()) return Outcome::Failed("cannot make a bitmap of that size");
    if (!RenderDevelopment(document, settings, projection, bitmap, prompt))
        return Outcome::Failed("rendering failed");
    if (settings.lightenColorsToWhite) LightenBitmap(bitmap);
    DrawOverlayOnBitmap(bitmap, document, settings, projection);
    return bitmap.SaveAsBmpFile(path);
}

// The command's common start: a development and a ".bmp" name. Both refusals were shown to the user.
Outcome CheckBmpCommand(Document& document, const std::string& chosenPath, IPrompt& prompt,
                        std::string& path) {
    if (document.development == nullptr) {
        prompt.Message(kMessageNoDevelopment);
        return Outcome::Cancelled("the model has no development");
    }
    const std::optional<std::string> checked = ExportPathFor(ExportFormat::Bmp, chosenPath, prompt);
    if (!checked) return Outcome::Cancelled("the file name does not end in .bmp");
    path = *checked;
    return Outcome::Ok();
}

std::string Format(const char* pattern, int64_t value) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, static_cast<int>(std::min<int64_t>(value, INT32_MAX)));
    return buffer;
}

} // namespace

BmpSizeState InitialBmpSize(double contentWidthMM, double contentHeightMM, int maximum, int borderX,
                            int borderY) {
    BmpSizeState state;
    state.maximum = maximum;
    state.borderX = std::max(0, borderX);
    state.borderY = std::max(0, borderY);
    const bool widthOk = UsableLength(contentWidthMM);
    const bool heightOk = UsableLength(contentHeightMM);
    state.baseWidth =
        widthOk ? ClampToPixels(std::floor(contentWidthMM / kMillimetresPerInch * kBmpBasePixelsPerInch)) : 0;
    state.baseHeight =
        heightOk ? ClampToPixels(std::floor(contentHeightMM / kMillimetresPerInch * kBmpBasePixelsPerInch))
                 : 0;
    state.aspect = widthOk && heightOk ? contentHeightMM / contentWidthMM : (widthOk ? 0.0 : 1.0);

    state.width = state.baseWidth;
    state.height = state.baseHeight;
    if (state.width > maximum) {
        state.width = maximum;
        state.height = heightOk ? ClampToPixels(std::floor(contentHeightMM * maximum / contentWidthMM)) : 0;
    }
    if (state.height > maximum) {
        state.height = maximum;
        state.width = widthOk ? ClampToPixels(std::floor(contentWidthMM * maximum / contentHeightMM)) : 0;
    }
    state.scalePercent = 0;
    if (state.baseWidth > 0)
        state.scalePercent = ClampToPixels(std::floor(state.width * 100.0 / state.baseWidth + 0.5));
    return state;
}

void EditBmpWidth(BmpSizeState& state, int width) {
    if (width < 1) return;
    state.width = width;
    state.height = RoundToPixels(width * state.aspect);
    UpdateScale(state);
}

void EditBmpHeight(BmpSizeState& state, int height) {
    // Content without height has no width to follow from it.
    if (height < 1 || !(state.aspect > 0)) return;
    state.height = height;
    state.width = RoundToPixels(height / state.aspect);
    UpdateScale(state);
}

void EditBmpScale(BmpSizeState& state, double scalePercent) {
    if (!(scalePercent > 0) || !std::isfinite(scalePercent)) return;
    state.scalePercent = RoundToPixels(scalePercent);
    state.width = RoundToPixels(state.baseWidth * scalePercent / 100.0);
    state.height = RoundToPixels(state.width * state.aspect);
}

int64_t EstimatedBmpMegabytes(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) return 0;
    return width * height * 3 / 1000000;
}

bool AcceptBmpSize(const BmpSizeState& state, IPrompt& prompt) {
    const int leastWidth = std::max(1, 2 * state.borderX);
    const int leastHeight = std::max(1, 2 * state.borderY);
    if (state.width < leastWidth || state.width > state.maximum || state.height < leastHeight ||
        state.height > state.maximum) {
        prompt.Message(Format(kMessageBmpPixelRange, state.maximum));
        return false;
    }
    const int64_t megabytes = EstimatedBmpMegabytes(state.OutputWidth(), state.OutputHeight());
    if (megabytes > kLargeBmpMegabytes) return prompt.AskYesNo(Format(kMessageLargeBmp, megabytes));
    return true;
}

BmpSizeState WholeBmpSize(Document& document, int maximum, int border) {
    if (document.development == nullptr) return InitialBmpSize(0, 0, maximum, border, border);
    ComputeDevelopmentExtent(*document.development, false);
    const double* frame = document.development->frame;
    return InitialBmpSize(frame[2], frame[3], maximum, border, border);
}

BmpSizeState SheetBmpSize(const Paper& paper, int maximum) {
    return InitialBmpSize(paper.PrintableWidth(), paper.PrintableHeight(), maximum, 0, 0);
}

void DrawOverlayOnBitmap(OffscreenBitmap& bitmap, const Document& document, const Settings& settings,
                         const RasterProjection& projection) {
    if (!bitmap.HasBitmap()) return;
    const int height = bitmap.Height();
    // The bitmap's rows run bottom-up; read top-down they show the picture upside down, so the painter
    // draws upside down too and no copy of a possibly large bitmap is needed.
    QImage rows(bitmap.Bits(), bitmap.Width(), height, bitmap.Stride(), QImage::Format_BGR888);
    rows.setDotsPerMeterX(kBitmapDotsPerMetre);
    rows.setDotsPerMeterY(kBitmapDotsPerMetre);
    QPainter painter(&rows);
    painter.translate(0, height);
    painter.scale(1, -1);
    DrawOverlay(painter, document, settings, projection, OverlayMode::Print);
}

Outcome WriteWholeBmp(Document& document, const Settings& settings, const std::string& path, int width,
                      int height, int border, IPrompt& prompt) {
    if (document.development == nullptr) return Outcome::Failed("the model has no development");
    if (width <= 0 || height <= 0) return Outcome::Failed("the bitmap has no pixels");
    const RasterProjection projection = WholeProjection(*document.development, width, height, border);
    return WriteRenderedBmp(document, settings, projection, path, prompt);
}

Outcome RenderWholeImage(Document& document, const Settings& settings, int width, int height, int border,
                         IPrompt& prompt, QImage& image) {
    image = QImage();
    if (document.development == nullptr) return Outcome::Failed("the model has no development");
    if (width <= 0 || height <= 0) return Outcome::Failed("the bitmap has no pixels");
    const RasterProjection projection = WholeProjection(*document.development, width, height, border);
    OffscreenBitmap bitmap(prompt, width, height);
    if (!bitmap.HasBitmap()) return Outcome::Failed("cannot make a bitmap of that size");
    if (!RenderDevelopment(document, settings, projection, bitmap, prompt))
        return Outcome::Failed("rendering failed");
    if (settings.lightenColorsToWhite) LightenBitmap(bitmap);
    DrawOverlayOnBitmap(bitmap, document, settings, projection);
    image = bitmap.ToImage();
    return image.isNull() ? Outcome::Failed("cannot make a bitmap of that size") : Outcome::Ok();
}

std::string SheetBmpPath(const std::string& chosenPath, int pageNumber) {
    char number[16];
    std::snprintf(number, sizeof number, "_%03d", pageNumber);
    return WithoutExtension(chosenPath) + number + ".bmp";
}

Outcome WriteSheetBmps(Document& document, const Settings& settings, const Paper& paper,
                       const std::string& path, int width, int height, IPrompt& prompt,
                       std::vector<std::string>* written) {
    if (document.development == nullptr) return Outcome::Failed("the model has no development");
    if (width <= 0 || height <= 0) return Outcome::Failed("the bitmap has no pixels");
    const double pw = paper.PrintableWidth();
    const double ph = paper.PrintableHeight();
    if (!(pw > 0) || !(ph > 0) || !std::isfinite(pw) || !std::isfinite(ph))
        return Outcome::Failed("the paper has no printable area");
    const double pixelsPerMM = width / pw;
    const std::vector<SheetIndex> pages = BuildPageList(document, paper, settings.skipBlankPages);
    for (size_t n = 0; n < pages.size(); ++n) {
        const std::string pagePath = SheetBmpPath(path, static_cast<int>(n + 1));
        const RasterProjection projection =
            RegionProjection(width, height, pixelsPerMM, pages[n].column * pw, pages[n].row * ph);
        Outcome page = WriteRenderedBmp(document, settings, projection, pagePath, prompt);
        if (!page.ok()) return page;
        if (written != nullptr) written->push_back(pagePath);
    }
    return Outcome::Ok();
}

Outcome ExportWholeBmp(Document& document, const Settings& settings, const std::string& chosenPath,
                       const BmpSizeChooser& chooser, IPrompt& prompt) {
    std::string path;
    Outcome checked = CheckBmpCommand(document, chosenPath, prompt, path);
    if (!checked.ok()) return checked;
    BmpSizeState size = WholeBmpSize(document, kBmpMaximumPixels, kWholeBmpBorderPixels);
    if (!chooser || !chooser(size)) return Outcome::Cancelled();
    return WriteWholeBmp(document, settings, path, size.OutputWidth(), size.OutputHeight(), size.borderX,
                         prompt);
}

Outcome ExportSheetBmps(Document& document, const Settings& settings, const std::string& chosenPath,
                        const BmpSizeChooser& chooser, IPrompt& prompt, std::vector<std::string>* written) {
    std::string path;
    Outcome checked = CheckBmpCommand(document, chosenPath, prompt, path);
    if (!checked.ok()) return checked;
    const Paper paper = Paper::FromSettings(settings);
    BmpSizeState size = SheetBmpSize(paper, kBmpMaximumPixels);
    if (!chooser || !chooser(size)) return Outcome::Cancelled();
    return WriteSheetBmps(document, settings, paper, path, size.OutputWidth(), size.OutputHeight(), prompt,
                          written);
}

bool ConfirmTextureReset(IPrompt& prompt) {
    return prompt.AskOkCancel(kMessageTextureReset);
}

Outcome ExportTextureBmp(Document& document, const Settings& settings, const std::string& chosenPath,
                         const BmpSizeChooser& chooser, IPrompt& prompt) {
    std::string path;
    Outcome checked = CheckBmpCommand(document, chosenPath, prompt, path);
    if (!checked.ok()) return checked;
    if (document.model == nullptr) return Outcome::Failed("the document has no model");
    BmpSizeState size = WholeBmpSize(document, kBmpMaximumPixels, 0);
    if (!chooser || !chooser(size)) return Outcome::Cancelled();
    const int width = size.OutputWidth(), height = size.OutputHeight();
    // The picture is taken with the materials as they are; only then do they give way to it.
    Outcome written = WriteWholeBmp(document, settings, path, width, height, 0, prompt);
    if (!written.ok()) return written;
    const RasterProjection projection = WholeProjection(*document.development, width, height, 0);
    ResetModelToDevelopmentTexture(document, settings, projection, width, height, path, prompt);
    return Outcome::Ok();
}

void ResetModelToDevelopmentTexture(Document& document, const Settings& settings,
                                    const RasterProjection& projection, int width, int height,
                                    const std::string& bmpPath, IPrompt& prompt) {
    if (document.model == nullptr || width <= 0 || height <= 0) return;
    Mesh& model = *document.model;
    for (auto& solid : model.solids) {
        if (solid == nullptr) continue;
        for (auto& face : solid->faces) {
            if (face == nullptr) continue;
            face->materialIndex = 0;
            for (auto& corner : face->halfEdges) {
                if (corner == nullptr) continue;
                corner->u = 0;
                corner->v = 0;
            }
        }
    }
    if (document.development != nullptr) {
        for (auto& part : document.development->parts) {
            if (part == nullptr) continue;
            for (Face* face : part->faces) {
                if (face == nullptr) continue;
                for (auto& corner : face->halfEdges) {
                    if (corner == nullptr) continue;
                    const Point2 pixel = projection.ToPixel({part->x + corner->x2d, part->y + corner->y2d});
                    corner->u = pixel.x / width;
                    corner->v = pixel.y / height;
                }
            }
        }
    }

    auto material = std::make_unique<Material>();
    const std::string stem = WithoutExtension(bmpPath);
    material->name = stem.substr(NameStart(stem));
    model.materials.clear();
    LoadTextureIntoMaterial(*model.AppendMaterial(std::move(material)), bmpPath, TextureSizeLimit(settings),
                            prompt);
    document.modified = true;
}

} // namespace tsm
