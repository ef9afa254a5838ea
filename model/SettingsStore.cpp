#include "model/SettingsStore.h"

#include "model/AtomicFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <unistd.h>
#include <utility>

namespace tsm {

namespace {

char FoldChar(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string Fold(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) c = FoldChar(c);
    return folded;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// Splits a key path at backslashes, dropping empty segments; false when a segment is not a valid key name.
bool SplitPath(const std::string& path, std::vector<std::string>* segments) {
    segments->clear();
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) {
            std::string segment = path.substr(start, end - start);
            if (segment.size() > SettingsStore::kMaxKeyNameLength) return false;
            for (unsigned char c : segment) {
                if (IsControl(c)) return false;
            }
            segments->push_back(std::move(segment));
            // Deeper trees would also make the recursive copy and destruction overflow the stack.
            if (segments->size() > SettingsStore::kMaxKeyDepth) return false;
        }
        start = end + 1;
    }
    return true;
}

const char kHexDigits[] = "0123456789abcdef";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendHexByte(std::string& out, unsigned char byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 15];
}

// Escapes backslashes and control characters; in value names also '=' (the separator) and a leading
// character that would make the line read as a section header or a comment.
std::string Escape(const std::string& text, bool isName) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool leadingMarker = isName && i == 0 && (c == '[' || c == ';' || c == '#');
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (IsControl(c) || (isName && c == '=') || leadingMarker) {
            out += "\\x";
            AppendHexByte(out, c);
        } else {
            out += char(c);
        }
    }
    return out;
}

