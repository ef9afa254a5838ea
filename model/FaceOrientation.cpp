#include "model/FaceOrientation.h"

#include <algorithm>

namespace tsm {

namespace {

constexpr uint32_t kNone = 0xffffffffu;

// Stable counting sort of `order` by `key`, which lies in [0, buckets): linear, however many corners
// meet at one vertex, where comparing the corners around each vertex would not be.
template <typename Key>
void SortByKey(std::vector<uint32_t>& order, std::vector<uint32_t>& scratch, size_t buckets, Key key) {
    std::vector<uint32_t> start(buckets + 1, 0);
    for (uint32_t c : order) ++start[size_t(key(c)) + 1];
    for (size_t b = 0; b < buckets; ++b) start[b + 1] += start[b];
    scratch.resize(order.size());
    for (uint32_t c : order) scratch[start[size_t(key(c))]++] = c;
    order.swap(scratch);
}

} // namespace

std::vector<uint8_t> FacesToReverse(const std::vector<FaceRing>& faces,
                                    const std::vector<int>& cornerVertices,
                                    const std::vector<Vec3>& positions, int solidCount) {
    std::vector<uint8_t> reverse(faces.size(), 0);
    const size_t corners = cornerVertices.size();
    if (faces.empty() || corners >= kNone || faces.size() >= kNone) return reverse;

    const auto inside = [corners](const FaceRing& ring) {
        return ring.count >= 3 && ring.first <= corners && ring.count <= corners - ring.first;
    };
    // Every corner's face and the vertex its edge runs to.
    std::vector<uint32_t> faceOf(corners, kNone), to(corners, kNone);
    for (size_t f = 0; f < faces.size(); ++f) {
        const FaceRing& ring = faces[f];
        if (!inside(ring)) continue;
        for (size_t i = 0; i < ring.count; ++i) {
            const size_t c = ring.first + i;
            faceOf[c] = uint32_t(f);
            to[c] = uint32_t(cornerVertices[ring.first + (i + 1) % ring.count]);
        }
    }

    // Corners grouped by their edge: solid, then the lower and the higher end.
    const auto from = [&](uint32_t c) { return uint32_t(cornerVertices[c]); };
    const auto low = [&](uint32_t c) { return std::min(from(c), to[c]); };
    const auto high = [&](uint32_t c) { return std::max(from(c), to[c]); };
    const auto solidOf = [&](uint32_t c) { return uint32_t(faces[faceOf[c]].solid); };
    std::vector<uint32_t> order, scratch;
    order.reserve(corners);
    for (uint32_t c = 0; c < corners; ++c)
        if (faceOf[c] != kNone && from(c) != to[c] && from(c) < positions.size() && to[c] < positions.size())
            order.push_back(c);
    SortByKey(order, scratch, positions.size(), high);
    SortByKey(order, scratch, positions.size(), low);
    if (solidCount > 1) SortByKey(order, scratch, size_t(solidCount), solidOf);

    // Only an edge of exactly two corners carries the orientation across: a third face makes it ambiguous.
    std::vector<uint32_t> partner(corners, kNone);
    for (size_t i = 0; i < order.size();) {
        size_t j = i + 1;
        while (j < order.size() && low(order[j]) == low(order[i]) && high(order[j]) == high(order[i]) &&
               solidOf(order[j]) == solidOf(order[i]))
            ++j;
        if (j - i == 2) {
            partner[order[i]] = order[i + 1];
            partner[order[i + 1]] = order[i];
        }
        i = j;
    }

    std::vector<uint8_t> reached(faces.size(), 0);
    std::vector<uint32_t> component;
    for (size_t seed = 0; seed < faces.size(); ++seed) {
        if (reached[seed] || !inside(faces[seed])) continue;
        reached[seed] = 1;
        component.assign(1, uint32_t(seed));
        bool closed = true, agreed = true;
        for (size_t head = 0; head < component.size(); ++head) {
            const uint32_t g = component[head];
            const FaceRing& ring = faces[g];
            for (size_t c = ring.first; c < ring.first + ring.count && faceOf[c] == g; ++c) {
                const uint32_t d = partner[c];
                if (d == kNone) {
                    closed = false;
                    continue;
                }
                const uint32_t h = faceOf[d];
                // Two corners running the same way along their edge belong to faces of opposite turn.
                const uint8_t wanted = reverse[g] ^ uint8_t(from(uint32_t(c)) == from(d));
                if (!reached[h]) {
                    reached[h] = 1;
                    reverse[h] = wanted;
                    component.push_back(h);
                } else if (reverse[h] != wanted) {
                    agreed = false;
                }
            }
        }

        bool turnAll = false;
        double volume = 0;
        if (closed && agreed) {
            // Six times the enclosed volume, measured from a corner of the component for precision.
            const Vec3 origin = positions[size_t(cornerVertices[faces[seed].first])];
            for (uint32_t f : component) {
                const FaceRing& ring = faces[f];
                const Vec3 p0 = positions[size_t(cornerVertices[ring.first])] - origin;
                double sum = 0;
                for (size_t i = 1; i + 1 < ring.count; ++i)
                    sum += Dot(p0, Cross(positions[size_t(cornerVertices[ring.first + i])] - origin,
                                         positions[size_t(cornerVertices[ring.first + i + 1])] - origin));
                volume += reverse[f] ? -sum : sum;
            }
        }
        if (volume != 0) {
            turnAll = volume < 0;
        } else {
            size_t turned = 0;
            for (uint32_t f : component) turned += reverse[f];
            turnAll = turned * 2 > component.size();
        }
        if (turnAll)
            for (uint32_t f : component) reverse[f] ^= 1;
    }
    return reverse;
}

} // namespace tsm
