// Keeping the current document: Save and Save As write it as a binary model file.
#include "model/BinaryWriter.h"
#include "model/OpenPipeline.h"

#include <filesystem>

namespace tsm {

std::string DocumentController::SuggestedSavePath() const {
    if (!savePath_.empty()) return savePath_;
    if (!suggestedSavePath_.empty()) return suggestedSavePath_;
    const std::string& folder = settings_.sLastDataOpenedDir;
    return (folder.empty() ? std::filesystem::path("Untitled.tsm")
                           : std::filesystem::path(folder) / "Untitled.tsm")
        .string();
}

Outcome DocumentController::SaveAs(const std::string& givenPath) {
    if (!current_) return Outcome::Failed("there is no model to save");
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(givenPath, error);
    const std::string path = error ? givenPath : absolute.lexically_normal().string();
    Outcome outcome = WriteBinaryModel(*current_, current_->display, path, SaveOptionsFor(*current_));
    if (!outcome.ok()) return outcome;
    current_->path = path;
    current_->modified = false;
    savePath_ = path;
    suggestedSavePath_.clear();
    title_ = std::filesystem::path(path).stem().string();
    if (window_) {
        window_->AddRecentFile(path);
        window_->SetTitle(title_);
    }
    return outcome;
}

} // namespace tsm
