#include "tools/lib/ModelBuilder.h"

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "engine/Flaps.h"
#include "engine/Topology.h"
#include "model/Settings.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/Primitives.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <unordered_map>

namespace tsm {

namespace {

Vec3 Unit(const Vec3& v) {
    const double length = Length(v);
    return length > 0 ? v / length : v;
}

// Newell's normal of the face's corners: it points to the side from which they run counter-clockwise.
Vec3 NewellNormal(const Face& face) {
    Vec3 n;
    const size_t count = face.CornerCount();
    for (size_t i = 0; i < count; ++i) {
        const Vec3& a = face.Corner(i)->vertex->position;
        const Vec3& b = face.Corner((i + 1) % count)->vertex->position;
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

// The face flat in its own plane, corner 0 at the origin and corner 1 along +x. The second axis is
// negated so that, with y growing downwards on the sheet, the corners run counter-clockwise there as they
// do seen from outside the model.
std::vector<Point2> LayFaceFlat(const Face& face, double scale) {
    const size_t count = face.CornerCount();
    std::vector<Point2> flat(count);
    if (count == 0) return flat;
    const Vec3 origin = face.Corner(0)->vertex->position;
    Vec3 normal = Unit(NewellNormal(face));
    if (Length(normal) == 0) normal = Unit(face.Normal());
    Vec3 axisX;
    for (size_t i = 1; i < count && Length(axisX) == 0; ++i)
        axisX = Unit(face.Corner(i)->vertex->position - origin);
    if (Length(axisX) == 0) return flat; // all corners coincide
    Vec3 axisY = Unit(Cross(normal, axisX));
    if (Length(axisY) == 0)
        axisY = Unit(Cross(axisX, std::fabs(axisX.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0}));
    for (size_t i = 0; i < count; ++i) {
        const Vec3 d = face.Corner(i)->vertex->position - origin;
        flat[i] = {Dot(d, axisX) * scale, -Dot(d, axisY) * scale};
    }
    return flat;
}

size_t CornerIndex(const Face& face, const HalfEdge* h) {
    for (size_t i = 0; i < face.CornerCount(); ++i)
        if (face.Corner(i) == h) return i;
    return 0;
}

// Lays the face of `t` (the twin of the placed corner `h`) next to h's face: the face's own flat layout is
// turned and moved so that t's start lands on h's end and t's end on h's start, which puts it on the other
// side of the edge.
void PlaceAcrossEdge(const HalfEdge& h, HalfEdge& t, double scale) {
    Face& face = *t.face;
    const std::vector<Point2> flat = LayFaceFlat(face, scale);
    const size_t count = face.CornerCount();
    const size_t k = CornerIndex(face, &t);
    const Point2 from = flat[k], fromNext = flat[(k + 1) % count];
    const Point2 start = h.next->Pos2D(), end = h.Pos2D();
    const double theta =
        std::atan2(end.y - start.y, end.x - start.x) - std::atan2(fromNext.y - from.y, fromNext.x - from.x);
    for (size_t i = 0; i < count; ++i) {
        const Point2 p = Rotate(flat[i] - from, theta) + start;
        face.Corner(i)->x2d = p.x;
        face.Corner(i)->y2d = p.y;
    }
    // The shared edge meets exactly, not just within rounding.
    t.x2d = start.x;
    t.y2d = start.y;
    t.next->x2d = end.x;
    t.next->y2d = end.y;
}

void ClearDevelopmentLinks(Mesh& model) {
    for (auto& solid : model.solids) {
        for (auto& face : solid->faces) {
            face->part = nullptr;
            face->partIndex = -1;
            for (auto& h : face->halfEdges) {
                h->joinsTwin = false;
                h->line = nullptr;
                h->hasFlap = false;
            }
        }
    }
}

} // namespace

Solid& AddSolid(Document& document, const std::string& name, const std::vector<Vec3>& vertices,
                const std::vector<std::vector<int>>& faces, int materialIndex) {
    auto solid = std::make_unique<Solid>();
    solid->name = name;
    int runningIndex = 0;
    for (const auto& other : document.model->solids) runningIndex += int(other->vertices.size());
    for (const Vec3& position : vertices) {
        auto vertex = std::make_unique<Vertex>();
        vertex->position = position;
        vertex->index = runningIndex++;
        solid->vertices.push_back(std::move(vertex));
    }
    const double flapHeight = document.display.defaultFlapHeightMM;
    size_t cornerCount = 0;
    for (const auto& indices : faces) cornerCount += indices.size();
    for (const auto& indices : faces) {
        const bool valid = indices.size() >= 3 && std::all_of(indices.begin(), indices.end(), [&](int i) {
                               return i >= 0 && size_t(i) < vertices.size();
                           });
        if (!valid) continue;
        auto face = std::make_unique<Face>();
        face->solid = solid.get();
        face->materialIndex = materialIndex;
        for (int i : indices) {
            // From the solid's blocks, as a file's reader makes them, so that every fixture exercises them.
            auto h = NewCorner(*solid, cornerCount);
            cornerCount -= cornerCount > 0 ? 1 : 0;
            h->vertex = solid->vertices[i].get();
            h->face = face.get();
            h->displayPos = vertices[i];
            h->flapHeight = flapHeight;
            face->halfEdges.push_back(std::move(h));
        }
        LinkFaceRing(*face);
        ComputeFacePlane(*face);
        solid->faces.push_back(std::move(face));
    }
    Solid& added = *document.model->AppendSolid(std::move(solid));
    BuildEdges(added);
    for (auto& edge : added.edges) UpdateEdgeGeometry(*edge);
    RebuildVertexIncidence(added);
    ComputeBounds(*document.model);
    return added;
}

void AssignFaceUV(Solid& solid) {
    for (auto& face : solid.faces) {
        const std::vector<Point2> flat = LayFaceFlat(*face, 1.0);
        double minX = 0, minY = 0, maxX = 0, maxY = 0;
        for (const Point2& p : flat) {
            minX = std::min(minX, p.x);
            minY = std::min(minY, p.y);
            maxX = std::max(maxX, p.x);
            maxY = std::max(maxY, p.y);
        }
        const double w = maxX - minX, h = maxY - minY;
        for (size_t i = 0; i < flat.size(); ++i) {
            face->Corner(i)->u = w > 0 ? (flat[i].x - minX) / w : 0;
            face->Corner(i)->v = h > 0 ? (flat[i].y - minY) / h : 0;
        }
    }
}

std::unique_ptr<TextureImage> MakeCheckerboard(int width, int height, int cellPixels, Rgb first, Rgb second) {
    auto image = std::make_unique<TextureImage>();
    if (width < 1 || height < 1) return image;
    const int cell = std::max(cellPixels, 1);
    image->width = width;
    image->height = height;
    image->pixels.resize(size_t(width) * size_t(height) * 3);
    auto byte = [](float channel) { return uint8_t(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f)); };
    size_t at = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb& c = ((x / cell + y / cell) % 2 == 0) ? first : second;
            image->pixels[at++] = byte(c.r);
            image->pixels[at++] = byte(c.g);
            image->pixels[at++] = byte(c.b);
        }
    }
    return image;
}

