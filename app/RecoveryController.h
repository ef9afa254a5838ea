// Recovery copies in the window. While the document has unsaved changes a timer writes its recovery copy
// every `recoveryIntervalMinutes`, but never while the mouse holds an edit in progress; the copy goes as
// soon as the document is saved, replaced or closed on purpose without saving. At start the copies that
// viewers which ended left behind are offered one by one: "Recover", "Discard" or "Later".
#pragma once

#include "model/DocumentController.h"
#include "model/RecoveryKeeper.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace tsm {

extern const char* const kRecoveryOfferText; // "Unsaved changes to %s were kept in a recovery copy at %s."
extern const char* const kRecoverButton;     // "Recover"
extern const char* const kDiscardButton;     // "Discard"
extern const char* const kLaterButton;       // "Later"

// The offer of one copy: the original file (or the title of a model never saved) and the copy's time.
std::string RecoveryOfferText(const RecoveryHeader& header, const std::tm& savedAt);

class RecoveryController : public QObject {
public:
    // `folder`: where the copies go (RecoveryFolder); empty: none are kept or offered. `settings` gives
    // the interval and outlives this.
    RecoveryController(DocumentController& document, const Settings& settings, IPrompt& prompt,
                       std::string folder, QObject* parent = nullptr);

    // Whether an edit by mouse is in progress; unset: whether any mouse button is held.
    void SetDragQuery(std::function<bool()> dragging) { dragging_ = std::move(dragging); }

    // After every command: takes up a changed interval, and drops the copy of a document that was saved
    // or replaced.
    void DocumentChanged();
    // The document is being closed after its changes were saved or deliberately not: its copy goes.
    void DocumentClosed();
    // What the timer does; true when a copy is on its way.
    bool Tick();
    // Offers each copy left behind; true when one became the current document (the others stay for a
    // later start).
    bool OfferLeftBehind();

    // Waits for the copy being written; the outcome of the last write.
    Outcome Wait() { return keeper_.Wait(); }
    // The copy's file; empty before the first.
    std::string CopyPath() { return keeper_.CopyPath(); }
    QTimer& Timer() { return timer_; }

private:
    void ApplyInterval();
    void Forget();

    DocumentController& document_;
    const Settings& settings_;
    IPrompt& prompt_;
    std::string folder_;
    RecoveryKeeper keeper_;
    QTimer timer_;
    QTimer retry_; // after a tick that met a drag
    std::function<bool()> dragging_;
    double intervalMinutes_ = 0;
    const Document* shown_ = nullptr; // the document the copy and the stamp belong to
    bool wasModified_ = false;
    bool kept_ = false;         // a copy of the document may exist
    int64_t originalStamp_ = 0; // the original's modification time when opened or last saved
};

} // namespace tsm
