#include "model/Document.h"

#include <gtest/gtest.h>

using namespace tsm;

namespace {

// A solid with one triangle, enough to check the plain links of the model types.
CFace* AddTriangle(CSolid& solid) {
    for (int i = 0; i < 3; ++i) {
        auto v = std::make_unique<CVertex>();
        v->position = {double(i), double(i * i), 0};
        solid.vertices.push_back(std::move(v));
    }
    auto face = std::make_unique<CFace>();
    face->solid = &solid;
    for (int i = 0; i < 3; ++i) {
        auto h = std::make_unique<CHalfEdge>();
        h->vertex = solid.vertices[i].get();
        h->face = face.get();
        face->halfEdges.push_back(std::move(h));
    }
    solid.faces.push_back(std::move(face));
    return solid.faces.back().get();
}

} // namespace

TEST(ModelTypes, AttachFacesSkipsSolidsOutsideTheDevelopmentAndBadIndices) {
    Document doc;
    auto* a = doc.model->AppendSolid(std::make_unique<CSolid>());
    auto* b = doc.model->AppendSolid(std::make_unique<CSolid>());
    b->inDevelopment = false;
    AddTriangle(*a)->partIndex = 0;
    AddTriangle(*b)->partIndex = 0;
    AddTriangle(*a)->partIndex = 7; // out of range: no part
    doc.development = std::make_unique<Development>();
    CPart* part = doc.development->AppendPart(std::make_unique<CPart>());
    AttachFacesToParts(*doc.model, *doc.development, true);
    ASSERT_EQ(part->faces.size(), 1u);
    EXPECT_EQ(part->faces[0], a->faces[0].get());
    EXPECT_EQ(b->faces[0]->part, nullptr);
    EXPECT_EQ(a->faces[1]->part, nullptr);
}
