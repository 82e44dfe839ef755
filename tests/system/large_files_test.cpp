// Tests of files of 4 GiB and more: the emulated machine reports their whole size, and the copy
// engine tells them from smaller files whose size has the same low 32 bits. The files are sparse
// (no data is written), so the tests skip where the file system cannot make them so.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "csystem_fixture.h"
#include "platform/file.h"
#include "platform/fs.h"

namespace {

using systemtest::CSystemTest;
using systemtest::kNewTime;
using zefi::CSystem;

constexpr uint64_t kFourGiB = uint64_t{1} << 32;

class LargeFiles : public CSystemTest {
  protected:
    // A file of size bytes on drive C: (relative is below drive_c) that ends with tail and holds
    // nothing else: a hole takes no space. False, with the reason in *why, where the file system
    // cannot make such a file without writing it out.
    bool MakeSparse(const std::string& relative, uint64_t size, const std::string& tail,
                    std::string* why) {
        Write(relative, "");
        const std::string host = m_prefix->Host("drive_c/" + relative);
        int fd = ::open(host.c_str(), O_WRONLY);
        if (fd < 0) {
            *why = "cannot open " + host + ": " + std::strerror(errno);
            return false;
        }
        bool ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0 &&
                  ::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(size - tail.size())) ==
                      static_cast<ssize_t>(tail.size());
        if (!ok)
            *why =
                std::string("a sparse file of 4 GiB cannot be made here: ") + std::strerror(errno);
        struct stat st;
        if (ok && ::fstat(fd, &st) == 0 &&
            static_cast<uint64_t>(st.st_blocks) * 512 > (64u << 20)) {
            ok = false;
            *why = "the file system of the temporary directory writes holes out";
        }
        ::close(fd);
        if (!ok) ::unlink(host.c_str());
        return ok;
    }
};

TEST_F(LargeFiles, SizesPastFourGiBAreReportedWhole) {
    const uint64_t size = 5 * (kFourGiB / 4) + 3;  // 5 GiB and 3 bytes
    std::string why;
    if (!MakeSparse("big.dat", size, "end", &why)) GTEST_SKIP() << why;

    platform::FindData info;
    ASSERT_TRUE(platform::GetFileInfo("C:\\big.dat", &info));
    EXPECT_EQ(info.size, size);
    platform::FindHandle find;
    platform::FindData found;
    ASSERT_TRUE(find.First("C:\\*.dat", &found));
    EXPECT_EQ(found.name, "big.dat");
    EXPECT_EQ(found.size, size);
    platform::File file;
    ASSERT_TRUE(file.Open("C:\\big.dat", platform::File::kRead, platform::File::kShareRead,
                          platform::File::kOpenExisting));
    uint64_t opened = 0;
    ASSERT_TRUE(file.GetSize(&opened));
    EXPECT_EQ(opened, size);
}

TEST_F(LargeFiles, NewerOnlyTellsAFileOfFourGiBFromASmallCopyWithTheSameLowSize) {
    // 4 GiB + 10 bytes and 10 bytes share their low 32 bits and their time: not the same file.
    std::string why;
    if (!MakeSparse("src/big.dat", kFourGiB + 10, "0123456789", &why)) GTEST_SKIP() << why;
    Write("dst/big.dat", "abcdefghij");
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\src\\big.dat", kNewTime));
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\dst\\big.dat", kNewTime));
    // The copy stops after its first block: the decision is what counts, not 4 GiB of zeros.
    m_sink.stopAtCheck = 2;

    EXPECT_FALSE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "big.dat", true));

    const std::vector<std::string> lines = LogLines();
    const std::string compared = "dstfile: C:\\dst\\big.dat, size: 10, time: " + Times(kNewTime);
    size_t at = 0;
    while (at < lines.size() && lines[at] != compared) ++at;
    ASSERT_LT(at + 2, lines.size()) << testing::PrintToString(lines);
    // Past 4 GiB the size handed on is the marker, which only the copy by hand takes.
    EXPECT_EQ(lines[at + 1], "Copying by hand...");
    EXPECT_EQ(lines[at + 2], "Interrupted by user");
    ASSERT_FALSE(m_sink.sizes.empty());
    EXPECT_EQ(m_sink.sizes.back(), CSystem::kHugeFileSize);
    // The stopped replacement leaves the old copy whole.
    EXPECT_EQ(Read("dst/big.dat"), "abcdefghij");
    EXPECT_FALSE(HostExists("dst/big.dat.~zf"));
}

TEST_F(LargeFiles, NewerOnlySkipsAnUnchangedCopyOfFourGiB) {
    std::string why;
    if (!MakeSparse("src/big.dat", kFourGiB + 10, "0123456789", &why)) GTEST_SKIP() << why;
    if (!MakeSparse("dst/big.dat", kFourGiB + 10, "9876543210", &why)) GTEST_SKIP() << why;
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\src\\big.dat", kNewTime));
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\dst\\big.dat", kNewTime));

    ASSERT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "big.dat", true));

    EXPECT_TRUE(
        LogHas("dstfile: C:\\dst\\big.dat, size: 10, time: " + Times(kNewTime) + "...skipped"))
        << testing::PrintToString(LogLines());
    EXPECT_TRUE(m_sink.sizes.empty());
}

}  // namespace
