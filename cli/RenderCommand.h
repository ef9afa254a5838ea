// tsmtool render: the development view's picture without a window, fitted to the image as a fresh view
// would be, or the 3D view's picture from its default camera (or the given angles), written as PNG or BMP.
#pragma once

#include "cli/OptionTable.h"
#include "model/Document.h"
#include "model/Prompt.h"
#include "model/Result.h"

#include <optional>
#include <string>
#include <vector>

namespace tsm {

constexpr int kDefaultRenderWidth = 800;
constexpr int kDefaultRenderHeight = 600;

struct RenderRequest {
    std::string outPath;
    int width = kDefaultRenderWidth;
    int height = kDefaultRenderHeight;
    bool pageLabels = false; // as the view's "Show Page Number"
    bool view3d = false;
    std::optional<double> yawDeg; // 3D camera angles instead of the default camera's
    std::optional<double> pitchDeg;
};

// Checks `render MODEL OUT` (two operands, counted by the option table) with `--view` ("2d" or "3d"),
// `--size WxH` (each side 1 to 16384), `--labels`, and `--yaw` and `--pitch` in degrees for the 3D view;
// OUT must end in ".png" or ".bmp", in any case. Fails with the usage problem.
Result<RenderRequest> ParseRenderRequest(const CommandLine& line);

// Draws the document as the development view shows it right after opening (fitted, pan 0) and writes the
// picture, or as the 3D view shows it; PNG by extension, otherwise a 24-bit BMP. 0 on success, 1 when
// drawing or writing failed.
int RunRender(Document& document, const Settings& settings, const RenderRequest& request, IPrompt& prompt);

} // namespace tsm
