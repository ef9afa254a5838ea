// Turning and moving parts, texts and pictures, and the texts' and pictures' lists.
#include "engine/PartEdits.h"

#include "engine/Extents.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Cosine and sine of the turn, exact for whole quarter turns so that four of them give back the start.
void CosSin(double degrees, double& c, double& s) {
    const double quarters = degrees / 90.0;
    if (quarters == std::floor(quarters) && std::fabs(quarters) < 1e15) {
        static const double cosines[4] = {1, 0, -1, 0};
        static const double sines[4] = {0, 1, 0, -1};
        const auto k = static_cast<long long>(quarters);
        const int i = static_cast<int>(((k % 4) + 4) % 4);
        c = cosines[i];
        s = sines[i];
        return;
    }
    const double radians = degrees * kPi / 180.0;
    c = std::cos(radians);
    s = std::sin(radians);
}

// UTF-8 code points, the characters a line shows.
size_t Characters(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

template <typename T> size_t Restack(std::vector<std::unique_ptr<T>>& list, size_t index, StackOrder order) {
    if (index >= list.size()) return index;
    size_t target = index;
    switch (order) {
    case StackOrder::Top:
        target = list.size() - 1;
        break;
    case StackOrder::Upper:
        target = std::min(index + 1, list.size() - 1);
        break;
    case StackOrder::Lower:
        target = index > 0 ? index - 1 : 0;
        break;
    case StackOrder::Bottom:
        target = 0;
        break;
    default:
        return index;
    }
    auto item = std::move(list[index]);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(target), std::move(item));
    return target;
}

} // namespace

void RotatePart(Part& part, const Point2& centre, double degrees) {
    if (!std::isfinite(degrees)) return;
    double c = 1, s = 0;
    CosSin(degrees, c, s);
    // Counter-clockwise on a sheet whose y grows downwards is clockwise in these coordinates.
    s = -s;
    const Point2 offset{part.x, part.y};
    for (Face* face : part.faces)
        for (auto& corner : face->halfEdges) {
            const Point2 d = corner->Pos2D() + offset - centre;
            const Point2 turned = Point2{c * d.x - s * d.y, s * d.x + c * d.y} + centre - offset;
            corner->x2d = turned.x;
            corner->y2d = turned.y;
        }
    ComputePartExtent(part);
}

Point2 NearestCorner(const Part& part, const Point2& point) {
    Point2 best = point;
    double bestDistance = INFINITY;
    const Point2 offset{part.x, part.y};
    for (const Face* face : part.faces)
        for (const auto& corner : face->halfEdges) {
            const Point2 p = corner->Pos2D() + offset;
            const double distance = Length(p - point);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = p;
            }
        }
    return best;
}

void MovePart(Part& part, const Point2& by) {
    part.x += by.x;
    part.y += by.y;
}

void MoveText(TextBlock& text, const Point2& by) {
    text.rect[0] += by.x;
    text.rect[1] += by.y;
}

void MovePicture(ImageBlock& picture, const Point2& by) {
    picture.rect[0] += by.x;
    picture.rect[1] += by.y;
}

void ResizeRect(double rect[4], const std::array<double, 4>& newRect) {
    for (double v : newRect)
        if (!std::isfinite(v)) return;
    std::copy(newRect.begin(), newRect.end(), rect);
}

TextBlock MakeText(const Point2& at, std::vector<std::string> lines, const std::string& fontName,
                   int32_t fontSizePoints, int32_t color) {
    TextBlock text;
    text.rect[0] = at.x;
    text.rect[1] = at.y;
    text.lines = std::move(lines);
    text.fontName = fontName;
    text.fontSize = std::max<int32_t>(fontSizePoints, 1);
    text.color = color;
    EstimateTextSize(text);
    return text;
}

void EstimateTextSize(TextBlock& text) {
    const double em = std::max<int32_t>(text.fontSize, 1) * kMMPerPoint;
    size_t widest = 0;
    for (const std::string& line : text.lines) widest = std::max(widest, Characters(line));
    const size_t count = std::max<size_t>(text.lines.size(), 1);
    text.rect[2] = 0.6 * em * static_cast<double>(widest);
    text.rect[3] = em * static_cast<double>(count) + text.lineSpacing * static_cast<double>(count - 1);
}

size_t AddText(Development& development, TextBlock text) {
    development.texts.push_back(std::make_unique<TextBlock>(std::move(text)));
    return development.texts.size() - 1;
}

void DeleteText(Development& development, size_t index) {
    if (index < development.texts.size())
        development.texts.erase(development.texts.begin() + static_cast<std::ptrdiff_t>(index));
}

size_t DuplicateText(Development& development, size_t index) {
    if (index >= development.texts.size()) return index;
    TextBlock copy = *development.texts[index];
    copy.rect[0] += 5;
    copy.rect[1] += 5;
    return AddText(development, std::move(copy));
}

size_t ReorderText(Development& development, size_t index, StackOrder order) {
    return Restack(development.texts, index, order);
}

void DeletePicture(Development& development, bool aboveDevelopment, size_t index) {
    auto& list = aboveDevelopment ? development.imagesB : development.imagesA;
    if (index < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

size_t ReorderPicture(Development& development, bool& aboveDevelopment, size_t index, StackOrder order) {
    auto& list = aboveDevelopment ? development.imagesB : development.imagesA;
    if (index >= list.size()) return index;
    const bool wantsAbove = order == StackOrder::AboveDevelopment;
    if (order != StackOrder::UnderDevelopment && !wantsAbove) return Restack(list, index, order);
    // Already on the asked side of the parts: nothing to do.
    if (wantsAbove == aboveDevelopment) return index;
    auto& other = wantsAbove ? development.imagesB : development.imagesA;
    other.push_back(std::move(list[index]));
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
    aboveDevelopment = wantsAbove;
    return other.size() - 1;
}

} // namespace tsm
