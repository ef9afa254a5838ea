#include "sheet/ExportCommands.h"

#include "model/AtomicFile.h"
#include "sheet/EmfWriter.h"
#include "sheet/ExporterDXF.h"

namespace tsm {

const char* const kMessageWrongFileType = "Cannot load file of specified type.";
const char* const kMessageExportFailed = "Failed to export development data.";
const char* const kMessageNoDevelopment = "No data for development.";

namespace {

// The string table's entry between the type word and the pattern.
const char* const kFileWord = "file";

struct FileType {
    const char* typeWord;
    const char* pattern;
    const char* extension;
    bool refusesOtherExtensions; // the writer's own check of the chosen name
};

const FileType& TypeOf(ExportFormat format) {
    static const FileType kBmp{"BMP ", "(*.bmp)|*.bmp||", "bmp", true};
    static const FileType kEps{"EPS ", "(*.eps)|*.eps||", "eps", true};
    static const FileType kDxf{"DXF ", "(*.dxf)|*.dxf||", "dxf", true};
    static const FileType kEmf{"EMF ", "(*.emf)|*.emf||", "emf", false};
    static const FileType kSvg{"SVG ", "(*.svg)|*.svg||", "svg", true};
    switch (format) {
    case ExportFormat::Bmp:
        return kBmp;
    case ExportFormat::Eps:
        return kEps;
    case ExportFormat::Dxf:
        return kDxf;
    case ExportFormat::Emf:
        return kEmf;
    case ExportFormat::Svg:
        break;
    }
    return kSvg;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        const unsigned char lx = (x >= 'A' && x <= 'Z') ? x - 'A' + 'a' : x;
        const unsigned char ly = (y >= 'A' && y <= 'Z') ? y - 'A' + 'a' : y;
        if (lx != ly) return false;
    }
    return true;
}

// The extension of the path's last component with its dot ("" when the name has none); a name that
// only starts with a dot (".eps") is all extension, as the path splitter of the original platform sees it.
std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) return {};
    return path.substr(dot);
}

Outcome RefuseWithoutDevelopment(IPrompt& prompt) {
    prompt.Message(kMessageNoDevelopment);
    return Outcome::Cancelled("the model has no development");
}

} // namespace

std::string ExportDialogFilter(ExportFormat format) {
    const FileType& type = TypeOf(format);
    return std::string(type.typeWord) + kFileWord + type.pattern;
}

const char* ExportDefaultExtension(ExportFormat format) {
    return TypeOf(format).extension;
}

std::optional<std::string> ExportPathFor(ExportFormat format, const std::string& chosenPath,
                                         IPrompt& prompt) {
    const FileType& type = TypeOf(format);
    const std::string wanted = std::string(".") + type.extension;
    const std::string extension = ExtensionOf(chosenPath);
    if (extension.empty()) return chosenPath + wanted;
    if (EqualIgnoringCase(extension, wanted)) return chosenPath;
    if (!type.refusesOtherExtensions) return chosenPath + wanted;
    prompt.Message(kMessageWrongFileType);
    return std::nullopt;
}

Result<std::string> DevelopmentExportBytes(ExportFormat format, Document& document, const Settings& settings,
                                           const ExportOptions& options, IPrompt& prompt) {
    if (document.development == nullptr) return RefuseWithoutDevelopment(prompt);
    switch (format) {
    case ExportFormat::Eps:
        return ExporterEPS(settings, options.eps).BuildText(*document.development);
    case ExportFormat::Dxf:
        return ExporterDXF(settings).BuildText(*document.development);
    case ExportFormat::Emf:
        return RenderEmf(*document.development, settings);
    case ExportFormat::Svg:
        return RenderSvg(document, settings, options.svg);
    case ExportFormat::Bmp:
        break;
    }
    return Outcome::Failed("BMP files are written by the raster renderer");
}

Outcome WriteDevelopmentExport(ExportFormat format, Document& document, const Settings& settings,
                               const std::string& path, const ExportOptions& options, IPrompt& prompt) {
    const Result<std::string> bytes = DevelopmentExportBytes(format, document, settings, options, prompt);
    if (!bytes.ok()) return bytes.outcome();
    Outcome written = WriteWholeFile(path, *bytes);
    if (!written.ok()) prompt.Message(kMessageExportFailed);
    return written;
}

Outcome ExportDevelopment(ExportFormat format, Document& document, const Settings& settings,
                          const std::string& chosenPath, const ExportOptions& options, IPrompt& prompt) {
    if (document.development == nullptr) return RefuseWithoutDevelopment(prompt);
    const std::optional<std::string> path = ExportPathFor(format, chosenPath, prompt);
    if (!path)
        return Outcome::Cancelled("the file name does not end in ." +
                                  std::string(ExportDefaultExtension(format)));
    return WriteDevelopmentExport(format, document, settings, *path, options, prompt);
}

} // namespace tsm
