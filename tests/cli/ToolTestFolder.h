// Running the real tsmtool from a test: a fresh folder per test, an empty settings store so that the
// user's own settings never leak in, stdout and stderr kept for the assertions.
#pragma once

#include "model/BinaryWriter.h"
#include "model/Settings.h"
#include "tests/support/ShellCommand.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tsm::test {

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline std::string FileBytes(const std::string& path) {
    std::stringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

struct ToolRun {
    int status = -1;
    std::string err, out, line; // line: the command as the shell ran it
    const QJsonObject Json() const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    }
};

class ToolTestFolder : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() / ("tessaly_cli_" + std::to_string(::getpid()) + "_" +
                                                         info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // `environment` goes before the command (e.g. "TESSALY_GL_FAIL=display"); `stdoutTo` replaces the
    // capture.
    ToolRun Run(const std::vector<std::string>& args, const std::string& environment = {},
                const std::string& stdoutTo = {}) {
        std::string command = environment + " " + ShellQuote(std::string(TESSALY_BINARY_DIR) + "/tsmtool");
        command += " --settings " + ShellQuote(Out("none.reg"));
        for (const std::string& arg : args) command += " " + ShellQuote(arg);
        if (!stdoutTo.empty()) command += " >" + stdoutTo;
        const ShellResult shell = RunShell(command + " 2>" + ShellQuote(Out("stderr.txt")));
        return {shell.status, FileBytes(Out("stderr.txt")), shell.out, command};
    }
    // What tsmtool info reports on `path`; an empty object when it could not be opened.
    const QJsonObject Info(const std::string& path, bool detail = false) {
        const ToolRun r = Run(detail ? std::vector<std::string>{"info", "--detail", path}
                                     : std::vector<std::string>{"info", path});
        return r.status == 0 ? r.Json() : QJsonObject();
    }
    // The names in the test's folder, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A cube model without development; `hidden` takes it out of the development too.
    std::string WritePlainCube(const std::string& name, bool hidden = false) {
        Document doc;
        const MeshData cube = Cube(20);
        AddSolid(doc, "Cube", cube.vertices, cube.faces).inDevelopment = !hidden;
        const Outcome written = WriteBinaryModel(doc, Settings(), Out(name));
        EXPECT_TRUE(written.ok()) << written.reason();
        return Out(name);
    }

    static std::string Sample(const char* name) { return TESSALY_SOURCE_DIR "/samples/" + std::string(name); }
    static std::string Mesh(const char* name) {
        return TESSALY_SOURCE_DIR "/tests/data/meshes/" + std::string(name);
    }
    std::string Out(const std::string& name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

} // namespace tsm::test
