#include "app/FrameProfile.h"

#include "model/SettingsPersistence.h"

namespace tsm {

namespace {

bool ReadProfileInt(const SettingsStore& store, const std::string& key, const char* name, int32_t* value) {
    StoredValue stored;
    if (!store.QueryValue(key, name, &stored)) return false;
    if (stored.type != StoreValueType::Dword || stored.bytes.size() != 4) return false;
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(stored.bytes[static_cast<size_t>(i)]);
    *value = static_cast<int32_t>(bits);
    return true;
}

int32_t ProfileInt(const SettingsStore& store, const std::string& key, const char* name, int32_t fallback) {
    int32_t value = fallback;
    return ReadProfileInt(store, key, name, &value) ? value : fallback;
}

void WriteProfileInt(SettingsStore& store, const std::string& key, const char* name, int32_t value) {
    store.SetValue(key, name, DwordValue(static_cast<uint32_t>(value)));
}

} // namespace

std::string WindowKeyPath() {
    return FrameworkKeyPath() + "Window";
}

std::string BarStateKeyPath() {
    return FrameworkKeyPath() + "ControlBars\\State";
}

WindowPlacement ReadWindowPlacement(const SettingsStore& store) {
    const std::string key = WindowKeyPath();
    WindowPlacement placement;
    placement.left = ProfileInt(store, key, "left", 0);
    placement.top = ProfileInt(store, key, "top", 0);
    placement.right = ProfileInt(store, key, "right", 0);
    placement.bottom = ProfileInt(store, key, "bottom", 0);
    placement.show = ProfileInt(store, key, "show", 0);
    return placement;
}

void WriteWindowPlacement(SettingsStore& store, const WindowPlacement& placement) {
    const std::string key = WindowKeyPath();
    if (!store.CreateKey(key)) return;
    WriteProfileInt(store, key, "left", placement.left);
    WriteProfileInt(store, key, "top", placement.top);
    WriteProfileInt(store, key, "right", placement.right);
    WriteProfileInt(store, key, "bottom", placement.bottom);
    WriteProfileInt(store, key, "show", placement.show);
}

bool ReadBarState(const SettingsStore& store, BarState* state) {
    const std::string key = BarStateKeyPath();
    if (!store.KeyExists(key)) return false;
    int32_t value = 0;
    if (ReadProfileInt(store, key, "ToolBar", &value)) state->toolbarVisible = value != 0;
    if (ReadProfileInt(store, key, "StatusBar", &value)) state->statusBarVisible = value != 0;
    StoredValue layout;
    if (store.QueryValue(key, "Layout", &layout) && layout.type == StoreValueType::Binary)
        state->layout = layout.bytes;
    return true;
}

void WriteBarState(SettingsStore& store, const BarState& state) {
    const std::string key = BarStateKeyPath();
    if (!store.CreateKey(key)) return;
    WriteProfileInt(store, key, "ToolBar", state.toolbarVisible ? 1 : 0);
    WriteProfileInt(store, key, "StatusBar", state.statusBarVisible ? 1 : 0);
    store.SetValue(key, "Layout", BinaryValue(state.layout));
}

} // namespace tsm
