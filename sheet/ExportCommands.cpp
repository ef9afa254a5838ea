#include "sheet/ExportCommands.h"

#include "sheet/EmfWriter.h"
#include "sheet/ExporterDXF.h"

#include <cerrno>
#include <cstring>

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

bool Fail(IPrompt& prompt, std::string* detail, const std::string& reason) {
    if (detail != nullptr) *detail = reason;
    prompt.Message(kMessageExportFailed);
    return false;
}

std::string CannotCreate(const std::string& path, int error) {
    return "cannot create " + path + ": " + std::strerror(error);
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

bool WriteDevelopmentExport(ExportFormat format, PMdoc& document, const Settings& settings,
                            const std::string& path, const ExportOptions& options, IPrompt& prompt,
                            std::string* detail) {
    if (document.development == nullptr) {
        if (detail != nullptr) *detail = "the model has no development";
        prompt.Message(kMessageNoDevelopment);
        return false;
    }
    std::string error;
    switch (format) {
    case ExportFormat::Eps: {
        KeptEpsOptions() = options.eps;
        errno = 0;
        if (ExporterEPS(settings, options.eps).Export(path, *document.development) != kExportOk)
            return Fail(prompt, detail, CannotCreate(path, errno));
        return true;
    }
    case ExportFormat::Dxf:
        errno = 0;
        if (ExporterDXF(settings).Export(path, *document.development) != kExportOk)
            return Fail(prompt, detail, CannotCreate(path, errno));
        return true;
    case ExportFormat::Emf:
        if (!ExportEmf(document, settings, path, &error)) return Fail(prompt, detail, error);
        return true;
    case ExportFormat::Svg:
        if (!ExportSvg(document, settings, path, options.svg, &error)) return Fail(prompt, detail, error);
        return true;
    case ExportFormat::Bmp:
        break;
    }
    if (detail != nullptr) *detail = "BMP files are written by the raster renderer";
    return false;
}

bool ExportDevelopment(ExportFormat format, PMdoc& document, const Settings& settings,
                       const std::string& chosenPath, const ExportOptions& options, IPrompt& prompt,
                       std::string* detail) {
    if (document.development == nullptr) {
        if (detail != nullptr) *detail = "the model has no development";
        prompt.Message(kMessageNoDevelopment);
        return false;
    }
    const std::optional<std::string> path = ExportPathFor(format, chosenPath, prompt);
    if (!path) {
        if (detail != nullptr)
            *detail = "the file name does not end in ." + std::string(ExportDefaultExtension(format));
        return false;
    }
    return WriteDevelopmentExport(format, document, settings, *path, options, prompt, detail);
}

} // namespace tsm
