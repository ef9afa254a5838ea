#include "engine/MeshSimplify.h"

#include "engine/MeshImportPipeline.h"
#include "engine/Topology.h"
#include "engine/Unfolder.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "tools/lib/DenseScan.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <tuple>

using namespace tsm;

namespace {

struct Triangle {
    Vec3 a, b, c;
};

std::vector<Triangle> TrianglesOf(const Mesh& model) {
    std::vector<Triangle> out;
    for (const auto& solid : model.solids)
        for (const auto& f : solid->faces)
            for (size_t i = 1; i + 1 < f->CornerCount(); ++i)
                out.push_back({f->Corner(0)->vertex->position, f->Corner(i)->vertex->position,
                               f->Corner(i + 1)->vertex->position});
    return out;
}

// The nearest point of the triangle to p (regions of the vertices, edges and interior).
double DistanceToTriangle(const Vec3& p, const Triangle& t) {
    const Vec3 ab = t.b - t.a, ac = t.c - t.a, ap = p - t.a;
    const double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) return Distance(p, t.a);
    const Vec3 bp = p - t.b;
    const double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) return Distance(p, t.b);
    const Vec3 cp = p - t.c;
    const double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) return Distance(p, t.c);
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return Distance(p, t.a + ab * (d1 / (d1 - d3)));
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return Distance(p, t.a + ac * (d2 / (d2 - d6)));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0)
        return Distance(p, t.b + (t.c - t.b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6))));
    const double denom = 1 / (va + vb + vc);
    return Distance(p, t.a + ab * (vb * denom) + ac * (vc * denom));
}

struct SampledDistances {
    double mean = 0;
    double largest = 0;
};

// Distances from area-weighted random points of `from` to the surface `to`.
SampledDistances SampledDistance(const std::vector<Triangle>& from, const std::vector<Triangle>& to,
                                 int samples) {
    std::vector<double> cumulative;
    double total = 0;
    for (const Triangle& t : from) cumulative.push_back(total += Length(Cross(t.b - t.a, t.c - t.a)));
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    SampledDistances d;
    for (int i = 0; i < samples; ++i) {
        const size_t k = size_t(std::lower_bound(cumulative.begin(), cumulative.end(), unit(random) * total) -
                                cumulative.begin());
        const Triangle& t = from[std::min(k, from.size() - 1)];
        double r1 = unit(random), r2 = unit(random);
        if (r1 + r2 > 1) r1 = 1 - r1, r2 = 1 - r2;
        const Vec3 p = t.a + (t.b - t.a) * r1 + (t.c - t.a) * r2;
        double nearest = HUGE_VAL;
        for (const Triangle& u : to) nearest = std::min(nearest, DistanceToTriangle(p, u));
        d.largest = std::max(d.largest, nearest);
        d.mean += nearest / samples;
    }
    return d;
}

std::unique_ptr<Document> DocumentOf(const MeshData& mesh) {
    auto document = std::make_unique<Document>();
    AddSolid(*document, "mesh", mesh.vertices, mesh.faces);
    ComputeBounds(*document->model);
    return document;
}

// What a papercraft model must still be after simplifying: consistent links, every face with area and
// every edge between at most two faces, each side once.
void ExpectBuildable(const Document& document) {
    const std::vector<std::string> problems = CheckModelInvariants(document);
    EXPECT_TRUE(problems.empty()) << problems.front();
    const double size = document.model->size;
    std::set<std::pair<const Vertex*, const Vertex*>> sides;
    for (const auto& solid : document.model->solids)
        for (const auto& f : solid->faces) {
            EXPECT_GT(FaceArea(*f), size * size * 1e-8);
            for (const auto& h : f->halfEdges)
                EXPECT_TRUE(sides.insert({h->vertex, h->next->vertex}).second) << "an edge side twice";
        }
}

