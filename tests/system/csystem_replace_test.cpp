// Tests that the copy engine never costs the user a file: a copy over an existing file replaces
// it only when complete (a full volume, a stop), write errors fail at their block, and the
// removal of files missing from the source needs a source to compare with.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "csystem_fixture.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "support/files.h"
#include "support/temp_prefix.h"
#include "support/tmpfs_mount.h"
#include "system/csystem.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using zefi::CSystem;
using zefi::LogStream;

std::string Pattern(size_t size, char first) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(first + i * 7 % 251);
    return data;
}

void WriteFile(const std::string& path, const std::string& data) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

// Drive C: in the prefix, and E: on a small tmpfs volume when the test can mount one.
class CopyEngineSafety : public systemtest::CSystemTest {
  protected:
    // The machine is made by each test, with the volume it needs.
    void SetUp() override {}
    void Machine(uint64_t volumeBytes) {
        std::string ini = "[drives]\nC = drive_c, fixed\n";
        if (volumeBytes != 0) {
            std::string why;
            if (!m_volume.Mount(volumeBytes, &why)) GTEST_SKIP() << why;
            ini += "E = " + m_volume.Path() + ", fixed\n";
        }
        m_prefix = std::make_unique<testsupport::TempPrefix>(ini);
        fs::create_directories(m_prefix->Host("drive_c"));
        StartEngine();
    }
    std::string C(const std::string& relative) const {
        return m_prefix->Host("drive_c/" + relative);
    }
    std::string E(const std::string& relative) const { return m_volume.Path() + "/" + relative; }
    uint32_t MaxBytesDone() const {
        return m_sink.bytesDone.empty()
                   ? 0
                   : *std::max_element(m_sink.bytesDone.begin(), m_sink.bytesDone.end());
    }

    // Unmounted after the prefix is gone, which TearDown removes.
    testsupport::TmpfsMount m_volume;
};

TEST_F(CopyEngineSafety, ByHandCopyThatDoesNotFitLeavesTheOldFileWhole) {
    // 200 KiB free beside an old file of three pages.
    Machine(200 * 1024 + 3 * 4096);
    if (IsSkipped()) return;
    const std::string old = Pattern(10000, 'o');
    WriteFile(E("big.dat"), old);
    ASSERT_EQ(m_system->GetFreeSpace("E:\\big.dat"), 200.0 * 1024);
    WriteFile(C("src/big.dat"), Pattern(300000, 'n'));

    EXPECT_FALSE(m_system->CopyFile("C:\\src\\big.dat", "E:\\big.dat", 300000));
    EXPECT_TRUE(LogHas("Copying by hand...")) << testing::PrintToString(LogLines());
    EXPECT_TRUE(LogHas("Error writing: E:\\big.dat")) << testing::PrintToString(LogLines());
    EXPECT_TRUE(LogHas("Not enough space: needed: 300000, real: 204800"))
        << testing::PrintToString(LogLines());
    EXPECT_TRUE(LogHas("GetLastError: 112")) << testing::PrintToString(LogLines());
    EXPECT_EQ(m_system->GetLastError(), platform::kErrorDiskFull);
    EXPECT_TRUE(m_system->GetErrorOnDestination());
    EXPECT_EQ(ReadFile(E("big.dat")), old);
    EXPECT_FALSE(fs::exists(E("big.dat.~zf")));
    // The progress only ever counted blocks that reached the disk.
    EXPECT_GT(MaxBytesDone(), 0u);
    EXPECT_LE(MaxBytesDone(), 200u * 1024);
    EXPECT_EQ(MaxBytesDone() % CSystem::kBlockSize, 0u);
    // With the old file gone, the new one would fit no better: nothing else was freed.
    EXPECT_EQ(m_system->GetFreeSpace("E:\\"), 200.0 * 1024);
}

TEST_F(CopyEngineSafety, SystemCopyOverAFileOnAFullVolumeKeepsIt) {
    Machine(16 * 4096);
    if (IsSkipped()) return;
    const std::string old = Pattern(20000, 'o');
    WriteFile(E("zefi6.cfg"), old);
    WriteFile(C("src/zefi6.cfg"), Pattern(60000, 'n'));

    EXPECT_FALSE(m_system->CopyFile("C:\\src\\zefi6.cfg", "E:\\zefi6.cfg", 60000));
    EXPECT_TRUE(LogHas("Calling Windows function CopyFile(): failed with 112"))
        << testing::PrintToString(LogLines());
    EXPECT_TRUE(LogHas("Error writing: E:\\zefi6.cfg")) << testing::PrintToString(LogLines());
    EXPECT_EQ(ReadFile(E("zefi6.cfg")), old);
    EXPECT_FALSE(fs::exists(E("zefi6.cfg.~zf")));
}

