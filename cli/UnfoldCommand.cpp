#include "cli/UnfoldCommand.h"

#include "cli/ExitStatus.h"
#include "engine/Extents.h"
#include "engine/MeshImportPipeline.h"
#include "engine/MeshSimplify.h"
#include "model/BinaryWriter.h"
#include "sheet/Paper.h"
#include "sheet/RegistrationMarks.h"

#include <charconv>
#include <cmath>

namespace tsm {

namespace {

// Far beyond any paper model, yet small enough that the layout arithmetic stays finite.
constexpr double kLargestLayoutValue = 1e6;

// A decimal number with nothing before or after it, independent of the locale Qt installed.
bool ParseNumber(const std::string& text, double& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin == end) return false;
    const auto [ptr, error] = std::from_chars(begin, end, value);
    return error == std::errc() && ptr == end && std::isfinite(value);
}

UnfoldOptions OptionsForPaper(const Paper& paper, const Settings& settings) {
    UnfoldOptions options;
    const SheetArea region = PrintableRegion(paper, settings);
    options.printableWidthMM = region.printableWidthMM;
    options.printableHeightMM = region.printableHeightMM;
    options.keepOuts = region.keepOuts;
    return options;
}

// The Unfold command with the layout method taken from the command line instead of its dialog, then
// the sheet grid the development view would compute. Messages went through `prompt` on failure.
bool UnfoldWithRequest(Document& document, const Settings& documentSettings, const UnfoldRequest& request,
                       IPrompt& prompt) {
    Settings settings = documentSettings;
    const auto applyLayout = [&request, &document, &settings] {
        ApplyLayoutRequest(request, settings.layoutMethod, document);
        if (request.strategy) settings.unfoldStrategy = static_cast<int32_t>(*request.strategy);
        return true;
    };
    if (request.marks) settings.marksKind = static_cast<int32_t>(*request.marks);
    const Paper paper = Paper::FromSettings(settings);
    StreamUnfoldProgress progress(stderr);
    if (!UnfoldDocument(document, settings, prompt, applyLayout, OptionsForPaper(paper, settings), &progress)
             .ok())
        return false;
    UpdateSheetGrid(document, paper, true);
    return true;
}

// Reports the change in face count, or the refusal.
bool Simplified(const Document& document, int facesBefore, const Outcome& outcome) {
    if (!outcome.ok()) {
        std::fprintf(stderr, "tsmtool: %s\n", outcome.reason().c_str());
        return false;
    }
    std::fprintf(stderr, "tsmtool: simplified from %d to %d faces\n", facesBefore,
                 ModelFaceCount(*document.model));
    return true;
}

int Write(const Document& document, const std::string& path) {
    return ExitStatus(WriteBinaryModel(document, document.display, path));
}

} // namespace

Result<UnfoldRequest> ParseUnfoldRequest(const CommandLine& line) {
    UnfoldRequest request;
    const std::string command = line.command->name;
    const std::vector<std::string>& operands = line.operands;
    if (command == "import" || command == "simplify") {
        if (const std::optional<std::string> faces = line.Value("--faces")) {
            const char* begin = faces->data();
            int value = 0;
            const auto [end, error] = std::from_chars(begin, begin + faces->size(), value);
            if (error != std::errc() || end != begin + faces->size() || value < kSimplifyFewestFaces)
                return Outcome::Failed("--faces needs a whole number, 4 or more");
            request.faces = value;
        }
    }
    if (command == "simplify") {
        request.inPath = operands[0];
        request.outPath = operands[1];
        return request;
    }
    // unfold always unfolds, so only import has the option.
    const bool unfold = command == "import" && line.Has("--unfold");
    const bool automatic = line.Has("--auto");
    const std::optional<std::string> scale = line.Value("--scale");
    const std::optional<std::string> spacing = line.Value("--spacing");
    const std::optional<std::string> size = line.Value("--size");
    const bool noAvoidPageBreaks = line.Has("--no-avoid-page-breaks");
    const std::optional<std::string> strategy = line.Value("--strategy");
    const std::optional<std::string> marks = line.Value("--marks");
    request.inPath = operands[0];
    request.outPath = operands[1];
    request.unfold = unfold || command == "unfold";
    request.automatic = automatic;
    request.keepOffPageBreaks = !noAvoidPageBreaks;
    request.layoutOptionGiven = automatic || scale || size || spacing || noAvoidPageBreaks || strategy;
    if (size && !request.unfold) return Outcome::Failed("--size needs --unfold");
    if (request.layoutOptionGiven && !request.unfold)
        return Outcome::Failed(
            "--auto, --scale, --spacing, --no-avoid-page-breaks and --strategy need --unfold");
    if (strategy) {
        request.strategy = StrategyNamed(*strategy);
        if (!request.strategy) return Outcome::Failed("--strategy takes upright or fewest-parts");
    }
    if (marks) {
        request.marks = MarksKindNamed(*marks);
        if (!request.marks) return Outcome::Failed("--marks is silhouette or none");
        if (!request.unfold) return Outcome::Failed("--marks needs --unfold");
    }
    if (automatic && scale) return Outcome::Failed("--auto and --scale exclude each other");
    if (size && (automatic || scale)) return Outcome::Failed("--size excludes --auto and --scale");
    if (size) {
        double value = 0;
        if (!ParseNumber(*size, value) || value <= 0 || value > kLargestLayoutValue)
            return Outcome::Failed("--size needs a number of millimetres above 0");
        request.sizeMM = value;
    }
    if (scale) {
        double value = 0;
        if (!ParseNumber(*scale, value) || value <= 0 || value > kLargestLayoutValue)
            return Outcome::Failed("--scale needs a number above 0");
        request.documentScale = value;
    }
    if (spacing) {
        double value = 0;
        if (!ParseNumber(*spacing, value) || value < 0 || value > kLargestLayoutValue)
            return Outcome::Failed("--spacing needs a number, 0 or more");
        request.spacing = value;
    }
    return request;
}

