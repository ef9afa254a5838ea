// The development view's navigation: fit, pan, zoom with its floor, click versus drag, the mapping between
// screen and millimetres, the grid change that keeps the drawing in place, and the update-hint table.

#include "sheet/DevelopmentViewState.h"

#include "model/Settings.h"

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

TEST(DevelopmentViewState, AnyButtonPansByTheMovementInMillimetres) {
    const SheetLayout layout = A4(1, 1);
    for (DevButton button : {DevButton::Left, DevButton::Right, DevButton::Middle}) {
        DevelopmentViewState state = Fitted(240, 327, layout);
        ASSERT_TRUE(state.SetZoom(2.0, layout));
        state.ButtonDown(Held(10, 10, button));
        EXPECT_TRUE(state.MouseMoved(Held(30, 0, button), layout));
        EXPECT_EQ(View(state), (std::vector<double>{2, 10, -5}));
        // Movements add up from the previous message, not from the press.
        EXPECT_TRUE(state.MouseMoved(Held(34, 2, button), layout));
        EXPECT_EQ(View(state), (std::vector<double>{2, 12, -4}));
    }
}

TEST(DevelopmentViewState, TheDragFlagNeedsAPressAndOutlivesTheRelease) {
    const SheetLayout layout = A4(1, 1);
    DevelopmentViewState state = Fitted(240, 327, layout);

    // Before any press a held button moves nothing (the press happened outside the view).
    EXPECT_FALSE(state.Dragging());
    EXPECT_FALSE(state.MouseMoved(Held(50, 50, DevButton::Left), layout));
    EXPECT_EQ(state.PanX(), 0.0);

    state.ButtonDown(Held(0, 0, DevButton::Left));
    EXPECT_TRUE(state.Dragging());
    // A move with no button pans nothing but is remembered, so the next held move starts from it.
    EXPECT_FALSE(state.MouseMoved(At(100, 0), layout));
    EXPECT_EQ(state.PanX(), 0.0);
    EXPECT_TRUE(state.MouseMoved(Held(101, 0, DevButton::Left), layout));
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

TEST(DevelopmentViewState, AReleaseWithinThreePixelsIsAClick) {
    DevelopmentViewState state;
    state.ButtonDown(Held(100, 100, DevButton::Left));
    // A 2-pixel jitter (as when checking a face) is still a click, and exactly 3 pixels; a squared
    // distance of 10 is not.
    for (const auto& [x, y, click] :
         {std::tuple{100, 100, true}, std::tuple{102, 102, true}, std::tuple{97, 100, true},
          std::tuple{103, 101, false}, std::tuple{100, 96, false}})
        EXPECT_EQ(state.IsClick(x, y), click) << x << ", " << y;
    // Coordinates far apart do not overflow into a click.
    EXPECT_FALSE(state.IsClick(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

TEST(DevelopmentViewState, ScreenAndMillimetresMapBothWays) {
    const SheetLayout layout = A4(2, 1);
    DevelopmentViewState state = Fitted(420, 327, layout);
    // At pan (0, 0) the sheet area is centred: the development's origin lies at the side and top margins,
    // 15 mm inside the 15-pixel border.
    Point2 screen = state.DevelopmentToScreen({0.0, 0.0}, layout);
    EXPECT_EQ(std::make_pair(screen.x, screen.y), std::make_pair(30.0, 30.0));
    // A pan of 10 mm at zoom 2 moves the picture by 20 pixels.
    ASSERT_TRUE(state.SetZoom(2.0, layout));
    state.SetPan(10.0, -5.0);
    const Point2 mm{123.25, 45.5};
    screen = state.DevelopmentToScreen(mm, layout);
    EXPECT_DOUBLE_EQ(screen.x, (15.0 + 123.25 - 195.0 + 10.0) * 2.0 + 210.0);
    EXPECT_DOUBLE_EQ(screen.y, (15.0 + 45.5 - 148.5 - 5.0) * 2.0 + 163.5);
    const Point2 back = state.ScreenToDevelopment(screen.x, screen.y, layout);
    EXPECT_NEAR(back.x, mm.x, 1e-9);
    EXPECT_NEAR(back.y, mm.y, 1e-9);
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

TEST(DevelopmentViewState, EachHintRedoesWhatItNames) {
    using H = UpdateHint;
    struct Row {
        UpdateHint hint;
        bool resetEditState, clearSelection, recomputeGrid, recomputeExtents, updateGridInPlace, fit,
            reapplyTextureFilter, redraw;
    };
    const Row rows[] = {
        {H::FitDevelopment, false, false, false, false, false, true, false, true},
        {H::RecomputeSheets, false, false, true, true, false, true, false, true},
        {H::DevelopmentReplaced, false, true, true, false, false, true, false, true},
        {H::ClearSelection, false, true, false, false, false, false, false, true},
        {H::Undone, false, true, false, false, true, false, false, true},
        {H::KeepGridInPlace, false, false, false, false, true, false, false, true},
        {H::FlapsSwitched, false, false, false, false, true, false, false, true},
        {H::TextureFilterChanged, false, false, false, false, false, false, true, false},
        {H::NewModel, true, true, true, false, false, true, false, true},
        // Every other hint, the 3D view's own ones included, only redraws.
        {H::Redraw, false, false, false, false, false, false, false, true},
        {static_cast<H>(1), false, false, false, false, false, false, false, true},
        {H::RebuildProjection, false, false, false, false, false, false, false, true},
        {H::ResetCamera, false, false, false, false, false, false, false, true},
        {H::CoordinatesChanged, false, false, false, false, false, false, false, true},
        {H::ViewFromBelow, false, false, false, false, false, false, false, true},
        {H::ClearPick, false, false, false, false, false, false, false, true},
        {H::ClearPickAndProjection, false, false, false, false, false, false, false, true},
        {static_cast<H>(999), false, false, false, false, false, false, false, true},
        {static_cast<H>(-1), false, false, false, false, false, false, false, true},
    };
    for (const Row& r : rows) {
        const DevelopmentHintActions a = DevelopmentActionsForHint(r.hint);
        EXPECT_EQ((std::vector<bool>{a.resetEditState, a.clearSelection, a.recomputeGrid, a.recomputeExtents,
                                     a.updateGridInPlace, a.fit, a.reapplyTextureFilter, a.redraw}),
                  (std::vector<bool>{r.resetEditState, r.clearSelection, r.recomputeGrid, r.recomputeExtents,
                                     r.updateGridInPlace, r.fit, r.reapplyTextureFilter, r.redraw}))
            << static_cast<int>(r.hint);
    }
}

TEST(DevelopmentViewState, ModeStatusTexts) {
    const std::pair<EditMode, std::string> rows[] = {
        {EditMode::CheckFace, "Click the face to see the corresponding between 3D and developed model."},
        {EditMode::SelectMove, "2D [Select/Move] L [Pan] R or Wheel Drag [Zoom] Shift+R or Wheel"},
        {EditMode::ColorEdge, "Click the edge to change color (drag for area select)."},
        // No mode and values outside the table have no text (and do not read past it).
        {EditMode::None, ""},
        {static_cast<EditMode>(8), ""},
        {static_cast<EditMode>(-1), ""},
    };
    for (const auto& [mode, text] : rows) EXPECT_EQ(EditModeStatusText(mode), text) << static_cast<int>(mode);
}
