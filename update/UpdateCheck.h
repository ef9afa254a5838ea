// Asking the update server whether a newer build exists. The request runs in the background (a server
// that never answers cannot freeze the window) and gives up after a timeout; at most 1024 bytes of the
// reply are read, and only an http or https address from it is ever opened. Qt Core and Network only, so
// that tsmtool runs the same check.
#pragma once

#include "model/Prompt.h"
#include "model/Settings.h"

#include <QObject>

#include <functional>
#include <string>

class QNetworkAccessManager;
class QNetworkReply;

namespace tsm {

constexpr int kOwnBuildNumber = 5;
constexpr int kUpdateTimeoutMs = 10000;
constexpr int kUpdateReplyLimit = 1024;
extern const char* const kUpdatePath;            // "/version/tessaly_viewer_en", after the server address
extern const char* const kUpdateUserAgent;       // "HTTP Get Application version info"
extern const char* const kCannotGetUpdateInfo;   // "Can not get Update Info."
extern const char* const kCannotReadUpdateInfo;  // "Error: Can not read update Info."
extern const char* const kLatestVersionText;     // "There are no Update Info. This version is the latest ..."
extern const char* const kNewVersionQuestion;    // "There is new version.\nOpen the web page?"
extern const char* const kUpdateNoticeTitle;     // "Update Information"
extern const char* const kUpdateNoticeText;      // "New version of this application was released.\n..."
extern const char* const kUpdateNoticeCheckText; // "Do not show this dialog for update information."

enum class UpdateStatus { Unreachable, Unreadable, Latest, Newer };

struct UpdateReply {
    UpdateStatus status = UpdateStatus::Unreachable;
    std::string url; // with Newer: the page to offer
};

// Whether `url` is an http or https address with a host.
bool IsWebAddress(const std::string& url);
// The request's address from the configured server address: empty when none is configured or it is not a
// web address.
std::string UpdateRequestUrl(const std::string& serverAddress);
// The product's web page: the server address's site ("https://host/"); empty without one.
std::string ProductWebPage(const std::string& serverAddress);
// The reply body's four fields "%d %d %s %s" (only its first 1024 bytes count). A first field other than
// 1, missing fields, or a page that is not a web address make it unreadable.
UpdateReply ParseUpdateReply(const std::string& body);

// One request at a time: Start while one runs replaces it. `done` is called once, from the event loop.
class UpdateRequest : public QObject {
public:
    explicit UpdateRequest(QObject* parent = nullptr);
    ~UpdateRequest() override;

    void SetTimeout(int milliseconds) { timeoutMs_ = milliseconds; }
    void Start(const std::string& serverAddress, std::function<void(const UpdateReply&)> done);
    bool Running() const { return reply_ != nullptr; }
    // Bytes read from the last reply's body (never more than the limit).
    size_t BytesRead() const { return body_.size(); }

private:
    void ReadSome();
    void Finished();
    void Complete(const UpdateReply& result);

    QNetworkAccessManager* network_ = nullptr;
    QNetworkReply* reply_ = nullptr;
    std::string body_;
    int timeoutMs_ = kUpdateTimeoutMs;
    std::function<void(const UpdateReply&)> done_;
};

// The blocking form for tsmtool: runs an event loop until the reply or the timeout.
UpdateReply CheckForUpdateNow(const std::string& serverAddress, int timeoutMs = kUpdateTimeoutMs);
// What interactive mode shows for a result (the question for a newer build).
std::string UpdateMessage(const UpdateReply& reply);

// The notice of a newer build at start-up: whether to open the page, and whether "Do not show this dialog
// for update information." was ticked.
struct NoticeAnswer {
    bool open = false;
    bool stopChecking = false;
};

// What the window does with a result. Quiet (start-up) mode says nothing but the notice; a ticked box
// turns the start-up check off whichever button closed the notice.
void PresentUpdateReply(const UpdateReply& reply, bool quiet, Settings& settings, IPrompt& prompt,
                        const std::function<void(const std::string&)>& openUrl,
                        const std::function<NoticeAnswer()>& notice);

} // namespace tsm
