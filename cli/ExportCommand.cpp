#include "cli/ExportCommand.h"

#include "cli/ExitStatus.h"
#include "guide/AssemblyInstructions.h"
#include "model/AtomicFile.h"
#include "sheet/BitmapExport.h"

#include <charconv>
#include <cstdio>

namespace tsm {

Result<ExportRequest> ParseExportRequest(const CommandLine& line) {
    ExportRequest request;
    const std::vector<std::string>& operands = line.operands;
    const bool notFillFaces = line.Has("--not-fill-faces");
    const bool notFillFlaps = line.Has("--not-fill-flaps");
    const bool partNumbers = line.Has("--part-numbers");
    std::optional<int> widthPixels;
    if (const std::optional<std::string> text = line.Value("--width")) {
        int width = 0;
        const char* end = text->data() + text->size();
        if (text->empty() || std::from_chars(text->data(), end, width).ptr != end)
            return Outcome::Failed("--width needs a number of pixels");
        widthPixels = width;
    }
    const std::string& word = operands[0];
    request.perSheet = false;
    request.cutFiles = false;
    request.instructions = false;
    if (word == "eps")
        request.format = ExportFormat::Eps;
    else if (word == "dxf")
        request.format = ExportFormat::Dxf;
    else if (word == "emf")
        request.format = ExportFormat::Emf;
    else if (word == "svg")
        request.format = ExportFormat::Svg;
    else if (word == "bmp")
        request.format = ExportFormat::Bmp;
    else if (word == "sheets") {
        request.format = ExportFormat::Bmp;
        request.perSheet = true;
    } else if (word == "cut") {
        request.cutFiles = true;
    } else if (word == "instructions") {
        request.instructions = true;
    } else
        return Outcome::Failed("unknown export format " + word +
                               " (eps, dxf, emf, svg, bmp, sheets, cut or instructions)");
    if (request.instructions && (notFillFaces || notFillFlaps || widthPixels || partNumbers))
        return Outcome::Failed("instructions take no fill, width or number options");
    const std::optional<std::string> cutFormat = line.Value("--format");
    const std::optional<std::string> marks = line.Value("--marks");
    if ((cutFormat || marks) && !request.cutFiles)
        return Outcome::Failed("--format and --marks belong to cut");
    if (cutFormat && *cutFormat != "svg" && *cutFormat != "dxf")
        return Outcome::Failed("--format is svg or dxf");
    request.cut.format = cutFormat && *cutFormat == "dxf" ? CutFileFormat::Dxf : CutFileFormat::Svg;
    request.cut.marks = MarksKind::None;
    if (marks) {
        const std::optional<MarksKind> kind = MarksKindNamed(*marks);
        if (!kind) return Outcome::Failed("--marks is silhouette or none");
        request.cut.marks = *kind;
        request.marksGiven = true;
    }
    if (request.cutFiles && (notFillFaces || notFillFlaps || widthPixels))
        return Outcome::Failed("cut takes no fill or width options");
    const bool fills = request.format == ExportFormat::Eps || request.format == ExportFormat::Svg;
    if ((notFillFaces || notFillFlaps) && !fills)
        return Outcome::Failed("--not-fill-faces and --not-fill-flaps belong to eps and svg");
    if (widthPixels && request.format != ExportFormat::Bmp)
        return Outcome::Failed("--width belongs to bmp and sheets");
    if (partNumbers && (request.cutFiles || request.format != ExportFormat::Svg))
        return Outcome::Failed("--part-numbers belongs to svg");
    request.partNumbers = partNumbers;
    request.outPath = operands[2];
    request.notFillFaces = notFillFaces;
    request.notFillFlaps = notFillFlaps;
    request.widthPixels = widthPixels;
    return request;
}

namespace {

// The size dialog without a window: the width typed into its field (if any), then OK.
BmpSizeChooser SizeFromCommandLine(std::optional<int> widthPixels, IPrompt& prompt) {
    return [widthPixels, &prompt](BmpSizeState& state) {
        if (widthPixels) {
            // A value the field ignores still stands in it when OK is pressed.
            EditBmpWidth(state, *widthPixels);
            if (*widthPixels < 1) state.width = *widthPixels;
        }
        return AcceptBmpSize(state, prompt);
    };
}

} // namespace

int RunExport(Document& document, const Settings& stored, const ExportRequest& request, IPrompt& prompt) {
    // --part-numbers turns the stored setting on for this run, so that the edge labels keep clear of them.
    Settings settings = stored;
    settings.drawPartNumbers = settings.drawPartNumbers || request.partNumbers;
    ExportOptions options;
    options.eps.notFillFaces = request.notFillFaces;
    options.eps.notFillFlaps = request.notFillFlaps;
    options.svg.fillFaces = !request.notFillFaces;
    options.svg.fillFlaps = !request.notFillFlaps;
    options.svg.partNumbers = request.partNumbers;
    Outcome outcome = Outcome::Ok();
    if (request.instructions) {
        outcome = ExportAssemblyInstructions(document, settings, request.outPath, prompt);
    } else if (request.cutFiles) {
        CutFileOptions cut = request.cut;
        if (!request.marksGiven) cut.marks = MarksKindOf(settings);
        outcome = ExportCutFiles(document, settings, request.outPath, cut, prompt);
    } else if (request.format == ExportFormat::Bmp) {
        const BmpSizeChooser chooser = SizeFromCommandLine(request.widthPixels, prompt);
        outcome = request.perSheet ? ExportSheetBmps(document, settings, request.outPath, chooser, prompt)
                                   : ExportWholeBmp(document, settings, request.outPath, chooser, prompt);
    } else if (request.outPath == "-") {
        // "-" is standard output, as command-line users expect; the bytes are those of the file.
        const Result<std::string> bytes =
            DevelopmentExportBytes(request.format, document, settings, options, prompt);
        outcome = bytes.ok() ? WriteToStandardOutput(*bytes) : bytes.outcome();
        if (outcome.failed()) prompt.Message(kMessageExportFailed);
    } else {
        outcome = ExportDevelopment(request.format, document, settings, request.outPath, options, prompt);
    }
    return ExitStatus(outcome);
}

} // namespace tsm
