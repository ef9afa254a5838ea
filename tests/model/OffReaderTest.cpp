#include "MeshReaderTestSupport.h"

#include <gtest/gtest.h>

using namespace tsm;
using namespace tsm::test;

namespace {

MeshRead Off(const std::string& text) {
    return ReadMesh(text, MeshFormat::Off, "shape.off");
}

TEST(OffReaderTest, MalformedLinesNameFileAndLine) {
    const std::string head = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n";
    // Room for the declared counts, so that the line itself is what fails.
    const std::string padding = "\n# ........................................\n";
    ExpectRefused(
        MeshFormat::Off, "shape.off",
        {
            {"", "shape.off: the file holds no OFF header"},
            {"# only a comment\n", "shape.off: the file holds no OFF header"},
            {"PLY\n", "shape.off, line 1: \"PLY\" is not an OFF header"},
            {"4OFF\n3 1 0\n", "shape.off, line 1: only three-dimensional OFF files can be read"},
            {"OFF\n", "shape.off, line 1: the file ends before the vertex and face counts"},
            {"OFF\n3\n", "shape.off, line 2: the vertex and face counts are not two counts"},
            {"OFF\n-3 1 0\n", "shape.off, line 2: the vertex and face counts are not two counts"},
            {"OFF\n3 1 0\n0 0 0\n1 0" + padding, "shape.off, line 4: a vertex needs three coordinates"},
            {"OFF\n3 1 0\n0 0 0\n1 0 zero" + padding, "shape.off, line 4: \"zero\" is not a number"},
            {head + "3 0 1 3\n", "shape.off, line 6: vertex index 3 is outside the 3 vertices"},
            {head + "3 0 1 -1\n", "shape.off, line 6: vertex index -1 is outside the 3 vertices"},
            {head + "4 0 1 2\n",
             "shape.off, line 6: the face lists 4 corners but the line holds only 3 indices"},
            {head + "three 0 1 2\n", "shape.off, line 6: \"three\" is not a corner count"},
            {head + "3 0 1.5 2\n", "shape.off, line 6: \"1.5\" is not a vertex index"},
            // With room for the counts, the end of the file itself is the failure, at the last line read.
            {"OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2" + padding,
             "shape.off, line 7: the file ends after 1 of 2 faces"},
            {"OFF\n3 1 0\n0 0 0" + padding, "shape.off, line 4: the file ends after 1 of 3 vertices"},
            // Huge declared counts are refused before any room is reserved; beyond 32 bits they are no
            // counts.
            {"OFF\n2000000000 1 0\n0 0 0\n", "shape.off, line 2: the file declares 2000000000 vertices and 1 "
                                             "faces, more than its 6 remaining bytes can hold"},
            {"OFF\n3 2000000000 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
             "shape.off, line 2: the file declares 3 vertices and 2000000000 faces, more than its 26 "
             "remaining "
             "bytes can hold"},
            {"OFF\n99999999999 1 0\n", "shape.off, line 2: the vertex and face counts are not two counts"},
        });
}

TEST(OffReaderTest, TheTightestFileThatHoldsItsCountsReads) {
    const MeshRead tight = Off("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2");
    EXPECT_TRUE(tight.result.ok()) << tight.result.reason();
}

} // namespace
