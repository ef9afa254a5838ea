// Writes the recovery copy of the current document off the calling (GUI) thread: the caller's part is to
// make the bytes a Save would write, the worker thread puts them in the copy through the atomic writer
// (the write and the flush to disk being what takes long on a large model).
#pragma once

#include "model/Document.h"
#include "model/RecoveryCopies.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tsm {

class RecoveryKeeper {
public:
    // `folder`: where the copies go (RecoveryFolder).
    explicit RecoveryKeeper(std::string folder);
    ~RecoveryKeeper();
    RecoveryKeeper(const RecoveryKeeper&) = delete;
    RecoveryKeeper& operator=(const RecoveryKeeper&) = delete;

    // Hands the document's bytes to the worker; a copy still waiting to be written is replaced. `header`
    // names the original file, its stamp and the title; the time is filled in.
    void Keep(const Document& document, RecoveryHeader header);
    // The document was saved or deliberately closed without saving: the copy is removed.
    void Forget();
    // Takes over a copy found at start (after "Recover"): it is rewritten from now on, and removed by
    // Forget.
    void Adopt(RecoveryCopy copy);
    // Waits until the worker has done what it was given; the outcome of the last write.
    Outcome Wait();
    // The copy's file; empty until the first one is written.
    std::string CopyPath();

private:
    struct Job {
        RecoveryHeader header;
        std::string bytes;
    };
    void Run();

    std::string folder_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> pending_;
    bool busy_ = false;
    bool stop_ = false;
    bool forget_ = false;
    RecoveryCopy copy_;
    Outcome last_ = Outcome::Ok();
    std::thread worker_;
};

} // namespace tsm
