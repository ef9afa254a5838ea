#include "app/UndoUnfoldingDialog.h"

#include <QCheckBox>

#include <gtest/gtest.h>

using namespace tsm;

TEST(UndoUnfoldingDialog, ChoicesWithAndWithoutTexts) {
    for (const bool hasTexts : {true, false}) {
        SCOPED_TRACE(hasTexts);
        UndoUnfoldingDialog dialog(nullptr, hasTexts);
        // Without texts "reuse" is greyed out, and its check mark never asks to keep texts that do not exist.
        EXPECT_EQ(dialog.reuseTextsBox()->isEnabled(), hasTexts);
        EXPECT_EQ(dialog.Choice().reuseTexts, hasTexts);
        EXPECT_TRUE(dialog.Choice().applyOpenEdges);
        dialog.applyOpenEdgesBox()->setChecked(false);
        EXPECT_FALSE(dialog.Choice().applyOpenEdges);
        EXPECT_EQ(dialog.Choice().reuseTexts, hasTexts);
        dialog.reuseTextsBox()->setChecked(false);
        EXPECT_FALSE(dialog.Choice().reuseTexts);
    }
}
