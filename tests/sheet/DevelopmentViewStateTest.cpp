// The development view's navigation (fit, pan, zoom with its floor, click versus drag, the mapping between
// screen and millimetres, the grid change that keeps the drawing in place) and the rules the edit modes
// pick and select by.

#include "sheet/DevelopmentViewState.h"

#include "model/Settings.h"
#include "sheet/DevelopmentPicking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <utility>

using namespace tsm;

namespace {

// A4 portrait with 15 mm margins: printable 180 x 267 mm; n columns are 180 n + 30 mm wide.
SheetLayout A4(int columns, int rows) {
    SheetLayout layout;
    layout.columns = columns;
    layout.rows = rows;
    return layout;
}

DevPointer At(int x, int y) {
    DevPointer pointer;
    pointer.x = x;
    pointer.y = y;
    return pointer;
}

DevPointer Held(int x, int y, DevButton button, bool shift = false) {
    DevPointer pointer = At(x, y);
    pointer.left = button == DevButton::Left;
    pointer.right = button == DevButton::Right;
    pointer.middle = button == DevButton::Middle;
    pointer.shift = shift;
    return pointer;
}

// Zoom, pan x and pan y.
std::vector<double> View(const DevelopmentViewState& state) {
    return {state.Zoom(), state.PanX(), state.PanY()};
}

DevelopmentViewState Fitted(int width, int height, const SheetLayout& layout, bool hasDevelopment = true) {
    DevelopmentViewState state;
    state.SetClientSize(width, height);
    state.Fit(layout, hasDevelopment);
    return state;
}

} // namespace

TEST(DevelopmentViewState, FitShowsTheSheetAreaOrOneSheetWithFifteenPixelsFree) {
    // Two columns of A4 are 390 x 297 mm: 420 x 327 pixels leave exactly 15 on each side at zoom 1.
    DevelopmentViewState state = Fitted(420, 327, A4(2, 1));
    EXPECT_EQ(View(state), (std::vector<double>{1, 0, 0}));

    // The smaller of the two ratios wins (here the width: 210 / 390).
    state = Fitted(240, 327, A4(2, 1));
    EXPECT_DOUBLE_EQ(state.Zoom(), 210.0 / 390.0);

    // Without a development the content is one sheet's paper, whatever grid the document held.
    state = Fitted(240, 327, A4(2, 1), false);
    EXPECT_DOUBLE_EQ(state.Zoom(), 1.0);
    // A client smaller than the margins still gets a usable zoom.
    EXPECT_EQ(Fitted(20, 10, A4(2, 1)).Zoom(), 1.0);
    EXPECT_EQ(Fitted(0, 0, A4(2, 1), false).Zoom(), 1.0);

    // A fit forgets the pan and the zoom the user chose.
    state.SetPan(12.0, -7.0);
    ASSERT_TRUE(state.SetZoom(3.0, A4(1, 1)));
    state.Fit(A4(1, 1), true);
    EXPECT_EQ(View(state), (std::vector<double>{1, 0, 0}));
}

