#include "app/SplashWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tsm;

namespace {

class Target : public QWidget {
public:
    int keys = 0, clicks = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

} // namespace

TEST(SplashWindow, KeyOrClickAnywhereDismissesAndIsSwallowed) {
    Target target;
    target.resize(100, 100);
    target.show();
    QPointer<SplashWindow> splash = new SplashWindow(60000);
    splash->show();
    QTest::keyClick(&target, Qt::Key_A);
    // The key hid the splash and never reached the window.
    EXPECT_TRUE(splash.isNull() || splash->IsDismissed());
    EXPECT_EQ(target.keys, 0);
    QTest::keyClick(&target, Qt::Key_A);
    EXPECT_EQ(target.keys, 1);

    QPointer<SplashWindow> second = new SplashWindow(60000);
    second->show();
    QTest::mouseClick(&target, Qt::RightButton);
    EXPECT_TRUE(second.isNull() || second->IsDismissed());
    EXPECT_EQ(target.clicks, 0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(second.isNull());
}
