// The process-wide preferences and display switches, with their compiled-in defaults.
//
// One instance is current for the whole process: the settings store fills it at start-up, a model file
// overwrites the display subset it carries, and the views and dialogs read and change it. Tests that change
// it use ScopedSettings so that every test starts from the defaults.
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

struct Settings {
    // Key "Settings": paths and the first-launch flag. Defaults are formed from the program directory.
    std::string sLastDataOpenedDir;
    std::string sLastTextureOpenedDir;
    std::string sViewerPath;
    bool bFirstLaunch = true;

    // Key "Options".
    bool bDrawOpenedModel = true;
    bool bUseEdgeColor = true;
    bool bSoundForPick = false;
    bool bZoomWheelInvert = false;
    bool bTextureSmooth = true;
    bool bLimitTextureSizeByUser = false;
    int32_t iTextureLimitSizeUser = 256;
    bool bSlideColorToWhite = true;
    bool bNoPrintBrankPage = true;
    bool bUseAnimationForFaceCheck = true;
    bool bSnapToGrid = true;
    int32_t iGridSizeMM = 5;
    int32_t iTtextureLimitSizeID = 2;
    bool bSetFlapAngleAutoForOldTSM = false;
    int32_t iFaceCheckAnimationSpeedIndex = 1;
    bool bCheckNewVersionAtStart = false;
    bool bUseOpenGLToDrawEdgeID = false;
    int32_t iMaxFlapBaseAngle = 45;
    int32_t iEdgeIDfontSizePoint = 5;
    bool bInvertEdgeID = false;
    double dDefaultFlapHeightMM = 5.0;
    bool bLineAlpha = true;
    double dLineAlphaValue = 0.5;
    bool bPrintPageNumber = true;
    bool bPrintTombo = false;
    int32_t iResolutionID = 2;
    int32_t iLineWidthID = 2;
    bool bOmitFlatEdge = true;
    int32_t iFlatEdgeAngle = 175;
    bool bLoadLastTextInfo = false;
    int32_t iLastTextLineSpaceMM = 2;
    int32_t iLastTextFontSize = 36;
    std::string sLastTextFontName;
    int32_t sLastTextFontColor = 0;
    // The colour table, COLORREF 0x00BBGGRR: faces without material, mountain edge, valley edge,
    // single-sided edge, open edge, marked edge, (unused), 3D background.
    int32_t colors[8] = {0x00FFD9D9, 0x00FF0000, 0x00FFFF00, 0x000000FF,
                         0x000064FF, 0x0000D9D9, 0x000000FF, 0x00FFFFFF};

    // Run-time values, never stored.
    int32_t systemTextureLimit = 512; // until a GL context reports its maximum texture size
    bool bDrawFace = true;
    bool bDrawEdge = true;
    bool bTurnOnLight = true;
    bool bDrawPageNumber = false;
    // The development view's mouse mode, shared by both views.
    EditMode editMode = EditMode::None;
    LayoutMethod layoutMethod;
    // "Join adjacent edges on development automatically.  Threshold ": cut edges whose two sides lie in
    // one part closer than this are joined after unfolding and after a face join.
    bool bJoinAdjacentEdgesOnDevelopment = false;
    double dJoinAdjacentEdgesThresholdMM = 0.01;

    // The display settings a model file carries (written by both readers, in the binary order).
    bool bDrawFlap = true;
    bool bDrawNumber = false;
    // bInvertEdgeID above
    bool bUseMaterial = true;
    // bOmitFlatEdge, iFlatEdgeAngle above
    bool bDrawWhiteBkLine = false;
    int32_t iMountainLineStyle = 3;
    int32_t iValleyLineStyle = 2;
    int32_t iCutLineStyle = 0;
    // iEdgeIDfontSizePoint above
    int32_t iPaperSize = 0;
    int32_t iPaperOrientation = 0;
    int32_t iMarginSide = 15;                            // mm
    int32_t iMarginTop = 15;                             // mm
    double mountainDash[6] = {1.0, 1.0, -1, -1, -1, -1}; // mm; entries <= 0 take no part
    double valleyDash[6] = {2.0, 1.0, 0.5, 1.0, -1, -1};
    bool bColorFlapWithFace = false;
    // dDefaultFlapHeightMM above
};

// The default colour table, kept apart so that "Reset to Default" can restore it at run time.
extern const int32_t kDefaultColors[8];

// The current process-wide settings.
Settings& CurrentSettings();

// The texture size limit in pixels: the user's choice when enabled, else what GL reports.
int32_t TextureSizeLimit();

// Restores the settings that were current when it was made; tests use it to stay independent.
class ScopedSettings {
public:
    ScopedSettings() : saved_(CurrentSettings()) {}
    ~ScopedSettings() { CurrentSettings() = saved_; }
    ScopedSettings(const ScopedSettings&) = delete;
    ScopedSettings& operator=(const ScopedSettings&) = delete;

private:
    Settings saved_;
};

} // namespace tsm
