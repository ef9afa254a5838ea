#include "model/DocumentController.h"
#include "model/TextCase.h"

#include "model/BinaryReader.h"
#include "model/BinaryWriter.h"
#include "model/BuildOrderFile.h"
#include "model/DocumentMerge.h"
#include "model/OpenPipeline.h"

#include <algorithm>
#include <filesystem>

namespace tsm {

namespace {

struct SplitPath {
    std::string folder; // with its trailing separator
    std::string baseName;
    std::string extension; // with its dot
};

SplitPath Split(const std::string& path) {
    SplitPath parts;
    const size_t slash = path.find_last_of('/');
    parts.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        parts.baseName = name;
    } else {
        parts.baseName = name.substr(0, dot);
        parts.extension = name.substr(dot);
    }
    return parts;
}

bool HasModelExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
        return false;
    return AsciiLower(path.substr(dot)) == ".tsm";
}

void SetColourFromColorref(float rgb[3], int32_t colorref) {
    rgb[0] = static_cast<float>(colorref & 0xFF) / 255.0f;
    rgb[1] = static_cast<float>((colorref >> 8) & 0xFF) / 255.0f;
    rgb[2] = static_cast<float>((colorref >> 16) & 0xFF) / 255.0f;
}

// The readers pair symmetric edges with the model size the file states; the open pipeline pairs them again
// once the bounds are recomputed from the vertices, and nothing reads the pairs in between. Skipping the
// readers' pairing saves a whole pass over every edge of a large model.
class DeferredSymmetry : public IModelCompletion {
public:
    explicit DeferredSymmetry(IModelCompletion& inner) : inner_(inner) {}
    void LinkFaceRing(Face& face) override { inner_.LinkFaceRing(face); }
    void ComputeFacePlane(Face& face) override { inner_.ComputeFacePlane(face); }
    void UpdateEdgeGeometry(Edge& edge) override { inner_.UpdateEdgeGeometry(edge); }
    void RebuildVertexIncidence(Solid& solid) override { inner_.RebuildVertexIncidence(solid); }
    void ComputeBounds(Mesh& model) override { inner_.ComputeBounds(model); }
    void FindSymmetricEdges(Mesh&) override {}
    void AutoFlapAnglesAll(Mesh& model) override { inner_.AutoFlapAnglesAll(model); }
    void ComputePartExtent(Part& part) override { inner_.ComputePartExtent(part); }
    void ComputeDevelopmentExtent(Development& development, bool recomputeParts) override {
        inner_.ComputeDevelopmentExtent(development, recomputeParts);
    }
    double ScaleDevelopment(Development& development, double targetScale, bool scaleTexts) override {
        return inner_.ScaleDevelopment(development, targetScale, scaleTexts);
    }
    void ClassifyPartLines(Development& development, Mesh& model, const DisplaySettings& display) override {
        inner_.ClassifyPartLines(development, model, display);
    }
    void ClassifyPartLines(Part& part, const DisplaySettings& display, int& nextEdgeId) override {
        inner_.ClassifyPartLines(part, display, nextEdgeId);
    }

private:
    IModelCompletion& inner_;
};

} // namespace

DocumentController::DocumentController(const Settings& settings, IPrompt& prompt,
                                       IModelCompletion& completion, IDocumentWindow* window)
    : settings_(settings), prompt_(prompt), completion_(completion), window_(window) {}

DocumentController::~DocumentController() = default;

Outcome DocumentController::Told(const std::string& message) {
    prompt_.Message(message);
    return Outcome::Cancelled(message);
}

std::unique_ptr<Document> DocumentController::BlankDocument(const std::string& path) const {
    auto document = std::make_unique<Document>();
    document->path = path;
    // What the file does not carry keeps the values a new document starts with.
    document->display = settings_.display();
    const int32_t firstColour = settings_.colors[0];
    Material& defaultMaterial = document->model->defaultMaterial;
    SetColourFromColorref(defaultMaterial.ambient, firstColour);
    SetColourFromColorref(defaultMaterial.diffuse, firstColour);
    SetColourFromColorref(defaultMaterial.flatColor, firstColour);
    return document;
}

void DocumentController::CompleteOpened(Document& document, FileFormat format) {
    NormaliseNames(document, completion_);
    if (format == FileFormat::Text && document.development)
        completion_.ComputeDevelopmentExtent(*document.development, true);
    document.model->symmetricEdgesPending = true;
    if (document.development) SeparateCorners(*document.model);

    if (!document.development)
        prompt_.Message("No data for development.");
    else
        ReplaceMissingFonts(*document.development, fontFamilies_, prompt_);
}

