// The bitmap outputs of the development: one BMP of the whole development, one BMP per printed sheet and
// the BMP that becomes the model's texture, with the numbers behind the "Output Size (BMP)" dialog (the size
// an output starts with, how its fields follow each other while the user types, the checks on OK). The
// dialogs only show these values; tsmtool uses them without a dialog.
#pragma once

#include "model/Document.h"
#include "model/Outcome.h"
#include "model/Prompt.h"
#include "sheet/Paper.h"
#include "sheet/RasterProjection.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tsm {

// The largest width or height any caller of the dialog allows, in pixels.
constexpr int kBmpMaximumPixels = 4000;
// Pixels added on each side of the whole-development outputs (file and clipboard).
constexpr int kWholeBmpBorderPixels = 5;
// The size at 100 %.
constexpr double kBmpBasePixelsPerInch = 72.0;
// Above this estimated file size (whole megabytes) the user is asked before the bitmap is made.
constexpr int kLargeBmpMegabytes = 15;

extern const char* const kMessageBmpPixelRange; // "Specify a value of 1 - %d for pixel number."
extern const char* const kMessageLargeBmp;      // "The picture will be about %d MB.\n..."

// What the dialog holds. `width` and `height` are the content as the fields show it; the bitmap gets the
// borders on top of that (OutputWidth, OutputHeight).
struct BmpSizeState {
    int width = 0;
    int height = 0;
    int scalePercent = 0;
    int baseWidth = 0;  // content width at 72 pixels per inch
    int baseHeight = 0; // content height at 72 pixels per inch
    int maximum = kBmpMaximumPixels;
    int borderX = 0;
    int borderY = 0;
    double aspect = 1.0; // content height / content width

    int OutputWidth() const { return width + 2 * borderX; }
    int OutputHeight() const { return height + 2 * borderY; }
};

// The starting values for content of the given size in millimetres: 72 pixels per inch, truncated; a
// width above the maximum is capped and the height follows, then likewise for the height; the scale is the
// capped width against the base width in whole percent, rounded half up. Sizes that are not positive or
// not finite give a base of 0 (the OK check then refuses them).
BmpSizeState InitialBmpSize(double contentWidthMM, double contentHeightMM, int maximum, int borderX,
                            int borderY);

// The user typed a value into one field: the other two follow, keeping the content's aspect ratio, each
// rounded to the nearest integer. A width or height below 1, or a scale not above 0, changes nothing.
void EditBmpWidth(BmpSizeState& state, int width);
void EditBmpHeight(BmpSizeState& state, int height);
void EditBmpScale(BmpSizeState& state, double scalePercent);

// The estimated file size in whole megabytes: width x height x 3 / 1,000,000, truncated.
int64_t EstimatedBmpMegabytes(int64_t width, int64_t height);

// The OK button's checks. The content width and height must each lie between 2 x border (and at least 1)
// and the maximum, otherwise "Specify a value of 1 - 4000 for pixel number." is shown and false returned
// (the dialog stays open). Then a bitmap estimated above 15 MB asks whether to go on; No returns false.
bool AcceptBmpSize(const BmpSizeState& state, IPrompt& prompt);

// ChooseWholeSize's starting values: the development's bounding box, recomputed first, at 72 pixels per
// inch. A document without development gives a content of 0 x 0.
BmpSizeState WholeBmpSize(Document& document, int maximum, int border);
// ChooseSheetSize's: the printable area of one sheet, without border.
BmpSizeState SheetBmpSize(const Paper& paper, int maximum);

// The "Output Size (BMP)" dialog, shown on the starting values: false when cancelled. On OK it has run
// AcceptBmpSize, so the state it leaves is the size to make.
using BmpSizeChooser = std::function<bool(BmpSizeState& state)>;

class OffscreenBitmap;
// The overlay (texts and edge IDs, as printed) drawn straight onto a rendered bitmap's bottom-up rows.
void DrawOverlayOnBitmap(OffscreenBitmap& bitmap, const Document& document, const Settings& settings,
                         const RasterProjection& projection);

// The whole development as one 24-bit BMP of width x height pixels: its bounding box across the width less
// `border` pixels on each side (and `border` pixels down from the top), lightened with lightenColorsToWhite,
// the overlay on top. Renderer and write failures are reported by the renderer ("write error" for the
// latter) and fail with the reason.
Outcome WriteWholeBmp(Document& document, const Settings& settings, const std::string& path, int width,
                      int height, int border, IPrompt& prompt);

// The picture WriteWholeBmp would write, top-down, for the clipboard. Null with the reason when it could
// not be rendered (the renderer has told the user).
Outcome RenderWholeImage(Document& document, const Settings& settings, int width, int height, int border,
                         IPrompt& prompt, QImage& image);

// "name.bmp" and page 7 give "name_007.bmp" in the same folder: the chosen path without its extension,
// "_%03d" with the page number, ".bmp".
std::string SheetBmpPath(const std::string& chosenPath, int pageNumber);

// One BMP per page of the page list (blank sheets left out with skipBlankPages), in print order from
// _001: each shows its sheet's printable area at width / printable width pixels per millimetre. The names
// written go to `written`. Stops at the first failure.
Outcome WriteSheetBmps(Document& document, const Settings& settings, const Paper& paper,
                       const std::string& path, int width, int height, IPrompt& prompt,
                       std::vector<std::string>* written = nullptr);

// The commands after the save dialog: refuse without a development ("No data for development."), refuse
// a name that does not end in ".bmp" ("Cannot load file of specified type."), let `chooser` settle the
// size (cancel ends the command quietly), then write. Refusals and a cancelled size are Cancelled.
Outcome ExportWholeBmp(Document& document, const Settings& settings, const std::string& chosenPath,
                       const BmpSizeChooser& chooser, IPrompt& prompt);
Outcome ExportSheetBmps(Document& document, const Settings& settings, const std::string& chosenPath,
                        const BmpSizeChooser& chooser, IPrompt& prompt,
                        std::vector<std::string>* written = nullptr);

// "BMP File for Texture". The question the command asks before its save dialog (OK/Cancel).
extern const char* const kMessageTextureReset;
bool ConfirmTextureReset(IPrompt& prompt);

// Makes the development the model's texture: writes the whole development without border (size from
// `chooser`), then resets the model so that the file textures it as it looks on the sheet:
//  - every corner of every face in a part gets u = its x on the bitmap / bitmap width and v = its y on the
//    bitmap / bitmap height, with the bitmap's top row at v = 0 as for every texture image; corners of
//    faces in no part get (0, 0);
//  - the model's materials are replaced by one new material, white, named after the file (without folder
//    and extension), holding the written file as its texture; every face uses it (index 0).
// Pictures keep their own materials. Nothing is reset when the file could not be written.
Outcome ExportTextureBmp(Document& document, const Settings& settings, const std::string& chosenPath,
                         const BmpSizeChooser& chooser, IPrompt& prompt);

// The texture coordinates and material reset above, for a bitmap of width x height made with `projection`.
void ResetModelToDevelopmentTexture(Document& document, const Settings& settings,
                                    const RasterProjection& projection, int width, int height,
                                    const std::string& bmpPath, IPrompt& prompt);

} // namespace tsm
