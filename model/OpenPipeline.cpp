#include "model/OpenPipeline.h"

#include "model/BinaryReader.h"
#include "model/Settings.h"
#include "model/TextReader.h"

#include <cstdio>
#include <set>

namespace tsm {

const char* const kDefaultFontName = "MS Sans Serif";

namespace {

constexpr size_t kMaxHeaderLine = 511;

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

} // namespace

FileFormat ModelFileFormat(const std::string& path) {
    std::string line;
    if (!ReadFirstLine(path, line)) return FileFormat::None;
    return line.compare(0, 9, "version 3") == 0 ? FileFormat::Binary : FileFormat::Text;
}

Outcome ReadModelFile(const std::string& path, FileFormat format, Document& document, ImportKind kind,
                      IPrompt& prompt, IModelCompletion& completion, const Settings& settings) {
    if (format == FileFormat::Binary)
        return BinaryReader(path, document, kind, prompt, completion, settings).Load();
    if (format == FileFormat::Text)
        return TextReader(path, document, kind, prompt, completion, settings).Load();
    return Outcome::Failed("the file cannot be read or is empty");
}

void NormaliseNames(Document& document, IModelCompletion& completion) {
    Mesh& model = *document.model;
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

void SeparateCorners(Mesh& model, const Solid* only) {
    double lengthSum = 0;
    size_t edgeCount = 0;
    for (auto& solid : model.solids) {
        if (!solid->inDevelopment) continue;
        for (auto& edge : solid->edges) lengthSum += edge->length;
        edgeCount += solid->edges.size();
    }
    const double meanLength = edgeCount ? lengthSum / static_cast<double>(edgeCount) : 0.0;

    std::vector<HalfEdge*> fan;
    for (auto& solid : model.solids) {
        if (only && solid.get() != only) continue;
        // A solid at a time, so that its corners are still in the cache when they are moved apart.
        for (auto& face : solid->faces)
            for (auto& h : face->halfEdges) h->displayPos = h->vertex->position;
        if (!solid->inDevelopment) continue;
        size_t cornerCount = 0;
        for (auto& face : solid->faces) cornerCount += face->halfEdges.size();
        for (auto& face : solid->faces) {
            for (auto& corner : face->halfEdges) {
                HalfEdge* c = corner.get();
                const HalfEdge* previous = PreviousCorner(*c);
                if (!previous || previous->Joined()) continue;
                // The corners around c's vertex reached across folded edges. The walk is bounded by the
                // solid's corner count so that inconsistent links cannot make it circle for ever.
                fan.assign(1, c);
                for (HalfEdge* k = c; k->Joined() && k->Joined()->next && fan.size() <= cornerCount;) {
                    k = k->Joined()->next;
                    if (k == c) break;
                    fan.push_back(k);
                }
                Vec3 direction = previous->vertex->position - c->displayPos;
                for (HalfEdge* k : fan) direction = direction + (k->next->vertex->position - c->displayPos);
                const double length = Length(direction);
                if (length < 1e-5) continue;
                const Vec3 offset = direction / length * (0.1 * meanLength);
                for (HalfEdge* k : fan) k->displayPos = k->displayPos + offset;
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

} // namespace tsm
