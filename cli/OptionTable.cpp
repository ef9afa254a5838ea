#include "cli/OptionTable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tsm {

namespace {

constexpr size_t kTextWidth = 100;

const OptionSpec* FindIn(const std::vector<OptionSpec>& options, const std::string& name) {
    for (const OptionSpec& option : options)
        if (name == option.name || (option.shortName && name == option.shortName)) return &option;
    return nullptr;
}

// "a", "a and b", "a, b and c"
std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

std::string OptionWithValue(const OptionSpec& option) {
    return option.placeholder ? std::string(option.name) + " " + option.placeholder : option.name;
}

// "[--width PX]", "--pdf OUT.pdf", "[--set NAME=VALUE]..."
std::string SynopsisItem(const OptionSpec& option) {
    if (option.required) return OptionWithValue(option);
    return "[" + OptionWithValue(option) + "]" + (option.repeats ? "..." : "");
}

// Required options first, as the command cannot do without them, then the rest in table order.
std::vector<const OptionSpec*> SynopsisOrder(const std::vector<OptionSpec>& options) {
    std::vector<const OptionSpec*> order;
    for (const OptionSpec& option : options) order.push_back(&option);
    std::stable_partition(order.begin(), order.end(), [](const OptionSpec* o) { return o->required; });
    return order;
}

// Words filled into lines of kTextWidth, the lines after the first indented by `indent`.
std::string Fill(const std::vector<std::string>& words, size_t indent) {
    std::string text, line;
    for (const std::string& word : words) {
        if (!line.empty() && line.size() + 1 + word.size() > kTextWidth) {
            text += line + "\n";
            line = std::string(indent, ' ');
        } else if (!line.empty()) {
            line += " ";
        }
        line += word;
    }
    return text + line + "\n";
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// "  label   help", the help filled into the lines below it at its column.
std::string Row(const std::string& label, size_t width, const std::string& help) {
    std::vector<std::string> words = Words(help);
    words.insert(words.begin(), "  " + label + std::string(width - label.size() + 2, ' '));
    // The label and the help's first word are one word, so the help starts on the label's line.
    if (words.size() > 1) {
        words[0] += words[1];
        words.erase(words.begin() + 1);
    }
    return Fill(words, width + 4);
}

std::string OptionRows(const std::vector<OptionSpec>& options) {
    size_t width = 0;
    auto label = [](const OptionSpec& option) {
        const std::string shortName = option.shortName ? std::string(option.shortName) + ", " : "";
        return shortName + OptionWithValue(option);
    };
    for (const OptionSpec& option : options) width = std::max(width, label(option).size());
    std::string text;
    for (const OptionSpec& option : options) text += Row(label(option), width, option.help);
    return text;
}

std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out.push_back(c);
    }
    // A line starting with a dot or an apostrophe would be read as a request.
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string RoffBold(const std::string& text) {
    return "\\fB" + Roff(text) + "\\fR";
}

std::string RoffItalic(const std::string& text) {
    return "\\fI" + Roff(text) + "\\fR";
}

std::string RoffOption(const OptionSpec& option, bool withShortName = true) {
    std::string text = withShortName && option.shortName ? RoffBold(option.shortName) + ", " : "";
    text += RoffBold(option.name);
    if (option.placeholder) text += " " + RoffItalic(option.placeholder);
    return text;
}

std::string RoffOperands(const char* operands) {
    std::string text, word;
    const std::string all = operands;
    for (size_t i = 0; i <= all.size(); ++i) {
        if (i == all.size() || all[i] == ' ') {
            if (!word.empty()) text += " " + RoffItalic(word);
            word.clear();
        } else {
            word.push_back(all[i]);
        }
    }
    return text;
}

std::string RoffOptionList(const std::vector<OptionSpec>& options) {
    std::string text;
    for (const OptionSpec& option : options)
        text += ".TP\n" + RoffOption(option) + "\n" + Roff(option.help) + "\n";
    return text;
}

} // namespace

const OptionSpec* CommandLine::Known(const char* name) const {
    if (tool_) {
        if (const OptionSpec* global = FindIn(tool_->globalOptions, name)) return global;
    }
    if (command) {
        if (const OptionSpec* own = FindIn(command->options, name)) return own;
    }
    std::fprintf(stderr, "tsmtool: option %s is in no table of this command\n", name);
    std::abort();
}

bool CommandLine::Has(const char* name) const {
    return !Values(name).empty();
}

std::optional<std::string> CommandLine::Value(const char* name) const {
    std::vector<std::string> values = Values(name);
    if (values.empty()) return std::nullopt;
    return values.back();
}

std::vector<std::string> CommandLine::Values(const char* name) const {
    const std::string wanted = Known(name)->name;
    std::vector<std::string> values;
    for (const auto& [option, value] : options)
        if (wanted == option->name) values.push_back(value);
    return values;
}