TEST(MeshSimplifyTest, ADenseScanKeepsItsShapeAtAThousandFaces) {
    const MeshData bunny = SharedBunny(TESSALY_SOURCE_DIR);
    auto document = DocumentOf(Subdivided(bunny, 2));
    ASSERT_GT(ModelFaceCount(*document->model), 50000);
    const Vec3 lo = document->model->boundsMin, hi = document->model->boundsMax;
    const double size = Distance(lo, hi);

    ASSERT_TRUE(SimplifyModel(*document->model, 1000).ok());

    const int faces = ModelFaceCount(*document->model);
    EXPECT_GE(faces, 900);
    EXPECT_LE(faces, 1100);
    ExpectBuildable(*document);
    const Mesh& model = *document->model;
    for (const auto& [was, is] : {std::pair{lo, model.boundsMin}, std::pair{hi, model.boundsMax}}) {
        EXPECT_LE(std::fabs(was.x - is.x), size * 0.01);
        EXPECT_LE(std::fabs(was.y - is.y), size * 0.01);
        EXPECT_LE(std::fabs(was.z - is.z), size * 0.01);
    }
    // The subdivided surface is the coarse one, whose fewer triangles make the distances quick to take.
    const std::vector<Triangle> original = TrianglesOf(*DocumentOf(bunny)->model);
    const std::vector<Triangle> simplified = TrianglesOf(model);
    // The symmetric mean distance (about 0.11 % here) and the largest sampled one (about 0.6 %).
    const SampledDistances there = SampledDistance(simplified, original, 1500);
    const SampledDistances back = SampledDistance(original, simplified, 1500);
    EXPECT_LE((there.mean + back.mean) / 2, size * 0.002);
    EXPECT_LE(std::max(there.largest, back.largest), size * 0.01);
}

// Collapsed far, thin parts (the cactus's arms, the bunny's ears) pinch: an edge comes to lie between
// four faces, or two faces back to back. The reduction goes on around each pinch rather than stopping
// short of the count or leaving the mesh as it was, and the surface stays closed.
TEST(MeshSimplifyTest, ThinPartsGoDownToTheCountWithoutPinching) {
    const struct {
        const char* mesh;
        int target;
    } cases[] = {{"cactus.off", 20}, {"cactus.off", 40}, {"bunny.obj", 80}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mesh) + " to " + std::to_string(c.target));
        auto document = DocumentOf(SharedMesh(TESSALY_SOURCE_DIR, c.mesh));
        ASSERT_GT(ModelFaceCount(*document->model), 1000);
        ASSERT_TRUE(SimplifyModel(*document->model, c.target).ok());
        const int faces = ModelFaceCount(*document->model);
        EXPECT_LE(faces, c.target);
        EXPECT_GE(faces, c.target / 2);
        ExpectBuildable(*document);
        for (const auto& edge : document->model->solids[0]->edges)
            EXPECT_TRUE(edge->halfEdge1 && edge->halfEdge2) << "a border edge";
    }
}

// How many fans of faces meet at the solid's most pinched vertex: faces at a vertex that share an edge
// there are one fan; a surface has one at every vertex.
size_t MostFansAtAVertex(const Solid& solid) {
    std::map<const Vertex*, std::vector<const Face*>> facesAt;
    for (const auto& f : solid.faces)
        for (const auto& h : f->halfEdges) facesAt[h->vertex].push_back(f.get());
    size_t most = 0;
    for (const auto& [vertex, faces] : facesAt) {
        std::vector<size_t> fan(faces.size());
        std::iota(fan.begin(), fan.end(), 0);
        const auto root = [&](size_t k) {
            while (fan[k] != k) k = fan[k];
            return k;
        };
        for (const auto& edge : solid.edges) {
            if (!edge->halfEdge1 || !edge->halfEdge2 || (edge->vertex1 != vertex && edge->vertex2 != vertex))
                continue;
            const auto a = std::find(faces.begin(), faces.end(), edge->halfEdge1->face);
            const auto b = std::find(faces.begin(), faces.end(), edge->halfEdge2->face);
            fan[root(size_t(a - faces.begin()))] = root(size_t(b - faces.begin()));
        }
        std::set<size_t> roots;
        for (size_t k = 0; k < faces.size(); ++k) roots.insert(root(k));
        most = std::max(most, roots.size());
    }
    return most;
}

