// Tests of HashFileMd5 and HashFileDigests against md5sum and sha256sum, with the progress
// block and stop flag.
#include "download/hash_md5.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "platform/errors.h"
#include "support/temp_prefix.h"

namespace {

using zefi::ProgressBlock;

std::string Pattern(size_t size) {
    std::string data(size, '\0');
    uint32_t state = 12345;
    for (char& c : data) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return data;
}

// The digest a tool (md5sum, sha256sum) prints for a host file, length hex characters.
std::string Sum(const char* tool, size_t length, const std::string& hostPath) {
    std::string command = std::string(tool) + " '" + hostPath + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    char line[256] = {};
    std::string digest;
    if (fgets(line, sizeof line, pipe) != nullptr) digest.assign(line, strnlen(line, length));
    pclose(pipe);
    return digest;
}

std::string Md5sum(const std::string& hostPath) { return Sum("md5sum", 32, hostPath); }

class HashFileMd5Test : public testsupport::PrefixTest {
  protected:
    // Writes C:\<name> with size pattern bytes and returns its Windows path.
    std::string File(const std::string& name, size_t size) {
        m_prefix->WriteHostFile("drive_c/" + name, Pattern(size));
        return "C:\\" + name;
    }
};

TEST_F(HashFileMd5Test, AgreesWithMd5sumOnEmptySmallAndMultiBlockFiles) {
    const size_t sizes[] = {0, 1, 100, 16383, 16384, 16385, 3 * 16384 + 17, 1000000};
    for (size_t size : sizes) {
        std::string name = "data" + std::to_string(size) + ".bin";
        std::string path = File(name, size);
        char digest[zefi::kMd5HexSize] = {};
        ASSERT_EQ(zefi::HashFileMd5(path, digest, nullptr), 0) << size;
        EXPECT_EQ(std::string(digest), Md5sum(m_prefix->Host("drive_c/" + name))) << size;
    }
    char digest[zefi::kMd5HexSize] = {};
    ASSERT_EQ(zefi::HashFileMd5(File("empty", 0), digest, nullptr), 0);
    EXPECT_STREQ(digest, "d41d8cd98f00b204e9800998ecf8427e");
}

TEST_F(HashFileMd5Test, WritesThe32CharactersAndNothingElse) {
    std::string path = File("small.bin", 5000);
    char digest[zefi::kMd5HexSize + 1];
    std::memset(digest, '#', sizeof digest);
    ASSERT_EQ(zefi::HashFileMd5(path, digest, nullptr), 0);
    std::string written(digest, 32);
    EXPECT_EQ(written, Md5sum(m_prefix->Host("drive_c/small.bin")));
    EXPECT_EQ(written.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(digest[32], '#');
    EXPECT_EQ(digest[33], '#');
}

TEST_F(HashFileMd5Test, AddsEveryBlockToTheDoneBytes) {
    std::string path = File("counted.bin", 5 * 16384 + 100);
    ProgressBlock progress;
    progress.doneBytes = 1000;  // the counter is added to, not set
    progress.totalBytes = 77;
    progress.stopFlag = ProgressBlock::kFinished;  // a finished run does not stop the hash
    char digest[zefi::kMd5HexSize] = {};
    ASSERT_EQ(zefi::HashFileMd5(path, digest, &progress), 0);
    EXPECT_EQ(progress.doneBytes.load(), 1000 + 5 * 16384 + 100);
    EXPECT_EQ(progress.totalBytes.load(), 77);
    EXPECT_EQ(std::string(digest), Md5sum(m_prefix->Host("drive_c/counted.bin")));
}

TEST_F(HashFileMd5Test, StopFlagEndsTheRunAtTheNextBlockAndLeavesTheBuffer) {
    std::string path = File("stopped.bin", 4 * 16384);
    ProgressBlock progress;
    progress.stopFlag = ProgressBlock::kStop;
    char digest[zefi::kMd5HexSize] = {};
    EXPECT_EQ(zefi::HashFileMd5(path, digest, &progress), -1);
    EXPECT_EQ(progress.doneBytes.load(), 16384);
    EXPECT_EQ(digest[0], '\0');

    // A stop requested while the hash runs: the file is a pipe fed block by block, and the
    // flag is raised once the first block was counted. The next block read ends the run.
    std::string fifo = m_prefix->Host("drive_c/pipe.bin");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The feeder may still write after the hash closed its end.
    auto previous = std::signal(SIGPIPE, SIG_IGN);
    ProgressBlock live;
    std::thread feeder([&] {
        std::ofstream out(fifo, std::ios::binary);
        std::string block = Pattern(16384);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
        out.flush();
        while (live.doneBytes.load() < 16384) std::this_thread::yield();
        live.stopFlag = ProgressBlock::kStop;
        // Had the hash not stopped it would read these and the end of the file, and succeed.
        for (int i = 0; i < 3; ++i) out.write(block.data(), 16384);
    });
    char liveDigest[zefi::kMd5HexSize] = {};
    int32_t result = zefi::HashFileMd5("C:\\pipe.bin", liveDigest, &live);
    feeder.join();
    std::signal(SIGPIPE, previous);
    EXPECT_EQ(result, -1);
    EXPECT_GT(live.doneBytes.load(), 16384);
    EXPECT_LE(live.doneBytes.load(), 2 * 16384);
    EXPECT_EQ(liveDigest[0], '\0');
}

TEST_F(HashFileMd5Test, ReturnsTheSystemErrorAndLeavesTheBuffer) {
    char digest[zefi::kMd5HexSize] = {};
    EXPECT_EQ(zefi::HashFileMd5("C:\\missing.iso", digest, nullptr),
              static_cast<int32_t>(platform::kErrorFileNotFound));
    EXPECT_EQ(zefi::HashFileMd5("C:\\nowhere\\missing.iso", digest, nullptr),
              static_cast<int32_t>(platform::kErrorPathNotFound));
    EXPECT_EQ(digest[0], '\0');
}

TEST_F(HashFileMd5Test, OnePassGivesWhatMd5sumAndSha256sumGive) {
    for (size_t size : {size_t{0}, size_t{16384}, size_t{5 * 16384 + 33}, size_t{1000000}}) {
        const std::string name = "both" + std::to_string(size) + ".bin";
        const std::string path = File(name, size);
        const std::string host = m_prefix->Host("drive_c/" + name);
        ProgressBlock progress;
        zefi::FileDigests digests;
        ASSERT_EQ(zefi::HashFileDigests(path, true, &digests, &progress), 0) << size;
        EXPECT_EQ(digests.md5, Md5sum(host)) << size;
        EXPECT_EQ(digests.sha256, Sum("sha256sum", 64, host)) << size;
        // One pass: every byte is counted once.
        EXPECT_EQ(progress.doneBytes.load(), static_cast<int64_t>(size));
        zefi::FileDigests md5Only;
        ASSERT_EQ(zefi::HashFileDigests(path, false, &md5Only, nullptr), 0) << size;
        EXPECT_EQ(md5Only.md5, digests.md5) << size;
        EXPECT_EQ(md5Only.sha256, "") << size;
    }
    // Stopped or failed: the digests stay as they were.
    ProgressBlock stopped;
    stopped.stopFlag = ProgressBlock::kStop;
    zefi::FileDigests kept{"old md5", "old sha256"};
    EXPECT_EQ(zefi::HashFileDigests(File("stop.bin", 20000), true, &kept, &stopped), -1);
    EXPECT_EQ(zefi::HashFileDigests("C:\\missing.iso", true, &kept, nullptr),
              static_cast<int32_t>(platform::kErrorFileNotFound));
    EXPECT_EQ(kept.md5, "old md5");
    EXPECT_EQ(kept.sha256, "old sha256");
}

TEST(SameDigest, IgnoresCaseButNotLength) {
    EXPECT_TRUE(
        zefi::SameDigest("d41d8cd98f00b204e9800998ecf8427e", "D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_FALSE(
        zefi::SameDigest("d41d8cd98f00b204e9800998ecf8427e", "d41d8cd98f00b204e9800998ecf8427f"));
    EXPECT_FALSE(zefi::SameDigest("", "d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_FALSE(zefi::SameDigest("d41d8cd98f00b204e9800998ecf8427e", "d41d8cd9"));
}

}  // namespace
