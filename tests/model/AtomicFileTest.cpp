// The one file writer: replacing, following links, writing FIFOs and devices in place, and failing without
// leaving anything behind.

#include "model/AtomicFile.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

class AtomicFileTest : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_ / "real"); }

    std::string In(const std::string& name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::stringstream bytes;
        bytes << std::ifstream(path, std::ios::binary).rdbuf();
        return bytes.str();
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // Every name in the folder tree, so that a stray temporary file shows.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir_))
            names.push_back(entry.path().lexically_relative(dir_).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static mode_t Mode(const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 07777;
    }

    testimage::TempFolder folder_;
    const fs::path dir_ = fs::path(folder_.File("")).parent_path();
};

TEST_F(AtomicFileTest, ReplacesOrCreatesKeepingTheModeAndLeavingNoTemporary) {
    Write(In("real/old.eps"), "old contents that are longer");
    ::chmod(In("real/old.eps").c_str(), 0640);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct Case {
        const char* name;
        mode_t mode;
    };
    for (const Case& c :
         {Case{"real/old.eps", 0640}, Case{"real/new.eps", static_cast<mode_t>(0666 & ~mask)}}) {
        SCOPED_TRACE(c.name);
        const Outcome written = WriteWholeFile(In(c.name), "new");
        ASSERT_TRUE(written.ok()) << written.reason();
        EXPECT_EQ(Read(In(c.name)), "new");
        EXPECT_EQ(Mode(In(c.name)), c.mode);
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"real", "real/new.eps", "real/old.eps"}));
}

TEST_F(AtomicFileTest, LinksAreWrittenThroughAndStayLinks) {
    Write(In("real/target.svg"), "old");
    fs::create_directories(dir_ / "links");
    fs::create_symlink("../real/target.svg", dir_ / "links" / "relative.svg");
    fs::create_symlink(In("links/relative.svg"), dir_ / "chain.svg");
    fs::create_symlink("real/absent.svg", dir_ / "dangling.svg");
    struct Case {
        const char* link;
        const char* target;
    };
    for (const Case& c : {Case{"links/relative.svg", "real/target.svg"}, Case{"chain.svg", "real/target.svg"},
                          Case{"dangling.svg", "real/absent.svg"}}) {
        SCOPED_TRACE(c.link);
        const std::string bytes = std::string("through ") + c.link;
        const Outcome written = WriteWholeFile(In(c.link), bytes);
        ASSERT_TRUE(written.ok()) << written.reason();
        EXPECT_TRUE(fs::is_symlink(In(c.link)));
        EXPECT_EQ(Read(In(c.target)), bytes);
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"chain.svg", "dangling.svg", "links", "links/relative.svg",
                                                 "real", "real/absent.svg", "real/target.svg"}));

    // A loop of links is refused with the system's word for it.
    fs::create_symlink("loop-b", dir_ / "loop-a");
    fs::create_symlink("loop-a", dir_ / "loop-b");
    const Outcome loop = WriteWholeFile(In("loop-a"), "x");
    EXPECT_EQ(loop.reason(), "cannot follow the link " + In("loop-a") + ": " + std::strerror(ELOOP));
}

TEST_F(AtomicFileTest, AFifoIsWrittenInPlace) {
    ASSERT_EQ(::mkfifo(In("pipe.svg").c_str(), 0600), 0);
    const std::string bytes(200000, 'x'); // more than a pipe holds at once
    std::string received;
    std::thread reader([&] { received = Read(In("pipe.svg")); });
    const Outcome written = WriteWholeFile(In("pipe.svg"), bytes);
    reader.join();
    ASSERT_TRUE(written.ok()) << written.reason();
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(fs::is_fifo(In("pipe.svg")));
    EXPECT_EQ(Names(), (std::vector<std::string>{"pipe.svg", "real"}));
}

TEST_F(AtomicFileTest, FailuresNameTheReasonAndLeaveEverythingAsItWas) {
    Write(In("real/kept.dxf"), "old");
    fs::create_directories(dir_ / "real" / "folder.dxf");
    struct Case {
        std::string path;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"/dev/full", "cannot write /dev/full: " + std::string(std::strerror(ENOSPC))},
        {In("missing/out.dxf"), "cannot create " + In("missing/out.dxf") + ": " + std::strerror(ENOENT)},
        {In("real/kept.dxf/out.dxf"),
         "cannot create " + In("real/kept.dxf/out.dxf") + ": " + std::strerror(ENOTDIR)},
        {In("real/folder.dxf"), "cannot write " + In("real/folder.dxf") + ": " + std::strerror(EISDIR)},
        {"", "no file name given"},
    };
    for (const Case& c : cases) {
        const Outcome written = WriteWholeFile(c.path, "new bytes");
        EXPECT_TRUE(written.failed()) << c.path;
        EXPECT_EQ(written.reason(), c.reason);
    }
    EXPECT_EQ(Read(In("real/kept.dxf")), "old");
    EXPECT_EQ(Names(), (std::vector<std::string>{"real", "real/folder.dxf", "real/kept.dxf"}));
}

// Streamed pieces, small ones gathered and a large one passing the gathering, replace the target only at
// Finish; a file dropped before Finish leaves the target and no temporary file.
TEST_F(AtomicFileTest, StreamedFilesReplaceTheTargetOnlyWhenFinished) {
    Write(In("real/out.pdf"), "old");
    std::string expected;
    {
        StreamedFile dropped;
        ASSERT_TRUE(dropped.Begin(In("real/out.pdf")).ok());
        EXPECT_TRUE(dropped.Write(std::string(100000, 'x')));
    }
    EXPECT_EQ(Read(In("real/out.pdf")), "old");
    EXPECT_EQ(Names(), (std::vector<std::string>{"real", "real/out.pdf"}));

    StreamedFile file;
    ASSERT_TRUE(file.Begin(In("real/out.pdf")).ok());
    for (int i = 0; i < 5000; ++i) {
        const std::string piece = std::to_string(i) + (i == 2500 ? std::string(1 << 20, 'y') : ",");
        expected += piece;
        ASSERT_TRUE(file.Write(piece));
    }
    EXPECT_EQ(Read(In("real/out.pdf")), "old");
    ASSERT_TRUE(file.Finish().ok());
    EXPECT_TRUE(Read(In("real/out.pdf")) == expected);
    EXPECT_EQ(Names(), (std::vector<std::string>{"real", "real/out.pdf"}));
}

} // namespace
