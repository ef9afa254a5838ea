#include "cli/RenderCommand.h"

#include "cli/ExitStatus.h"
#include "model/AtomicFile.h"
#include "model/Settings.h"
#include "model/TextCase.h"
#include "sheet/SheetScreen.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/ModelViewLogic.h"
#include "view3d/OffscreenBitmap.h"

#include <QBuffer>
#include <QImage>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tsm {

namespace {

bool ParseSide(const char* first, const char* last, int& value) {
    const std::from_chars_result result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last && value >= 1 && value <= kMaxRenderSidePixels;
}

// The image as a bottom-up 24-bit DIB, the form the BMP writer takes.
Outcome WriteImageAsBmp(const QImage& image, const std::string& path) {
    const QImage rgb = image.convertToFormat(QImage::Format_BGR888);
    BitmapInfoHeader header;
    header.width = rgb.width();
    header.height = rgb.height();
    const int32_t stride = DibStride(header.width);
    header.sizeImage = stride * header.height;
    std::vector<uint8_t> bits(static_cast<size_t>(header.sizeImage), 0);
    for (int y = 0; y < header.height; ++y)
        std::memcpy(bits.data() + static_cast<size_t>(header.height - 1 - y) * stride, rgb.constScanLine(y),
                    static_cast<size_t>(header.width) * 3);
    return WriteBmpFile(path, header, bits.data());
}

// Encoded in memory first, so that the file is written like every other output.
Outcome WriteImageAsPng(const QImage& image, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return Outcome::Failed("the PNG encoder failed");
    return WriteWholeFile(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// `--yaw` and `--pitch` in degrees, for the 3D view only.
Outcome TakeAngles(const CommandLine& line, RenderRequest& request) {
    const std::optional<std::string> yaw = line.Value("--yaw");
    const std::optional<std::string> pitch = line.Value("--pitch");
    if ((yaw || pitch) && !request.view3d) return Outcome::Failed("--yaw and --pitch belong to --view 3d");
    for (auto [text, angle] : {std::pair{&yaw, &request.yawDeg}, std::pair{&pitch, &request.pitchDeg}}) {
        if (!*text) continue;
        const std::string& value = **text;
        double degrees = 0;
        const std::from_chars_result result =
            std::from_chars(value.data(), value.data() + value.size(), degrees);
        if (value.empty() || result.ec != std::errc() || result.ptr != value.data() + value.size() ||
            !std::isfinite(degrees))
            return Outcome::Failed("--yaw and --pitch take degrees");
        *angle = degrees;
    }
    return Outcome::Ok();
}

} // namespace

Result<RenderRequest> ParseRenderRequest(const CommandLine& line) {
    RenderRequest request;
    const std::vector<std::string>& operands = line.operands;
    const std::string view = line.Value("--view").value_or("");
    const std::optional<std::string> size = line.Value("--size");
    const bool pageLabels = line.Has("--labels");
    if (view != "2d" && view != "3d") return Outcome::Failed("unknown view " + view + " (2d or 3d)");
    request.view3d = view == "3d";
    if (request.view3d && pageLabels) return Outcome::Failed("--labels belongs to --view 2d");
    request.outPath = operands[1];
    if (!EndsWithAsciiLower(request.outPath, ".png") && !EndsWithAsciiLower(request.outPath, ".bmp"))
        return Outcome::Failed("render writes .png or .bmp files");
    if (size) {
        const std::string& text = *size;
        const size_t x = text.find('x');
        if (x == std::string::npos || !ParseSide(text.data(), text.data() + x, request.width) ||
            !ParseSide(text.data() + x + 1, text.data() + text.size(), request.height))
            return Outcome::Failed("--size takes WIDTHxHEIGHT, each 1 to " +
                                   std::to_string(kMaxRenderSidePixels));
    }
    request.pageLabels = pageLabels;
    Outcome angles = TakeAngles(line, request);
    if (!angles.ok()) return angles;
    return request;
}

int RunRender(Document& document, const Settings& documentSettings, const RenderRequest& request,
              IPrompt& prompt) {
    Settings settings = documentSettings;
    if (request.pageLabels) settings.drawPageNumbers = true;
    QImage image;
    if (request.view3d) {
        Camera3D camera;
        camera.Reset();
        if (request.yawDeg) camera.yaw = *request.yawDeg;
        if (request.pitchDeg) camera.pitch = *request.pitchDeg;
        image = RenderModelViewImage(&document, settings, request.width, request.height, camera, prompt);
    } else {
        const ScreenView view =
            FitScreenView(request.width, request.height, CurrentSheetLayout(&document, settings),
                          document.development != nullptr);
        image = RenderScreenImage(&document, settings, view, prompt);
    }
    if (image.isNull()) {
        const glctx::Failure failure = glctx::LastFailure();
        if (failure == glctx::Failure::None) return ExitStatus(Outcome::Failed("rendering failed"));
        return ExitStatus(Outcome::Failed(glctx::Describe(failure)), "rendering failed: ");
    }
    const bool png = EndsWithAsciiLower(request.outPath, ".png");
    return ExitStatus(png ? WriteImageAsPng(image, request.outPath) : WriteImageAsBmp(image, request.outPath),
                      "cannot write the picture: ");
}

} // namespace tsm
