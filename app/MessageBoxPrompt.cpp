#include "app/MessageBoxPrompt.h"

#include "app/AppInfo.h"

#include <QMessageBox>
#include <QPushButton>

namespace tsm {

const char* const kMessageBoxTitle = kProductName;

namespace {

// A message without an icon of its own gets the exclamation mark, a question the question mark, as the
// system's message boxes always have.
QMessageBox::Icon IconFor(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Warning:
    case PromptIcon::None:
        break;
    }
    return QMessageBox::Warning;
}

QMessageBox::StandardButton Run(QWidget* parent, QMessageBox::Icon icon, const std::string& title,
                                const std::string& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, QString::fromUtf8(title.empty() ? kMessageBoxTitle : title.c_str()),
                    QString::fromLocal8Bit(text.c_str()), buttons, parent);
    box.setDefaultButton(defaultButton);
    box.setWindowModality(Qt::ApplicationModal);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void MessageBoxPrompt::Message(const std::string& text, PromptIcon icon, const std::string& title) {
    Run(parent_, IconFor(icon), title, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool MessageBoxPrompt::AskYesNo(const std::string& text) {
    return Run(parent_, QMessageBox::Question, {}, text, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Yes) == QMessageBox::Yes;
}

bool MessageBoxPrompt::AskOkCancel(const std::string& text) {
    return Run(parent_, QMessageBox::Warning, {}, text, QMessageBox::Ok | QMessageBox::Cancel,
               QMessageBox::Ok) == QMessageBox::Ok;
}

bool MessageBoxPrompt::AskGoOnOrCancel(const std::string& text, const std::string& goOnLabel) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kMessageBoxTitle),
                    QString::fromLocal8Bit(text.c_str()), QMessageBox::Cancel, parent_);
    QPushButton* goOn = box.addButton(QString::fromUtf8(goOnLabel.c_str()), QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return box.clickedButton() == goOn;
}

size_t MessageBoxPrompt::AskChoice(const std::string& text, const std::vector<std::string>& buttons,
                                   size_t defaultButton, size_t escapeButton) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kMessageBoxTitle),
                    QString::fromLocal8Bit(text.c_str()), QMessageBox::NoButton, parent_);
    std::vector<QPushButton*> pushButtons;
    for (const std::string& label : buttons)
        pushButtons.push_back(box.addButton(QString::fromUtf8(label.c_str()), QMessageBox::ActionRole));
    if (defaultButton < pushButtons.size()) box.setDefaultButton(pushButtons[defaultButton]);
    if (escapeButton < pushButtons.size()) box.setEscapeButton(pushButtons[escapeButton]);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    for (size_t i = 0; i < pushButtons.size(); ++i)
        if (box.clickedButton() == pushButtons[i]) return i;
    return escapeButton;
}

PromptAnswer MessageBoxPrompt::AskYesNoCancel(const std::string& text) {
    switch (Run(parent_, QMessageBox::Question, {}, text,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return PromptAnswer::Cancel;
    }
}

} // namespace tsm
