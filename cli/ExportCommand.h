// tsmtool export: writes the opened model's development as EPS, DXF, EMF or SVG through the same export
// commands the main window uses, or as bitmaps: one BMP of the whole development or one BMP per sheet, at
// the size the "Output Size (BMP)" dialog would offer or at a given width; or the assembly instructions.
#pragma once

#include "cli/OptionTable.h"
#include "model/Document.h"
#include "model/Prompt.h"
#include "model/Result.h"
#include "sheet/CutFiles.h"
#include "sheet/ExportCommands.h"

#include <optional>
#include <string>
#include <vector>

namespace tsm {

struct ExportRequest {
    ExportFormat format = ExportFormat::Eps;
    bool perSheet = false;     // "sheets": one BMP per printed sheet
    bool cutFiles = false;     // "cut": one print-and-cut file per printed sheet
    bool instructions = false; // "instructions": the assembly instructions as PDF
    bool partNumbers = false;  // svg: each part's number on its largest face
    CutFileOptions cut;
    bool marksGiven = false; // --marks; without, cut files take the stored setting
    std::string outPath;
    bool notFillFaces = false;
    bool notFillFlaps = false;
    // The bitmap's content width as if typed into the size dialog's width field; none keeps the dialog's
    // starting values.
    std::optional<int> widthPixels;
};

// Checks `export FORMAT MODEL OUT` (three operands, counted by the option table) with the fill and width
// options; fails with the usage problem. The model path stays operands[1].
Result<ExportRequest> ParseExportRequest(const CommandLine& line);

// Exports the document's development; 0 when the file was written, 1 when the export was refused or
// failed (the messages went through `prompt`, the reason to stderr).
int RunExport(Document& document, const Settings& settings, const ExportRequest& request, IPrompt& prompt);

} // namespace tsm
