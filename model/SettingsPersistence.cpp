#include "model/SettingsPersistence.h"

#include "model/SettingsTable.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tsm {

const char* const kSettingsKeyPath = "Software\\quillonsoft\\tessalyvuvoza2en\\Settings";
const char* const kOptionsKeyPath = "Software\\quillonsoft\\tessalyvuvoza2en\\Options";
const char* const kApplicationKeyPath = "Software\\quillonsoft\\tessalyvuvoza2en\\";
const char* const kRegistryCompanyName = "Quillon Software Ltd.";
const char* const kApplicationTitle = "TessalyVuvoza2";

namespace {

// Strings are read into a 260-character buffer that keeps room for the terminating zero.
constexpr size_t kMaxStoredStringChars = 259;

const char* KeyPathOf(SettingKey key) {
    return key == SettingKey::Settings ? kSettingsKeyPath : kOptionsKeyPath;
}

uint64_t LittleEndian(const std::string& bytes) {
    uint64_t bits = 0;
    for (size_t i = bytes.size(); i-- > 0;) bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
    return bits;
}

// Takes the stored value only when it has the variable's exact encoding: a Binary value of the variable's
// size for numbers, a string type for text. Anything else leaves the variable as it is.
void ReadSetting(const SettingsStore& store, const char* keyPath, const SettingEntry& entry,
                 Settings& settings) {
    StoredValue stored;
    if (!store.QueryValue(keyPath, entry.name, &stored)) return;
    SettingValue value = GetSetting(entry, settings);
    switch (entry.type) {
    case SettingType::Bool:
        if (stored.type != StoreValueType::Binary || stored.bytes.size() != 1) return;
        value.boolValue = stored.bytes[0] != 0;
        break;
    case SettingType::Int:
    case SettingType::Colour:
        if (stored.type != StoreValueType::Binary || stored.bytes.size() != 4) return;
        value.intValue = static_cast<int32_t>(static_cast<uint32_t>(LittleEndian(stored.bytes)));
        break;
    case SettingType::Double: {
        if (stored.type != StoreValueType::Binary || stored.bytes.size() != 8) return;
        const uint64_t bits = LittleEndian(stored.bytes);
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        // A NaN or infinite length would poison every computation that uses it.
        if (!std::isfinite(d)) return;
        value.doubleValue = d;
        break;
    }
    case SettingType::String: {
        if (stored.type != StoreValueType::String && stored.type != StoreValueType::ExpandString) return;
        std::string text = stored.bytes.substr(0, stored.bytes.find('\0'));
        if (text.size() > kMaxStoredStringChars) text.resize(kMaxStoredStringChars);
        value.stringValue = std::move(text);
        break;
    }
    case SettingType::DashPattern:
        return; // never stored
    }
    SetSetting(entry, settings, value);
}

StoredValue EncodeSetting(const SettingEntry& entry, const Settings& settings) {
    const SettingValue value = GetSetting(entry, settings);
    switch (entry.type) {
    case SettingType::Bool:
        return BoolValue(value.boolValue);
    case SettingType::Int:
    case SettingType::Colour:
        return Int32Value(value.intValue);
    case SettingType::Double:
        return DoubleValue(value.doubleValue);
    case SettingType::String:
        return StringValue(value.stringValue);
    case SettingType::DashPattern:
        break;
    }
    return {};
}

void WriteKey(SettingsStore& store, SettingKey key, const Settings& settings) {
    for (const SettingEntry& entry : SettingsTable()) {
        if (entry.key == key) store.SetValue(KeyPathOf(key), entry.name, EncodeSetting(entry, settings));
    }
}

// Deletes `parent`\`name`; a subkey that is already absent counts as deleted.
bool DeleteSubkey(SettingsStore& store, const std::string& parent, const char* name, bool wholeTree) {
    const std::string path = parent + (parent.empty() || parent.back() == '\\' ? "" : "\\") + name;
    if (!store.KeyExists(path)) return true;
    if (store.DeleteKey(path)) return true;
    return wholeTree && store.DeleteTree(path);
}

} // namespace

std::string FrameworkKeyPath() {
    return std::string("Software\\") + kRegistryCompanyName + "\\" + kApplicationTitle + "\\";
}

SettingsSession::SettingsSession(std::string storePath) : storePath_(std::move(storePath)) {}

Outcome SettingsSession::ReadStore() {
    return store_.LoadFile(storePath_).outcome();
}

Outcome SettingsSession::WriteStore() const {
    return store_.SaveFile(storePath_);
}

std::string ProgramDirectory() {
    std::vector<char> buffer(PATH_MAX);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<size_t>(n));
            const size_t slash = path.rfind('/');
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

void LoadSettings(SettingsSession& session, Settings& settings, const std::string& programDir) {
    const auto& table = SettingsTable();
    for (const SettingEntry& entry : table) {
        if (entry.programDirSuffix) SetSetting(entry, settings, DefaultSetting(entry, programDir));
    }
    SettingsStore& store = session.store();

    if (!store.CreateKey(kSettingsKeyPath)) return;
    for (const SettingEntry& entry : table) {
        if (entry.key == SettingKey::Settings) ReadSetting(store, kSettingsKeyPath, entry, settings);
    }

    if (!store.CreateKey(kOptionsKeyPath)) return;
    static const int32_t kUserTextureLimits[5] = {64, 128, 256, 512, 1024};
    for (const SettingEntry& entry : table) {
        if (entry.key != SettingKey::Options) continue;
        // rememberLastText precedes the last-text values, so its stored value already counts here.
        if (entry.lastTextValue && !settings.rememberLastText) continue;
        ReadSetting(store, kOptionsKeyPath, entry, settings);
        // The user limit always follows its choice index; an index outside the list keeps the stored
        // limit rather than reading past the list.
        if (entry.intMember == &Settings::maxFlapBaseAngleDegrees) {
            const int32_t id = settings.textureLimitChoice;
            if (id >= 0 && id < 5) settings.textureSizeLimitPixels = kUserTextureLimits[id];
        }
    }
}

Outcome SaveSettings(SettingsSession& session, Settings& settings) {
    settings.firstLaunch = false;
    SettingsStore& store = session.store();
    if (!store.CreateKey(kSettingsKeyPath)) return Outcome::Failed("Cannot create the settings key");
    WriteKey(store, SettingKey::Settings, settings);
    if (!session.resetPending()) {
        if (store.CreateKey(kOptionsKeyPath)) WriteKey(store, SettingKey::Options, settings);
    }
    return session.WriteStore();
}

void ResetConfigurations(SettingsSession& session, IPrompt& prompt) {
    if (!prompt.AskOkCancel("Reset configurations to default?\n(Changes are applied after restart)")) return;
    SettingsStore& store = session.store();
    bool failed = false;
    if (store.KeyExists(kApplicationKeyPath)) {
        failed |= !DeleteSubkey(store, kApplicationKeyPath, "Options", false);
    }
    const std::string framework = FrameworkKeyPath();
    if (store.KeyExists(framework)) {
        failed |= !DeleteSubkey(store, framework, "ControlBars", true);
        failed |= !DeleteSubkey(store, framework, "Window", false);
    }
    // The deletions take effect at once, as they would in a registry, not only at the next save.
    failed |= !session.WriteStore();
    if (failed) prompt.Message("Can not Open Registry");
    session.MarkResetPending();
}

} // namespace tsm
