// Tests that file handles and streams report a failed write in the call that made it (a full
// volume) and a failed read at the block that cannot be read (a damaged image), and that their
// data can be flushed to the disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "platform/vdisk.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"
#include "support/tmpfs_mount.h"

namespace {

namespace fs = std::filesystem;
using platform::File;
using platform::Stream;

constexpr uint32_t kBlock = 4096;

class BlockErrors : public ::testing::Test {
  protected:
    // Drive C: in the prefix; E: on a tmpfs of pages pages when pages is not 0.
    void Machine(int pages) {
        std::string ini = "[drives]\nC = drive_c, fixed\n";
        if (pages != 0) {
            std::string why;
            if (!m_volume.Mount(static_cast<uint64_t>(pages) * kBlock, &why)) GTEST_SKIP() << why;
            ini += "E = " + m_volume.Path() + ", fixed\n";
        }
        m_prefix = std::make_unique<testsupport::TempPrefix>(ini);
        fs::create_directories(m_prefix->Host("drive_c"));
    }
    // An image C:\damaged.iso of one file CFG\zefi6.cfg (content), cut keep bytes into that
    // file's data, attached; returns the file's Windows path on the image's drive.
    std::string DamagedImage(const std::string& content, uint64_t keep) {
        m_prefix->WriteHostFile("image/CFG/zefi6.cfg", content);
        std::string log;
        EXPECT_TRUE(testsupport::MakeDamagedIsoImage(m_prefix->Host("image"),
                                                     m_prefix->Host("drive_c/damaged.iso"),
                                                     content.substr(0, 64), keep, &log))
            << log;
        EXPECT_EQ(m_disk.Open("C:\\damaged.iso"), 0u);
        EXPECT_EQ(m_disk.Attach(), 0u);
        std::string root;
        EXPECT_TRUE(m_disk.GetDriveRoot(&root));
        return root + "CFG\\zefi6.cfg";
    }
    void TearDown() override {
        m_disk.Close();
        m_prefix.reset();
    }

    testsupport::TmpfsMount m_volume;
    std::unique_ptr<testsupport::TempPrefix> m_prefix;
    platform::VirtualDisk m_disk;
};

std::string Lines(int count) {
    std::string text;
    for (int i = 0; text.size() < static_cast<size_t>(count); ++i)
        text += "&line " + std::to_string(i) + " of the block\n";
    return text;
}

TEST_F(BlockErrors, FileWriteFailsAtTheBlockThatDoesNotFit) {
    Machine(8);
    if (IsSkipped()) return;
    File file;
    ASSERT_TRUE(file.Open("E:\\f.dat", File::kWrite, File::kShareNone, File::kCreateAlways));
    char block[kBlock] = {};
    for (int i = 0; i < 8; ++i) {
        uint32_t written = 0;
        ASSERT_TRUE(file.Write(block, kBlock, &written)) << i;
        EXPECT_EQ(written, kBlock);
    }
    uint32_t written = 1;
    EXPECT_FALSE(file.Write(block, kBlock, &written));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorDiskFull);
    EXPECT_EQ(written, 0u);
    // Every block reported written is on the disk: nothing waited in the process.
    EXPECT_EQ(fs::file_size(m_volume.Path() + "/f.dat"), 8u * kBlock);
    EXPECT_TRUE(file.FlushToDisk());
    EXPECT_TRUE(file.Close());
}

TEST_F(BlockErrors, StreamWriteFailsInTheCallThatDoesNotFit) {
    Machine(4);
    if (IsSkipped()) return;
    Stream stream;
    ASSERT_TRUE(stream.Open("E:\\zefi6.bak", "w"));
    const std::string line(99, 'x');
    size_t lines = 0;
    // Each line is 101 bytes on the disk with its CR LF.
    while (stream.Write((line + "\n").data(), 100) == 100) ++lines;
    EXPECT_EQ(platform::GetLastError(), platform::kErrorDiskFull);
    EXPECT_TRUE(stream.Error());
    EXPECT_EQ(lines, 4u * kBlock / 101);
    // The line that did not fit may have reached the disk in part, never in a later call.
    EXPECT_GE(fs::file_size(m_volume.Path() + "/zefi6.bak"), lines * 101);
    EXPECT_LT(fs::file_size(m_volume.Path() + "/zefi6.bak"), (lines + 1) * 101);
}

TEST_F(BlockErrors, CommitAndFlushNeedAWritableOpenFile) {
    Machine(0);
    Stream stream;
    EXPECT_FALSE(stream.Commit());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);
    ASSERT_TRUE(stream.Open("C:\\a.cfg", "w"));
    ASSERT_TRUE(stream.Puts("KEY=1\n"));
    EXPECT_TRUE(stream.Commit());
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/a.cfg"), "KEY=1\r\n");
    ASSERT_TRUE(stream.Close());
    ASSERT_TRUE(stream.Open("C:\\a.cfg", "r"));
    EXPECT_FALSE(stream.Commit());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);

    File file;
    ASSERT_TRUE(file.Open("C:\\a.cfg", File::kRead, File::kShareRead, File::kOpenExisting));
    EXPECT_FALSE(file.FlushToDisk());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
}

TEST_F(BlockErrors, FileReadFailsAtTheFirstBlockThatCannotBeRead) {
    Machine(0);
    const std::string content = Lines(20000);
    const std::string path = DamagedImage(content, 3 * 2048);
    File file;
    ASSERT_TRUE(file.Open(path, File::kRead, File::kShareRead, File::kOpenExisting));
    char block[kBlock];
    uint32_t got = 0;
    ASSERT_TRUE(file.Read(block, kBlock, &got));
    EXPECT_EQ(got, kBlock);
    EXPECT_EQ(std::string(block, kBlock), content.substr(0, kBlock));
    // The second block holds the image's cut: it fails as a whole.
    EXPECT_FALSE(file.Read(block, kBlock, &got));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorIoDevice);
}

TEST_F(BlockErrors, StreamGivesNoPieceThatAReadErrorCut) {
    Machine(0);
    const std::string content = Lines(20000);
    const std::string path = DamagedImage(content, 2 * 2048);
    Stream stream;
    ASSERT_TRUE(stream.Open(path, "r"));
    std::string read;
    char piece[256];
    while (stream.Gets(piece, sizeof piece)) read += piece;
    EXPECT_TRUE(stream.Error());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorIoDevice);
    // Whole lines only, every one as in the file, and no more than the readable part.
    ASSERT_FALSE(read.empty());
    EXPECT_EQ(read.back(), '\n');
    EXPECT_LE(read.size(), 2u * 2048);
    EXPECT_EQ(content.compare(0, read.size(), read), 0);
}

}  // namespace