Material& AddMaterial(Document& document, const std::string& name, Rgb colour,
                      std::unique_ptr<TextureImage> texture) {
    auto material = std::make_unique<Material>();
    material->name = name;
    const float rgb[3] = {colour.r, colour.g, colour.b};
    for (int i = 0; i < 3; ++i) {
        material->ambient[i] = rgb[i];
        material->diffuse[i] = rgb[i];
        material->flatColor[i] = rgb[i];
    }
    material->texture = std::move(texture);
    if (material->texture) {
        material->imageWidth = material->texture->width;
        material->imageHeight = material->texture->height;
    }
    return *document.model->AppendMaterial(std::move(material));
}

Development& EnsureDevelopment(Document& document) {
    if (!document.development) document.development = std::make_unique<Development>();
    return *document.development;
}

TextBlock& AddText(Document& document, const double (&rectMM)[4], const std::vector<std::string>& lines,
                   int32_t fontSize, int32_t colour, const std::string& fontName, int32_t lineSpacingMM) {
    auto text = std::make_unique<TextBlock>();
    std::copy(rectMM, rectMM + 4, text->rect);
    text->lines = lines;
    text->fontSize = fontSize;
    text->color = colour;
    text->fontName = fontName;
    text->lineSpacing = lineSpacingMM;
    Development& development = EnsureDevelopment(document);
    development.texts.push_back(std::move(text));
    return *development.texts.back();
}

ImageBlock& AddPicture(Document& document, bool listB, const double (&rectMM)[4],
                       std::unique_ptr<TextureImage> image) {
    Development& development = EnsureDevelopment(document);
    auto material = std::make_unique<Material>();
    if (image) {
        material->imageWidth = image->width;
        material->imageHeight = image->height;
    }
    material->texture = std::move(image);
    auto block = std::make_unique<ImageBlock>();
    std::copy(rectMM, rectMM + 4, block->rect);
    block->material = material.get();
    development.imageMaterials.push_back(std::move(material));
    auto& list = listB ? development.imagesB : development.imagesA;
    list.push_back(std::move(block));
    return *list.back();
}

