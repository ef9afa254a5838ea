// tsmtool's command line as data: each command names its options, operands and summary in one table, and
// parsing, the checks, the usage texts and the manual page are all read from the tables.
#pragma once

#include "model/Outcome.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tsm {

struct OptionSpec {
    const char* name;                // "--width"
    const char* placeholder;         // the value's name in usage texts ("PX"); nullptr: the option takes none
    const char* help;                // one line
    bool required = false;           // the command cannot run without it
    bool repeats = false;            // every value counts, not only the last
    const char* shortName = nullptr; // "-h"
};

struct CommandSpec {
    const char* name;
    const char* operands; // as shown in usage texts: "MODEL OUT.tsm"
    size_t operandCount;
    const char* operandProblem; // said when the count is wrong: "save takes a model file and an output file"
    const char* summary;        // one line
    std::vector<OptionSpec> options;
    bool moreOperands = false; // operandCount is the least number: the last operand may repeat
};

struct ToolSpec {
    const char* program;
    std::vector<OptionSpec> globalOptions; // allowed with every command, before or after its word
    std::vector<CommandSpec> commands;
};

// One command line taken apart. Options may stand before or after the command word.
struct CommandLine {
    const CommandSpec* command = nullptr;
    std::vector<std::pair<const OptionSpec*, std::string>> options; // as given; a flag's value is empty
    std::vector<std::string> operands;                              // after the command word
    bool help = false;

    // By an option's long name, which must be in the command's or the global table: a name in neither is
    // a slip of the code, not of the user, and stops the program with a message, as an assertion would.
    bool Has(const char* name) const;
    std::optional<std::string> Value(const char* name) const; // the last one given
    std::vector<std::string> Values(const char* name) const;  // all, in order

private:
    friend Outcome ParseCommandLine(const ToolSpec&, const std::vector<std::string>&, CommandLine&);
    const OptionSpec* Known(const char* name) const;
    const ToolSpec* tool_ = nullptr;
};

// Takes `args` (without the program name) apart by the tables and checks it: unknown options and
// commands, a missing value, an option of another command, the operand count and required options.
// A failure gives the problem in the tool's words; `line` then holds what was taken apart before it (the
// command, for the usage line). With --help only the options are checked.
Outcome ParseCommandLine(const ToolSpec& tool, const std::vector<std::string>& args, CommandLine& line);

// `program [GLOBAL OPTIONS] command SYNOPSIS` for one command, or the general form without one.
std::string UsageLine(const ToolSpec& tool, const CommandSpec* command);
// The whole overview: every command with its summary, then the global options.
std::string OverallHelp(const ToolSpec& tool);
// One command's usage, summary and options, then the global options.
std::string CommandHelp(const ToolSpec& tool, const CommandSpec& command);

// The manual page's parts that are not in the tables.
struct ManualText {
    const char* title;       // NAME line after "program \-"
    const char* description; // paragraphs separated by blank lines
    std::vector<std::pair<const char*, const char*>> exitStatus;
    std::vector<std::pair<const char*, const char*>> files;
};

// roff for man(7): NAME, SYNOPSIS, DESCRIPTION, COMMANDS, OPTIONS, EXIT STATUS, FILES.
std::string ManPage(const ToolSpec& tool, const ManualText& text);

} // namespace tsm
