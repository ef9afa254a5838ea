// Hand-built developments for the engine and sheet tests: one solid made face by face, its edges paired by
// vertex, parts with their fold joins and line records made the way the unfolder makes them. Geometry
// fields that the topology code would compute (fold angles, senses) are set by each test where it matters.
#pragma once

#include "model/Document.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace tsm::test {

class DevelopmentFixture {
public:
    Document doc;
    Solid* solid = nullptr;

    DevelopmentFixture() {
        solid = doc.model->AppendSolid(std::make_unique<Solid>());
        doc.development = std::make_unique<Development>();
    }

    Development& Dev() { return *doc.development; }
    Mesh& Model() { return *doc.model; }

    Vertex* AddVertex(double x, double y, double z = 0.0) {
        auto v = std::make_unique<Vertex>();
        v->position = {x, y, z};
        v->index = static_cast<int>(solid->vertices.size());
        solid->vertices.push_back(std::move(v));
        return solid->vertices.back().get();
    }

    // A face on the given vertices in ring order; each corner's development position is its vertex's
    // (x, y) unless positions are given.
    Face* AddFace(const std::vector<Vertex*>& vertices, const std::vector<Point2>& positions = {}) {
        auto face = std::make_unique<Face>();
        face->solid = solid;
        for (size_t i = 0; i < vertices.size(); ++i) {
            auto h = std::make_unique<HalfEdge>();
            h->vertex = vertices[i];
            h->face = face.get();
            const Point2 p =
                positions.empty() ? Point2{vertices[i]->position.x, vertices[i]->position.y} : positions[i];
            h->x2d = p.x;
            h->y2d = p.y;
            face->halfEdges.push_back(std::move(h));
        }
        const size_t n = face->halfEdges.size();
        for (size_t i = 0; i < n; ++i) face->halfEdges[i]->next = face->halfEdges[(i + 1) % n].get();
        solid->faces.push_back(std::move(face));
        return solid->faces.back().get();
    }

    // Pairs every corner a->b with a corner b->a; the rest become open edges. Quadratic, fine for tests.
    void PairEdges() {
        solid->edges.clear();
        std::vector<HalfEdge*> corners;
        for (auto& face : solid->faces)
            for (auto& h : face->halfEdges) {
                h->twin = nullptr;
                h->edge = nullptr;
                corners.push_back(h.get());
            }
        for (HalfEdge* h : corners) {
            if (h->edge != nullptr) continue;
            auto edge = std::make_unique<Edge>();
            edge->halfEdge1 = h;
            edge->vertex1 = h->vertex;
            edge->vertex2 = h->next->vertex;
            edge->foldAngle = 0;
            h->edge = edge.get();
            for (HalfEdge* t : corners) {
                if (t->edge == nullptr && t->vertex == h->next->vertex && t->next->vertex == h->vertex) {
                    edge->halfEdge2 = t;
                    t->edge = edge.get();
                    h->twin = t;
                    t->twin = h;
                    edge->foldAngle = 180.0;
                    break;
                }
            }
            solid->edges.push_back(std::move(edge));
        }
    }

    // The corner of `face` whose edge it shares with `other`, or null.
    static HalfEdge* Shared(const Face* face, const Face* other) {
        for (auto& h : face->halfEdges)
            if (h->twin != nullptr && h->twin->face == other) return h.get();
        return nullptr;
    }

    // A part holding the faces, in order.
    Part* AddPart(const std::vector<Face*>& faces) {
        Part* part = Dev().AppendPart(std::make_unique<Part>());
        part->solid = solid;
        for (Face* f : faces) {
            f->part = part;
            f->partIndex = static_cast<int>(Dev().parts.size()) - 1;
            part->faces.push_back(f);
        }
        return part;
    }

    // Keeps the shared edge of the two faces folded.
    static void Join(Face* a, Face* b) {
        HalfEdge* h = Shared(a, b);
        h->joinsTwin = h->twin->joinsTwin = true;
    }

    // One record per fold and one per side of a cut edge, in face and corner order.
    static void MakeLines(Part* part) {
        for (Face* face : part->faces)
            for (auto& corner : face->halfEdges) {
                HalfEdge* h = corner.get();
                if (h->line != nullptr) continue;
                auto line = std::make_unique<PartLine>();
                line->first = h;
                line->edge = h->edge;
                h->line = line.get();
                if (h->Joined() != nullptr) {
                    line->second = h->Joined();
                    h->Joined()->line = line.get();
                }
                part->lines.push_back(std::move(line));
            }
    }

    // A square of its own vertices (so nothing pairs across parts), a part of its own: corners (x, y),
    // (x, y + s), (x + s, y + s), (x + s, y); the flap of corner 2 lies right of it and that of corner 0
    // left.
    Part* Square(double x, double y, double size) {
        Face* face = AddFace(
            {AddVertex(x, y), AddVertex(x, y + size), AddVertex(x + size, y + size), AddVertex(x + size, y)});
        Part* part = AddPart({face});
        MakeLines(part);
        return part;
    }

    // Gives corner `corner` of the part's only face a flap of `height` mm with right base angles, a
    // rectangle beside its edge, and returns its line.
    PartLine* AddFlap(Part* part, size_t corner, double height) {
        HalfEdge* h = part->faces[0]->Corner(corner);
        h->hasFlap = true;
        h->flapHeight = height;
        h->flapAngle1 = h->flapAngle2 = 1.5707963267948966;
        h->line->drawKind = DrawKind::FlapOnly;
        return h->line;
    }

    // A strip of triangles (Strip) cut into parts, each given by its triangles; `folded`: the triangles of a
    // part joined in a row, with their line records.
    std::vector<Face*> StripInParts(const std::vector<std::vector<int>>& parts, bool folded = false) {
        int count = 0;
        for (const auto& triangles : parts)
            for (int t : triangles) count = std::max(count, t + 1);
        const std::vector<Face*> strip = Strip(count);
        for (const auto& triangles : parts) {
            std::vector<Face*> faces;
            for (int t : triangles) faces.push_back(strip[t]);
            for (size_t i = 1; folded && i < faces.size(); ++i) Join(faces[i - 1], faces[i]);
            Part* part = AddPart(faces);
            if (folded) MakeLines(part);
        }
        return strip;
    }

    // A strip of `count` triangles in the plane z = 0 where triangle k shares one edge with k + 1:
    // squares of side 10 along x, each split by its rising diagonal.
    std::vector<Face*> Strip(int count) {
        std::vector<Vertex*> bottom, top;
        const int columns = count / 2 + 2;
        for (int i = 0; i < columns; ++i) bottom.push_back(AddVertex(10.0 * i, 0));
        for (int i = 0; i < columns; ++i) top.push_back(AddVertex(10.0 * i, 10));
        std::vector<Face*> faces;
        for (int k = 0; k < count; ++k) {
            const int i = k / 2;
            if (k % 2 == 0) {
                faces.push_back(AddFace({bottom[i], bottom[i + 1], top[i]}));
            } else {
                faces.push_back(AddFace({bottom[i + 1], top[i + 1], top[i]}));
            }
        }
        PairEdges();
        return faces;
    }
};

} // namespace tsm::test
