// The most recently opened model files, newest first, kept with the window's profile values.
#pragma once

#include "model/SettingsStore.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tsm {

class RecentFileList {
public:
    explicit RecentFileList(size_t capacity = 10);

    // Puts the path first; an entry with the same path moves up instead of appearing twice, and the
    // oldest entry falls off a full list. An empty path is ignored.
    void Add(const std::string& path);
    // Removes one entry (an index past the end changes nothing).
    void Remove(size_t index);
    void Clear() { files_.clear(); }

    const std::vector<std::string>& Files() const { return files_; }
    size_t Capacity() const { return capacity_; }

    // "File1" .. "FileN" string values under the framework's "Recent File List" key; gaps and values of
    // another type are skipped, and at most the capacity is read.
    void Load(const SettingsStore& store);
    // Writes the entries and deletes the values of positions left empty.
    void Save(SettingsStore& store) const;

    // The menu entry: "&1 " and the path with "~" for the home folder, ampersands doubled, and the middle
    // of a long path left out.
    static std::string MenuText(size_t index, const std::string& path, const std::string& homeFolder);

private:
    size_t capacity_;
    std::vector<std::string> files_;
};

std::string RecentFileListKeyPath(); // FrameworkKeyPath() + "Recent File List"

} // namespace tsm
