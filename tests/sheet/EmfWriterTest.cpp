// The metafile writer: exact records for direct drawing, a golden file for a tiny development, and a real
// reader (Inkscape) rendering the file.
#include "sheet/EmfWriter.h"

#include "model/Settings.h"
#include "sheet/VectorLines.h"
#include "tests/sheet/GoldenFiles.h"
#include "tests/sheet/InkscapeRender.h"
#include "tests/sheet/VectorFixture.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using namespace tsm;
namespace fs = std::filesystem;

namespace {

struct Record {
    uint32_t type = 0;
    uint32_t size = 0;
    std::vector<uint32_t> values; // the record's 32-bit words after type and size
};

uint32_t U32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
}
int32_t I32(const std::string& bytes, size_t at) {
    return static_cast<int32_t>(U32(bytes, at));
}
uint16_t U16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                                 (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

// Splits a metafile into records; every problem with the framing is a test failure.
std::vector<Record> Parse(const std::string& bytes) {
    std::vector<Record> records;
    size_t at = 0;
    while (at < bytes.size()) {
        if (at + 8 > bytes.size()) {
            ADD_FAILURE() << "truncated record at " << at;
            break;
        }
        Record r;
        r.type = U32(bytes, at);
        r.size = U32(bytes, at + 4);
        if (r.size < 8 || r.size % 4 != 0 || at + r.size > bytes.size()) {
            ADD_FAILURE() << "bad record size " << r.size << " at " << at;
            break;
        }
        for (size_t w = at + 8; w < at + r.size; w += 4) r.values.push_back(U32(bytes, w));
        records.push_back(r);
        at += r.size;
    }
    return records;
}

std::vector<uint32_t> Types(const std::vector<Record>& records) {
    std::vector<uint32_t> types;
    for (const Record& r : records) types.push_back(r.type);
    return types;
}

// The header fields that depend on the content; the constant ones are pinned by the golden file.
struct Header {
    int32_t bounds[4], frame[4];
    uint32_t bytes, records;
    uint16_t handles;
};

Header ReadHeader(const std::string& bytes) {
    Header h{};
    if (bytes.size() < emf::kHeaderFixedBytes) {
        ADD_FAILURE() << "no header";
        return h;
    }
    for (int i = 0; i < 4; ++i) h.bounds[i] = I32(bytes, 8 + 4 * i), h.frame[i] = I32(bytes, 24 + 4 * i);
    h.bytes = U32(bytes, 48), h.records = U32(bytes, 52), h.handles = U16(bytes, 56);
    return h;
}

std::vector<int32_t> Bounds(const Header& h) {
    return std::vector<int32_t>(h.bounds, h.bounds + 4);
}

} // namespace

