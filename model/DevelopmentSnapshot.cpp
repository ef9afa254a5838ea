#include "model/DevelopmentSnapshot.h"

#include "model/Document.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include <type_traits>
#include <unordered_set>

namespace tsm {

namespace {

// Plain values appended in machine order: the copies never leave the process.
class Out {
public:
    template <typename T> void Put(const T& value) {
        static_assert(std::is_trivially_copyable<T>::value, "plain values only");
        bytes.append(reinterpret_cast<const char*>(&value), sizeof(T));
    }
    void PutString(const std::string& s) {
        Put(static_cast<uint32_t>(s.size()));
        bytes.append(s);
    }
    std::string bytes;
};

class In {
public:
    explicit In(std::string_view bytes) : bytes_(bytes) {}
    template <typename T> T Get() {
        T value{};
        if (bytes_.size() - pos_ < sizeof(T)) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, bytes_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    std::string GetString() {
        const uint32_t n = Get<uint32_t>();
        if (!ok_ || bytes_.size() - pos_ < n) {
            ok_ = false;
            return {};
        }
        std::string s(bytes_.substr(pos_, n));
        pos_ += n;
        return s;
    }
    bool ok() const { return ok_; }
    void Fail() { ok_ = false; }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Where a corner of a part lies: the face's position in the part's face list and the corner's in the face.
struct CornerRef {
    int32_t slot = -1;
    int32_t corner = -1;
};

constexpr int32_t kEdgeOfFirst = -1; // the line's edge is its first corner's
constexpr int32_t kNoEdge = -2;

template <typename T, typename Release>
std::unordered_map<const T*, int32_t> IndexMap(const std::vector<std::unique_ptr<T, Release>>& v) {
    std::unordered_map<const T*, int32_t> map;
    map.reserve(v.size());
    for (size_t i = 0; i < v.size(); ++i) map.emplace(v[i].get(), static_cast<int32_t>(i));
    return map;
}

struct Indices {
    PartPool& pool;
    std::unordered_map<const Solid*, int32_t> solids;
    std::unordered_map<const Solid*, std::unordered_map<const Edge*, int32_t>> edges;

    int32_t FaceNumber(const Face& face) { return pool.FaceIndex(face); }
    int32_t EdgeNumber(const Solid* solid, const Edge* edge) {
        auto& map = edges[solid];
        if (map.empty() && solid) map = IndexMap(solid->edges);
        auto it = map.find(edge);
        return it == map.end() ? kNoEdge : it->second;
    }
};

void PutCorner(Out& out, const HalfEdge& h, CornerRef joined) {
    out.Put(h.x2d);
    out.Put(h.y2d);
    out.Put(static_cast<uint8_t>(h.hasFlap));
    out.Put(h.flapHeight);
    out.Put(h.flapAngle1);
    out.Put(h.flapAngle2);
    for (float c : h.flapColor) out.Put(c);
    for (float c : h.sideColor) out.Put(c);
    out.Put(static_cast<uint8_t>(h.foldShown));
    out.Put(joined);
}

std::string PartToBytes(const Part& part, Indices& indices) {
    Out out;
    const Solid* solid = part.solid;
    out.Put(solid ? indices.solids[solid] : -1);
    out.Put(part.x);
    out.Put(part.y);
    out.Put(part.width);
    out.Put(part.height);
    out.Put(static_cast<int32_t>(part.buildStep));
    // A part has some hundred faces: a sorted list finds a face's slot faster than a hash of every corner.
    std::vector<std::pair<const Face*, int32_t>> slots;
    slots.reserve(part.faces.size());
    size_t corners = 0;
    for (size_t s = 0; s < part.faces.size(); ++s) {
        slots.emplace_back(part.faces[s], int32_t(s));
        corners += part.faces[s]->halfEdges.size();
    }
    std::sort(slots.begin(), slots.end());
    const auto refOf = [&](const HalfEdge* h) {
        if (h == nullptr) return CornerRef{};
        auto it = std::lower_bound(slots.begin(), slots.end(),
                                   std::make_pair(static_cast<const Face*>(h->face), 0));
        if (it == slots.end() || it->first != h->face) return CornerRef{};
        const auto& ring = h->face->halfEdges;
        for (size_t c = 0; c < ring.size(); ++c)
            if (ring[c].get() == h) return CornerRef{it->second, int32_t(c)};
        return CornerRef{};
    };
    out.bytes.reserve(64 + part.faces.size() * 8 + corners * 112 + part.lines.size() * 32);
    out.Put(static_cast<uint32_t>(part.faces.size()));
    for (const Face* face : part.faces) {
        out.Put(indices.FaceNumber(*face));
        out.Put(static_cast<uint32_t>(face->halfEdges.size()));
        for (const auto& h : face->halfEdges) PutCorner(out, *h, refOf(h->Joined()));
    }
    out.Put(static_cast<uint32_t>(part.lines.size()));
    for (const auto& line : part.lines) {
        out.Put(refOf(line->first));
        out.Put(refOf(line->second));
        int32_t edge = kNoEdge;
        if (line->edge != nullptr)
            edge = line->first && line->first->edge == line->edge ? kEdgeOfFirst
                                                                  : indices.EdgeNumber(solid, line->edge);
        out.Put(edge);
        out.Put(static_cast<uint8_t>(line->hidden));
        out.Put(line->lineKind);
        out.Put(static_cast<int32_t>(line->drawKind));
        out.Put(static_cast<uint8_t>(line->flapDrawn));
    }
    return std::move(out.bytes);
}

void PutRect(Out& out, const double rect[4]) {
    for (int i = 0; i < 4; ++i) out.Put(rect[i]);
}

std::string RestToBytes(const Document& document) {
    const Development& dev = *document.development;
    Out out;
    // Layout commands change the document's own values with the development; undo brings them back too.
    out.Put(document.display.defaultFlapHeightMM);
    out.Put(document.documentScale);
    out.Put(dev.scale);
    out.Put(static_cast<uint8_t>(dev.reversed));
    PutRect(out, dev.frame);
    // Empty entries hold nothing to draw or keep; the copy leaves them out.
    const auto count = [](const auto& list) {
        return static_cast<uint32_t>(
            std::count_if(list.begin(), list.end(), [](const auto& p) { return p != nullptr; }));
    };
    out.Put(count(dev.texts));
    for (const auto& text : dev.texts) {
        if (!text) continue;
        PutRect(out, text->rect);
        out.Put(static_cast<uint32_t>(text->lines.size()));
        for (const auto& line : text->lines) out.PutString(line);
        out.PutString(text->fontName);
        out.Put(text->fontSize);
        out.Put(text->lineSpacing);
        out.Put(text->color);
    }
    const auto materials = IndexMap(dev.imageMaterials);
    for (const auto* list : {&dev.imagesA, &dev.imagesB}) {
        out.Put(count(*list));
        for (const auto& image : *list) {
            if (!image) continue;
            PutRect(out, image->rect);
            auto it = materials.find(image->material);
            out.Put(it == materials.end() ? int32_t(-1) : it->second);
        }
    }
    return std::move(out.bytes);
}

// ---- reading back ----

struct CornerWrite {
    HalfEdge* corner;
    HalfEdge state; // the development fields only
    CornerRef joined;
    HalfEdge* joinedCorner; // what `joined` names, once checked
};

struct BuiltPart {
    std::unique_ptr<Part> part;
    std::vector<CornerWrite> corners;
};

bool ReadCornerState(In& in, HalfEdge& s, CornerRef& joined) {
    s.x2d = in.Get<double>();
    s.y2d = in.Get<double>();
    s.hasFlap = in.Get<uint8_t>() != 0;
    s.flapHeight = in.Get<double>();
    s.flapAngle1 = in.Get<double>();
    s.flapAngle2 = in.Get<double>();
    for (float& c : s.flapColor) c = in.Get<float>();
    for (float& c : s.sideColor) c = in.Get<float>();
    s.foldShown = in.Get<uint8_t>() != 0;
    joined = in.Get<CornerRef>();
    return in.ok();
}

// Decodes one part against the model; null on any index that does not fit.
std::unique_ptr<BuiltPart> BuildPart(const std::string& bytes, Mesh& model, Development& dev) {
    In in(bytes);
    auto built = std::make_unique<BuiltPart>();
    built->part = std::make_unique<Part>();
    Part& part = *built->part;
    part.development = &dev;
    const int32_t solidIndex = in.Get<int32_t>();
    if (solidIndex < 0 || size_t(solidIndex) >= model.solids.size()) return nullptr;
    Solid& solid = *model.solids[size_t(solidIndex)];
    part.solid = &solid;
    part.x = in.Get<double>();
    part.y = in.Get<double>();
    part.width = in.Get<double>();
    part.height = in.Get<double>();
    part.buildStep = in.Get<int32_t>();
    const uint32_t faceCount = in.Get<uint32_t>();
    if (!in.ok() || faceCount > solid.faces.size()) return nullptr;
    for (uint32_t f = 0; f < faceCount; ++f) {
        const int32_t faceIndex = in.Get<int32_t>();
        const uint32_t cornerCount = in.Get<uint32_t>();
        if (!in.ok() || faceIndex < 0 || size_t(faceIndex) >= solid.faces.size()) return nullptr;
        Face* face = solid.faces[size_t(faceIndex)].get();
        if (cornerCount != face->halfEdges.size()) return nullptr;
        part.faces.push_back(face);
        for (uint32_t c = 0; c < cornerCount; ++c) {
            CornerWrite write{face->Corner(c), HalfEdge(), CornerRef(), nullptr};
            if (!ReadCornerState(in, write.state, write.joined)) return nullptr;
            built->corners.push_back(write);
        }
    }
    const auto corner = [&](CornerRef ref, HalfEdge*& out) {
        out = nullptr;
        if (ref.slot == -1 && ref.corner == -1) return true;
        if (ref.slot < 0 || size_t(ref.slot) >= part.faces.size()) return false;
        const Face* face = part.faces[size_t(ref.slot)];
        if (ref.corner < 0 || size_t(ref.corner) >= face->halfEdges.size()) return false;
        out = face->Corner(size_t(ref.corner));
        return true;
    };
    for (auto& write : built->corners)
        if (!corner(write.joined, write.joinedCorner)) return nullptr;
    const uint32_t lineCount = in.Get<uint32_t>();
    if (!in.ok() || lineCount > 8 * bytes.size()) return nullptr;
    for (uint32_t i = 0; i < lineCount; ++i) {
        auto line = std::make_unique<PartLine>();
        const CornerRef first = in.Get<CornerRef>();
        const CornerRef second = in.Get<CornerRef>();
        const int32_t edge = in.Get<int32_t>();
        line->hidden = in.Get<uint8_t>() != 0;
        line->lineKind = in.Get<LineKind>();
        line->drawKind = static_cast<DrawKind>(in.Get<int32_t>());
        line->flapDrawn = in.Get<uint8_t>() != 0;
        if (!in.ok() || !corner(first, line->first) || !corner(second, line->second)) return nullptr;
        if (edge == kEdgeOfFirst) {
            if (!line->first) return nullptr;
            line->edge = line->first->edge;
        } else if (edge >= 0) {
            if (size_t(edge) >= solid.edges.size()) return nullptr;
            line->edge = solid.edges[size_t(edge)].get();
        } else if (edge != kNoEdge) {
            return nullptr;
        }
        part.lines.push_back(std::move(line));
    }
    return in.ok() ? std::move(built) : nullptr;
}

void ApplyPart(BuiltPart& built) {
    Part* part = built.part.get();
    for (Face* face : part->faces) {
        face->part = part;
        for (auto& h : face->halfEdges) h->line = nullptr;
    }
    for (const CornerWrite& w : built.corners) {
        HalfEdge& h = *w.corner;
        const HalfEdge& s = w.state;
        h.x2d = s.x2d;
        h.y2d = s.y2d;
        h.hasFlap = s.hasFlap;
        h.flapHeight = s.flapHeight;
        h.flapAngle1 = s.flapAngle1;
        h.flapAngle2 = s.flapAngle2;
        std::memcpy(h.flapColor, s.flapColor, sizeof h.flapColor);
        std::memcpy(h.sideColor, s.sideColor, sizeof h.sideColor);
        h.foldShown = s.foldShown;
        h.joinsTwin = w.joinedCorner != nullptr;
    }
    for (auto& line : part->lines) {
        if (line->first) line->first->line = line.get();
        if (line->second) line->second->line = line.get();
    }
}

void ReadRect(In& in, double rect[4]) {
    for (int i = 0; i < 4; ++i) rect[i] = in.Get<double>();
}

struct Rest {
    double defaultFlapHeightMM = 5;
    double documentScale = 1;
    double scale = 1;
    bool reversed = false;
    double frame[4] = {0, 0, 0, 0};
    std::vector<std::unique_ptr<TextBlock>> texts;
    std::vector<std::unique_ptr<ImageBlock>> images[2];
};

bool ReadRest(const std::string& bytes, const Development& dev, Rest& rest) {
    In in(bytes);
    rest.defaultFlapHeightMM = in.Get<double>();
    rest.documentScale = in.Get<double>();
    rest.scale = in.Get<double>();
    rest.reversed = in.Get<uint8_t>() != 0;
    ReadRect(in, rest.frame);
    const uint32_t textCount = in.Get<uint32_t>();
    for (uint32_t i = 0; in.ok() && i < textCount; ++i) {
        auto text = std::make_unique<TextBlock>();
        ReadRect(in, text->rect);
        const uint32_t lines = in.Get<uint32_t>();
        for (uint32_t k = 0; in.ok() && k < lines; ++k) text->lines.push_back(in.GetString());
        text->fontName = in.GetString();
        text->fontSize = in.Get<int32_t>();
        text->lineSpacing = in.Get<int32_t>();
        text->color = in.Get<int32_t>();
        rest.texts.push_back(std::move(text));
    }
    for (auto& list : rest.images) {
        const uint32_t count = in.Get<uint32_t>();
        for (uint32_t i = 0; in.ok() && i < count; ++i) {
            auto image = std::make_unique<ImageBlock>();
            ReadRect(in, image->rect);
            const int32_t material = in.Get<int32_t>();
            if (material >= int32_t(dev.imageMaterials.size()) || material < -1) in.Fail();
            if (material >= 0 && in.ok()) image->material = dev.imageMaterials[size_t(material)].get();
            list.push_back(std::move(image));
        }
    }
    return in.ok();
}

} // namespace

PartBytes PartPool::Intern(std::string bytes) {
    const size_t hash = std::hash<std::string_view>()(bytes);
    auto range = byHash_.equal_range(hash);
    for (auto it = range.first; it != range.second; ++it)
        if (auto held = it->second.lock(); held && *held == bytes) return held;
    auto made = std::make_shared<const std::string>(std::move(bytes));
    byHash_.emplace(hash, made);
    return made;
}

size_t PartPool::HeldBytes() const {
    size_t total = 0;
    for (const auto& entry : byHash_)
        if (auto held = entry.second.lock()) total += held->size();
    return total;
}

int32_t PartPool::FaceIndex(const Face& face) {
    const Solid* solid = face.solid;
    if (!solid) return -1;
    const auto holds = [&](int32_t i) {
        return i >= 0 && size_t(i) < solid->faces.size() && solid->faces[size_t(i)].get() == &face;
    };
    if (holds(face.solidIndexHint)) return face.solidIndexHint;
    // New or renumbered faces: learn the whole solid again.
    for (size_t i = 0; i < solid->faces.size(); ++i)
        solid->faces[i]->solidIndexHint = static_cast<int32_t>(i);
    return holds(face.solidIndexHint) ? face.solidIndexHint : -1;
}

void PartPool::Prune() {
    for (auto it = byHash_.begin(); it != byHash_.end();)
        it = it->second.expired() ? byHash_.erase(it) : std::next(it);
}

size_t DevelopmentSnapshot::Bytes() const {
    size_t total = rest.size();
    for (const auto& part : parts) total += part ? part->size() : 0;
    return total;
}

DevelopmentSnapshot TakeDevelopmentSnapshot(const Document& document, PartPool& pool) {
    DevelopmentSnapshot snapshot;
    const Development& dev = *document.development;
    Indices indices{pool, IndexMap(document.model->solids), {}};
    snapshot.parts.reserve(dev.parts.size());
    for (const auto& part : dev.parts)
        if (part) snapshot.parts.push_back(pool.Intern(PartToBytes(*part, indices)));
    snapshot.rest = RestToBytes(document);
    return snapshot;
}

bool RestoreDevelopmentSnapshot(Document& document, const DevelopmentSnapshot& snapshot,
                                const DevelopmentSnapshot& current) {
    if (!document.development || !document.model) return false;
    Development& dev = *document.development;
    dev.parts.erase(std::remove(dev.parts.begin(), dev.parts.end(), nullptr), dev.parts.end());
    if (current.parts.size() != dev.parts.size()) return false;
    std::unordered_map<const std::string*, size_t> currentSlot;
    for (size_t i = 0; i < current.parts.size(); ++i) currentSlot.emplace(current.parts[i].get(), i);

    // Decode everything first, so that a copy that does not fit changes nothing.
    std::vector<std::unique_ptr<BuiltPart>> built(snapshot.parts.size());
    std::vector<bool> kept(dev.parts.size(), false);
    for (size_t i = 0; i < snapshot.parts.size(); ++i) {
        auto it = currentSlot.find(snapshot.parts[i].get());
        if (it != currentSlot.end() && !kept[it->second]) {
            kept[it->second] = true;
            continue;
        }
        if (!snapshot.parts[i]) return false;
        built[i] = BuildPart(*snapshot.parts[i], *document.model, dev);
        if (!built[i]) return false;
    }
    Rest rest;
    if (!ReadRest(snapshot.rest, dev, rest)) return false;

    std::vector<std::unique_ptr<Part>> old = std::move(dev.parts);
    for (size_t i = 0; i < old.size(); ++i)
        if (!kept[i])
            for (Face* face : old[i]->faces) {
                face->part = nullptr;
                for (auto& h : face->halfEdges) h->line = nullptr;
            }
    dev.parts.clear();
    dev.parts.reserve(snapshot.parts.size());
    for (size_t i = 0; i < snapshot.parts.size(); ++i) {
        if (built[i]) {
            ApplyPart(*built[i]);
            dev.parts.push_back(std::move(built[i]->part));
        } else {
            dev.parts.push_back(std::move(old[currentSlot.at(snapshot.parts[i].get())]));
        }
    }
    document.display.defaultFlapHeightMM = rest.defaultFlapHeightMM;
    document.documentScale = rest.documentScale;
    dev.scale = rest.scale;
    dev.reversed = rest.reversed;
    std::memcpy(dev.frame, rest.frame, sizeof dev.frame);
    dev.texts = std::move(rest.texts);
    dev.imagesA = std::move(rest.images[0]);
    dev.imagesB = std::move(rest.images[1]);
    return true;
}

} // namespace tsm
