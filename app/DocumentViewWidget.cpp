#include "app/DocumentViewWidget.h"

#include "model/Settings.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace tsm {

namespace {

int FaceCount(const Mesh& model) {
    int count = 0;
    for (const auto& solid : model.solids)
        if (solid) count += static_cast<int>(solid->faces.size());
    return count;
}

QString Plural(int count, const char* one, const char* many) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

} // namespace

DocumentViewWidget::DocumentViewWidget(IFrameActions& frame, QWidget* parent)
    : QWidget(parent), frame_(frame) {
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (logic_) logic_->TimerTick();
    });
    // The picture covers the whole client area: no background erase before it, so no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    resize(100, 100);
}

DocumentViewWidget::~DocumentViewWidget() = default;

void DocumentViewWidget::SetLogic(std::unique_ptr<IViewLogic> logic) {
    // An animation belongs to the logic that started it.
    timer_.stop();
    logic_ = std::move(logic);
    if (logic_ && width() > 0 && height() > 0) logic_->Resize(width(), height());
    update();
}

void DocumentViewWidget::OnUpdate(UpdateHint hint) {
    if (logic_)
        logic_->OnUpdate(hint);
    else
        update();
}

bool DocumentViewWidget::HandleCommand(CommandId commandId) {
    return logic_ && logic_->HandleCommand(commandId);
}

void DocumentViewWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (logic_) {
        logic_->Paint(painter);
        return;
    }
    painter.fillRect(rect(), PlaceholderBackground());
    const QColor background = PlaceholderBackground();
    const bool dark = background.lightness() < 110;
    painter.setPen(dark ? QColor(235, 235, 235) : QColor(70, 70, 70));
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    const QRect upper(rect().left(), rect().top(), rect().width(), rect().height() / 2 - 2);
    const QRect lower(rect().left(), rect().top() + rect().height() / 2 + 2, rect().width(),
                      rect().height() / 2);
    painter.drawText(upper, Qt::AlignHCenter | Qt::AlignBottom, PlaceholderTitle());
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(lower, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, PlaceholderDetail());
}

void DocumentViewWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (logic_ && width() > 0 && height() > 0) logic_->Resize(width(), height());
}

void DocumentViewWidget::mousePressEvent(QMouseEvent* event) {
    if (logic_) logic_->MousePress(*event);
}

void DocumentViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (logic_) logic_->MouseRelease(*event);
}

void DocumentViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (logic_) logic_->MouseDoubleClick(*event);
}

void DocumentViewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (logic_) logic_->MouseMove(*event);
}

void DocumentViewWidget::wheelEvent(QWheelEvent* event) {
    if (logic_)
        logic_->Wheel(*event);
    else
        event->ignore();
}

void DocumentViewWidget::keyPressEvent(QKeyEvent* event) {
    if (logic_)
        logic_->KeyPress(*event);
    else
        QWidget::keyPressEvent(event);
}

void DocumentViewWidget::keyReleaseEvent(QKeyEvent* event) {
    if (logic_)
        logic_->KeyRelease(*event);
    else
        QWidget::keyReleaseEvent(event);
}

QColor ModelViewWidget::PlaceholderBackground() const {
    // The configured background of the 3D window, a COLORREF 0x00BBGGRR.
    const int32_t colour = ViewSettings().colors[7];
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QString ModelViewWidget::PlaceholderTitle() const {
    return QStringLiteral("3D view");
}

QString ModelViewWidget::PlaceholderDetail() const {
    const Document* document = CurrentDocument();
    if (document == nullptr || document->model == nullptr) return QStringLiteral("No model is open.");
    const Mesh& model = *document->model;
    return Plural(static_cast<int>(model.solids.size()), "object", "objects") + QStringLiteral(", ") +
           Plural(FaceCount(model), "face", "faces");
}

QColor DevelopmentViewWidget::PlaceholderBackground() const {
    return QColor(128, 128, 128);
}

QString DevelopmentViewWidget::PlaceholderTitle() const {
    return QStringLiteral("Development view");
}

QString DevelopmentViewWidget::PlaceholderDetail() const {
    const Document* document = CurrentDocument();
    if (document == nullptr || document->model == nullptr) return QStringLiteral("No model is open.");
    if (document->development == nullptr) return QStringLiteral("The model has no development.");
    return Plural(static_cast<int>(document->development->parts.size()), "part", "parts") +
           QStringLiteral(" on the development");
}

} // namespace tsm
