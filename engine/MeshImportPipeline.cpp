#include "engine/MeshImportPipeline.h"

#include "engine/EngineCompletion.h"
#include "model/DocumentSettings.h"
#include "model/Settings.h"
#include "model/TextureImage.h"

#include <cstdio>
#include <filesystem>

namespace tsm {

const char* const kJoinIsolatedEdgesQuestion = "Join Adjacent Isolated Edges?";

namespace {

void SetColourFromColorref(float rgb[3], int32_t colorref) {
    rgb[0] = static_cast<float>(colorref & 0xFF) / 255.0f;
    rgb[1] = static_cast<float>((colorref >> 8) & 0xFF) / 255.0f;
    rgb[2] = static_cast<float>((colorref >> 16) & 0xFF) / 255.0f;
}

std::string BaseName(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

} // namespace

Result<ImportedMesh> ImportMeshDocument(const std::string& path, const Settings& settings, IPrompt& prompt) {
    const auto told = [&prompt](const std::string& message, PromptIcon icon) {
        prompt.Message(message, icon);
        return Outcome::Cancelled(message);
    };
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error))
        return told("File does not exist.", PromptIcon::None);

    auto document = std::make_unique<Document>();
    document->display = settings.display();
    // Like a model file, the new model is drawn in the first configured colour until it has materials.
    const int32_t firstColour = settings.colors[0];
    Material& defaultMaterial = document->model->defaultMaterial;
    SetColourFromColorref(defaultMaterial.ambient, firstColour);
    SetColourFromColorref(defaultMaterial.diffuse, firstColour);
    SetColourFromColorref(defaultMaterial.flatColor, firstColour);

    EngineCompletion completion;
    const Result<MeshReadCounts> read = ReadMeshFile(path, *document, &completion);
    if (!read.ok()) return told("The mesh cannot be imported.\n" + read.reason(), PromptIcon::Error);
    ImportedMesh outcome;
    outcome.read = *read;
    for (const std::string& warning : outcome.read.warnings) prompt.Message(warning, PromptIcon::Warning);
    // Imported textures come at full size, as embedded ones do: the bitmap keeps it, the texture keeps
    // within the limit.
    for (auto& material : document->model->materials)
        LimitTextureKeepingWholeImage(*material, TextureSizeLimit(settings));
    if (outcome.read.skippedFaces > 0) {
        char text[160];
        std::snprintf(text, sizeof text, "%d face(s) with fewer than three distinct corners were skipped.",
                      outcome.read.skippedFaces);
        prompt.Message(text, PromptIcon::Information);
    }

    outcome.removed = NormaliseModel(*document, prompt);
    if (document->model->solids.empty())
        return told("The mesh cannot be imported.\nNo face of " +
                        std::filesystem::path(path).filename().string() +
                        " is left after data normalization.",
                    PromptIcon::Error);
    if (prompt.AskYesNo(kJoinIsolatedEdgesQuestion))
        outcome.mergedEdges = JoinAdjacentIsolatedEdges(*document->model, prompt);
    ComputeBounds(*document->model);
    document->model->symmetricEdgesPending = true;
    NormaliseNames(*document, completion);
    document->modified = true;
    outcome.document = std::move(document);
    return outcome;
}

Outcome ImportMeshFile(DocumentController& doc, const std::string& path, IPrompt& prompt) {
    // The new model keeps the display values of the one it replaces, as the window showed them.
    const Settings settings = DocumentSettings(doc.settings(), doc.Current());
    Result<ImportedMesh> imported = ImportMeshDocument(path, settings, prompt);
    if (!imported.ok()) return std::move(imported).outcome();
    std::filesystem::path suggested(path);
    suggested.replace_extension(".tsm");
    doc.AdoptNewDocument(std::move(imported->document), BaseName(path), suggested.string());
    return Outcome::Ok();
}

} // namespace tsm