Outcome ParseCommandLine(const ToolSpec& tool, const std::vector<std::string>& args, CommandLine& line) {
    line = CommandLine{};
    line.tool_ = &tool;
    std::string commandWord;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // A lone "-" is an operand: the standard stream where a file name would stand.
        if (arg.size() < 2 || arg[0] != '-') {
            if (commandWord.empty()) {
                commandWord = arg;
                for (const CommandSpec& command : tool.commands)
                    if (arg == command.name) line.command = &command;
            } else {
                line.operands.push_back(arg);
            }
            continue;
        }
        // Before the command word an option is looked up in every command's table.
        const OptionSpec* option = FindIn(tool.globalOptions, arg);
        if (!option && line.command) option = FindIn(line.command->options, arg);
        for (size_t c = 0; !option && c < tool.commands.size(); ++c)
            option = FindIn(tool.commands[c].options, arg);
        if (!option) return Outcome::Failed("unknown option " + arg);
        std::string value;
        if (option->placeholder) {
            if (i + 1 >= args.size())
                return Outcome::Failed(std::string(option->name) + " needs " + option->placeholder);
            value = args[++i];
        }
        line.options.emplace_back(option, value);
    }
    line.help = !line.Values("--help").empty();
    if (commandWord.empty()) return line.help ? Outcome::Ok() : Outcome::Failed("no command given");
    if (!line.command) return Outcome::Failed("unknown command " + commandWord);
    if (line.help) return Outcome::Ok();

    for (auto& [option, value] : line.options) {
        if (FindIn(tool.globalOptions, option->name)) continue;
        if (const OptionSpec* own = FindIn(line.command->options, option->name)) {
            option = own;
            continue;
        }
        std::vector<std::string> owners;
        for (const CommandSpec& command : tool.commands)
            if (FindIn(command.options, option->name)) owners.push_back(command.name);
        return Outcome::Failed(std::string(option->name) + " belongs to " + JoinNames(owners));
    }
    const size_t count = line.operands.size();
    if (count < line.command->operandCount ||
        (!line.command->moreOperands && count != line.command->operandCount))
        return Outcome::Failed(line.command->operandProblem);
    for (const OptionSpec& option : line.command->options)
        if (option.required && !line.Has(option.name))
            return Outcome::Failed(std::string(line.command->name) + " needs " + OptionWithValue(option));
    return Outcome::Ok();
}

std::string UsageLine(const ToolSpec& tool, const CommandSpec* command) {
    std::vector<std::string> words = {"usage:", tool.program};
    if (!command) {
        for (const OptionSpec* option : SynopsisOrder(tool.globalOptions))
            words.push_back(SynopsisItem(*option));
        words.push_back("COMMAND [OPTIONS] OPERANDS");
        return Fill(words, 7);
    }
    words.push_back("[GLOBAL OPTIONS]");
    words.push_back(command->name);
    for (const OptionSpec* option : SynopsisOrder(command->options)) words.push_back(SynopsisItem(*option));
    words.push_back(command->operands);
    return Fill(words, 7);
}

std::string OverallHelp(const ToolSpec& tool) {
    std::string text = UsageLine(tool, nullptr);
    text +=
        "       " + std::string(tool.program) + " COMMAND --help shows the command's options\n\ncommands:\n";
    size_t width = 0;
    for (const CommandSpec& command : tool.commands)
        width = std::max(width, std::string(command.name).size() + 1 + std::string(command.operands).size());
    for (const CommandSpec& command : tool.commands) {
        text += Row(std::string(command.name) + " " + command.operands, width, command.summary);
    }
    return text + "\nglobal options:\n" + OptionRows(tool.globalOptions);
}

std::string CommandHelp(const ToolSpec& tool, const CommandSpec& command) {
    std::string text = UsageLine(tool, &command) + Fill(Words(command.summary), 0);
    if (!command.options.empty()) text += "\noptions:\n" + OptionRows(command.options);
    return text + "\nglobal options:\n" + OptionRows(tool.globalOptions);
}

std::string ManPage(const ToolSpec& tool, const ManualText& manual) {
    std::string upper = tool.program;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    std::string text =
        ".TH " + upper + " 1\n.SH NAME\n" + Roff(tool.program) + " \\- " + Roff(manual.title) + "\n";

    text += ".SH SYNOPSIS\n";
    text += RoffBold(tool.program);
    for (const OptionSpec* option : SynopsisOrder(tool.globalOptions))
        text += " [" + RoffOption(*option, false) + "]" + (option->repeats ? "..." : "");
    text += " " + RoffItalic("COMMAND") + " [" + RoffItalic("OPTIONS") + "] " + RoffItalic("OPERANDS") + "\n";
    text += ".br\n" + RoffBold(tool.program) + " " + RoffItalic("COMMAND") + " " + RoffBold("--help") + "\n";

    text += ".SH DESCRIPTION\n";
    const std::string description = manual.description;
    for (size_t start = 0; start <= description.size();) {
        size_t end = description.find('\n', start);
        if (end == std::string::npos) end = description.size();
        const std::string row = description.substr(start, end - start);
        if (row.empty())
            text += ".PP\n";
        else
            text += Roff(row) + "\n";
        start = end + 1;
    }

    text += ".SH COMMANDS\n";
    for (const CommandSpec& command : tool.commands) {
        text += ".TP\n" + RoffBold(command.name);
        for (const OptionSpec* option : SynopsisOrder(command.options))
            text +=
                option->required ? " " + RoffOption(*option, false) : " [" + RoffOption(*option, false) + "]";
        text += RoffOperands(command.operands) + "\n" + Roff(command.summary) + "\n";
        if (!command.options.empty()) text += ".RS\n" + RoffOptionList(command.options) + ".RE\n";
    }

    text += ".SH OPTIONS\nThese options go with every command, before or after its name.\n";
    text += RoffOptionList(tool.globalOptions);

    text += ".SH EXIT STATUS\n";
    for (const auto& [status, meaning] : manual.exitStatus)
        text += ".TP\n" + RoffBold(status) + "\n" + Roff(meaning) + "\n";
    text += ".SH FILES\n";
    for (const auto& [path, meaning] : manual.files)
        text += ".TP\n" + RoffItalic(path) + "\n" + Roff(meaning) + "\n";
    return text;
}

} // namespace tsm
