// Renders a picture file with Inkscape, a reader none of our code comes from, so that the writers are
// checked by what a real program makes of their files. Tests skip when Inkscape is not installed.
#pragma once

#include <QImage>
#include <QPointF>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QColor>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace tsm::test {

inline bool InkscapeInstalled() {
    return std::system("command -v inkscape >/dev/null 2>&1") == 0;
}

// The PNG Inkscape makes of `inputPath` (EMF or SVG) at `dpi`, on an opaque white background; a null
// image on failure, with Inkscape's output in `log`. HOME points to a fresh folder so that no user
// profile is read or written, and nothing needs a display.
// `only`, when given, is the id of the one element drawn, on the whole page.
inline QImage RenderWithInkscape(const std::string& inputPath, int dpi, std::string* log,
                                 const std::string& only = {}) {
    QTemporaryDir dir;
    if (!dir.isValid()) return {};
    const std::string home = dir.path().toStdString();
    const std::string output = home + "/out.png";
    const std::string logPath = home + "/inkscape.log";
    const std::string command =
        "HOME='" + home + "' XDG_CONFIG_HOME='" + home + "/config' " +
        "inkscape --export-type=png --export-filename='" + output + "' --export-dpi=" + std::to_string(dpi) +
        " --export-background=white --export-background-opacity=1 " +
        (only.empty() ? std::string() : "--export-id='" + only + "' --export-id-only --export-area-page ") +
        "'" + inputPath + "' >'" + logPath + "' 2>&1";
    const int rc = std::system(command.c_str());
    if (log != nullptr) {
        std::ifstream in(logPath);
        *log = "exit " + std::to_string(rc) + ": " +
               std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (rc != 0) return {};
    return QImage(QString::fromStdString(output)).convertToFormat(QImage::Format_RGB32);
}

// Whether some pixel within `radius` of (x, y) satisfies `test`.
inline bool AnyPixelNear(const QImage& image, double x, double y, int radius,
                         const std::function<bool(const QColor&)>& test) {
    const int cx = static_cast<int>(x), cy = static_cast<int>(y);
    for (int py = cy - radius; py <= cy + radius; ++py)
        for (int px = cx - radius; px <= cx + radius; ++px)
            if (image.valid(px, py) && test(image.pixelColor(px, py))) return true;
    return false;
}

inline bool IsDark(const QColor& c) {
    return c.red() + c.green() + c.blue() < 200;
}
inline bool IsWhite(const QColor& c) {
    return c.red() > 240 && c.green() > 240 && c.blue() > 240;
}
inline bool IsRed(const QColor& c) {
    return c.red() > 180 && c.green() < 90 && c.blue() < 90;
}
inline bool IsGreen(const QColor& c) {
    return c.green() > 80 && c.red() < 60 && c.blue() < 60;
}

// Checks a rendering of TinyDevelopment (VectorFixture.h); `toPixel` maps development millimetres to
// image pixels. Lines are looked for within `slack` pixels of where they lie.
inline void ExpectTinyDevelopmentDrawn(const QImage& image,
                                       const std::function<QPointF(double, double)>& toPixel, int slack) {
    const auto near = [&](double x, double y, const std::function<bool(const QColor&)>& test) {
        const QPointF p = toPixel(x, y);
        return AnyPixelNear(image, p.x(), p.y(), slack, test);
    };
    const auto at = [&](double x, double y) {
        const QPointF p = toPixel(x, y);
        return image.pixelColor(static_cast<int>(p.x()), static_cast<int>(p.y()));
    };
    EXPECT_TRUE(near(25, 10, IsRed)) << "the red top cut line";
    EXPECT_TRUE(near(30, 15, IsDark)) << "the right cut line";
    EXPECT_TRUE(near(25, 20, IsDark)) << "the bottom cut line";
    EXPECT_TRUE(near(16, 15, IsGreen)) << "the flap's tip side";
    EXPECT_TRUE(near(18, 12, IsGreen)) << "the flap's first side";
    EXPECT_TRUE(near(20, 10.7, IsDark)) << "the first mountain dash";
    EXPECT_FALSE(IsDark(at(20, 12.12))) << "the gap after the first mountain dash";
    EXPECT_TRUE(near(21, 11, IsDark)) << "the valley dash at the fold's end";
    EXPECT_TRUE(IsWhite(at(23, 17))) << "inside the lower face";
    EXPECT_TRUE(IsWhite(at(27, 12))) << "inside the upper face";
    EXPECT_TRUE(IsWhite(at(17, 11))) << "outside, beside the flap";
}

} // namespace tsm::test
