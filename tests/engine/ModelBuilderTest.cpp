#include "tools/lib/ModelBuilder.h"

#include "engine/Classify.h"
#include "tests/engine/FlatOverlap.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using namespace tsm;

namespace {

CSolid& AddMesh(Document& doc, const std::string& name, const MeshData& mesh, int material = -1) {
    return AddSolid(doc, name, mesh.vertices, mesh.faces, material);
}

std::vector<Point2> FacePolygon(const CFace& face) {
    std::vector<Point2> points;
    for (const auto& h : face.halfEdges) points.push_back(h->Pos2D());
    return points;
}

// Shoelace sum in development coordinates; with y growing downwards a negative value is counter-clockwise
// as seen on the sheet.
double SignedArea(const std::vector<Point2>& polygon) {
    double sum = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const Point2& a = polygon[i];
        const Point2& b = polygon[(i + 1) % polygon.size()];
        sum += a.x * b.y - b.x * a.y;
    }
    return sum / 2;
}

size_t EdgeIndexOf(const CSolid& solid, const CEdge* edge) {
    for (size_t e = 0; e < solid.edges.size(); ++e)
        if (solid.edges[e].get() == edge) return e;
    return solid.edges.size();
}

// Checks everything a fixture development promises, for every part of the document.
void ExpectSoundDevelopment(const Document& doc, double scale) {
    ASSERT_NE(doc.development, nullptr);
    const Development& development = *doc.development;
    EXPECT_FALSE(development.reversed);
    EXPECT_TRUE(CheckModelInvariants(doc).empty());
    for (const auto& solid : doc.model->solids) {
        for (const auto& face : solid->faces) {
            if (!solid->inDevelopment) {
                EXPECT_EQ(face->part, nullptr);
                continue;
            }
            ASSERT_NE(face->part, nullptr);
            EXPECT_EQ(development.parts[face->partIndex].get(), face->part);
            // Counter-clockwise on the sheet, so flaps fall outside with reversed false.
            EXPECT_LT(SignedArea(FacePolygon(*face)), 0);
            for (const auto& h : face->halfEdges) {
                // Lengths are kept: mm = model units times the scale.
                EXPECT_NEAR(Length(h->next->Pos2D() - h->Pos2D()), h->edge->length * scale, 1e-9 * scale);
                if (h->joined) {
                    // A fold's two sides lie on the same segment, in opposite directions.
                    EXPECT_EQ(h->joined->face->part, face->part);
                    EXPECT_NEAR(Length(h->Pos2D() - h->joined->next->Pos2D()), 0, 1e-9);
                    EXPECT_NEAR(Length(h->next->Pos2D() - h->joined->Pos2D()), 0, 1e-9);
                }
                ASSERT_NE(h->line, nullptr);
                EXPECT_EQ(h->line->second != nullptr, h->joined != nullptr);
            }
        }
    }
    for (const auto& part : development.parts) {
        // Every corner lies inside the part's box, which starts at (0, 0).
        for (const CFace* face : part->faces) {
            for (const auto& h : face->halfEdges) {
                EXPECT_GE(h->x2d, -1e-9);
                EXPECT_GE(h->y2d, -1e-9);
                EXPECT_LE(h->x2d, part->width + 1e-9);
                EXPECT_LE(h->y2d, part->height + 1e-9);
            }
        }
        EXPECT_EQ(test::OverlappingFacePairs(*part), 0);
    }
}

} // namespace

TEST(ModelBuilder, AddSolidNamesTheSolidAndNumbersVerticesOnAcrossSolids) {
    Document doc;
    CSolid& cube = AddMesh(doc, "cube", Cube(40), 0);
    EXPECT_EQ(cube.name, "cube");
    EXPECT_EQ(cube.model, doc.model.get());
    for (const auto& face : cube.faces) EXPECT_EQ(face->materialIndex, 0);
    for (const auto& vertex : cube.vertices) EXPECT_EQ(vertex->outgoing.size(), 3u);
    EXPECT_DOUBLE_EQ(doc.model->size, 40.0);
    EXPECT_TRUE(CheckModelInvariants(doc).empty());
    CSolid& second = AddMesh(doc, "tet", Tetrahedron(10));
    EXPECT_EQ(second.vertices.front()->index, 8);
}

