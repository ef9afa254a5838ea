#include "sheet/EdgeLabelDrawing.h"

#include "sheet/Paper.h"
#include "sheet/PartNumberLabels.h"
#include "sheet/SvgExport.h"

#include <cmath>
#include <cstdint>
#include <mutex>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;

// FNV-1a over the bytes of everything the placement reads: the parts' places, the corners' positions,
// edge IDs and flaps, the lines' kinds, the rules. Addresses are mixed in, so that a new document with the
// same shape never gets labels that point into the old one.
class KeyHash {
public:
    template <typename T> void Add(const T& value) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
        for (size_t i = 0; i < sizeof value; ++i) hash_ = (hash_ ^ bytes[i]) * 1099511628211ull;
    }
    uint64_t Value() const { return hash_ == 0 ? 1 : hash_; }

private:
    uint64_t hash_ = 14695981039346656037ull;
};

uint64_t PlacementKey(const Development& development, const EdgeLabelRules& rules, bool partNumbers) {
    KeyHash hash;
    hash.Add(&development);
    hash.Add(rules.onFlaps);
    hash.Add(rules.partEdge);
    hash.Add(rules.largestSizeMM);
    hash.Add(rules.smallestSizeMM);
    hash.Add(rules.sheet.has_value());
    if (rules.sheet) {
        hash.Add(rules.sheet->printableWidthMM);
        hash.Add(rules.sheet->printableHeightMM);
        for (const KeepOut& k : rules.sheet->keepOuts) hash.Add(k);
    }
    hash.Add(partNumbers);
    hash.Add(development.reversed);
    for (const auto& part : development.parts) {
        if (part == nullptr) continue;
        hash.Add(part.get());
        hash.Add(part->x);
        hash.Add(part->y);
        for (const Face* face : part->faces) {
            if (face == nullptr) continue;
            for (const auto& corner : face->halfEdges) {
                hash.Add(corner.get());
                hash.Add(corner->x2d);
                hash.Add(corner->y2d);
                hash.Add(corner->edge != nullptr ? corner->edge->edgeId : -1);
                hash.Add(corner->twin != nullptr && corner->twin->face != nullptr ? corner->twin->face->part
                                                                                  : nullptr);
                hash.Add(corner->hasFlap);
                // What the flap's outline is worked out from: the two ends are hashed as corners.
                hash.Add(corner->flapHeight);
                hash.Add(corner->flapAngle1);
                hash.Add(corner->flapAngle2);
                if (corner->line != nullptr) {
                    hash.Add(corner->line->first);
                    hash.Add(corner->line->hidden);
                    hash.Add(corner->line->drawKind);
                }
            }
        }
    }
    return hash.Value();
}

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
    EdgeLabelRules rules = EdgeLabelRulesOf(settings);
    rules.sheet = PrintableRegion(Paper::FromSettings(settings), settings);
    // The view paints the labels on every frame: the last placement is kept for as long as nothing it
    // depends on has changed, which a walk over the corners tells far faster than placing them again.
    const uint64_t key = PlacementKey(development, rules, settings.drawPartNumbers);
    static std::mutex mutex;
    static uint64_t lastKey = 0;
    static std::vector<EdgeLabel> last;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (key == lastKey && !last.empty()) return last;
    }
    std::vector<EdgeLabel> labels = PlaceEdgeLabels(
        development, rules,
        settings.drawPartNumbers ? PartNumberBoxes(development) : std::vector<std::array<Point2, 4>>{});
    const std::lock_guard<std::mutex> lock(mutex);
    lastKey = key;
    last = labels;
    return labels;
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
