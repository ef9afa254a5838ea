#include "sheet/EmfWriter.h"

#include "model/AtomicFile.h"
#include "sheet/VectorLines.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tsm {

const char16_t kEmfDescription[] = u"Tessaly Designer\0Tessaly Designer image\0";
// The literal's own terminating zero is the final zero of the description.
const size_t kEmfDescriptionChars = sizeof(kEmfDescription) / sizeof(char16_t);

namespace {

constexpr uint32_t kPenSolid = 0; // PS_SOLID

void PutU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}
void PutI32(std::string& out, int32_t value) {
    PutU32(out, static_cast<uint32_t>(value));
}
void PutU16(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

int32_t ToDevice(double value) {
    if (!(value == value)) return 0; // NaN
    const double limit = static_cast<double>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(std::trunc(std::clamp(value, -limit, limit)));
}

// Device pixels to hundredths of a millimetre on the reference device.
int32_t ToFrame(int64_t pixels, int32_t millimetres, int32_t devicePixels) {
    const double value = static_cast<double>(pixels) * 100.0 * millimetres / devicePixels;
    return ToDevice(std::round(value));
}

int32_t Widen(int32_t value, int64_t by) {
    const int64_t widened = static_cast<int64_t>(value) + by;
    return static_cast<int32_t>(std::clamp<int64_t>(widened, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

EmfWriter::EmfWriter(const EmfReferenceDevice& device) : device_(device) {
    // A reference device without size would divide by zero in the frame; fall back to the default.
    if (device_.widthPixels <= 0 || device_.heightPixels <= 0 || device_.widthMM <= 0 ||
        device_.heightMM <= 0) {
        device_ = EmfReferenceDevice{};
    }
}

void EmfWriter::Begin() {
    records_.clear();
    recordCount_ = 0;
    handleSlots_ = 0;
    wanted_ = Pen{};
    selected_ = Pen{};
    selectedSlot_ = 0;
    hasPosition_ = false;
    hasBounds_ = false;
    maxPenWidth_ = 1;
    closed_ = false;
}

void EmfWriter::AddRecord(uint32_t type, std::initializer_list<uint32_t> values) {
    PutU32(records_, type);
    PutU32(records_, static_cast<uint32_t>(8 + 4 * values.size()));
    for (uint32_t v : values) PutU32(records_, v);
    ++recordCount_;
}

void EmfWriter::SetPen(const PenColour& colour, int widthDevice) {
    wanted_.colour = colour;
    wanted_.width = std::max(1, widthDevice);
}

void EmfWriter::SelectWantedPen() {
    if (selectedSlot_ != 0 && selected_.colour == wanted_.colour && selected_.width == wanted_.width) return;
    // Two object slots taken in turn: the new pen is selected before the old one is deleted, as a
    // selected object must not be deleted.
    const uint32_t slot = selectedSlot_ == 1 ? 2 : 1;
    AddRecord(emf::kCreatePen,
              {slot, kPenSolid, static_cast<uint32_t>(wanted_.width), 0, wanted_.colour.ToColorRef()});
    AddRecord(emf::kSelectObject, {slot});
    if (selectedSlot_ != 0) AddRecord(emf::kDeleteObject, {selectedSlot_});
    selectedSlot_ = slot;
    selected_ = wanted_;
    // GDI keeps the current position across a pen change, but some readers start a new path there and
    // lose it: a fresh move keeps every reader on the same point.
    hasPosition_ = false;
    handleSlots_ = std::max(handleSlots_, slot);
    maxPenWidth_ = std::max(maxPenWidth_, wanted_.width);
}

void EmfWriter::Include(int32_t x, int32_t y) {
    if (!hasBounds_) {
        minX_ = maxX_ = x;
        minY_ = maxY_ = y;
        hasBounds_ = true;
        return;
    }
    minX_ = std::min(minX_, x);
    maxX_ = std::max(maxX_, x);
    minY_ = std::min(minY_, y);
    maxY_ = std::max(maxY_, y);
}

void EmfWriter::Segment(const Point2& a, const Point2& b) {
    if (closed_) return;
    SelectWantedPen();
    const int32_t ax = ToDevice(a.x), ay = ToDevice(a.y), bx = ToDevice(b.x), by = ToDevice(b.y);
    // Segments that continue where the last one ended need no move: dashes and outlines chain up.
    if (!hasPosition_ || posX_ != ax || posY_ != ay) {
        AddRecord(emf::kMoveToEx, {static_cast<uint32_t>(ax), static_cast<uint32_t>(ay)});
    }
    AddRecord(emf::kLineTo, {static_cast<uint32_t>(bx), static_cast<uint32_t>(by)});
    hasPosition_ = true;
    posX_ = bx;
    posY_ = by;
    Include(ax, ay);
    Include(bx, by);
}

void EmfWriter::End() {
    if (closed_) return;
    if (selectedSlot_ != 0) {
        AddRecord(emf::kSelectObject, {emf::kStockBlackPen});
        AddRecord(emf::kDeleteObject, {selectedSlot_});
        selectedSlot_ = 0;
    }
    // No palette: nPalEntries 0, palette offset 16, and the record's own size last.
    AddRecord(emf::kEof, {0, 16, 20});
    closed_ = true;
}

std::string EmfWriter::Bytes() const {
    const uint32_t descriptionBytes = static_cast<uint32_t>(kEmfDescriptionChars * 2);
    const uint32_t headerSize = (emf::kHeaderFixedBytes + descriptionBytes + 3) & ~3u;

    // Bounds are inclusive and hold the pens' width: a thick line reaches half its width past its ends.
    int32_t bounds[4] = {0, 0, -1, -1};
    int32_t frame[4] = {0, 0, -1, -1};
    if (hasBounds_) {
        const int64_t half = (maxPenWidth_ + 1) / 2;
        bounds[0] = Widen(minX_, -half);
        bounds[1] = Widen(minY_, -half);
        bounds[2] = Widen(maxX_, half);
        bounds[3] = Widen(maxY_, half);
        frame[0] = ToFrame(bounds[0], device_.widthMM, device_.widthPixels);
        frame[1] = ToFrame(bounds[1], device_.heightMM, device_.heightPixels);
        frame[2] = ToFrame(bounds[2], device_.widthMM, device_.widthPixels);
        frame[3] = ToFrame(bounds[3], device_.heightMM, device_.heightPixels);
    }

    std::string out;
    out.reserve(headerSize + records_.size());
    PutU32(out, emf::kHeader);
    PutU32(out, headerSize);
    for (int32_t v : bounds) PutI32(out, v);
    for (int32_t v : frame) PutI32(out, v);
    PutU32(out, emf::kSignature);
    PutU32(out, emf::kVersion);
    PutU32(out, static_cast<uint32_t>(headerSize + records_.size())); // nBytes
    PutU32(out, recordCount_ + 1);                                    // nRecords, the header included
    PutU16(out, static_cast<uint16_t>(handleSlots_ + 1));             // nHandles: slot 0 is reserved
    PutU16(out, 0);
    PutU32(out, static_cast<uint32_t>(kEmfDescriptionChars));
    PutU32(out, emf::kHeaderFixedBytes);
    PutU32(out, 0); // nPalEntries
    PutI32(out, device_.widthPixels);
    PutI32(out, device_.heightPixels);
    PutI32(out, device_.widthMM);
    PutI32(out, device_.heightMM);
    PutU32(out, 0); // cbPixelFormat
    PutU32(out, 0); // offPixelFormat
    PutU32(out, 0); // bOpenGL
    PutI32(out, device_.widthMM * 1000);
    PutI32(out, device_.heightMM * 1000);
    for (size_t i = 0; i < kEmfDescriptionChars; ++i) PutU16(out, static_cast<uint16_t>(kEmfDescription[i]));
    out.resize(headerSize, '\0');
    out += records_;
    return out;
}

std::string RenderEmf(Development& development, const Settings& settings) {
    EmfWriter writer;
    DrawVectorLines(writer, development, settings, kScreenPixelsPerMM, kScreenPixelsPerMM);
    return writer.Bytes();
}

Outcome ExportEmf(const Document& document, const Settings& settings, const std::string& path) {
    if (document.development == nullptr) return Outcome::Failed("The model has no development to export.");
    return WriteWholeFile(path, RenderEmf(*document.development, settings));
}

} // namespace tsm
