#include "sheet/PartNumberLabels.h"

#include "sheet/SvgExport.h"

namespace tsm {

namespace {

// The baseline stands this many font sizes below the centre, so that the digits' middle is on it.
constexpr double kHalfCapHeightEm = 0.35;

} // namespace

std::string SvgPartNumbers(const Development& development) {
    std::string out;
    for (const PartNumberPlace& place :
         PlacePartNumbers(development, kLargestPartNumberMM, kSmallestPartNumberMM))
        out += "<text x=\"" + SvgNumber(place.centreMM.x) + "\" y=\"" +
               SvgNumber(place.centreMM.y + kHalfCapHeightEm * place.sizeMM) + "\" font-size=\"" +
               SvgNumber(place.sizeMM) + "\">" + std::to_string(place.number) + "</text>\n";
    if (out.empty()) return out;
    return "<g font-family=\"Arial\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"#1f3f9f\">\n" + out +
           "</g>\n";
}

} // namespace tsm
