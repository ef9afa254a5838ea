#include "tests/support/BinaryFixtures.h"

#include "model/TextureImage.h"

#include <cstring>
#include <zlib.h>

namespace tsm::test {

DisplaySettings ChangedDisplaySettings() {
    DisplaySettings s;
    s.drawFlaps = !s.drawFlaps;
    s.drawEdgeIds = !s.drawEdgeIds;
    s.invertEdgeIds = !s.invertEdgeIds;
    s.useMaterials = !s.useMaterials;
    s.omitFlatFolds = !s.omitFlatFolds;
    s.flatFoldAngleDegrees = 163;
    s.whiteLinesUnderFolds = !s.whiteLinesUnderFolds;
    s.mountainLineStyle = 5;
    s.valleyLineStyle = 6;
    s.cutLineStyle = 1;
    s.edgeIdFontSizePt = 9;
    s.paperSize = 3;
    s.paperOrientation = 1;
    s.marginSideMM = 7;
    s.marginTopMM = 11;
    const double mountain[6] = {3.0, 1.5, 0.5, 1.5, -1, -1};
    const double valley[6] = {4.0, 2.0, -1, -1, -1, -1};
    std::memcpy(s.mountainDash, mountain, sizeof mountain);
    std::memcpy(s.valleyDash, valley, sizeof valley);
    s.colorFlapsLikeFaces = !s.colorFlapsLikeFaces;
    s.defaultFlapHeightMM = 6.25;
    return s;
}

FileBytes& FileBytes::I32(int32_t value) {
    const uint32_t bits = uint32_t(value);
    for (int i = 0; i < 4; ++i) bytes.push_back(char(bits >> (8 * i)));
    return *this;
}

FileBytes& FileBytes::F32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return I32(int32_t(bits));
}

FileBytes& FileBytes::F64(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i) bytes.push_back(char(bits >> (8 * i)));
    return *this;
}

FileBytes& FileBytes::Bool(bool value) {
    bytes.push_back(value ? 1 : 0);
    return *this;
}

FileBytes& FileBytes::Str(const std::string& text) {
    I32(int32_t(text.size() + 1));
    bytes += text;
    bytes.push_back('\0');
    return *this;
}

FileBytes& FileBytes::Raw(const std::string& data) {
    bytes += data;
    return *this;
}

std::string Deflate(const std::string& data) {
    uLongf size = compressBound(uLong(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              uLong(data.size()), Z_DEFAULT_COMPRESSION);
    out.resize(size);
    return out;
}

int32_t BuiltFile::GetI32(const std::string& field) const {
    const size_t offset = at.at(field);
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = bits << 8 | uint8_t(bytes[offset + i]);
    return int32_t(bits);
}

void BuiltFile::SetI32(const std::string& field, int32_t value) {
    const size_t offset = at.at(field);
    const uint32_t bits = uint32_t(value);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = char(bits >> (8 * i));
}

void BuiltFile::SetF64(const std::string& field, double value) {
    const size_t offset = at.at(field);
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i) bytes[offset + i] = char(bits >> (8 * i));
}

namespace {

std::string Pixels(int32_t width, int32_t height) {
    std::string pixels;
    for (int32_t i = 0; i < width * height * 3; ++i) pixels.push_back(char(17 * i + 3));
    return pixels;
}

void WriteTexture(FileBytes& f, BuiltFile& built, const std::string& name, int32_t width, int32_t height) {
    const std::string stream = Deflate(Pixels(width, height));
    built.at[name + ".width"] = f.Size();
    f.I32(width);
    built.at[name + ".height"] = f.Size();
    f.I32(height);
    built.at[name + ".size"] = f.Size();
    f.I32(int32_t(stream.size()));
    built.at[name + ".data"] = f.Size();
    f.Raw(stream);
}

} // namespace

