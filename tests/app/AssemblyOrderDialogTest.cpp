#include "app/AssemblyOrderDialog.h"

#include "engine/AssemblyOrder.h"
#include "engine/BuildOrder.h"
#include "tests/engine/DevelopmentFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <vector>

using namespace tsm;

namespace {

std::vector<int> Steps(const Development& development) {
    std::vector<int> steps;
    for (const auto& part : development.parts) steps.push_back(part->buildStep);
    return steps;
}

QStringList Row(const QTreeWidget& list, int row) {
    const QTreeWidgetItem* item = list.topLevelItem(row);
    return {item->text(0), item->text(1), item->text(2)};
}

} // namespace

// Parts P0 {0, 1}, P1 {2..5}, P2 {6}, P3 {7} of a strip of triangles, numbered 2, 1, 3, 4 by the derived
// order. The list shows each step with the part's number as printed now; a move that would put a part
// before all its neighbours is refused with the reason; OK's order is one undo step.
TEST(AssemblyOrderDialog, MovesKeepTheRuleAndUndoGivesThePreviousOrderBack) {
    test::DevelopmentFixture fixture;
    fixture.StripInParts({{0, 1}, {2, 3, 4, 5}, {6}, {7}});
    Development& development = fixture.Dev();
    AssemblyOrderDialog dialog(nullptr, development);
    QTreeWidget& list = *dialog.List();
    ASSERT_EQ(list.topLevelItemCount(), 4);
    EXPECT_EQ(Row(list, 0), (QStringList{"1", "1", "(a start)"}));
    EXPECT_EQ(Row(list, 2), (QStringList{"3", "3", "1"}));

    list.setCurrentItem(list.topLevelItem(2));
    dialog.UpButton()->click(); // P2 now joins P1 at step 2
    EXPECT_EQ(Row(list, 1), (QStringList{"2", "3", "1"}));
    EXPECT_EQ(list.currentItem(), list.topLevelItem(1));
    list.setCurrentItem(list.topLevelItem(3));
    dialog.UpButton()->click(); // P3 joins P2
    EXPECT_FALSE(dialog.MoveSelected(-1)) << "P3 before P2 would touch no built part";
    EXPECT_EQ(dialog.Message()->text(), "Part 4 shares no cut edge with the parts built before it.");
    EXPECT_FALSE(dialog.MoveSelected(-3));
    EXPECT_EQ(dialog.Sequence(), (std::vector<int>{1, 2, 3, 0}));
    dialog.UseDerivedOrder();
    EXPECT_TRUE(dialog.Sequence().empty());
    EXPECT_EQ(Row(list, 1), (QStringList{"2", "2", "1"}));
    list.setCurrentItem(list.topLevelItem(0));
    EXPECT_TRUE(dialog.MoveSelected(1));

    Settings settings;
    EditContext context{fixture.doc, settings};
    ASSERT_TRUE(SetBuildOrder(context, dialog.Sequence()).ok());
    EXPECT_EQ(Steps(development), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(fixture.doc.history.UndoCount(), 1u);
    ASSERT_TRUE(Undo(context).ok());
    EXPECT_EQ(Steps(development), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(PartNumbers(DocumentBuildOrder(development), 4), (std::vector<int>{2, 1, 3, 4}));
}
