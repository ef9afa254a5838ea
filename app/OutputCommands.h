// The window side of the development's picture outputs: the "Output Size (BMP)" dialog, the three bitmap
// exports, the PDF export through the printing, and the copy to the clipboard as PNG and SVG. The window
// installs them on the command controller; the writers themselves are sheet/'s.
#pragma once

#include "app/CommandController.h"
#include "sheet/BitmapExport.h"
#include "sheet/ExporterEPS.h"

#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QMimeData;
class QWidget;

namespace tsm {

extern const char* const kMessageClipboardFailed; // "Cannot set data to clipboard."
extern const char* const kMessageBmpCreateFailed; // "Failed to create BMP."
extern const char* const kPdfDialogFilter;        // "PDF file(*.pdf)|*.pdf||"

// "Output Size (BMP)": width and height in pixels and the scale in percent, each following the others
// while the user types. OK runs the size checks and stays open when they refuse.
class BmpSizeDialog : public QDialog {
public:
    BmpSizeDialog(QWidget* parent, const BmpSizeState& state, IPrompt& prompt);
    const BmpSizeState& State() const { return state_; }
    void accept() override;

private:
    void Edited(QLineEdit* field);
    void ShowValues(QLineEdit* except);

    BmpSizeState state_;
    IPrompt& prompt_;
    QLineEdit* width_ = nullptr;
    QLineEdit* height_ = nullptr;
    QLineEdit* scale_ = nullptr;
};

// The dialog as a BmpSizeChooser over `parent`.
BmpSizeChooser DialogBmpSizeChooser(QWidget* parent, IPrompt& prompt);

// "EPS Option": "Not fill faces" and "Not fill flaps", shown on `options`; false when cancelled.
using EpsOptionsChooser = std::function<bool(EpsOptions& options)>;
EpsOptionsChooser DialogEpsOptionsChooser(QWidget* parent);

// The clipboard's data for a development: the picture as image/png (and Qt's own image, which the
// platform offers in its other picture types) and the vector drawing as image/svg+xml.
QMimeData* DevelopmentMimeData(const QImage& image, const std::string& svg);

// Renders the whole development at the size `chooser` settles (border 5 pixels, null chooser: the
// starting size) and puts it on the clipboard. Cancelled when the size was cancelled.
Outcome CopyDevelopmentToClipboard(Document& document, const Settings& settings,
                                   const BmpSizeChooser& chooser, IPrompt& prompt);

// The pages as the printer would get them, on the settings' paper without printer margins, into a PDF
// file. A name without extension gets ".pdf"; another extension is refused with "Cannot load file of
// specified type.".
Outcome ExportPdf(Document& document, const Settings& settings, const std::string& chosenPath,
                  IPrompt& prompt);

struct OutputCommandServices {
    DocumentController& document;
    Settings& settings; // the application's
    IPrompt& prompt;
    IFileChooser& chooser;
    IFrameActions& frame;
    BmpSizeChooser bmpSize;       // null: the dialog over `parent`
    EpsOptionsChooser epsOptions; // null: the dialog over `parent`
    QWidget* parent = nullptr;
};

// Installs Copy Development, Copy, the BMP, BMP per sheet, BMP for texture, EPS (with its options dialog)
// and PDF exports.
void InstallOutputCommands(CommandController& controller, OutputCommandServices services);

} // namespace tsm
