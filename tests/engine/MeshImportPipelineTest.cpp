#include "engine/MeshImportPipeline.h"

#include "engine/ModelOperations.h"
#include "model/Settings.h"
#include "tests/model/ImageTestSupport.h"
#include "tools/lib/Invariants.h"

#include <gtest/gtest.h>

using namespace tsm;

namespace {

const char* const kQuestion = "Join Adjacent Isolated Edges?";

std::string MeshPath(const std::string& name) {
    return std::string(TESSALY_SOURCE_DIR) + "/tests/data/meshes/" + name;
}

class MeshImportPipelineTest : public testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) { return dir_.Write(name, text); }

    const Settings settings_;
    testimage::TempFolder dir_;
};

// A closed mesh of quads, one of triangles with more than 500 faces, one whose faces disagree in
// orientation until the import turns them, and one with a hole of four edges. Every other committed mesh
// is imported and unfolded by UnfolderTest.
const struct {
    const char* file;
    size_t edges, openEdges;
} kMeshes[] = {
    {"cube_quad.off", 12, 0},
    {"bunny.obj", 5511, 0},
    {"cube-shuffled.off", 18, 0},
    {"hedra_open.off", 11, 4},
};

TEST_F(MeshImportPipelineTest, MeshesBecomeDocumentsReadyToUnfold) {
    for (const auto& mesh : kMeshes) {
        SCOPED_TRACE(mesh.file);
        RecordingPrompt prompt(false);
        Result<ImportedMesh> outcome = ImportMeshDocument(MeshPath(mesh.file), settings_, prompt);
        ASSERT_TRUE(outcome.ok()) << outcome.reason();
        const Document& doc = *outcome->document;
        EXPECT_EQ(doc.development, nullptr);
        EXPECT_TRUE(doc.modified);
        ASSERT_EQ(doc.model->solids.size(), 1u);
        const Solid& solid = *doc.model->solids[0];
        EXPECT_EQ(solid.name, "Object-1");
        EXPECT_EQ(solid.edges.size(), mesh.edges);
        size_t open = 0;
        for (auto& edge : solid.edges) {
            open += edge->halfEdge2 == nullptr;
            EXPECT_GT(edge->length, 0.0);
        }
        EXPECT_EQ(open, mesh.openEdges);
        EXPECT_TRUE(CheckModelInvariants(doc).empty());
        EXPECT_GT(doc.model->size, 0.0);
        // Nothing was removed, and the question came last.
        EXPECT_EQ(outcome->removed.faces, 0);
        ASSERT_FALSE(prompt.texts.empty());
        EXPECT_EQ(prompt.texts.back(), kQuestion);
        EXPECT_EQ(outcome->mergedEdges, -1);
    }
}

TEST_F(MeshImportPipelineTest, MessagesComeInTheirOrder) {
    // A clean small mesh: only the question (Yes runs the join: UnfoldCommandTest).
    RecordingPrompt no(false);
    Result<ImportedMesh> cube = ImportMeshDocument(MeshPath("cube_quad.off"), settings_, no);
    EXPECT_EQ(no.texts, (std::vector<std::string>{kQuestion}));
    // Mirror pairs wait for their first reader, then the eight cube edges off the plane x = 0 pair up.
    EXPECT_TRUE(cube->document->model->symmetricEdgesPending);
    PairPendingSymmetricEdges(*cube->document->model);
    int paired = 0;
    for (auto& edge : cube->document->model->solids[0]->edges) paired += edge->symmetricEdge != nullptr;
    EXPECT_EQ(paired, 8);
    // More than 500 faces: the warning of the normalisation, then the question.
    RecordingPrompt big(false);
    static_cast<void>(ImportMeshDocument(MeshPath("bunny.obj"), settings_, big));
    EXPECT_EQ(big.texts,
              (std::vector<std::string>{
                  "Too many faces (# of faces: 3674).\nIt may take very long time to assemble.", kQuestion}));
}

TEST_F(MeshImportPipelineTest, SkippedAndNormalisedFacesAreReported) {
    // A face that repeats a corner is skipped by the reader; a sliver face and an unused vertex are
    // removed by the normalisation.
    const std::string path = Write("slivers.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 0.5 0 0\nv 9 9 9\n"
                                                  "f 1 2 1 3\n"
                                                  "f 1 3 2\nf 1 2 4\nf 2 3 4\nf 3 1 4\n"
                                                  "f 1 5 2\n");
    RecordingPrompt prompt(false);
    Result<ImportedMesh> outcome = ImportMeshDocument(path, settings_, prompt);
    ASSERT_TRUE(outcome.ok()) << outcome.reason();
    EXPECT_EQ(
        prompt.texts,
        (std::vector<std::string>{
            "1 face(s) with fewer than three distinct corners were skipped.",
            "2 vertice(s), 1 face(s) and 0 object(s) were deleted for data normalization.", kQuestion}));
    EXPECT_EQ(outcome->document->model->solids[0]->faces.size(), 4u);
    EXPECT_TRUE(CheckModelInvariants(*outcome->document).empty());
}

