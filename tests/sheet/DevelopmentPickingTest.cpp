// The rules the edit modes pick and select by: handles and their drags, the rubber band's toggling, the
// object under a point with texts above pictures above parts.

#include "sheet/DevelopmentPicking.h"

#include <gtest/gtest.h>

using namespace tsm;

TEST(DevelopmentPicking, HandlesFindAndDragTheirSides) {
    const std::array<double, 4> rect = {10, 20, 40, 30};
    struct Case {
        Point2 at;
        int handle;
        Point2 by;
        std::array<double, 4> after;
    };
    const Case cases[] = {
        {{10, 20}, 0, {-5, -5}, {5, 15, 45, 35}},    // top left grows up and left
        {{30.5, 20.5}, 1, {7, 4}, {10, 24, 40, 26}}, // the top side moves only up and down
        {{50, 35}, 3, {10, 0}, {10, 20, 50, 30}},
        {{50, 50}, 4, {-100, -100}, {10, 20, 1, 1}}, // dragged across: stops 1 mm short
        {{10, 50}, 6, {2, 2}, {12, 20, 38, 32}},
        {{9, 35}, 7, {-1, 9}, {9, 20, 41, 30}},
        {{30, 35}, -1, {0, 0}, rect}, // the middle is no handle
        {{12, 20}, -1, {0, 0}, rect}, // beyond the tolerance
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handle);
        EXPECT_EQ(HandleAt(rect, c.at, 1.0), c.handle);
        if (c.handle >= 0) {
            EXPECT_EQ(DragHandle(rect, c.handle, c.by), c.after);
        }
    }
}

TEST(DevelopmentPicking, ObjectsStackAndTheRubberBandToggles) {
    Development development;
    auto part = std::make_unique<CPart>();
    part->x = 0;
    part->y = 0;
    part->width = 50;
    part->height = 50;
    CPart* box = development.AppendPart(std::move(part));
    auto add = [&](auto& list, double x, double y, double w, double h) {
        list.push_back(std::make_unique<typename std::decay_t<decltype(list)>::value_type::element_type>());
        double* r = list.back()->rect;
        r[0] = x, r[1] = y, r[2] = w, r[3] = h;
        return list.back().get();
    };
    CTextBlock* text = add(development.texts, 60, 0, 20, 10);
    CImageBlock* under = add(development.imagesA, 60, 20, 20, 10);
    CImageBlock* above = add(development.imagesB, 100, 30, -20, -10); // mirrored: spans 80..100, 20..30
    CTextBlock* onTop = add(development.texts, 85, 22, 5, 5);

    // A part without faces is hit by nothing but its box in a rectangle.
    EXPECT_FALSE(ObjectAt(development, {10, 10}));
    EXPECT_EQ(ObjectAt(development, {70, 5}), TextObject(text));
    EXPECT_EQ(ObjectAt(development, {70, 25}), PictureObject(under));
    EXPECT_EQ(ObjectAt(development, {95, 25}), PictureObject(above));
    EXPECT_EQ(ObjectAt(development, {87, 24}), TextObject(onTop));
    EXPECT_EQ(ObjectRect(PictureObject(above)), (std::array<double, 4>{80, 20, 20, 10}));

    // The band goes through the pictures under the parts, the texts, the parts, the pictures above.
    const std::vector<DevObject> met = ObjectsMeetingRect(development, {95, 28}, {40, 5});
    EXPECT_EQ(met, (std::vector<DevObject>{PictureObject(under), TextObject(text), TextObject(onTop),
                                           PartObject(box), PictureObject(above)}));
    EditSelection selection;
    Select(selection, TextObject(text));
    Select(selection, PartObject(box));
    ToggleSelected(selection, met);
    EXPECT_EQ(SelectedObjects(selection),
              (std::vector<DevObject>{TextObject(onTop), PictureObject(under), PictureObject(above)}));
    EXPECT_FALSE(SingleTextOrPicture(selection));
    Deselect(selection, PictureObject(under));
    Deselect(selection, PictureObject(above));
    EXPECT_EQ(SingleTextOrPicture(selection), TextObject(onTop));
}
