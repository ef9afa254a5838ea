// Model files for the reader and writer tests: display settings that differ from the defaults everywhere,
// and a small hand-made file whose fields can be set one by one.
#pragma once

#include "model/Document.h"
#include "model/Settings.h"

#include <map>
#include <memory>
#include <string>

namespace tsm::test {

// Display settings with every value a model file carries changed from its default.
DisplaySettings ChangedDisplaySettings();

// Little-endian primitives in the model file's encoding.
class FileBytes {
public:
    FileBytes& I32(int32_t value);
    FileBytes& F32(float value);
    FileBytes& F64(double value);
    FileBytes& Bool(bool value);
    // Count (terminating zero included), text, zero byte.
    FileBytes& Str(const std::string& text);
    FileBytes& Raw(const std::string& bytes);
    size_t Size() const { return bytes.size(); }
    std::string bytes;
};

// zlib stream of `data`.
std::string Deflate(const std::string& data);

// A one-triangle model: one solid of four vertices (the fourth on no face), one face, three open edges,
// one material with a 2 x 2 texture, a one-part development with three lines, texts, one picture per list
// and the display settings. Every field is valid unless a knob says otherwise.
struct TriangleFile {
    std::string headerLine = "version 3\n";
    int32_t version = 4;
    int32_t minorVersion = 0;
    int32_t writerLevel = 101;
    std::string locale = "en-US";
    bool inDevelopment = true;
    int32_t partIndex = 0;
    bool hasDevelopment = true;
    int32_t textCount = 1;
    double lineSpacing = 2.0;
    // Sides of line 0 (face index, vertex index); the second one only when line0HasSecond.
    int32_t line0First[2] = {0, 0};
    bool line0HasSecond = false;
    int32_t line0Second[2] = {0, 1};
    int32_t textureWidth = 2;
    int32_t textureHeight = 2;
    DisplaySettings display;
};

// The bytes of a triangle file and where its fields start, by name: "version", "solidCount",
// "solidNameLength", "vertexCount", "vertex0.x", "faceCount", "materialIndex", "partIndex", "plane",
// "cornerCount", "corner0.vertex", "corner<i>.flapAngle2", "corner<i>.sideColor2", "edgeCount",
// "edge<i>.face1", "edge<i>.face2", "edge<i>.vertex1", "edge<i>.vertex2", "materialCount", "texture.width",
// "texture.height", "texture.size", "texture.data", "developmentFlag", "partCount", "part.solid",
// "lineCount", "line0.face", "line0.vertex", "textCount", "lineSpacing", "textLineCount", "picturesA",
// "pictureA.width", "pictureA.size", "picturesB", "settings", "trailer".
struct BuiltFile {
    std::string bytes;
    std::map<std::string, size_t> at;

    int32_t GetI32(const std::string& field) const;
    void SetI32(const std::string& field, int32_t value);
    void SetF64(const std::string& field, double value);
};
BuiltFile BuildTriangleFile(const TriangleFile& triangle = {});

} // namespace tsm::test
