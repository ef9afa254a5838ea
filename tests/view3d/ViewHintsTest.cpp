#include "view3d/ViewHints.h"

#include <gtest/gtest.h>

namespace tsm {
namespace {

// upload, reload, reset, below, clear pick, projection, all views
struct Row {
    UpdateHint hint;
    bool upload, reload, reset, below, clear, projection, allViews;
};

TEST(ViewHints, EachHintRebuildsWhatItNames) {
    using H = UpdateHint;
    const Row rows[] = {
        {H::NewModel, true, false, true, false, true, true, false},
        {H::RebuildProjection, false, false, false, false, false, true, false},
        {H::ResetCamera, false, false, true, false, false, true, false},
        {H::CoordinatesChanged, false, false, true, false, false, true, false},
        {H::DevelopmentReplaced, false, false, false, false, true, true, false},
        {H::Undone, false, false, false, false, true, true, false},
        {H::ClearPickAndProjection, false, false, false, false, true, true, false},
        {H::ViewFromBelow, false, false, true, true, false, true, false},
        {H::ClearPick, false, false, false, false, true, false, false},
        {H::TextureFilterChanged, false, true, false, false, false, false, true},
        // Hints of the development view and unknown numbers only redraw.
        {H::Redraw, false, false, false, false, false, false, false},
        {H::FitDevelopment, false, false, false, false, false, false, false},
        {H::RecomputeSheets, false, false, false, false, false, false, false},
        {H::ClearSelection, false, false, false, false, false, false, false},
        {H::KeepGridInPlace, false, false, false, false, false, false, false},
        {H::FlapsSwitched, false, false, false, false, false, false, false},
        {static_cast<H>(-1), false, false, false, false, false, false, false},
        {static_cast<H>(999), false, false, false, false, false, false, false},
    };
    for (const Row& r : rows) {
        const int n = static_cast<int>(r.hint);
        const View3DHintActions a = ActionsForHint(r.hint);
        EXPECT_EQ(a.uploadMissingTextures, r.upload) << n;
        EXPECT_EQ(a.reloadAllTextures, r.reload) << n;
        EXPECT_EQ(a.resetCamera, r.reset) << n;
        EXPECT_EQ(a.viewFromBelow, r.below) << n;
        EXPECT_EQ(a.clearPick, r.clear) << n;
        EXPECT_EQ(a.rebuildProjection, r.projection) << n;
        EXPECT_EQ(a.redrawAllViews, r.allViews) << n;
    }
}

} // namespace
} // namespace tsm
