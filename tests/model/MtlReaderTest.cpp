#include "model/MtlReader.h"

#include <gtest/gtest.h>

namespace tsm {
namespace {

TEST(MtlReaderTest, TextureOptionsBecomeTheMappingAndTheRestIsTheFileName) {
    const struct {
        const char* line;
        std::string texture;
        std::array<double, 6> matrix;
        TextureWrap wrap;
    } cases[] = {
        {"map_Kd t.png", "t.png", {1, 0, 0, 0, 1, 0}, TextureWrap::Repeat},
        {"map_Kd -o 0.5 0.25 -s 2 4 1 /abs/a b.png",
         "/abs/a b.png",
         {2, 0, 0.5, 0, 4, -3.25},
         TextureWrap::Repeat},
        {"map_Kd -clamp on -mm 0 1 -bm 2 C:\\tex\\t.jpg",
         "C:\\tex\\t.jpg",
         {1, 0, 0, 0, 1, 0},
         TextureWrap::Clamp},
        {"map_Kd -s 0.5 t.png", "t.png", {0.5, 0, 0, 0, 1, 0}, TextureWrap::Repeat},
        {"MAP_KD \"my wood.png\"", "my wood.png", {1, 0, 0, 0, 1, 0}, TextureWrap::Repeat},
        {"map_kd \"", "\"", {1, 0, 0, 0, 1, 0}, TextureWrap::Repeat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::vector<MtlMaterial> materials = ReadMtl(std::string("newmtl m\n") + c.line + "\n");
        ASSERT_EQ(materials.size(), 1u);
        EXPECT_EQ(materials[0].texture, c.texture);
        EXPECT_EQ(materials[0].mapping.matrix, c.matrix);
        EXPECT_EQ(materials[0].mapping.wrapU, c.wrap);
    }
}

TEST(MtlReaderTest, ColoursAndNamesAreReadAndDamagedLinesSkipped) {
    const std::vector<MtlMaterial> materials =
        ReadMtl("Kd 1 1 1\nnewmtl  two   words\nKd 0.5 2 -1\nnewmtl b\nKd x 0 0\nmap_Kd\nmap_Kd -s 2\n"
                "NEWMTL grey\nKD 0.25\nnewmtl spectral\nKd spectral rgb.rfl 1\n");
    ASSERT_EQ(materials.size(), 4u);
    EXPECT_EQ(materials[0].name, "two words");
    EXPECT_TRUE(materials[0].hasColour);
    EXPECT_EQ((std::vector<float>{materials[0].colour[0], materials[0].colour[1], materials[0].colour[2]}),
              (std::vector<float>{0.5f, 1, 0}));
    EXPECT_FALSE(materials[1].hasColour);
    EXPECT_EQ(materials[1].texture, "");
    EXPECT_EQ((std::vector<float>{materials[2].colour[0], materials[2].colour[1], materials[2].colour[2]}),
              (std::vector<float>{0.25f, 0.25f, 0.25f}));
    EXPECT_FALSE(materials[3].hasColour);
}

} // namespace
} // namespace tsm
