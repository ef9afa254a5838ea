#include "app/StatusTexts.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

using namespace tsm;

namespace {

void SetBounds(Document& document, Vec3 low, Vec3 high) {
    document.model->boundsMin = low;
    document.model->boundsMax = high;
}

} // namespace

TEST(StatusTexts, AssembledSizeIsTheExtentInCentimetres) {
    Document document;
    SetBounds(document, {-10, 0, 5}, {30, 25, 17});
    EXPECT_EQ(AssembledSizeText(&document), "");
    EXPECT_EQ(AssembledSizeText(nullptr), "");
    document.development = std::make_unique<Development>();
    document.development->scale = 2.0; // mm per model unit
    // Height is Y, width X, depth Z: 25 x 2 / 10, 40 x 2 / 10, 12 x 2 / 10.
    EXPECT_EQ(AssembledSizeText(&document), "Assembled size: Height 5.0cm Width 8.0cm Depth 2.4cm");
    EXPECT_EQ(AssembledSizeText(&document, 0.5), "Assembled size: Height 2.5cm Width 4.0cm Depth 1.2cm");
}

TEST(StatusTexts, AssembledSizeIgnoresTheLocaleAndBadNumbers) {
    Document document;
    SetBounds(document, {0, 0, 0}, {1.25, 1.25, 1.25});
    document.development = std::make_unique<Development>();
    document.development->scale = 10.0;
    // A decimal comma locale must not turn the point into a comma.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(AssembledSizeText(&document), "Assembled size: Height 1.2cm Width 1.2cm Depth 1.2cm");
    std::setlocale(LC_NUMERIC, saved.c_str());
    // A damaged scale shows zeros rather than "nan".
    document.development->scale = std::nan("");
    EXPECT_EQ(AssembledSizeText(&document), "Assembled size: Height 0.0cm Width 0.0cm Depth 0.0cm");
}
