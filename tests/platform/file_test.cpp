// Tests of file handles on the emulated machine: dispositions, block reads and writes, times
// through the handle, and share modes.
#include "platform/file.h"

#include <string>

#include "platform/errors.h"
#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

using namespace platform;
using testsupport::PrefixTest;

using FileHandle = PrefixTest;

std::string Pattern(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31) ^ (i >> 9));
    return s;
}

TEST_F(FileHandle, DispositionsFollowCreateFile) {
    File f;
    EXPECT_FALSE(f.Open("C:\\missing.bin", File::kRead, File::kShareRead, File::kOpenExisting));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(f.Open("C:\\nodir\\x.bin", File::kWrite, 0, File::kCreateAlways));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    ASSERT_TRUE(f.Open("C:\\x.bin", File::kWrite, 0, File::kCreateNew));
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("hello", 5, &n));
    EXPECT_EQ(n, 5u);
    ASSERT_TRUE(f.Close());
    EXPECT_FALSE(f.Open("c:\\X.BIN", File::kWrite, 0, File::kCreateNew));
    EXPECT_EQ(GetLastError(), kErrorFileExists);
    ASSERT_TRUE(f.Open("C:\\x.bin", File::kRead | File::kWrite, 0, File::kOpenAlways));
    EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
    uint64_t size = 0;
    ASSERT_TRUE(f.GetSize(&size));
    EXPECT_EQ(size, 5u);
    f.Close();
    ASSERT_TRUE(f.Open("C:\\x.bin", File::kWrite, 0, File::kCreateAlways));
    ASSERT_TRUE(f.GetSize(&size));
    EXPECT_EQ(size, 0u);
    f.Close();
    EXPECT_FALSE(f.Open("C:\\", File::kRead, File::kShareRead, File::kOpenExisting));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    ASSERT_TRUE(SetFileAttributes("C:\\x.bin", kAttrReadOnly));
    EXPECT_FALSE(f.Open("C:\\x.bin", File::kWrite, 0, File::kOpenExisting));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    EXPECT_TRUE(f.Open("C:\\x.bin", File::kRead, File::kShareRead, File::kOpenExisting));
}

TEST_F(FileHandle, BlockCopyRoundTripsAndEndsWithAnEmptyRead) {
    // Two sizes: a multiple of the 4096-byte block, and one that is not, both larger than the
    // handle's internal buffer.
    for (size_t total : {size_t{4096} * 300, size_t{1} << 20 | 12345}) {
        std::string data = Pattern(total);
        File out;
        ASSERT_TRUE(out.Open("C:\\big.bin", File::kWrite, 0, File::kCreateAlways));
        for (size_t off = 0; off < data.size(); off += 4096) {
            uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(4096, data.size() - off));
            uint32_t written = 0;
            ASSERT_TRUE(out.Write(data.data() + off, chunk, &written));
            ASSERT_EQ(written, chunk);
        }
        uint64_t size = 0;
        ASSERT_TRUE(out.GetSize(&size));
        EXPECT_EQ(size, total);
        ASSERT_TRUE(out.Close());

        File in;
        ASSERT_TRUE(in.Open("C:\\BIG.bin", File::kRead, File::kShareRead, File::kOpenExisting));
        std::string back;
        char block[4096];
        uint32_t got = 0;
        int reads = 0;
        do {
            ASSERT_TRUE(in.Read(block, sizeof block, &got));
            back.append(block, got);
            ++reads;
        } while (got == sizeof block);
        EXPECT_EQ(back, data);
        EXPECT_EQ(reads, static_cast<int>(total / 4096 + 1));
    }
}

