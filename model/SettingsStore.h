// A small hierarchical key/value store with registry semantics, kept in one text file.
//
// Keys form a tree addressed by backslash-separated paths ("Software\quillonsoft\tessalyvuvoza2en\Options");
// key and value names compare case-insensitively (ASCII) and keep the case they were created with. Values
// are typed byte strings. The file is line based and readable:
//
//   ; comment
//   [Software\quillonsoft\tessalyvuvoza2en\Options]
//   drawModelOnOpen=binary:01
//   gridSizeMM=binary:05000000
//   lastTextFontName=sz:Sans\nSerif
//   Path=expand_sz:$HOME/x
//   Flags=dword:00000001
//
// Reading a damaged file never fails as a whole: lines that do not parse are skipped and counted.
#pragma once

#include "model/Outcome.h"
#include "model/Result.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tsm {

// The numbers are the registry's type codes, so that a value's type reads the same in both worlds.
enum class StoreValueType : uint32_t { String = 1, ExpandString = 2, Binary = 3, Dword = 4 };

struct StoredValue {
    StoreValueType type = StoreValueType::Binary;
    // Binary: the bytes. Dword: 4 bytes, little-endian. String and ExpandString: the text without a
    // terminating zero (a zero byte inside the text is kept).
    std::string bytes;
};

class SettingsStore {
public:
    // Limits that keep a damaged or hostile file from growing the store without bound; the first three are
    // the registry's own.
    static constexpr size_t kMaxKeyNameLength = 255;
    static constexpr size_t kMaxValueNameLength = 16383;
    static constexpr size_t kMaxKeyDepth = 512;
    static constexpr size_t kMaxFileBytes = 16u * 1024 * 1024;

    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore& other);
    SettingsStore& operator=(const SettingsStore& other);
    SettingsStore(SettingsStore&&) noexcept;
    SettingsStore& operator=(SettingsStore&&) noexcept;

    // Creates the key and every missing key above it; true when the key exists afterwards. Fails for an
    // empty path, for names with control characters or longer than kMaxKeyNameLength and for paths deeper
    // than kMaxKeyDepth. Empty path segments ("a\\b", a trailing backslash) are ignored.
    bool CreateKey(const std::string& path);
    bool KeyExists(const std::string& path) const;

    // False when the key or the value does not exist.
    bool QueryValue(const std::string& key, const std::string& name, StoredValue* value) const;
    // The key must exist (as with an open registry key). Fails for a value name longer than
    // kMaxValueNameLength and for a Dword value whose size is not 4.
    bool SetValue(const std::string& key, const std::string& name, const StoredValue& value);
    bool DeleteValue(const std::string& key, const std::string& name);

    // Deletes one key; fails when it does not exist or still has subkeys (values go with it).
    bool DeleteKey(const std::string& path);
    // Deletes a key with everything below it; fails when it does not exist.
    bool DeleteTree(const std::string& path);

    // Names in creation order; empty for a missing key.
    std::vector<std::string> SubkeyNames(const std::string& path) const;
    std::vector<std::string> ValueNames(const std::string& path) const;

    void Clear();

    // The file text; Parse replaces the contents and returns the number of lines it skipped.
    std::string Serialize() const;
    size_t Parse(const std::string& text);

    // A missing file gives an empty store; an unreadable one fails with a reason. Lines that do not parse
    // are skipped; the value is their number.
    Result<size_t> LoadFile(const std::string& path);
    // Writes through WriteWholeFile, creating the folder when needed. The previous file stays on failure.
    Outcome SaveFile(const std::string& path) const;

private:
    struct Key;
    Key* Find(const std::string& path) const;
    std::unique_ptr<Key> root_;
    uint64_t nextSequence_ = 0;
};

// Value helpers with the registry's encodings: a 1-byte boolean, a 4-byte little-endian integer and an
// 8-byte little-endian IEEE double, all as Binary values.
StoredValue BinaryValue(const std::string& bytes);
StoredValue BoolValue(bool value);
StoredValue Int32Value(int32_t value);
StoredValue DoubleValue(double value);
StoredValue StringValue(const std::string& text);
StoredValue DwordValue(uint32_t value);

// Where the settings live: $TESSALY_SETTINGS_FILE when set, else $XDG_CONFIG_HOME/tessaly/settings.reg,
// else ~/.config/tessaly/settings.reg. Empty when no home folder can be found.
std::string DefaultSettingsFilePath();

} // namespace tsm
