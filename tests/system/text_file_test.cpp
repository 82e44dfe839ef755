// Tests of CTextFile on real configuration and batch files in a temporary emulated machine.
#include "system/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

using zefi::CTextFile;

using CTextFileTest = testsupport::DriveCTest;

TEST_F(CTextFileTest, ReadKeyTakesTheFirstWordAndReadKeyLineTheWholeValue) {
    Write("zefi6.cfg", "[zefi]\r\nKEY = a b  \r\nkey=second\r\nNOEQ\r\n");
    CTextFile file("C:\\zefi6.cfg");
    EXPECT_EQ(file.ReadKey("KEY"), "a");
    EXPECT_EQ(file.ReadKeyLine("KEY"), "a b");
    EXPECT_EQ(file.ReadKey("key"), "a");       // case does not matter
    EXPECT_EQ(file.ReadKey("KEYBOARD"), "a");  // only three characters count
    EXPECT_EQ(file.ReadKey("NOEQ"), "");       // matched, but without "=": nothing
    EXPECT_EQ(file.ReadKey("ZZZ"), "");
    EXPECT_EQ(file.ReadKey(""), "");
    // A key shorter than three characters must end where the line ends.
    EXPECT_EQ(file.ReadKey("KE"), "");

    CTextFile missing("C:\\missing.cfg");
    EXPECT_EQ(missing.ReadKey("KEY"), "");
    EXPECT_EQ(missing.ReadKeyLine("KEY"), "");
    EXPECT_EQ(missing.GetRemLine(), "");
    EXPECT_EQ(missing.GetAmpersandBlock(), "");
    EXPECT_EQ(missing.FindStartPath(), "");
    EXPECT_EQ(missing.GetLastError(), 0u);  // reading never records an error
}

TEST_F(CTextFileTest, WriteKeyRewritesEveryMatchingLine) {
    Write("zefi6.cfg", "path=C:\\OLD\r\nother=1\r\nPATHX = C:\\OLDER extra\r\nlast\r\n");
    CTextFile file("C:\\zefi6.cfg");
    ASSERT_TRUE(file.WriteKey("PATH", "C:\\NEW"));
    EXPECT_EQ(Read("zefi6.cfg"), "path= C:\\NEW\r\nother=1\r\nPATHX = C:\\NEW\r\nlast\r\n");
    EXPECT_EQ(file.ReadKey("PATH"), "C:\\NEW");
    EXPECT_FALSE(HostExists("zefi6.bak"));
}

TEST_F(CTextFileTest, WriteKeyOnALineWithoutEqualsSignChangesNothing) {
    const std::string content = "path=C:\\OLD\r\nPATH C:\\X\r\n";
    Write("zefi6.cfg", content);
    CTextFile file("C:\\zefi6.cfg");
    EXPECT_FALSE(file.WriteKey("PATH", "C:\\NEW"));
    EXPECT_EQ(Read("zefi6.cfg"), content);
    EXPECT_TRUE(HostExists("zefi6.bak"));  // the abandoned temporary file stays
}

TEST_F(CTextFileTest, LongLinesAreSplitIntoPiecesOf255Characters) {
    // The key sits right after the first 255 characters, so it starts a piece of its own.
    std::string filler(255, 'x');
    Write("long.cfg", filler + "KEY=inner tail\r\nKEY=outer\r\n");
    CTextFile file("C:\\long.cfg");
    EXPECT_EQ(file.ReadKey("KEY"), "inner");
    ASSERT_TRUE(file.WriteKey("KEY", "v"));
    EXPECT_EQ(Read("long.cfg"), filler + "KEY= v\r\nKEY= v\r\n");

    // One character less and the key is inside the first piece's line.
    Write("short.cfg", std::string(254, 'x') + "KEY=inner\r\nKEY=outer\r\n");
    EXPECT_EQ(CTextFile("C:\\short.cfg").ReadKey("KEY"), "outer");
}

