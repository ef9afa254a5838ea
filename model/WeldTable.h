// Welding points by position: the glTF reader gives the builder one vertex per point, where the file
// splits its vertices at every seam of their attributes.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tsm {

struct PositionKey {
    double x, y, z;
    bool operator==(const PositionKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

// The points given to the builder so far, by exact position (0 and -0 alike; a point with a NaN matches
// none, not even itself): numbers in an open-addressed table over the points in the order they came, so
// that welding a large primitive makes a few arrays rather than a node per point.
class WeldTable {
public:
    // The number of the point at `key`; a new point takes the number `fresh()` returns.
    template <typename Fresh> int Weld(const PositionKey& key, Fresh fresh) {
        if (std::isnan(key.x) || std::isnan(key.y) || std::isnan(key.z)) return fresh();
        if ((points_.size() + 1) * 2 > slots_.size()) Rehash(slots_.empty() ? 64 : slots_.size() * 2);
        const size_t mask = slots_.size() - 1;
        const uint64_t hash = Hash(key);
        const uint32_t tag = Tag(hash);
        size_t i = size_t(hash) & mask;
        for (; slots_[i].point != kEmpty; i = (i + 1) & mask)
            if (slots_[i].tag == tag && points_[slots_[i].point].key == key)
                return points_[slots_[i].point].number;
        slots_[i] = {uint32_t(points_.size()), tag};
        points_.push_back({key, fresh()});
        return points_.back().number;
    }
    // Asks for the place of `key` in the table ahead of its Weld: a large mesh's table is larger than the
    // nearer caches, and a caller that knows its next points overlaps their loads.
    void Prefetch(const PositionKey& key) const {
        if (!slots_.empty()) __builtin_prefetch(&slots_[size_t(Hash(key)) & (slots_.size() - 1)]);
    }
    // Room for `more` points without rehashing on the way.
    void Reserve(size_t more) {
        size_t size = std::max<size_t>(slots_.size(), 64);
        while (size < (points_.size() + more) * 2) size *= 2;
        if (size > slots_.size()) Rehash(size);
        points_.reserve(points_.size() + more);
    }

private:
    static constexpr uint32_t kEmpty = 0xffffffffu;
    struct Point {
        PositionKey key;
        int number;
    };
    // A slot keeps bits of its point's hash that its place does not say, so that a probe passes the
    // points of other positions without reading them: on a large mesh each read is a cache miss.
    struct Slot {
        uint32_t point = kEmpty;
        uint32_t tag = 0;
    };

    static uint32_t Tag(uint64_t hash) { return uint32_t(hash >> 32); }
    static uint64_t Hash(const PositionKey& key) {
        uint64_t h = 0;
        for (double c : {key.x, key.y, key.z}) {
            if (c == 0) c = 0; // -0 hashes as 0, to which it is equal
            uint64_t bits;
            std::memcpy(&bits, &c, sizeof bits);
            h = (h ^ bits) * 0x9e3779b97f4a7c15ull;
            h ^= h >> 29;
        }
        return h ^ (h >> 32);
    }
    void Rehash(size_t size) {
        slots_.assign(size, Slot());
        for (uint32_t p = 0; p < points_.size(); ++p) {
            const uint64_t hash = Hash(points_[p].key);
            size_t i = size_t(hash) & (size - 1);
            while (slots_[i].point != kEmpty) i = (i + 1) & (size - 1);
            slots_[i] = {p, Tag(hash)};
        }
    }

    std::vector<Slot> slots_; // a power of two, at most half full
    std::vector<Point> points_;
};

} // namespace tsm