BuiltFile BuildTriangleFile(const TriangleFile& triangle) {
    BuiltFile built;
    FileBytes f;
    auto mark = [&](const std::string& name) { built.at[name] = f.Size(); };

    f.Raw(triangle.headerLine);
    mark("version");
    f.I32(triangle.version)
        .I32(triangle.minorVersion)
        .I32(triangle.writerLevel)
        .Str(triangle.locale)
        .Str("windows-1252");
    f.I32(0).Str("");
    f.F64(10).F64(5).F64(5).F64(0);

    mark("solidCount");
    f.I32(1);
    mark("solidNameLength");
    f.Str("Tri").Bool(triangle.inDevelopment);
    mark("vertexCount");
    f.I32(4);
    mark("vertex0.x");
    f.F64(0).F64(0).F64(0);
    f.F64(10).F64(0).F64(0);
    f.F64(0).F64(10).F64(0);
    f.F64(5).F64(5).F64(5);
    mark("faceCount");
    f.I32(1);
    mark("materialIndex");
    f.I32(0);
    mark("partIndex");
    f.I32(triangle.partIndex);
    mark("plane");
    f.F64(0).F64(0).F64(1).F64(0);
    mark("cornerCount");
    f.I32(3);
    const double corner2d[3][2] = {{0, 0}, {10, 0}, {0, 10}};
    for (int c = 0; c < 3; ++c) {
        if (c == 0) mark("corner0.vertex");
        const std::string name = "corner" + std::to_string(c);
        f.I32(c).F64(corner2d[c][0]).F64(corner2d[c][1]).F64(0.25 * c).F64(0.5);
        f.Bool(c == 1).F64(5).F64(0.5);
        mark(name + ".flapAngle2");
        f.F64(0.75);
        f.F32(0.1f).F32(0.2f).F32(0.3f).F32(0.4f).F32(0.5f);
        mark(name + ".sideColor2");
        f.F32(0.6f);
    }
    mark("edgeCount");
    f.I32(3);
    for (int e = 0; e < 3; ++e) {
        const std::string name = "edge" + std::to_string(e);
        mark(name + ".face1");
        f.I32(0);
        mark(name + ".face2");
        f.I32(-1);
        mark(name + ".vertex1");
        f.I32(e);
        mark(name + ".vertex2");
        f.I32((e + 1) % 3);
        f.Bool(false).Bool(e == 2).I32(e == 1 ? 1 : 0);
    }

    mark("materialCount");
    f.I32(1);
    f.Str("Paper");
    for (int i = 0; i < 4; ++i) f.F32(0.5f + 0.1f * float(i));
    for (int i = 0; i < 4; ++i) f.F32(0.25f);
    for (int i = 0; i < 4; ++i) f.F32(0.0f);
    for (int i = 0; i < 4; ++i) f.F32(1.0f);
    f.F32(8.0f).F32(0.3f).F32(0.2f).F32(0.1f);
    f.Bool(true);
    WriteTexture(f, built, "texture", triangle.textureWidth, triangle.textureHeight);

    mark("developmentFlag");
    f.Bool(triangle.hasDevelopment);
    if (triangle.hasDevelopment) {
        f.F64(1.0).Bool(false).F64(0).F64(0).F64(10).F64(10);
        mark("partCount");
        f.I32(1);
        mark("part.solid");
        f.I32(0);
        f.F64(20).F64(30).F64(10).F64(10);
        mark("lineCount");
        f.I32(3);
        for (int l = 0; l < 3; ++l) {
            f.Bool(l == 2).I32(l);
            f.Bool(true);
            if (l == 0) mark("line0.face");
            f.I32(l == 0 ? triangle.line0First[0] : 0);
            if (l == 0) mark("line0.vertex");
            f.I32(l == 0 ? triangle.line0First[1] : l);
            const bool second = l == 0 && triangle.line0HasSecond;
            f.Bool(second);
            if (second) f.I32(triangle.line0Second[0]).I32(triangle.line0Second[1]);
        }
        mark("textCount");
        f.I32(triangle.textCount);
        for (int t = 0; t < triangle.textCount; ++t) {
            f.F64(1).F64(2).F64(30).F64(8);
            if (t == 0) mark("lineSpacing");
            f.F64(triangle.lineSpacing).I32(0x00FF0000).I32(14).Str("Arial");
            if (t == 0) mark("textLineCount");
            f.I32(2).Str("first line").Str("second line");
        }
        mark("picturesA");
        f.I32(1);
        f.F64(50).F64(0).F64(-20).F64(10);
        WriteTexture(f, built, "pictureA", 3, 1);
        mark("picturesB");
        f.I32(1);
        f.F64(0).F64(50).F64(10).F64(-20);
        WriteTexture(f, built, "pictureB", 1, 2);
    }

    mark("settings");
    const DisplaySettings& s = triangle.display;
    f.Bool(s.drawFlaps).Bool(s.drawEdgeIds).Bool(s.invertEdgeIds).Bool(s.useMaterials).Bool(s.omitFlatFolds);
    f.I32(s.flatFoldAngleDegrees)
        .Bool(s.whiteLinesUnderFolds)
        .I32(s.mountainLineStyle)
        .I32(s.valleyLineStyle);
    f.I32(s.cutLineStyle).I32(s.edgeIdFontSizePt).I32(s.paperSize).I32(s.paperOrientation);
    f.I32(s.marginSideMM).I32(s.marginTopMM);
    for (double v : s.mountainDash) f.F64(v);
    for (double v : s.valleyDash) f.F64(v);
    f.Bool(s.colorFlapsLikeFaces).F64(s.defaultFlapHeightMM);
    mark("trailer");
    f.I32(0);
    built.bytes = std::move(f.bytes);
    return built;
}

} // namespace tsm::test