TEST_F(FileHandle, ReadsWhatAnotherHandleWroteAfterTheOpening) {
    // The file is a few bytes when the reader opens it and megabytes when it reads.
    File first;
    ASSERT_TRUE(first.Open("C:\\grow.bin", File::kWrite, 0, File::kCreateAlways));
    uint32_t n = 0;
    ASSERT_TRUE(first.Write("tiny", 4, &n));
    ASSERT_TRUE(first.Close());
    File in;
    ASSERT_TRUE(in.Open("C:\\grow.bin", File::kRead, File::kShareRead | File::kShareWrite,
                        File::kOpenExisting));
    const std::string data = Pattern((size_t{3} << 20) + 777);
    File out;
    ASSERT_TRUE(out.Open("C:\\grow.bin", File::kWrite, File::kShareRead | File::kShareWrite,
                         File::kOpenExisting));
    ASSERT_TRUE(out.Write(data.data(), static_cast<uint32_t>(data.size()), &n));
    ASSERT_TRUE(out.Close());

    std::string back(data.size() + 100, '\0');
    uint32_t got = 0;
    ASSERT_TRUE(in.Read(back.data(), 10, &got));
    ASSERT_EQ(got, 10u);
    ASSERT_TRUE(in.Read(back.data() + 10, static_cast<uint32_t>(back.size() - 10), &got));
    EXPECT_EQ(got, data.size() - 10);
    back.resize(data.size());
    EXPECT_EQ(back, data);
    ASSERT_TRUE(in.Read(back.data(), 1, &got));
    EXPECT_EQ(got, 0u);
}

TEST_F(FileHandle, LastWriteTimeSetThroughHandleSurvivesClose) {
    File f;
    ASSERT_TRUE(f.Open("C:\\t.bin", File::kWrite, 0, File::kCreateAlways));
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("abc", 3, &n));
    const FileTime time = 129000000009876543ull;
    ASSERT_TRUE(f.SetLastWriteTime(time));
    ASSERT_TRUE(f.Close());
    FindData fd;
    ASSERT_TRUE(GetFileInfo("C:\\t.bin", &fd));
    EXPECT_EQ(fd.lastWriteTime, time);
    EXPECT_EQ(fd.size, 3u);
}

TEST_F(FileHandle, AccessMustMatchTheHandle) {
    File f;
    ASSERT_TRUE(f.Open("C:\\w.bin", File::kWrite, 0, File::kCreateAlways));
    char c;
    uint32_t got = 0;
    EXPECT_FALSE(f.Read(&c, 1, &got));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    f.Close();
    ASSERT_TRUE(f.Open("C:\\w.bin", File::kRead, File::kShareRead, File::kOpenExisting));
    uint32_t written = 0;
    EXPECT_FALSE(f.Write("x", 1, &written));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
}

TEST_F(FileHandle, ShareModesKeepOtherOpenersOut) {
    File writer;
    ASSERT_TRUE(writer.Open("C:\\s.bin", File::kWrite, File::kShareNone, File::kCreateAlways));
    uint32_t n = 0;
    ASSERT_TRUE(writer.Write("data", 4, &n));
    File other;
    EXPECT_FALSE(other.Open("C:\\s.bin", File::kRead, File::kShareRead | File::kShareWrite,
                            File::kOpenExisting));
    EXPECT_EQ(GetLastError(), kErrorSharingViolation);
    // A refused truncating open must not destroy the data.
    EXPECT_FALSE(other.Open("C:\\s.bin", File::kWrite, File::kShareNone, File::kCreateAlways));
    EXPECT_EQ(GetLastError(), kErrorSharingViolation);
    EXPECT_FALSE(DeleteFile("C:\\s.bin"));
    EXPECT_EQ(GetLastError(), kErrorSharingViolation);
    ASSERT_TRUE(writer.Close());
    FindData fd;
    ASSERT_TRUE(GetFileInfo("C:\\s.bin", &fd));
    EXPECT_EQ(fd.size, 4u);

    File reader1, reader2;
    ASSERT_TRUE(reader1.Open("C:\\s.bin", File::kRead, File::kShareRead, File::kOpenExisting));
    EXPECT_TRUE(reader2.Open("C:\\s.bin", File::kRead, File::kShareRead, File::kOpenExisting));
    EXPECT_FALSE(other.Open("C:\\s.bin", File::kWrite, File::kShareRead, File::kOpenExisting));
    EXPECT_EQ(GetLastError(), kErrorSharingViolation);
    reader1.Close();
    reader2.Close();
    EXPECT_TRUE(other.Open("C:\\s.bin", File::kWrite, File::kShareRead, File::kOpenExisting));
}

}  // namespace
