#include "app/StatusTexts.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

using namespace tsm;

TEST(StatusTexts, AssembledSizeIsTheExtentInCentimetresWhateverTheLocale) {
    Document document;
    document.model->boundsMin = {-10, 0, 5};
    document.model->boundsMax = {30, 25, 17};
    EXPECT_EQ(AssembledSizeText(&document), "");
    EXPECT_EQ(AssembledSizeText(nullptr), "");
    document.development = std::make_unique<Development>();
    document.development->scale = 2.0; // mm per model unit
    // Height is Y, width X, depth Z: 25 x 2 / 10, 40 x 2 / 10, 12 x 2 / 10.
    const std::string text = "Assembled size: Height 5.0cm Width 8.0cm Depth 2.4cm";
    EXPECT_EQ(AssembledSizeText(&document), text);
    EXPECT_EQ(AssembledSizeText(&document, 0.5), "Assembled size: Height 2.5cm Width 4.0cm Depth 1.2cm");
    // A decimal comma locale must not turn the point into a comma.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(AssembledSizeText(&document), text);
    std::setlocale(LC_NUMERIC, saved.c_str());
    // A damaged scale shows zeros rather than "nan".
    document.development->scale = std::nan("");
    EXPECT_EQ(AssembledSizeText(&document), "Assembled size: Height 0.0cm Width 0.0cm Depth 0.0cm");
}
