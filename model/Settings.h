// The preferences, the window's view state and the display block a model file carries, with their
// compiled-in defaults. These are values: whoever owns one passes it down; nothing reaches a global.
#pragma once

#include "model/EditMode.h"

#include <cstdint>
#include <string>

namespace tsm {

// How the unfolding and "Recalculate Parts Layout" scale and space the parts; set by the "Development
// Layout Method" dialog, never stored.
struct LayoutMethod {
    bool automatic = true;       // scale the development to fit one sheet
    double spacingPercent = 5.0; // with automatic: spacing between parts, % of the model's size
    double spacingMM = 15.0;     // without automatic: spacing between parts
    bool avoidPageBreaks = true; // without automatic only: keep parts that fit one sheet off its edges
};

// How the unfolding chooses the edges it joins. The numbers are the stored unfoldStrategy values.
enum class UnfoldStrategy : int32_t {
    Upright = 0,     // the model's vertical direction kept straight across folds
    FewestParts = 1, // as few parts as the faces allow without overlapping
};

// Print-and-cut registration marks on every printed sheet. The numbers are the stored marksKind values.
enum class MarksKind : int32_t {
    None = 0,
    Silhouette = 1, // a filled square at the top left, L marks at the top right and bottom left
};

// The display block a model file carries, in the order the binary file stores it. Every document owns one
// (Document::display): the readers fill it, the writer stores it, and the document's drawing reads it.
struct DisplaySettings {
    bool drawFlaps = true;
    bool drawEdgeIds = false;
    bool invertEdgeIds = false;
    bool useMaterials = true;
    bool omitFlatFolds = true;
    int32_t flatFoldAngleDegrees = 175; // degrees; folds strictly flatter than this are omitted
    bool whiteLinesUnderFolds = false;
    int32_t mountainLineStyle = 3;
    int32_t valleyLineStyle = 2;
    int32_t cutLineStyle = 0;
    int32_t edgeIdFontSizePt = 5;
    int32_t paperSize = 0;
    int32_t paperOrientation = 0;
    int32_t marginSideMM = 15;                           // mm
    int32_t marginTopMM = 15;                            // mm
    double mountainDash[6] = {1.0, 1.0, -1, -1, -1, -1}; // mm; entries <= 0 take no part
    double valleyDash[6] = {2.0, 1.0, 0.5, 1.0, -1, -1};
    bool colorFlapsLikeFaces = false;
    double defaultFlapHeightMM = 5.0;
};

// The stored preferences, read at start-up and written at close by the settings store. Five stored
// options (invertEdgeIds, omitFlatFolds, flatFoldAngleDegrees, edgeIdFontSizePt, defaultFlapHeightMM) are
// also part of the display block: the application keeps them in the DisplaySettings of its Settings.
struct Preferences {
    // Key "Settings": paths and the first-launch flag. Defaults are formed from the program directory.
    std::string lastModelFolder;
    std::string lastTextureFolder;
    std::string viewerPath;
    bool firstLaunch = true;

