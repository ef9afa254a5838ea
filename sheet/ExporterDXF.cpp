#include "sheet/ExporterDXF.h"

#include "engine/Classify.h"
#include "engine/Flaps.h"
#include "model/AtomicFile.h"
#include "model/Settings.h"
#include "sheet/TextNumbers.h"

#include <array>

namespace tsm {

namespace {

// AutoCAD colour indices of the three layers.
constexpr int kCutColour = 8;
constexpr int kMountainColour = 5;
constexpr int kValleyColour = 1;

class EntityWriter {
public:
    EntityWriter(std::string& out, const Development& development)
        : out_(out), minX_(development.frame[0]), minY_(development.frame[1]), height_(development.frame[3]) {
    }

    void SetPart(const Part& part) {
        ox_ = part.x;
        oy_ = part.y;
    }

    // The 16 items of one LINE entity; the layer exists only by its name here, there is no TABLES section.
    void Line(const char* layer, int colour, const Point2& start, const Point2& end) {
        out_ += "  0\nLINE\n  8\n";
        out_ += layer;
        out_ += "\n  6\nCONTINUOUS\n 62\n";
        AppendInt(out_, colour);
        out_ += "\n 10\n";
        AppendFixed6(out_, X(start));
        out_ += "\n 20\n";
        AppendFixed6(out_, Y(start));
        out_ += "\n 11\n";
        AppendFixed6(out_, X(end));
        out_ += "\n 21\n";
        AppendFixed6(out_, Y(end));
        out_ += '\n';
    }

private:
    // Millimetres unscaled, y flipped so that the drawing's origin is the frame's lower left corner.
    double X(const Point2& p) const { return ox_ + p.x - minX_; }
    double Y(const Point2& p) const { return height_ - (oy_ + p.y - minY_); }

    std::string& out_;
    double minX_, minY_, height_;
    double ox_ = 0, oy_ = 0;
};

} // namespace

ExporterDXF::~ExporterDXF() = default;

Outcome ExporterDXF::Export(const std::string& path, const Development& development) {
    return WriteWholeFile(path, BuildText(development));
}

std::string ExporterDXF::BuildText(const Development& development) {
    development_ = &development;
    size_t lines = 0;
    for (auto& part : development.parts)
        if (part != nullptr) lines += part->lines.size();
    std::string out;
    // A LINE entity takes at most about 130 bytes for development-sized numbers; a flapped line writes
    // four of them.
    out.reserve(256 + lines * 4 * 130);

    out += "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n";
    out += "  0\nSECTION\n  2\nBLOCKS\n  0\nENDSEC\n";
    out += "  0\nSECTION\n  2\nENTITIES\n";

    EntityWriter writer(out, development);
    if (settings_.drawFlaps) {
        // Flap outlines first; their base is the edge line written below.
        for (auto& part : development.parts) {
            if (part == nullptr) continue;
            writer.SetPart(*part);
            for (auto& line : part->lines) {
                if (line == nullptr || line->first == nullptr) continue;
                const DrawKind kind = line->drawKind;
                if (kind != DrawKind::FlapOnly && kind != DrawKind::FlapMountain &&
                    kind != DrawKind::FlapValley)
                    continue;
                const std::array<Point2, 4> p = FlapOutline(*line->first);
                writer.Line("CutLine", kCutColour, p[0], p[1]);
                writer.Line("CutLine", kCutColour, p[1], p[2]);
                writer.Line("CutLine", kCutColour, p[2], p[3]);
            }
        }
    }
    for (auto& part : development.parts) {
        if (part == nullptr) continue;
        writer.SetPart(*part);
        for (auto& line : part->lines) {
            if (line == nullptr || line->hidden || line->first == nullptr) continue;
            const char* layer;
            int colour;
            switch (line->drawKind) {
            case DrawKind::Mountain:
            case DrawKind::FlapMountain:
                layer = "MountainLine";
                colour = kMountainColour;
                break;
            case DrawKind::Valley:
            case DrawKind::FlapValley:
                layer = "ValleyLine";
                colour = kValleyColour;
                break;
            case DrawKind::Cut:
                layer = "CutLine";
                colour = kCutColour;
                break;
            default:
                continue;
            }
            const HalfEdge& h = *line->first;
            writer.Line(layer, colour, h.Pos2D(), h.next != nullptr ? h.next->Pos2D() : h.Pos2D());
        }
    }
    out += "  0\nENDSEC\n  0\nEOF\n";
    development_ = nullptr;
    return out;
}

} // namespace tsm
