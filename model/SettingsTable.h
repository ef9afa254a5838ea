// The one list of every member of Settings: its stored name, the store key it lives under, its type and
// how to reach it. Loading, saving, resetting, the command-line override and the JSON dump all walk it, so
// a setting added here is handled everywhere.
#pragma once

#include "model/Outcome.h"
#include "model/Settings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tsm {

enum class SettingType {
    Bool,
    Int,
    Double,
    String,
    Colour,     // an int holding a COLORREF 0x00BBGGRR
    DashPattern // six doubles in millimetres; entries <= 0 take no part
};

// Which store key holds the setting; None for run-time values and the display values a model file carries.
enum class SettingKey { None, Settings, Options };

struct SettingEntry {
    const char* name;
    SettingKey key;
    SettingType type;
    // Exactly one accessor is set, matching the type (Colour entries use colourIndex, or intMember for a
    // colour that is not in the colour table).
    bool Settings::*boolMember = nullptr;
    int32_t Settings::*intMember = nullptr;
    double Settings::*doubleMember = nullptr;
    std::string Settings::*stringMember = nullptr;
    double (Settings::*dashMember)[6] = nullptr;
    int colourIndex = -1;
    // Read from the store only when rememberLastText is set.
    bool lastTextValue = false;
    // Path settings: the default is the program folder followed by this.
    const char* programDirSuffix = nullptr;
};

// In store order: the "Settings" key, the "Options" key with color_0..color_7 last, then the values that
// are never stored.
const std::vector<SettingEntry>& SettingsTable();
const SettingEntry* FindSetting(const std::string& name);

// One setting's value, whatever its type; only the field of the type is meaningful.
struct SettingValue {
    SettingType type = SettingType::Int;
    bool boolValue = false;
    int32_t intValue = 0;
    double doubleValue = 0;
    std::string stringValue;
    double dash[6] = {0, 0, 0, 0, 0, 0};
};

SettingValue GetSetting(const SettingEntry& entry, const Settings& settings);
void SetSetting(const SettingEntry& entry, Settings& settings, const SettingValue& value);

// The default: the compiled-in value, or for a path the program folder plus its suffix. `programDir` ends
// in '/'.
SettingValue DefaultSetting(const SettingEntry& entry, const std::string& programDir);
// Sets every member of the table to its default.
void ResetSettingsToDefaults(Settings& settings, const std::string& programDir);

// Text in the form ApplySettingOverride accepts, independent of the locale: bools 0/1, ints in decimal,
// colours as 0x00BBGGRR, doubles in the shortest form that reads back exactly, dash patterns comma-separated.
std::string FormatSettingValue(const SettingValue& value);
const char* SettingTypeName(SettingType type); // "bool", "int", "double", "string", "colour", "dash"

// Applies a command-line "--set NAME=VALUE". Bools take 0 or 1, ints and colours decimal (colours also
// 0x hex), doubles use '.' whatever the locale. A failure leaves the settings unchanged and describes the
// problem, naming the setting.
Outcome ApplySettingOverride(Settings& settings, const std::string& name, const std::string& value);

// The display settings a model file carries, in the model file's order, with their current values.
struct NamedSettingValue {
    const char* name;
    SettingValue value;
};
std::vector<NamedSettingValue> ModelDisplaySettingValues(const Settings& settings);

} // namespace tsm
