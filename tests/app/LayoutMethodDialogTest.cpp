#include "app/LayoutMethodDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QStandardItemModel>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace tsm;

namespace {

const Vec3 kBox{20, 40, 10}; // model units: width, height, depth

} // namespace

TEST(LayoutMethodLogic, ValuesAreClampedAndFlatAxesRefused) {
    LayoutMethod wild;
    wild.spacingPercent = -3;
    wild.spacingMM = 1e9;
    // Bad incoming values are brought into range, NaN included.
    LayoutMethodLogic logic(wild, std::numeric_limits<double>::quiet_NaN(), Vec3{10, 0, 5});
    EXPECT_DOUBLE_EQ(logic.spacingPercent(), LayoutMethodLogic::kMinPercent);
    EXPECT_DOUBLE_EQ(logic.spacingMM(), LayoutMethodLogic::kMaxSpacingMM);
    EXPECT_DOUBLE_EQ(logic.scale(), LayoutMethodLogic::kMinScale);
    logic.SetSpacingPercent(250);
    EXPECT_DOUBLE_EQ(logic.spacingPercent(), LayoutMethodLogic::kMaxPercent);
    logic.SetSpacingMM(-1);
    EXPECT_DOUBLE_EQ(logic.spacingMM(), 0.0);
    // A zero or negative scale would collapse the development.
    logic.SetScale(0);
    EXPECT_DOUBLE_EQ(logic.scale(), LayoutMethodLogic::kMinScale);
    logic.SetScale(1e12);
    EXPECT_DOUBLE_EQ(logic.scale(), LayoutMethodLogic::kMaxScale);
    // The model is flat in y: height cannot give a scale (no division by zero), the choice stays.
    EXPECT_FALSE(logic.CanSizeBy(LayoutSizeBy::Height));
    EXPECT_FALSE(logic.SetSizeBy(LayoutSizeBy::Height));
    EXPECT_EQ(logic.sizeBy(), LayoutSizeBy::Scale);
    logic.SetScale(3);
    logic.SetAssembledSizeCM(50);
    EXPECT_DOUBLE_EQ(logic.scale(), 3.0);
    // A size of zero is brought up to the smallest size, never to a zero scale.
    ASSERT_TRUE(logic.SetSizeBy(LayoutSizeBy::Width));
    logic.SetAssembledSizeCM(0);
    EXPECT_DOUBLE_EQ(logic.scale(), LayoutMethodLogic::kMinSizeCM * 10 / 10);
    // Without a model every axis is flat and only Scale remains.
    LayoutMethodLogic empty(LayoutMethod{}, 1.0, Vec3{});
    EXPECT_FALSE(empty.CanSizeBy(LayoutSizeBy::Width));
    EXPECT_TRUE(empty.CanSizeBy(LayoutSizeBy::Scale));
    // Only "Specify Value" hands its scale to the document; Auto scales the unfolding to fit instead.
    LayoutMethod applied;
    double documentScale = 7.0;
    logic.Apply(applied, documentScale);
    EXPECT_TRUE(applied.automatic);
    EXPECT_DOUBLE_EQ(documentScale, 7.0);
    logic.SetAutomatic(false);
    logic.Apply(applied, documentScale);
    EXPECT_FALSE(applied.automatic);
    EXPECT_DOUBLE_EQ(documentScale, logic.scale());
}

