#include "model/ChildConversion.h"
#include "model/TextCase.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tsm {

namespace fs = std::filesystem;

namespace {

constexpr const char* kConvertedExtensions[] = {".3ds",  ".dae", ".fbx", ".3mf", ".lwo", ".x",   ".ac",
                                                ".ms3d", ".ase", ".b3d", ".dxf", ".smd", ".cob", ".q3o"};

double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

} // namespace

bool IsConvertedFormat(const std::string& path) {
    const std::string extension = AsciiLower(fs::path(path).extension().string());
    for (const char* converted : kConvertedExtensions)
        if (extension == converted) return true;
    return false;
}

std::string ConverterPath() {
    if (const char* named = std::getenv("TESSALY_CONVERTER"); named && *named) return named;
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) return {};
    for (const fs::path& folder : {self.parent_path(), self.parent_path().parent_path()}) {
        const fs::path helper = folder / "tessaly-convert";
        if (fs::is_regular_file(helper, error)) return helper.string();
    }
    return {};
}

Outcome ConvertInChild(const std::string& input, const std::string& outputObj, int timeoutSeconds) {
    const std::string helper = ConverterPath();
    if (helper.empty()) return Outcome::Failed("the converter tessaly-convert is not installed");
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return Outcome::Failed(std::string("no pipe: ") + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string in = input, out = outputObj, program = helper;
    char* const argv[] = {program.data(), in.data(), out.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, helper.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return Outcome::Failed("the converter cannot be started: " + std::string(std::strerror(spawned)));
    }

    // The child's message, up to a line's worth; the child is ended when the time is up.
    std::string message;
    const double deadline = Now() + timeoutSeconds;
    bool timedOut = false;
    for (;;) {
        const double left = deadline - Now();
        if (left <= 0) {
            timedOut = true;
            kill(child, SIGKILL);
            break;
        }
        pollfd wait{pipeEnds[0], POLLIN, 0};
        const int ready = poll(&wait, 1, int(std::min(left, 1.0) * 1000) + 1);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        char buffer[512];
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        if (message.size() < 1024) message.append(buffer, size_t(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        return Outcome::Failed("the converter took longer than " + std::to_string(timeoutSeconds) +
                               " s and was stopped");
    if (WIFSIGNALED(status))
        return Outcome::Failed("the converter crashed on this file (" +
                               std::string(strsignal(WTERMSIG(status))) + ")");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const size_t newline = message.find('\n');
        if (newline != std::string::npos) message.resize(newline);
        return Outcome::Failed(message.empty() ? "the converter failed" : message);
    }
    return Outcome::Ok();
}

} // namespace tsm
