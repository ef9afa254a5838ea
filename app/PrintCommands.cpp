#include "app/PrintCommands.h"

#include "sheet/OffSheet.h"

#include "model/Settings.h"
#include "sheet/PagePrinter.h"
#include "sheet/Paper.h"

#include <QCoreApplication>
#include <QPageSetupDialog>
#include <QPaintEngine>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace tsm {

namespace {

QPrinter* sessionPrinter = nullptr;

// A printer outliving the application would tear down its print plugin after Qt itself is gone.
void DeleteSessionPrinter() {
    delete sessionPrinter;
    sessionPrinter = nullptr;
}

// While a preview is drawn the printer records pictures instead of printing.
bool IsPreviewing(QPrinter& printer) {
    const QPaintEngine* engine = printer.paintEngine();
    return engine != nullptr && engine->type() == QPaintEngine::Picture;
}

} // namespace

QPrinter& SessionPrinter() {
    if (sessionPrinter == nullptr) {
        sessionPrinter = new QPrinter(QPrinter::HighResolution);
        qAddPostRoutine(DeleteSessionPrinter);
    }
    return *sessionPrinter;
}

bool RunPrintCommand(QWidget* parent, Document* document, const Settings& settings, IPrompt& prompt) {
    if (document == nullptr || document->development == nullptr) return false;
    const Paper paper = Paper::FromSettings(settings);
    const PrintState prepared = PreparePrintJob(*document, settings, paper, false);
    if (prepared.PageCount() == 0) return false;
    if (!ConfirmOffSheet(*document, paper, prompt, "Print anyway")) return false;

    QPrinter& printer = SessionPrinter();
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, prepared.PageCount());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted) return false;

    PrintOptions options;
    if (printer.printRange() == QPrinter::PageRange) {
        options.fromPage = printer.fromPage();
        options.toPage = printer.toPage();
    }
    return PrintDevelopment(printer, *document, settings, paper, prompt, options).ok();
}

bool RunPrintPreviewCommand(QWidget* parent, Document* document, const Settings& settings, IPrompt& prompt) {
    if (document == nullptr || document->development == nullptr) return false;
    // The preview draws at the screen's resolution on the session printer's paper, so that its pages stay
    // small however fine the printer is.
    QPrinter preview(QPrinter::ScreenResolution);
    const QPrinter& session = SessionPrinter();
    if (!session.printerName().isEmpty()) preview.setPrinterName(session.printerName());
    preview.setPageLayout(session.pageLayout());
    QPrintPreviewDialog dialog(&preview, parent);
    const Paper paper = Paper::FromSettings(settings);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* printer) {
        // The dialog's own Print button asks for the pages again on the printer's real engine: that is a
        // print job like any other, at the printer's full resolution.
        PrintOptions options;
        options.preview = IsPreviewing(*printer);
        if (!options.preview) printer->setResolution(SessionPrinter().resolution());
        // The preview shows what there is; a failure was told on the way or leaves the pages empty.
        static_cast<void>(PrintDevelopment(*printer, *document, settings, paper, prompt, options));
    });
    return dialog.exec() == QDialog::Accepted;
}

void RunPrinterSetupCommand(QWidget* parent) {
    QPageSetupDialog dialog(&SessionPrinter(), parent);
    dialog.exec();
}

} // namespace tsm