    // Key "Options".
    bool drawModelOnOpen = true;
    bool useEdgeColors = true;
    bool soundOnPick = false;
    bool invertWheelZoom = false;
    bool smoothTextures = true;
    bool limitTextureSize = false;
    int32_t textureSizeLimitPixels = 256;
    bool lightenColorsToWhite = true;
    bool skipBlankPages = true;
    bool animateFaceCheck = true;
    bool snapToGrid = true;
    int32_t gridSizeMM = 5;
    int32_t textureLimitChoice = 2;
    bool autoFlapAnglesForOldFiles = false;
    int32_t faceCheckAnimationSpeed = 1;
    bool checkForUpdatesAtStart = false;
    // The update server's address (http or https); empty: none, and no check can run. The product's web
    // page is this address's site.
    std::string updateServerUrl;
    // Whether Import Mesh offers "Change Model Coordinates" after reading a mesh.
    bool offerCoordinateWizard = true;
    // How often a recovery copy of a document with unsaved changes is written; 0 or less: never.
    double recoveryIntervalMinutes = 2.0;
    bool drawEdgeIdsWithGL = false;
    int32_t maxFlapBaseAngleDegrees = 45;
    bool translucentLines = true;
    double lineAlpha = 0.5;
    // How edge IDs are placed wherever they are shown, except the EPS and DXF exports, which always place
    // them as written (on the edge's middle, at the font size above).
    bool edgeLabelsAsWritten = false; // the old placement everywhere
    bool edgeLabelsOnFlaps = false;   // a side with a flap shows its label on the flap
    bool edgeLabelsWithPart = false;  // "12-3": the part on the other side, then the edge
    double edgeLabelMinCapMM = 1.5;   // labels shrink to fit their face down to this cap height
    // Each part's number (its build step) on its largest face, in the view, the print and the SVG outputs.
    bool drawPartNumbers = false;
    bool printPageNumbers = true;
    bool printCropMarks = false;
    int32_t resolutionChoice = 2;
    int32_t lineWidthChoice = 2;
    int32_t unfoldStrategy = 0; // an UnfoldStrategy; read through UnfoldStrategyOf
    // A MarksKind, read through MarksKindOf: the print, its preview and the layout keep to these marks.
    int32_t marksKind = 0;
    bool rememberLastText = false;
    int32_t lastTextLineSpacingMM = 2;
    int32_t lastTextFontSize = 36;
    std::string lastTextFontName;
    int32_t lastTextColor = 0;
    // The colour table, COLORREF 0x00BBGGRR: faces without material, mountain edge, valley edge,
    // single-sided edge, open edge, marked edge, (unused), 3D background.
    int32_t colors[8] = {0x00FFD9D9, 0x00FF0000, 0x00FFFF00, 0x000000FF,
                         0x000064FF, 0x0000D9D9, 0x000000FF, 0x00FFFFFF};
};

// The two check boxes of the "EPS Option" dialog. They outlive each export but not the program: there is
// no registry value for them, and both start off.
struct EpsOptions {
    bool notFillFaces = false;
    bool notFillFlaps = false;
};

// The window's run-time switches and modes; never stored, never in a model file.
struct ViewState {
    int32_t systemTextureLimit = 512; // until a GL context reports its maximum texture size
    bool drawFaces = true;
    bool drawEdges = true;
    bool lighting = true;
    bool drawPageNumbers = false;
    // The development view's mouse mode, shared by both views.
    EditMode editMode = EditMode::None;
    LayoutMethod layoutMethod;
    // "Join adjacent edges on development automatically.  Threshold ": cut edges whose two sides lie in
    // one part closer than this are joined after unfolding and after a face join.
    bool joinAdjacentEdges = false;
    double joinAdjacentEdgesThresholdMM = 0.01;
    // What the "EPS Option" dialog shows next time; the EPS command keeps the user's choice here.
    EpsOptions epsOptions;
};

// Everything a drawing, a print, an export or an unfolding reads, as one value passed down by `const&`.
// The application owns one (its preferences, its view state, and the display values a new document
// starts with); ForDocument puts a document's own display block in place before its drawing reads it.
struct Settings : Preferences, ViewState, DisplaySettings {
    const DisplaySettings& display() const { return *this; }
    DisplaySettings& display() { return *this; }
};

// `settings` with `display` in place of its display block.
Settings WithDisplay(const Settings& settings, const DisplaySettings& display);

// The default colour table, kept apart so that "Reset to Default" can restore it at run time.
extern const int32_t kDefaultColors[8];

// The stored strategy; a value no strategy has (an edited store) means Upright.
UnfoldStrategy UnfoldStrategyOf(const Settings& settings);
// The stored marks; a value no kind has means none.
MarksKind MarksKindOf(const Settings& settings);

// The texture size limit in pixels: the user's choice when enabled, else what GL reports.
int32_t TextureSizeLimit(const Settings& settings);

} // namespace tsm
