#include "model/FaceOrientation.h"

#include <algorithm>
#include <memory>

namespace tsm {

namespace {

constexpr uint32_t kNone = 0xffffffffu;
// A corner's link across its edge is its partner's face shifted up a bit: face numbers stay below 2^31 - 1,
// so that no link is all ones.
constexpr uint32_t kNoLink = kNone;
constexpr size_t kMostFaces = (size_t(1) << 31) - 1;

// Beyond this many corners on one lower end, a bucket is sorted rather than compared pair by pair.
constexpr size_t kFewInBucket = 24;

} // namespace

std::vector<uint8_t> FacesToReverse(const std::vector<FaceRing>& faces,
                                    const std::vector<int>& cornerVertices,
                                    const std::vector<Vec3>& positions, int solidCount) {
    std::vector<uint8_t> reverse(faces.size(), 0);
    const size_t corners = cornerVertices.size();
    if (faces.empty() || corners >= kNone || faces.size() >= kMostFaces) return reverse;

    // Each ring's first corner, one more closing the list: the walk below reads these rather than the
    // larger rings. Every corner's face is that of the ring it lies in; each entry of `faceOf` is written
    // before it is read, left uninitialised rather than cleared first (as are the buckets below).
    std::vector<uint32_t> ringStart(faces.size() + 1);
    const std::unique_ptr<uint32_t[]> faceOf(new uint32_t[corners]);
    size_t ringEnd = 0;
    for (size_t f = 0; f < faces.size(); ++f) {
        const FaceRing& ring = faces[f];
        if (ring.first != ringEnd || ring.count < 3 || ring.count > corners - ringEnd) return reverse;
        ringStart[f] = uint32_t(ringEnd);
        for (size_t c = ringEnd; c < ringEnd + ring.count; ++c) faceOf[c] = uint32_t(f);
        ringEnd += ring.count;
    }
    if (ringEnd != corners) return reverse;
    ringStart[faces.size()] = uint32_t(corners);

    // Corners bucketed by their lower end (a counting sort: linear however many corners meet at a vertex),
    // each with its higher end and, in the top bit, whether it runs up from the lower one: a bucket is then
    // matched from its own entries alone. Vertex numbers come from ints, so the top bit is free.
    constexpr uint32_t kUp = 0x80000000u;
    struct Entry {
        uint32_t corner;
        uint32_t high; // with kUp
    };
    const size_t vertexCount = positions.size();
    std::vector<uint32_t> start(vertexCount + 1, 0);
    // Calls `visit(corner, from, to)` for every corner whose edge joins two vertices that exist.
    const auto forEachEdge = [&](auto visit) {
        for (size_t f = 0; f < faces.size(); ++f) {
            const size_t first = ringStart[f], last = ringStart[f + 1] - 1;
            for (size_t c = first; c <= last; ++c) {
                const uint32_t a = uint32_t(cornerVertices[c]);
                const uint32_t b = uint32_t(cornerVertices[c == last ? first : c + 1]);
                if (a != b && std::max(a, b) < vertexCount) visit(uint32_t(c), a, b);
            }
        }
    };
    forEachEdge([&](uint32_t, uint32_t a, uint32_t b) { ++start[std::min(a, b) + 1]; });
    for (size_t v = 0; v < vertexCount; ++v) start[v + 1] += start[v];
    const std::unique_ptr<Entry[]> byLow(new Entry[start[vertexCount]]);
    {
        std::vector<uint32_t> next(start.begin(), start.end() - 1);
        forEachEdge([&](uint32_t c, uint32_t a, uint32_t b) {
            byLow[next[std::min(a, b)]++] = {c, a < b ? b | kUp : a};
        });
    }
    const auto highOf = [](const Entry& e) { return e.high & ~kUp; };
    const auto solidOf = [&](const Entry& e) { return faces[faceOf[e.corner]].solid; };
    const auto sameEdge = [&](const Entry& e, const Entry& g) {
        return highOf(e) == highOf(g) && (solidCount <= 1 || solidOf(e) == solidOf(g));
    };

    // Only an edge of exactly two corners carries the orientation across: a third face makes it ambiguous.
    // Each corner so paired keeps its partner's face, shifted up a bit, with the low bit set when the two
    // run the same way along the edge (their faces then turn opposite ways).
    std::vector<uint32_t> across(corners, kNoLink);
    const auto pair = [&](const Entry& e, const Entry& g) {
        const uint32_t same = (e.high & kUp) == (g.high & kUp) ? 1 : 0;
        across[e.corner] = faceOf[g.corner] << 1 | same;
        across[g.corner] = faceOf[e.corner] << 1 | same;
    };
    for (size_t v = 0; v < vertexCount; ++v) {
        Entry* first = byLow.get() + start[v];
        Entry* last = byLow.get() + start[v + 1];
        if (size_t(last - first) > kFewInBucket) {
            std::sort(first, last, [&](const Entry& e, const Entry& g) {
                return highOf(e) != highOf(g) ? highOf(e) < highOf(g) : solidOf(e) < solidOf(g);
            });
            for (Entry* i = first; i < last;) {
                Entry* j = i + 1;
                while (j < last && sameEdge(*i, *j)) ++j;
                if (j - i == 2) pair(i[0], i[1]);
                i = j;
            }
            continue;
        }
        // An entry already matched is marked by a corner number no entry has.
        for (Entry* i = first; i < last; ++i) {
            if (i->corner == kNone) continue;
            Entry other{};
            size_t count = 1;
            for (Entry* j = i + 1; j < last; ++j)
                if (j->corner != kNone && sameEdge(*i, *j)) {
                    other = *j;
                    j->corner = kNone;
                    ++count;
                }
            if (count == 2) pair(*i, other);
        }
    }

    // A face reached keeps kReached beside its turn in `reverse`, one byte for the walk to look at rather
    // than two; the mark is cleared at the end.
    constexpr uint8_t kTurn = 1, kReached = 2;
    std::vector<uint32_t> component;
    for (size_t seed = 0; seed < faces.size(); ++seed) {
        if (reverse[seed]) continue;
        reverse[seed] = kReached;
        component.assign(1, uint32_t(seed));
        bool closed = true, agreed = true;
        for (size_t head = 0; head < component.size(); ++head) {
            const uint32_t g = component[head];
            for (size_t c = ringStart[g]; c < ringStart[g + 1]; ++c) {
                if (across[c] == kNoLink) {
                    closed = false;
                    continue;
                }
                const uint32_t h = across[c] >> 1;
                // Two corners running the same way along their edge belong to faces of opposite turn.
                const uint8_t wanted = kReached | ((reverse[g] ^ uint8_t(across[c])) & kTurn);
                if (!reverse[h]) {
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
                volume += reverse[f] & kTurn ? -sum : sum;
            }
        }
        if (volume != 0) {
            turnAll = volume < 0;
        } else {
            size_t turned = 0;
            for (uint32_t f : component) turned += reverse[f] & kTurn;
            turnAll = turned * 2 > component.size();
        }
        if (turnAll)
            for (uint32_t f : component) reverse[f] ^= kTurn;
    }
    for (uint8_t& turn : reverse) turn &= kTurn;
    return reverse;
}

} // namespace tsm
