#include "sheet/StreamedFileDevice.h"

#include <string_view>
#include <utility>

namespace tsm {

StreamedFileDevice::StreamedFileDevice(std::string path) : path_(std::move(path)) {}

bool StreamedFileDevice::open(OpenMode mode) {
    if (mode & ReadOnly) {
        opened_ = Outcome::Failed("cannot read " + path_ + ": the device only writes");
        return false;
    }
    opened_ = file_.Begin(path_);
    // The atomic writer gathers small writes itself.
    return opened_.ok() && QIODevice::open(mode | Unbuffered);
}

Outcome StreamedFileDevice::Finish() {
    if (!isOpen()) return opened_.ok() ? Outcome::Failed("cannot write " + path_ + ": not open") : opened_;
    close();
    return file_.Finish();
}

qint64 StreamedFileDevice::readData(char*, qint64) {
    return -1;
}

qint64 StreamedFileDevice::writeData(const char* data, qint64 size) {
    return file_.Write(std::string_view(data, static_cast<size_t>(size))) ? size : -1;
}

} // namespace tsm
