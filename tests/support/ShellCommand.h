// Running another program from a test (a reader of our output files, or tsmtool itself) and keeping what
// it printed on stdout.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tsm::test {

struct ShellResult {
    std::string out;
    int status = -1; // the exit status; -1 when the program could not start or did not end by itself
};

inline ShellResult RunShell(const std::string& command) {
    ShellResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// What `command` printed on stdout, whatever its exit status.
inline std::string CommandOutput(const std::string& command) {
    return RunShell(command).out;
}

} // namespace tsm::test
