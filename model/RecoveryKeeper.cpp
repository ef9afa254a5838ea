#include "model/RecoveryKeeper.h"

#include "model/BinaryWriter.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
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

namespace {

int64_t SecondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A child that has not finished by then is taken to be stuck, and killed: the copy is a convenience, and
// waiting for it must not keep the viewer from closing.
constexpr auto kChildDeadline = std::chrono::minutes(10);

} // namespace

void RecoveryKeeper::Keep(const Document& document, RecoveryHeader header) {
    header.savedAt = SecondsNow();
    Job job{std::move(header), SerializeBinaryModel(document, document.display, SaveOptionsFor(document))};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = std::move(job);
        forget_ = false;
    }
    wake_.notify_all();
}

bool RecoveryKeeper::KeepInChild(const Document& document, RecoveryHeader header) {
    header.savedAt = SecondsNow();
    std::unique_lock<std::mutex> lock(mutex_);
    if (busy_ || pending_ || forget_ || child_ > 0) return false;
    // The name and its lock are taken here, so that the child only writes.
    if (!copy_.Claimed()) {
        Outcome claimed = copy_.Claim(folder_);
        if (!claimed.ok()) {
            last_ = std::move(claimed);
            return false;
        }
    }
    const pid_t child = fork();
    if (child == 0) {
        // The child has this thread alone. It keeps to the serializer and the writer, which take no lock
        // another thread of the viewer could have held at the fork but the allocator's, which the C
        // library makes safe across fork. It yields the processor to the window it was copied from.
        static_cast<void>(setpriority(PRIO_PROCESS, 0, 10));
        const std::string bytes = SerializeBinaryModel(document, document.display, SaveOptionsFor(document));
        _exit(copy_.Write(header, bytes).ok() ? 0 : 1);
    }
    if (child < 0) {
        last_ = Outcome::Failed(std::string("cannot start the process that writes the recovery copy: ") +
                                std::strerror(errno));
        return false;
    }
    child_ = child;
    lock.unlock();
    wake_.notify_all();
    return true;
}

Outcome RecoveryKeeper::Reap(int child) {
    const auto deadline = std::chrono::steady_clock::now() + kChildDeadline;
    auto pause = std::chrono::milliseconds(1);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) return Outcome::Failed("the recovery copy's process was lost");
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return Outcome::Failed("writing the recovery copy took too long");
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return Outcome::Ok();
    return Outcome::Failed("the recovery copy could not be written to " + copy_.Path());
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
    wake_.wait(lock, [this] { return !busy_ && !pending_ && !forget_ && child_ == 0; });
    copy_ = std::move(copy);
}

Outcome RecoveryKeeper::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return !busy_ && !pending_ && !forget_ && child_ == 0; });
    return last_;
}

std::string RecoveryKeeper::CopyPath() {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return !busy_ && child_ == 0; });
    return copy_.Path();
}

void RecoveryKeeper::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || pending_ || forget_ || child_ > 0; });
        // A child is waited for even when stopping, so that none is left behind unreaped.
        if (child_ > 0) {
            const int child = child_;
            busy_ = true;
            lock.unlock();
            Outcome written = Reap(child);
            lock.lock();
            child_ = 0;
            busy_ = false;
            last_ = std::move(written);
            wake_.notify_all();
            continue;
        }
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