Outcome DocumentController::OpenRecovered(std::string_view modelBytes, const std::string& originalPath,
                                          const std::string& title, std::string_view buildOrder) {
    std::unique_ptr<Document> document = BlankDocument(originalPath);
    DeferredSymmetry readerCompletion(completion_);
    // The path names the file in the reader's messages; the bytes are the copy's.
    Outcome read = BinaryReader(originalPath.empty() ? title : originalPath, *document, ImportKind::Open,
                                prompt_, readerCompletion, settings_)
                       .LoadFromBytes(modelBytes);
    if (!read.ok()) return read.failed() ? read : Outcome::Failed(read.reason());
    lastFormat_ = FileFormat::Binary;
    CompleteOpened(*document, lastFormat_);
    if (document->development && !buildOrder.empty() &&
        !ApplyBuildOrderText(*document->development, buildOrder).ok())
        prompt_.Message(kBuildOrderIgnoredText);
    current_ = std::move(document);
    current_->modified = true;
    savePath_ = originalPath;
    suggestedSavePath_.clear();
    title_ = title;
    if (window_) {
        window_->SetTitle(title_);
        window_->RefreshDocumentPanels();
        window_->UpdateAllViews(UpdateHint::NewModel);
    }
    return Outcome::Ok();
}

Outcome DocumentController::OpenModelFile(const std::string& givenPath) {
    namespace fs = std::filesystem;
    lastFormat_ = FileFormat::None;
    std::error_code error;
    if (givenPath.empty() || !fs::is_regular_file(givenPath, error)) return Told("File does not exist.");
    // The title, the last folder and the recent-file list need the full path.
    fs::path absolute = fs::absolute(givenPath, error);
    const std::string path = error ? givenPath : absolute.lexically_normal().string();

    std::unique_ptr<Document> document = BlankDocument(path);

    const SplitPath parts = Split(path);
    if (!EqualsAsciiLower(parts.extension, ".tsm")) return Told("Cannot load file of specified type.");

    DeferredSymmetry readerCompletion(completion_);
    lastFormat_ = ModelFileFormat(path);
    Outcome read =
        ReadModelFile(path, lastFormat_, *document, ImportKind::Open, prompt_, readerCompletion, settings_);
    if (read.failed()) return Outcome::Failed(LoadFailureMessage(path, read.reason()));
    if (!read.ok()) return read;

    CompleteOpened(*document, lastFormat_);
    if (document->development && !LoadBuildOrderBeside(path, *document->development).ok())
        prompt_.Message(kBuildOrderIgnoredText);
    current_ = std::move(document);

    const std::string& base = parts.baseName;
    savePath_.clear();
    suggestedSavePath_.clear();
    if (EndsWithAsciiLower(base, ".tmp")) {
        title_ = "No Title";
    } else {
        title_ = base;
        savePath_ = path;
        if (window_) window_->AddRecentFile(path);
    }
    if (window_) window_->SetTitle(title_);

    current_->modified = false;
    if (window_) {
        window_->RefreshDocumentPanels();
        window_->UpdateAllViews(UpdateHint::NewModel);
    }
    return Outcome::Ok();
}

Outcome DocumentController::ImportModelFile(const std::string& path) {
    if (!current_) return Outcome::Cancelled("there is no model to import into");
    auto imported = std::make_unique<Document>();
    imported->path = path;
    if (!HasModelExtension(path)) return Told("Cannot load file of specified type.");
    imported->display = current_->display;
    lastFormat_ = ModelFileFormat(path);
    Outcome read =
        ReadModelFile(path, lastFormat_, *imported, ImportKind::Import, prompt_, completion_, settings_);
    if (read.failed()) return Outcome::Failed(LoadFailureMessage(path, read.reason()));
    if (!read.ok()) return read;
    if (!current_->development != !imported->development)
        return Told("Cannot inport the file. One contains development and the other does not.");
    if (imported->development) ReplaceMissingFonts(*imported->development, fontFamilies_, prompt_);
    // A text model file's display values take effect when it is imported too; a binary file's are not read.
    if (lastFormat_ == FileFormat::Text) current_->display = imported->display;

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
    return Outcome::Ok();
}

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

std::string DocumentController::SuggestedSavePath() const {
    if (!savePath_.empty()) return savePath_;
    if (!suggestedSavePath_.empty()) return suggestedSavePath_;
    const std::string& folder = settings_.lastModelFolder;
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
