// Tests of C runtime streams on the emulated machine: text-mode line ends and Ctrl+Z, binary
// mode, open modes, and streams shared with other openers.
#include "platform/stream.h"

#include <string>

#include "platform/errors.h"
#include "platform/file.h"
#include "support/temp_prefix.h"

namespace {

using namespace platform;
using testsupport::PrefixTest;

class StreamTest : public PrefixTest {
  protected:
    std::string Host(const std::string& name) { return m_prefix->ReadHostFile("drive_c/" + name); }
    void Put(const std::string& name, const std::string& content) {
        m_prefix->WriteHostFile("drive_c/" + name, content);
    }
    std::string ReadAll(const std::string& path, const char* mode) {
        Stream s;
        EXPECT_TRUE(s.Open(path, mode));
        std::string all;
        char buf[256];
        while (s.Gets(buf, sizeof buf)) all += buf;
        EXPECT_TRUE(s.Eof());
        return all;
    }
};

TEST_F(StreamTest, TextModeWritesCrLf) {
    Stream s;
    ASSERT_TRUE(s.Open("C:\\log.txt", "w"));
    EXPECT_TRUE(s.Puts("first line\n"));
    EXPECT_EQ(s.Write("a\nb", 3), 3u);
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(Host("log.txt"), "first line\r\na\r\nb");
}

TEST_F(StreamTest, TextModeReadsCrLfAsNewlineAndStopsAtCtrlZ) {
    Put("in.cfg", "one\r\ntwo\rthree\r\nlast\r\n\x1Ahidden\r\n");
    EXPECT_EQ(ReadAll("C:\\IN.CFG", "r"), "one\ntwo\rthree\nlast\n");
    Stream s;
    ASSERT_TRUE(s.Open("C:\\in.cfg", "rt"));
    char buf[5];
    ASSERT_NE(s.Gets(buf, sizeof buf), nullptr);
    EXPECT_STREQ(buf, "one\n");
    ASSERT_NE(s.Gets(buf, sizeof buf), nullptr);
    EXPECT_STREQ(buf, "two\r");  // four characters fill the buffer
    EXPECT_EQ(s.GetC(), 't');
}

TEST_F(StreamTest, CrLfAcrossTheReadBufferIsOneLineEnd) {
    // The stream reads 64 KiB at a time; put CR at the last byte of the first read.
    std::string content(65535, 'x');
    content += "\r\nend";
    Put("edge.txt", content);
    Stream s;
    ASSERT_TRUE(s.Open("C:\\edge.txt", "r"));
    std::string back;
    for (int c; (c = s.GetC()) != -1;) back += static_cast<char>(c);
    EXPECT_EQ(back, std::string(65535, 'x') + "\nend");
    EXPECT_TRUE(s.Eof());
}

TEST_F(StreamTest, ReadsLinesAppendedAfterTheOpening) {
    Put("grow.log", "first\r\n");
    Stream in;
    ASSERT_TRUE(in.Open("C:\\grow.log", "r"));
    char buf[256];
    ASSERT_NE(in.Gets(buf, sizeof buf), nullptr);
    EXPECT_STREQ(buf, "first\n");
    // Far more than the stream's buffer, appended while the reader is open.
    std::string expected;
    Stream out;
    ASSERT_TRUE(out.Open("C:\\grow.log", "a"));
    for (int i = 0; i < 20000; ++i) {
        const std::string line = "line " + std::to_string(i) + "\n";
        ASSERT_TRUE(out.Puts(line));
        expected += line;
    }
    ASSERT_TRUE(out.Close());
    std::string back;
    while (in.Gets(buf, sizeof buf)) back += buf;
    EXPECT_TRUE(in.Eof());
    EXPECT_EQ(back, expected);
}

TEST_F(StreamTest, WrittenThenReadBackThroughTheSameStream) {
    // Empty when opened, larger than the stream's buffer when read.
    std::string data;
    for (int i = 0; i < 30000; ++i) data += static_cast<char>('a' + i % 26);
    Stream s;
    ASSERT_TRUE(s.Open("C:\\both.bin", "w+b"));
    ASSERT_EQ(s.Write(data.data(), data.size()), data.size());
    ASSERT_TRUE(s.Seek(0, 0));
    std::string back(data.size() + 10, '\0');
    EXPECT_EQ(s.Read(back.data(), back.size()), data.size());
    back.resize(data.size());
    EXPECT_EQ(back, data);
    EXPECT_TRUE(s.Eof());
}

TEST_F(StreamTest, BinaryModeKeepsEveryByte) {
    const std::string bytes(
        "a\r\nb\n\x1A"
        "c",
        7);
    Stream s;
    ASSERT_TRUE(s.Open("C:\\bin.dat", "wb"));
    EXPECT_EQ(s.Write(bytes.data(), bytes.size()), bytes.size());
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(Host("bin.dat"), bytes);
    ASSERT_TRUE(s.Open("C:\\bin.dat", "rb"));
    char buf[16];
    EXPECT_EQ(s.Read(buf, sizeof buf), bytes.size());
    EXPECT_EQ(std::string(buf, bytes.size()), bytes);
    EXPECT_TRUE(s.Eof());
}

TEST_F(StreamTest, OpenModes) {
    Stream s;
    EXPECT_FALSE(s.Open("C:\\missing.txt", "r"));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_FALSE(s.Open("C:\\nodir\\x.txt", "w"));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    EXPECT_FALSE(s.Open("C:\\x.txt", "q"));
    EXPECT_EQ(GetLastError(), kErrorInvalidParameter);

    Put("a.txt", "old\r\n");
    ASSERT_TRUE(s.Open("C:\\A.txt", "a"));
    ASSERT_TRUE(s.Puts("new\n"));
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(Host("a.txt"), "old\r\nnew\r\n");

    ASSERT_TRUE(s.Open("C:\\a.txt", "w"));
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(Host("a.txt"), "");

    Put("rw.txt", "line1\r\nline2\r\n");
    ASSERT_TRUE(s.Open("C:\\rw.txt", "r+"));
    char buf[64];
    ASSERT_NE(s.Gets(buf, sizeof buf), nullptr);
    EXPECT_STREQ(buf, "line1\n");
    // Writing after a read continues where the reader stands, not after its read-ahead.
    ASSERT_TRUE(s.Puts("LINE2\n"));
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(Host("rw.txt"), "line1\r\nLINE2\r\n");

    Put("ro.txt", "x");
    ASSERT_TRUE(platform::SetFileAttributes("C:\\ro.txt", platform::kAttrReadOnly));
    EXPECT_FALSE(s.Open("C:\\ro.txt", "a"));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    EXPECT_TRUE(s.Open("C:\\ro.txt", "r"));
    EXPECT_EQ(s.Write("y", 1), 0u);
    EXPECT_TRUE(s.Error());
}

TEST_F(StreamTest, LogIsReadableWhileWritten) {
    Stream log;
    ASSERT_TRUE(log.Open("C:\\inszefi.log", "w"));
    ASSERT_TRUE(log.Puts("Started: 1.1.2024\n"));
    ASSERT_TRUE(log.Flush());
    EXPECT_EQ(ReadAll("C:\\inszefi.log", "r"), "Started: 1.1.2024\n");
    Stream second;
    ASSERT_TRUE(second.Open("C:\\inszefi.log", "a"));
    ASSERT_TRUE(second.Puts("from another writer\n"));
    ASSERT_TRUE(second.Close());
    // A handle that refuses to share cannot join while the log is open.
    File exclusive;
    EXPECT_FALSE(
        exclusive.Open("C:\\inszefi.log", File::kRead, File::kShareNone, File::kOpenExisting));
    EXPECT_EQ(GetLastError(), kErrorSharingViolation);
    ASSERT_TRUE(log.Puts("more\n"));
    ASSERT_TRUE(log.Close());
    EXPECT_TRUE(
        exclusive.Open("C:\\inszefi.log", File::kRead, File::kShareNone, File::kOpenExisting));
}

}  // namespace