// Faces listed the other way round from their neighbours are turned before the edges pair: each face's
// ring as vertex numbers, and the edges that result.
TEST_F(MeshImportPipelineTest, FacesAreTurnedToAgreeWithTheirNeighbours) {
    const std::string tetrahedron = "OFF\n4 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n";
    const std::string strip = "OFF\n5 3 0\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 2 0\n";
    // Three quads around a ring whose last one joins the first with a half twist.
    const std::string band = "OFF\n6 3 0\n2 0 1\n2 0 -1\n-1 1.7 1\n-1 1.7 -1\n-1 -1.7 1\n-1 -1.7 -1\n"
                             "4 0 1 3 2\n4 2 3 5 4\n4 4 5 0 1\n";
    const struct {
        const char* name;
        std::string off;
        const char* rings; // null: not checked
        size_t edges, openEdges;
    } rows[] = {
        {"outward", tetrahedron + "3 0 2 1\n3 0 1 3\n3 1 2 3\n3 2 0 3\n", "0 2 1|0 1 3|1 2 3|2 0 3", 6, 0},
        // The first face alone disagrees: it is the one turned, whichever face the walk starts from.
        {"one face turned", tetrahedron + "3 0 1 2\n3 0 1 3\n3 1 2 3\n3 2 0 3\n", "2 1 0|0 1 3|1 2 3|2 0 3",
         6, 0},
        {"inside out", tetrahedron + "3 1 2 0\n3 3 1 0\n3 3 2 1\n3 3 0 2\n", "0 2 1|0 1 3|1 2 3|2 0 3", 6, 0},
        {"open strip", strip + "3 0 1 2\n3 2 3 1\n3 2 3 4\n", "0 1 2|1 3 2|2 3 4", 7, 5},
        // No turn of its faces makes a Moebius band agree: one rung stays cut, the rest pairs.
        {"Moebius band", band, nullptr, 10, 8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingPrompt prompt(false);
        Result<ImportedMesh> outcome = ImportMeshDocument(Write("m.off", row.off), settings_, prompt);
        ASSERT_TRUE(outcome.ok()) << outcome.reason();
        const Solid& solid = *outcome->document->model->solids.at(0);
        std::string rings;
        for (const auto& face : solid.faces) {
            if (!rings.empty()) rings += '|';
            for (const auto& corner : face->halfEdges) {
                size_t number = 0;
                while (solid.vertices[number].get() != corner->vertex) ++number;
                rings += (corner == face->halfEdges.front() ? "" : " ") + std::to_string(number);
            }
        }
        EXPECT_EQ(rings, row.rings ? row.rings : rings);
        size_t open = 0;
        for (const auto& edge : solid.edges) open += edge->halfEdge2 == nullptr;
        EXPECT_EQ(solid.edges.size(), row.edges);
        EXPECT_EQ(open, row.openEdges);
        EXPECT_TRUE(CheckModelInvariants(*outcome->document).empty());
    }
}

} // namespace

namespace {

// A grey BMP of `side` pixels a side.
std::string GreyBmp(int side) {
    const uint32_t stride = uint32_t(side * 3 + 3) & ~3u, size = 54 + stride * uint32_t(side);
    std::string bmp = "BM";
    for (uint32_t v :
         {size, 0u, 54u, 40u, uint32_t(side), uint32_t(side), 1u | (24u << 16), 0u, 0u, 0u, 0u, 0u, 0u})
        bmp.append(reinterpret_cast<const char*>(&v), 4);
    bmp.resize(size, char(128));
    return bmp;
}

} // namespace

TEST_F(MeshImportPipelineTest, TextureProblemsAreToldAndTexturesKeepWithinTheLimit) {
    Write("big.bmp", GreyBmp(1024));
    Write("m.mtl", "newmtl big\nmap_Kd big.bmp\nnewmtl gone\nmap_Kd gone.png\n");
    const std::string obj = Write("m.obj", "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\n"
                                           "usemtl big\nf 1/1 2/1 3/1\nusemtl gone\nf 2/1 4/1 3/1\n");
    RecordingPrompt prompt(false);
    const Result<ImportedMesh> outcome = ImportMeshDocument(obj, settings_, prompt);
    ASSERT_TRUE(outcome.ok()) << outcome.reason();
    EXPECT_EQ(prompt.texts.front(),
              dir_.File("gone.png") + ": the texture image is missing; the model comes in without it");
    const Material& big = *outcome->document->model->materials[0];
    ASSERT_NE(big.texture, nullptr);
    // The default limit (256) applies to the texture; the bitmap keeps the image's own size.
    EXPECT_EQ(big.texture->width, TextureSizeLimit(settings_));
    EXPECT_EQ(big.bitmap->width, 1024);
}
