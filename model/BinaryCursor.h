// Reading a binary model file's numbers and texts: bounds-checked at every step, each failure recorded once
// with the place in the file it happened, so that a damaged file is refused with a message that says where.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

// The cursor and its short helpers (N, InRange, Finite, Load...) live in a namespace of their own: only the
// binary reader uses them.
namespace tsm::binary {

// No length, position or angle of a real model comes near this; squared or summed in the engine, values up
// to it stay far from overflow.
constexpr double kMaxMagnitude = 1e15;

// The files store numbers little-endian; such a host takes them as they lie.
constexpr bool kLittleEndianHost = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// Numbers at `p`, whose bytes the caller knows to be there. One load each instead of one per byte: the
// numbers of a large model are most of its opening time.
inline uint32_t LoadU32(const uint8_t* p) {
    if (kLittleEndianHost) {
        uint32_t value;
        std::memcpy(&value, p, 4);
        return value;
    }
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t LoadI32(const uint8_t* p) {
    return int32_t(LoadU32(p));
}
inline float LoadF32(const uint8_t* p) {
    const uint32_t bits = LoadU32(p);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}
inline double LoadF64(const uint8_t* p) {
    uint64_t bits = 0;
    if (kLittleEndianHost)
        std::memcpy(&bits, p, 8);
    else
        for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

// What F64 accepts, in one comparison that NaN and the infinities fail as well.
inline bool InRange(double value) {
    return std::fabs(value) <= kMaxMagnitude;
}
// What F32 accepts.
inline bool Finite(float value) {
    return std::fabs(value) <= std::numeric_limits<float>::max();
}

inline std::string N(int64_t value) {
    return std::to_string(value);
}

// Where in the file the reader is, so that a failure can say what it was reading.
enum class BinarySection {
    HeaderFields,
    UnusedBlock,
    ModelHeader,
    SolidCount,
    SolidHeader,
    Vertices,
    Face,
    Corners,
    Edges,
    MaterialCount,
    Material,
    DevelopmentFlag,
    DevelopmentHeader,
    PartHeader,
    PartLines,
    TextCount,
    Text,
    PictureCount,
    Picture,
    Settings,
    Trailer
};

class BinaryCursor {
public:
    // `failureReason` receives the first failure's reason. Reads `bytes`, all of them in memory.
    BinaryCursor(std::string& failureReason, std::string_view bytes)
        : failureReason_(failureReason), data_(reinterpret_cast<const uint8_t*>(bytes.data())),
          size_(bytes.size()), windowEnd_(bytes.size()) {}
    // Reads the `size` bytes of the open file `fd` (which stays the caller's) a window at a time: the
    // window stays in the processor's cache while the records are made, where a whole file's copy is tens
    // of megabytes of memory new to the process, and costs as much to take as parsing it.
    BinaryCursor(std::string& failureReason, int fd, size_t size, size_t windowBytes)
        : failureReason_(failureReason), data_(nullptr), size_(size), fd_(fd),
          windowBytes_(std::max<size_t>(windowBytes, 1)) {}

protected:
    // --- Failure bookkeeping -------------------------------------------------------------------------
    bool Failed() const { return failed_; }
    // Records the first failure only; later ones are consequences of it.
    bool Fail(const std::string& reason) {
        if (!failed_) {
            failed_ = true;
            failureReason_ = reason;
        }
        return false;
    }
    void At(BinarySection section, int64_t a = 0, int64_t b = 0) {
        section_ = section;
        whereA_ = a;
        whereB_ = b;
    }
    std::string Where() const;
    static std::string PictureListName(int64_t list) { return list == 0 ? "first" : "second"; }

    // --- Bounds-checked primitives ------------------------------------------------------------------
    // After a failure every primitive returns zero and reads nothing.
    size_t Remaining() const { return size_ - pos_; }
    // The bytes from the reading position on; as many as the last Need or Have asked for are there.
    const uint8_t* Here() const { return data_ + (pos_ - windowStart_); }
    // Whether the file holds `bytes` more, brought into the window; a file cut short is not a failure
    // here: the caller reads on field by field and fails where the primitives do.
    bool Have(size_t bytes) {
        return !failed_ && Remaining() >= bytes && (pos_ + bytes <= windowEnd_ || Fill(bytes));
    }
    bool Need(size_t bytes) {
        if (failed_) return false;
        if (Remaining() < bytes || (pos_ + bytes > windowEnd_ && !Fill(bytes) && !failed_))
            return Fail("the file ends inside " + Where());
        return !failed_;
    }
    uint32_t U32() {
        if (!Need(4)) return 0;
        const uint8_t* p = Here();
        pos_ += 4;
        return LoadU32(p);
    }
    int32_t I32() { return int32_t(U32()); }
    float F32() {
        const uint32_t bits = U32();
        float value;
        std::memcpy(&value, &bits, 4);
        if (!std::isfinite(value)) {
            Fail("a number in " + Where() + " is not finite");
            return 0;
        }
        return value;
    }
    // Any value, infinities and NaN included.
    double F64Any() {
        if (!Need(8)) return 0;
        const uint8_t* p = Here();
        pos_ += 8;
        return LoadF64(p);
    }
    // Positions, sizes and angles: a non-finite value would poison every computation that uses it, and
    // one beyond kMaxMagnitude would overflow to infinity in the differences and products of the engine.
    double F64() {
        const double value = F64Any();
        if (!std::isfinite(value)) {
            Fail("a number in " + Where() + " is not finite");
            return 0;
        }
        if (std::fabs(value) > kMaxMagnitude) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", value);
            Fail("a number in " + Where() + " is out of range (" + text + ")");
            return 0;
        }
        return value;
    }
    bool Bool() {
        if (!Need(1)) return false;
        const bool value = *Here() != 0;
        ++pos_;
        return value;
    }
    // The text is the bytes before the first zero byte, or all of them when there is none.
    std::string Str() {
        const int32_t length = I32();
        if (failed_) return {};
        if (length < 0) {
            Fail("a text in " + Where() + " has a negative length (" + N(length) + ")");
            return {};
        }
        if (!Need(size_t(length))) return {};
        const char* p = reinterpret_cast<const char*>(Here());
        pos_ += size_t(length);
        const void* zero = std::memchr(p, 0, size_t(length));
        return std::string(p, zero ? static_cast<const char*>(zero) - p : length);
    }
    // A count of records of at least `minRecordBytes` each: not negative, and not more than the rest of
    // the file can hold. `records()` names them in the plural ("faces of solid 2"); it runs only on failure.
    template <typename Name> bool CheckCount(int32_t count, size_t minRecordBytes, const Name& records) {
        if (failed_) return false;
        if (count < 0) return Fail("the number of " + records() + " is negative (" + N(count) + ")");
        if (uint64_t(count) * minRecordBytes > Remaining())
            return Fail("the file is too short for the " + N(count) + " " + records());
        return true;
    }

    // Copies `bytes` bytes from the file's byte `offset` on into `out`, leaving the reading position and
    // the window as they are; false where the file does not hold them or cannot be read (not a failure).
    bool PeekAt(size_t offset, size_t bytes, uint8_t* out) const;

    std::string& failureReason_;
    const uint8_t* data_; // the window's first byte, which is the file's byte `windowStart_`
    size_t size_;
    size_t pos_ = 0;

private:
    // Moves the window to start at the reading position and reads until it holds `bytes` (or the
    // window's size, when larger); false when the file ends first or cannot be read (a failure then).
    bool Fill(size_t bytes);

    int fd_ = -1;
    size_t windowBytes_ = 0;
    size_t windowStart_ = 0;
    size_t windowEnd_ = 0;
    std::unique_ptr<uint8_t[]> window_;
    size_t windowCapacity_ = 0;
    bool failed_ = false;
    BinarySection section_ = BinarySection::HeaderFields;
    int64_t whereA_ = 0;
    int64_t whereB_ = 0;
};

} // namespace tsm::binary
