// The system's messages as modal message boxes titled with the application's title.
#pragma once

#include "model/Prompt.h"

#include <QPointer>
#include <QWidget>

namespace tsm {

extern const char* const kMessageBoxTitle; // the program's name, "Tessaly"

class MessageBoxPrompt : public IPrompt {
public:
    explicit MessageBoxPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    // OK only.
    void Message(const std::string& text, PromptIcon icon = PromptIcon::None,
                 const std::string& title = {}) override;
    bool AskYesNo(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    PromptAnswer AskYesNoCancel(const std::string& text) override;
    bool AskGoOnOrCancel(const std::string& text, const std::string& goOnLabel) override;
    size_t AskChoice(const std::string& text, const std::vector<std::string>& buttons, size_t defaultButton,
                     size_t escapeButton) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace tsm
