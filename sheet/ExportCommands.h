// The export commands without their dialogs: the save dialog's filter and default extension for each
// picture type, the test of the chosen path, and the vector exports with their messages. The main window
// asks for the path (and, for EPS, shows the "EPS Option" dialog) and calls these; tsmtool calls them
// directly.
#pragma once

#include "model/Document.h"
#include "model/Outcome.h"
#include "model/Prompt.h"
#include "model/Result.h"
#include "sheet/ExporterEPS.h"
#include "sheet/SvgExport.h"

#include <optional>
#include <string>

namespace tsm {

enum class ExportFormat { Bmp, Eps, Dxf, Emf, Svg };

extern const char* const kMessageWrongFileType; // "Cannot load file of specified type."
extern const char* const kMessageExportFailed;  // "Failed to export development data."
extern const char* const kMessageNoDevelopment; // "No data for development."

// The save dialog's filter: the type word, "file" and the pattern, e.g. "EPS file(*.eps)|*.eps||".
std::string ExportDialogFilter(ExportFormat format);
// "bmp", "eps", "dxf", "emf" or "svg".
const char* ExportDefaultExtension(ExportFormat format);

// The path the export writes, from the name chosen in the save dialog: a file name without any
// extension gets the default one, as the dialog appends it. BMP, EPS, DXF and SVG then refuse any other
// extension (ignoring case) with "Cannot load file of specified type." and give nothing; a metafile name
// without ".emf" gets it appended instead.
std::optional<std::string> ExportPathFor(ExportFormat format, const std::string& chosenPath, IPrompt& prompt);

struct ExportOptions {
    EpsOptions eps; // the "EPS Option" dialog's choice
    SvgOptions svg;
};

// What the writer of a vector format (EPS, DXF, EMF or SVG) writes. Without a development, "No data for
// development." is shown and the outcome is Cancelled (the window disables the commands then, so only
// tsmtool gets there). BMP needs the raster renderer and fails here.
Result<std::string> DevelopmentExportBytes(ExportFormat format, Document& document, const Settings& settings,
                                           const ExportOptions& options, IPrompt& prompt);

// DevelopmentExportBytes written to `path` as it stands through WriteWholeFile. A write failure shows
// "Failed to export development data." and fails with the reason.
Outcome WriteDevelopmentExport(ExportFormat format, Document& document, const Settings& settings,
                               const std::string& path, const ExportOptions& options, IPrompt& prompt);

// The whole command for a chosen path: refuses without a development, ExportPathFor (a refused name is
// Cancelled: the user was told), then WriteDevelopmentExport.
Outcome ExportDevelopment(ExportFormat format, Document& document, const Settings& settings,
                          const std::string& chosenPath, const ExportOptions& options, IPrompt& prompt);

} // namespace tsm
