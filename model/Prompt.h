// Every message box of the system goes through this interface: a modal dialog in the GUI, stderr and the
// answer flags in tsmtool, a recorder in tests.
#pragma once

#include <string>
#include <vector>

namespace tsm {

enum class PromptIcon { None, Information, Warning, Error };

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
    std::vector<std::string> texts;

private:
    bool answer_;
};

} // namespace tsm
