#include "tools/lib/Invariants.h"

#include <algorithm>
#include <functional>

namespace tsm {

namespace {

std::string SolidName(size_t s) {
    return "solid " + std::to_string(s);
}
std::string FaceName(size_t s, size_t f) {
    return SolidName(s) + " face " + std::to_string(f);
}
std::string CornerName(size_t s, size_t f, size_t c) {
    return FaceName(s, f) + " corner " + std::to_string(c);
}

// Membership by binary search in a sorted vector of pointers.
template <typename T> class PointerSet {
public:
    void Add(const T* p) { items_.push_back(p); }
    void Seal() { std::sort(items_.begin(), items_.end(), std::less<const T*>()); }
    bool Has(const T* p) const {
        return std::binary_search(items_.begin(), items_.end(), p, std::less<const T*>());
    }

private:
    std::vector<const T*> items_;
};

} // namespace

std::vector<std::string> CheckModelInvariants(const Document& document) {
    std::vector<std::string> out;
    if (!document.model) {
        out.push_back("the document has no model");
        return out;
    }
    const Mesh& model = *document.model;

    // Everything the document owns, so that a pointer to anything else is reported, never followed. Sorted
    // vectors keep this fast on models of hundreds of thousands of corners.
    PointerSet<HalfEdge> corners;
    PointerSet<Face> faces;
    for (const auto& solid : model.solids) {
        for (const auto& face : solid->faces) {
            faces.Add(face.get());
            for (const auto& h : face->halfEdges) corners.Add(h.get());
        }
    }
    corners.Seal();
    faces.Seal();
    PointerSet<Part> parts;
    PointerSet<PartLine> lines;
    // (face, part, part index) for every listing of a face in a part's faces, in part order.
    struct Listing {
        const Face* face;
        const Part* part;
        size_t partIndex;
    };
    std::vector<Listing> listings;
    if (document.development) {
        const Development& development = *document.development;
        for (size_t p = 0; p < development.parts.size(); ++p) {
            const Part* part = development.parts[p].get();
            parts.Add(part);
            for (const auto& line : part->lines) lines.Add(line.get());
            for (const Face* face : part->faces) {
                if (!faces.Has(face))
                    out.push_back("part " + std::to_string(p) + " lists a face that is not in the model");
                else
                    listings.push_back({face, part, p});
            }
        }
    }
    parts.Seal();
    lines.Seal();
    std::stable_sort(listings.begin(), listings.end(), [](const Listing& a, const Listing& b) {
        return std::less<const Face*>()(a.face, b.face);
    });
    for (size_t i = 1; i < listings.size(); ++i) {
        if (listings[i].face != listings[i - 1].face) continue;
        bool samePart = false;
        for (size_t j = i; j > 0 && listings[j - 1].face == listings[i].face; --j)
            samePart = samePart || listings[j - 1].part == listings[i].part;
        out.push_back("part " + std::to_string(listings[i].partIndex) +
                      (samePart ? " lists a face twice" : " lists a face that another part lists too"));
    }
    // Whether `face` is listed at all, and whether in `part`.
    auto listed = [&listings](const Face* face, const Part* part, bool& anywhere) {
        auto at =
            std::lower_bound(listings.begin(), listings.end(), face, [](const Listing& l, const Face* f) {
                return std::less<const Face*>()(l.face, f);
            });
        anywhere = at != listings.end() && at->face == face;
        for (; at != listings.end() && at->face == face; ++at)
            if (at->part == part) return true;
        return false;
    };

    for (size_t s = 0; s < model.solids.size(); ++s) {
        const Solid& solid = *model.solids[s];
        for (size_t e = 0; e < solid.edges.size(); ++e) {
            const Edge& edge = *solid.edges[e];
            const HalfEdge* sides[2] = {edge.halfEdge1, edge.halfEdge2};
            for (int k = 0; k < 2; ++k) {
                if (!sides[k]) continue;
                auto where = [&] {
                    return SolidName(s) + " edge " + std::to_string(e) + " side " + std::to_string(k + 1);
                };
                if (!corners.Has(sides[k]))
                    out.push_back(where() + " is not a corner of the model");
                else if (sides[k]->edge != &edge)
                    out.push_back(where() + " does not point back to the edge");
            }
        }
        for (size_t f = 0; f < solid.faces.size(); ++f) {
            const Face& face = *solid.faces[f];
            bool listedAnywhere = false;
            const bool listedInOwnPart = listed(&face, face.part, listedAnywhere);
            if (face.part && !parts.Has(face.part))
                out.push_back(FaceName(s, f) + " names a part that the development does not hold");
            else if (face.part && !listedInOwnPart)
                out.push_back(FaceName(s, f) + " is not listed in its part's faces");
            else if (!face.part && listedAnywhere)
                out.push_back(FaceName(s, f) + " is listed in a part's faces but its part is null");

            for (size_t c = 0; c < face.halfEdges.size(); ++c) {
                const HalfEdge& h = *face.halfEdges[c];
                auto where = [&] { return CornerName(s, f, c); };
                if (h.twin && !corners.Has(h.twin))
                    out.push_back(where() + ": twin is not a corner of the model");
                else if (h.twin && h.twin->twin != &h)
                    out.push_back(where() + ": twin's twin is not this corner");
                if (h.joinsTwin && !h.twin)
                    out.push_back(where() + ": joined without a twin");
                else if (h.joinsTwin && corners.Has(h.twin) && !h.twin->joinsTwin)
                    out.push_back(where() + ": joined's joined is not this corner");
                if (h.line && !lines.Has(h.line))
                    out.push_back(where() + ": line is not a record of any part");
                else if (h.line && h.line->first != &h && h.line->second != &h)
                    out.push_back(where() + ": line's first and second are other corners");
            }
        }
    }
    return out;
}

} // namespace tsm
