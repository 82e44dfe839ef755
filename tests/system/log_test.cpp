// Tests of the log stream: fragment formats, CR LF line ends, the flush per line, timestamps,
// truncation, and logs that cannot be written.
#include "system/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "platform/fs.h"
#include "platform/machine.h"
#include "platform/stream.h"
#include "support/temp_prefix.h"

namespace {

using zefi::LogStream;

class Log : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_prefix->WriteHostFile("drive_c/run/keep", "");
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\run"));
    }
    std::string LogFile() { return m_prefix->ReadHostFile("drive_c/run/inszefi.log"); }
    bool LogExists() {
        return ::access(m_prefix->Host("drive_c/run/inszefi.log").c_str(), F_OK) == 0;
    }
};

TEST_F(Log, FragmentsKeepTheirBytesAndNumbersTheirFormats) {
    LogStream log;
    ASSERT_TRUE(log.Open("inszefi.log"));
    EXPECT_FALSE(log.Failed());
    log << "Instalation: Src: " << std::string("D:\\") << ", Dst: "
        << "C:\\ZEFI" << LogStream::endl;
    // Windows-1250 and UTF-8 bytes alike pass through unchanged.
    log << "srcfile: "
        << "C:\\P\xF8\xEDlohy\\\x9A.txt"
        << " "
        << "\xC5\xA1\xC3\xA1" << LogStream::endl;
    log << uint32_t{4294967295u} << " " << int32_t{-2147483647 - 1} << " " << int32_t{0} << " "
        << uint32_t{183} << LogStream::endl;
    log << 2147483648.0 << " " << 0.5 << " " << 123456.0 << " " << 1234567.0 << " " << 0.0
        << LogStream::endl;
    log << "empty: "
        << "" << std::string() << LogStream::endl;
    EXPECT_EQ(LogFile(),
              "Instalation: Src: D:\\, Dst: C:\\ZEFI\r\n"
              "srcfile: C:\\P\xF8\xEDlohy\\\x9A.txt \xC5\xA1\xC3\xA1\r\n"
              "4294967295 -2147483648 0 183\r\n"
              "2.14748e+09 0.5 123456 1.23457e+06 0\r\n"
              "empty: \r\n");
    log.Close();
    EXPECT_FALSE(log.Failed());
}

TEST_F(Log, EveryLineIsOnDiskAsSoonAsItEnds) {
    LogStream log;
    ASSERT_TRUE(log.Open("inszefi.log"));
    std::string expected;
    for (int i = 0; i < 5; ++i) {
        log << "line " << int32_t{i};
        log.EndLine();
        expected += "line " + std::to_string(i) + "\r\n";
        // Read while the log is still open, as another program would.
        EXPECT_EQ(LogFile(), expected);
    }
    // Another opener may read the file through the system while it is written.
    platform::Stream reader;
    ASSERT_TRUE(reader.Open("C:\\run\\inszefi.log", "rb"));
    char buffer[256] = {};
    size_t n = reader.Read(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n), expected);
}

TEST_F(Log, TimestampHasNoLeadingZeros) {
    EXPECT_EQ(LogStream::FormatTime(7, 12, 2026, 9, 5, 3, 42), "7.12.2026 9:5:3,42");
    EXPECT_EQ(LogStream::FormatTime(1, 1, 2027, 0, 0, 0, 0), "1.1.2027 0:0:0,0");
    EXPECT_EQ(LogStream::FormatTime(31, 10, 2025, 23, 59, 59, 999), "31.10.2025 23:59:59,999");
}

TEST_F(Log, LocalTimeCompletesTheLine) {
    LogStream log;
    ASSERT_TRUE(log.Open("inszefi.log"));
    platform::SystemTime before, after;
    platform::GetLocalTime(&before);
    log << "Started: ";
    log.WriteLocalTime();
    platform::GetLocalTime(&after);
    log << "next" << LogStream::endl;
    const std::string text = LogFile();
    std::smatch m;
    const std::string n = "(0|[1-9][0-9]*)";
    ASSERT_TRUE(std::regex_match(text, m,
                                 std::regex("Started: " + n + "\\." + n + "\\." + n + " " + n +
                                            ":" + n + ":" + n + "," + n + "\r\nnext\r\n")))
        << text;
    if (before.day == after.day && before.hour == after.hour) {
        EXPECT_EQ(std::stoi(m[1]), before.day);
        EXPECT_EQ(std::stoi(m[2]), before.month);
        EXPECT_EQ(std::stoi(m[3]), before.year);
        EXPECT_EQ(std::stoi(m[4]), before.hour);
    }
    EXPECT_LE(std::stoi(m[7]), 999);
}

