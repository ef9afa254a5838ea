#include "MeshReaderTestSupport.h"

#include <gtest/gtest.h>

using namespace tsm;
using namespace tsm::test;

namespace {

MeshRead Off(const std::string& text) {
    return ReadMesh(text, MeshFormat::Off, "shape.off");
}

TEST(OffReaderTest, TheTightestFileThatHoldsItsCountsReads) {
    const MeshRead tight = Off("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2");
    EXPECT_TRUE(tight.result.ok()) << tight.result.reason();
}

} // namespace