TEST(ModelBuilder, AddSolidSkipsFacesWithBadIndicesOrTooFewCorners) {
    Document doc;
    const std::vector<Vec3> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    // Out-of-range, negative and two-corner faces would otherwise make dangling vertex pointers.
    CSolid& solid = AddSolid(doc, "bad", vertices, {{0, 1, 2}, {0, 1, 7}, {-1, 1, 2}, {0, 1}, {}});
    ASSERT_EQ(solid.faces.size(), 1u);
    // A lone triangle: three open edges.
    ASSERT_EQ(solid.edges.size(), 3u);
    for (const auto& edge : solid.edges) EXPECT_EQ(edge->halfEdge2, nullptr);
}

TEST(ModelBuilder, CubeFixtureDevelopmentIsOneFlatCrossWithFlapsOnTheCuts) {
    Document doc;
    AddMesh(doc, "cube", Cube(40));
    const std::vector<std::string> problems = UnfoldForFixture(doc);
    EXPECT_TRUE(problems.empty()) << problems.front();
    ExpectSoundDevelopment(doc, 1.0);
    const Development& development = *doc.development;
    ASSERT_EQ(development.parts.size(), 1u);
    const CPart& part = *development.parts[0];
    EXPECT_EQ(part.faces.size(), 6u);
    EXPECT_EQ(part.solid, doc.model->solids[0].get());

    // A spanning tree of six faces: five folds, seven cuts; one line per fold, two per cut.
    int folds = 0, cuts = 0;
    for (const auto& edge : doc.model->solids[0]->edges) {
        if (edge->halfEdge1->joined) {
            ++folds;
            EXPECT_EQ(edge->halfEdge1->line, edge->halfEdge2->line);
        } else {
            ++cuts;
            // Exactly one side of a cut carries the flap, and the edge got a number.
            EXPECT_NE(edge->halfEdge1->hasFlap, edge->halfEdge2->hasFlap);
            EXPECT_GE(edge->edgeId, 1);
        }
    }
    EXPECT_EQ(folds, 5);
    EXPECT_EQ(cuts, 7);
    EXPECT_EQ(part.lines.size(), 5u + 14u);
    std::set<int> ids;
    for (const auto& edge : doc.model->solids[0]->edges)
        if (edge->edgeId > 0) ids.insert(edge->edgeId);
    EXPECT_EQ(ids, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));

    for (const auto& line : part.lines) {
        if (line->second) {
            EXPECT_EQ(line->drawKind, DrawKind::Mountain);
            continue;
        }
        EXPECT_EQ(line->drawKind, line->first->hasFlap ? DrawKind::FlapMountain : DrawKind::Cut);
        if (!line->first->hasFlap) continue;
        // The flap lies on the outer side of its edge, away from the face.
        const CHalfEdge& h = *line->first;
        const Point2 a = h.Pos2D(), b = h.next->Pos2D();
        const Point2 tip = (h.flapShape.tipStart + h.flapShape.tipEnd) * 0.5;
        const Point2 inside = h.next->next->Pos2D();
        auto side = [&](Point2 p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); };
        EXPECT_LT(side(tip) * side(inside), 0);
        EXPECT_DOUBLE_EQ(h.flapHeight, 5.0);
    }

    // Flaps stick out of the 120 x 160 mm cross, so the box is larger by up to a flap on each side.
    const double a = std::max(part.width, part.height), b = std::min(part.width, part.height);
    EXPECT_GE(a, 160.0);
    EXPECT_LE(a, 170.0 + 1e-9);
    EXPECT_GE(b, 120.0);
    EXPECT_LE(b, 130.0 + 1e-9);
    EXPECT_DOUBLE_EQ(part.x, 0);
    EXPECT_DOUBLE_EQ(part.y, 0);
    EXPECT_DOUBLE_EQ(development.frame[2], part.width);
    EXPECT_DOUBLE_EQ(development.frame[3], part.height);
}

