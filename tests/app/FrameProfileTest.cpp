#include "app/FrameProfile.h"

#include "model/SettingsPersistence.h"

#include <gtest/gtest.h>

using namespace tsm;

TEST(FrameProfile, PlacementRoundTripAsProfileIntegers) {
    SettingsStore store;
    // Nothing stored: an empty rectangle, which the frame does not apply.
    WindowPlacement none = ReadWindowPlacement(store);
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_EQ(none.show, 0);

    WindowPlacement placement{-8, 20, 1000, 700, kShowMaximized};
    WriteWindowPlacement(store, placement);
    StoredValue value;
    ASSERT_TRUE(store.QueryValue(FrameworkKeyPath() + "Window", "left", &value));
    EXPECT_EQ(value.type, StoreValueType::Dword);
    const WindowPlacement read = ReadWindowPlacement(store);
    // Negative positions (a window partly off the left edge) survive the unsigned encoding.
    EXPECT_EQ(read.left, -8);
    EXPECT_EQ(read.top, 20);
    EXPECT_EQ(read.right, 1000);
    EXPECT_EQ(read.bottom, 700);
    EXPECT_EQ(read.show, kShowMaximized);
    EXPECT_FALSE(read.IsEmpty());

    // A value of another type reads as 0, as a missing one does.
    store.SetValue(WindowKeyPath(), "right", Int32Value(1000));
    EXPECT_EQ(ReadWindowPlacement(store).right, 0);
    // A rectangle without width or height is empty.
    EXPECT_TRUE((WindowPlacement{100, 0, 50, 10, 1}).IsEmpty());
    EXPECT_TRUE((WindowPlacement{0, 10, 50, 10, 1}).IsEmpty());
}

TEST(FrameProfile, BarStateRoundTrip) {
    SettingsStore store;
    BarState state;
    state.toolbarVisible = false;
    EXPECT_FALSE(ReadBarState(store, &state));
    // Nothing stored leaves the state alone.
    EXPECT_FALSE(state.toolbarVisible);

    BarState written;
    written.toolbarVisible = false;
    written.statusBarVisible = true;
    written.layout = std::string("\x00\x01\xff layout", 9);
    WriteBarState(store, written);
    EXPECT_TRUE(store.KeyExists(FrameworkKeyPath() + "ControlBars\\State"));
    BarState read;
    ASSERT_TRUE(ReadBarState(store, &read));
    EXPECT_FALSE(read.toolbarVisible);
    EXPECT_TRUE(read.statusBarVisible);
    // The layout bytes come back exactly, zero bytes included.
    EXPECT_EQ(read.layout, written.layout);
}
