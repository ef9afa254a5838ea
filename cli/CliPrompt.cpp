#include "cli/CliPrompt.h"

#include <cstdio>

namespace tsm {

void CliPrompt::Emit(const std::string& text) {
    texts_.push_back(text);
    std::string line = "message: ";
    for (char c : text) {
        if (c == '\n')
            line += "\\n";
        else
            line.push_back(c);
    }
    line.push_back('\n');
    std::fputs(line.c_str(), stderr);
}

void CliPrompt::Message(const std::string& text, PromptIcon, const std::string&) {
    Emit(text);
}

bool CliPrompt::AskYesNo(const std::string& text) {
    Emit(text);
    return answerYes_;
}

bool CliPrompt::AskOkCancel(const std::string& text) {
    Emit(text);
    return answerYes_;
}

} // namespace tsm
