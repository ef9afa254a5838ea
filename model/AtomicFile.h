// The one way files are written: the finished bytes go to a temporary file beside the target, every write,
// the flush to disk and the close are checked, and only then is the temporary renamed over the target. A
// failure removes the temporary file and leaves the target as it was.
//  - A symbolic link is written through: the file it finally points at is replaced, the link stays.
//  - An existing target that is not a regular file (a FIFO, /dev/stdout, /dev/full) cannot be replaced by
//    a rename; it is opened for writing as it is and written directly.
//  - A replaced file keeps its permission bits; a new one gets 0666 less the umask.
#pragma once

#include "model/Outcome.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace tsm {

// The reason names `path` as given, e.g. "cannot write /tmp/a.dxf: File too large".
Outcome WriteWholeFile(const std::string& path, std::string_view bytes);
// The pieces one after the other, for content that already lies in separate buffers.
Outcome WriteWholeFile(const std::string& path, std::initializer_list<std::string_view> pieces);

// The bytes to the process's standard output, whatever it is connected to.
Outcome WriteToStandardOutput(std::string_view bytes);

// The same writer for content made piece by piece that need not be held whole (a PDF of many pages):
// Begin makes the temporary file beside the target (or opens a FIFO or device as it is), Write appends,
// Finish syncs, closes and renames. A failed step, or a file dropped before Finish, removes the temporary
// file and leaves the target as it was. WriteWholeFile is Begin, one Write per piece and Finish.
class StreamedFile {
public:
    StreamedFile() = default;
    ~StreamedFile();
    StreamedFile(const StreamedFile&) = delete;
    StreamedFile& operator=(const StreamedFile&) = delete;

    Outcome Begin(const std::string& path);
    // False once a write has failed; the failure is kept for Finish to report.
    bool Write(std::string_view bytes);
    Outcome Finish();
    // Removes the temporary file; the target stays as it was.
    void Discard();

private:
    std::string path_;    // as given, for the messages
    std::string target_;  // the file the links end at
    std::string temp_;    // empty when writing in place
    std::string pending_; // small writes gathered into fewer system calls
    int fd_ = -1;
    int error_ = 0;
    unsigned mode_ = 0;

    void Flush();
};

} // namespace tsm
