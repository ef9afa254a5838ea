#include "app/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace tsm {

namespace {

// Colours of a state: the hot form is brighter, the disabled form a light grey of the same lightness
// order, so that the shapes stay readable.
QColor Ink(const QColor& colour, IconState state) {
    switch (state) {
    case IconState::Normal:
        return colour;
    case IconState::Hot: {
        QColor hot = colour.toHsv();
        hot.setHsv(hot.hue(), std::min(255, hot.saturation() + 30), std::min(255, hot.value() + 25),
                   hot.alpha());
        return hot;
    }
    case IconState::Disabled: {
        const int grey = 150 + colour.lightness() * 90 / 255;
        return QColor(grey, grey, grey, colour.alpha());
    }
    }
    return colour;
}

struct Pens {
    IconState state;
    QPen Line(const QColor& colour, double width = 1.0) const {
        QPen pen(Ink(colour, state), width);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        return pen;
    }
    QBrush Fill(const QColor& colour) const { return QBrush(Ink(colour, state)); }
};

const QColor kOutline(40, 50, 70);
const QColor kPaper(252, 252, 246);
const QColor kBlue(60, 110, 200);
const QColor kLightBlue(150, 190, 240);
const QColor kRed(220, 40, 40);
const QColor kYellow(245, 200, 60);
const QColor kGrey(120, 120, 125);

void DrawOpenFile(QPainter& p, const Pens& k) {
    p.setPen(k.Line(QColor(120, 85, 20)));
    p.setBrush(k.Fill(QColor(225, 170, 60)));
    p.drawPolygon(QPolygonF({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}}));
    p.setBrush(k.Fill(kYellow));
    p.drawPolygon(QPolygonF({{3.5, 7.5}, {15, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
}

// A small cube seen from above right; `open` draws the top right edge pulled apart.
void DrawCube(QPainter& p, const Pens& k, bool open) {
    p.setPen(k.Line(kOutline));
    p.setBrush(k.Fill(kPaper));
    p.drawPolygon(QPolygonF({{2, 6}, {10, 6}, {10, 14}, {2, 14}}));
    p.setBrush(k.Fill(QColor(225, 225, 215)));
    p.drawPolygon(QPolygonF({{10, 6}, {14, 2}, {14, 10}, {10, 14}}));
    p.setBrush(k.Fill(QColor(240, 240, 232)));
    p.drawPolygon(QPolygonF({{2, 6}, {6, 2}, {14, 2}, {10, 6}}));
    if (open) {
        p.setPen(k.Line(kRed, 1.6));
        p.drawLine(QPointF(10.2, 5.0), QPointF(13.2, 2.0));
        p.drawLine(QPointF(11.4, 6.6), QPointF(14.6, 3.4));
    }
}

void DrawLight(QPainter& p, const Pens& k) {
    p.setPen(k.Line(QColor(180, 130, 0)));
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        p.drawLine(QPointF(8 + 5.3 * std::cos(a), 6.5 + 5.3 * std::sin(a)),
                   QPointF(8 + 7 * std::cos(a), 6.5 + 7 * std::sin(a)));
    }
    p.setPen(k.Line(QColor(150, 110, 0)));
    p.setBrush(k.Fill(kYellow));
    p.drawEllipse(QPointF(8, 6.5), 4, 4);
    p.setPen(k.Line(kGrey));
    p.setBrush(k.Fill(QColor(190, 190, 195)));
    p.drawRect(QRectF(6, 10.5, 4, 4));
}

void DrawMaterials(QPainter& p, const Pens& k) {
    const QColor a(200, 90, 60), b(250, 225, 160);
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            p.setBrush(k.Fill((row + col) % 2 ? a : b));
            p.drawRect(QRectF(2 + col * 3, 2 + row * 3, 3, 3));
        }
    p.setPen(k.Line(kOutline));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2, 2, 12, 12));
}

