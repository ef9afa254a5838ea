#include "app/ObjectListBinding.h"

#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

using namespace tsm;

namespace {

Document& ThreeSolids(Document& document) {
    const MeshData cube = Cube(10);
    AddSolid(document, "A", cube.vertices, cube.faces);
    AddSolid(document, "B", cube.vertices, cube.faces);
    AddSolid(document, "C", cube.vertices, cube.faces);
    return document;
}

} // namespace

TEST(ObjectListBinding, WithDevelopmentOnlyItsSolidsAreListedAndBoundToShown) {
    Document document;
    ThreeSolids(document);
    document.development = std::make_unique<Development>();
    document.model->solids[0]->inDevelopment = false;
    document.model->solids[2]->shown = false;
    ObjectListBinding binding(&document);
    EXPECT_EQ(binding.Flag(), ObjectListFlag::Shown);
    // "A" is not in the development: the list starts at "B".
    ASSERT_EQ(binding.Count(), 2u);
    EXPECT_EQ(binding.Name(0), "B");
    EXPECT_EQ(binding.Name(1), "C");
    EXPECT_TRUE(binding.IsSelected(0));
    EXPECT_FALSE(binding.IsSelected(1));
    // The selection sets shown of the listed solid, never inDevelopment.
    EXPECT_TRUE(binding.SetSelected(1, true));
    EXPECT_TRUE(document.model->solids[2]->shown);
    binding.SelectAll(false);
    EXPECT_FALSE(document.model->solids[1]->shown);
    EXPECT_TRUE(document.model->solids[0]->shown); // not listed, not touched
    EXPECT_TRUE(document.model->solids[1]->inDevelopment);
}
