#include "engine/SheetPacking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace tsm;

namespace {

bool Apart(const PackBox& a, const PackedBox& pa, const PackBox& b, const PackedBox& pb) {
    return pa.sheet != pb.sheet || pa.x + a.w <= pb.x || pb.x + b.w <= pa.x || pa.y + a.h <= pb.y ||
           pb.y + b.h <= pa.y;
}

} // namespace

TEST(PackOnSheets, FillsEarlierSheetsFirstAndKeepsBoxesApart) {
    const struct {
        const char* name;
        std::vector<PackBox> boxes;
        std::vector<PackBlock> blocked;
        std::vector<int> sheets; // each box's sheet; empty when the packing must fail
    } cases[] = {
        {"two halves share a sheet", {{50, 100}, {50, 100}}, {}, {0, 0}},
        {"a third half starts a sheet", {{50, 100}, {50, 100}, {50, 100}}, {}, {0, 0, 1}},
        {"a small box goes back to the first gap", {{70, 100}, {70, 100}, {30, 30}}, {}, {0, 1, 0}},
        {"a blocked corner pushes a sheet-wide box on", {{100, 60}, {100, 60}}, {{0, 0, 10, 10}}, {0, 1}},
        {"exactly the sheet", {{100, 100}, {100, 100}}, {}, {0, 1}},
        {"zero-sized boxes", {{0, 0}, {0, 0}}, {}, {0, 0}},
        {"too wide", {{10, 10}, {101, 10}}, {}, {}},
        {"too wide beside a block", {{100, 95}}, {{40, 0, 60, 10}}, {}},
        {"not a size", {{NAN, 10}}, {}, {}},
        {"negative", {{-1, 10}}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<PackedBox> packed = PackOnSheets(c.boxes, 100, 100, c.blocked, 1e-6);
        ASSERT_EQ(packed.size(), c.sheets.size());
        for (size_t i = 0; i < packed.size(); ++i) {
            EXPECT_EQ(packed[i].sheet, c.sheets[i]) << i;
            EXPECT_GE(packed[i].x, 0);
            EXPECT_GE(packed[i].y, 0);
            EXPECT_LE(packed[i].x + c.boxes[i].w, 100);
            EXPECT_LE(packed[i].y + c.boxes[i].h, 100);
            for (const PackBlock& b : c.blocked)
                EXPECT_TRUE(packed[i].x >= b.x1 || packed[i].x + c.boxes[i].w <= b.x0 ||
                            packed[i].y >= b.y1 || packed[i].y + c.boxes[i].h <= b.y0)
                    << i;
            for (size_t j = 0; j < i; ++j)
                EXPECT_TRUE(Apart(c.boxes[i], packed[i], c.boxes[j], packed[j])) << i << j;
        }
    }
    EXPECT_TRUE(PackOnSheets({{1, 1}}, 0, 100, {}, 0).empty());
}

TEST(PackOnSheets, ManyMixedBoxesTakeLittleMoreThanTheirArea) {
    // Boxes of a few sizes that tile well: the packing wastes less than a sheet's worth.
    std::vector<PackBox> boxes;
    double area = 0;
    for (int i = 0; i < 300; ++i) {
        boxes.push_back({10.0 + i % 4 * 10, 10.0 + i % 3 * 15});
        area += boxes.back().w * boxes.back().h;
    }
    const std::vector<PackedBox> packed = PackOnSheets(boxes, 180, 267, {}, 0);
    ASSERT_EQ(packed.size(), boxes.size());
    int sheets = 0;
    for (const PackedBox& p : packed) sheets = std::max(sheets, p.sheet + 1);
    EXPECT_LE(sheets, std::ceil(area / (180 * 267)) + 1);
    for (size_t i = 0; i < packed.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            ASSERT_TRUE(Apart(boxes[i], packed[i], boxes[j], packed[j])) << i << " " << j;
}
