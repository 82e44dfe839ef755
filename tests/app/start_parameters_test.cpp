// Tests of the parameter-line parser and the clean-up call.
#include "app/start_parameters.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/fs.h"
#include "support/temp_prefix.h"
#include "system/copy_file_overwrite.h"

namespace {

using zefi::ParseStartParameters;
using zefi::StartParameters;

TEST(StartParameters, EmptyLineGivesDefaults) {
    StartParameters p = ParseStartParameters("");
    EXPECT_EQ(p.destination, "");
    EXPECT_EQ(p.saveDestination, 1);
    EXPECT_EQ(p.source, "");
    EXPECT_EQ(p.quiet, 0);
    EXPECT_EQ(p.skipOptions, 0);
    EXPECT_EQ(p.options, "");
    EXPECT_FALSE(p.explicitStart);
    EXPECT_FALSE(p.cleanup);
}

TEST(StartParameters, DestinationGetsBackslashAndMakesStartExplicit) {
    StartParameters p = ParseStartParameters("-o C:\\ZEFI");
    EXPECT_EQ(p.destination, "C:\\ZEFI\\");
    EXPECT_EQ(p.saveDestination, 1);
    EXPECT_TRUE(p.explicitStart);

    p = ParseStartParameters("-o C:\\ZEFI\\");
    EXPECT_EQ(p.destination, "C:\\ZEFI\\");
}

TEST(StartParameters, UpperCaseDestinationNeverSaves) {
    StartParameters p = ParseStartParameters("-O D:\\DATA");
    EXPECT_EQ(p.destination, "D:\\DATA\\");
    EXPECT_EQ(p.saveDestination, 0);
    EXPECT_TRUE(p.explicitStart);

    // A later -o with a value leaves the flag as -O left it.
    p = ParseStartParameters("-O D:\\DATA -o X");
    EXPECT_EQ(p.saveDestination, 0);
    // Without a value, either form sets it again.
    EXPECT_EQ(ParseStartParameters("-O D:\\DATA -o").saveDestination, 1);
    EXPECT_EQ(ParseStartParameters("-O D:\\DATA -O").saveDestination, 1);
}

TEST(StartParameters, OptionWithoutValueLeavesDestinationAndStart) {
    for (const char* line : {"-o", "-o   ", "-o -i C:\\SRC", "-O-q"}) {
        StartParameters p = ParseStartParameters(line);
        EXPECT_EQ(p.destination, "") << line;
        EXPECT_EQ(p.saveDestination, 1) << line;
    }
    EXPECT_FALSE(ParseStartParameters("-o").explicitStart);
    EXPECT_FALSE(ParseStartParameters("-o -m http://x").explicitStart);
    // The option that follows is still read.
    StartParameters p = ParseStartParameters("-o -i C:\\SRC");
    EXPECT_EQ(p.source, "C:\\SRC\\");
    EXPECT_TRUE(p.explicitStart);
}

TEST(StartParameters, ValueStartingWithDashCannotBeGiven) {
    StartParameters p = ParseStartParameters("-m -x proxy:8080");
    EXPECT_EQ(p.masterAddress, "");
    EXPECT_EQ(p.proxy, "proxy:8080");
    p = ParseStartParameters("-u -secret");
    EXPECT_EQ(p.proxyUser, "");
    // "-s" is then read as an unknown option and skipped; "ecret" is skipped as text.
    EXPECT_EQ(p.proxyPassword, "");
}

TEST(StartParameters, QuotedValuesKeepBlanksAndDashes) {
    StartParameters p = ParseStartParameters("-o \"C:\\Program Files\\ZEFI\" -i 'D:\\my dvd'");
    EXPECT_EQ(p.destination, "C:\\Program Files\\ZEFI\\");
    EXPECT_EQ(p.source, "D:\\my dvd\\");
    p = ParseStartParameters("-p \"-x y\"");
    EXPECT_EQ(p.proxyPassword, "-x y");
    EXPECT_EQ(p.proxy, "");
    // A quote of one kind does not end at the other kind.
    p = ParseStartParameters("-u \"it's\"");
    EXPECT_EQ(p.proxyUser, "it's");
    // An unterminated quote runs to the end of the line.
    p = ParseStartParameters("-o \"C:\\A B");
    EXPECT_EQ(p.destination, "C:\\A B\\");
}

TEST(StartParameters, UnquotedValueEndsAtBlank) {
    StartParameters p = ParseStartParameters("-o C:\\Program Files");
    EXPECT_EQ(p.destination, "C:\\Program\\");
    // Blanks between the letter and the value are skipped; the value is trimmed.
    p = ParseStartParameters("-m    https://example.test/list   ");
    EXPECT_EQ(p.masterAddress, "https://example.test/list");
    p = ParseStartParameters("-x \"  host:3128  \"");
    EXPECT_EQ(p.proxy, "host:3128");
}

TEST(StartParameters, RepeatedOptionAppends) {
    StartParameters p = ParseStartParameters("-m abc -m def");
    EXPECT_EQ(p.masterAddress, "abcdef");
    // The backslash added after the first value stays in front of the second.
    p = ParseStartParameters("-o C:\\A -o B");
    EXPECT_EQ(p.destination, "C:\\A\\B\\");
    // -o and -O share the destination.
    p = ParseStartParameters("-O C:\\A -o B");
    EXPECT_EQ(p.destination, "C:\\A\\B\\");
    p = ParseStartParameters("-q 1,0 -Q ,1");
    EXPECT_EQ(p.options, "1,0,1");
}

TEST(StartParameters, QuietAndSkipOptions) {
    StartParameters p = ParseStartParameters("-q 1,0,0,1");
    EXPECT_EQ(p.quiet, 1);
    EXPECT_EQ(p.skipOptions, 0);
    EXPECT_EQ(p.options, "1,0,0,1");
    EXPECT_TRUE(p.explicitStart);

    p = ParseStartParameters("-Q 1,0,0,1");
    EXPECT_EQ(p.quiet, 1);
    EXPECT_EQ(p.skipOptions, 1);
    EXPECT_TRUE(p.explicitStart);

    // Without a value: no quiet run, and the skip flag is cleared even after -Q.
    p = ParseStartParameters("-Q 1 -q");
    EXPECT_EQ(p.quiet, 1);
    EXPECT_EQ(p.skipOptions, 0);
    p = ParseStartParameters("-Q");
    EXPECT_EQ(p.quiet, 0);
    EXPECT_FALSE(p.explicitStart);
}

TEST(StartParameters, DownloadSettingsDoNotMakeStartExplicit) {
    StartParameters p =
        ParseStartParameters("-m https://m.test/sites -x proxy:3128 -u user -p secret");
    EXPECT_EQ(p.masterAddress, "https://m.test/sites");
    EXPECT_EQ(p.proxy, "proxy:3128");
    EXPECT_EQ(p.proxyUser, "user");
    EXPECT_EQ(p.proxyPassword, "secret");
    EXPECT_FALSE(p.explicitStart);
    EXPECT_EQ(p.quiet, 0);
}

TEST(StartParameters, SourceMakesStartExplicit) {
    StartParameters p = ParseStartParameters("-i D:\\");
    EXPECT_EQ(p.source, "D:\\");
    EXPECT_TRUE(p.explicitStart);
    EXPECT_FALSE(ParseStartParameters("-i").explicitStart);
}

TEST(StartParameters, CaseOfLettersMatters) {
    StartParameters p = ParseStartParameters("-I C:\\X -M m -D C:\\Y");
    EXPECT_EQ(p.source, "");
    EXPECT_EQ(p.masterAddress, "");
    EXPECT_FALSE(p.cleanup);
    EXPECT_FALSE(p.explicitStart);
}

TEST(StartParameters, TextOutsideOptionsIsSkipped) {
    StartParameters p = ParseStartParameters("setup /o C:\\X -z -o C:\\Y trailing");
    EXPECT_EQ(p.destination, "C:\\Y\\");
}

TEST(StartParameters, CleanupStopsParsing) {
    StartParameters p = ParseStartParameters("-o C:\\A -d C:\\Temp -q 1");
    EXPECT_TRUE(p.cleanup);
    EXPECT_EQ(p.cleanupDirectory, "C:\\Temp\\");
    EXPECT_EQ(p.quiet, 0);
    // Without a value -d does nothing.
    p = ParseStartParameters("-d -q 1");
    EXPECT_FALSE(p.cleanup);
    EXPECT_EQ(p.quiet, 1);
}

class DeleteSetupCopiesTest : public testsupport::PrefixTest {};

TEST_F(DeleteSetupCopiesTest, DeletesTheFourFilesAndNothingElse) {
    for (const char* name : {"cd.cfg", "cds.cfg", "ssetup.dll", "setup.exe", "other.txt"}) {
        m_prefix->WriteHostFile(std::string("drive_c/Temp/") + name, "x");
    }
    zefi::DeleteSetupCopies("C:\\Temp\\");
    for (const char* name : {"cd.cfg", "cds.cfg", "ssetup.dll", "setup.exe"}) {
        EXPECT_EQ(platform::GetFileAttributes(std::string("C:\\Temp\\") + name),
                  platform::kInvalidFileAttributes)
            << name;
    }
    EXPECT_NE(platform::GetFileAttributes("C:\\Temp\\other.txt"), platform::kInvalidFileAttributes);
}

TEST_F(DeleteSetupCopiesTest, MissingFilesDoNotStopTheOthers) {
    m_prefix->WriteHostFile("drive_c/Temp/setup.exe", "x");
    zefi::DeleteSetupCopies("C:\\Temp\\");
    EXPECT_EQ(platform::GetFileAttributes("C:\\Temp\\setup.exe"), platform::kInvalidFileAttributes);
}

TEST_F(DeleteSetupCopiesTest, ReadOnlyCopiesOfADvdAreDeletedToo) {
    // The relaunch copies the setup files from the DVD, and the copies keep its read-only
    // attribute.
    m_prefix.reset();
    m_prefix = std::make_unique<testsupport::TempPrefix>(
        "[drives]\nC = drive_c, fixed\nD = dvd, cdrom, RIDEZEZ01\n");
    m_prefix->WriteHostFile("drive_c/Temp/.keep", "");
    for (const char* name : {"cd.cfg", "cds.cfg", "ssetup.dll", "setup.exe", "other.txt"}) {
        m_prefix->WriteHostFile(std::string("dvd/") + name, "x");
        ASSERT_TRUE(
            zefi::CopyFileOverwrite(std::string("D:\\") + name, std::string("C:\\Temp\\") + name));
        ASSERT_NE(
            platform::GetFileAttributes(std::string("C:\\Temp\\") + name) & platform::kAttrReadOnly,
            0u)
            << name;
    }
    zefi::DeleteSetupCopies("C:\\Temp\\");
    for (const char* name : {"cd.cfg", "cds.cfg", "ssetup.dll", "setup.exe"}) {
        EXPECT_EQ(platform::GetFileAttributes(std::string("C:\\Temp\\") + name),
                  platform::kInvalidFileAttributes)
            << name;
    }
    // Anything else stays as it was, read-only included.
    EXPECT_EQ(platform::GetFileAttributes("C:\\Temp\\other.txt") & platform::kAttrReadOnly,
              platform::kAttrReadOnly);
}

}  // namespace

namespace {

TEST(StartParameters, SAndQuestionMarkTakeNoValueAndAreNotExplicit) {
    zefi::StartParameters p = zefi::ParseStartParameters("-s -m http://x -?");
    EXPECT_EQ(p.autoAnswer, 1);
    EXPECT_TRUE(p.usage);
    EXPECT_EQ(p.masterAddress, "http://x");
    EXPECT_FALSE(p.explicitStart);
    // In any position, also right before a value of another option.
    p = zefi::ParseStartParameters("-Q 1,0,1 -s-o C:\\ZEFI");
    EXPECT_EQ(p.autoAnswer, 1);
    EXPECT_EQ(p.options, "1,0,1");
    EXPECT_EQ(p.destination, "C:\\ZEFI\\");
    EXPECT_FALSE(zefi::ParseStartParameters("-q 1").usage);
    EXPECT_EQ(zefi::ParseStartParameters("-q 1").autoAnswer, 0);
}

}  // namespace
