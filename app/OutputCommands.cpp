#include "app/OutputCommands.h"
#include "app/PrintAndCutDialog.h"
#include "guide/AssemblyInstructions.h"

#include "model/AtomicFile.h"
#include "model/DocumentSettings.h"
#include "sheet/ExportCommands.h"
#include "sheet/PagePrinter.h"
#include "sheet/Paper.h"
#include "sheet/SvgExport.h"

#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMarginsF>
#include <QMimeData>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QVBoxLayout>

#include <memory>

namespace tsm {

const char* const kMessageClipboardFailed = "Cannot set data to clipboard.";
const char* const kMessageBmpCreateFailed = "Failed to create BMP.";
const char* const kPdfDialogFilter = "PDF file(*.pdf)|*.pdf||";

namespace {

// Fine enough that lines and texts print sharp; the bitmap part of a page follows the print settings.
constexpr int kPdfDpi = 600;
constexpr int kFieldCharacters = 5;

std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    return dot == std::string::npos || dot < start ? std::string() : path.substr(dot);
}

bool IsPdfExtension(const std::string& extension) {
    return QString::fromStdString(extension).compare(QStringLiteral(".pdf"), Qt::CaseInsensitive) == 0;
}

QLineEdit* NumberField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setMaxLength(kFieldCharacters);
    return field;
}

} // namespace

