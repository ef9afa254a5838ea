// tsmtool print: prints the opened model's development into a PDF file through the same page printing the
// viewer's Print command uses, with the PDF standing in for a printer of the given paper and margins. The
// paper and printable checks ask their questions as in the viewer; --yes and --no answer them.
#pragma once

#include "cli/OptionTable.h"
#include "model/Document.h"
#include "model/Prompt.h"
#include "model/Result.h"
#include "sheet/PrintJob.h"

#include <optional>
#include <string>
#include <vector>

namespace tsm {

struct PrintRequest {
    std::string pdfPath;
    // The printer's paper as --printer-paper gives it; empty: the model's own paper.
    std::string paper;
    double marginMM = 0.0; // the printer's unprintable border on every side
    int dpi = kDefaultPrintDpi;
    std::optional<MarksKind> marks; // --marks; without, the stored setting
    bool partNumbers = false;       // --part-numbers
};

// "A4", "A3", "A2", "A1", "B5" .. "B1" (the Japanese B series as the model's paper has it), "Letter" and
// "Legal" in any case, turned like the model's paper when `landscape`; or "WxH" in millimetres exactly as
// given. False for anything else or for sizes not above 0 or above 10 metres.
bool ParsePrinterPaper(const std::string& text, bool landscape, double& widthMM, double& heightMM);

// Checks `print MODEL` (one operand, counted by the option table) with --pdf OUT.pdf (required),
// --printer-paper, --printer-margins MM (0 up to less than half the paper's smaller side, checked when
// printing) and --dpi N (72 to 2400); fails with the usage problem. A paper name is turned when printing,
// once the model's orientation is known.
Result<PrintRequest> ParsePrintRequest(const CommandLine& line);

// Prints the document; 0 when the PDF was written, 1 when printing failed or there was nothing to print
// (messages through `prompt`, the reason to stderr).
int RunPrint(Document& document, const Settings& settings, const PrintRequest& request, IPrompt& prompt);

} // namespace tsm
