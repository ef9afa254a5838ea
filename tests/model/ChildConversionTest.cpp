#include "model/ChildConversion.h"

#include "ImageTestSupport.h"
#include "MeshReaderTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tsm {
namespace {

using testimage::TempFolder;

// An AC3D triangle with a red material: a format only the converter reads.
constexpr const char* kAcTriangle =
    "AC3Db\nMATERIAL \"red\" rgb 1 0 0  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.5 0.5 0.5  shi 10  trans 0\n"
    "OBJECT world\nkids 1\nOBJECT poly\nname \"tri\"\nnumvert 3\n0 0 0\n1 0 0\n0 1 0\nnumsurf 1\nSURF 0x10\n"
    "mat 0\nrefs 3\n0 0 0\n1 0 0\n2 0 0\nkids 0\n";

class ScopedConverter {
public:
    explicit ScopedConverter(const std::string& path) { setenv("TESSALY_CONVERTER", path.c_str(), 1); }
    ~ScopedConverter() { unsetenv("TESSALY_CONVERTER"); }
};

TEST(ChildConversionTest, OtherFormatsComeInThroughTheConverter) {
    ASSERT_FALSE(ConverterPath().empty()) << "tessaly-convert is built beside the test programs";
    EXPECT_TRUE(IsConvertedFormat("/a/b.FBX"));
    EXPECT_FALSE(IsConvertedFormat("b.obj"));
    TempFolder folder;
    Document doc;
    const Result<MeshReadCounts> read = ReadMeshFile(folder.Write("tri.ac", kAcTriangle), doc);
    ASSERT_TRUE(read.ok()) << read.reason();
    EXPECT_EQ(read->faces, 1);
    ASSERT_EQ(doc.model->materials.size(), 1u);
    EXPECT_EQ(doc.model->materials[0]->flatColor[0], 1.0f);
    EXPECT_EQ(doc.model->materials[0]->flatColor[1], 0.0f);

    Document refused;
    const Result<MeshReadCounts> garbage =
        ReadMeshFile(folder.Write("bad.3ds", "not a 3ds file at all"), refused);
    EXPECT_FALSE(garbage.ok());
    EXPECT_EQ(garbage.reason().substr(0, 9), "bad.3ds: ");
    EXPECT_TRUE(refused.model->solids.empty());
}

TEST(ChildConversionTest, ACrashingConverterIsAMessage) {
    TempFolder folder;
    const std::string crasher = folder.Write("crash.sh", "#!/bin/sh\nkill -SEGV $$\n");
    chmod(crasher.c_str(), 0755);
    const ScopedConverter converter(crasher);
    Document doc;
    const Result<MeshReadCounts> read = ReadMeshFile(folder.Write("x.fbx", "whatever"), doc);
    EXPECT_FALSE(read.ok());
    EXPECT_EQ(read.reason(), "x.fbx: the converter crashed on this file (Segmentation fault)");
    const std::string sleeper = folder.Write("sleep.sh", "#!/bin/sh\nexec sleep 30\n");
    chmod(sleeper.c_str(), 0755);
    const ScopedConverter slow(sleeper);
    EXPECT_EQ(ConvertInChild(folder.File("x.fbx"), folder.File("o.obj"), 1).reason(),
              "the converter took longer than 1 s and was stopped");
}

} // namespace
} // namespace tsm
