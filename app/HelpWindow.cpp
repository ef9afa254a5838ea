#include "app/HelpWindow.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tsm {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Tessaly Help"));
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
    resize(760, 640);
}

bool HelpWindow::ShowPage(const std::string& path) {
    const QString file = QString::fromLocal8Bit(path.c_str());
    if (!QFileInfo(file).isReadable()) return false;
    browser_->setSource(QUrl::fromLocalFile(file));
    return !browser_->toPlainText().isEmpty();
}

} // namespace tsm
