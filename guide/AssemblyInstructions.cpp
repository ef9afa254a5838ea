#include "guide/AssemblyInstructions.h"

#include "sheet/ExportCommands.h"
#include "sheet/StreamedFileDevice.h"
#include "view3d/AssemblyStep.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/ModelViewLogic.h"

#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace tsm {

namespace {

constexpr int kDotsPerInch = 300;
constexpr double kMarginMM = 15;
constexpr double kTitleMM = 12;   // the page's heading
constexpr double kCaptionMM = 16; // the three lines above each picture
constexpr int kColumns = 2;
constexpr int kPicturePixelsPerMM = 8; // about 200 pixels per inch on paper

double Dots(double mm) {
    return mm * kDotsPerInch / 25.4;
}

QFont FontOf(double sizeMM, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(static_cast<int>(Dots(sizeMM)));
    font.setBold(bold);
    return font;
}

std::string NumberList(const std::vector<int>& numbers) {
    std::string out;
    for (int number : numbers) out += (out.empty() ? "" : ", ") + std::to_string(number);
    return out;
}

} // namespace

StepCaption CaptionOf(const std::vector<BuildStep>& order, const std::vector<int>& numbers, size_t step) {
    StepCaption caption;
    caption.step = "Step " + std::to_string(step + 1);
    const int part = order[step].part;
    const bool known = part >= 0 && static_cast<size_t>(part) < numbers.size();
    caption.part = "Part " + std::to_string(known ? numbers[part] : 0);
    std::vector<int> joined;
    for (int other : order[step].joins)
        if (other >= 0 && static_cast<size_t>(other) < numbers.size()) joined.push_back(numbers[other]);
    std::sort(joined.begin(), joined.end());
    if (joined.empty())
        caption.joins = step == 0 ? "start here" : "start a new piece";
    else
        caption.joins = (joined.size() == 1 ? "glue to part " : "glue to parts ") + NumberList(joined);
    return caption;
}

namespace {

Outcome WritePages(Document& document, const Settings& settings, const std::string& path, IPrompt& prompt) {
    const Development& development = *document.development;
    const std::vector<BuildStep> order = DocumentBuildOrder(development);
    const std::vector<int> numbers = PartNumbers(order, development.parts.size());

    StreamedFileDevice out(path);
    if (!out.open(QIODevice::WriteOnly)) return out.Opened();
    {
        QPdfWriter pdf(&out);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(kMarginMM, kMarginMM, kMarginMM, kMarginMM),
                                      QPageLayout::Millimeter));
        pdf.setResolution(kDotsPerInch);
        pdf.setCreator(QStringLiteral("Tessaly"));
        pdf.setTitle(QStringLiteral("Assembly instructions"));
        QPainter painter(&pdf);
        if (!painter.isActive()) return Outcome::Failed("the PDF could not be started");

        const QRectF page = pdf.pageLayout().paintRectPixels(kDotsPerInch);
        const int rows = kStepsPerInstructionPage / kColumns;
        const double cellWidth = page.width() / kColumns;
        const double cellHeight = (page.height() - Dots(kTitleMM)) / rows;
        const double gap = Dots(4);
        const int pictureWidth =
            static_cast<int>((cellWidth - gap) * 25.4 / kDotsPerInch * kPicturePixelsPerMM);
        const int pictureHeight = static_cast<int>((cellHeight - gap - Dots(kCaptionMM)) * 25.4 /
                                                   kDotsPerInch * kPicturePixelsPerMM);
        const int pages =
            static_cast<int>((order.size() + kStepsPerInstructionPage - 1) / kStepsPerInstructionPage);

        for (size_t step = 0; step < order.size(); ++step) {
            const int slot = static_cast<int>(step % kStepsPerInstructionPage);
            if (slot == 0) {
                if (step > 0) pdf.newPage();
                painter.setPen(Qt::black);
                painter.setFont(FontOf(5, true));
                const int pageNumber = static_cast<int>(step / kStepsPerInstructionPage) + 1;
                painter.drawText(
                    QRectF(0, 0, page.width(), Dots(kTitleMM)), Qt::AlignLeft | Qt::AlignTop,
                    QStringLiteral("Assembly instructions  (page %1 of %2)").arg(pageNumber).arg(pages));
            }
            const double left = (slot % kColumns) * cellWidth;
            const double top = Dots(kTitleMM) + (slot / kColumns) * cellHeight;
            const StepCaption caption = CaptionOf(order, numbers, step);
            painter.setFont(FontOf(4.5, true));
            painter.drawText(QPointF(left, top + Dots(4.5)), QString::fromStdString(caption.step));
            painter.setFont(FontOf(3.5, false));
            painter.drawText(QPointF(left + Dots(25), top + Dots(4.5)), QString::fromStdString(caption.part));
            painter.drawText(QPointF(left, top + Dots(10)), QString::fromStdString(caption.joins));

            Camera3D camera;
            camera.Reset();
            const Part* part = development.parts[order[step].part].get();
            FrameStepPart(*document.model, *part, camera);
            const QImage picture =
                RenderModelViewImage(&document, settings, pictureWidth, pictureHeight, camera, prompt,
                                     kGuideNone, StepView(development, order, step));
            if (picture.isNull()) {
                painter.end();
                const glctx::Failure failure = glctx::LastFailure();
                return Outcome::Failed(failure == glctx::Failure::None ? "rendering failed"
                                                                       : glctx::Describe(failure));
            }
            const QRectF target(left, top + Dots(kCaptionMM), cellWidth - gap,
                                cellHeight - gap - Dots(kCaptionMM));
            painter.drawImage(target, picture);
            painter.setPen(QPen(Qt::gray, Dots(0.2)));
            painter.drawRect(target);
            painter.setPen(Qt::black);
        }
        if (order.empty()) {
            painter.setFont(FontOf(5, true));
            painter.drawText(QPointF(0, Dots(5)), QStringLiteral("Assembly instructions: no parts"));
        }
    }
    return out.Finish();
}

} // namespace

Outcome ExportAssemblyInstructions(Document& document, const Settings& settings, const std::string& path,
                                   IPrompt& prompt) {
    if (document.development == nullptr || document.model == nullptr) {
        prompt.Message(kMessageNoDevelopment);
        return Outcome::Cancelled("the model has no development");
    }
    const Outcome written = WritePages(document, settings, path, prompt);
    if (written.failed()) prompt.Message(kMessageExportFailed);
    return written;
}

} // namespace tsm
