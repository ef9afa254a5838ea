// The help page in a window of the program's own, for desktops where no launcher opens web pages (a bare
// X server, a minimal session). Links inside the page work; outside links are left to the desktop.
#pragma once

#include <QDialog>

#include <string>

class QTextBrowser;

namespace tsm {

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* parent);

    // Shows the HTML file; false when it cannot be read.
    bool ShowPage(const std::string& path);
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

} // namespace tsm
