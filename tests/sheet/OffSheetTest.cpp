#include "sheet/OffSheet.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tsm;

namespace {

// A4 portrait with 15 mm margins: printable sheets of 180 x 267 mm, here a grid of 2 x 1.
Paper A4() {
    return Paper{};
}

} // namespace

TEST(OffSheet, BoxesInsideOneSheetOrNot) {
    struct Case {
        const char* name;
        double box[4];
        bool inside;
    };
    const Case cases[] = {
        {"well inside the first sheet", {10, 10, 50, 50}, true},
        {"exactly the first sheet", {0, 0, 180, 267}, true},
        {"inside the second sheet", {190, 10, 50, 50}, true},
        {"negative size, inside", {60, 60, -50, -50}, true},
        {"across the border of two sheets", {150, 10, 50, 50}, false},
        {"above the first sheet", {10, -5, 50, 50}, false},
        {"left of the first sheet", {-1, 10, 50, 50}, false},
        {"below the only row", {10, 250, 50, 50}, false},
        {"beyond the last column", {365, 10, 10, 10}, false},
        {"not a number", {std::nan(""), 10, 10, 10}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(InsideOneSheet(c.box, A4(), 2, 1), c.inside) << c.name;
}

TEST(OffSheet, CountsPartsAndTextsAndSaysSo) {
    Document document;
    document.sheetColumns = 2;
    document.sheetRows = 1;
    EXPECT_EQ(CountOffSheet(document, A4()).total(), 0); // no development
    document.development = std::make_unique<Development>();
    for (double x : {10.0, 150.0, -20.0}) {
        auto part = std::make_unique<Part>();
        part->x = x;
        part->y = 10;
        part->width = part->height = 40;
        document.development->parts.push_back(std::move(part));
    }
    auto text = std::make_unique<TextBlock>();
    text->rect[0] = 170, text->rect[1] = 5, text->rect[2] = 30, text->rect[3] = 8;
    document.development->texts.push_back(std::move(text));

    const OffSheetCount count = CountOffSheet(document, A4());
    EXPECT_EQ(count.parts, 2);
    EXPECT_EQ(count.texts, 1);
    EXPECT_EQ(OffSheetText(count), "2 parts and 1 text lie outside the sheets.");
    EXPECT_EQ(OffSheetText({1, 0}), "1 part lies outside the sheets.");
    EXPECT_EQ(OffSheetText({0, 3}), "3 texts lie outside the sheets.");
    EXPECT_EQ(OffSheetText({}), "");

    // Printing asks first; Cancel stops it, and nothing is asked once all lie on the sheets.
    RecordingPrompt cancel(false);
    EXPECT_FALSE(ConfirmOffSheet(document, A4(), cancel, "Print anyway"));
    ASSERT_EQ(cancel.texts.size(), 1u);
    EXPECT_EQ(cancel.texts[0].rfind("2 parts and 1 text lie outside the sheets.\n", 0), 0u);
    RecordingPrompt goOn(true);
    EXPECT_TRUE(ConfirmOffSheet(document, A4(), goOn, "Print anyway"));
    document.development->parts.resize(1);
    document.development->texts.clear();
    RecordingPrompt none(false);
    EXPECT_TRUE(ConfirmOffSheet(document, A4(), none, "Print anyway"));
    EXPECT_TRUE(none.texts.empty());
}
