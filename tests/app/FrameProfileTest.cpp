#include "app/FrameProfile.h"

#include "model/SettingsPersistence.h"

#include <gtest/gtest.h>

#include <array>

using namespace tsm;

TEST(FrameProfile, PlacementRoundTripAsProfileIntegers) {
    SettingsStore store;
    // Nothing stored: an empty rectangle, which the frame does not apply.
    EXPECT_TRUE(ReadWindowPlacement(store).IsEmpty());
    // Negative positions (a window partly off the left edge) survive the unsigned encoding.
    WriteWindowPlacement(store, WindowPlacement{-8, 20, 1000, 700, kShowMaximized});
    StoredValue value;
    ASSERT_TRUE(store.QueryValue(FrameworkKeyPath() + "Window", "left", &value));
    EXPECT_EQ(value.type, StoreValueType::Dword);
    const WindowPlacement read = ReadWindowPlacement(store);
    EXPECT_EQ((std::array<int, 5>{read.left, read.top, read.right, read.bottom, read.show}),
              (std::array<int, 5>{-8, 20, 1000, 700, kShowMaximized}));
    EXPECT_FALSE(read.IsEmpty());
    // A value of another type reads as 0, as a missing one does.
    store.SetValue(WindowKeyPath(), "right", Int32Value(1000));
    EXPECT_EQ(ReadWindowPlacement(store).right, 0);
    EXPECT_TRUE((WindowPlacement{100, 0, 50, 10, 1}).IsEmpty());
    EXPECT_TRUE((WindowPlacement{0, 10, 50, 10, 1}).IsEmpty());
}
