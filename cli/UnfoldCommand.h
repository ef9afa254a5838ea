// tsmtool import, unfold and simplify: a mesh file becomes a model file, optionally simplified and
// unfolded, and a model file without a window gets a new development or fewer faces, all through the
// viewer's own import, Simplify Mesh and Unfold steps.
#pragma once

#include "cli/OptionTable.h"
#include "engine/Unfolder.h"
#include "model/Document.h"
#include "model/Prompt.h"
#include "model/Result.h"
#include "model/Settings.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tsm {

// What the "Development Layout Method" dialog would be told, as given on the command line.
struct UnfoldRequest {
    std::string inPath;
    std::string outPath;
    bool unfold = false;                    // import: unfold after importing (unfold: always)
    bool automatic = false;                 // --auto
    std::optional<double> documentScale;    // --scale S: not automatic, absolute scale S
    std::optional<double> sizeMM;           // --size MM: not automatic, largest assembled dimension MM
    std::optional<double> spacing;          // --spacing V: % of the model's size when automatic, else mm
    bool keepOffPageBreaks = true;          // false with --no-avoid-page-breaks
    std::optional<UnfoldStrategy> strategy; // --strategy upright|fewest-parts
    bool layoutOptionGiven = false;         // any of the six above
    std::optional<int> faces;               // --faces N: simplify the import to about N faces
    std::optional<MarksKind> marks;         // --marks: the layout keeps clear of them (else the setting)
};

// Checks `import MESH OUT`, `unfold MODEL OUT` or `simplify MODEL OUT` (two operands, counted by the option
// table) with the layout options; fails with the usage problem.
Result<UnfoldRequest> ParseUnfoldRequest(const CommandLine& line);

// The layout options over the settings' layout method and the document's scale; what they leave unsaid
// keeps its current value.
void ApplyLayoutRequest(const UnfoldRequest& request, LayoutMethod& method, Document& document);

// The strategy's name on the command line ("upright", "fewest-parts"), and back; nothing for another name.
const char* StrategyName(UnfoldStrategy strategy);
std::optional<UnfoldStrategy> StrategyNamed(const std::string& name);

// The progress window of a headless run: one stderr line rewritten as "Unfolding... 40%" whenever the
// percentage changes, ended by a newline. A command line cannot cancel, so Step never refuses.
class StreamUnfoldProgress : public IUnfoldProgress {
public:
    explicit StreamUnfoldProgress(std::FILE* stream) : stream_(stream) {}
    void Start(const std::string& caption, int stepCount) override;
    bool Step(int position, const std::string& text) override;
    void Finish() override;

private:
    void Show(int percent);
    std::FILE* stream_;
    std::string caption_;
    int stepCount_ = 0;
    int shownPercent_ = -1;
    bool open_ = false;
};

// import: reads the mesh (the join question answered by the prompt), simplifies it with --faces (without,
// a mesh of more than kSimplifyOfferAbove faces is offered to be simplified, as the viewer offers it),
// unfolds it when asked and writes the model file. 0 when written; 1 when the import, the simplification,
// the unfolding or the write failed.
int RunImport(const Settings& settings, const UnfoldRequest& request, IPrompt& prompt);

// unfold on an opened model: a development it already has is undone first, as Undo Unfolding does with
// its default choices (texts kept for reuse, its cut edges stay cut), then it is unfolded and written.
int RunUnfold(Document& document, const Settings& settings, const UnfoldRequest& request, IPrompt& prompt);

// simplify on an opened model: the Simplify Mesh command (its development undone first), then written.
int RunSimplify(Document& document, const Settings& settings, const UnfoldRequest& request, IPrompt& prompt);

} // namespace tsm
