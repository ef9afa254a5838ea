#include "app/ProgressWindow.h"

#include "model/SettingsPersistence.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>

namespace tsm {

const char* const kProgressDefaultCaption = "Progress";
const char* const kProgressCancelLabel = "Cancel";

namespace {

constexpr int kMarginPx = 15;
constexpr int kTextHeightPx = 130 - 15;
constexpr int32_t kNoPosition = -1;

int32_t ReadProfileInt(const SettingsStore& store, const char* name) {
    StoredValue stored;
    if (!store.QueryValue(ProgressPositionKeyPath(), name, &stored)) return kNoPosition;
    if (stored.type != StoreValueType::Dword || stored.bytes.size() != 4) return kNoPosition;
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(stored.bytes[static_cast<size_t>(i)]);
    return static_cast<int32_t>(bits);
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::string ProgressPositionKeyPath() {
    return FrameworkKeyPath() + "Settings";
}

std::string ProgressCaption(const std::string& stem, int percent) {
    char number[32];
    std::snprintf(number, sizeof number, " [%d%%]", percent);
    return stem + number;
}

int ProgressPercent(int pos, int lower, int upper) {
    if (upper <= lower) return 0;
    const long long percent = static_cast<long long>(pos) * 100 / (static_cast<long long>(upper) - lower);
    return static_cast<int>(std::clamp<long long>(percent, 0, 100));
}

// The pop-up itself: turns Esc, the Cancel button and the window's close box into a cancel.
class ProgressWindow::PopUp : public QWidget {
public:
    explicit PopUp(ProgressWindow& owner) : QWidget(nullptr, Qt::Dialog), owner_(owner) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && owner_.EscCancels()) {
            owner_.Cancel();
            return;
        }
        QWidget::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        // Closing would leave the operation running with nothing on the screen: take it as a cancel.
        event->ignore();
        if (!owner_.cancelled_) owner_.Cancel();
    }

private:
    ProgressWindow& owner_;
};

ProgressWindow::ProgressWindow(QWidget* mainWindow, SettingsStore* profile, std::string caption)
    : mainWindow_(mainWindow), profile_(profile), caption_(std::move(caption)) {}

ProgressWindow::~ProgressWindow() {
    Destroy();
}

bool ProgressWindow::Create() {
    if (window_) return false;
    auto* window = new PopUp(*this);
    window_ = window;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowTitle(FromUtf8(caption_));
    // The arrow with the hourglass: the program is busy but still answers.
    window->setCursor(Qt::BusyCursor);
    window->setBackgroundRole(QPalette::Button);
    window->setAutoFillBackground(true);
    window->setFont(QGuiApplication::font());

    label_ = new QLabel(FromUtf8(text_), window);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    bar_ = new QProgressBar(window);
    bar_->setTextVisible(false);
    bar_->setRange(lower_, upper_);
    bar_->setValue(std::clamp(pos_, lower_, std::max(lower_, upper_)));
    button_ = new QPushButton(QString::fromUtf8(kProgressCancelLabel), window);
    QObject::connect(button_, &QPushButton::clicked, window, [this] { Cancel(); });

    // Wide enough for a line of text of the message font, the text area a fixed height above the bar.
    const QFontMetrics metrics(window->font());
    const int textWidth = std::max(300, metrics.horizontalAdvance(QStringLiteral("M")) * 40);
    label_->setFixedSize(textWidth, std::max(metrics.height(), kTextHeightPx / 4));

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(kMarginPx, kMarginPx, kMarginPx, kMarginPx);
    layout->setSpacing(kMarginPx / 2);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(button_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    window->adjustSize();
    window->setFixedSize(window->sizeHint());
    Place();
    return true;
}

void ProgressWindow::Place() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen != nullptr ? screen->geometry() : QRect(0, 0, 0, 0);
    const int32_t x = profile_ != nullptr ? ReadProfileInt(*profile_, "X") : kNoPosition;
    const int32_t y = profile_ != nullptr ? ReadProfileInt(*profile_, "Y") : kNoPosition;
    if (x >= 0 && x < screenRect.width() && y >= 0 && y < screenRect.height()) {
        window_->move(x, y);
        return;
    }
    // A position from another monitor arrangement would put the window out of reach: centre it.
    const QRect around = mainWindow_ && mainWindow_->isVisible() ? mainWindow_->frameGeometry() : screenRect;
    QRect frame = window_->frameGeometry();
    frame.moveCenter(around.center());
    window_->move(frame.topLeft());
}

void ProgressWindow::GoModal() {
    if (!window_ && !Create()) return;
    if (mainWindow_ && mainWindow_->isEnabled()) {
        mainWindow_->setEnabled(false);
        disabledMain_ = true;
    }
    window_->show();
    if (mainWindow_ && mainWindow_->windowHandle() != nullptr && window_->windowHandle() != nullptr)
        window_->windowHandle()->setTransientParent(mainWindow_->windowHandle());
    window_->raise();
    window_->activateWindow();
    window_->setFocus();
    modal_ = true;
}

void ProgressWindow::Destroy() {
    if (window_ && savePosition_ && profile_ != nullptr && profile_->CreateKey(ProgressPositionKeyPath())) {
        const QPoint corner = window_->pos();
        profile_->SetValue(ProgressPositionKeyPath(), "X", DwordValue(static_cast<uint32_t>(corner.x())));
        profile_->SetValue(ProgressPositionKeyPath(), "Y", DwordValue(static_cast<uint32_t>(corner.y())));
    }
    if (disabledMain_ && mainWindow_) mainWindow_->setEnabled(true);
    disabledMain_ = false;
    modal_ = false;
    if (window_) {
        // Not deleteLater: the operation may never return to the event loop before the next window.
        delete window_.data();
    }
    window_ = nullptr;
    label_ = nullptr;
    bar_ = nullptr;
    button_ = nullptr;
}

void ProgressWindow::SetRange(int lower, int upper, int step) {
    lower_ = lower;
    upper_ = upper;
    step_ = step;
    if (bar_ != nullptr) bar_->setRange(lower, std::max(lower, upper));
}

void ProgressWindow::SetText(const std::string& text) {
    text_ = text;
    if (label_ != nullptr) label_->setText(FromUtf8(text));
}

int ProgressWindow::SetPos(int pos) {
    const int previous = pos_;
    pos_ = pos;
    if (!window_) return previous;
    if (!window_->isVisible()) window_->show();
    const int percent = ProgressPercent(pos, lower_, upper_);
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        window_->setWindowTitle(FromUtf8(ProgressCaption(caption_, percent)));
    }
    bar_->setValue(std::clamp(pos, bar_->minimum(), bar_->maximum()));
    return previous;
}

int ProgressWindow::OffsetPos(int delta) {
    return SetPos(pos_ + delta);
}

int ProgressWindow::StepIt() {
    return SetPos(pos_ + step_);
}

void ProgressWindow::PeekAndPump(bool cancelOnEsc) {
    cancelOnEsc_ = cancelOnEsc;
    if (cancelled_) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Keys go to this window while the operation runs, not to whatever had the focus before.
    if (modal_ && window_ && window_->isVisible() && !window_->isActiveWindow()) window_->activateWindow();
}

void ProgressWindow::Cancel() {
    cancelled_ = true;
    if (window_) window_->hide();
}

void ProgressWindow::Hide() {
    if (window_) window_->hide();
}

void ProgressWindow::Show() {
    if (window_) window_->show();
}

ProgressReport MakeProgressReport(ProgressWindow& window) {
    return [&window](int pos, const std::string& text) {
        if (!text.empty()) window.SetText(text);
        window.SetPos(pos);
        window.PeekAndPump(true);
        return !window.Cancelled();
    };
}

} // namespace tsm
