// Unfolding a 3D model into a new development: every face laid flat, parts grown by joining faces across
// edges in order of preference (user-marked joins and near-flat folds first, then the joins that keep the
// model's vertical direction straight), refusing any join that would make a part overlap itself; then the
// parts are oriented, measured, given line records and flaps, and laid out on paper.
//
// Also the model steps of the Unfold and Undo Unfolding commands; their dialogs belong to the window and
// hand their values in as parameters.
#pragma once

#include "engine/Layout.h"
#include "model/Document.h"
#include "model/Prompt.h"
#include "model/Result.h"
#include "model/Settings.h"

#include <functional>
#include <memory>
#include <string>

namespace tsm {

extern const char* const kUnfoldCaption;        // "Unfolding..."
extern const char* const kUnfoldCancelledText;  // "Making development is canceled."
extern const char* const kNoObjectToUnfoldText; // "There are no object for unfolding."

// How a long unfolding reports to its progress window. Step returns false once the user has cancelled.
class IUnfoldProgress {
public:
    virtual ~IUnfoldProgress() = default;
    // The window opens with this caption; positions run from 0 to `stepCount`.
    virtual void Start(const std::string& caption, int stepCount) = 0;
    virtual bool Step(int position, const std::string& text) = 0;
    virtual void Finish() = 0;
};

// How the overlap test of a candidate join finds crossing segments. Both give the same answers; the
// indexed one keeps a grid of each part's segments so that large models unfold in reasonable time.
enum class OverlapStrategy { AllPairs, Indexed };

struct UnfoldOptions {
    OverlapStrategy overlap = OverlapStrategy::Indexed;
    UnfoldStrategy strategy = UnfoldStrategy::Upright;
    // Printable area of one sheet, mm (the paper's PrintableWidth and PrintableHeight).
    double printableWidthMM = 180.0;
    double printableHeightMM = 267.0;
    std::vector<KeepOut> keepOuts; // of every sheet's printable area (SheetArea::keepOuts)
    LayoutMethod layoutMethod;
    // Cut edges whose sides end closer than this are joined after the layout (CoincidentEdgeThresholdMM).
    double coincidentEdgeThresholdMM = 0.0001;
    // The display values the new development's lines are classified with.
    DisplaySettings display;
    // The widest flap base angle (the settings' maxFlapBaseAngleDegrees), for flaps that reach over the
    // faces beyond a thin neighbour.
    int32_t maxFlapBaseAngleDegrees = 45;
};

struct UnfoldedDevelopment {
    std::unique_ptr<Development> development; // never null
    double defaultFlapHeightMM = 5.0;         // the flaps' height, for the document's display block
};

class Unfolder {
public:
    // `model` must outlive the unfolder; its faces and corners are changed in place by Run.
    Unfolder(Mesh& model, double documentScale, UnfoldOptions options = {});
    ~Unfolder();
    Unfolder(const Unfolder&) = delete;
    Unfolder& operator=(const Unfolder&) = delete;

    // Unfolds every solid whose inDevelopment is set, laid out by the options' layout method.
    // `progress` may be null. On cancel the development is discarded and the result is cancelled.
    Result<UnfoldedDevelopment> Run(IUnfoldProgress* progress = nullptr);

    // Counters of the last run, for tests and the benchmark.
    int OverlapTests() const { return overlapTests_; }
    int RefusedJoins() const { return refusedJoins_; }
    // What placed `edge` in the last run's upright order: the bend in degrees between the up directions of
    // its faces, 0 for near-flat and user-joined edges; -1 for an edge never to be joined or not unfolded.
    double JoinWeight(const Edge& edge) const;

private:
    struct Impl;

    Mesh& model_;
    double documentScale_;
    UnfoldOptions options_;
    std::unique_ptr<Development> development_;
    int overlapTests_ = 0;
    int refusedJoins_ = 0;
    std::vector<std::pair<Edge*, double>> weights_; // the last run's edges in upright order
};

// The up direction of a face as coefficients (a, b) of its unit edge vectors from corner 0: up = a u + b w
// with u along corner 1 and w along corner 2. (0, 0) when the face has no usable direction.
Point2 FaceUpCoefficients(const Face& face);

// Lays a face flat at the origin: corner 0 at (0, 0), corner 1 on +x, the rest counter-clockwise as seen
// on the sheet (y growing downwards). Positions are in model units.
void LayFaceFlat(Face& face);

// Joins the cut edges of `part` whose two sides lie in the part with both ends closer than `thresholdMM`.
// Returns how many were joined.
int JoinCoincidentCutEdges(Part& part, double thresholdMM);

// The threshold the unfolder and the face join use for JoinCoincidentCutEdges.
double CoincidentEdgeThresholdMM(const Settings& settings);

// The Unfold command's model steps. `askLayoutMethod` shows the "Development Layout Method" dialog
// (it may change the layout method in `settings` and the document's documentScale); false means Cancel.
// The layout method, the flap angle limit and the coincident-edge threshold are read from `settings`
// after the dialog; the document's display block classifies the lines and takes the flap height.
// Ok when the document got a new development; cancelled otherwise, the user told why (no solid to unfold,
// the dialog cancelled, the unfolding cancelled).
Outcome UnfoldDocument(Document& document, const Settings& settings, IPrompt& prompt,
                       const std::function<bool()>& askLayoutMethod, const UnfoldOptions& options,
                       IUnfoldProgress* progress = nullptr);

// What a person with scissors and glue faces: the parts, the length of their outlines on paper (every line
// that is not a fold, flaps not counted; the development's units, millimetres once laid out) and the flaps
// on those lines.
struct DevelopmentSummary {
    int parts = 0;
    double cutLengthMM = 0;
    int flaps = 0;
};
DevelopmentSummary SummariseDevelopment(const Development& development);

// Whether the "Undo Unfolding" dialog enables "Reuse texts at next unfolding".
bool CanReuseTexts(const Document& document);

// Undo Unfolding after its dialog's OK: throws the development away; `reuseTexts` keeps its texts for the
// next unfolding, `applyOpenEdges` marks every cut edge open (EdgeClass::MarkedOpen) so the next unfolding
// cuts the same edges.
void UndoUnfolding(Document& document, bool reuseTexts, bool applyOpenEdges);

} // namespace tsm
