// Turning what the text model file stores into the model the binary file would hold: centimetres to
// millimetres, the old line-style and paper codes, part lines and flap sides.
#pragma once

#include "model/Document.h"
#include "model/ModelCompletion.h"

#include <cstdint>

namespace tsm {

// The values of the file's "info" and "model" sections that the conversion uses, with their defaults.
struct TextConversionValues {
    double mag3d = 1.0; // positions are divided by it
    double mag2d = 1.0; // development lengths in cm are multiplied by 10 times it
    int32_t reverse = 0;
    int32_t valleyLineCode = 0;
    int32_t mountainLineCode = 0;
    int32_t cutLineCode = 0;
    int32_t pageType = 0;
    // The "model" bounding box: maxX maxY maxZ minX minY minZ.
    double box[6] = {0, 0, 0, 0, 0, 0};
};

// Runs every conversion step in order on the document and its display block; `autoFlapAngles` sets the
// flap angles of every corner automatically (autoFlapAnglesForOldFiles).
void ConvertTextModel(Document& document, const TextConversionValues& info, IModelCompletion& completion,
                      bool autoFlapAngles);

// The conversion steps one by one, in the order ConvertTextModel runs them.
void ApplyOldLineStyles(const TextConversionValues& info, DisplaySettings& display);
void ApplyOldPageType(int32_t pageType, DisplaySettings& display);
void BuildPartLines(Development& development);
void ChooseFoldedFlapSides(Development& development);

// The face's area from the fan of Heron triangles at corner 0, in model units squared.
double FanArea(const Face& face);

// A value that overflowed or lost its meaning (division by zero) becomes 0, so that no infinity or NaN
// reaches the geometry.
inline double FiniteOrZero(double value) {
    return value - value == 0.0 ? value : 0.0;
}

} // namespace tsm
