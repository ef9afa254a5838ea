#include "sheet/EdgeLabelDrawing.h"

#include "sheet/PartNumberLabels.h"
#include "sheet/SvgExport.h"

#include <cmath>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;

} // namespace

bool ShowsReadableEdgeLabels(const Settings& settings) {
    return settings.drawEdgeIds && !settings.edgeLabelsAsWritten;
}

std::vector<std::array<Point2, 4>> PartNumberBoxes(const Development& development) {
    std::vector<std::array<Point2, 4>> boxes;
    for (const PartNumberPlace& place :
         PlacePartNumbers(development, kLargestPartNumberMM, kSmallestPartNumberMM))
        boxes.push_back(LabelBox(place.centreMM, 0.0, place.sizeMM, std::to_string(place.number).size()));
    return boxes;
}

std::vector<EdgeLabel> ReadableEdgeLabels(const Development& development, const Settings& settings) {
    if (!ShowsReadableEdgeLabels(settings)) return {};
    return PlaceEdgeLabels(development, EdgeLabelRulesOf(settings),
                           settings.drawPartNumbers ? PartNumberBoxes(development)
                                                    : std::vector<std::array<Point2, 4>>{});
}

std::string SvgEdgeLabels(const std::vector<EdgeLabel>& labels) {
    std::string texts, leaders;
    for (const EdgeLabel& label : labels) {
        // The baseline stands a half cap height below the box's middle, so that the digits sit centred.
        texts += "<text transform=\"translate(" + SvgNumber(label.centreMM.x) + ' ' +
                 SvgNumber(label.centreMM.y) + ") rotate(" + SvgNumber(label.angle * 180.0 / kPi) +
                 ")\" y=\"" + SvgNumber(kLabelCapHeightEm / 2 * label.sizeMM) + "\" font-size=\"" +
                 SvgNumber(label.sizeMM) + "\">" + EscapeXml(label.text) + "</text>\n";
        if (label.spot == EdgeLabelSpot::Leader)
            leaders += "<line x1=\"" + SvgNumber(label.leaderStartMM.x) + "\" y1=\"" +
                       SvgNumber(label.leaderStartMM.y) + "\" x2=\"" + SvgNumber(label.leaderEndMM.x) +
                       "\" y2=\"" + SvgNumber(label.leaderEndMM.y) + "\"/>\n";
    }
    std::string out;
    if (!leaders.empty())
        out += "<g class=\"leaders\" stroke=\"#606060\" stroke-width=\"0.1\">\n" + leaders + "</g>\n";
    if (!texts.empty())
        out += "<g class=\"edge-labels\" font-family=\"Arial\" text-anchor=\"middle\" fill=\"#000000\">\n" +
               texts + "</g>\n";
    return out;
}

} // namespace tsm
