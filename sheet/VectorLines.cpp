#include "sheet/VectorLines.h"

#include "engine/Classify.h"
#include "engine/FlapOutline.h"
#include "model/Settings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tsm {

namespace {

// More dashes than any sheet can hold at any printer resolution; a pattern that asks for more is bad
// input and is cut short instead of filling memory.
constexpr size_t kMaxDashesPerSegment = 1000000;

// A pen wider than this (device pixels) comes only from a damaged setting.
constexpr int kMaxPenWidth = 1000;

const PenColour kWhite{255, 255, 255};

double TruncToDevice(double value) {
    if (!(value == value)) return 0.0; // NaN
    const double limit = static_cast<double>(std::numeric_limits<int32_t>::max());
    return std::trunc(std::clamp(value, -limit, limit));
}

class DeviceMapper {
public:
    DeviceMapper(double sx, double sy, DeviceRounding rounding) : sx_(sx), sy_(sy), rounding_(rounding) {}
    // Exact device position, before rounding: dashes are walked along it.
    Point2 Exact(const Point2& p) const { return {p.x * sx_, p.y * sy_}; }
    Point2 Round(const Point2& d) const {
        if (rounding_ == DeviceRounding::None) return d;
        return {TruncToDevice(d.x), TruncToDevice(d.y)};
    }

private:
    double sx_, sy_;
    DeviceRounding rounding_;
};

void DrawFlaps(VectorOutput& output, Development& development, const DeviceMapper& mapper, int width) {
    output.SetLayer(VectorLayer::FlapOutline);
    BeginFlapOutlinePass(development);
    for (auto& part : development.parts) {
        if (part == nullptr) continue;
        for (auto& line : part->lines) {
            if (line == nullptr || line->first == nullptr || !HasDrawnFlap(line->drawKind)) continue;
            output.SetPen(PenColourOf(line->first->flapColor), width);
            DrawFlapOutline(development, *part, *line, [&](const Point2& a, const Point2& b) {
                output.Segment(mapper.Round(mapper.Exact(a)), mapper.Round(mapper.Exact(b)));
            });
        }
    }
}

} // namespace

std::vector<DashSpan> WalkDashes(double length, const double* list, size_t count) {
    std::vector<DashSpan> spans;
    WalkDashes(length, list, count, spans);
    return spans;
}

void WalkDashes(double length, const double* list, size_t count, std::vector<DashSpan>& spans) {
    spans.clear();
    if (list == nullptr || count == 0 || !(list[0] >= kMinDashLength)) return;
    if (!(length > 0.0) || !std::isfinite(length)) return;
    double position = 0.0;
    double cycleStart = 0.0;
    size_t i = 0;
    while (spans.size() < kMaxDashesPerSegment) {
        const double dash = list[i];
        if (!(dash >= kMinDashLength)) {
            i = 0; // list[0] is a real dash, so this restart always draws next
        } else {
            const double gap = i + 1 < count && std::isfinite(list[i + 1]) ? list[i + 1] : 0.0;
            const double from = std::max(position, 0.0);
            const double to = std::min(position + dash, length);
            if (to > from) spans.push_back({from, to});
            if (position + dash >= length) break;
            position += dash + gap;
            if (position >= length) break;
            i += 2;
            if (i >= count) i = 0;
        }
        if (i == 0) {
            // Negative gaps can eat up the dashes: a cycle that does not move forward would never end.
            if (!(position > cycleStart)) break;
            cycleStart = position;
        }
    }
}

DashCycle DashCycleOf(const double* list, size_t count) {
    DashCycle cycle;
    if (list == nullptr || count == 0 || !(list[0] >= kMinDashLength)) return cycle;
    for (size_t i = 0; i < count && list[i] >= kMinDashLength && std::isfinite(list[i]); i += 2) {
        const double gap = i + 1 < count && std::isfinite(list[i + 1]) ? list[i + 1] : 0.0;
        cycle.ink += list[i];
        cycle.length += list[i] + gap;
    }
    // Gaps may overlap the dashes; a cycle that does not move forward has no period to speak of.
    if (!(cycle.length > 0.0) || !std::isfinite(cycle.length)) return DashCycle{};
    return cycle;
}