std::vector<std::string> UnfoldForFixture(Document& document,
                                          const std::vector<std::pair<int, int>>& cutEdges,
                                          const FixtureUnfoldOptions& options) {
    std::vector<std::string> problems;
    Mesh& model = *document.model;
    const size_t solidCount = model.solids.size();

    // Per solid: whether it is cut by the list, and which of its edges are.
    std::vector<bool> explicitCuts(solidCount, false);
    std::vector<std::vector<bool>> isCut(solidCount);
    for (size_t s = 0; s < solidCount; ++s) isCut[s].assign(model.solids[s]->edges.size(), false);
    for (const auto& [s, e] : cutEdges) {
        if (s < 0 || size_t(s) >= solidCount || e < 0 || size_t(e) >= model.solids[s]->edges.size()) {
            problems.push_back("cut edge (" + std::to_string(s) + ", " + std::to_string(e) +
                               ") names no edge");
            continue;
        }
        explicitCuts[s] = true;
        isCut[s][e] = true;
    }
    if (!problems.empty()) return problems;

    Development& development = EnsureDevelopment(document);
    development.parts.clear();
    development.scale = options.scale;
    development.reversed = false;
    ClearDevelopmentLinks(model);
    if (options.autoFlapAngles) AutoFlapAnglesAll(model, Settings().maxFlapBaseAngleDegrees);

    for (size_t s = 0; s < solidCount; ++s) {
        Solid& solid = *model.solids[s];
        if (!solid.inDevelopment) continue;
        std::unordered_map<const Edge*, size_t> edgeIndex;
        for (size_t e = 0; e < solid.edges.size(); ++e) edgeIndex.emplace(solid.edges[e].get(), e);
        auto cut = [&](const HalfEdge& h) {
            auto found = edgeIndex.find(h.edge);
            return found != edgeIndex.end() && isCut[s][found->second];
        };

        // Grow each part breadth-first over the edges that are not cut; the tree edges become folds.
        for (auto& rootFace : solid.faces) {
            if (rootFace->partIndex >= 0) continue;
            auto part = std::make_unique<Part>();
            part->solid = &solid;
            const int partIndex = int(development.parts.size());
            development.AppendPart(std::move(part));

            const std::vector<Point2> flat = LayFaceFlat(*rootFace, options.scale);
            for (size_t i = 0; i < flat.size(); ++i) {
                rootFace->Corner(i)->x2d = flat[i].x;
                rootFace->Corner(i)->y2d = flat[i].y;
            }
            rootFace->partIndex = partIndex;
            std::deque<Face*> queue{rootFace.get()};
            while (!queue.empty()) {
                Face* face = queue.front();
                queue.pop_front();
                for (auto& corner : face->halfEdges) {
                    HalfEdge* t = corner->twin;
                    if (!t || !t->face || t->face->partIndex >= 0 || cut(*corner)) continue;
                    PlaceAcrossEdge(*corner, *t, options.scale);
                    corner->joinsTwin = t->joinsTwin = true;
                    t->face->partIndex = partIndex;
                    queue.push_back(t->face);
                }
            }
        }

        // With explicit cuts, an uncut edge outside the tree is folded only where its two sides meet.
        if (explicitCuts[s]) {
            const double tolerance = 1e-6; // mm
            for (auto& edge : solid.edges) {
                HalfEdge* h = edge->halfEdge1;
                HalfEdge* t = edge->halfEdge2;
                if (!h || !t || h->Joined() || cut(*h) || h->face->partIndex != t->face->partIndex) continue;
                if (Length(h->Pos2D() - t->next->Pos2D()) < tolerance &&
                    Length(h->next->Pos2D() - t->Pos2D()) < tolerance) {
                    h->joinsTwin = t->joinsTwin = true;
                }
            }
        }
    }

    AttachFacesToParts(model, development, true);

    // One line per fold, one per side of a cut or open edge, in part, face and corner order.
    for (auto& part : development.parts) {
        for (Face* face : part->faces) {
            for (auto& h : face->halfEdges) {
                if (h->line) continue;
                auto line = std::make_unique<PartLine>();
                line->first = h.get();
                line->edge = h->edge;
                h->line = line.get();
                if (h->Joined()) {
                    line->second = h->Joined();
                    h->Joined()->line = line.get();
                }
                part->lines.push_back(std::move(line));
            }
        }
    }

    PlaceFlaps(development, model, document.display.defaultFlapHeightMM);
    if (options.flapHeightMM > 0)
        for (auto& part : development.parts)
            for (Face* face : part->faces)
                for (auto& h : face->halfEdges) h->flapHeight = options.flapHeightMM;

    // Rows left to right, wrapping at the row width.
    double x = 0, y = 0, rowHeight = 0;
    for (auto& part : development.parts) {
        part->x = 0;
        part->y = 0;
        ComputePartExtent(*part);
        if (x > 0 && x + part->width > options.rowWidthMM) {
            x = 0;
            y += rowHeight + options.gapMM;
            rowHeight = 0;
        }
        part->x = x;
        part->y = y;
        x += part->width + options.gapMM;
        rowHeight = std::max(rowHeight, part->height);
    }
    ComputeDevelopmentExtent(development, false);
    ClassifyPartLines(development, model, document.display);

    std::vector<std::string> broken = CheckModelInvariants(document);
    problems.insert(problems.end(), broken.begin(), broken.end());
    return problems;
}

std::vector<std::string> UnfoldThreeCubesInRows(Document& document) {
    for (int i = 0; i < 3; ++i) {
        const MeshData cube = Translated(Cube(50), {i * 100.0, 0, 0});
        AddSolid(document, "Cube" + std::to_string(i), cube.vertices, cube.faces);
    }
    FixtureUnfoldOptions options;
    options.rowWidthMM = 100;
    return UnfoldForFixture(document, {}, options);
}

} // namespace tsm
