#include "update/UpdateCheck.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace tsm {

const char* const kUpdatePath = "/version/tessaly_viewer_en";
const char* const kUpdateUserAgent = "HTTP Get Application version info";
const char* const kCannotGetUpdateInfo = "Can not get Update Info.";
const char* const kCannotReadUpdateInfo = "Error: Can not read update Info.";
const char* const kLatestVersionText = "There are no Update Info. This version is the latest version.";
const char* const kNewVersionQuestion = "There is new version.\nOpen the web page?";
const char* const kUpdateNoticeTitle = "Update Information";
const char* const kUpdateNoticeText = "New version of this application was released.\nOpen the web page?";
const char* const kUpdateNoticeCheckText = "Do not show this dialog for update information.";

bool IsWebAddress(const std::string& url) {
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    return parsed.isValid() && (scheme == "http" || scheme == "https") && !parsed.host().isEmpty();
}

std::string UpdateRequestUrl(const std::string& serverAddress) {
    if (!IsWebAddress(serverAddress)) return {};
    std::string base = serverAddress;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + kUpdatePath;
}

std::string ProductWebPage(const std::string& serverAddress) {
    if (!IsWebAddress(serverAddress)) return {};
    const QUrl parsed(QString::fromStdString(serverAddress));
    return parsed.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
               .toString()
               .toStdString() +
           "/";
}

UpdateReply ParseUpdateReply(const std::string& body) {
    // The reply is read into a zeroed buffer: it ends at the limit or at its first NUL.
    std::string text = body.substr(0, kUpdateReplyLimit);
    text = text.substr(0, text.find('\0'));
    int marker = 0, build = 0;
    char word[kUpdateReplyLimit + 1] = {};
    char url[kUpdateReplyLimit + 1] = {};
    const int fields = std::sscanf(text.c_str(), "%d %d %1024s %1024s", &marker, &build, word, url);
    UpdateReply reply;
    reply.status = UpdateStatus::Unreadable;
    if (fields < 4 || marker != 1) return reply;
    if (build <= kOwnBuildNumber) {
        reply.status = UpdateStatus::Latest;
        return reply;
    }
    // Only a web page is offered; anything else a server sends is not a reply this program understands.
    if (!IsWebAddress(url)) return reply;
    reply.status = UpdateStatus::Newer;
    reply.url = url;
    return reply;
}

UpdateRequest::UpdateRequest(QObject* parent) : QObject(parent), network_(new QNetworkAccessManager(this)) {}

UpdateRequest::~UpdateRequest() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

void UpdateRequest::Start(const std::string& serverAddress, std::function<void(const UpdateReply&)> done) {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    body_.clear();
    done_ = std::move(done);
    const std::string url = UpdateRequestUrl(serverAddress);
    if (url.empty()) {
        // Answered from the event loop like any reply, so that callers see one order of events.
        QTimer::singleShot(0, this, [this] { Complete(UpdateReply{}); });
        return;
    }
    QNetworkRequest request{QUrl(QString::fromStdString(url))};
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(kUpdateUserAgent));
    request.setTransferTimeout(timeoutMs_);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    reply_ = network_->get(request);
    reply_->setReadBufferSize(kUpdateReplyLimit);
    connect(reply_, &QNetworkReply::readyRead, this, [this] { ReadSome(); });
    connect(reply_, &QNetworkReply::finished, this, [this] { Finished(); });
}

void UpdateRequest::ReadSome() {
    if (!reply_) return;
    const qint64 room = kUpdateReplyLimit - qint64(body_.size());
    if (room > 0) {
        const QByteArray chunk = reply_->read(room);
        body_.append(chunk.constData(), size_t(chunk.size()));
    }
    if (qint64(body_.size()) >= kUpdateReplyLimit) {
        // Whatever else the server sends is not read.
        QNetworkReply* reply = reply_;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        reply_ = nullptr;
        Complete(status > 300 ? UpdateReply{} : ParseUpdateReply(body_));
    }
}

void UpdateRequest::Finished() {
    if (!reply_) return;
    QNetworkReply* reply = reply_;
    ReadSome();
    if (!reply_) return; // the limit was reached and answered
    reply_ = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool failed = reply->error() != QNetworkReply::NoError || status > 300 || status == 0;
    reply->deleteLater();
    Complete(failed ? UpdateReply{} : ParseUpdateReply(body_));
}

void UpdateRequest::Complete(const UpdateReply& result) {
    std::function<void(const UpdateReply&)> done = std::move(done_);
    done_ = nullptr;
    if (done) done(result);
}

UpdateReply CheckForUpdateNow(const std::string& serverAddress, int timeoutMs) {
    UpdateRequest request;
    request.SetTimeout(timeoutMs);
    QEventLoop loop;
    UpdateReply result;
    request.Start(serverAddress, [&](const UpdateReply& reply) {
        result = reply;
        loop.quit();
    });
    loop.exec();
    return result;
}

std::string UpdateMessage(const UpdateReply& reply) {
    switch (reply.status) {
    case UpdateStatus::Unreachable:
        return kCannotGetUpdateInfo;
    case UpdateStatus::Unreadable:
        return kCannotReadUpdateInfo;
    case UpdateStatus::Latest:
        return kLatestVersionText;
    case UpdateStatus::Newer:
        return kNewVersionQuestion;
    }
    return kCannotGetUpdateInfo;
}

void PresentUpdateReply(const UpdateReply& reply, bool quiet, Settings& settings, IPrompt& prompt,
                        const std::function<void(const std::string&)>& openUrl,
                        const std::function<NoticeAnswer()>& notice) {
    if (reply.status == UpdateStatus::Newer) {
        if (quiet) {
            const NoticeAnswer answer = notice ? notice() : NoticeAnswer{};
            if (answer.open && openUrl) openUrl(reply.url);
            if (answer.stopChecking) settings.checkForUpdatesAtStart = false;
        } else if (prompt.AskYesNo(kNewVersionQuestion) && openUrl) {
            openUrl(reply.url);
        }
        return;
    }
    if (quiet) return;
    prompt.Message(UpdateMessage(reply),
                   reply.status == UpdateStatus::Latest ? PromptIcon::Information : PromptIcon::None);
}

} // namespace tsm