// A line end that falls right after a full piece is a piece of its own, and a rewrite gives
// back every byte it did not change: CR LF split across two pieces stays one line end.
TEST_F(CTextFileTest, RewriteAtAPieceBoundaryKeepsTheOtherLinesByteForByte) {
    const std::string full(255, 'x');
    Write("edge.cfg", full + "\r\nKEY=old\r\n" + full + "y\r\nlast");
    CTextFile file("C:\\edge.cfg");
    ASSERT_TRUE(file.ReplaceText("old", "new"));
    EXPECT_EQ(Read("edge.cfg"), full + "\r\nKEY=new\r\n" + full + "y\r\nlast");
    ASSERT_TRUE(file.WriteKey("KEY", "v"));
    EXPECT_EQ(Read("edge.cfg"), full + "\r\nKEY= v\r\n" + full + "y\r\nlast");
    // A rewritten key line always ends with a line end, also as the last line.
    Write("noend.cfg", "KEY=old");
    CTextFile noEnd("C:\\noend.cfg");
    ASSERT_TRUE(noEnd.WriteKey("KEY", "new"));
    EXPECT_EQ(Read("noend.cfg"), "KEY= new\r\n");
}

TEST_F(CTextFileTest, RemLineIsTheFirstLineStartingWithRemAndASpace) {
    Write("old.bat", "@echo off\r\nREMARK no\r\nrem  version 5\r\nREM version 6\r\nzefi.exe\r\n");
    Write("new.bat", "REM version 7\r\nzefi.exe -n\r\n");
    CTextFile oldBatch("C:\\old.bat");
    CTextFile newBatch("C:\\new.bat");
    EXPECT_EQ(oldBatch.GetRemLine(), "rem  version 5\n");
    std::string line = newBatch.GetRemLine();
    EXPECT_EQ(line, "REM version 7\n");
    ASSERT_TRUE(oldBatch.SetRemLine(line));
    EXPECT_EQ(Read("old.bat"),
              "@echo off\r\nREMARK no\r\nREM version 7\r\nREM version 6\r\nzefi.exe\r\n");

    Write("norem.bat", "echo\r\n");
    CTextFile noRem("C:\\norem.bat");
    EXPECT_EQ(noRem.GetRemLine(), "");
    EXPECT_TRUE(noRem.SetRemLine("REM x\n"));
    EXPECT_EQ(Read("norem.bat"), "echo\r\n");
}

TEST_F(CTextFileTest, AmpersandBlockIsTheFirstRunAndReplacesAllOthers) {
    Write("zefi.bat", "@echo off\r\n&a=1\r\n&b=2\r\nzefi.exe\r\n&c=3\r\nrem end\r\n& d\r\n");
    CTextFile file("C:\\zefi.bat");
    EXPECT_EQ(file.GetAmpersandBlock(), "&a=1\n&b=2\n");
    ASSERT_TRUE(file.SetAmpersandBlock("&x=9\n&y=8\n"));
    EXPECT_EQ(Read("zefi.bat"), "@echo off\r\n&x=9\r\n&y=8\r\nzefi.exe\r\nrem end\r\n");
    EXPECT_EQ(file.GetAmpersandBlock(), "&x=9\n&y=8\n");

    Write("plain.bat", "echo\r\n");
    EXPECT_EQ(CTextFile("C:\\plain.bat").GetAmpersandBlock(), "");
}

TEST_F(CTextFileTest, ReplaceTextChangesTheFirstOccurrenceInEachLine) {
    Write("run.bat", "zefi.exe -fZEFI.CFG zefi.cfg\r\nset X=Zefi.cfg\r\nnothing\r\n");
    CTextFile file("C:\\run.bat");
    ASSERT_TRUE(file.ReplaceText("zefi.cfg", "zefi6.cfg"));
    EXPECT_EQ(Read("run.bat"), "zefi.exe -fzefi6.cfg zefi.cfg\r\nset X=zefi6.cfg\r\nnothing\r\n");
    // An empty text occurs nowhere; the lines stay as they are.
    ASSERT_TRUE(file.ReplaceText("", "X"));
    EXPECT_EQ(Read("run.bat"), "zefi.exe -fzefi6.cfg zefi.cfg\r\nset X=zefi6.cfg\r\nnothing\r\n");
}

TEST_F(CTextFileTest, ReadOnlyFileIsRewrittenAndStaysAFile) {
    Write("ro.cfg", "DATA=old\r\n");
    ASSERT_TRUE(platform::SetFileAttributes("C:\\ro.cfg", platform::kAttrReadOnly));
    CTextFile file("C:\\ro.cfg");
    ASSERT_TRUE(file.WriteKey("DATA", "new"));
    EXPECT_EQ(Read("ro.cfg"), "DATA= new\r\n");
    EXPECT_EQ(platform::GetFileAttributes("C:\\ro.cfg") & platform::kAttrReadOnly, 0u);
}

