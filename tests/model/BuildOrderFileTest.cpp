// The assembly order beside a model file: written and read back, removed when the order is derived, and
// refused, changing nothing, when damaged or left behind by another development.
#include "model/BuildOrderFile.h"

#include "tests/support/SmallDevelopment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

using namespace tsm;
namespace fs = std::filesystem;

using test::SmallDevelopment;

TEST(BuildOrderFile, TextReadsBackAndDamageChangesNothing) {
    const std::string written = BuildOrderText(SmallDevelopment({2, 3, 1}).development);
    EXPECT_EQ(written, "tessaly build order 1\nparts 3\n2 3 3\n0 2 0\n1 1 2\n");
    EXPECT_EQ(BuildOrderText(SmallDevelopment().development), "") << "a derived order writes no file";
    const struct {
        const char* what;
        std::string text;
        std::vector<int> steps; // {0, 0, 0}: refused
    } cases[] = {
        {"as written", written, {2, 3, 1}},
        {"CRLF and a blank line at the end",
         "tessaly build order 1\r\nparts 3\r\n1 1 2\r\n2 3 3\r\n0 2 0\r\n\r\n",
         {3, 1, 2}},
        {"empty", "", {0, 0, 0}},
        {"another version", "tessaly build order 2\nparts 3\n2 3 3\n0 2 0\n1 1 2\n", {0, 0, 0}},
        {"fewer parts", "tessaly build order 1\nparts 2\n2 3 3\n0 2 0\n", {0, 0, 0}},
        {"a part twice", "tessaly build order 1\nparts 3\n2 3 3\n2 3 3\n1 1 2\n", {0, 0, 0}},
        {"no such part", "tessaly build order 1\nparts 3\n2 3 3\n0 2 0\n7 1 2\n", {0, 0, 0}},
        {"other faces: stale", "tessaly build order 1\nparts 3\n2 3 3\n0 2 1\n1 1 2\n", {0, 0, 0}},
        {"cut short", "tessaly build order 1\nparts 3\n2 3 3\n0 2 0\n1 1", {0, 0, 0}},
        {"more after the end", written + "0 2 0\n", {0, 0, 0}},
        {"a sign", "tessaly build order 1\nparts +3\n", {0, 0, 0}},
        {"huge count", "tessaly build order 1\nparts 99999999999999999999\n", {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SmallDevelopment small;
        const Outcome applied = ApplyBuildOrderText(small.development, c.text);
        EXPECT_EQ(applied.ok(), c.steps != std::vector<int>(3, 0)) << c.what;
        EXPECT_EQ(small.Steps(), c.steps) << c.what;
    }
}

TEST(BuildOrderFile, SavedBesideTheModelAndRemovedWhenDerived) {
    const fs::path folder = fs::temp_directory_path() / ("order-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string model = (folder / "m.tsm").string();
    std::ofstream(model) << "model";
    const SmallDevelopment ordered({3, 1, 2}), derived;
    ASSERT_TRUE(SaveBuildOrderBeside(model, &ordered.development).ok());
    SmallDevelopment read;
    ASSERT_TRUE(LoadBuildOrderBeside(model, read.development).ok());
    EXPECT_EQ(read.Steps(), (std::vector<int>{3, 1, 2}));
    ASSERT_TRUE(SaveBuildOrderBeside(model, &derived.development).ok());
    EXPECT_FALSE(fs::exists(BuildOrderPath(model)));
    EXPECT_TRUE(SaveBuildOrderBeside(model, &derived.development).ok()) << "nothing to remove";
    EXPECT_TRUE(LoadBuildOrderBeside(model, read.development).ok()) << "no file: nothing to read";
    EXPECT_TRUE(SaveBuildOrderBeside("/dev/null", &ordered.development).ok());
    EXPECT_FALSE(fs::exists("/dev/null.order"));
    fs::remove_all(folder);
}
