#include "app/SplashWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tsm;

namespace {

// Counts the keys and clicks that reach it.
class Target : public QWidget {
public:
    int keys = 0, clicks = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

} // namespace

TEST(SplashWindow, GoesAwayWhenItsTimeIsUp) {
    QPointer<SplashWindow> splash = new SplashWindow(50);
    splash->show();
    EXPECT_TRUE(splash->isVisible());
    // Borderless, on top, the size of its picture.
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash->size(), SplashWindow::SplashImage().size());
    QTest::qWait(120);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}

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
    // Once it is gone, keys arrive again.
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

TEST(SplashWindow, PictureIsOurOwnDrawing) {
    const QImage image = SplashWindow::SplashImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(520, 280));
    // Not a blank image: the mark and the texts put many colours on it.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 50);
}
