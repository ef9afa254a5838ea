#include "update/UpdateCheck.h"

#include "app/UpdateNoticeDialog.h"
#include "tests/app/AppTestSupport.h"

#include <QCheckBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tsm;

namespace {

// A web server on a free loopback port that answers every request alike: a status and a body, or never.
class TestServer {
public:
    TestServer(int status, QByteArray body, bool answers = true) : status_(status), body_(std::move(body)) {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server_, &QTcpServer::newConnection, [this, answers] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++requests;
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket, answers] {
                    request += socket->readAll();
                    if (!answers || !request.contains("\r\n\r\n") || answered_) return;
                    answered_ = true;
                    socket->write("HTTP/1.1 " + QByteArray::number(status_) +
                                  " X\r\nContent-Type: text/plain\r\n" +
                                  "Content-Length: " + QByteArray::number(body_.size()) + "\r\n\r\n");
                    socket->write(body_);
                });
            }
        });
    }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()); }

    int requests = 0;
    QByteArray request;

private:
    QTcpServer server_;
    int status_;
    QByteArray body_;
    bool answered_ = false;
};

struct Checked {
    UpdateReply reply;
    size_t bytesRead = 0;
    bool answeredAtOnce = false; // the callback ran inside Start: the caller was blocked
    bool eventsRan = false;      // a timer of the window fired while the request ran
};

Checked RunCheck(const std::string& address, int timeoutMs = 5000) {
    Checked result;
    UpdateRequest request;
    request.SetTimeout(timeoutMs);
    bool done = false;
    QTimer::singleShot(0, [&] { result.eventsRan = !done; });
    request.Start(address, [&](const UpdateReply& reply) {
        result.reply = reply;
        done = true;
    });
    result.answeredAtOnce = done;
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, timeoutMs + 5000));
    result.bytesRead = request.BytesRead();
    return result;
}

// What each mode shows for a reply: the prompt's texts, the opened addresses, whether the notice came.
struct Shown {
    std::vector<std::string> texts;
    std::vector<std::string> opened;
    int notices = 0;
};

Shown Present(const UpdateReply& reply, bool quiet, Settings& settings, NoticeAnswer notice = {true, false}) {
    Shown shown;
    RecordingPrompt prompt(true);
    PresentUpdateReply(
        reply, quiet, settings, prompt, [&](const std::string& url) { shown.opened.push_back(url); },
        [&] {
            ++shown.notices;
            return notice;
        });
    shown.texts = prompt.texts;
    return shown;
}

} // namespace

