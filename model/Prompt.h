// Every message box of the system goes through this interface: a modal dialog in the GUI, stderr and the
// answer flags in tsmtool, a recorder in tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tsm {

enum class PromptIcon { None, Information, Warning, Error };

enum class PromptAnswer { Yes, No, Cancel };

class IPrompt {
public:
    virtual ~IPrompt() = default;
    // A message with an OK button; `title` empty means the application's title.
    virtual void Message(const std::string& text, PromptIcon icon = PromptIcon::None,
                         const std::string& title = {}) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // A question with OK and Cancel buttons; true for OK.
    virtual bool AskOkCancel(const std::string& text) = 0;
    // A question with Yes, No and Cancel buttons. Where there is no one to cancel (the command line), it
    // is the Yes/No question.
    virtual PromptAnswer AskYesNoCancel(const std::string& text) {
        return AskYesNo(text) ? PromptAnswer::Yes : PromptAnswer::No;
    }
    // A warning with Cancel and a button that goes on ("Print anyway"); true to go on. Without such
    // buttons it is the OK/Cancel question.
    virtual bool AskGoOnOrCancel(const std::string& text, const std::string& goOnLabel) {
        (void)goOnLabel;
        return AskOkCancel(text);
    }
    // A question answered by one of `buttons` (their labels); the index of the one chosen. `defaultButton`
    // is the one Enter presses and the answer where no one can choose; closing the box chooses
    // `escapeButton`.
    virtual size_t AskChoice(const std::string& text, const std::vector<std::string>& buttons,
                             size_t defaultButton, size_t escapeButton) {
        (void)text;
        (void)buttons;
        (void)escapeButton;
        return defaultButton;
    }
};

// Records every text in order and answers every question with a fixed answer.
class RecordingPrompt : public IPrompt {
public:
    explicit RecordingPrompt(bool answer = false) : answer_(answer) {}
    void Message(const std::string& text, PromptIcon, const std::string&) override { texts.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        texts.push_back(text);
        return answer_;
    }
    bool AskOkCancel(const std::string& text) override {
        texts.push_back(text);
        return answer_;
    }
    PromptAnswer AskYesNoCancel(const std::string& text) override {
        texts.push_back(text);
        return threeWayAnswer ? *threeWayAnswer : answer_ ? PromptAnswer::Yes : PromptAnswer::No;
    }
    size_t AskChoice(const std::string& text, const std::vector<std::string>&, size_t defaultButton,
                     size_t) override {
        texts.push_back(text);
        if (choices.empty()) return defaultButton;
        const size_t choice = choices.front();
        choices.erase(choices.begin());
        return choice;
    }
    std::vector<std::string> texts;
    // The answers to AskChoice, first to last; once used up, the default button.
    std::vector<size_t> choices;
    // The answer to Yes/No/Cancel questions when set; otherwise the fixed answer as Yes or No.
    std::optional<PromptAnswer> threeWayAnswer;

private:
    bool answer_;
};

} // namespace tsm
