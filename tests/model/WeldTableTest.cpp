#include "model/WeldTable.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tsm;

// Points share a number where their positions are exactly equal (0 and -0 too, a NaN never), also after
// the table has grown past its reservation.
TEST(WeldTable, PointsAtOnePositionShareTheirNumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    WeldTable table;
    int made = 0;
    const auto fresh = [&made] { return made++; };
    table.Reserve(2);
    EXPECT_EQ(table.Weld({0, 0, 0}, fresh), 0);
    EXPECT_EQ(table.Weld({-0.0, 0, -0.0}, fresh), 0);
    EXPECT_EQ(table.Weld({nan, 0, 0}, fresh), 1);
    EXPECT_EQ(table.Weld({nan, 0, 0}, fresh), 2);
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 300; ++i) EXPECT_EQ(table.Weld({0, double(i), 1}, fresh), 3 + i);
    EXPECT_EQ(made, 303);
}
