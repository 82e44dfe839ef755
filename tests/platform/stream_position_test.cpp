// Tests of stream positions on the emulated machine: seeking, the position after writes and
// reads (text mode counting the bytes on disk), and cutting a file to a length.
#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/stream.h"
#include "support/temp_prefix.h"

namespace {

using platform::Stream;

class StreamPositionTest : public testsupport::PrefixTest {
  protected:
    std::string Host(const std::string& name) { return m_prefix->ReadHostFile("drive_c/" + name); }
};

TEST_F(StreamPositionTest, TellCountsPendingWritesAndSeekRewinds) {
    Stream s;
    ASSERT_TRUE(s.Open("C:\\page.txt", "w+b"));
    EXPECT_EQ(s.Tell(), 0);
    ASSERT_EQ(s.Write("hello world", 11), 11u);
    EXPECT_EQ(s.Tell(), 11);
    ASSERT_TRUE(s.Seek(0, 0));
    char buf[6] = {};
    ASSERT_EQ(s.Read(buf, 5), 5u);
    EXPECT_EQ(std::string(buf), "hello");
    EXPECT_EQ(s.Tell(), 5);  // read-ahead is not counted
    ASSERT_TRUE(s.Seek(1, 1));
    EXPECT_EQ(s.Tell(), 6);
    ASSERT_TRUE(s.Seek(-2, 2));
    EXPECT_EQ(s.Tell(), 9);
    ASSERT_EQ(s.Write("LD", 2), 2u);
    s.Close();
    EXPECT_EQ(Host("page.txt"), "hello worLD");
}

TEST_F(StreamPositionTest, SeekBeforeTheStartFails) {
    Stream s;
    ASSERT_TRUE(s.Open("C:\\page.txt", "w+b"));
    EXPECT_FALSE(s.Seek(-1, 0));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
    EXPECT_FALSE(s.Seek(0, 7));
}

TEST_F(StreamPositionTest, TextModeCountsBytesOnDisk) {
    Stream s;
    ASSERT_TRUE(s.Open("C:\\lines.txt", "w"));
    ASSERT_TRUE(s.Puts("ab\ncd\n"));
    EXPECT_EQ(s.Tell(), 8);
    s.Close();
    EXPECT_EQ(Host("lines.txt"), "ab\r\ncd\r\n");
}

TEST_F(StreamPositionTest, TruncateCutsAndRewrittenTextReplacesTheOld) {
    Stream s;
    ASSERT_TRUE(s.Open("C:\\page.txt", "w+b"));
    ASSERT_TRUE(s.Puts("a long first text\n"));
    ASSERT_TRUE(s.Seek(0, 0));
    ASSERT_TRUE(s.Truncate(0));
    ASSERT_TRUE(s.Puts("short\n"));
    ASSERT_TRUE(s.Truncate(3));
    EXPECT_EQ(s.Tell(), 6);  // the position stays where it was
    s.Close();
    EXPECT_EQ(Host("page.txt"), "sho");

    Stream readOnly;
    ASSERT_TRUE(readOnly.Open("C:\\page.txt", "rb"));
    EXPECT_FALSE(readOnly.Truncate(0));
}

}  // namespace
