#include "model/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tsm {

namespace {

// Links nested deeper than this are taken for a loop, as the kernel does.
constexpr int kMaxLinkHops = 40;
// Leaves room for the temporary name's dot and suffix within the 255 bytes a name may have.
constexpr size_t kMaxTempStem = 240;
// Writes smaller than this are gathered before they go to the file.
constexpr size_t kGatherBytes = 1 << 16;

Outcome Failure(const char* what, const std::string& path, int error) {
    return Outcome::Failed(std::string(what) + " " + path + ": " + std::strerror(error));
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Every piece, retrying interrupted and short writes; 0 or the errno of the failed write.
int WriteAll(int fd, std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces) {
        while (!piece.empty()) {
            const ssize_t n = ::write(fd, piece.data(), piece.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            piece.remove_prefix(static_cast<size_t>(n));
        }
    }
    return 0;
}

// The file a chain of symbolic links ends at (the path itself when it is no link); the last target need
// not exist. Empty with errno set on a loop or an unreadable link.
std::string FollowLinks(const std::string& path) {
    std::string target = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info;
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return {};
        link.resize(static_cast<size_t>(n));
        target = !link.empty() && link[0] == '/' ? link : FolderOf(target) + "/" + link;
    }
    errno = ELOOP;
    return {};
}

} // namespace

Outcome WriteWholeFile(const std::string& path, std::string_view bytes) {
    return WriteWholeFile(path, {bytes});
}

Outcome WriteWholeFile(const std::string& path, std::initializer_list<std::string_view> pieces) {
    StreamedFile file;
    Outcome begun = file.Begin(path);
    if (!begun.ok()) return begun;
    for (std::string_view piece : pieces)
        if (!file.Write(piece)) break;
    return file.Finish();
}

StreamedFile::~StreamedFile() {
    Discard();
}

Outcome StreamedFile::Begin(const std::string& path) {
    Discard();
    path_ = path;
    error_ = 0;
    if (path.empty()) return Outcome::Failed("no file name given");
    target_ = FollowLinks(path);
    if (target_.empty()) return Failure("cannot follow the link", path, errno);

    struct stat info;
    if (::stat(target_.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return Failure("cannot write", path, EISDIR);
        if (!S_ISREG(info.st_mode)) {
            // A FIFO or a device takes the bytes as they come: no temporary file, no truncation, no rename.
            fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            if (fd_ < 0) return Failure("cannot open", path, errno);
            return Outcome::Ok();
        }
        mode_ = info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode_ = 0666 & ~mask;
    }

    // Beside the final target, so that the rename never crosses file systems; hidden, as it is never
    // meant to be seen.
    const size_t slash = target_.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string temp = folder + "." + name.substr(0, kMaxTempStem) + ".XXXXXX";
    fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd_ < 0) return Failure("cannot create", path, errno);
    temp_ = std::move(temp);
    return Outcome::Ok();
}

bool StreamedFile::Write(std::string_view bytes) {
    if (fd_ < 0 && error_ == 0) error_ = EBADF;
    if (error_ != 0) return false;
    if (pending_.size() + bytes.size() < kGatherBytes) {
        pending_.append(bytes);
        return true;
    }
    Flush();
    if (error_ == 0) error_ = WriteAll(fd_, {bytes});
    return error_ == 0;
}

void StreamedFile::Flush() {
    if (error_ == 0 && !pending_.empty()) error_ = WriteAll(fd_, {pending_});
    pending_.clear();
}

Outcome StreamedFile::Finish() {
    if (fd_ < 0) return Failure("cannot write", path_, error_ != 0 ? error_ : EBADF);
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (temp_.empty()) {
        if (error_ != 0) {
            ::close(fd);
            return Failure("cannot write", path_, error_);
        }
        if (::close(fd) != 0) return Failure("cannot write", path_, errno);
        return Outcome::Ok();
    }
    auto fail = [&](const char* what, int error) {
        ::unlink(temp_.c_str());
        temp_.clear();
        return Failure(what, path_, error);
    };
    int error = error_;
    if (error == 0 && ::fchmod(fd, mode_t(mode_)) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (error != 0) {
        ::close(fd);
        return fail("cannot write", error);
    }
    if (::close(fd) != 0) return fail("cannot write", errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return fail("cannot replace", errno);
    temp_.clear();

    // The new name on disk too; a folder that cannot be synced costs durability only, not the file.
    const std::string folder = FolderOf(target_);
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return Outcome::Ok();
}

void StreamedFile::Discard() {
    pending_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

Outcome WriteToStandardOutput(std::string_view bytes) {
    const int error = WriteAll(STDOUT_FILENO, {bytes});
    if (error != 0) return Failure("cannot write", "standard output", error);
    return Outcome::Ok();
}

} // namespace tsm
