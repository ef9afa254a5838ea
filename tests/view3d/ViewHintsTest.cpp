#include "view3d/ViewHints.h"

#include <gtest/gtest.h>

namespace tsm {
namespace {

// upload, reload, reset, below, clear pick, projection, all views
struct Row {
    int hint;
    bool upload, reload, reset, below, clear, projection, allViews;
};

TEST(ViewHints, EachHintRebuildsWhatItNames) {
    const Row rows[] = {
        {1000, true, false, true, false, true, true, false},
        {2, false, false, false, false, false, true, false},
        {3, false, false, true, false, false, true, false},
        {10, false, false, true, false, false, true, false},
        {6, false, false, false, false, true, true, false},
        {8, false, false, false, false, true, true, false},
        {15, false, false, false, false, true, true, false},
        {11, false, false, true, true, false, true, false},
        {13, false, false, false, false, true, false, false},
        {14, false, true, false, false, false, false, true},
        // Hints of the development view and unknown numbers only redraw.
        {0, false, false, false, false, false, false, false},
        {4, false, false, false, false, false, false, false},
        {7, false, false, false, false, false, false, false},
        {-1, false, false, false, false, false, false, false},
        {999, false, false, false, false, false, false, false},
    };
    for (const Row& r : rows) {
        const View3DHintActions a = ActionsForHint(r.hint);
        EXPECT_EQ(a.uploadMissingTextures, r.upload) << r.hint;
        EXPECT_EQ(a.reloadAllTextures, r.reload) << r.hint;
        EXPECT_EQ(a.resetCamera, r.reset) << r.hint;
        EXPECT_EQ(a.viewFromBelow, r.below) << r.hint;
        EXPECT_EQ(a.clearPick, r.clear) << r.hint;
        EXPECT_EQ(a.rebuildProjection, r.projection) << r.hint;
        EXPECT_EQ(a.redrawAllViews, r.allViews) << r.hint;
    }
}

} // namespace
} // namespace tsm
