#include "model/NearbyFiles.h"

#include "model/TextCase.h"

#include <algorithm>

namespace tsm {

namespace fs = std::filesystem;

namespace {
// A model's folder is searched this deep and this far.
constexpr int kSearchDepth = 3;
constexpr int kSearchEntries = 20000;
} // namespace

fs::path NearbyFiles::Find(std::string written) {
    if (!listed_) List();
    std::replace(written.begin(), written.end(), '\\', '/');
    const auto found = byName_.find(AsciiLower(fs::path(written).filename().string()));
    return found == byName_.end() ? fs::path() : found->second.second;
}

void NearbyFiles::List() {
    listed_ = true;
    std::error_code error;
    fs::recursive_directory_iterator it(folder_, fs::directory_options::skip_permission_denied, error), end;
    for (int entries = 0; !error && it != end && ++entries <= kSearchEntries; it.increment(error)) {
        if (it.depth() >= kSearchDepth) it.disable_recursion_pending();
        std::error_code notFile; // a dangling link, say: skipped, the listing goes on
        if (!it->is_regular_file(notFile)) continue;
        auto [found, isNew] =
            byName_.try_emplace(AsciiLower(it->path().filename().string()), it.depth(), it->path());
        if (!isNew && it.depth() < found->second.first) found->second = {it.depth(), it->path()};
    }
}

} // namespace tsm
