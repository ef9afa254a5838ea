// Making a document that no model file gave (an imported mesh) the current one.
#include "model/OpenPipeline.h"

namespace tsm {

void DocumentController::AdoptNewDocument(std::unique_ptr<Document> document, const std::string& title,
                                          const std::string& suggestedSavePath) {
    if (!document) return;
    current_ = std::move(document);
    savePath_.clear();
    suggestedSavePath_ = suggestedSavePath;
    current_->modified = true;
    title_ = title;
    if (window_) {
        window_->SetTitle(title_);
        window_->RefreshDocumentPanels();
        window_->UpdateAllViews(UpdateHint::NewModel);
    }
}

} // namespace tsm
