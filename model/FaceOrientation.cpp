#include "model/FaceOrientation.h"

#include <algorithm>

namespace tsm {

namespace {

constexpr uint32_t kNone = 0xffffffffu;

// Beyond this many corners on one lower end, a bucket is sorted rather than compared pair by pair.
constexpr size_t kFewInBucket = 24;

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
    // Every corner's face, and the ends of its edge, lower and higher.
    std::vector<uint32_t> faceOf(corners, kNone), low(corners, kNone), high(corners, kNone);
    for (size_t f = 0; f < faces.size(); ++f) {
        const FaceRing& ring = faces[f];
        if (!inside(ring)) continue;
        for (size_t i = 0, last = ring.first + ring.count - 1; i < ring.count; ++i) {
            const size_t c = ring.first + i;
            const uint32_t a = uint32_t(cornerVertices[c]);
            const uint32_t b = uint32_t(cornerVertices[c == last ? ring.first : c + 1]);
            faceOf[c] = uint32_t(f);
            // A corner without an edge (both ends one vertex, or a vertex that does not exist) stays
            // unmatched.
            if (a == b || std::max(a, b) >= positions.size()) continue;
            low[c] = std::min(a, b);
            high[c] = std::max(a, b);
        }
    }
    const auto from = [&](uint32_t c) { return uint32_t(cornerVertices[c]); };
    const auto solidOf = [&](uint32_t c) { return faces[faceOf[c]].solid; };
    const auto sameEdge = [&](uint32_t c, uint32_t d) {
        return high[c] == high[d] && (solidCount <= 1 || solidOf(c) == solidOf(d));
    };

    // Corners bucketed by their lower end (a counting sort: linear however many corners meet at a vertex).
    const size_t vertexCount = positions.size();
    std::vector<uint32_t> start(vertexCount + 1, 0), byLow;
    const auto usable = [&](uint32_t c) { return low[c] != kNone; };
    for (uint32_t c = 0; c < corners; ++c)
        if (usable(c)) ++start[low[c] + 1];
    for (size_t v = 0; v < vertexCount; ++v) start[v + 1] += start[v];
    byLow.resize(start[vertexCount]);
    {
        std::vector<uint32_t> next(start.begin(), start.end() - 1);
        for (uint32_t c = 0; c < corners; ++c)
            if (usable(c)) byLow[next[low[c]]++] = c;
    }

    // Only an edge of exactly two corners carries the orientation across: a third face makes it ambiguous.
    std::vector<uint32_t> partner(corners, kNone);
    std::vector<uint8_t> matched(corners, 0);
    for (size_t v = 0; v < vertexCount; ++v) {
        uint32_t* first = byLow.data() + start[v];
        uint32_t* last = byLow.data() + start[v + 1];
        if (size_t(last - first) > kFewInBucket) {
            std::sort(first, last, [&](uint32_t c, uint32_t d) {
                return high[c] != high[d] ? high[c] < high[d] : solidOf(c) < solidOf(d);
            });
            for (uint32_t* i = first; i < last;) {
                uint32_t* j = i + 1;
                while (j < last && sameEdge(*i, *j)) ++j;
                if (j - i == 2) partner[i[0]] = i[1], partner[i[1]] = i[0];
                i = j;
            }
            continue;
        }
        for (uint32_t* i = first; i < last; ++i) {
            if (matched[*i]) continue;
            uint32_t* other = nullptr;
            size_t count = 1;
            for (uint32_t* j = i + 1; j < last; ++j)
                if (!matched[*j] && sameEdge(*i, *j)) {
                    matched[*j] = 1;
                    other = j;
                    ++count;
                }
            if (count == 2) partner[*i] = *other, partner[*other] = *i;
        }
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
