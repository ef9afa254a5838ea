#include "model/SmallList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tsm;

namespace {

// Owned numbers that count how many are alive, so that a lost or doubly freed element shows.
struct Tracked {
    static int alive;
    int value;
    explicit Tracked(int v) : value(v) { ++alive; }
    ~Tracked() { --alive; }
};
int Tracked::alive = 0;

using List = SmallList<std::unique_ptr<Tracked>, 3>;

void Fill(List& list, int count, int first = 0) {
    for (int i = 0; i < count; ++i) list.push_back(std::make_unique<Tracked>(first + i));
}

std::string Values(const List& list) {
    std::string text;
    for (const auto& element : list) text += std::to_string(element->value) + " ";
    return text;
}

} // namespace

// Every operation on both sides of the inline capacity: inside, exactly full, and moved to the heap.
TEST(SmallList, KeepsOrderAndOwnershipInsideAndOnTheHeap) {
    for (int count : {0, 1, 3, 4, 9}) {
        SCOPED_TRACE(count);
        {
            List list;
            Fill(list, count);
            std::string expected;
            for (int i = 0; i < count; ++i) expected += std::to_string(i) + " ";
            EXPECT_EQ(Values(list), expected);
            EXPECT_EQ(Tracked::alive, count);
            EXPECT_EQ(list.capacity() > 3, count > 3);

            // Moving leaves the source empty and usable.
            List moved(std::move(list));
            EXPECT_EQ(Values(moved), expected);
            EXPECT_TRUE(list.empty());
            Fill(list, 2, 100);
            EXPECT_EQ(Values(list), "100 101 ");

            // Assigning over a list frees what it held.
            moved = std::move(list);
            EXPECT_EQ(Values(moved), "100 101 ");
            EXPECT_EQ(Tracked::alive, 2);

            // From a vector, as a face's corners are rebuilt after duplicates are dropped.
            std::vector<std::unique_ptr<Tracked>> source;
            for (int i = 0; i < count; ++i) source.push_back(std::make_unique<Tracked>(50 + i));
            moved = std::move(source);
            EXPECT_EQ(int(moved.size()), count);
            EXPECT_EQ(Tracked::alive, count);
        }
        EXPECT_EQ(Tracked::alive, 0);
    }
}

TEST(SmallList, EraseClosesTheGapAndFreesTheErased) {
    const struct {
        int count, from, to;
        std::string left;
    } cases[] = {
        {3, 0, 1, "1 2 "},     {3, 1, 3, "0 "}, {3, 0, 3, ""},
        {7, 2, 5, "0 1 5 6 "}, {7, 0, 6, "6 "}, {5, 2, 2, "0 1 2 3 4 "},
    };
    for (const auto& c : cases) {
        List list;
        Fill(list, c.count);
        const auto* at = list.erase(list.begin() + c.from, list.begin() + c.to);
        EXPECT_EQ(at, list.begin() + c.from);
        EXPECT_EQ(Values(list), c.left) << c.count << " " << c.from << " " << c.to;
        EXPECT_EQ(Tracked::alive, c.count - (c.to - c.from));
        list.clear();
        EXPECT_EQ(Tracked::alive, 0);
    }
}

TEST(SmallList, ReserveKeepsTheElements) {
    List list;
    Fill(list, 2);
    list.reserve(2);
    EXPECT_EQ(list.capacity(), 3u);
    list.reserve(40);
    EXPECT_EQ(list.capacity(), 40u);
    EXPECT_EQ(Values(list), "0 1 ");
    EXPECT_EQ(list.front()->value, 0);
    EXPECT_EQ(list.back()->value, 1);
    list.clear();
    EXPECT_EQ(Tracked::alive, 0);
}
