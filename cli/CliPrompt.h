// Message boxes of the headless tool: each text goes to stderr as one line, and questions take the
// answer given on the command line.
#pragma once

#include "model/Prompt.h"

#include <string>
#include <vector>

namespace tsm {

class CliPrompt : public IPrompt {
public:
    explicit CliPrompt(bool answerYes) : answerYes_(answerYes) {}
    void Message(const std::string& text, PromptIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;

    const std::vector<std::string>& Texts() const { return texts_; }

private:
    void Emit(const std::string& text);
    bool answerYes_;
    std::vector<std::string> texts_;
};

} // namespace tsm