BmpSizeDialog::BmpSizeDialog(QWidget* parent, const BmpSizeState& state, IPrompt& prompt)
    : QDialog(parent), state_(state), prompt_(prompt) {
    setWindowTitle(QStringLiteral("Output Size (BMP)"));
    width_ = NumberField(this);
    width_->setObjectName(QStringLiteral("Width"));
    height_ = NumberField(this);
    height_->setObjectName(QStringLiteral("Height"));
    scale_ = NumberField(this);
    scale_->setObjectName(QStringLiteral("Scale"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Width"), this), 0, 0);
    grid->addWidget(width_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("pix"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Height"), this), 1, 0);
    grid->addWidget(height_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("pix"), this), 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Scale"), this), 2, 0);
    grid->addWidget(scale_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("%"), this), 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("(72pix/inch)"), this), 3, 1, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &BmpSizeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &BmpSizeDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    ShowValues(nullptr);
    for (QLineEdit* field : {width_, height_, scale_})
        connect(field, &QLineEdit::textEdited, this, [this, field] { Edited(field); });
}

void BmpSizeDialog::ShowValues(QLineEdit* except) {
    if (except != width_) width_->setText(QString::number(state_.width));
    if (except != height_) height_->setText(QString::number(state_.height));
    if (except != scale_) scale_->setText(QString::number(state_.scalePercent));
}

void BmpSizeDialog::Edited(QLineEdit* field) {
    bool ok = false;
    if (field == scale_) {
        const double value = field->text().toDouble(&ok);
        if (ok) EditBmpScale(state_, value);
    } else {
        const int value = field->text().toInt(&ok);
        if (ok && field == width_) EditBmpWidth(state_, value);
        if (ok && field == height_) EditBmpHeight(state_, value);
    }
    // What cannot be read changes nothing; the field keeps what the user typed.
    if (ok) ShowValues(field);
}

void BmpSizeDialog::accept() {
    // The fields as typed are what OK checks, even when the typing left the others unchanged.
    bool wide = false, high = false;
    const int width = width_->text().toInt(&wide);
    const int height = height_->text().toInt(&high);
    BmpSizeState checked = state_;
    checked.width = wide ? width : 0;
    checked.height = high ? height : 0;
    if (!AcceptBmpSize(checked, prompt_)) return;
    state_ = checked;
    QDialog::accept();
}

BmpSizeChooser DialogBmpSizeChooser(QWidget* parent, IPrompt& prompt) {
    return [parent, &prompt](BmpSizeState& state) {
        BmpSizeDialog dialog(parent, state, prompt);
        if (dialog.exec() != QDialog::Accepted) return false;
        state = dialog.State();
        return true;
    };
}

EpsOptionsChooser DialogEpsOptionsChooser(QWidget* parent) {
    return [parent](EpsOptions& options) {
        QDialog dialog(parent);
        dialog.setWindowTitle(QStringLiteral("EPS Option"));
        auto* faces = new QCheckBox(QStringLiteral("Not fill faces"), &dialog);
        auto* flaps = new QCheckBox(QStringLiteral("Not fill flaps"), &dialog);
        faces->setChecked(options.notFillFaces);
        flaps->setChecked(options.notFillFlaps);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(faces);
        layout->addWidget(flaps);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted) return false;
        options.notFillFaces = faces->isChecked();
        options.notFillFlaps = flaps->isChecked();
        return true;
    };
}

QMimeData* DevelopmentMimeData(const QImage& image, const std::string& svg) {
    auto* data = new QMimeData;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    data->setData(QStringLiteral("image/png"), png);
    data->setImageData(image);
    data->setData(QStringLiteral("image/svg+xml"),
                  QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    return data;
}

Outcome CopyDevelopmentToClipboard(Document& document, const Settings& settings,
                                   const BmpSizeChooser& chooser, IPrompt& prompt) {
    if (document.development == nullptr) {
        prompt.Message(kMessageNoDevelopment);
        return Outcome::Cancelled("the model has no development");
    }
    BmpSizeState size = WholeBmpSize(document, kBmpMaximumPixels, kWholeBmpBorderPixels);
    if (chooser && !chooser(size)) return Outcome::Cancelled();
    QImage image;
    const Outcome rendered = RenderWholeImage(document, settings, size.OutputWidth(), size.OutputHeight(),
                                              size.borderX, prompt, image);
    if (!rendered.ok()) {
        prompt.Message(kMessageBmpCreateFailed);
        return rendered;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        prompt.Message(kMessageClipboardFailed);
        return Outcome::Failed("there is no clipboard");
    }
    clipboard->setMimeData(DevelopmentMimeData(image, RenderSvg(document, settings, SvgOptions{})));
    return Outcome::Ok();
}

Outcome ExportPdf(Document& document, const Settings& settings, const std::string& chosenPath,
                  IPrompt& prompt) {
    if (document.development == nullptr) {
        prompt.Message(kMessageNoDevelopment);
        return Outcome::Cancelled("the model has no development");
    }
    const std::string extension = ExtensionOf(chosenPath);
    if (!extension.empty() && !IsPdfExtension(extension)) {
        prompt.Message(kMessageWrongFileType);
        return Outcome::Cancelled("the file name does not end in .pdf");
    }
    const std::string path = extension.empty() ? chosenPath + ".pdf" : chosenPath;

    const Paper paper = Paper::FromSettings(settings);
    const double widthMM = paper.PaperWidth(), heightMM = paper.PaperHeight();
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        // Landscape paper is the portrait size turned, as a printer driver describes it.
        const bool turned = widthMM > heightMM;
        const QSizeF portrait = turned ? QSizeF(heightMM, widthMM) : QSizeF(widthMM, heightMM);
        pdf.setPageLayout(QPageLayout(
            QPageSize(portrait, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
            turned ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter));
        pdf.setResolution(kPdfDpi);
        pdf.setCreator(QStringLiteral("Tessaly Designer"));
        const Result<PrintedJob> printed =
            PrintDevelopment(pdf, document, settings, paper, prompt, PrintOptions{});
        if (!printed.ok()) return Outcome::Failed("nothing was printed: " + printed.reason());
    }
    Outcome written =
        WriteWholeFile(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (!written.ok()) prompt.Message(kMessageExportFailed);
    return written;
}

// The commands tell the user of every failure themselves; their outcomes only matter to tests and tsmtool.
void InstallOutputCommands(CommandController& controller, OutputCommandServices services) {
    auto s = std::make_shared<OutputCommandServices>(std::move(services));
    if (!s->bmpSize) s->bmpSize = DialogBmpSizeChooser(s->parent, s->prompt);
    if (!s->epsOptions) s->epsOptions = DialogEpsOptionsChooser(s->parent);
    // Each command works on the current document with the settings the views show.
    auto run = [s](auto command) {
        return [s, command] {
            Document* document = s->document.Current();
            if (document == nullptr) return;
            command(*document, DocumentSettings(s->settings, document));
        };
    };
    auto chosenPath = [s](const std::string& filter, const char* extension) {
        return s->chooser.ChooseSaveFile(filter, extension);
    };

    controller.SetExternalHandler(
        CommandId::CopyDevelopment, run([s](Document& document, const Settings& settings) {
            (void)CopyDevelopmentToClipboard(document, settings, s->bmpSize, s->prompt);
        }));
    // The key copies at the starting size, without the dialog.
    controller.SetExternalHandler(CommandId::EditCopy, run([s](Document& document, const Settings& settings) {
                                      (void)CopyDevelopmentToClipboard(document, settings, {}, s->prompt);
                                  }));
    controller.SetExternalHandler(
        CommandId::ExportBitmap, run([s, chosenPath](Document& document, const Settings& settings) {
            const auto path = chosenPath(ExportDialogFilter(ExportFormat::Bmp), "bmp");
            if (path) (void)ExportWholeBmp(document, settings, *path, s->bmpSize, s->prompt);
        }));
    controller.SetExternalHandler(
        CommandId::ExportSheetBitmaps, run([s, chosenPath](Document& document, const Settings& settings) {
            const auto path = chosenPath(ExportDialogFilter(ExportFormat::Bmp), "bmp");
            if (path) (void)ExportSheetBmps(document, settings, *path, s->bmpSize, s->prompt);
        }));
    controller.SetExternalHandler(
        CommandId::ExportTextureBitmap, run([s, chosenPath](Document& document, const Settings& settings) {
            if (!ConfirmTextureReset(s->prompt)) return;
            const auto path = chosenPath(ExportDialogFilter(ExportFormat::Bmp), "bmp");
            if (!path || !ExportTextureBmp(document, settings, *path, s->bmpSize, s->prompt).ok()) return;
            // The model's materials and texture coordinates were replaced: the edits before are not undone
            // over them.
            document.history.Clear();
            s->frame.RefreshDocumentPanels();
            s->frame.UpdateAllViews(UpdateHint::Redraw);
        }));
    // The name is checked before the options are asked; the options are kept in the application's
    // settings for the next export.
    ExportOptions& kept = controller.exportOptions();
    controller.SetExternalHandler(
        CommandId::ExportEps, run([s, chosenPath, &kept](Document& document, const Settings& settings) {
            const auto chosen = chosenPath(ExportDialogFilter(ExportFormat::Eps), "eps");
            if (!chosen) return;
            if (document.development == nullptr) {
                s->prompt.Message(kMessageNoDevelopment);
                return;
            }
            const std::optional<std::string> path = ExportPathFor(ExportFormat::Eps, *chosen, s->prompt);
            if (!path) return;
            ExportOptions options = kept;
            options.eps = s->settings.epsOptions;
            if (!s->epsOptions(options.eps)) return;
            s->settings.epsOptions = options.eps;
            (void)WriteDevelopmentExport(ExportFormat::Eps, document, settings, *path, options, s->prompt);
        }));
    InstallPrintAndCut(controller, *s);
    controller.SetExternalHandler(CommandId::ExportPdf,
                                  run([s, chosenPath](Document& document, const Settings& settings) {
                                      const auto path = chosenPath(kPdfDialogFilter, "pdf");
                                      if (path) (void)ExportPdf(document, settings, *path, s->prompt);
                                  }));
    controller.SetExternalHandler(
        CommandId::ExportInstructions, run([s, chosenPath](Document& document, const Settings& settings) {
            const auto path = chosenPath(kPdfDialogFilter, "pdf");
            if (path) (void)ExportAssemblyInstructions(document, settings, *path, s->prompt);
        }));
}

} // namespace tsm
