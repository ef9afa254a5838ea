// The start-up picture: a borderless window in the middle of the screen that goes away after 750 ms or at
// the first key or mouse button pressed anywhere in the program, which it swallows.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace tsm {

constexpr int kSplashMilliseconds = 750;

class SplashWindow : public QWidget {
public:
    explicit SplashWindow(int milliseconds = kSplashMilliseconds);
    ~SplashWindow() override;

    // Our own picture, at its own size.
    static QImage SplashImage();

    // Hides the window and deletes it once control returns to the event loop.
    void Dismiss();
    bool IsDismissed() const { return dismissed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QTimer timer_;
    bool dismissed_ = false;
};

} // namespace tsm
