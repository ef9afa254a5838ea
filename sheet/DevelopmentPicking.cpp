#include "sheet/DevelopmentPicking.h"

#include "sheet/DevelopmentViewState.h"

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

std::array<double, 4> Normalized(const double rect[4]) {
    std::array<double, 4> r = {rect[0], rect[1], rect[2], rect[3]};
    if (r[2] < 0) {
        r[0] += r[2];
        r[2] = -r[2];
    }
    if (r[3] < 0) {
        r[1] += r[3];
        r[3] = -r[3];
    }
    return r;
}

bool Contains(const std::array<double, 4>& r, const Point2& p) {
    return p.x >= r[0] && p.x <= r[0] + r[2] && p.y >= r[1] && p.y <= r[1] + r[3];
}

bool Meets(const std::array<double, 4>& r, double left, double top, double right, double bottom) {
    return r[0] <= right && r[0] + r[2] >= left && r[1] <= bottom && r[1] + r[3] >= top;
}

double SegmentDistance(const Point2& p, const Point2& a, const Point2& b) {
    const Point2 ab = b - a;
    const double lengthSquared = ab.x * ab.x + ab.y * ab.y;
    double t = 0.0;
    if (lengthSquared > 0)
        t = std::clamp(((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / lengthSquared, 0.0, 1.0);
    return Length(p - (a + ab * t));
}

template <typename T> void Drop(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

DevObject PartObject(Part* part) {
    DevObject object;
    object.kind = part ? DevObject::Kind::Part : DevObject::Kind::None;
    object.part = part;
    return object;
}

DevObject TextObject(TextBlock* text) {
    DevObject object;
    object.kind = text ? DevObject::Kind::Text : DevObject::Kind::None;
    object.text = text;
    return object;
}

DevObject PictureObject(ImageBlock* picture) {
    DevObject object;
    object.kind = picture ? DevObject::Kind::Picture : DevObject::Kind::None;
    object.picture = picture;
    return object;
}

DevObject ObjectAt(Development& development, const Point2& mm) {
    for (auto text = development.texts.rbegin(); text != development.texts.rend(); ++text)
        if (*text && Contains(Normalized((*text)->rect), mm)) return TextObject(text->get());
    for (auto picture = development.imagesB.rbegin(); picture != development.imagesB.rend(); ++picture)
        if (*picture && Contains(Normalized((*picture)->rect), mm)) return PictureObject(picture->get());
    if (Face* face = FaceAtDevelopmentPoint(development, mm); face && face->part)
        return PartObject(face->part);
    for (auto picture = development.imagesA.rbegin(); picture != development.imagesA.rend(); ++picture)
        if (*picture && Contains(Normalized((*picture)->rect), mm)) return PictureObject(picture->get());
    return {};
}

std::vector<DevObject> ObjectsMeetingRect(Development& development, const Point2& a, const Point2& b) {
    const double left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const double top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    std::vector<DevObject> found;
    const auto consider = [&](const DevObject& object) {
        if (object && Meets(ObjectRect(object), left, top, right, bottom)) found.push_back(object);
    };
    for (const auto& picture : development.imagesA) consider(PictureObject(picture.get()));
    for (const auto& text : development.texts) consider(TextObject(text.get()));
    for (const auto& part : development.parts) consider(PartObject(part.get()));
    for (const auto& picture : development.imagesB) consider(PictureObject(picture.get()));
    return found;
}

std::array<double, 4> ObjectRect(const DevObject& object) {
    switch (object.kind) {
    case DevObject::Kind::Part: {
        const double rect[4] = {object.part->x, object.part->y, object.part->width, object.part->height};
        return Normalized(rect);
    }
    case DevObject::Kind::Text:
        return Normalized(object.text->rect);
    case DevObject::Kind::Picture:
        return Normalized(object.picture->rect);
    case DevObject::Kind::None:
        break;
    }
    return {0, 0, 0, 0};
}

bool IsSelected(const EditSelection& selection, const DevObject& object) {
    const auto in = [](const auto& list, const auto* item) {
        return std::find(list.begin(), list.end(), item) != list.end();
    };
    switch (object.kind) {
    case DevObject::Kind::Part:
        return in(selection.parts, object.part);
    case DevObject::Kind::Text:
        return in(selection.texts, object.text);
    case DevObject::Kind::Picture:
        return in(selection.pictures, object.picture);
    case DevObject::Kind::None:
        break;
    }
    return false;
}

void Select(EditSelection& selection, const DevObject& object) {
    if (!object || IsSelected(selection, object)) return;
    if (object.part) selection.parts.push_back(object.part);
    if (object.text) selection.texts.push_back(object.text);
    if (object.picture) selection.pictures.push_back(object.picture);
}

void Deselect(EditSelection& selection, const DevObject& object) {
    if (object.part) Drop(selection.parts, object.part);
    if (object.text) Drop(selection.texts, object.text);
    if (object.picture) Drop(selection.pictures, object.picture);
}

void ToggleSelected(EditSelection& selection, const std::vector<DevObject>& objects) {
    for (const DevObject& object : objects) {
        if (IsSelected(selection, object))
            Deselect(selection, object);
        else
            Select(selection, object);
    }
}

DevObject SingleTextOrPicture(const EditSelection& selection) {
    if (!selection.parts.empty() || selection.texts.size() + selection.pictures.size() != 1) return {};
    return selection.texts.empty() ? PictureObject(selection.pictures.front())
                                   : TextObject(selection.texts.front());
}

std::vector<DevObject> SelectedObjects(const EditSelection& selection) {
    std::vector<DevObject> objects;
    for (Part* part : selection.parts) objects.push_back(PartObject(part));
    for (TextBlock* text : selection.texts) objects.push_back(TextObject(text));
    for (ImageBlock* picture : selection.pictures) objects.push_back(PictureObject(picture));
    return objects;
}

PartLine* LineNear(Development& development, const Point2& mm, double toleranceMM,
                   const std::function<bool(const PartLine&)>& accept) {
    PartLine* best = nullptr;
    double bestDistance = toleranceMM;
    for (auto part = development.parts.rbegin(); part != development.parts.rend(); ++part) {
        if (*part == nullptr) continue;
        for (const auto& line : (*part)->lines) {
            if (line == nullptr || line->first == nullptr || (accept && !accept(*line))) continue;
            const std::array<Point2, 2> ends = LineEnds(*line);
            const double distance = SegmentDistance(mm, ends[0], ends[1]);
            if (distance < bestDistance || (best == nullptr && distance <= bestDistance)) {
                best = line.get();
                bestDistance = distance;
            }
        }
    }
    return best;
}

std::array<Point2, 8> HandlePoints(const std::array<double, 4>& rect) {
    const double l = rect[0], t = rect[1], r = rect[0] + rect[2], b = rect[1] + rect[3];
    const double cx = (l + r) / 2, cy = (t + b) / 2;
    return {Point2{l, t}, Point2{cx, t}, Point2{r, t}, Point2{r, cy},
            Point2{r, b}, Point2{cx, b}, Point2{l, b}, Point2{l, cy}};
}

int HandleAt(const std::array<double, 4>& rect, const Point2& mm, double toleranceMM) {
    const std::array<Point2, 8> points = HandlePoints(rect);
    for (int i = 0; i < 8; ++i)
        if (std::abs(points[i].x - mm.x) <= toleranceMM && std::abs(points[i].y - mm.y) <= toleranceMM)
            return i;
    return -1;
}

std::array<double, 4> DragHandle(const std::array<double, 4>& rect, int handle, const Point2& by) {
    constexpr double kNarrowest = 1.0;
    double l = rect[0], t = rect[1], r = rect[0] + rect[2], b = rect[1] + rect[3];
    const bool left = handle == 0 || handle == 6 || handle == 7;
    const bool right = handle == 2 || handle == 3 || handle == 4;
    const bool top = handle == 0 || handle == 1 || handle == 2;
    const bool bottom = handle == 4 || handle == 5 || handle == 6;
    if (left) l = std::min(l + by.x, r - kNarrowest);
    if (right) r = std::max(r + by.x, l + kNarrowest);
    if (top) t = std::min(t + by.y, b - kNarrowest);
    if (bottom) b = std::max(b + by.y, t + kNarrowest);
    return {l, t, r - l, b - t};
}

} // namespace tsm