TEST(ModelBuilder, ExplicitCutsDecideTheParts) {
    Document doc;
    CSolid& cube = AddMesh(doc, "cube", Cube(20));
    // Face 1 is the top; cutting its four edges frees it. The cup below cannot close in the plane, so
    // its vertical edges outside the tree are cut as well.
    std::vector<std::pair<int, int>> cuts;
    for (const auto& h : cube.faces[1]->halfEdges) cuts.push_back({0, int(EdgeIndexOf(cube, h->edge))});
    EXPECT_TRUE(UnfoldForFixture(doc, cuts).empty());
    ExpectSoundDevelopment(doc, 1.0);
    ASSERT_EQ(doc.development->parts.size(), 2u);
    EXPECT_EQ(doc.development->parts[0]->faces.size(), 5u);
    EXPECT_EQ(doc.development->parts[1]->faces.size(), 1u);
    EXPECT_EQ(cube.faces[1]->partIndex, 1);
    for (const auto& h : cube.faces[1]->halfEdges) EXPECT_EQ(h->joined, nullptr);

    // A flat 2 x 2 sheet: explicit mode keeps the fourth inner edge folded since its sides meet; the
    // spanning-tree rule cuts it.
    Document sheet;
    CSolid& grid = AddMesh(sheet, "sheet", Grid(2, 2, 10));
    size_t openEdge = 0;
    while (grid.edges[openEdge]->halfEdge2) ++openEdge;
    EXPECT_TRUE(UnfoldForFixture(sheet, {{0, int(openEdge)}}).empty());
    ExpectSoundDevelopment(sheet, 1.0);
    int folds = 0;
    for (const auto& edge : grid.edges) folds += edge->halfEdge1->joined ? 1 : 0;
    EXPECT_EQ(folds, 4);
    EXPECT_TRUE(UnfoldForFixture(sheet).empty());
    folds = 0;
    for (const auto& edge : grid.edges) folds += edge->halfEdge1->joined ? 1 : 0;
    EXPECT_EQ(folds, 3);
    // Open edges: one line each, drawn as plain cuts, no flap, no number.
    for (const auto& line : sheet.development->parts[0]->lines) {
        if (line->first->twin) continue;
        EXPECT_EQ(line->second, nullptr);
        EXPECT_FALSE(line->first->hasFlap);
        EXPECT_EQ(line->drawKind, DrawKind::Cut);
        EXPECT_EQ(line->edge->edgeId, -1);
    }
}

TEST(ModelBuilder, BadCutEdgePairsAreReportedAndChangeNothing) {
    Document doc;
    AddMesh(doc, "cube", Cube(20));
    // Solid and edge indices out of range, and negative ones.
    for (const auto& pair : std::vector<std::pair<int, int>>{{1, 0}, {0, 12}, {-1, 0}, {0, -1}}) {
        const auto problems = UnfoldForFixture(doc, {pair});
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find("names no edge"), std::string::npos);
        EXPECT_EQ(doc.development, nullptr);
    }
}

