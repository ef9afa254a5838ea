// The window side of "&Print...", "Print Pre&view..." and "P&rinter Setup...": the platform's print,
// preview and page setup dialogs around the page printing of sheet/PagePrinter. The printer chosen in any
// of them is kept for the rest of the session.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"

class QPrinter;
class QWidget;

namespace tsm {

// The session's printer, made on first use at the printer's high resolution.
QPrinter& SessionPrinter();

// The print dialog with the page range 1 to the page count, then the job on the chosen printer. False
// when cancelled or nothing was printed.
bool RunPrintCommand(QWidget* parent, Document* document, const Settings& settings, IPrompt& prompt);

// The preview dialog: pages drawn at the preview's own resolution and never reduced by the resolution
// setting or lightened.
bool RunPrintPreviewCommand(QWidget* parent, Document* document, const Settings& settings, IPrompt& prompt);

// The page setup dialog on the session's printer.
void RunPrinterSetupCommand(QWidget* parent);

} // namespace tsm
