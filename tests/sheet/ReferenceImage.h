// Reference images under tests/data/reference: a rendered picture is compared pixel by pixel with a small
// tolerance, because rasterizers differ slightly in smoothed edges between versions.
//
// On a mismatch the actual picture and a difference picture (red where a pixel is beyond the tolerance,
// grey elsewhere) are written into <build>/reference-output and the failure names them. A missing
// reference is written out and the test FAILS saying so: look at it, then run again. With
// TESSALY_UPDATE_REFERENCE=1 every reference is rewritten (and the tests fail until run without it).
#pragma once

#include <QColor>
#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace tsm::test {

struct ReferenceTolerance {
    int channel = 10;               // largest difference of one colour channel that still matches
    double outlierFraction = 0.002; // share of pixels allowed beyond it (stray smoothed edge pixels)
};

inline std::string ReferenceImagePath(const std::string& name) {
    return std::string(TESSALY_SOURCE_DIR) + "/tests/data/reference/" + name + ".png";
}

inline std::string ReferenceOutputDir() {
    const std::string dir = std::string(TESSALY_BINARY_DIR) + "/reference-output";
    QDir().mkpath(QString::fromStdString(dir));
    return dir;
}

inline bool UpdatingReferenceImages() {
    const char* value = std::getenv("TESSALY_UPDATE_REFERENCE");
    return value != nullptr && std::string(value) == "1";
}

inline ::testing::AssertionResult MatchesReference(const QImage& rendered, const std::string& name,
                                                   ReferenceTolerance tolerance = {}) {
    if (rendered.isNull()) return ::testing::AssertionFailure() << name << ": nothing was rendered";
    const QImage actual = rendered.convertToFormat(QImage::Format_RGB32);
    const std::string referencePath = ReferenceImagePath(name);
    const QImage reference(QString::fromStdString(referencePath));
    if (reference.isNull() || UpdatingReferenceImages()) {
        QDir().mkpath(QString::fromStdString(std::string(TESSALY_SOURCE_DIR) + "/tests/data/reference"));
        const bool saved = actual.save(QString::fromStdString(referencePath), "PNG");
        return ::testing::AssertionFailure()
               << name << ": no reference image; " << (saved ? "wrote " : "could not write ") << referencePath
               << " - look at it before keeping it, then run the test again";
    }
    const QImage expected = reference.convertToFormat(QImage::Format_RGB32);
    const std::string actualPath = ReferenceOutputDir() + "/" + name + ".actual.png";
    const std::string diffPath = ReferenceOutputDir() + "/" + name + ".diff.png";
    if (expected.size() != actual.size()) {
        actual.save(QString::fromStdString(actualPath), "PNG");
        return ::testing::AssertionFailure()
               << name << ": size " << actual.width() << "x" << actual.height() << " instead of "
               << expected.width() << "x" << expected.height() << "; actual picture in " << actualPath;
    }
    QImage diff(actual.size(), QImage::Format_RGB32);
    long outliers = 0;
    int largest = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(e)), std::abs(qGreen(a) - qGreen(e)),
                                    std::abs(qBlue(a) - qBlue(e))});
            largest = std::max(largest, d);
            if (d > tolerance.channel) {
                ++outliers;
                diff.setPixel(x, y, qRgb(255, 0, 0));
            } else {
                const int g = 128 + qGray(e) / 2;
                diff.setPixel(x, y, qRgb(g, g, g));
            }
        }
    }
    const long allowed = long(tolerance.outlierFraction * actual.width() * actual.height());
    if (outliers <= allowed) return ::testing::AssertionSuccess();
    actual.save(QString::fromStdString(actualPath), "PNG");
    diff.save(QString::fromStdString(diffPath), "PNG");
    return ::testing::AssertionFailure()
           << name << ": " << outliers << " pixels differ by more than " << tolerance.channel << " (allowed "
           << allowed << ", largest " << largest << "); actual: " << actualPath << ", diff: " << diffPath;
}

} // namespace tsm::test