TEST(LayoutMethodDialog, ControlsFollowTheMode) {
    LayoutMethodDialog dialog(nullptr, LayoutMethod{}, 2.0, Vec3{20, 0, 10});
    // Before any axis is chosen the size entry shows the assembled width at the given scale.
    EXPECT_DOUBLE_EQ(dialog.sizeBox()->value(), 4.0);
    // Which of percent, spacing, avoid breaks, scale and size take input.
    const auto enabled = [&dialog] {
        return std::vector<bool>{dialog.percentBox()->isEnabled(), dialog.spacingBox()->isEnabled(),
                                 dialog.avoidBreaksBox()->isEnabled(), dialog.scaleBox()->isEnabled(),
                                 dialog.sizeBox()->isEnabled()};
    };
    dialog.specifyButton()->click();
    EXPECT_FALSE(dialog.logic().automatic());
    EXPECT_EQ(enabled(), (std::vector<bool>{false, true, true, true, false}));
    // The flat height is greyed out in the choice; width is offered.
    auto* items = qobject_cast<QStandardItemModel*>(dialog.sizeByBox()->model());
    ASSERT_NE(items, nullptr);
    EXPECT_FALSE(items->item(static_cast<int>(LayoutSizeBy::Height))->isEnabled());
    EXPECT_TRUE(items->item(static_cast<int>(LayoutSizeBy::Width))->isEnabled());

    // Sizing by width: the size entry shows 20 × 2 / 10 = 4 cm, and a new size gives a new scale.
    dialog.sizeByBox()->setCurrentIndex(static_cast<int>(LayoutSizeBy::Width));
    EXPECT_EQ(enabled(), (std::vector<bool>{false, true, true, false, true}));
    EXPECT_DOUBLE_EQ(dialog.sizeBox()->value(), 4.0);
    dialog.sizeBox()->setValue(10.0);
    EXPECT_DOUBLE_EQ(dialog.logic().scale(), 5.0);
    EXPECT_DOUBLE_EQ(dialog.scaleBox()->value(), 5.0);
    dialog.avoidBreaksBox()->setChecked(false);
    EXPECT_FALSE(dialog.logic().avoidPageBreaks());
    // Back to Auto keeps the values typed for Specify Value.
    dialog.spacingBox()->setValue(3.5);
    dialog.autoButton()->click();
    EXPECT_TRUE(dialog.logic().automatic());
    EXPECT_DOUBLE_EQ(dialog.logic().spacingMM(), 3.5);
    EXPECT_EQ(enabled(), (std::vector<bool>{true, false, false, false, false}));
}

// Before unfolding the dialog offers the strategy, starting from the remembered one; otherwise it does not.
TEST(LayoutMethodDialog, OpensFromTheSettingsAndOffersTheStrategyOnlyWhenGivenOne) {
    LayoutMethodDialog plain(nullptr, LayoutMethod{}, 1.0, kBox);
    EXPECT_EQ(plain.strategyBox(), nullptr);
    EXPECT_EQ(plain.strategy(), UnfoldStrategy::Upright);

    LayoutMethod method;
    method.automatic = false;
    method.spacingMM = 8;
    method.avoidPageBreaks = false;
    LayoutMethodDialog dialog(nullptr, method, 0.5, kBox, UnfoldStrategy::FewestParts);
    EXPECT_TRUE(dialog.specifyButton()->isChecked());
    EXPECT_DOUBLE_EQ(dialog.spacingBox()->value(), 8.0);
    EXPECT_FALSE(dialog.avoidBreaksBox()->isChecked());
    EXPECT_DOUBLE_EQ(dialog.scaleBox()->value(), 0.5);
    ASSERT_NE(dialog.strategyBox(), nullptr);
    EXPECT_EQ(dialog.strategy(), UnfoldStrategy::FewestParts);
    dialog.strategyBox()->setCurrentIndex(0);
    EXPECT_EQ(dialog.strategy(), UnfoldStrategy::Upright);
}

// The size a model is built at is its largest dimension, whichever axis that is.
TEST(LayoutMethodLogic, LargestDimensionSetsTheScale) {
    LayoutMethodLogic logic(LayoutMethod{}, 1.0, kBox);
    ASSERT_TRUE(logic.SetSizeBy(LayoutSizeBy::Largest));
    logic.SetAssembledSizeCM(15);
    EXPECT_DOUBLE_EQ(logic.scale(), 150.0 / 40.0);
    EXPECT_FALSE(LayoutMethodLogic(LayoutMethod{}, 1.0, Vec3{}).CanSizeBy(LayoutSizeBy::Largest));
}
