#include "app/DocumentViewWidget.h"

#include "AppTestSupport.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

using namespace tsm;
using namespace tsm::test;

TEST(DocumentViewWidget, PlaceholderWithoutLogic) {
    RecordingFrame frame;
    ModelViewWidget view3d(frame, nullptr);
    DevelopmentViewWidget view2d(frame, nullptr);
    // The 3D placeholder uses the configured background colour (COLORREF 0x00BBGGRR).
    frame.settings.colors[7] = 0x00204060;
    EXPECT_EQ(QColor(view3d.grab().toImage().pixel(2, 2)), QColor(0x60, 0x40, 0x20));
    EXPECT_EQ(QColor(view2d.grab().toImage().pixel(2, 2)), QColor(128, 128, 128));
    // Hints and commands without logic are harmless.
    view3d.OnUpdate(UpdateHint::NewModel);
    EXPECT_FALSE(view2d.HandleCommand(CommandId::Print));
}

TEST(DocumentViewWidget, LogicReceivesSizePaintAndMessages) {
    RecordingFrame frame;
    DevelopmentViewWidget view(frame, nullptr);
    auto log = std::make_shared<RecordingViewLogic::Log>();
    view.SetLogic(std::make_unique<RecordingViewLogic>(log, false));
    // The logic learns the current size at once and each new one.
    EXPECT_EQ(log->lastWidth, 100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.resize(320, 200);
    QApplication::processEvents();
    EXPECT_EQ(log->lastWidth, 320);
    EXPECT_EQ(log->lastHeight, 200);
    EXPECT_EQ(QColor(view.grab().toImage().pixel(5, 5)), QColor(Qt::green));
    EXPECT_GE(log->paints, 1);
    view.OnUpdate(UpdateHint::ClearSelection);
    EXPECT_EQ(log->hints, std::vector<UpdateHint>{UpdateHint::ClearSelection});
    EXPECT_FALSE(view.HandleCommand(CommandId::Print));
    EXPECT_EQ(log->commands, std::vector<CommandId>{CommandId::Print});
    IViewHost& host = view;
    host.UpdateAllViews(UpdateHint::DevelopmentReplaced);
    host.ExecuteCommand(CommandId::CheckFace);
    host.SetStatusText("Click the face.");
    EXPECT_EQ(frame.calls, (std::vector<std::string>{
                               "hint 6", "command " + std::to_string(static_cast<int>(CommandId::CheckFace)),
                               "status Click the face."}));
    EXPECT_EQ(host.ClientWidth(), 320);
    host.StartAnimationTimer(1);
    for (int i = 0; i < 200 && log->ticks < 2; ++i) QTest::qWait(5);
    EXPECT_GE(log->ticks, 2);
    host.StopAnimationTimer();
    const int ticks = log->ticks;
    QTest::qWait(20);
    EXPECT_EQ(log->ticks, ticks);
}
