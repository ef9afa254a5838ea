#include "app/RecentFileList.h"

#include "model/SettingsPersistence.h"

#include <algorithm>

namespace tsm {

namespace {

constexpr size_t kMenuPathChars = 60;

std::string ValueName(size_t index) {
    return "File" + std::to_string(index + 1);
}

} // namespace

std::string RecentFileListKeyPath() {
    return FrameworkKeyPath() + "Recent File List";
}

RecentFileList::RecentFileList(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {}

void RecentFileList::Add(const std::string& path) {
    if (path.empty()) return;
    files_.erase(std::remove(files_.begin(), files_.end(), path), files_.end());
    files_.insert(files_.begin(), path);
    if (files_.size() > capacity_) files_.resize(capacity_);
}

void RecentFileList::Remove(size_t index) {
    if (index < files_.size()) files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(index));
}

void RecentFileList::Load(const SettingsStore& store) {
    files_.clear();
    const std::string key = RecentFileListKeyPath();
    for (size_t i = 0; i < capacity_; ++i) {
        StoredValue value;
        if (!store.QueryValue(key, ValueName(i), &value)) continue;
        if (value.type != StoreValueType::String && value.type != StoreValueType::ExpandString) continue;
        std::string path = value.bytes.substr(0, value.bytes.find('\0'));
        if (path.empty() || std::find(files_.begin(), files_.end(), path) != files_.end()) continue;
        files_.push_back(std::move(path));
    }
}

void RecentFileList::Save(SettingsStore& store) const {
    const std::string key = RecentFileListKeyPath();
    if (!store.CreateKey(key)) return;
    for (size_t i = 0; i < capacity_; ++i) {
        if (i < files_.size())
            store.SetValue(key, ValueName(i), StringValue(files_[i]));
        else
            store.DeleteValue(key, ValueName(i));
    }
}

std::string RecentFileList::MenuText(size_t index, const std::string& path, const std::string& homeFolder) {
    std::string shown = path;
    if (!homeFolder.empty() && homeFolder != "/" && shown.size() > homeFolder.size() &&
        shown.compare(0, homeFolder.size(), homeFolder) == 0 && shown[homeFolder.size()] == '/')
        shown = "~" + shown.substr(homeFolder.size());
    if (shown.size() > kMenuPathChars) {
        // Keep the start and the file name, which tell files apart best.
        // Cuts fall between characters, never inside a UTF-8 sequence.
        const auto continuation = [&shown](size_t i) {
            return (static_cast<unsigned char>(shown[i]) & 0xC0) == 0x80;
        };
        size_t head = kMenuPathChars / 3 - 3;
        while (head > 0 && continuation(head)) --head;
        size_t tailStart = shown.size() - kMenuPathChars * 2 / 3;
        while (tailStart < shown.size() && continuation(tailStart)) ++tailStart;
        shown = shown.substr(0, head) + "..." + shown.substr(tailStart);
    }
    std::string escaped;
    for (char c : shown) {
        escaped += c;
        if (c == '&') escaped += '&';
    }
    const std::string number = std::to_string(index + 1);
    // Only the first nine get a mnemonic digit; the tenth is "1&0" as menus usually show it.
    const std::string label = index < 9 ? "&" + number : (index == 9 ? std::string("1&0") : number);
    return label + " " + escaped;
}

} // namespace tsm
