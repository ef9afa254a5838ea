// The window's own profile values under the framework key: the frame's placement ("Window") and the
// state of its toolbar and status bar ("ControlBars\State").
#pragma once

#include "model/SettingsStore.h"

#include <cstdint>
#include <string>

namespace tsm {

// Show states as the placement stores them.
constexpr int32_t kShowNormal = 1;
constexpr int32_t kShowMinimized = 2;
constexpr int32_t kShowMaximized = 3;

// The frame's normal rectangle in screen pixels (right and bottom exclusive) and its show state.
struct WindowPlacement {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t show = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
};

std::string WindowKeyPath();   // FrameworkKeyPath() + "Window"
std::string BarStateKeyPath(); // FrameworkKeyPath() + "ControlBars\State"

// Profile integers are 4-byte DWORD values; a missing value or one of another type reads as 0.
WindowPlacement ReadWindowPlacement(const SettingsStore& store);
void WriteWindowPlacement(SettingsStore& store, const WindowPlacement& placement);

struct BarState {
    bool toolbarVisible = true;
    bool statusBarVisible = true;
    std::string layout; // the toolbar's docking position as the window toolkit saves it
};
// False, leaving `state` as it is, when no bar state has been stored.
bool ReadBarState(const SettingsStore& store, BarState* state);
void WriteBarState(SettingsStore& store, const BarState& state);

} // namespace tsm