std::vector<double> VectorDashList(const double (&patternMM)[6], double sx, double sy) {
    const double diagonal = std::sqrt(sx * sx + sy * sy);
    std::vector<double> list;
    for (double value : patternMM) {
        if (value > 0.0) list.push_back(value * diagonal);
    }
    return list;
}

int32_t LineStyleForKind(DrawKind drawKind, const Settings& settings) {
    switch (drawKind) {
    case DrawKind::Cut:
        return settings.cutLineStyle;
    case DrawKind::Mountain:
    case DrawKind::FlapMountain:
        return settings.mountainLineStyle;
    case DrawKind::Valley:
    case DrawKind::FlapValley:
        return settings.valleyLineStyle;
    default:
        return kLineNone;
    }
}

VectorLayer LayerForKind(DrawKind drawKind) {
    switch (drawKind) {
    case DrawKind::Mountain:
    case DrawKind::FlapMountain:
        return VectorLayer::Mountain;
    case DrawKind::Valley:
    case DrawKind::FlapValley:
        return VectorLayer::Valley;
    default:
        return VectorLayer::Cut;
    }
}

PenColour PenColourOf(const float (&rgb)[3]) {
    const auto channel = [](float value) -> uint8_t {
        const double scaled = static_cast<double>(value) * 255.0;
        if (!(scaled > 0.0)) return 0; // negative or NaN
        return static_cast<uint8_t>(std::min(scaled, 255.0));
    };
    return {channel(rgb[0]), channel(rgb[1]), channel(rgb[2])};
}

int VectorLineWidth(const Settings& settings) {
    return std::clamp(settings.lineWidthChoice + 1, 1, kMaxPenWidth);
}

void DrawVectorLines(VectorOutput& output, Development& development, const Settings& settings, double sx,
                     double sy, DeviceRounding rounding) {
    const DeviceMapper mapper(sx, sy, rounding);
    const int width = VectorLineWidth(settings);
    output.Begin();
    if (settings.drawFlaps) DrawFlaps(output, development, mapper, width);

    const std::vector<double> valleyList = VectorDashList(settings.valleyDash, sx, sy);
    const std::vector<double> mountainList = VectorDashList(settings.mountainDash, sx, sy);
    for (auto& part : development.parts) {
        if (part == nullptr) continue;
        const Point2 offset{part->x, part->y};
        for (auto& line : part->lines) {
            if (line == nullptr || line->hidden) continue;
            const HalfEdge* h = line->first;
            if (h == nullptr || h->next == nullptr) continue;
            const int32_t style = LineStyleForKind(line->drawKind, settings);
            if (style == kLineNone) continue;
            const bool dashed = style == kLineValleyDashes || style == kLineMountainDashes;
            const Point2 a = mapper.Exact(offset + h->Pos2D());
            const Point2 b = mapper.Exact(offset + h->next->Pos2D());
            output.SetLayer(LayerForKind(line->drawKind));
            if (dashed && settings.whiteLinesUnderFolds) {
                // White under the dashes so that their gaps show white over whatever lies beneath.
                output.SetPen(kWhite, width);
                output.Segment(mapper.Round(a), mapper.Round(b));
            }
            output.SetPen(PenColourOf(h->sideColor), width);
            if (!dashed) {
                output.Segment(mapper.Round(a), mapper.Round(b));
                continue;
            }
            const Point2 d = b - a;
            const double length = Length(d);
            if (!(length > 0.0)) continue;
            const Point2 unit = d * (1.0 / length);
            const std::vector<double>& list = style == kLineValleyDashes ? valleyList : mountainList;
            for (const DashSpan& span : WalkDashes(length, list)) {
                output.Segment(mapper.Round(a + unit * span.from), mapper.Round(a + unit * span.to));
            }
        }
    }
    output.End();
}

} // namespace tsm
