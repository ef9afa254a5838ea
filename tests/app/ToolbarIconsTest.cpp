#include "app/ToolbarIcons.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace tsm;

namespace {

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

} // namespace

TEST(ToolbarIcons, DistinctImagesInThreeStates) {
    const struct {
        QImage (*image)(int, IconState, int);
        int count;
    } sets[] = {{ToolbarImage, 12}, {ModeToolbarImage, kModeImageCount}};
    for (const auto& set : sets) {
        for (int i = 0; i < set.count; ++i) {
            const QImage normal = set.image(i, IconState::Normal, 16);
            const QImage hot = set.image(i, IconState::Hot, 16);
            const QImage disabled = set.image(i, IconState::Disabled, 16);
            EXPECT_EQ(normal.size(), QSize(16, 16));
            EXPECT_GT(OpaquePixels(normal), 20) << i;
            EXPECT_NE(normal, hot) << i;
            EXPECT_NE(normal, disabled) << i;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const QRgb p = disabled.pixel(x, y);
                    if (qAlpha(p) == 255) {
                        EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << i;
                    }
                }
            for (int j = 0; j < i; ++j)
                EXPECT_NE(normal, set.image(j, IconState::Normal, 16)) << i << " " << j;
        }
        EXPECT_EQ(OpaquePixels(set.image(set.count, IconState::Normal, 16)), 0);
        EXPECT_EQ(OpaquePixels(set.image(-1, IconState::Normal, 16)), 0);
    }
    // Larger sizes are drawn, not scaled pixels.
    EXPECT_EQ(ToolbarImage(0, IconState::Normal, 32).size(), QSize(32, 32));
    EXPECT_FALSE(ApplicationIcon().isNull());
}
