#include "sheet/SvgPrintedLines.h"

#include "engine/FlapOutline.h"
#include "engine/Flaps.h"
#include "sheet/DevelopmentRaster.h"
#include "sheet/PrintJob.h"
#include "sheet/SvgExport.h"
#include "sheet/VectorLines.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace tsm {

namespace {

constexpr double kMMPerInch = 25.4;

// A stroke as GL draws a wide smoothed line: square ends flush with the segment's ends.
std::string Stroke(const float (&rgb)[3], double opacity, double widthMM) {
    const PenColour c = PenColourOf(rgb);
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", c.r, c.g, c.b);
    std::string out = " stroke=\"" + std::string(colour) + "\" stroke-width=\"" + SvgNumber(widthMM) + '"';
    if (opacity < 1.0) out += " stroke-opacity=\"" + SvgNumber(opacity) + '"';
    return out;
}

void Line(std::string& out, const Point2& a, const Point2& b, const std::string& stroke) {
    out += "<line x1=\"" + SvgNumber(a.x) + "\" y1=\"" + SvgNumber(a.y) + "\" x2=\"" + SvgNumber(b.x) +
           "\" y2=\"" + SvgNumber(b.y) + '"' + stroke + "/>\n";
}

} // namespace

double PrintedLinePixelsPerMM(const Settings& settings, int printDpi) {
    const double device = printDpi / kMMPerInch;
    return settings.translucentLines ? device / ResolutionDivisor(settings.resolutionChoice) : device;
}

std::string SvgPrintedFlaps(const Development& development, const Settings& settings, double pixelsPerMM) {
    const bool outlines = RasterDrawsFlapOutlines(true, settings);
    const double width = RasterLineWidthPixels(true, settings) / pixelsPerMM;
    const double alpha = RasterLineAlpha(settings);
    std::vector<std::pair<Point2, const HalfEdge*>> flaps;
    for (const auto& part : development.parts) {
        if (part == nullptr) continue;
        for (const auto& line : part->lines)
            if (line != nullptr && line->first != nullptr && line->first->next != nullptr &&
                HasDrawnFlap(line->drawKind))
                flaps.push_back({{part->x, part->y}, line->first});
    }
    std::string out;
    for (auto flap = flaps.rbegin(); flap != flaps.rend(); ++flap) {
        const std::array<Point2, 4> q = FlapOutline(*flap->second);
        std::string points;
        for (const Point2& p : q) {
            if (!points.empty()) points += ' ';
            points += SvgNumber(flap->first.x + p.x) + ',' + SvgNumber(flap->first.y + p.y);
        }
        out += "<polygon points=\"" + points + "\" fill=\"#ffffff\" stroke=\"none\"/>\n";
        if (!outlines) continue;
        const std::string stroke = Stroke(flap->second->flapColor, alpha, width);
        for (int k = 0; k < 3; ++k) Line(out, flap->first + q[k], flap->first + q[k + 1], stroke);
    }
    return out;
}

std::array<std::string, 4> SvgPrintedBitmapLines(const Development& development, const Settings& settings,
                                                 double pixelsPerMM) {
    std::array<std::string, 4> layers;
    const double width = RasterLineWidthPixels(true, settings) / pixelsPerMM;
    const double alpha = RasterLineAlpha(settings);
    const float white[3] = {1, 1, 1};
    const std::string underlay = Stroke(white, 1.0, width);
    std::vector<DashSpan> dashes;
    for (const auto& part : development.parts) {
        if (part == nullptr) continue;
        const Point2 offset{part->x, part->y};
        for (const auto& line : part->lines) {
            if (line == nullptr) continue;
            const RasterLineStyle style = RasterStyleOfLine(*line, settings);
            if (!style.drawn) continue;
            std::string& out = layers[static_cast<size_t>(LayerForKind(line->drawKind))];
            const HalfEdge& h = *line->first;
            const Point2 a = offset + h.Pos2D();
            const Point2 b = offset + h.next->Pos2D();
            const std::string stroke = Stroke(h.sideColor, alpha, width);
            if (!style.dashed) {
                Line(out, a, b, stroke);
                continue;
            }
            if (style.whiteUnderlay) Line(out, a, b, underlay);
            const double length = Length(b - a);
            if (!(length > 0.0)) continue;
            const Point2 unit = (b - a) * (1.0 / length);
            WalkDashes(length, style.patternMM, 6, dashes);
            for (const DashSpan& span : dashes) Line(out, a + unit * span.from, a + unit * span.to, stroke);
        }
    }
    return layers;
}

} // namespace tsm
