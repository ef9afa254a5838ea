#include "model/ImportedTexture.h"

#include "model/TextureImage.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tsm {

namespace {

// Clamped coordinates beyond this many periods either side are clamped here too: the baked image
// would otherwise grow without bound for a stray coordinate.
constexpr double kClampReach = 8;
// A baked image keeps at most this many pixels (before it is brought to a texture size).
constexpr int64_t kMaxBakedPixels = int64_t(1) << 26;
// No texture repeats or shifts a million times; a transform with a larger number is damaged.
constexpr double kLargestMappingNumber = 1e6;

template <typename Visit> void ForEachCorner(Mesh& model, int materialIndex, Visit visit) {
    for (auto& solid : model.solids)
        for (auto& face : solid->faces)
            if (face->materialIndex == materialIndex)
                for (auto& corner : face->halfEdges) visit(*corner);
}

// Source pixel index per baked pixel along one axis of `size` pixels, and the coordinate change that
// goes with it (c' = (c - offset) * scale). Empty when the axis needs no baking.
struct AxisBake {
    std::vector<int32_t> source;
    double offset = 0;
    double scale = 1;
};

AxisBake BakeAxis(TextureWrap wrap, double lowest, double highest, int32_t size, int64_t otherSize) {
    AxisBake bake;
    if (wrap == TextureWrap::Repeat || (lowest >= 0 && highest <= 1) || size <= 0) return bake;
    if (wrap == TextureWrap::Mirrored) {
        // Mirrored repeat has a period of two images: one as it is and one mirrored, then repeated.
        bake.source.resize(size_t(size) * 2);
        for (int32_t i = 0; i < size; ++i) {
            bake.source[size_t(i)] = i;
            bake.source[size_t(size) * 2 - 1 - size_t(i)] = i;
        }
        bake.scale = 0.5;
        return bake;
    }
    const double lo = std::max(std::min(lowest, 0.0), -kClampReach);
    const double hi = std::min(std::max(highest, 1.0), 1 + kClampReach);
    int64_t count = int64_t(std::ceil(size * (hi - lo)));
    count = std::min<int64_t>(
        {count, 16384, std::max<int64_t>(1, kMaxBakedPixels / std::max<int64_t>(1, otherSize))});
    bake.source.resize(size_t(count));
    for (int64_t i = 0; i < count; ++i) {
        const double c = lo + (double(i) + 0.5) * (hi - lo) / double(count);
        bake.source[size_t(i)] = int32_t(std::clamp<double>(std::floor(c * size), 0, size - 1));
    }
    bake.offset = lo;
    bake.scale = 1 / (hi - lo);
    return bake;
}

std::unique_ptr<TextureImage> Bake(const TextureImage& image, const AxisBake& columns, const AxisBake& rows) {
    std::vector<int32_t> cols = columns.source, rowList = rows.source;
    if (cols.empty())
        for (int32_t i = 0; i < image.width; ++i) cols.push_back(i);
    if (rowList.empty())
        for (int32_t j = 0; j < image.height; ++j) rowList.push_back(j);
    auto baked = std::make_unique<TextureImage>();
    baked->width = int32_t(cols.size());
    baked->height = int32_t(rowList.size());
    baked->pixels.resize(cols.size() * rowList.size() * 3);
    uint8_t* dst = baked->pixels.data();
    for (int32_t row : rowList) {
        const uint8_t* line = image.pixels.data() + size_t(row) * size_t(image.width) * 3;
        for (int32_t col : cols) {
            std::copy(line + size_t(col) * 3, line + size_t(col) * 3 + 3, dst);
            dst += 3;
        }
    }
    return baked;
}

// Imported textures stop at 8192 a side (192 MiB): the texture size rule takes the next power of two
// strictly above an image's side, and a 10,000-pixel scan texture need not become 16384 x 16384.
constexpr int32_t kLargestImportedTexture = 8192;

std::unique_ptr<TextureImage> FitTextureSize(std::unique_ptr<TextureImage> image) {
    const TextureSizing sizing = ChooseTextureSize(image->width, image->height, kLargestImportedTexture);
    if (sizing.keepAsDecoded) return image;
    auto fitted = std::make_unique<TextureImage>();
    fitted->width = fitted->height = sizing.target;
    fitted->pixels.resize(size_t(sizing.target) * size_t(sizing.target) * 3);
    Resample(image->width, image->height, image->pixels.data(), sizing.target, sizing.target,
             fitted->pixels.data(), false);
    return fitted;
}

double SrgbToLinear(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

TextureMapping ComposeMappings(const TextureMapping& outer, const TextureMapping& inner) {
    const auto& a = outer.matrix;
    const auto& b = inner.matrix;
    TextureMapping result = outer;
    result.matrix = {a[0] * b[0] + a[1] * b[3], a[0] * b[1] + a[1] * b[4], a[0] * b[2] + a[1] * b[5] + a[2],
                     a[3] * b[0] + a[4] * b[3], a[3] * b[1] + a[4] * b[4], a[3] * b[2] + a[4] * b[5] + a[5]};
    return result;
}

void AttachImportedTexture(Mesh& model, int materialIndex, std::unique_ptr<TextureImage> decoded,
                           const TextureMapping& mapping, const std::string& fileName) {
    if (materialIndex < 0 || size_t(materialIndex) >= model.materials.size() || !decoded ||
        decoded->width <= 0 || decoded->height <= 0)
        return;
    Material& material = *model.materials[size_t(materialIndex)];
    // A transform no texture needs (a damaged option line, an absurd number in the file) is left out
    // rather than sending the coordinates to infinity.
    const bool usable = std::all_of(mapping.matrix.begin(), mapping.matrix.end(),
                                    [](double x) { return std::fabs(x) <= kLargestMappingNumber; });
    const auto& m = usable ? mapping.matrix : TextureMapping().matrix;
    double lowest[2] = {HUGE_VAL, HUGE_VAL}, highest[2] = {-HUGE_VAL, -HUGE_VAL};
    // Without a transform and with repeated wraps the coordinates stay as they are and their range is not
    // needed: the walk over every corner of a large model is spared.
    const bool plain = m == TextureMapping().matrix && mapping.wrapU == TextureWrap::Repeat &&
                       mapping.wrapV == TextureWrap::Repeat;
    if (!plain)
        ForEachCorner(model, materialIndex, [&](HalfEdge& corner) {
            const double u = corner.u, v = corner.v;
            const double mappedU = m[0] * u + m[1] * v + m[2], mappedV = m[3] * u + m[4] * v + m[5];
            if (std::isfinite(mappedU) && std::isfinite(mappedV)) corner.u = mappedU, corner.v = mappedV;
            lowest[0] = std::min(lowest[0], corner.u);
            highest[0] = std::max(highest[0], corner.u);
            lowest[1] = std::min(lowest[1], corner.v);
            highest[1] = std::max(highest[1], corner.v);
        });
    const AxisBake columns = BakeAxis(mapping.wrapU, lowest[0], highest[0], decoded->width, decoded->height);
    const int64_t bakedWidth = columns.source.empty() ? decoded->width : int64_t(columns.source.size());
    const AxisBake rows = BakeAxis(mapping.wrapV, lowest[1], highest[1], decoded->height, bakedWidth);
    material.imageWidth = decoded->width;
    material.imageHeight = decoded->height;
    if (!columns.source.empty() || !rows.source.empty()) {
        decoded = Bake(*decoded, columns, rows);
        ForEachCorner(model, materialIndex, [&](HalfEdge& corner) {
            if (!columns.source.empty())
                corner.u =
                    (std::clamp(corner.u, -kClampReach, 1 + kClampReach) - columns.offset) * columns.scale;
            if (!rows.source.empty())
                corner.v = (std::clamp(corner.v, -kClampReach, 1 + kClampReach) - rows.offset) * rows.scale;
        });
    }
    ReleaseTexture(material);
    material.texture = FitTextureSize(std::move(decoded));
    material.textureFileName = fileName;
    // No bitmap: the texture holds the whole image until a size limit shrinks it, and
    // LimitTextureKeepingWholeImage keeps the whole image in a bitmap then. Made here, it would be a
    // second copy of every pixel.
}

void SetMaterialColour(Material& material, const float rgb[3]) {
    for (int i = 0; i < 3; ++i) {
        const float channel = std::round(std::clamp(rgb[i], 0.0f, 1.0f) * 255.0f) / 255.0f;
        material.ambient[i] = material.diffuse[i] = material.flatColor[i] = channel;
    }
}

uint8_t LinearToSrgb8(double linear) {
    const double c = std::clamp(linear, 0.0, 1.0);
    const double encoded = c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return uint8_t(std::lround(encoded * 255));
}

void MultiplyLinear(TextureImage& image, const float factor[3]) {
    if (factor[0] == 1 && factor[1] == 1 && factor[2] == 1) return;
    uint8_t table[3][256];
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i) table[c][i] = LinearToSrgb8(SrgbToLinear(i / 255.0) * factor[c]);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = table[i % 3][image.pixels[i]];
}

} // namespace tsm
