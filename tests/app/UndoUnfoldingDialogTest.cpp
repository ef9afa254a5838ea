#include "app/UndoUnfoldingDialog.h"

#include <QCheckBox>
#include <QLabel>

#include <gtest/gtest.h>

using namespace tsm;

TEST(UndoUnfoldingDialog, TextsAndDefaults) {
    UndoUnfoldingDialog dialog(nullptr, true);
    EXPECT_EQ(dialog.windowTitle(), "Undo Unfolding");
    EXPECT_EQ(dialog.textLabel()->text(),
              "Edit data on development will be destructed.\nThis operation can not undo.");
    EXPECT_EQ(dialog.reuseTextsBox()->text(), "Reuse texts at next unfolding");
    EXPECT_EQ(dialog.applyOpenEdgesBox()->text(), "Apply open edge info to 3D model.");
    // Both boxes set by default; with texts both can be changed.
    EXPECT_TRUE(dialog.reuseTextsBox()->isChecked());
    EXPECT_TRUE(dialog.applyOpenEdgesBox()->isChecked());
    EXPECT_TRUE(dialog.reuseTextsBox()->isEnabled());
    EXPECT_TRUE(dialog.applyOpenEdgesBox()->isEnabled());
    EXPECT_TRUE(dialog.Choice().reuseTexts);
    EXPECT_TRUE(dialog.Choice().applyOpenEdges);
    // Each box answers for itself.
    dialog.reuseTextsBox()->setChecked(false);
    EXPECT_FALSE(dialog.Choice().reuseTexts);
    EXPECT_TRUE(dialog.Choice().applyOpenEdges);
    dialog.applyOpenEdgesBox()->setChecked(false);
    EXPECT_FALSE(dialog.Choice().applyOpenEdges);
}

TEST(UndoUnfoldingDialog, ReuseTextsGreyedOutWithoutTexts) {
    UndoUnfoldingDialog dialog(nullptr, false);
    EXPECT_FALSE(dialog.reuseTextsBox()->isEnabled());
    EXPECT_TRUE(dialog.reuseTextsBox()->isChecked());
    // A greyed-out check mark never asks to keep texts that do not exist.
    EXPECT_FALSE(dialog.Choice().reuseTexts);
    EXPECT_TRUE(dialog.applyOpenEdgesBox()->isEnabled());
    EXPECT_TRUE(dialog.Choice().applyOpenEdges);
}