TEST_F(CopyEngineSafety, NewFileThatDoesNotFitFailsAtTheFullBlock) {
    Machine(8 * 4096);
    if (IsSkipped()) return;
    WriteFile(C("src/new.dat"), Pattern(150000, 'n'));
    EXPECT_FALSE(m_system->CopyFile("C:\\src\\new.dat", "E:\\new.dat", 150000));
    EXPECT_TRUE(LogHas("Error writing: E:\\new.dat")) << testing::PrintToString(LogLines());
    EXPECT_EQ(MaxBytesDone(), 8u * 4096);
    // A new file may stay partial: exactly what was reported written.
    EXPECT_EQ(fs::file_size(E("new.dat")), 8u * 4096);
}

TEST_F(CopyEngineSafety, StoppedReplacementLeavesTheOldFileWhole) {
    Machine(0);
    const std::string old = Pattern(5000, 'o');
    WriteFile(C("dst/big.dat"), old);
    WriteFile(C("src/big.dat"), Pattern(300000, 'n'));
    m_sink.stopAtCheck = 5;
    EXPECT_FALSE(m_system->CopyFile("C:\\src\\big.dat", "C:\\dst\\big.dat", 300000));
    EXPECT_TRUE(m_system->IsInterrupted());
    EXPECT_TRUE(LogHas("Interrupted by user")) << testing::PrintToString(LogLines());
    EXPECT_EQ(ReadFile(C("dst/big.dat")), old);
    EXPECT_FALSE(fs::exists(C("dst/big.dat.~zf")));
}

TEST_F(CopyEngineSafety, ReplacementOfReadOnlyFilesIsComplete) {
    Machine(0);
    for (size_t size : {size_t{500}, size_t{250000}}) {
        SCOPED_TRACE(size);
        const std::string data = Pattern(size, 'n');
        WriteFile(C("src/f.dat"), data);
        ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\src\\f.dat", 133000000000000000ull));
        WriteFile(C("dst/f.dat"), "old");
        ASSERT_TRUE(platform::SetFileAttributes("C:\\dst\\f.dat", platform::kAttrReadOnly));
        EXPECT_TRUE(
            m_system->CopyFile("C:\\src\\f.dat", "C:\\dst\\f.dat", static_cast<uint32_t>(size)));
        EXPECT_EQ(ReadFile(C("dst/f.dat")), data);
        platform::FindData info;
        ASSERT_TRUE(platform::GetFileInfo("C:\\dst\\f.dat", &info));
        EXPECT_EQ(info.attributes & platform::kAttrReadOnly, 0u);
        EXPECT_EQ(info.lastWriteTime, 133000000000000000ull);
        EXPECT_FALSE(fs::exists(C("dst/f.dat.~zf")));
    }
}

TEST_F(CopyEngineSafety, DeleteMissingWithoutItsSourceDeletesNothing) {
    Machine(0);
    WriteFile(C("dst/a.dat"), "a");
    WriteFile(C("dst/sub/b.dat"), "b");
    // The source directory is missing, on a drive that is there.
    EXPECT_FALSE(m_system->DeleteMissing("C:\\nosuchdir\\", "C:\\dst\\", "*.dat"));
    EXPECT_EQ(m_system->GetLastError(), platform::kErrorPathNotFound);
    EXPECT_FALSE(m_system->GetErrorOnDestination());
    EXPECT_EQ(m_system->GetSourceName(), "C:\\nosuchdir\\");
    EXPECT_TRUE(LogHas("Error reading: C:\\nosuchdir\\, nothing deleted in C:\\dst\\"))
        << testing::PrintToString(LogLines());
    // The whole source drive is missing (not mapped, or an image no longer attached).
    EXPECT_FALSE(m_system->DeleteMissing("Q:\\DATA\\", "C:\\dst\\", "sub\\*.dat"));
    EXPECT_TRUE(LogHas("Error reading: Q:\\DATA\\sub\\, nothing deleted in C:\\dst\\sub\\"))
        << testing::PrintToString(LogLines());
    // A network source that cannot be reached.
    EXPECT_FALSE(m_system->DeleteMissing("\\\\server\\share\\", "C:\\dst\\", "*.dat"));
    EXPECT_TRUE(fs::exists(C("dst/a.dat")));
    EXPECT_TRUE(fs::exists(C("dst/sub/b.dat")));
    for (const std::string& line : LogLines())
        EXPECT_EQ(line.rfind("Deleting: ", 0), std::string::npos) << line;

    // An empty source directory is there to compare with: it holds none of the files.
    fs::create_directories(C("src"));
    EXPECT_TRUE(m_system->DeleteMissing("C:\\src\\", "C:\\dst\\", "*.dat"));
    EXPECT_FALSE(fs::exists(C("dst/a.dat")));
}

}  // namespace
