// tsmtool export: writes the opened model's development as EPS, DXF, EMF or SVG through the same export
// commands the main window uses.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"
#include "sheet/ExportCommands.h"

#include <string>
#include <vector>

namespace tsm {

struct ExportRequest {
    ExportFormat format = ExportFormat::Eps;
    std::string outPath;
    bool notFillFaces = false;
    bool notFillFlaps = false;
};

// Checks `export FORMAT MODEL OUT` (operands after the command word) and the fill options; returns a
// usage problem, empty on success. Fills `request` (the model path stays operands[1]).
std::string ParseExportRequest(const std::vector<std::string>& operands, bool notFillFaces, bool notFillFlaps,
                               ExportRequest& request);

// Exports the document's development; 0 when the file was written, 1 when the export was refused or
// failed (the messages went through `prompt`, the reason to stderr).
int RunExport(PMdoc& document, const ExportRequest& request, IPrompt& prompt);

} // namespace tsm
