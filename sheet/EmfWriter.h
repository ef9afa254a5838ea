// Enhanced metafiles of the development's lines, written record by record: header, pens, move-to and
// line-to, end of file. Little-endian, every record a multiple of four bytes, logical units = device
// pixels of a 96 dpi reference screen.
#pragma once

#include "model/Document.h"
#include "model/Outcome.h"
#include "sheet/VectorOutput.h"

#include <cstdint>
#include <string>

namespace tsm {

// The reference device, "the screen": 96 pixels per inch on both axes, so one development millimetre is
// one screen millimetre. The size is a typical screen's, chosen so that pixels and whole millimetres
// agree exactly (1920 px = 508 mm, 1440 px = 381 mm).
struct EmfReferenceDevice {
    int32_t widthPixels = 1920;
    int32_t heightPixels = 1440;
    int32_t widthMM = 508;
    int32_t heightMM = 381;
};

constexpr double kScreenPixelsPerMM = 96.0 / 25.4;

// Record types and fixed values of the format that the writer and its tests share.
namespace emf {
constexpr uint32_t kHeader = 1;
constexpr uint32_t kEof = 14;
constexpr uint32_t kMoveToEx = 27;
constexpr uint32_t kSelectObject = 37;
constexpr uint32_t kCreatePen = 38;
constexpr uint32_t kDeleteObject = 40;
constexpr uint32_t kLineTo = 54;
constexpr uint32_t kSignature = 0x464D4520; // " EMF"
constexpr uint32_t kVersion = 0x00010000;
constexpr uint32_t kStockBlackPen = 0x80000007;
constexpr uint32_t kHeaderFixedBytes = 108; // with both header extensions, before the description
} // namespace emf

// The description: application name and picture name, each ended by a zero, and a final zero.
extern const char16_t kEmfDescription[];
extern const size_t kEmfDescriptionChars;

class EmfWriter : public VectorOutput {
public:
    explicit EmfWriter(const EmfReferenceDevice& device = {});

    // Starts an empty picture (drops anything recorded before).
    void Begin() override;
    // Releases the pen and closes the picture; Bytes() is complete afterwards.
    void End() override;
    void SetPen(const PenColour& colour, int widthDevice) override;
    void Segment(const Point2& a, const Point2& b) override;

    // The whole file: header (with bounds, frame and counts of what was recorded) and records.
    std::string Bytes() const;

private:
    struct Pen {
        PenColour colour;
        int32_t width = 1;
    };

    void AddRecord(uint32_t type, std::initializer_list<uint32_t> values);
    void SelectWantedPen();
    void Include(int32_t x, int32_t y);

    EmfReferenceDevice device_;
    std::string records_; // everything after the header
    uint32_t recordCount_ = 0;
    uint32_t handleSlots_ = 0; // highest object index used
    Pen wanted_;
    Pen selected_;
    uint32_t selectedSlot_ = 0; // 0: no pen of ours selected
    bool hasPosition_ = false;
    int32_t posX_ = 0, posY_ = 0;
    bool hasBounds_ = false;
    int32_t minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
    int32_t maxPenWidth_ = 1;
    bool closed_ = false;
};

// The metafile of the development's vector lines at the reference screen's scale.
std::string RenderEmf(Development& development, const Settings& settings);

// Writes the development's vector lines as an enhanced metafile through WriteWholeFile. Fails with a
// reason when there is no development or the file cannot be written.
Outcome ExportEmf(const Document& document, const Settings& settings, const std::string& path);

} // namespace tsm
