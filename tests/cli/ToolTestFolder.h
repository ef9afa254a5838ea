// Running the real tsmtool from a test: a fresh folder per test, an empty settings store so that the
// user's own settings never leak in, and stderr kept for the assertions.
#pragma once

#include "tests/support/ShellCommand.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tsm::test {

struct ToolRun {
    int status = -1;
    std::string err;
    std::string out; // kept by Capture only
};

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted.push_back(c);
    }
    return quoted + "'";
}

inline std::string FileBytes(const std::string& path) {
    std::stringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

class ToolTestFolder : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tessaly_cli_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // `environment` goes before the command (e.g. "LC_ALL=de_DE.UTF-8"); stdout is dropped.
    ToolRun Run(const std::vector<std::string>& args, const std::string& environment = {}) {
        std::string command = environment + " " + ShellQuote(std::string(TESSALY_BINARY_DIR) + "/tsmtool");
        command += " --settings " + ShellQuote((dir_ / "none.reg").string());
        for (const std::string& arg : args) command += " " + ShellQuote(arg);
        command += " >/dev/null 2>" + ShellQuote((dir_ / "stderr.txt").string());
        ToolRun result;
        const int status = std::system(command.c_str());
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = FileBytes((dir_ / "stderr.txt").string());
        return result;
    }

    // Like Run, with stdout kept in `out`.
    ToolRun Capture(const std::vector<std::string>& args) {
        std::string command = ShellQuote(std::string(TESSALY_BINARY_DIR) + "/tsmtool");
        command += " --settings " + ShellQuote((dir_ / "none.reg").string());
        for (const std::string& arg : args) command += " " + ShellQuote(arg);
        command += " 2>" + ShellQuote((dir_ / "stderr.txt").string());
        const ShellResult shell = RunShell(command);
        ToolRun result;
        result.status = shell.status;
        result.out = shell.out;
        result.err = FileBytes((dir_ / "stderr.txt").string());
        return result;
    }

    std::string Sample(const char* name) { return std::string(TESSALY_SOURCE_DIR) + "/samples/" + name; }
    std::string Out(const std::string& name) { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

} // namespace tsm::test
