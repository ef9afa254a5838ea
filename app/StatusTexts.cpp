#include "app/StatusTexts.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace tsm {

const char* const kStatusOpenFile = "Open a file.";
const char* const kStatusNavigationHint = "[3D Rot] L/R [3D Mov] Ctrl+R [2D Pan] L/R [Zoom] Wheel";

namespace {

// One decimal with a point whatever the user's locale, as the status bar has always shown it.
std::string OneDecimal(double value) {
    if (!std::isfinite(value)) value = 0.0;
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.setf(std::ios::fixed);
    out.precision(1);
    out << value;
    return out.str();
}

} // namespace

std::string IdleStatusText(const Document* document) {
    if (document == nullptr || document->model == nullptr) return kStatusOpenFile;
    return document->development ? kStatusNavigationHint : "";
}

std::string AssembledSizeText(const Document* document, double userScale) {
    if (document == nullptr || document->model == nullptr || document->development == nullptr) return {};
    const Mesh& model = *document->model;
    // Model units times mm per unit gives mm; a tenth of that is centimetres.
    const double factor = document->development->scale / 10.0 * userScale;
    const double height = (model.boundsMax.y - model.boundsMin.y) * factor;
    const double width = (model.boundsMax.x - model.boundsMin.x) * factor;
    const double depth = (model.boundsMax.z - model.boundsMin.z) * factor;
    return "Assembled size: Height " + OneDecimal(height) + "cm Width " + OneDecimal(width) + "cm Depth " +
           OneDecimal(depth) + "cm";
}

} // namespace tsm
