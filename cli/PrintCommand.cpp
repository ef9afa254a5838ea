#include "cli/PrintCommand.h"
#include "model/TextCase.h"

#include "cli/ExitStatus.h"
#include "model/Settings.h"
#include "sheet/MarkClearance.h"
#include "sheet/PagePrinter.h"
#include "sheet/Paper.h"
#include "sheet/RegistrationMarks.h"
#include "sheet/StreamedFileDevice.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tsm {

namespace {

constexpr double kLargestPaperMM = 10000.0;
constexpr int kLeastDpi = 72;
constexpr int kMostDpi = 2400;

// A whole decimal number with nothing after it.
bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

bool ValidSide(double mm) {
    return mm > 0 && mm <= kLargestPaperMM;
}

} // namespace

bool ParsePrinterPaper(const std::string& text, bool landscape, double& widthMM, double& heightMM) {
    const std::string name = AsciiLower(text);
    struct Named {
        const char* name;
        int32_t code;
    };
    static const Named kNames[] = {{"a4", kPaperA4},         {"a3", kPaperA3},      {"a2", kPaperA2},
                                   {"a1", kPaperA1},         {"b5", kPaperB5},      {"b4", kPaperB4},
                                   {"b3", kPaperB3},         {"b2", kPaperB2},      {"b1", kPaperB1},
                                   {"letter", kPaperLetter}, {"legal", kPaperLegal}};
    for (const Named& n : kNames) {
        if (name != n.name) continue;
        Paper paper;
        paper.sizeCode = n.code;
        paper.landscape = landscape ? 1 : 0;
        widthMM = paper.PaperWidth();
        heightMM = paper.PaperHeight();
        return true;
    }
    const size_t x = name.find('x');
    if (x == std::string::npos) return false;
    double w = 0, h = 0;
    if (!ParseNumber(name.substr(0, x), w) || !ParseNumber(name.substr(x + 1), h)) return false;
    if (!ValidSide(w) || !ValidSide(h)) return false;
    widthMM = w;
    heightMM = h;
    return true;
}

Result<PrintRequest> ParsePrintRequest(const CommandLine& line) {
    PrintRequest request;
    const std::optional<std::string> pdf = line.Value("--pdf");
    const std::optional<std::string> paper = line.Value("--printer-paper");
    const std::optional<std::string> margins = line.Value("--printer-margins");
    const std::optional<std::string> dpi = line.Value("--dpi");
    const std::optional<std::string> marks = line.Value("--marks");
    if (!pdf || pdf->empty()) return Outcome::Failed("print needs --pdf OUT.pdf");
    request.pdfPath = *pdf;
    if (paper) {
        double w = 0, h = 0;
        if (!ParsePrinterPaper(*paper, false, w, h))
            return Outcome::Failed(
                "--printer-paper needs A4, A3, A2, A1, B5 to B1, Letter, Legal or WIDTHxHEIGHT in mm");
        request.paper = *paper;
    }
    if (margins) {
        double mm = 0;
        if (!ParseNumber(*margins, mm) || mm < 0 || mm > kLargestPaperMM)
            return Outcome::Failed("--printer-margins needs millimetres, 0 or more");
        request.marginMM = mm;
    }
    if (dpi) {
        double value = 0;
        if (!ParseNumber(*dpi, value) || value != std::floor(value) || value < kLeastDpi || value > kMostDpi)
            return Outcome::Failed("--dpi needs a whole number from 72 to 2400");
        request.dpi = static_cast<int>(value);
    }
    if (marks) {
        const std::optional<MarksKind> kind = MarksKindNamed(*marks);
        if (!kind) return Outcome::Failed("--marks is silhouette or none");
        request.marks = *kind;
    }
    request.partNumbers = line.Has("--part-numbers");
    return request;
}

int RunPrint(Document& document, const Settings& stored, const PrintRequest& request, IPrompt& prompt) {
    Settings settings = stored;
    if (request.marks) settings.marksKind = static_cast<int32_t>(*request.marks);
    const Paper paper = Paper::FromSettings(settings);
    double widthMM = paper.PaperWidth(), heightMM = paper.PaperHeight();
    if (!request.paper.empty() && !ParsePrinterPaper(request.paper, paper.landscape != 0, widthMM, heightMM))
        return ExitStatus(Outcome::Failed(request.paper), "unknown printer paper ");
    if (!(2 * request.marginMM < std::min(widthMM, heightMM)))
        return ExitStatus(Outcome::Failed("the printer margins leave nothing printable"));

    // The same room as the cut files make, so that the printed sheets and the cut files register.
    (void)ClearMarkZonesBeforePrinting(document, settings, paper, prompt);

    // The pages stream into the temporary file beside the target, which only a finished PDF replaces. On
    // a path that cannot be written the PDF writer gets no device at all, so that the print job cannot
    // start, as with a printer that cannot be reached (after the same questions).
    StreamedFileDevice out(request.pdfPath);
    const bool opened = out.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(opened ? static_cast<QIODevice*>(&out) : nullptr);
        // Landscape paper is the portrait size turned, as a printer driver describes it.
        const bool turned = widthMM > heightMM;
        const QSizeF portrait = turned ? QSizeF(heightMM, widthMM) : QSizeF(widthMM, heightMM);
        const QPageSize size(portrait, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
        const double m = request.marginMM;
        pdf.setPageLayout(QPageLayout(size, turned ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(m, m, m, m), QPageLayout::Millimeter));
        pdf.setResolution(request.dpi);
        pdf.setCreator(QStringLiteral("tsmtool"));

        PrintOptions options;
        options.partNumbers = request.partNumbers;
        const Result<PrintedJob> printed = PrintDevelopment(pdf, document, settings, paper, prompt, options);
        if (!printed.ok()) {
            const int status = ExitStatus(printed.outcome(), "nothing printed: ");
            if (!out.Opened().ok()) std::fprintf(stderr, "tsmtool: %s\n", out.Opened().reason().c_str());
            return status;
        }
    }
    return ExitStatus(out.Finish());
}

} // namespace tsm