TEST(ModelBuilder, PartsWrapIntoRowsAndSkipSolidsOutsideTheDevelopment) {
    Document doc;
    for (int i = 0; i < 3; ++i)
        AddMesh(doc, "box" + std::to_string(i), Translated(Cube(30), {i * 50.0, 0, 0}));
    CSolid& hidden = AddMesh(doc, "hidden", Tetrahedron(10));
    hidden.inDevelopment = false;
    FixtureUnfoldOptions options;
    options.rowWidthMM = 200;
    options.gapMM = 5;
    EXPECT_TRUE(UnfoldForFixture(doc, {}, options).empty());
    ExpectSoundDevelopment(doc, 1.0);
    for (const auto& face : hidden.faces) EXPECT_EQ(face->partIndex, -1);
    const auto& parts = doc.development->parts;
    ASSERT_EQ(parts.size(), 3u);
    // Each cross is about 95 x 125 mm with flaps: two fit in 200 mm, the third starts a new row.
    EXPECT_DOUBLE_EQ(parts[0]->x, 0);
    EXPECT_DOUBLE_EQ(parts[1]->x, parts[0]->width + 5);
    EXPECT_DOUBLE_EQ(parts[1]->y, 0);
    EXPECT_DOUBLE_EQ(parts[2]->x, 0);
    EXPECT_DOUBLE_EQ(parts[2]->y, std::max(parts[0]->height, parts[1]->height) + 5);
    const double* frame = doc.development->frame;
    EXPECT_DOUBLE_EQ(frame[0], 0);
    EXPECT_DOUBLE_EQ(frame[3], parts[2]->y + parts[2]->height);
}

TEST(ModelBuilder, ScaleAndFlapHeightOptionsApply) {
    Document doc;
    AddMesh(doc, "tet", Tetrahedron(10));
    FixtureUnfoldOptions options;
    options.scale = 2.5;
    options.flapHeightMM = 3;
    EXPECT_TRUE(UnfoldForFixture(doc, {}, options).empty());
    // Development lengths are model lengths times the scale.
    ExpectSoundDevelopment(doc, 2.5);
    EXPECT_DOUBLE_EQ(doc.development->scale, 2.5);
    for (const auto& face : doc.model->solids[0]->faces)
        for (const auto& h : face->halfEdges) EXPECT_DOUBLE_EQ(h->flapHeight, 3.0);
}

TEST(ModelBuilder, CurvedAndOpenShapesUnfoldSoundly) {
    // Shapes with many faces, valley folds (torus) and open borders still give sound links.
    const std::vector<std::pair<std::string, MeshData>> shapes = {
        {"icosphere", Icosphere(1, 20)}, {"cylinder", Cylinder(12, 10, 30)}, {"prism", Prism(30, 20, 10)}};
    for (const auto& [name, mesh] : shapes) {
        SCOPED_TRACE(name);
        Document doc;
        AddMesh(doc, name, mesh);
        EXPECT_TRUE(UnfoldForFixture(doc).empty());
        ASSERT_EQ(doc.development->parts.size(), 1u);
        EXPECT_EQ(doc.development->parts[0]->faces.size(), mesh.faces.size());
        EXPECT_TRUE(CheckModelInvariants(doc).empty());
        for (const auto& face : doc.model->solids[0]->faces) {
            EXPECT_LT(SignedArea(FacePolygon(*face)), 0);
            for (const auto& h : face->halfEdges)
                EXPECT_NEAR(Length(h->next->Pos2D() - h->Pos2D()), h->edge->length, 1e-9);
        }
    }
    Document torus;
    AddMesh(torus, "torus", Torus(8, 6, 30, 10));
    EXPECT_TRUE(UnfoldForFixture(torus).empty());
    EXPECT_TRUE(CheckModelInvariants(torus).empty());
}