void ApplyLayoutRequest(const UnfoldRequest& request, LayoutMethod& method, Document& document) {
    if (request.automatic) method.automatic = true;
    if (request.documentScale) {
        method.automatic = false;
        document.documentScale = *request.documentScale;
    }
    if (request.sizeMM && document.model) {
        const double scale = ScaleForLargestDimension(*document.model, *request.sizeMM);
        method.automatic = false;
        if (scale > 0) document.documentScale = scale;
    }
    // The spacing's unit follows the mode, as the dialog's one spacing field does.
    if (request.spacing) (method.automatic ? method.spacingPercent : method.spacingMM) = *request.spacing;
    if (!request.keepOffPageBreaks) method.avoidPageBreaks = false;
}

const char* StrategyName(UnfoldStrategy strategy) {
    return strategy == UnfoldStrategy::FewestParts ? "fewest-parts" : "upright";
}

std::optional<UnfoldStrategy> StrategyNamed(const std::string& name) {
    for (UnfoldStrategy strategy : {UnfoldStrategy::Upright, UnfoldStrategy::FewestParts})
        if (name == StrategyName(strategy)) return strategy;
    return std::nullopt;
}

void StreamUnfoldProgress::Start(const std::string& caption, int stepCount) {
    caption_ = caption;
    stepCount_ = stepCount;
    shownPercent_ = -1;
    open_ = true;
    Show(0);
}

bool StreamUnfoldProgress::Step(int position, const std::string&) {
    if (!open_) return true;
    const int percent = stepCount_ > 0 ? static_cast<int>(100LL * position / stepCount_) : 100;
    Show(percent < 0 ? 0 : percent > 100 ? 100 : percent);
    return true;
}

void StreamUnfoldProgress::Finish() {
    if (!open_) return;
    open_ = false;
    std::fputc('\n', stream_);
    std::fflush(stream_);
}

void StreamUnfoldProgress::Show(int percent) {
    if (percent == shownPercent_) return;
    // A carriage return rewrites the same line on a terminal; a log keeps every update on one line.
    std::fprintf(stream_, "%s%s %d%%", shownPercent_ < 0 ? "" : "\r", caption_.c_str(), percent);
    std::fflush(stream_);
    shownPercent_ = percent;
}

int RunImport(const Settings& settings, const UnfoldRequest& request, IPrompt& prompt) {
    Result<ImportedMesh> imported = ImportMeshDocument(request.inPath, settings, prompt);
    if (!imported.ok()) return ExitStatus(Outcome::Failed(request.inPath), "cannot import ");
    Document& document = *imported->document;
    const int faces = ModelFaceCount(*document.model);
    std::optional<int> target = request.faces;
    if (!target && faces > kSimplifyOfferAbove && prompt.AskYesNo(SimplifyOfferText(document)))
        target = kSuggestedFaceCount;
    // A fresh import has nothing to undo: the operation itself, without an undo copy.
    if (target && !Simplified(document, faces, SimplifyModel(*document.model, *target))) return 1;
    if (request.unfold && !UnfoldWithRequest(document, settings, request, prompt)) return 1;
    if (!request.unfold) UpdateSheetGrid(document, Paper::FromSettings(settings), true);
    return Write(document, request.outPath);
}

int RunUnfold(Document& document, const Settings& settings, const UnfoldRequest& request, IPrompt& prompt) {
    if (document.development) {
        std::fprintf(stderr,
                     "tsmtool: %s already has a development; it is undone first (texts kept, its cut "
                     "edges stay cut)\n",
                     request.inPath.c_str());
        UndoUnfolding(document, CanReuseTexts(document), true);
    }
    if (!UnfoldWithRequest(document, settings, request, prompt)) return 1;
    return Write(document, request.outPath);
}

int RunSimplify(Document& document, const Settings& settings, const UnfoldRequest& request, IPrompt&) {
    const bool developed = document.development != nullptr;
    const int faces = ModelFaceCount(*document.model);
    EditContext context{document, settings};
    if (!Simplified(document, faces, SimplifyMesh(context, request.faces.value_or(0)).outcome())) return 1;
    if (developed)
        std::fprintf(stderr,
                     "tsmtool: the development of %s was undone (texts kept for the next unfolding)\n",
                     request.inPath.c_str());
    UpdateSheetGrid(document, Paper::FromSettings(settings), true);
    return Write(document, request.outPath);
}

} // namespace tsm