// Collapsed across a thin part, a closed surface may come to touch itself at a vertex where every edge
// still lies between two faces: the dinosaur at 400 faces kept a closed lump of four faces on one vertex,
// which unfolded as a surface of its own. The reduction goes on around such a pinch as around an edge's.
TEST(MeshSimplifyTest, ACollapseNeverPinchesTheSurfaceAtAVertex) {
    RecordingPrompt prompt(false);
    Result<ImportedMesh> imported = ImportMeshDocument(
        (std::filesystem::path(TESSALY_SOURCE_DIR) / "tests/data/unfold/dino.off").string(), Settings(),
        prompt);
    ASSERT_TRUE(imported.ok());
    Mesh& model = *imported->document->model;
    ASSERT_TRUE(SimplifyModel(model, 400).ok());
    EXPECT_GE(ModelFaceCount(model), 380);
    ASSERT_EQ(model.solids.size(), 1u);
    EXPECT_EQ(MostFansAtAVertex(*model.solids[0]), 1u);
}

// A sphere in two materials (upper and lower half), its texture wrapped around with a seam where u jumps
// from 1 back to 0 and each pole drawn from each face's own angle.
std::unique_ptr<Document> TexturedSphere() {
    auto document = std::make_unique<Document>();
    AddMaterial(*document, "upper", {1, 0, 0}, MakeCheckerboard(8, 8, 2, {1, 0, 0}, {1, 1, 1}));
    AddMaterial(*document, "lower", {0, 0, 1}, MakeCheckerboard(8, 8, 2, {0, 0, 1}, {1, 1, 1}));
    const MeshData sphere = Icosphere(4, 50);
    Solid& solid = AddSolid(*document, "sphere", sphere.vertices, sphere.faces);
    constexpr double kPi = 3.14159265358979323846;
    for (auto& f : solid.faces) {
        Vec3 centre;
        for (auto& h : f->halfEdges) centre = centre + h->vertex->position / 3;
        f->materialIndex = centre.z > 0 ? 0 : 1;
        const double faceU = std::atan2(centre.y, centre.x) / (2 * kPi) + 0.5;
        for (auto& h : f->halfEdges) {
            const Vec3& p = h->vertex->position;
            double u = std::hypot(p.x, p.y) < 1e-9 ? faceU : std::atan2(p.y, p.x) / (2 * kPi) + 0.5;
            if (u - faceU > 0.5) u -= 1;
            if (faceU - u > 0.5) u += 1;
            h->u = u;
            h->v = std::acos(p.z / 50) / kPi;
        }
    }
    ComputeBounds(*document->model);
    return document;
}

using CornerKey = std::tuple<double, double, double, double, double, int>;

std::set<CornerKey> CornersOf(const Mesh& model) {
    std::set<CornerKey> corners;
    for (const auto& solid : model.solids)
        for (const auto& f : solid->faces)
            for (const auto& h : f->halfEdges) {
                const Vec3& p = h->vertex->position;
                corners.insert({p.x, p.y, p.z, h->u, h->v, f->materialIndex});
            }
    return corners;
}

TEST(MeshSimplifyTest, TexturedFacesKeepTheirUVsAndMaterials) {
    auto document = TexturedSphere();
    const std::set<CornerKey> original = CornersOf(*document->model);
    ASSERT_TRUE(SimplifyModel(*document->model, 400).ok());
    EXPECT_LE(ModelFaceCount(*document->model), 700);
    ExpectBuildable(*document);
    // Every corner is a vertex of the original surface with the texture coordinates and material one of
    // its faces had there: no face was textured from elsewhere or took a material across the border.
    int moved = 0;
    for (const CornerKey& corner : CornersOf(*document->model)) moved += original.count(corner) == 0;
    EXPECT_EQ(moved, 0);
    std::set<int> materials;
    for (const auto& f : document->model->solids[0]->faces) materials.insert(f->materialIndex);
    EXPECT_EQ(materials, (std::set<int>{0, 1}));
}

