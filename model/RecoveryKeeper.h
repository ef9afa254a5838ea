// Writes the recovery copy of the current document off the calling (GUI) thread. Keep makes the bytes a
// Save would write on the calling thread and the worker thread puts them in the copy through the atomic
// writer. KeepInChild leaves even the bytes to a child process: fork gives the child a copy-on-write image
// of the document as it is at that moment, at the cost of copying the page tables (a few milliseconds
// for a model of 200,000 faces, where making the bytes takes far longer), while the window goes on
// editing its own.
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
    // The same through a child process; the worker thread waits for it. False when no child was started:
    // the previous copy is still being written (the next tick takes a fresh one), or the copy's name or
    // the process could not be had (Wait tells why).
    bool KeepInChild(const Document& document, RecoveryHeader header);
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
    // The worker's side of KeepInChild: waits for the child (killing one that takes unreasonably long).
    Outcome Reap(int child);

    std::string folder_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> pending_;
    bool busy_ = false;
    bool stop_ = false;
    bool forget_ = false;
    int child_ = 0; // a child writing the copy, not yet waited for
    RecoveryCopy copy_;
    Outcome last_ = Outcome::Ok();
    std::thread worker_;
};

} // namespace tsm