bool Unescape(const std::string& text, size_t begin, size_t end, std::string* out) {
    out->clear();
    for (size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (c != '\\') {
            *out += c;
            continue;
        }
        if (++i >= end) return false;
        switch (text[i]) {
        case '\\':
            *out += '\\';
            break;
        case 'n':
            *out += '\n';
            break;
        case 'r':
            *out += '\r';
            break;
        case 't':
            *out += '\t';
            break;
        case 'x': {
            if (i + 2 >= end) return false;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) return false;
            *out += char(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

bool DecodeHex(const std::string& text, size_t begin, size_t end, std::string* out) {
    if ((end - begin) % 2 != 0) return false;
    out->clear();
    out->reserve((end - begin) / 2);
    for (size_t i = begin; i < end; i += 2) {
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) return false;
        *out += char(high * 16 + low);
    }
    return true;
}

bool StartsWith(const std::string& text, size_t at, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return text.size() - at >= n && text.compare(at, n, prefix) == 0;
}

} // namespace

struct SettingsStore::Key {
    struct Entry {
        std::string name;
        uint64_t sequence = 0;
        StoredValue value;
    };
    std::string name;
    uint64_t sequence = 0;
    // Both maps are keyed by the folded name; the sequence numbers give the creation order.
    std::map<std::string, std::unique_ptr<Key>> subkeys;
    std::map<std::string, Entry> values;

    std::unique_ptr<Key> Clone() const {
        auto copy = std::make_unique<Key>();
        copy->name = name;
        copy->sequence = sequence;
        copy->values = values;
        for (const auto& [folded, child] : subkeys) copy->subkeys.emplace(folded, child->Clone());
        return copy;
    }

    std::vector<const Key*> OrderedSubkeys() const {
        std::vector<const Key*> keys;
        keys.reserve(subkeys.size());
        for (const auto& entry : subkeys) keys.push_back(entry.second.get());
        std::sort(keys.begin(), keys.end(),
                  [](const Key* a, const Key* b) { return a->sequence < b->sequence; });
        return keys;
    }

    std::vector<const Entry*> OrderedValues() const {
        std::vector<const Entry*> entries;
        entries.reserve(values.size());
        for (const auto& entry : values) entries.push_back(&entry.second);
        std::sort(entries.begin(), entries.end(),
                  [](const Entry* a, const Entry* b) { return a->sequence < b->sequence; });
        return entries;
    }
};

SettingsStore::SettingsStore() : root_(std::make_unique<Key>()) {}
SettingsStore::~SettingsStore() = default;
SettingsStore::SettingsStore(const SettingsStore& other)
    : root_(other.root_->Clone()), nextSequence_(other.nextSequence_) {}
SettingsStore& SettingsStore::operator=(const SettingsStore& other) {
    if (this != &other) {
        root_ = other.root_->Clone();
        nextSequence_ = other.nextSequence_;
    }
    return *this;
}
SettingsStore::SettingsStore(SettingsStore&&) noexcept = default;
SettingsStore& SettingsStore::operator=(SettingsStore&&) noexcept = default;

SettingsStore::Key* SettingsStore::Find(const std::string& path) const {
    std::vector<std::string> segments;
    if (!SplitPath(path, &segments) || segments.empty()) return nullptr;
    Key* key = root_.get();
    for (const std::string& segment : segments) {
        auto it = key->subkeys.find(Fold(segment));
        if (it == key->subkeys.end()) return nullptr;
        key = it->second.get();
    }
    return key;
}

bool SettingsStore::CreateKey(const std::string& path) {
    std::vector<std::string> segments;
    if (!SplitPath(path, &segments) || segments.empty()) return false;
    Key* key = root_.get();
    for (const std::string& segment : segments) {
        std::unique_ptr<Key>& child = key->subkeys[Fold(segment)];
        if (!child) {
            child = std::make_unique<Key>();
            child->name = segment;
            child->sequence = nextSequence_++;
        }
        key = child.get();
    }
    return true;
}

bool SettingsStore::KeyExists(const std::string& path) const {
    return Find(path) != nullptr;
}

bool SettingsStore::QueryValue(const std::string& key, const std::string& name, StoredValue* value) const {
    const Key* k = Find(key);
    if (!k) return false;
    auto it = k->values.find(Fold(name));
    if (it == k->values.end()) return false;
    if (value) *value = it->second.value;
    return true;
}

bool SettingsStore::SetValue(const std::string& key, const std::string& name, const StoredValue& value) {
    Key* k = Find(key);
    if (!k || name.size() > kMaxValueNameLength) return false;
    if (value.type == StoreValueType::Dword && value.bytes.size() != 4) return false;
    auto [it, inserted] = k->values.try_emplace(Fold(name));
    if (inserted) it->second.sequence = nextSequence_++;
    it->second.name = name;
    it->second.value = value;
    return true;
}

bool SettingsStore::DeleteValue(const std::string& key, const std::string& name) {
    Key* k = Find(key);
    return k && k->values.erase(Fold(name)) > 0;
}

bool SettingsStore::DeleteKey(const std::string& path) {
    Key* k = Find(path);
    if (!k || !k->subkeys.empty()) return false;
    return DeleteTree(path);
}

bool SettingsStore::DeleteTree(const std::string& path) {
    std::vector<std::string> segments;
    if (!SplitPath(path, &segments) || segments.empty()) return false;
    Key* parent = root_.get();
    for (size_t i = 0; i + 1 < segments.size(); ++i) {
        auto it = parent->subkeys.find(Fold(segments[i]));
        if (it == parent->subkeys.end()) return false;
        parent = it->second.get();
    }
    return parent->subkeys.erase(Fold(segments.back())) > 0;
}

std::vector<std::string> SettingsStore::SubkeyNames(const std::string& path) const {
    std::vector<std::string> names;
    if (const Key* k = Find(path)) {
        for (const Key* child : k->OrderedSubkeys()) names.push_back(child->name);
    }
    return names;
}

std::vector<std::string> SettingsStore::ValueNames(const std::string& path) const {
    std::vector<std::string> names;
    if (const Key* k = Find(path)) {
        for (const Key::Entry* entry : k->OrderedValues()) names.push_back(entry->name);
    }
    return names;
}

void SettingsStore::Clear() {
    root_ = std::make_unique<Key>();
    nextSequence_ = 0;
}

std::string SettingsStore::Serialize() const {
    std::string out = "; Tessaly settings\n";
    // Depth first; a key is written as a section when it holds values or has no subkeys (an empty leaf
    // must survive the round trip), the other keys come back through their descendants' paths.
    struct Frame {
        const Key* key;
        std::string path;
    };
    std::vector<Frame> stack;
    const auto top = root_->OrderedSubkeys();
    for (auto it = top.rbegin(); it != top.rend(); ++it) stack.push_back({*it, (*it)->name});
    while (!stack.empty()) {
        Frame frame = std::move(stack.back());
        stack.pop_back();
        const Key* key = frame.key;
        if (!key->values.empty() || key->subkeys.empty()) {
            out += "\n[" + frame.path + "]\n";
            for (const Key::Entry* entry : key->OrderedValues()) {
                out += Escape(entry->name, true);
                const StoredValue& v = entry->value;
                switch (v.type) {
                case StoreValueType::String:
                    out += "=sz:" + Escape(v.bytes, false);
                    break;
                case StoreValueType::ExpandString:
                    out += "=expand_sz:" + Escape(v.bytes, false);
                    break;
                case StoreValueType::Dword:
                    out += "=dword:";
                    for (int i = 3; i >= 0; --i) AppendHexByte(out, static_cast<unsigned char>(v.bytes[i]));
                    break;
                case StoreValueType::Binary:
                    out += "=binary:";
                    for (char c : v.bytes) AppendHexByte(out, static_cast<unsigned char>(c));
                    break;
                }
                out += '\n';
            }
        }
        const auto children = key->OrderedSubkeys();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            stack.push_back({*it, frame.path + "\\" + (*it)->name});
        }
    }
    return out;
}

size_t SettingsStore::Parse(const std::string& text) {
    Clear();
    size_t skipped = 0;
    std::string current; // the key of the last good section header; empty before any
    std::string name, data;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) lineEnd = text.size();
        const size_t next = lineEnd + 1;
        // Our own files never hold a raw carriage return, so one before the newline is a converted file.
        if (lineEnd > lineStart && text[lineEnd - 1] == '\r') --lineEnd;
        const size_t begin = lineStart;
        lineStart = next;
        if (lineEnd == begin || text[begin] == ';' || text[begin] == '#') continue;

        if (text[begin] == '[') {
            current.clear();
            if (text[lineEnd - 1] != ']' || lineEnd - begin < 3) {
                ++skipped;
                continue;
            }
            std::string path = text.substr(begin + 1, lineEnd - begin - 2);
            if (!CreateKey(path)) {
                ++skipped;
                continue;
            }
            current = std::move(path);
            continue;
        }

        // Searched within the line only: a file of lines without '=' must not take quadratic time.
        const size_t equals =
            static_cast<size_t>(std::find(text.begin() + begin, text.begin() + lineEnd, '=') - text.begin());
        if (current.empty() || equals >= lineEnd || !Unescape(text, begin, equals, &name)) {
            ++skipped;
            continue;
        }
        StoredValue value;
        size_t at = equals + 1;
        bool ok = false;
        if (StartsWith(text, at, "binary:")) {
            at += 7;
            value.type = StoreValueType::Binary;
            ok = DecodeHex(text, at, lineEnd, &value.bytes);
        } else if (StartsWith(text, at, "dword:")) {
            at += 6;
            value.type = StoreValueType::Dword;
            ok = lineEnd - at == 8 && DecodeHex(text, at, lineEnd, &data);
            if (ok) value.bytes = {data[3], data[2], data[1], data[0]};
        } else if (StartsWith(text, at, "sz:")) {
            at += 3;
            value.type = StoreValueType::String;
            ok = Unescape(text, at, lineEnd, &value.bytes);
        } else if (StartsWith(text, at, "expand_sz:")) {
            at += 10;
            value.type = StoreValueType::ExpandString;
            ok = Unescape(text, at, lineEnd, &value.bytes);
        }
        if (!ok || !SetValue(current, name, value)) ++skipped;
    }
    return skipped;
}

