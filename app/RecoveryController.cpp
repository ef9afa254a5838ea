#include "app/RecoveryController.h"

#include "model/BuildOrderFile.h"

#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace tsm {

const char* const kRecoveryOfferText = "Unsaved changes to %s were kept in a recovery copy at %s.";
const char* const kRecoverButton = "Recover";
const char* const kDiscardButton = "Discard";
const char* const kLaterButton = "Later";

namespace {

// A tick that meets a drag comes back this soon rather than a whole interval later.
constexpr int kDragRetryMs = 1000;
// Below a second the copies would follow every keystroke; the setting is in minutes for people.
constexpr double kShortestIntervalMs = 1000.0;
constexpr double kLongestIntervalMs = 24.0 * 60 * 60 * 1000;

enum Choice : size_t { kRecover = 0, kDiscard = 1, kLater = 2 };

void ReplaceFirst(std::string& text, const std::string& with) {
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, with);
}

} // namespace

std::string RecoveryOfferText(const RecoveryHeader& header, const std::tm& savedAt) {
    const std::string name = header.originalPath.empty() ? "\"" + header.title + "\" (never saved)"
                                                         : "\"" + header.originalPath + "\"";
    char time[32] = {};
    std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S", &savedAt);
    std::string text = kRecoveryOfferText;
    ReplaceFirst(text, name);
    ReplaceFirst(text, time);
    return text;
}

RecoveryController::RecoveryController(DocumentController& document, const Settings& settings,
                                       IPrompt& prompt, std::string folder, QObject* parent)
    : QObject(parent), document_(document), settings_(settings), prompt_(prompt), folder_(std::move(folder)),
      keeper_(folder_), dragging_([] { return QGuiApplication::mouseButtons() != Qt::NoButton; }) {
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    retry_.setSingleShot(true);
    retry_.setInterval(kDragRetryMs);
    connect(&retry_, &QTimer::timeout, this, [this] { Tick(); });
    ApplyInterval();
}

void RecoveryController::ApplyInterval() {
    const double minutes = settings_.recoveryIntervalMinutes;
    if (minutes == intervalMinutes_ && (timer_.isActive() || !(minutes > 0))) return;
    intervalMinutes_ = minutes;
    if (folder_.empty() || !(minutes > 0) || !std::isfinite(minutes)) {
        timer_.stop();
        return;
    }
    const double ms = std::clamp(minutes * 60000.0, kShortestIntervalMs, kLongestIntervalMs);
    timer_.start(static_cast<int>(ms));
}

void RecoveryController::Forget() {
    retry_.stop();
    if (!kept_) return;
    keeper_.Forget();
    kept_ = false;
}

void RecoveryController::DocumentChanged() {
    ApplyInterval();
    const Document* current = document_.Current();
    const bool modified = current != nullptr && current->modified;
    if (current != shown_) {
        // A copy describes the document it was taken of; another one replacing it ends that copy.
        Forget();
        shown_ = current;
        originalStamp_ = FileStamp(document_.SavePath());
    } else if (wasModified_ && !modified) {
        // Saved: the file now holds what the copy did.
        Forget();
        originalStamp_ = FileStamp(document_.SavePath());
    }
    wasModified_ = modified;
}

void RecoveryController::DocumentClosed() {
    Forget();
}

bool RecoveryController::Tick() {
    const Document* current = document_.Current();
    if (folder_.empty() || current == nullptr || !current->modified) return false;
    if (current != shown_) DocumentChanged();
    // A drag changes the document as the mouse moves and hands its undo copy in at the release: until
    // then the document is between two states.
    if (dragging_()) {
        retry_.start();
        return false;
    }
    RecoveryHeader header;
    header.originalPath = document_.SavePath();
    header.originalStamp = header.originalPath.empty() ? 0 : originalStamp_;
    header.title = document_.Title();
    if (current->development) header.buildOrder = BuildOrderText(*current->development);
    if (!keeper_.KeepInChild(*current, std::move(header))) return false;
    kept_ = true;
    return true;
}

bool RecoveryController::OfferLeftBehind() {
    if (folder_.empty()) return false;
    std::vector<RecoveryCopy> copies = RecoveryCopy::FindLeftBehind(folder_, prompt_);
    bool recovered = false;
    for (RecoveryCopy& copy : copies) {
        if (recovered) {
            copy.Release();
            continue;
        }
        const RecoveryHeader& header = copy.Header();
        const std::time_t savedAt = static_cast<std::time_t>(header.savedAt);
        std::tm local{};
        localtime_r(&savedAt, &local);
        const size_t choice =
            prompt_.AskChoice(RecoveryOfferText(header, local),
                              {kRecoverButton, kDiscardButton, kLaterButton}, kRecover, kLater);
        if (choice == kDiscard) {
            copy.Remove();
        } else if (choice == kRecover) {
            const Outcome opened = document_.OpenRecovered(copy.ModelBytes(), header.originalPath,
                                                           header.title, header.buildOrder);
            if (!opened.ok()) {
                prompt_.Message(kRecoveryDamagedText + copy.Path(), PromptIcon::Warning);
                copy.SetAside();
                continue;
            }
            // The recovered document is this viewer's now, and so is its copy until it is saved.
            shown_ = document_.Current();
            wasModified_ = true;
            originalStamp_ = header.originalStamp;
            keeper_.Adopt(std::move(copy));
            kept_ = true;
            recovered = true;
        } else {
            copy.Release();
        }
    }
    return recovered;
}

} // namespace tsm
