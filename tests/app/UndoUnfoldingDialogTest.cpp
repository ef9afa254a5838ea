#include "app/UndoUnfoldingDialog.h"

#include <QCheckBox>
#include <QLabel>

#include <gtest/gtest.h>

using namespace tsm;

TEST(UndoUnfoldingDialog, TextsAndChoicesWithAndWithoutTexts) {
    for (const bool hasTexts : {true, false}) {
        SCOPED_TRACE(hasTexts);
        UndoUnfoldingDialog dialog(nullptr, hasTexts);
        EXPECT_EQ(dialog.windowTitle(), "Undo Unfolding");
        EXPECT_EQ(dialog.textLabel()->text(),
                  "Edit data on development will be destructed.\nThis operation can not undo.");
        EXPECT_EQ(dialog.reuseTextsBox()->text(), "Reuse texts at next unfolding");
        EXPECT_EQ(dialog.applyOpenEdgesBox()->text(), "Apply open edge info to 3D model.");
        // Both boxes set by default; without texts "reuse" is greyed out, and its check mark never asks to
        // keep texts that do not exist.
        EXPECT_TRUE(dialog.reuseTextsBox()->isChecked());
        EXPECT_TRUE(dialog.applyOpenEdgesBox()->isChecked());
        EXPECT_EQ(dialog.reuseTextsBox()->isEnabled(), hasTexts);
        EXPECT_TRUE(dialog.applyOpenEdgesBox()->isEnabled());
        EXPECT_EQ(dialog.Choice().reuseTexts, hasTexts);
        EXPECT_TRUE(dialog.Choice().applyOpenEdges);
        // Each box answers for itself.
        dialog.applyOpenEdgesBox()->setChecked(false);
        EXPECT_FALSE(dialog.Choice().applyOpenEdges);
        EXPECT_EQ(dialog.Choice().reuseTexts, hasTexts);
        dialog.reuseTextsBox()->setChecked(false);
        EXPECT_FALSE(dialog.Choice().reuseTexts);
    }
}
