#include "model/RecoveryKeeper.h"

#include "model/BinaryWriter.h"

#include <chrono>
#include <utility>

namespace tsm {

RecoveryKeeper::RecoveryKeeper(std::string folder) : folder_(std::move(folder)), worker_([this] { Run(); }) {}

RecoveryKeeper::~RecoveryKeeper() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void RecoveryKeeper::Keep(const Document& document, RecoveryHeader header) {
    header.savedAt =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    Job job{std::move(header), SerializeBinaryModel(document, document.display, SaveOptionsFor(document))};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = std::move(job);
        forget_ = false;
    }
    wake_.notify_all();
}

void RecoveryKeeper::Forget() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.reset();
        forget_ = true;
    }
    wake_.notify_all();
    // Removing never fails in a way the user could act on; the next copy takes a fresh start anyway.
    static_cast<void>(Wait());
}

void RecoveryKeeper::Adopt(RecoveryCopy copy) {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return !busy_ && !pending_ && !forget_; });
    copy_ = std::move(copy);
}

Outcome RecoveryKeeper::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return !busy_ && !pending_ && !forget_; });
    return last_;
}

std::string RecoveryKeeper::CopyPath() {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return !busy_; });
    return copy_.Path();
}

void RecoveryKeeper::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || pending_ || forget_; });
        if (stop_) return;
        if (forget_) {
            copy_.Remove();
            forget_ = false;
            last_ = Outcome::Ok();
            wake_.notify_all();
            continue;
        }
        Job job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        // The copy is touched by this thread only while busy; the other members wait for that to end.
        Outcome written = copy_.Claimed() ? Outcome::Ok() : copy_.Claim(folder_);
        if (written.ok()) written = copy_.Write(job.header, job.bytes);
        lock.lock();
        busy_ = false;
        last_ = std::move(written);
        wake_.notify_all();
    }
}

} // namespace tsm