TEST_F(Log, OpeningTruncatesThePreviousRun) {
    {
        LogStream log;
        ASSERT_TRUE(log.Open("inszefi.log"));
        log << "first run, a long line that the second run does not cover" << LogStream::endl;
        log << "Finished: " << LogStream::endl;
    }
    LogStream log;
    ASSERT_TRUE(log.Open("inszefi.log"));
    EXPECT_EQ(LogFile(), "");
    log << "second" << LogStream::endl;
    EXPECT_EQ(LogFile(), "second\r\n");
    // Reopening the same stream starts yet another run.
    ASSERT_TRUE(log.Open("inszefi.log"));
    log << "third" << LogStream::endl;
    log.Close();
    EXPECT_EQ(LogFile(), "third\r\n");
    // A closed stream writes nothing more.
    log << "after close" << LogStream::endl;
    EXPECT_EQ(LogFile(), "third\r\n");
}

TEST_F(Log, UnopenedStreamSwallowsEverything) {
    LogStream log;
    EXPECT_TRUE(log.Failed());
    log << "free space: " << 1e9 << ", " << uint32_t{1} << int32_t{-1} << LogStream::endl;
    log.WriteLocalTime();
    log.Close();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_FALSE(LogExists());
}

TEST_F(Log, LogOnReadOnlyMediumIsNeverCreatedAndWritesAreIgnored) {
    m_prefix->WriteHostFile("dvd/setup.exe", "x");
    m_prefix->WriteHostFile("machine.ini",
                            "[system]\nadmin = 1\n[drives]\nC = drive_c, fixed\n"
                            "D = dvd, cdrom, RIDEZEZ01\n");
    platform::ReloadMachine();
    ASSERT_TRUE(platform::SetCurrentDirectory("D:\\"));
    LogStream log;
    EXPECT_FALSE(log.Open("inszefi.log"));
    EXPECT_TRUE(log.Failed());
    log << "Instalation: Src: "
        << "D:\\" << LogStream::endl;
    log.WriteLocalTime();
    log.Close();
    EXPECT_TRUE(log.Failed());
    EXPECT_NE(::access(m_prefix->Host("dvd/inszefi.log").c_str(), F_OK), 0);
}

TEST_F(Log, ReadOnlyLogOfAnEarlierRunStaysAsItWas) {
    m_prefix->WriteHostFile("drive_c/run/inszefi.log", "old run\r\n");
    ASSERT_TRUE(platform::SetFileAttributes("C:\\run\\inszefi.log", platform::kAttrReadOnly));
    LogStream log;
    EXPECT_FALSE(log.Open("inszefi.log"));
    log << "new run" << LogStream::endl;
    log.Close();
    EXPECT_EQ(LogFile(), "old run\r\n");
}

TEST_F(Log, WriteErrorLeavesTheStreamFailedAndQuiet) {
    // The host's full device: it opens, but every write that reaches it fails as on a full disk.
    LogStream log;
    ASSERT_TRUE(log.Open("Z:\\dev\\full"));
    log << "Instalation: Src: "
        << "D:\\" << LogStream::endl;
    EXPECT_TRUE(log.Failed());
    log << "more" << uint32_t{1} << 2.5 << LogStream::endl;
    log.WriteLocalTime();
    log.Close();
    EXPECT_TRUE(log.Failed());
}

TEST_F(Log, ReadOnlyDirectoryGetsNoLog) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes into read-only directories";
    ASSERT_EQ(::chmod(m_prefix->Host("drive_c/run").c_str(), 0555), 0);
    LogStream log;
    EXPECT_FALSE(log.Open("inszefi.log"));
    log << "Instalace dokoncena" << LogStream::endl;
    log.Close();
    EXPECT_FALSE(LogExists());
    ::chmod(m_prefix->Host("drive_c/run").c_str(), 0755);
}

}  // namespace
