#include "model/BinaryCursor.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace tsm::binary {

bool BinaryCursor::Fill(size_t bytes) {
    if (fd_ < 0) return false;
    const size_t kept = windowEnd_ - pos_;
    const size_t want = std::max(bytes, windowBytes_);
    if (windowCapacity_ < want) {
        // Left uninitialised: the read fills it. Only a record larger than the window (a texture, a long
        // text) asks for more, and never more than the file holds.
        std::unique_ptr<uint8_t[]> larger(new (std::nothrow) uint8_t[want]);
        if (!larger) return Fail("there is not enough memory to read the file");
        if (kept) std::memcpy(larger.get(), Here(), kept);
        window_ = std::move(larger);
        windowCapacity_ = want;
    } else if (kept) {
        std::memmove(window_.get(), Here(), kept);
    }
    data_ = window_.get();
    windowStart_ = pos_;
    windowEnd_ = pos_ + kept;
    while (windowEnd_ - windowStart_ < want && windowEnd_ < size_) {
        const size_t room = std::min(windowCapacity_ - (windowEnd_ - windowStart_), size_ - windowEnd_);
        const ssize_t n = ::read(fd_, window_.get() + (windowEnd_ - windowStart_), room);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(std::string("the file cannot be read (") + std::strerror(errno) + ")");
        if (n == 0) {
            // Shrank while being read: what is there is all there is.
            size_ = windowEnd_;
            break;
        }
        windowEnd_ += size_t(n);
    }
    return pos_ + bytes <= windowEnd_;
}

bool BinaryCursor::PeekAt(size_t offset, size_t bytes, uint8_t* out) const {
    if (offset > size_ || bytes > size_ - offset) return false;
    if (fd_ < 0) {
        std::memcpy(out, data_ + offset, bytes);
        return true;
    }
    size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::pread(fd_, out + done, bytes - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::string BinaryCursor::Where() const {
    const std::string a = N(whereA_), b = N(whereB_);
    switch (section_) {
    case BinarySection::HeaderFields:
        return "the header fields";
    case BinarySection::UnusedBlock:
        return "the block after the header fields";
    case BinarySection::ModelHeader:
        return "the model header";
    case BinarySection::SolidCount:
        return "the solid count";
    case BinarySection::SolidHeader:
        return "the header of solid " + a;
    case BinarySection::Vertices:
        return "the vertices of solid " + a;
    case BinarySection::Face:
        return "face " + b + " of solid " + a;
    case BinarySection::Corners:
        return "the corners of face " + b + " of solid " + a;
    case BinarySection::Edges:
        return "edge " + b + " of solid " + a;
    case BinarySection::MaterialCount:
        return "the material count";
    case BinarySection::Material:
        return "material " + a;
    case BinarySection::DevelopmentFlag:
        return "the development flag";
    case BinarySection::DevelopmentHeader:
        return "the development header";
    case BinarySection::PartHeader:
        return "part " + a;
    case BinarySection::PartLines:
        return "line " + b + " of part " + a;
    case BinarySection::TextCount:
        return "the text count";
    case BinarySection::Text:
        return "text " + a;
    case BinarySection::PictureCount:
        return "the count of the " + PictureListName(whereA_) + " picture list";
    case BinarySection::Picture:
        return "picture " + b + " of the " + PictureListName(whereA_) + " picture list";
    case BinarySection::Settings:
        return "the display settings";
    case BinarySection::Trailer:
        return "the end marker";
    }
    return "the file";
}

} // namespace tsm::binary