TEST_F(CTextFileTest, TemporaryNameReplacesTheLastExtension) {
    EXPECT_EQ(CTextFile::TemporaryName("C:\\autoexec.bat"), "C:\\autoexec.bak");
    EXPECT_EQ(CTextFile::TemporaryName("C:\\ZEFI\\START"), "C:\\ZEFI\\STARTbak");
    EXPECT_EQ(CTextFile::TemporaryName("C:\\ZEFI.D\\START"), "C:\\ZEFI.bak");
    // A file named like its own temporary file gets another one.
    EXPECT_EQ(CTextFile::TemporaryName("C:\\zefi.BAK"), "C:\\zefi.BAK.bak");
}

TEST_F(CTextFileTest, BakFileIsRewrittenWithoutLosingItsContent) {
    Write("keep.bak", "KEY=1\r\nOTHER=2\r\n");
    CTextFile file("C:\\keep.bak");
    ASSERT_TRUE(file.WriteKey("KEY", "3"));
    EXPECT_EQ(Read("keep.bak"), "KEY= 3\r\nOTHER=2\r\n");
}

// Every failing step of a rewrite leaves the file with its old content.
// A rewrite of KEY in C:\<name> that must fail with error (0: any error) and leave the file as
// it was.
class FailedRewrite : public CTextFileTest {
  protected:
    static constexpr const char* kContent = "KEY=old\r\n";
    void ExpectFails(const std::string& name, uint32_t error) {
        CTextFile file("C:\\" + name);
        EXPECT_FALSE(file.WriteKey("KEY", "new"));
        if (error != 0) {
            EXPECT_EQ(file.GetLastError(), error);
        } else {
            EXPECT_NE(file.GetLastError(), 0u);
        }
        EXPECT_EQ(Read(name), kContent);
    }
    // Holds C:\<name> open as another program would: reading, sharing reads and writes, not
    // deletion.
    void Hold(platform::File& holder, const std::string& name) {
        ASSERT_TRUE(holder.Open("C:\\" + name, platform::File::kRead,
                                platform::File::kShareRead | platform::File::kShareWrite,
                                platform::File::kOpenExisting));
    }
};

TEST_F(FailedRewrite, OfAMissingFileCreatesNothing) {
    CTextFile missing("C:\\none.cfg");
    EXPECT_FALSE(missing.WriteKey("KEY", "new"));
    EXPECT_EQ(missing.GetLastError(), platform::kErrorFileNotFound);
    EXPECT_FALSE(HostExists("none.cfg"));
}

TEST_F(FailedRewrite, WhenADirectoryHoldsTheTemporaryName) {
    Write("a.cfg", kContent);
    ASSERT_EQ(::mkdir(m_prefix->Host("drive_c/a.bak").c_str(), 0755), 0);
    ExpectFails("a.cfg", 0);
}

TEST_F(FailedRewrite, WhenTheTemporaryFileCannotBeWritten) {
    // Its name leads to a device that is always full.
    Write("b.cfg", kContent);
    ASSERT_EQ(::symlink("/dev/full", m_prefix->Host("drive_c/b.bak").c_str()), 0);
    ExpectFails("b.cfg", platform::kErrorDiskFull);
}

TEST_F(FailedRewrite, WhileAnotherProgramHoldsTheFileAndNotOnceItIsClosed) {
    Write("c.cfg", kContent);
    platform::File holder;
    Hold(holder, "c.cfg");
    ExpectFails("c.cfg", platform::kErrorSharingViolation);
    holder.Close();
    CTextFile retry("C:\\c.cfg");
    EXPECT_TRUE(retry.WriteKey("KEY", "new"));
    EXPECT_EQ(Read("c.cfg"), "KEY= new\r\n");
}

TEST_F(FailedRewrite, WhenTheNewContentCannotTakeTheFilesPlace) {
    // The temporary file is held open without delete sharing; the file must not have been
    // removed in the meantime.
    Write("e.cfg", kContent);
    Write("e.bak", "");
    platform::File holder;
    Hold(holder, "e.bak");
    ExpectFails("e.cfg", platform::kErrorSharingViolation);
}