// An L-shaped prism, 10 high, its outline (4 x 4 with a 3 x 3 notch, times 10) cut into `k` pieces a side
// and its walls into `k` rows of quads: the top and bottom are concave 6k-gons with straight corners.
MeshData LPrism(int k) {
    const std::vector<Point2> l = {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}};
    std::vector<Point2> outline;
    for (size_t i = 0; i < l.size(); ++i)
        for (int j = 0; j < k; ++j)
            outline.push_back(l[i] + (l[(i + 1) % l.size()] - l[i]) * (double(j) / k));
    const int n = int(outline.size());
    MeshData mesh;
    for (int row = 0; row <= k; ++row)
        for (const Point2& p : outline) mesh.vertices.push_back({p.x * 10, p.y * 10, row * 10.0 / k});
    std::vector<int> bottom, top;
    for (int i = 0; i < n; ++i) {
        bottom.insert(bottom.begin(), i);
        top.push_back(k * n + i);
        for (int row = 0; row < k; ++row)
            mesh.faces.push_back(
                {row * n + i, row * n + (i + 1) % n, (row + 1) * n + (i + 1) % n, (row + 1) * n + i});
    }
    mesh.faces.push_back(bottom);
    mesh.faces.push_back(top);
    return mesh;
}

double SurfaceArea(const Mesh& model) {
    double area = 0;
    for (const Triangle& t : TrianglesOf(model)) area += Length(Cross(t.b - t.a, t.c - t.a)) / 2;
    return area;
}

TEST(MeshSimplifyTest, ConcavePolygonsAreTriangulatedWithinThemselves) {
    auto document = DocumentOf(LPrism(4));
    ASSERT_EQ(ModelFaceCount(*document->model), 98);
    // 2 x 700 top and bottom, 160 x 10 walls: a triangle outside the L would add to it.
    ASSERT_NEAR(SurfaceArea(*document->model), 3000, 1e-9);
    ASSERT_TRUE(SimplifyModel(*document->model, 40).ok());
    EXPECT_LE(ModelFaceCount(*document->model), 40);
    EXPECT_NEAR(SurfaceArea(*document->model), 3000, 1e-6);
    ExpectBuildable(*document);
}

TEST(MeshSimplifyTest, SeveralSolidsShareTheTarget) {
    auto document = std::make_unique<Document>();
    const MeshData torus = Torus(40, 20, 30, 10);
    AddSolid(*document, "torus", torus.vertices, torus.faces);
    const MeshData sphere = Translated(Icosphere(3, 20), {100, 0, 0});
    AddSolid(*document, "sphere", sphere.vertices, sphere.faces);
    ComputeBounds(*document->model);
    ASSERT_EQ(ModelFaceCount(*document->model), 800 + 1280);

    ASSERT_TRUE(SimplifyModel(*document->model, 520).ok());
    ASSERT_EQ(document->model->solids.size(), 2u);
    EXPECT_NEAR(double(document->model->solids[0]->faces.size()), 200, 40);
    EXPECT_NEAR(double(document->model->solids[1]->faces.size()), 320, 60);
    ExpectBuildable(*document);
}

TEST(MeshSimplifyTest, TheCommandUndoesTheDevelopmentInTheSameUndoStep) {
    auto document = DocumentOf(Icosphere(3, 20));
    RecordingPrompt prompt;
    UnfoldOptions options;
    ASSERT_TRUE(UnfoldDocument(*document, Settings(), prompt, nullptr, options).ok());
    AddText(*document, {0, 0, 20, 10}, {"kept"});
    const Settings settings;
    EditContext context{*document, settings};

    const EditResult result = SimplifyMesh(context, 300);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(*result, UpdateHint::DevelopmentReplaced);
    EXPECT_EQ(document->development, nullptr);
    ASSERT_EQ(document->reusableTexts.size(), 1u);
    EXPECT_LE(ModelFaceCount(*document->model), 400);
    EXPECT_TRUE(document->modified);

    ASSERT_TRUE(Undo(context).ok());
    EXPECT_EQ(ModelFaceCount(*document->model), 1280);
    ASSERT_NE(document->development, nullptr);
    EXPECT_TRUE(CheckModelInvariants(*document).empty());
}

TEST(MeshSimplifyTest, TheImportOfferNamesCountAndAssembledSize) {
    auto document = DocumentOf(Box(200, 100, 50));
    document->documentScale = 0.5;
    EXPECT_EQ(SimplifyOfferText(*document),
              "The mesh has 6 faces; assembled at scale 0.5 it measures 10.0 x 5.0 x 2.5 cm.\n"
              "So many faces take very long to cut and glue. Simplify it to 1000 faces?");
}

} // namespace
