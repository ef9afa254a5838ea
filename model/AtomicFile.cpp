#include "model/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tsm {

namespace {

std::string Reason(const char* what, const std::string& path) {
    return std::string(what) + " \"" + path + "\": " + std::strerror(errno);
}

} // namespace

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
    // The temporary file sits in the target's folder so that the rename never crosses file systems.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (error) *error = Reason("Cannot create a temporary file beside", path);
        return false;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = Reason("Cannot write", temp);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        written += static_cast<size_t>(n);
    }
    // mkstemp creates the file 0600; a saved model should be readable like any other document.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const bool synced = ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed) {
        if (error) *error = Reason("Cannot write", temp);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        if (error) *error = Reason("Cannot replace", path);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace tsm
