#include "model/RecoveryCopies.h"

#include "model/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace tsm {

const char* const kRecoveryDamagedText = "A recovery copy is damaged and was set aside: ";

namespace {

// Copies of the first kind hold no build order; they are still read.
const char kMagicWithoutOrder[] = "TESSALY RECOVERY 1\n";
const char kMagic[] = "TESSALY RECOVERY 2\n";
const char kCopySuffix[] = ".tsmr";

void PutString(std::string& out, const std::string& s) {
    out += std::to_string(s.size());
    out += ':';
    out += s;
    out += '\n';
}

void PutNumber(std::string& out, int64_t n) {
    out += std::to_string(n);
    out += '\n';
}

// Reads "DIGITS" up to `end` from the front of `in`.
bool TakeNumber(std::string_view& in, char end, int64_t& value) {
    const size_t stop = in.find(end);
    if (stop == std::string_view::npos || stop == 0) return false;
    const auto [ptr, error] = std::from_chars(in.data(), in.data() + stop, value);
    if (error != std::errc() || ptr != in.data() + stop) return false;
    in.remove_prefix(stop + 1);
    return true;
}

bool TakeString(std::string_view& in, std::string& value) {
    int64_t length = 0;
    if (!TakeNumber(in, ':', length) || length < 0 || uint64_t(length) + 1 > in.size()) return false;
    if (in[size_t(length)] != '\n') return false;
    value.assign(in.substr(0, size_t(length)));
    in.remove_prefix(size_t(length) + 1);
    return true;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// Opens (making it when missing) and locks a lock file without waiting; -1 when another process holds it.
int TakeLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::string RecoveryFolder(const char* xdgStateHome, const char* home) {
    // A relative XDG path is invalid by the base directory rules and is ignored.
    if (xdgStateHome != nullptr && xdgStateHome[0] == '/')
        return std::string(xdgStateHome) + "/tessaly/recovery";
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/state/tessaly/recovery";
    return {};
}

int64_t FileStamp(const std::string& path) {
    struct stat info;
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return 0;
    return int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

std::string RecoveryCopyBytes(const RecoveryHeader& header, std::string_view modelBytes) {
    std::string out = kMagic;
    PutString(out, header.originalPath);
    PutNumber(out, header.originalStamp);
    PutString(out, header.title);
    PutNumber(out, header.savedAt);
    PutString(out, header.buildOrder);
    out.append(modelBytes);
    return out;
}

bool ParseRecoveryCopy(std::string_view bytes, RecoveryHeader& header, std::string_view& modelBytes) {
    const std::string_view magic(kMagic);
    const bool withOrder = bytes.substr(0, magic.size()) == magic;
    if (!withOrder && bytes.substr(0, magic.size()) != kMagicWithoutOrder) return false;
    bytes.remove_prefix(magic.size());
    if (!TakeString(bytes, header.originalPath) || !TakeNumber(bytes, '\n', header.originalStamp) ||
        !TakeString(bytes, header.title) || !TakeNumber(bytes, '\n', header.savedAt))
        return false;
    header.buildOrder.clear();
    if (withOrder && !TakeString(bytes, header.buildOrder)) return false;
    modelBytes = bytes;
    return !bytes.empty();
}

RecoveryCopy::~RecoveryCopy() {
    // A copy that was removed (saved, discarded) leaves no lock file behind either.
    if (Claimed() && ::access(path_.c_str(), F_OK) != 0) ::unlink(LockPath().c_str());
    Release();
}

RecoveryCopy::RecoveryCopy(RecoveryCopy&& other) noexcept {
    *this = std::move(other);
}

RecoveryCopy& RecoveryCopy::operator=(RecoveryCopy&& other) noexcept {
    if (this != &other) {
        Release();
        path_ = std::move(other.path_);
        lockFd_ = std::exchange(other.lockFd_, -1);
        header_ = std::move(other.header_);
        modelBytes_ = std::move(other.modelBytes_);
    }
    return *this;
}

std::string RecoveryCopy::LockPath() const {
    return path_.substr(0, path_.size() - std::strlen(kCopySuffix)) + ".lock";
}

Outcome RecoveryCopy::Claim(const std::string& folder) {
    Release();
    if (folder.empty()) return Outcome::Failed("no folder for recovery copies");
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return Outcome::Failed("cannot make " + folder + ": " + error.message());
    static std::atomic<int> counter{0};
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    path_ = folder + "/copy-" + std::to_string(::getpid()) + "-" +
            std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) + "-" +
            std::to_string(++counter) + kCopySuffix;
    lockFd_ = TakeLock(LockPath());
    if (lockFd_ < 0) return Outcome::Failed("cannot lock " + LockPath() + ": " + std::strerror(errno));
    return Outcome::Ok();
}

Outcome RecoveryCopy::Write(const RecoveryHeader& header, std::string_view modelBytes) const {
    if (!Claimed()) return Outcome::Failed("no recovery copy claimed");
    const std::string head = RecoveryCopyBytes(header, {});
    return WriteWholeFile(path_, {head, modelBytes});
}

void RecoveryCopy::Remove() const {
    if (path_.empty()) return;
    ::unlink(path_.c_str());
}

void RecoveryCopy::SetAside() {
    if (path_.empty()) return;
    const std::string aside = path_.substr(0, path_.size() - std::strlen(kCopySuffix)) + ".damaged";
    ::rename(path_.c_str(), aside.c_str());
    ::unlink(LockPath().c_str());
    Release();
}

void RecoveryCopy::Release() {
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
}

std::vector<RecoveryCopy> RecoveryCopy::FindLeftBehind(const std::string& folder, IPrompt& prompt) {
    std::vector<RecoveryCopy> found;
    std::vector<std::string> damaged;
    std::error_code error;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (EndsWith(entry.path().string(), kCopySuffix)) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        RecoveryCopy copy;
        copy.path_ = name;
        copy.lockFd_ = TakeLock(copy.LockPath());
        if (copy.lockFd_ < 0) continue; // its viewer still runs
        const std::string bytes = ReadAll(name);
        std::string_view model;
        if (!ParseRecoveryCopy(bytes, copy.header_, model)) {
            damaged.push_back(name);
            copy.SetAside();
            continue;
        }
        const std::string& original = copy.header_.originalPath;
        const int64_t stamp = FileStamp(original);
        if (!original.empty() && stamp != 0 && stamp != copy.header_.originalStamp) {
            // Saved since the copy's document was opened: the copy holds nothing the file lacks.
            copy.Remove();
            ::unlink(copy.LockPath().c_str());
            continue;
        }
        copy.modelBytes_.assign(model);
        found.push_back(std::move(copy));
    }
    std::stable_sort(found.begin(), found.end(), [](const RecoveryCopy& a, const RecoveryCopy& b) {
        return a.header_.savedAt < b.header_.savedAt;
    });
    if (!damaged.empty()) {
        std::string text = kRecoveryDamagedText;
        for (size_t i = 0; i < damaged.size(); ++i) text += (i ? ", " : "") + damaged[i];
        prompt.Message(text, PromptIcon::Warning);
    }
    return found;
}

} // namespace tsm