Result<size_t> SettingsStore::LoadFile(const std::string& path) {
    Clear();
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return size_t(0);
    if (ec || std::filesystem::is_directory(status)) {
        return Outcome::Failed("Cannot read the settings file \"" + path + "\"");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Outcome::Failed("Cannot open the settings file \"" + path + "\"");
    }
    // Read in chunks up to the limit, so that neither a huge file nor a device without a size can make
    // the store allocate without bound.
    std::string text;
    char chunk[65536];
    while (in) {
        in.read(chunk, sizeof chunk);
        text.append(chunk, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) {
            return Outcome::Failed("The settings file \"" + path + "\" is too large");
        }
    }
    if (in.bad()) {
        return Outcome::Failed("Cannot read the settings file \"" + path + "\"");
    }
    return Parse(text);
}

Outcome SettingsStore::SaveFile(const std::string& path) const {
    if (path.empty()) return Outcome::Failed("No settings file location");
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            return Outcome::Failed("Cannot create the folder \"" + folder.string() + "\": " + ec.message());
    }
    return WriteWholeFile(path, Serialize());
}

StoredValue BinaryValue(const std::string& bytes) {
    return {StoreValueType::Binary, bytes};
}

StoredValue BoolValue(bool value) {
    return {StoreValueType::Binary, std::string(1, value ? '\1' : '\0')};
}

StoredValue Int32Value(int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = char((bits >> (8 * i)) & 0xFF);
    return {StoreValueType::Binary, bytes};
}

StoredValue DoubleValue(double value) {
    uint64_t bits = 0;
    static_assert(sizeof bits == sizeof value, "IEEE 754 double expected");
    std::memcpy(&bits, &value, sizeof bits);
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = char((bits >> (8 * i)) & 0xFF);
    return {StoreValueType::Binary, bytes};
}

StoredValue StringValue(const std::string& text) {
    return {StoreValueType::String, text};
}

StoredValue DwordValue(uint32_t value) {
    StoredValue v = Int32Value(static_cast<int32_t>(value));
    v.type = StoreValueType::Dword;
    return v;
}

std::string DefaultSettingsFilePath() {
    const auto env = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value ? std::string(value) : std::string();
    };
    const std::string explicitFile = env("TESSALY_SETTINGS_FILE");
    if (!explicitFile.empty()) return explicitFile;
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    const std::string configHome = env("XDG_CONFIG_HOME");
    if (!configHome.empty() && configHome[0] == '/') return configHome + "/tessaly/settings.reg";
    std::string home = env("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    if (home.empty()) return {};
    return home + "/.config/tessaly/settings.reg";
}

} // namespace tsm
