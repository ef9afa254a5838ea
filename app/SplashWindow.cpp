#include "app/SplashWindow.h"

#include "app/AppInfo.h"
#include "app/ToolbarIcons.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace tsm {

SplashWindow::SplashWindow(int milliseconds)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      image_(SplashImage()) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCursor(Qt::ArrowCursor);
    setFixedSize(image_.size());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    qApp->installEventFilter(this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { Dismiss(); });
    timer_.start(milliseconds);
}

SplashWindow::~SplashWindow() {
    if (qApp) qApp->removeEventFilter(this);
}

void SplashWindow::Dismiss() {
    if (dismissed_) return;
    dismissed_ = true;
    timer_.stop();
    qApp->removeEventFilter(this);
    hide();
    deleteLater();
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Claim the key so that no accelerator runs; the key press that follows dismisses.
        event->accept();
        return true;
    case QEvent::KeyPress:
        Dismiss();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress: {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton) {
            Dismiss();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

QImage SplashWindow::SplashImage() {
    const int width = 520, height = 280;
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, height);
    ground.setColorAt(0, QColor(252, 250, 242));
    ground.setColorAt(1, QColor(232, 226, 208));
    painter.fillRect(image.rect(), ground);

    // A sheet of paper with a cube's net printed on it, and the mark standing in front of it.
    painter.save();
    painter.translate(38, 36);
    painter.rotate(-7);
    painter.setPen(QPen(QColor(190, 185, 170), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, 150, 200);
    const double cell = 28;
    const QPointF origin(60, 18);
    const int net[6][2] = {{1, 0}, {0, 1}, {1, 1}, {2, 1}, {1, 2}, {1, 3}};
    painter.setBrush(QColor(255, 236, 200));
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    for (const auto& c : net)
        painter.drawRect(QRectF(origin.x() + (c[0] - 1) * cell, origin.y() + c[1] * cell, cell, cell));
    QPen fold(QColor(60, 110, 200), 1);
    fold.setDashPattern({3, 2});
    painter.setPen(fold);
    for (int row = 1; row <= 3; ++row)
        painter.drawLine(QPointF(origin.x(), origin.y() + row * cell),
                         QPointF(origin.x() + cell, origin.y() + row * cell));
    painter.restore();

    DrawApplicationMark(painter, QRectF(118, 128, 130, 130));

    // The name as large as fits beside the picture.
    const QRectF textArea(262, 70, width - 262 - 18, 44);
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setBold(true);
    for (int pixels = 30; pixels > 12; --pixels) {
        title.setPixelSize(pixels);
        if (QFontMetricsF(title).horizontalAdvance(QString::fromUtf8(kProductName)) <= textArea.width())
            break;
    }
    painter.setFont(title);
    painter.setPen(QColor(35, 45, 80));
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(kProductName));
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPixelSize(15);
    painter.setFont(body);
    painter.setPen(QColor(80, 80, 90));
    painter.drawText(QRectF(textArea.left() + 2, 118, textArea.width(), 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Papercraft model viewer"));
    painter.drawText(QRectF(textArea.left() + 2, 142, textArea.width(), 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8(kVersionText));
    painter.setPen(QPen(QColor(190, 180, 160), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0.5, 0.5, width - 1, height - 1));
    return image;
}

} // namespace tsm
