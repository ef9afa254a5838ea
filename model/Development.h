// The flat half of a papercraft model: the development (`Development`) with its parts, their drawn lines,
// free texts and placed pictures. All lengths are millimetres, y growing downwards.
#pragma once

#include "model/Mesh.h"

#include <memory>
#include <string>
#include <vector>

namespace tsm {

struct Development;

// How a part line is drawn; ClassifyPartLines decides it from the fold and the flaps. Never stored, so one
// byte: a large model has hundreds of thousands of lines.
enum class DrawKind : uint8_t {
    Cut = 0,          // cut edge without a flap on this side, or flaps switched off
    Mountain = 1,     // fold
    Valley = 2,       // fold
    Omitted = 3,      // fold left unmarked: almost flat, or the line hidden
    FlapMountain = 4, // cut edge whose flap lies on this side, the flap folded as a mountain
    FlapValley = 5,   // the same, folded as a valley
    FlapOnly = 6,     // open edge of the model with a flat flap: no line, only the flap outline
};

// The flap of a line on an open edge of the model (one side only), kept in the binary model file; for
// other lines it stays NoFlap.
enum class LineKind : int32_t {
    NoFlap = 0,
    MountainFlap = 1,
    ValleyFlap = 2,
    FlatFlap = 3,
};

// One drawn edge of a part: a cut (outline) edge or a fold line.
struct PartLine {
    HalfEdge* first = nullptr;  // a side of the edge lying in this part
    HalfEdge* second = nullptr; // the other side when both faces lie in this part
    Edge* edge = nullptr;
    LineKind lineKind = LineKind::NoFlap;
    DrawKind drawKind = DrawKind::Omitted;
    bool hidden = false;
    bool flapDrawn = false; // set while a drawing pass has drawn this line's flap outline
    RecordHome home;
};
using LinePtr = std::unique_ptr<PartLine, RecordRelease<PartLine>>;

struct Part {
    double x = 0, y = 0;          // position of the part's box on the development
    double width = 0, height = 0; // extent of that box
    std::vector<Face*> faces;
    std::vector<LinePtr> lines;
    Solid* solid = nullptr;
    Development* development = nullptr;
    // The part's step in the build order the user set (1-based); 0 on every part while the order is
    // derived. Kept beside the model file, not in it (BuildOrderFile.h).
    int buildStep = 0;
};

struct TextBlock {
    double rect[4] = {0, 0, 0, 0}; // x, y, width, height
    std::vector<std::string> lines;
    std::string fontName = "MS Sans Serif";
    int32_t fontSize = 10;
    int32_t lineSpacing = 2; // mm
    int32_t color = 0;       // 0x00BBGGRR
};

struct ImageBlock {
    double rect[4] = {0, 0, 0, 0}; // width or height may be negative
    Material* material = nullptr;  // owned by Development::imageMaterials
};

struct Development {
    // Lines move between parts when they are cut and joined, so their blocks belong to the development;
    // declared before the parts so that the parts' lists go first.
    RecordBlocks<PartLine, 16> lineBlocks;
    std::vector<std::unique_ptr<Part>> parts;
    std::vector<std::unique_ptr<TextBlock>> texts;
    std::vector<std::unique_ptr<ImageBlock>> imagesA; // drawn under the parts
    std::vector<std::unique_ptr<ImageBlock>> imagesB; // drawn above the parts
    std::vector<std::unique_ptr<Material>> imageMaterials;
    double scale = 1.0;
    bool reversed = false;
    double frame[4] = {0, 0, 0, 0}; // x, y, width, height of the contents

    Part* AppendPart(std::unique_ptr<Part> part);
};

// Binary files: every face of every solid in the development joins the part its partIndex names.
// Text files: every face with a part index other than -1 does. Indices must have been checked.
void AttachFacesToParts(Mesh& model, Development& development, bool onlySolidsInDevelopment);

} // namespace tsm