TEST(UpdateCheck, RepliesOfTheServerInBothModes) {
    const std::string latest = "There are no Update Info. This version is the latest version.";
    const std::string cannotGet = "Can not get Update Info.";
    const std::string cannotRead = "Error: Can not read update Info.";
    const struct {
        const char* name;
        int status;
        QByteArray body;
        UpdateStatus expected;
        std::vector<std::string> interactiveTexts;
        std::vector<std::string> opened; // in either mode (the prompt and the notice answer Yes)
    } cases[] = {
        {"latest", 200, "1 5 x http://example.test/new", UpdateStatus::Latest, {latest}, {}},
        {"newer",
         200,
         "1 12 beta https://example.test/new\n",
         UpdateStatus::Newer,
         {"There is new version.\nOpen the web page?"},
         {"https://example.test/new"}},
        {"unreadable", 200, "2 9 x http://example.test/new", UpdateStatus::Unreadable, {cannotRead}, {}},
        {"missing fields", 200, "1 6", UpdateStatus::Unreadable, {cannotRead}, {}},
        {"not found", 404, "1 6 x http://example.test/new", UpdateStatus::Unreachable, {cannotGet}, {}},
        {"local file", 200, "1 6 x file:///etc/passwd", UpdateStatus::Unreadable, {cannotRead}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server(c.status, c.body);
        const Checked checked = RunCheck(server.Address());
        EXPECT_FALSE(checked.answeredAtOnce);
        EXPECT_EQ(checked.reply.status, c.expected);
        EXPECT_TRUE(server.request.startsWith("GET /version/tessaly_viewer_en HTTP/1.1\r\n"))
            << server.request.left(60).toStdString();
        Settings settings;
        settings.checkForUpdatesAtStart = true;
        const Shown interactive = Present(checked.reply, false, settings);
        EXPECT_EQ(interactive.texts, c.interactiveTexts);
        EXPECT_EQ(interactive.opened, c.opened);
        EXPECT_EQ(interactive.notices, 0);
        const Shown quiet = Present(checked.reply, true, settings);
        EXPECT_TRUE(quiet.texts.empty());
        EXPECT_EQ(quiet.opened, c.opened);
        EXPECT_EQ(quiet.notices, c.expected == UpdateStatus::Newer ? 1 : 0);
        EXPECT_TRUE(settings.checkForUpdatesAtStart);
    }
}

TEST(UpdateCheck, ASilentServerTimesOutWithoutBlocking) {
    TestServer server(200, "", false);
    const Checked checked = RunCheck(server.Address(), 300);
    EXPECT_EQ(server.requests, 1);
    EXPECT_FALSE(checked.answeredAtOnce);
    EXPECT_TRUE(checked.eventsRan);
    EXPECT_EQ(checked.reply.status, UpdateStatus::Unreachable);
    EXPECT_EQ(UpdateMessage(checked.reply), "Can not get Update Info.");
}

TEST(UpdateCheck, OnlyTheFirst1024BytesOfAHugeReplyAreRead) {
    QByteArray body = "1 6 x http://example.test/big ";
    body += QByteArray(10 * 1024 * 1024, 'a');
    TestServer server(200, body);
    const Checked checked = RunCheck(server.Address());
    EXPECT_EQ(checked.bytesRead, 1024u);
    EXPECT_EQ(checked.reply.status, UpdateStatus::Newer);
    EXPECT_EQ(checked.reply.url, "http://example.test/big");
}

TEST(UpdateCheck, AddressesOfTheSetting) {
    EXPECT_EQ(UpdateRequestUrl("https://updates.example/"),
              "https://updates.example/version/tessaly_viewer_en");
    EXPECT_EQ(UpdateRequestUrl("http://127.0.0.1:8080"), "http://127.0.0.1:8080/version/tessaly_viewer_en");
    for (const char* refused : {"", "file:///etc/passwd", "ftp://host/", "updates.example", "http://"})
        EXPECT_EQ(UpdateRequestUrl(refused), "") << refused;
    EXPECT_EQ(ProductWebPage("https://user:pw@updates.example:8443/some/path?q=1"),
              "https://updates.example:8443/");
    EXPECT_EQ(ProductWebPage(""), "");
    // No server configured: answered "Can not get Update Info." without a request.
    const Checked checked = RunCheck("");
    EXPECT_FALSE(checked.answeredAtOnce);
    EXPECT_EQ(checked.reply.status, UpdateStatus::Unreachable);
}

TEST(UpdateCheck, TheNoticeCheckBoxTurnsTheStartUpCheckOffWhicheverButtonCloses) {
    UpdateNoticeDialog dialog(nullptr);
    dialog.StopBox()->setChecked(true);
    dialog.reject(); // "No"
    const NoticeAnswer answer = dialog.Answer();
    EXPECT_FALSE(answer.open);
    EXPECT_TRUE(answer.stopChecking);

    Settings settings;
    settings.checkForUpdatesAtStart = true;
    const Shown shown =
        Present(UpdateReply{UpdateStatus::Newer, "http://example.test/new"}, true, settings, answer);
    EXPECT_TRUE(shown.opened.empty());
    EXPECT_FALSE(settings.checkForUpdatesAtStart);
}

TEST(UpdateCheck, TheWindowsCommandsUseTheConfiguredServer) {
    test::FrameHarness h;
    // Nothing configured: the start-up check asks nothing; the menu says it got no answer.
    h.frame->RunStartupVersionCheck();
    h.Trigger(CommandId::CheckForUpdate);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !h.prompt.texts.empty(); }, 5000));
    EXPECT_EQ(h.prompt.texts, std::vector<std::string>{"Can not get Update Info."});

    TestServer server(200, "1 6 x http://example.test/new");
    h.frame->AppSettings().updateServerUrl = server.Address();
    h.frame->AppSettings().checkForUpdatesAtStart = true;
    int notices = 0;
    h.frame->SetUpdateNotice([&] {
        ++notices;
        return NoticeAnswer{false, true};
    });
    h.frame->RunStartupVersionCheck();
    EXPECT_TRUE(QTest::qWaitFor([&] { return notices == 1; }, 5000));
    EXPECT_FALSE(h.frame->AppSettings().checkForUpdatesAtStart);
    h.Trigger(CommandId::WebPage);
    EXPECT_EQ(h.shell.urls, std::vector<std::string>{server.Address() + "/"});
}