void DrawLabelledLine(QPainter& p, const Pens& k, const QString& label, bool page) {
    if (page) {
        p.setPen(k.Line(kOutline));
        p.setBrush(k.Fill(kPaper));
        p.drawPolygon(QPolygonF({{2.5, 1.5}, {10.5, 1.5}, {13.5, 4.5}, {13.5, 14.5}, {2.5, 14.5}}));
        p.drawPolyline(QPolygonF({{10.5, 1.5}, {10.5, 4.5}, {13.5, 4.5}}));
    } else {
        p.setPen(k.Line(kOutline, 1.2));
        p.drawLine(QPointF(1.5, 14.5), QPointF(14.5, 1.5));
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(page ? 8 : 7);
    font.setBold(true);
    QPainterPath text;
    text.addText(0, 0, font, label);
    const QRectF box = text.boundingRect();
    const QPointF centre = page ? QPointF(8, 9.5) : QPointF(8, 8);
    if (!page) {
        p.setPen(k.Line(kBlue));
        p.setBrush(k.Fill(QColor(235, 242, 255)));
        p.drawRoundedRect(QRectF(centre.x() - box.width() / 2 - 1.5, centre.y() - box.height() / 2 - 1,
                                 box.width() + 3, box.height() + 2),
                          1.5, 1.5);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(k.Fill(page ? kBlue : QColor(20, 40, 120)));
    p.drawPath(text.translated(centre - box.center()));
}

void DrawColorFlaps(QPainter& p, const Pens& k) {
    p.setPen(k.Line(kOutline));
    p.setBrush(k.Fill(kLightBlue));
    p.drawPolygon(QPolygonF({{2, 14}, {14, 14}, {8, 6}}));
    p.setBrush(k.Fill(QColor(190, 215, 245)));
    p.drawPolygon(QPolygonF({{8, 6}, {2, 14}, {1, 8}, {4, 3}}));
    QPen dashed = k.Line(kBlue);
    dashed.setDashPattern({1.5, 1.5});
    p.setPen(dashed);
    p.drawLine(QPointF(8, 6), QPointF(2, 14));
}

void DrawCheckFace(QPainter& p, const Pens& k) {
    p.setPen(k.Line(kOutline));
    p.setBrush(k.Fill(kPaper));
    p.drawPolygon(QPolygonF({{1.5, 12.5}, {8, 1.5}, {14.5, 12.5}}));
    p.setBrush(k.Fill(kRed));
    p.drawPolygon(QPolygonF({{4.5, 11}, {8, 5}, {11.5, 11}}));
    p.setPen(k.Line(Qt::black, 0.8));
    p.setBrush(k.Fill(Qt::white));
    p.drawPolygon(
        QPolygonF({{9, 8}, {9, 15.5}, {10.8, 13.6}, {12.3, 16}, {13.5, 15.3}, {12.1, 13}, {14.6, 12.6}}));
}

void DrawResetView(QPainter& p, const Pens& k) {
    p.setPen(k.Line(QColor(30, 130, 60), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2, 2, 12, 12), 60 * 16, 280 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(k.Fill(QColor(30, 130, 60)));
    p.drawPolygon(QPolygonF({{10.0, 0.5}, {13.5, 3.5}, {9.0, 5.0}}));
    p.setPen(k.Line(kOutline, 0.8));
    p.setBrush(k.Fill(kLightBlue));
    p.drawRect(QRectF(6, 6, 4, 4));
}

void DrawPrint(QPainter& p, const Pens& k) {
    p.setPen(k.Line(kOutline));
    p.setBrush(k.Fill(kPaper));
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(k.Fill(QColor(170, 170, 178)));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
    p.setBrush(k.Fill(kPaper));
    p.drawRect(QRectF(4.5, 10.5, 7, 4.5));
    p.setPen(k.Line(kGrey, 0.8));
    p.drawLine(QPointF(6, 12.3), QPointF(10, 12.3));
    p.drawLine(QPointF(6, 13.7), QPointF(9, 13.7));
    p.setPen(Qt::NoPen);
    p.setBrush(k.Fill(QColor(60, 200, 80)));
    p.drawEllipse(QPointF(12.5, 8.5), 0.9, 0.9);
}

void DrawWindow(QPainter& p, const Pens& k, bool split) {
    p.setPen(k.Line(kOutline));
    p.setBrush(k.Fill(kPaper));
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setBrush(k.Fill(kBlue));
    p.drawRect(QRectF(1.5, 2.5, 13, 2.5));
    if (split) {
        p.setPen(Qt::NoPen);
        p.setBrush(k.Fill(kLightBlue));
        p.drawRect(QRectF(2, 5.5, 6, 7.5));
        p.setPen(k.Line(kOutline));
        p.drawLine(QPointF(8, 5), QPointF(8, 13.5));
    }
}

void DrawToolbarImage(QPainter& p, int index, IconState state) {
    const Pens k{state};
    switch (index) {
    case 0:
        DrawOpenFile(p, k);
        break;
    case 1:
        DrawCube(p, k, true);
        break;
    case 2:
        DrawLight(p, k);
        break;
    case 3:
        DrawMaterials(p, k);
        break;
    case 4:
        DrawLabelledLine(p, k, QStringLiteral("12"), false);
        break;
    case 5:
        DrawLabelledLine(p, k, QStringLiteral("p1"), true);
        break;
    case 6:
        DrawColorFlaps(p, k);
        break;
    case 7:
        DrawCheckFace(p, k);
        break;
    case 8:
        DrawResetView(p, k);
        break;
    case 9:
        DrawPrint(p, k);
        break;
    case 10:
        DrawWindow(p, k, true);
        break;
    case 11:
        DrawWindow(p, k, false);
        break;
    default:
        break;
    }
}

void DrawModeImage(QPainter& p, int index, IconState state) {
    const Pens k{state};
    switch (index) {
    case 0: // Select and Move: an arrow over a dashed selection box
        p.setPen(k.Line(kBlue));
        p.setBrush(Qt::NoBrush);
        {
            QPen dashed = k.Line(kBlue);
            dashed.setDashPattern({2, 1.5});
            p.setPen(dashed);
        }
        p.drawRect(QRectF(1.5, 1.5, 10, 8));
        p.setPen(k.Line(kOutline));
        p.setBrush(k.Fill(Qt::white));
        p.drawPolygon(
            QPolygonF({{7, 5}, {7, 15}, {9.5, 12.5}, {11.5, 15.5}, {13, 14.5}, {11, 11.5}, {14, 11.5}}));
        break;
    case 1: // Edit Flaps: a face with a trapezoid flap on its edge
        p.setPen(k.Line(kOutline));
        p.setBrush(k.Fill(kPaper));
        p.drawRect(QRectF(2.5, 6.5, 11, 8));
        p.setBrush(k.Fill(kYellow));
        p.drawPolygon(QPolygonF({{2.5, 6.5}, {5, 2}, {11, 2}, {13.5, 6.5}}));
        break;
    case 2: // Rotate Part: a curved arrow around a centre mark
        p.setPen(k.Line(kBlue, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 90 * 16, 270 * 16);
        p.setBrush(k.Fill(kBlue));
        p.drawPolygon(QPolygonF({{8, 0.5}, {11, 2.5}, {8, 4.5}}));
        p.setPen(k.Line(kRed));
        p.drawLine(QPointF(6, 8), QPointF(10, 8));
        p.drawLine(QPointF(8, 6), QPointF(8, 10));
        break;
    case 3: // Join/Disjoin Face: two faces pulled apart along an edge
        p.setPen(k.Line(kOutline));
        p.setBrush(k.Fill(kLightBlue));
        p.drawPolygon(QPolygonF({{1.5, 2.5}, {7, 2.5}, {7, 13.5}, {1.5, 13.5}}));
        p.drawPolygon(QPolygonF({{9, 2.5}, {14.5, 2.5}, {14.5, 13.5}, {9, 13.5}}));
        p.setPen(k.Line(kRed, 1.2));
        p.drawLine(QPointF(5.5, 8), QPointF(10.5, 8));
        break;
    case 4: // Input Text: a capital A with a caret
        p.setPen(k.Line(kOutline, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({{2, 14}, {6.5, 2}, {11, 14}}));
        p.drawLine(QPointF(4, 9.5), QPointF(9, 9.5));
        p.setPen(k.Line(kBlue, 1.2));
        p.drawLine(QPointF(14, 3), QPointF(14, 14));
        break;
    case 5: // Set Edge Color: a coloured pencil over a line
        p.setPen(k.Line(kRed, 2));
        p.drawLine(QPointF(1.5, 14.5), QPointF(9, 14.5));
        p.setPen(k.Line(kOutline));
        p.setBrush(k.Fill(kYellow));
        p.drawPolygon(QPolygonF({{4, 11}, {12, 3}, {14, 5}, {6, 13}}));
        p.setBrush(k.Fill(kRed));
        p.drawPolygon(QPolygonF({{4, 11}, {6, 13}, {3, 14}}));
        break;
    default:
        break;
    }
}

// Every icon is drawn on a 16-unit grid and scaled, so each size is sharp rather than resampled.
QImage RenderedIcon(void (*draw)(QPainter&, int, IconState), int index, IconState state, int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels / 16.0, pixels / 16.0);
    draw(painter, index, state);
    return image;
}

QIcon IconFrom(QImage (*image)(int, IconState, int), int index) {
    QIcon icon;
    for (int pixels : {16, 24, 32}) {
        icon.addPixmap(QPixmap::fromImage(image(index, IconState::Normal, pixels)), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(image(index, IconState::Hot, pixels)), QIcon::Active);
        icon.addPixmap(QPixmap::fromImage(image(index, IconState::Disabled, pixels)), QIcon::Disabled);
    }
    return icon;
}

} // namespace

QImage ModeToolbarImage(int index, IconState state, int pixels) {
    return RenderedIcon(DrawModeImage, index, state, pixels);
}

QIcon ModeToolbarIcon(int index) {
    return IconFrom(ModeToolbarImage, index);
}

QImage ToolbarImage(int index, IconState state, int pixels) {
    return RenderedIcon(DrawToolbarImage, index, state, pixels);
}

QIcon ToolbarIcon(int index) {
    return IconFrom(ToolbarImage, index);
}

void DrawApplicationMark(QPainter& painter, const QRectF& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 64.0, rect.height() / 64.0);
    // A cube standing on its unfolded net: the net's cross lies flat, two faces are folding up.
    const QColor outline(35, 45, 80);
    QPen pen(outline, 1.6);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(QColor(250, 248, 238));
    painter.drawPolygon(QPolygonF({{6, 44}, {30, 34}, {58, 44}, {34, 56}}));
    QPen fold(QColor(60, 110, 200), 1.2);
    fold.setDashPattern({3, 2});
    painter.setPen(fold);
    painter.drawLine(QPointF(18, 39), QPointF(46, 50));
    painter.drawLine(QPointF(20, 50), QPointF(44, 39));
    painter.setPen(pen);
    painter.setBrush(QColor(240, 120, 80));
    painter.drawPolygon(QPolygonF({{20, 39}, {32, 44}, {32, 22}, {20, 17}}));
    painter.setBrush(QColor(250, 190, 90));
    painter.drawPolygon(QPolygonF({{32, 44}, {46, 38}, {46, 16}, {32, 22}}));
    painter.setBrush(QColor(255, 225, 150));
    painter.drawPolygon(QPolygonF({{20, 17}, {32, 22}, {46, 16}, {34, 11}}));
    painter.setBrush(QColor(150, 190, 240));
    painter.drawPolygon(QPolygonF({{34, 11}, {46, 16}, {52, 6}, {40, 2}}));
    painter.restore();
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int pixels : {16, 32, 48, 64, 128, 256}) {
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        DrawApplicationMark(painter, QRectF(0, 0, pixels, pixels));
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace tsm