TEST(EmfWriter, RecordsOfADirectDrawing) {
    EmfWriter w;
    w.Begin();
    w.SetPen({255, 0, 0}, 3);
    w.Segment({1, 2}, {3, 4});
    w.Segment({3, 4}, {5, 6}); // continues: no move
    w.SetPen({255, 0, 0}, 3);  // the same pen again: no new object
    w.Segment({7.9, 8.2}, {-1.5, 9});
    w.SetPen({0, 0, 0}, 1);
    w.SetPen({0, 0, 255}, 2); // only the pen in force at the next segment is created
    w.Segment({0, 0}, {1, 1});
    w.End();
    const std::string bytes = w.Bytes();
    const std::vector<Record> r = Parse(bytes);
    using namespace emf;
    EXPECT_EQ(Types(r),
              (std::vector<uint32_t>{kHeader, kCreatePen, kSelectObject, kMoveToEx, kLineTo, kLineTo,
                                     kMoveToEx, kLineTo, kCreatePen, kSelectObject, kDeleteObject, kMoveToEx,
                                     kLineTo, kSelectObject, kDeleteObject, kEof}));
    // Pen 1: red (0x000000FF), width 3; pen 2: blue, width 2, selected before pen 1 is deleted.
    EXPECT_EQ(r[1].values, (std::vector<uint32_t>{1, 0, 3, 0, 0x000000FF}));
    EXPECT_EQ(r[2].values, (std::vector<uint32_t>{1}));
    EXPECT_EQ(r[3].values, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(r[5].values, (std::vector<uint32_t>{5, 6}));
    // Device coordinates are whole pixels toward zero.
    EXPECT_EQ(r[6].values, (std::vector<uint32_t>{7, 8}));
    EXPECT_EQ(r[7].values, (std::vector<uint32_t>{static_cast<uint32_t>(-1), 9}));
    EXPECT_EQ(r[8].values, (std::vector<uint32_t>{2, 0, 2, 0, 0x00FF0000}));
    EXPECT_EQ(r[10].values, (std::vector<uint32_t>{1}));
    EXPECT_EQ(r[13].values, (std::vector<uint32_t>{kStockBlackPen}));
    EXPECT_EQ(r[14].values, (std::vector<uint32_t>{2}));

    const Header h = ReadHeader(bytes);
    EXPECT_EQ(h.handles, 3);
    EXPECT_EQ(std::make_pair(size_t(h.bytes), h.records), std::make_pair(bytes.size(), 16u));
    // Points span x -1..7, y 0..9, widened by half the widest pen (3 -> 2 pixels).
    EXPECT_EQ(Bounds(h), (std::vector<int32_t>{-3, -2, 9, 11}));

    // Begin starts afresh.
    w.Begin();
    w.End();
    EXPECT_EQ(Types(Parse(w.Bytes())), (std::vector<uint32_t>{kHeader, kEof}));
    EXPECT_EQ(Bounds(ReadHeader(w.Bytes())), (std::vector<int32_t>{0, 0, -1, -1})); // nothing drawn
}

TEST(EmfWriter, TinyDevelopmentMatchesGoldenFile) {
    test::TinyDevelopment tiny;
    const std::string bytes = RenderEmf(tiny.Dev(), Settings());
    EXPECT_TRUE(test::MatchesGolden("tiny-lines.emf", bytes));
}

TEST(EmfWriter, InkscapeDrawsTheLinesOfEveryGoldenFile) {
    if (!test::InkscapeInstalled())
        GTEST_SKIP() << "inkscape is not installed: no real reader checks the metafiles";
    const fs::path outDir = fs::path(TESSALY_BINARY_DIR) / "emf-inkscape";
    fs::create_directories(outDir);
    size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(TESSALY_SOURCE_DIR) / "tests/data/golden")) {
        if (entry.path().extension() != ".emf") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::string bytes = test::ReadWholeFile(entry.path().string());
        const Header h = ReadHeader(bytes);
        std::string log;
        // 384 dpi: four image pixels per metafile pixel.
        const QImage image = test::RenderWithInkscape(entry.path().string(), 384, &log);
        ASSERT_FALSE(image.isNull()) << log;
        image.save(QString::fromStdString((outDir / entry.path().stem()).string() + ".png"));
        // The picture is the metafile's bounds.
        EXPECT_NEAR(image.width(), (h.bounds[2] - h.bounds[0]) * 4, 8);
        EXPECT_NEAR(image.height(), (h.bounds[3] - h.bounds[1]) * 4, 8);
        bool dark = false;
        for (int y = 0; y < image.height() && !dark; ++y)
            for (int x = 0; x < image.width() && !dark; ++x) dark = test::IsDark(image.pixelColor(x, y));
        EXPECT_TRUE(dark) << "nothing drawn";
        if (entry.path().filename() == "tiny-lines.emf") {
            test::ExpectTinyDevelopmentDrawn(
                image,
                [&](double x, double y) {
                    const double s = kScreenPixelsPerMM;
                    return QPointF((std::trunc(x * s) - h.bounds[0]) * 4 + 2,
                                   (std::trunc(y * s) - h.bounds[1]) * 4 + 2);
                },
                6);
        }
        ++checked;
    }
    EXPECT_GE(checked, 1u);
}
