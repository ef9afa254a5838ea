// Recovery copies: while a document has unsaved changes the viewer keeps a copy of it in the user's state
// folder, so that a crash or a power cut costs minutes of work rather than all of it.
//
// A copy is one file, `NAME.tsmr`: a short header (the original file's path and its modification stamp
// when the document was opened or saved, the title, the copy's time) followed by the bytes of the model
// file a Save would write. Beside it, `NAME.lock` is held locked (flock) by the viewer that writes the
// copy for as long as it runs; a copy whose lock can be taken belongs to a viewer that has ended.
#pragma once

#include "model/Outcome.h"
#include "model/Prompt.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsm {

// $XDG_STATE_HOME/tessaly/recovery, else $HOME/.local/state/tessaly/recovery; empty with neither. The
// caller reads the environment.
std::string RecoveryFolder(const char* xdgStateHome, const char* home);

// What a copy says about the document it holds.
struct RecoveryHeader {
    std::string originalPath;  // empty for a model never saved (an imported mesh)
    int64_t originalStamp = 0; // the original's modification time in nanoseconds when last opened or saved
    std::string title;
    int64_t savedAt = 0; // when the copy was written, seconds since the epoch
    // The user's build order, which a Save writes beside the model file; empty when the order is derived.
    std::string buildOrder;
};

// The modification time of `path` in nanoseconds; 0 when it does not exist.
int64_t FileStamp(const std::string& path);

std::string RecoveryCopyBytes(const RecoveryHeader& header, std::string_view modelBytes);
// Splits a copy into its header and model bytes; false when the header is damaged.
bool ParseRecoveryCopy(std::string_view bytes, RecoveryHeader& header, std::string_view& modelBytes);

// The copy one viewer writes for its document. Claiming makes a fresh name and takes its lock; the copy
// itself is written only by Write, through the atomic writer, and removed by Remove (after a Save or a
// deliberate "don't save"). The lock goes with the object.
class RecoveryCopy {
public:
    RecoveryCopy() = default;
    ~RecoveryCopy();
    RecoveryCopy(RecoveryCopy&& other) noexcept;
    RecoveryCopy& operator=(RecoveryCopy&& other) noexcept;
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;

    // A new name in `folder` (made when missing), locked by this process.
    Outcome Claim(const std::string& folder);
    bool Claimed() const { return lockFd_ >= 0; }
    const std::string& Path() const { return path_; }

    Outcome Write(const RecoveryHeader& header, std::string_view modelBytes) const;
    // Removes the copy and its lock file; the name stays claimed for the next copy.
    void Remove() const;
    // Renames the copy to NAME.damaged, where it is never offered again, and lets the lock go.
    void SetAside();
    // Lets the lock go and leaves the copy for a later start.
    void Release();

    // The copies in `folder` whose viewers have ended, oldest first, each locked for this process. A
    // copy of a file modified since the copy's document was opened or saved is removed, not offered; a
    // copy whose header is damaged is set aside and named in one message.
    static std::vector<RecoveryCopy> FindLeftBehind(const std::string& folder, IPrompt& prompt);
    // The header and model bytes of a found copy (read at FindLeftBehind).
    const RecoveryHeader& Header() const { return header_; }
    const std::string& ModelBytes() const { return modelBytes_; }

private:
    std::string path_; // FOLDER/NAME.tsmr
    int lockFd_ = -1;
    RecoveryHeader header_;
    std::string modelBytes_;

    std::string LockPath() const;
};

extern const char* const kRecoveryDamagedText; // "A recovery copy is damaged and was set aside: "

} // namespace tsm
