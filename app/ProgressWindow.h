// The small pop-up that a long operation on the user-interface thread shows while it runs: a caption with
// the percentage, a line of text, a bar and a "Cancel" button. While it is modal the main window is
// disabled; the operation pumps events through it so that Cancel and Esc reach it.
//
// The object outlives its window: calls before Create or after Destroy do nothing and return the stored
// values, so an operation can keep reporting after the user cancelled.
#pragma once

#include "model/SettingsStore.h"

#include <QPointer>

#include <functional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace tsm {

extern const char* const kProgressDefaultCaption; // "Progress"
extern const char* const kProgressCancelLabel;    // "Cancel"

// Where the window's top-left corner is remembered: profile integers "X" and "Y" in this key.
std::string ProgressPositionKeyPath(); // FrameworkKeyPath() + "Settings"

// The caption for a percentage: "%s [%d%%]".
std::string ProgressCaption(const std::string& stem, int percent);
// pos × 100 / (upper − lower), kept within 0..100; 0 when upper ≤ lower.
int ProgressPercent(int pos, int lower, int upper);

class ProgressWindow {
public:
    // `mainWindow` is disabled while the window is modal; `profile` (may be null) remembers the position.
    ProgressWindow(QWidget* mainWindow, SettingsStore* profile,
                   std::string caption = kProgressDefaultCaption);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Builds the window (hidden) at the remembered position when that lies on the screen, else centred.
    // False when it already exists.
    bool Create();
    // Creates the window if needed, disables the main window and shows this one.
    void GoModal();
    // Saves the position if wanted, re-enables the main window, destroys the window.
    void Destroy();

    void SetRange(int lower, int upper, int step = 1);
    void SetText(const std::string& text);
    // Moves the bar and retitles when the percentage changed; shows a hidden window again. Returns the
    // previous position.
    int SetPos(int pos);
    int OffsetPos(int delta);
    int StepIt();

    // Processes the events that are waiting, unless cancelled. Esc cancels only when `cancelOnEsc`.
    void PeekAndPump(bool cancelOnEsc = true);
    // What the Cancel button and Esc do: set the flag and hide the window.
    void Cancel();
    bool Cancelled() const { return cancelled_; }

    void Hide();
    void Show();

    void SetSavePosition(bool save) { savePosition_ = save; }

    // The stored values; they stay readable when there is no window.
    const std::string& CaptionStem() const { return caption_; }
    const std::string& Text() const { return text_; }
    int Pos() const { return pos_; }
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    bool IsModal() const { return modal_; }

    // The window and its controls, null when the window does not exist (for the frame and tests).
    QWidget* Window() const { return window_; }
    QLabel* TextLabel() const { return label_; }
    QProgressBar* Bar() const { return bar_; }
    QPushButton* CancelButton() const { return button_; }

private:
    class PopUp;
    friend class PopUp;

    void Place();
    bool EscCancels() const { return cancelOnEsc_; }

    QPointer<QWidget> mainWindow_;
    SettingsStore* profile_;
    std::string caption_;
    std::string text_;
    int lower_ = 0, upper_ = 100, step_ = 1, pos_ = 0;
    int lastPercent_ = -1; // none shown yet
    bool cancelled_ = false;
    bool modal_ = false;
    bool savePosition_ = true;
    bool cancelOnEsc_ = true;
    bool disabledMain_ = false;

    QPointer<QWidget> window_;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* button_ = nullptr;
};

// A long operation's progress report: the position within the window's range and the line of text (an
// empty text keeps the current one). Returns false once the user has cancelled.
using ProgressReport = std::function<bool(int pos, const std::string& text)>;

// Reports to `window`: sets the text and position, pumps the waiting events, answers whether to go on.
ProgressReport MakeProgressReport(ProgressWindow& window);

} // namespace tsm
