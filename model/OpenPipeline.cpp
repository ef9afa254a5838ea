#include "model/OpenPipeline.h"

#include "model/BinaryReader.h"
#include "model/Settings.h"
#include "model/TextReader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

namespace tsm {

const char* const kDefaultFontName = "MS Sans Serif";

namespace {

constexpr size_t kMaxHeaderLine = 511;

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

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Reads the first line (up to and including the first line feed, at most 511 bytes); false when the file
// cannot be opened or holds no byte.
bool ReadFirstLine(const std::string& path, std::string& line) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    line.clear();
    int c;
    while (line.size() < kMaxHeaderLine && (c = std::fgetc(file)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    std::fclose(file);
    return !line.empty();
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
    void LinkFaceRing(CFace& face) override { inner_.LinkFaceRing(face); }
    void ComputeFacePlane(CFace& face) override { inner_.ComputeFacePlane(face); }
    void UpdateEdgeGeometry(CEdge& edge) override { inner_.UpdateEdgeGeometry(edge); }
    void RebuildVertexIncidence(CSolid& solid) override { inner_.RebuildVertexIncidence(solid); }
    void ComputeBounds(CMeshModel& model) override { inner_.ComputeBounds(model); }
    void FindSymmetricEdges(CMeshModel&) override {}
    void AutoFlapAnglesAll(CMeshModel& model) override { inner_.AutoFlapAnglesAll(model); }
    void ComputePartExtent(CPart& part) override { inner_.ComputePartExtent(part); }
    void ComputeDevelopmentExtent(Development& development, bool recomputeParts) override {
        inner_.ComputeDevelopmentExtent(development, recomputeParts);
    }
    double ScaleDevelopment(Development& development, double targetScale, bool scaleTexts) override {
        return inner_.ScaleDevelopment(development, targetScale, scaleTexts);
    }
    void ClassifyPartLines(Development& development, CMeshModel& model,
                           const DisplaySettings& display) override {
        inner_.ClassifyPartLines(development, model, display);
    }

private:
    IModelCompletion& inner_;
};

} // namespace

DispatchResult DispatchReader(const std::string& path, Document& document, int importFlag, IPrompt& prompt,
                              IModelCompletion& completion, const Settings& settings) {
    DispatchResult outcome;
    std::string line;
    if (!ReadFirstLine(path, line)) {
        outcome.failureReason = "the file cannot be read or is empty";
        return outcome;
    }
    if (line.compare(0, 9, "version 3") == 0) {
        outcome.format = 3;
        BinaryReader reader(path, document, importFlag, prompt, completion, settings);
        outcome.result = reader.Load();
        outcome.failureReason = reader.FailureReason();
    } else {
        outcome.format = 2;
        TextReader reader(path, document, importFlag, prompt, completion, settings);
        outcome.result = reader.Load();
        outcome.failureReason = reader.FailureReason();
    }
    return outcome;
}

void NormaliseNames(Document& document, IModelCompletion& completion) {
    CMeshModel& model = *document.model;
    completion.ComputeBounds(model);

    std::set<std::string> taken;
    int unnamed = 1;
    for (auto& solid : model.solids) {
        std::string base = solid->name;
        if (base.empty()) base = "Object-" + std::to_string(unnamed++);
        std::string candidate = base;
        for (int n = 2; taken.count(candidate); ++n) candidate = base + "-" + std::to_string(n);
        solid->name = candidate;
        taken.insert(candidate);
    }

    int unnamedMaterial = 1;
    for (auto& material : model.materials)
        if (material->name.empty()) material->name = "Pattern-" + std::to_string(unnamedMaterial++);
}

void SeparateCorners(CMeshModel& model, const CSolid* only) {
    double lengthSum = 0;
    size_t edgeCount = 0;
    for (auto& solid : model.solids) {
        if (!solid->inDevelopment) continue;
        for (auto& edge : solid->edges) lengthSum += edge->length;
        edgeCount += solid->edges.size();
    }
    const double meanLength = edgeCount ? lengthSum / static_cast<double>(edgeCount) : 0.0;

    for (auto& solid : model.solids)
        if (!only || solid.get() == only)
            for (auto& face : solid->faces)
                for (auto& h : face->halfEdges) h->displayPos = h->vertex->position;

    std::vector<CHalfEdge*> fan;
    for (auto& solid : model.solids) {
        if (!solid->inDevelopment || (only && solid.get() != only)) continue;
        size_t cornerCount = 0;
        for (auto& face : solid->faces) cornerCount += face->halfEdges.size();
        for (auto& face : solid->faces) {
            for (auto& corner : face->halfEdges) {
                CHalfEdge* c = corner.get();
                if (!c->prev || !c->next || c->prev->joined) continue;
                // The corners around c's vertex reached across folded edges. The walk is bounded by the
                // solid's corner count so that inconsistent links cannot make it circle for ever.
                fan.assign(1, c);
                for (CHalfEdge* k = c; k->joined && k->joined->next && fan.size() <= cornerCount;) {
                    k = k->joined->next;
                    if (k == c) break;
                    fan.push_back(k);
                }
                Vec3 direction = c->prev->vertex->position - c->displayPos;
                for (CHalfEdge* k : fan) direction = direction + (k->next->vertex->position - c->displayPos);
                const double length = Length(direction);
                if (length < 1e-5) continue;
                const Vec3 offset = direction / length * (0.1 * meanLength);
                for (CHalfEdge* k : fan) k->displayPos = k->displayPos + offset;
            }
        }
    }
}

void ReplaceMissingFonts(Development& development, const std::vector<std::string>& installedFamilies,
                         IPrompt& prompt) {
    const std::set<std::string> installed(installedFamilies.begin(), installedFamilies.end());
    bool replaced = false;
    for (auto& text : development.texts) {
        // The default font is what a missing one becomes, so it never counts as missing itself.
        if (text->fontName == kDefaultFontName || installed.count(text->fontName)) continue;
        text->fontName = kDefaultFontName;
        replaced = true;
    }
    if (replaced)
        prompt.Message("Some fonts specified in the file do not exist in the system.\nThese fonts will be "
                       "replaced with the default font.");
}

std::string LoadFailureMessage(const std::string& path, const std::string& reason) {
    return "Cannot read the model file \"" + path + "\":\n" +
           (reason.empty() ? std::string("the file cannot be read") : reason) + ".";
}

DocumentController::DocumentController(const Settings& settings, IPrompt& prompt,
                                       IModelCompletion& completion, IDocumentWindow* window)
    : settings_(settings), prompt_(prompt), completion_(completion), window_(window) {}

DocumentController::~DocumentController() = default;

bool DocumentController::OpenModelFile(const std::string& givenPath) {
    namespace fs = std::filesystem;
    lastResult_ = -1;
    lastFormat_ = 0;
    std::error_code error;
    if (givenPath.empty() || !fs::is_regular_file(givenPath, error)) {
        prompt_.Message("File does not exist.");
        return false;
    }
    // The title, the last folder and the recent-file list need the full path.
    fs::path absolute = fs::absolute(givenPath, error);
    const std::string path = error ? givenPath : absolute.lexically_normal().string();

    auto document = std::make_unique<Document>();
    document->path = path;
    // What the file does not carry keeps the values a new document starts with.
    document->display = settings_.display();
    const int32_t firstColour = settings_.colors[0];
    CMaterial& defaultMaterial = document->model->defaultMaterial;
    SetColourFromColorref(defaultMaterial.ambient, firstColour);
    SetColourFromColorref(defaultMaterial.diffuse, firstColour);
    SetColourFromColorref(defaultMaterial.flatColor, firstColour);

    const SplitPath parts = Split(path);
    if (!EqualsIgnoringCase(parts.extension, ".tsm")) {
        prompt_.Message("Cannot load file of specified type.");
        return false;
    }

    DeferredSymmetry readerCompletion(completion_);
    const DispatchResult outcome = DispatchReader(path, *document, 0, prompt_, readerCompletion, settings_);
    lastResult_ = outcome.result;
    lastFormat_ = outcome.format;
    if (outcome.result != kLoadOk) {
        if (outcome.result != kLoadVersionRefused)
            prompt_.Message(LoadFailureMessage(path, outcome.failureReason), PromptIcon::Error);
        return false;
    }

    NormaliseNames(*document, completion_);
    if (outcome.format == 2 && document->development)
        completion_.ComputeDevelopmentExtent(*document->development, true);
    completion_.FindSymmetricEdges(*document->model);
    if (document->development) SeparateCorners(*document->model);

    if (!document->development)
        prompt_.Message("No data for development.");
    else
        ReplaceMissingFonts(*document->development, fontFamilies_, prompt_);

    current_ = std::move(document);

    const std::string& base = parts.baseName;
    savePath_.clear();
    suggestedSavePath_.clear();
    if (base.size() >= 4 && EqualsIgnoringCase(base.substr(base.size() - 4), ".tmp")) {
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
    return true;
}

} // namespace tsm