TEST_F(FailedRewrite, OfTextFailsTheSameWayButKeepsTheLastError) {
    Write("a.cfg", kContent);
    ASSERT_EQ(::mkdir(m_prefix->Host("drive_c/a.bak").c_str(), 0755), 0);
    CTextFile file("C:\\a.cfg");
    EXPECT_FALSE(file.ReplaceText("old", "new"));
    EXPECT_EQ(file.GetLastError(), 0u);
    EXPECT_EQ(Read("a.cfg"), kContent);
}

TEST_F(CTextFileTest, FindStartPathFollowsDriveAndDirectoryChanges) {
    Write("start.bat", "C:\r\nCD \\ZEFI\\\r\nprog.exe -fdata\\zefi6.cfg\r\n");
    EXPECT_EQ(CTextFile("C:\\start.bat").FindStartPath(), "C:\\ZEFI\\data\\zefi6.cfg");

    Write("space.bat", "C:\r\nCD \\ZEFI\\\r\nprog.exe -f data\r\n");
    EXPECT_EQ(CTextFile("C:\\space.bat").FindStartPath(), "C:\\ZEFI\\");

    // REM lines, other drives' directories and the two old programs are passed over.
    Write("skip.bat",
          "REM prog.exe -fREMMED\r\n"
          "cd D:\\ELSEWHERE\r\n"
          "  cd C:\\ZEFI\r\n"
          "aplik286 -fnot\r\n"
          "ZD286.EXE -Fnot\r\n"
          "zefiwin.exe -F.\\cfg\\zefi6.cfg\r\n");
    EXPECT_EQ(CTextFile("C:\\skip.bat").FindStartPath(), "C:\\ZEFI\\cfg\\zefi6.cfg");

    // Absolute values win over the directory, and without a directory the value stands alone.
    Write("abs.bat", "CD \\ZEFI\r\nzefi.exe -fD:\\DATA\\z.cfg\r\n");
    EXPECT_EQ(CTextFile("C:\\abs.bat").FindStartPath(), "D:\\DATA\\z.cfg");
    Write("root.bat", "CD \\ZEFI\r\nzefi.exe -f\\DATA\\z.cfg\r\n");
    EXPECT_EQ(CTextFile("C:\\root.bat").FindStartPath(), "\\DATA\\z.cfg");
    Write("bare.bat", "zefi.exe -fz.cfg\r\n");
    EXPECT_EQ(CTextFile("C:\\bare.bat").FindStartPath(), "z.cfg");
    // A command that starts with a drive sets the directory to that drive.
    Write("drive.bat", "D:\\ZEFI\\zefi.exe -fz.cfg\r\n");
    EXPECT_EQ(CTextFile("C:\\drive.bat").FindStartPath(), "D:\\z.cfg");
    Write("none.bat", "@echo off\r\nzefi.exe\r\n");
    EXPECT_EQ(CTextFile("C:\\none.bat").FindStartPath(), "");
}

TEST_F(CTextFileTest, FindStartPathReadsPiecesOf127Characters) {
    // "-f" right after the first 127 characters starts a new piece, which still sees the
    // directory guess.
    Write("long.bat", "CD \\ZEFI\r\n" + std::string(127, 'y') + "-fz.cfg\r\n");
    EXPECT_EQ(CTextFile("C:\\long.bat").FindStartPath(), "\\ZEFI\\z.cfg");
    // An "-f" cut in two by the piece boundary is no option at all.
    Write("cut.bat", std::string(126, 'y') + "-fz.cfg\r\n");
    EXPECT_EQ(CTextFile("C:\\cut.bat").FindStartPath(), "");
    // "REM" at the start of the second piece makes that piece a comment.
    Write("rem.bat", std::string(127, 'y') + "REM -fz.cfg\r\n");
    EXPECT_EQ(CTextFile("C:\\rem.bat").FindStartPath(), "");
}

TEST_F(CTextFileTest, RemoveDeletesEvenAReadOnlyFile) {
    Write("ro.txt", "x");
    ASSERT_TRUE(platform::SetFileAttributes("C:\\ro.txt", platform::kAttrReadOnly));
    CTextFile file("C:\\ro.txt");
    EXPECT_TRUE(file.Remove());
    EXPECT_FALSE(HostExists("ro.txt"));
    EXPECT_FALSE(file.Remove());
    EXPECT_EQ(file.GetLastError(), platform::kErrorFileNotFound);
}

}  // namespace