TEST(DevelopmentViewState, WheelZoomsByTheDeltaAndStopsAtFivePixelsOfPrintableArea) {
    const SheetLayout layout = A4(1, 1);
    DevelopmentViewState state = Fitted(240, 327, layout);

    // A notch forward shrinks by 0.88, one backwards grows by 1.12; the inverted wheel swaps them.
    for (const auto& [delta, inverted, zoom] :
         {std::tuple{120, false, 1.76}, std::tuple{-120, false, 2.24}, std::tuple{120, true, 2.24}}) {
        ASSERT_TRUE(state.SetZoom(2.0, layout));
        EXPECT_TRUE(state.WheelTurned(delta, inverted, layout));
        EXPECT_DOUBLE_EQ(state.Zoom(), zoom);
    }

    // Printable width 5.2 pixels: forward would give 4.6 and is refused, the zoom staying; backwards is fine.
    const double floorZoom = 5.2 / 180.0;
    ASSERT_TRUE(state.SetZoom(floorZoom, layout));
    EXPECT_FALSE(state.WheelTurned(120, false, layout));
    EXPECT_DOUBLE_EQ(state.Zoom(), floorZoom);
    EXPECT_TRUE(state.WheelTurned(-120, false, layout));
    EXPECT_DOUBLE_EQ(state.Zoom(), floorZoom * 1.12);

    // The printable height counts too: on landscape paper (267 x 180 printable) the height is the limit.
    SheetLayout landscape = A4(1, 1);
    landscape.paper.landscape = 1;
    EXPECT_FALSE(state.SetZoom(4.9 / 180.0, landscape));
    EXPECT_TRUE(state.SetZoom(5.0 / 180.0, landscape));

    // No upper limit, but nothing that is not a positive number.
    EXPECT_TRUE(state.SetZoom(1e6, layout));
    for (double bad :
         {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(state.SetZoom(bad, layout)) << bad;
    EXPECT_DOUBLE_EQ(state.Zoom(), 1e6);
}

// The wheel zooms about the pointer: the development point under it stays there (to the rounding of the
// pixel grid), wherever the pointer is. Zooming or panning marks the view as navigated until a fit.
TEST(DevelopmentViewState, WheelZoomsAboutThePointerAndNavigationLastsUntilAFit) {
    const SheetLayout layout = A4(2, 1);
    for (const Point2 pointer : {Point2{10, 20}, Point2{120, 163.5}, Point2{230, 300}}) {
        DevelopmentViewState state = Fitted(240, 327, layout);
        EXPECT_FALSE(state.Navigated());
        for (int delta : {120, -360, 240}) {
            const Point2 before = state.ScreenToDevelopment(pointer.x, pointer.y, layout);
            ASSERT_TRUE(state.WheelTurned(delta, false, layout, pointer));
            const Point2 after = state.ScreenToDevelopment(pointer.x, pointer.y, layout);
            EXPECT_NEAR(after.x, before.x, 1.0 / state.Zoom()) << pointer.x << " " << delta;
            EXPECT_NEAR(after.y, before.y, 1.0 / state.Zoom()) << pointer.y << " " << delta;
        }
        EXPECT_TRUE(state.Navigated());
        state.Fit(layout, true);
        EXPECT_FALSE(state.Navigated());
        state.ButtonDown(Held(5, 5, DevButton::Left));
        EXPECT_TRUE(state.MouseMoved(Held(9, 5, DevButton::Left), layout));
        EXPECT_TRUE(state.Navigated());
    }
}

TEST(DevelopmentViewState, TheDragFlagNeedsAPressAndOutlivesTheRelease) {
    const SheetLayout layout = A4(1, 1);
    DevelopmentViewState state = Fitted(240, 327, layout);

    // Before any press a held button moves nothing (the press happened outside the view).
    EXPECT_FALSE(state.Dragging());
    EXPECT_FALSE(state.MouseMoved(Held(50, 50, DevButton::Left), layout));
    EXPECT_EQ(state.PanX(), 0.0);

    // Any button pans; the left one is checked with the shift key, the right one zooms with it.
    state.ButtonDown(Held(0, 0, DevButton::Middle));
    EXPECT_TRUE(state.Dragging());
    // A move with no button pans nothing but is remembered, so the next held move starts from it.
    EXPECT_FALSE(state.MouseMoved(At(100, 0), layout));
    EXPECT_EQ(state.PanX(), 0.0);
    EXPECT_TRUE(state.MouseMoved(Held(101, 0, DevButton::Middle), layout));
    EXPECT_DOUBLE_EQ(state.PanX(), 1.0);

    // Only a new document ends it.
    state.EndDrag();
    EXPECT_FALSE(state.Dragging());
    EXPECT_FALSE(state.MouseMoved(Held(200, 0, DevButton::Left), layout));
    EXPECT_DOUBLE_EQ(state.PanX(), 1.0);
}

TEST(DevelopmentViewState, ShiftRightDragZoomsInsteadOfPanning) {
    const SheetLayout layout = A4(1, 1);
    DevelopmentViewState state = Fitted(240, 327, layout);
    ASSERT_TRUE(state.SetZoom(2.0, layout));
    state.ButtonDown(Held(0, 0, DevButton::Right, true));
    // zoom x (1 + 0.005 x (dx + dy)) per message.
    EXPECT_TRUE(state.MouseMoved(Held(10, 10, DevButton::Right, true), layout));
    EXPECT_DOUBLE_EQ(state.Zoom(), 2.2);
    EXPECT_TRUE(state.PanX() == 0 && state.PanY() == 0);
    // Shift with the left button is an ordinary pan.
    EXPECT_TRUE(state.MouseMoved(Held(21, 10, DevButton::Left, true), layout));
    EXPECT_DOUBLE_EQ(state.Zoom(), 2.2);
    EXPECT_DOUBLE_EQ(state.PanX(), 5.0);
    // A drag that would shrink the printable area below 5 pixels is refused like the wheel.
    ASSERT_TRUE(state.SetZoom(5.2 / 180.0, layout));
    EXPECT_FALSE(state.MouseMoved(Held(0, -10, DevButton::Right, true), layout));
    EXPECT_DOUBLE_EQ(state.Zoom(), 5.2 / 180.0);
}

TEST(DevelopmentViewState, AGridChangeKeepsTheDrawingInPlace) {
    const SheetLayout before = A4(1, 1);
    const SheetLayout after = A4(3, 2);
    DevelopmentViewState state = Fitted(400, 400, before);
    ASSERT_TRUE(state.SetZoom(1.5, before));
    state.SetPan(4.0, 6.0);
    const Point2 mm{50.0, 80.0};
    const Point2 was = state.DevelopmentToScreen(mm, before);
    state.KeepDrawingInPlace(before, after);
    // Half the change of the sheet area: two more columns of 180 mm, one more row of 267 mm.
    EXPECT_EQ(View(state), (std::vector<double>{1.5, 4.0 + 180.0, 6.0 + 133.5}));
    const Point2 is = state.DevelopmentToScreen(mm, after);
    EXPECT_NEAR(is.x, was.x, 1e-9);
    EXPECT_NEAR(is.y, was.y, 1e-9);
    // And back again when the grid shrinks.
    state.KeepDrawingInPlace(after, before);
    EXPECT_EQ(View(state), (std::vector<double>{1.5, 4, 6}));
}

TEST(DevelopmentViewState, ModeStatusTexts) {
    const std::pair<EditMode, std::string> rows[] = {
        {EditMode::CheckFace,
         "Click a face to see the faces that match it in the 3D model and the development."},
        {EditMode::SelectMove, "2D [Select/Move] L [Pan] R or Wheel Drag [Zoom] Shift+R or Wheel"},
        {EditMode::ColorEdge, "Click the edge to change color (drag for area select)."},
        // No mode and values outside the table have no text (and do not read past it).
        {EditMode::None, ""},
        {static_cast<EditMode>(8), ""},
        {static_cast<EditMode>(-1), ""},
    };
    for (const auto& [mode, text] : rows) EXPECT_EQ(EditModeStatusText(mode), text) << static_cast<int>(mode);
}

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
    auto part = std::make_unique<Part>();
    part->x = 0;
    part->y = 0;
    part->width = 50;
    part->height = 50;
    Part* box = development.AppendPart(std::move(part));
    auto add = [&](auto& list, double x, double y, double w, double h) {
        list.push_back(std::make_unique<typename std::decay_t<decltype(list)>::value_type::element_type>());
        double* r = list.back()->rect;
        r[0] = x, r[1] = y, r[2] = w, r[3] = h;
        return list.back().get();
    };
    TextBlock* text = add(development.texts, 60, 0, 20, 10);
    ImageBlock* under = add(development.imagesA, 60, 20, 20, 10);
    ImageBlock* above = add(development.imagesB, 100, 30, -20, -10); // mirrored: spans 80..100, 20..30
    TextBlock* onTop = add(development.texts, 85, 22, 5, 5);

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
