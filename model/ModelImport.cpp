// Merging a second model file into the open document.
#include "model/OpenPipeline.h"

#include "model/Settings.h"

#include <algorithm>
#include <cctype>

namespace tsm {

namespace {

bool HasModelExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
        return false;
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".tsm";
}

template <typename T>
void MoveAll(std::vector<std::unique_ptr<T>>& from, std::vector<std::unique_ptr<T>>& to) {
    for (auto& item : from) to.push_back(std::move(item));
    from.clear();
}

void Offset(double rect[4], double dx, double dy) {
    rect[0] += dx;
    rect[1] += dy;
}

} // namespace

void MergeDocuments(Document& current, Document& imported, IModelCompletion& completion) {
    CMeshModel& model = *current.model;
    const int materialShift = static_cast<int>(model.materials.size());
    for (auto& solid : imported.model->solids) {
        solid->model = &model;
        for (auto& face : solid->faces)
            if (face->materialIndex != -1) face->materialIndex += materialShift;
    }
    MoveAll(imported.model->solids, model.solids);
    MoveAll(imported.model->materials, model.materials);

    if (current.development && imported.development) {
        Development& target = *current.development;
        Development& source = *imported.development;
        current.display.dDefaultFlapHeightMM *= completion.ScaleDevelopment(source, target.scale, true);
        const double right = target.frame[0] + target.frame[2];
        const double bottom = target.frame[1] + target.frame[3];
        // Beside the current development when that keeps the whole squarer, else below it.
        const double dx = right <= bottom ? right : 0.0;
        const double dy = right <= bottom ? 0.0 : bottom;
        for (auto& part : source.parts) {
            part->x += dx;
            part->y += dy;
            part->development = &target;
        }
        for (auto& text : source.texts) Offset(text->rect, dx, dy);
        for (auto& picture : source.imagesA) Offset(picture->rect, dx, dy);
        for (auto& picture : source.imagesB) Offset(picture->rect, dx, dy);
        MoveAll(source.imageMaterials, target.imageMaterials);
        MoveAll(source.parts, target.parts);
        MoveAll(source.texts, target.texts);
        MoveAll(source.imagesA, target.imagesA);
        MoveAll(source.imagesB, target.imagesB);
    }
}

bool DocumentController::ImportModelFile(const std::string& path) {
    if (!current_) return false;
    auto imported = std::make_unique<Document>();
    imported->path = path;
    if (!HasModelExtension(path)) {
        prompt_.Message("Cannot load file of specified type.");
        return false;
    }
    imported->display = current_->display;
    const DispatchResult outcome = DispatchReader(path, *imported, 1, prompt_, completion_, settings_);
    lastResult_ = outcome.result;
    lastFormat_ = outcome.format;
    if (outcome.result != kLoadOk) {
        if (outcome.result != kLoadVersionRefused)
            prompt_.Message(LoadFailureMessage(path, outcome.failureReason), PromptIcon::Error);
        return false;
    }
    if (!current_->development != !imported->development) {
        prompt_.Message("Cannot inport the file. One contains development and the other does not.");
        return false;
    }
    if (imported->development) ReplaceMissingFonts(*imported->development, fontFamilies_, prompt_);
    // A text model file's display values take effect when it is imported too; a binary file's are not read.
    if (outcome.format == 2) current_->display = imported->display;

    MergeDocuments(*current_, *imported, completion_);
    // The undo copies name solids and parts by position, and the merge renamed and rescaled them.
    current_->history.Clear();
    if (current_->development) SeparateCorners(*current_->model);
    // Names of the two files may clash, and the object list tells solids apart by name alone.
    NormaliseNames(*current_, completion_);
    completion_.FindSymmetricEdges(*current_->model);
    if (window_) window_->RefreshDocumentPanels();
    if (current_->development)
        completion_.ClassifyPartLines(*current_->development, *current_->model, current_->display);
    if (window_) window_->UpdateAllViews(UpdateHint::NewModel);
    current_->modified = true;
    return true;
}

} // namespace tsm