TEST(ModelBuilder, UnfoldingAgainKeepsTextsAndPicturesAndReplacesParts) {
    Document doc;
    AddMesh(doc, "cube", Cube(20));
    AddText(doc, {200, 10, 40, 20}, {"Hello", "World"}, 12, 0x0000FF);
    AddPicture(doc, true, {-10, -5, 30, 20}, MakeCheckerboard(4, 4, 2, {1, 0, 0}, {0, 0, 1}));
    EXPECT_TRUE(UnfoldForFixture(doc).empty());
    EXPECT_TRUE(UnfoldForFixture(doc).empty());
    const Development& development = *doc.development;
    EXPECT_EQ(development.parts.size(), 1u);
    EXPECT_EQ(development.parts[0]->faces.size(), 6u);
    ASSERT_EQ(development.texts.size(), 1u);
    EXPECT_EQ(development.texts[0]->lines, (std::vector<std::string>{"Hello", "World"}));
    EXPECT_EQ(development.texts[0]->fontSize, 12);
    EXPECT_EQ(development.texts[0]->color, 0x0000FF);
    ASSERT_EQ(development.imagesB.size(), 1u);
    EXPECT_TRUE(development.imagesA.empty());
    ASSERT_EQ(development.imageMaterials.size(), 1u);
    EXPECT_EQ(development.imagesB[0]->material, development.imageMaterials[0].get());
    // The frame takes in the text at the right and the picture above and to the left.
    EXPECT_DOUBLE_EQ(development.frame[0], -10);
    EXPECT_DOUBLE_EQ(development.frame[1], -5);
    EXPECT_DOUBLE_EQ(development.frame[0] + development.frame[2], 240);
    ExpectSoundDevelopment(doc, 1.0);
}

TEST(ModelBuilder, CheckerboardMaterialsAndFaceUV) {
    const auto image = MakeCheckerboard(5, 3, 2, {1, 0, 0}, {0, 1, 0.5f});
    ASSERT_EQ(image->width, 5);
    ASSERT_EQ(image->height, 3);
    ASSERT_EQ(image->pixels.size(), 45u);
    auto pixel = [&](int x, int y) {
        const size_t at = (size_t(y) * 5 + x) * 3;
        return std::vector<int>{image->pixels[at], image->pixels[at + 1], image->pixels[at + 2]};
    };
    // Cells of 2 pixels, rows top to bottom, first colour at the top left.
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixel(1, 1), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixel(2, 0), (std::vector<int>{0, 255, 128}));
    EXPECT_EQ(pixel(0, 2), (std::vector<int>{0, 255, 128}));
    EXPECT_EQ(pixel(2, 2), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixel(4, 2), (std::vector<int>{0, 255, 128}));
    // Non-positive sizes give an empty image rather than a huge or negative allocation.
    EXPECT_TRUE(MakeCheckerboard(0, 10, 1, {}, {})->pixels.empty());
    EXPECT_TRUE(MakeCheckerboard(-3, -3, 0, {}, {})->pixels.empty());

    Document doc;
    CMaterial& plain = AddMaterial(doc, "plain", {0.25f, 0.5f, 0.75f});
    CMaterial& textured = AddMaterial(doc, "checker", {1, 1, 1}, MakeCheckerboard(8, 4, 2, {}, {0, 0, 0}));
    ASSERT_EQ(doc.model->materials.size(), 2u);
    EXPECT_EQ(doc.model->materials[0].get(), &plain);
    EXPECT_EQ(plain.texture, nullptr);
    ASSERT_NE(textured.texture, nullptr);
    EXPECT_EQ(textured.texture->width, 8);

    CSolid& box = AddMesh(doc, "box", Box(10, 20, 30), 1);
    AssignFaceUV(box);
    for (const auto& face : box.faces) {
        double minU = 1, maxU = 0, minV = 1, maxV = 0;
        for (const auto& h : face->halfEdges) {
            minU = std::min(minU, h->u);
            maxU = std::max(maxU, h->u);
            minV = std::min(minV, h->v);
            maxV = std::max(maxV, h->v);
        }
        // Each face shows the whole texture once.
        EXPECT_NEAR(minU, 0, 1e-12);
        EXPECT_NEAR(maxU, 1, 1e-12);
        EXPECT_NEAR(minV, 0, 1e-12);
        EXPECT_NEAR(maxV, 1, 1e-12);
    }
}
