// Finding a file a model names wrongly: model files travel without their folders, naming a texture or a
// library by a path on the machine that wrote them (C:\Users\...\Wood.JPG) or in another case.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>

namespace tsm {

// The files near a model's folder by their names in lower case, each the one nearest the folder (the
// folder itself, then its subfolders, at most 3 deep and 20,000 entries), listed on first use.
class NearbyFiles {
public:
    explicit NearbyFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // The file of the written path's name (either kind of slash), in any case; empty when there is none.
    std::filesystem::path Find(std::string written);

private:
    void List();

    std::filesystem::path folder_;
    bool listed_ = false;
    std::map<std::string, std::pair<int, std::filesystem::path>> byName_; // depth and path
};

} // namespace tsm
