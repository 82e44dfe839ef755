// Tests of CSystem, the copy engine, against real files in a temporary emulated machine.
#include "system/csystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "csystem_fixture.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

using systemtest::CSystemTest;
using systemtest::kNewTime;
using systemtest::kOldTime;
using zefi::CSystem;
using zefi::LogStream;

TEST_F(CSystemTest, NewerOnlyDecidesPerFileAndLogsEachDecision) {
    const std::string t = Times(kNewTime);
    const std::string copied = "Calling Windows function CopyFile(): success.";
    struct Case {
        std::string name, source;
        const char* existing;  // the copy in the destination, nullptr for none
        platform::FileTime existingTime;
        std::string after;    // the destination's content afterwards
        std::string decided;  // the log line of the decision
    };
    const Case cases[] = {
        // Same size and time: skipped although the content differs.
        {"same.dat", "0123456789", "9876543210", kNewTime, "9876543210",
         "dstfile: C:\\dst\\same.dat, size: 10, time: " + t + "...skipped"},
        // Same time, other size: the line ends by itself, the copy follows on the next.
        {"resized.dat", "abc", "abcdef", kNewTime, "abc",
         "dstfile: C:\\dst\\resized.dat, size: 6, time: " + t},
        // Another time: the copy's first words end the line.
        {"changed.dat", "new", "old", kOldTime, "new",
         "dstfile: C:\\dst\\changed.dat, size: 3, time: " + Times(kOldTime) + copied},
        {"fresh.dat", "fresh", nullptr, 0, "fresh",
         "dstfile: C:\\dst\\fresh.dat not found, copying..."},
    };
    for (const Case& c : cases) {
        Write("src/" + c.name, c.source);
        ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\src\\" + c.name, kNewTime));
        if (c.existing == nullptr) continue;
        Write("dst/" + c.name, c.existing);
        ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\dst\\" + c.name, c.existingTime));
    }

    ASSERT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "*.dat", true));

    const std::vector<std::string> lines = LogLines();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Read("dst/" + c.name), c.after);
        EXPECT_TRUE(LogHas("srcfile: C:\\src\\" + c.name +
                           ", size: " + std::to_string(c.source.size()) + ", time: " + t));
        auto decided = std::find(lines.begin(), lines.end(), c.decided);
        ASSERT_NE(decided, lines.end()) << testing::PrintToString(lines);
        if (c.name == "resized.dat") {
            ASSERT_NE(decided + 1, lines.end());
            EXPECT_EQ(*(decided + 1), copied);
        }
    }
    EXPECT_EQ(std::count(m_sink.modes.begin(), m_sink.modes.end(), zefi::kModeChecking), 1);
    EXPECT_EQ(std::count(m_sink.modes.begin(), m_sink.modes.end(), zefi::kModeCopying), 3);
}

TEST_F(CSystemTest, NewerOnlyComparesWithCopiesSpelledInAnotherCase) {
    Write("src/Same.dat", "0123");
    Write("src/Other.dat", "new!");
    Write("src/exact.dat", "4567");
    Write("dst/SAME.DAT", "abcd");  // same size and time under another spelling: skipped
    Write("dst/other.DAT", "old!");
    Write("dst/exact.dat", "efgh");
    for (const char* name : {"Same.dat", "Other.dat", "exact.dat"}) {
        ASSERT_TRUE(platform::SetFileLastWriteTime(std::string("C:\\src\\") + name, kNewTime));
    }
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\dst\\same.dat", kNewTime));
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\dst\\other.dat", kOldTime));
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\dst\\exact.dat", kNewTime));

    ASSERT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "*.dat", true));

    EXPECT_EQ(Read("dst/SAME.DAT"), "abcd");
    EXPECT_EQ(Read("dst/other.DAT"), "new!");
    EXPECT_EQ(Read("dst/exact.dat"), "efgh");
    EXPECT_FALSE(HostExists("dst/Other.dat"));
    const std::string t = Times(kNewTime);
    EXPECT_TRUE(LogHas("dstfile: C:\\dst\\Same.dat, size: 4, time: " + t + "...skipped"));
    EXPECT_TRUE(LogHas("dstfile: C:\\dst\\exact.dat, size: 4, time: " + t + "...skipped"));
    EXPECT_TRUE(LogHas("dstfile: C:\\dst\\Other.dat, size: 4, time: " + Times(kOldTime) +
                       "Calling Windows function CopyFile(): success."));
}

TEST_F(CSystemTest, WithoutNewerOnlyEveryFileIsCopiedAndASecondRunSkipsAll) {
    Write("src/a.txt", Bytes(120000));  // by hand
    Write("src/b.txt", Bytes(50));      // system copy
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\src\\a.txt", kOldTime));
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\src\\b.txt", kOldTime));
    ASSERT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\new\\dir\\", "*.txt", false));
    EXPECT_TRUE(LogHas("dstfile: C:\\new\\dir\\a.txt not NewOnly, copying..."));
    EXPECT_TRUE(LogHas("dstfile: C:\\new\\dir\\b.txt not NewOnly, copying..."));
    EXPECT_EQ(Read("new/dir/a.txt"), Bytes(120000));
    // Both copy paths keep the last-write time, so the newer-only run finds nothing to do.
    EXPECT_EQ(Info("C:\\new\\dir\\a.txt").lastWriteTime, kOldTime);
    EXPECT_EQ(Info("C:\\new\\dir\\b.txt").lastWriteTime, kOldTime);

    size_t before = LogSize();
    m_sink.modes.clear();
    ASSERT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\new\\dir\\", "*.txt", true));
    size_t skipped = 0;
    for (const std::string& line : LogFrom(before)) {
        if (line.size() > 10 && line.compare(line.size() - 10, 10, "...skipped") == 0) ++skipped;
        EXPECT_EQ(line.find("Copying"), std::string::npos) << line;
        EXPECT_EQ(line.find("Calling"), std::string::npos) << line;
    }
    EXPECT_EQ(skipped, 2u);
    EXPECT_EQ(std::count(m_sink.modes.begin(), m_sink.modes.end(), zefi::kModeCopying), 0);
}

TEST_F(CSystemTest, SystemCopyBelowThresholdAndByHandFromIt) {
    Write("src/small", Bytes(99999));
    Write("src/limit", Bytes(100000));

    size_t before = LogSize();
    ASSERT_TRUE(m_system->CopyFile("C:\\src\\small", "C:\\small", 99999));
    EXPECT_EQ(LogFrom(before),
              std::vector<std::string>{"Calling Windows function CopyFile(): success."});
    EXPECT_EQ(Read("small"), Bytes(99999));
    EXPECT_EQ(m_sink.bytesDone, (std::vector<uint32_t>{0, 99999}));

    before = LogSize();
    m_sink.bytesDone.clear();
    ASSERT_TRUE(m_system->CopyFile("C:\\src\\limit", "C:\\limit", 100000));
    EXPECT_EQ(LogFrom(before), std::vector<std::string>{"Copying by hand..."});
    EXPECT_EQ(Read("limit"), Bytes(100000));
    // 24 whole blocks, the short last one, then the final total.
    ASSERT_EQ(m_sink.bytesDone.size(), 1u + 25u + 1u);
    EXPECT_EQ(m_sink.bytesDone[1], 4096u);
    EXPECT_EQ(m_sink.bytesDone[24], 24u * 4096u);
    EXPECT_EQ(m_sink.bytesDone[25], 100000u);
    EXPECT_EQ(m_sink.sizes.back(), 100000u);
    EXPECT_EQ(m_sink.sources.back(), "C:\\src\\limit");
    EXPECT_EQ(m_sink.destinations.back(), "C:\\limit");
    EXPECT_EQ(m_sink.freeSpace.size(), 2u + 25u);
    EXPECT_GT(m_sink.freeSpace.back(), 0.0);

    // The 4 GiB marker is not below the threshold.
    before = LogSize();
    ASSERT_TRUE(m_system->CopyFile("C:\\src\\small", "C:\\huge", CSystem::kHugeFileSize));
    EXPECT_EQ(LogFrom(before), std::vector<std::string>{"Copying by hand..."});
}

TEST_F(CSystemTest, SizeMultipleOfBlockEndsWithEmptyBlock) {
    const size_t size = 25 * 4096;
    Write("src/even", Bytes(size));
    ASSERT_TRUE(m_system->CopyFile("C:\\src\\even", "C:\\even", size));
    EXPECT_EQ(Read("even"), Bytes(size));
    // One check before the file, one after each of the 25 blocks and one after the empty one.
    EXPECT_EQ(m_sink.stopChecks, 1 + 25 + 1);
    ASSERT_GE(m_sink.bytesDone.size(), 3u);
    EXPECT_EQ(m_sink.bytesDone[m_sink.bytesDone.size() - 2], size);
    EXPECT_EQ(m_sink.bytesDone[m_sink.bytesDone.size() - 3], size);
}

TEST_F(CSystemTest, SmallSystemCopyFailureFallsBackToCopyByHand) {
    // The source is missing: the system copy fails, and so does the copy by hand.
    Write("src/other", "o");
    size_t before = LogSize();
    EXPECT_FALSE(m_system->CopyFile("C:\\src\\none", "C:\\none", 10));
    EXPECT_EQ(LogFrom(before),
              (std::vector<std::string>{"Calling Windows function CopyFile(): failed with 2",
                                        "Copying by hand...", "Error opening: C:\\src\\none"}));
    EXPECT_EQ(m_system->GetLastError(), platform::kErrorFileNotFound);
    EXPECT_FALSE(m_system->GetErrorOnDestination());
    EXPECT_EQ(m_system->GetSourceName(), "C:\\src\\none");
    EXPECT_EQ(m_system->GetDestinationName(), "C:\\none");
}

TEST_F(CSystemTest, DestinationFailuresAreMarkedAsSuch) {
    Write("src/big", Bytes(200000));
    size_t before = LogSize();
    EXPECT_FALSE(m_system->CopyFile("C:\\src\\big", "C:\\nodir\\big", 200000));
    EXPECT_EQ(LogFrom(before),
              (std::vector<std::string>{"Copying by hand...", "Error opening: C:\\nodir\\big"}));
    EXPECT_EQ(m_system->GetLastError(), platform::kErrorPathNotFound);
    EXPECT_TRUE(m_system->GetErrorOnDestination());

    // A later success keeps the fields of the failure.
    ASSERT_TRUE(m_system->CopyFile("C:\\src\\big", "C:\\big", 200000));
    EXPECT_EQ(m_system->GetLastError(), platform::kErrorPathNotFound);
    EXPECT_TRUE(m_system->GetErrorOnDestination());
}

TEST_F(CSystemTest, WriteFailureIsLoggedWithTheErrorCode) {
    Write("src/big", Bytes(200000));
    // The copy over the existing file goes to its temporary file first, here one whose every
    // write fails with "no space left on device".
    Write("full", "old");
    ASSERT_EQ(::symlink("/dev/full", m_prefix->Host("drive_c/full.~zf").c_str()), 0);
    size_t before = LogSize();
    EXPECT_FALSE(m_system->CopyFile("C:\\src\\big", "C:\\full", 200000));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/full"), "old");
    EXPECT_FALSE(HostExists("full.~zf"));
    std::vector<std::string> lines = LogFrom(before);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Copying by hand...");
    EXPECT_TRUE(m_system->GetErrorOnDestination());
    EXPECT_EQ(m_system->GetLastError(), platform::kErrorDiskFull);
    EXPECT_EQ(lines.back(), "GetLastError: 112");
}

TEST_F(CSystemTest, ReadOnlyDestinationIsOverwrittenAndResultIsWritable) {
    for (size_t size : {size_t{500}, size_t{150000}}) {
        SCOPED_TRACE(size);
        Write("src/ro.cfg", Bytes(size));
        Write("dst/ro.cfg", "old");
        // A source from a CD is read-only; a destination may have been left read-only too.
        ASSERT_TRUE(platform::SetFileAttributes("C:\\src\\ro.cfg", platform::kAttrReadOnly));
        ASSERT_TRUE(platform::SetFileAttributes("C:\\dst\\ro.cfg", platform::kAttrReadOnly));
        ASSERT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "ro.cfg", false));
        EXPECT_EQ(Read("dst/ro.cfg"), Bytes(size));
        uint32_t attributes = platform::GetFileAttributes("C:\\dst\\ro.cfg");
        EXPECT_EQ(attributes & platform::kAttrReadOnly, 0u);
        ASSERT_TRUE(platform::SetFileAttributes("C:\\src\\ro.cfg", platform::kAttrNormal));
    }
}

TEST_F(CSystemTest, StopRequestMidCopyLeavesPartialFile) {
    Write("src/big.dat", Bytes(300000));
    m_sink.stopAtCheck = 3;  // before the file, after block 1, after block 2
    EXPECT_FALSE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "big.dat", false));
    EXPECT_TRUE(m_system->IsInterrupted());
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 4], "Copying by hand...");
    EXPECT_EQ(lines[lines.size() - 3], "Interrupted by user");
    EXPECT_EQ(lines[lines.size() - 2].rfind("GetLastError: ", 0), 0u);
    EXPECT_EQ(lines.back(), "CopyFile() failed!");
    EXPECT_EQ(Read("dst/big.dat"), Bytes(300000).substr(0, 2 * 4096));
    EXPECT_EQ(m_sink.bytesDone.back(), 4096u);

    // Once stopped, the next file is refused before it starts, and the flag stays.
    m_sink.stopAtCheck = 1;
    EXPECT_FALSE(m_system->CopyFile("C:\\src\\big.dat", "C:\\other.dat", 300000));
    EXPECT_EQ(LogLines().back(), "CSystem::CopyFile C:\\src\\big.dat , C:\\other.dat");
    EXPECT_FALSE(HostExists("other.dat"));
    EXPECT_TRUE(m_system->ShouldExit());
}

TEST_F(CSystemTest, ShouldExitLogsEveryCallAndLatches) {
    EXPECT_FALSE(m_system->ShouldExit());
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Enter CSystem::ShouldExit()"});
    m_sink.stopAtCheck = 2;
    EXPECT_TRUE(m_system->ShouldExit());
    m_sink.stopAtCheck = 1000;
    EXPECT_TRUE(m_system->ShouldExit());
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{
                  "Enter CSystem::ShouldExit()", "Enter CSystem::ShouldExit()",
                  "CSystem::ShouldExit() Dlg->GetThreadStop()", "Enter CSystem::ShouldExit()"}));
}

TEST_F(CSystemTest, PatternWithSubdirectoryAndPatternsWithoutFiles) {
    Write("src/sub/x.dat", "x");
    Write("src/sub/y.txt", "y");
    Write("src/onlydirs.d/keep", "k");
    ASSERT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "sub\\*.dat", false));
    EXPECT_EQ(Read("dst/sub/x.dat"), "x");
    EXPECT_FALSE(HostExists("dst/sub/y.txt"));
    EXPECT_TRUE(LogHas("srcfile: C:\\src\\sub\\x.dat, size: 1, time: " +
                       Times(Info("C:\\src\\sub\\x.dat").lastWriteTime)));
    EXPECT_EQ(m_sink.sources.front(), "C:\\src\\sub\\");
    EXPECT_EQ(m_sink.destinations.front(), "C:\\dst\\sub\\");

    size_t before = LogSize();
    EXPECT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "*.d", false));
    EXPECT_EQ(LogSize(), before);  // a directory is no file to copy
    EXPECT_FALSE(HostExists("dst/onlydirs.d"));

    EXPECT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "*.xyz", true));
    EXPECT_EQ(LogLines().back(), "Warning: file not found: C:\\src\\*.xyz");
}

TEST_F(CSystemTest, DirectoryCreationFailuresStopTheCopy) {
    Write("src/a", "a");
    Write("blocked", "a file where a directory should go");
    EXPECT_FALSE(m_system->CopyFiles("C:\\src\\", "C:\\blocked\\", "a", false));
    EXPECT_EQ(LogLines().back(), "Error creating directory: C:\\blocked\\");
    EXPECT_EQ(m_system->GetDestinationName(), "C:\\blocked\\");
    EXPECT_TRUE(m_system->GetErrorOnDestination());
    EXPECT_EQ(m_system->GetLastError(), platform::kErrorAlreadyExists);

    Write("dst/sub", "file");
    EXPECT_FALSE(m_system->CopyFiles("C:\\src\\", "C:\\dst\\", "sub\\a", false));
    EXPECT_EQ(LogLines().back(), "Error creting directory: C:\\dst\\sub\\");
    EXPECT_EQ(m_system->GetDestinationName(), "C:\\dst\\sub\\");
}

TEST_F(CSystemTest, DeleteFilesCountsAndReportsEachFailure) {
    EXPECT_FALSE(m_system->DeleteFiles("C:\\dst\\", "*.tmp"));
    EXPECT_EQ(LogLines().back(), "Deleting: C:\\dst\\*.tmp ... 0 deleted.");

    Write("dst/sub/a.tmp", "a");
    Write("dst/sub/b.TMP", "b");
    Write("dst/sub/c.dat", "c");
    ASSERT_TRUE(platform::SetFileAttributes("C:\\dst\\sub\\a.tmp", platform::kAttrReadOnly));
    EXPECT_TRUE(m_system->DeleteFiles("C:\\dst\\", "sub\\*.tmp"));
    EXPECT_EQ(LogLines().back(), "Deleting: C:\\dst\\sub\\*.tmp ... 2 deleted.");
    EXPECT_FALSE(HostExists("dst/sub/a.tmp"));
    EXPECT_FALSE(HostExists("dst/sub/b.TMP"));
    EXPECT_TRUE(HostExists("dst/sub/c.dat"));

    // A directory matches as well, and cannot be deleted as a file.
    Write("dst/d.tmp/inner", "i");
    Write("dst/e.tmp", "e");
    EXPECT_FALSE(m_system->DeleteFiles("C:\\dst\\", "*.tmp"));
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(lines.back(), "2 deleted.");
    EXPECT_EQ(lines[lines.size() - 2],
              "Deleting: C:\\dst\\*.tmp ... DeleteFile failed for: C:\\dst\\d.tmp");
    EXPECT_FALSE(HostExists("dst/e.tmp"));
    EXPECT_TRUE(HostExists("dst/d.tmp/inner"));
}

TEST_F(CSystemTest, DeleteMissingRemovesWhatTheSourceDropped) {
    Write("src/sub/keep.dat", "k");
    Write("dst/sub/keep.dat", "k");
    Write("dst/sub/gone.dat", "g");
    Write("dst/sub/gone.txt", "t");  // outside the pattern
    Write("dst/top.dat", "t");       // outside the subdirectory
    EXPECT_TRUE(m_system->DeleteMissing("C:\\src\\", "C:\\dst\\", "sub\\*.dat"));
    EXPECT_TRUE(HostExists("dst/sub/keep.dat"));
    EXPECT_FALSE(HostExists("dst/sub/gone.dat"));
    EXPECT_TRUE(HostExists("dst/sub/gone.txt"));
    EXPECT_TRUE(HostExists("dst/top.dat"));
    EXPECT_TRUE(LogHas("Deleting: C:\\dst\\sub\\gone.dat ... 1 deleted."));
    EXPECT_EQ(m_sink.modes, std::vector<int32_t>{zefi::kModeSynchronising});
    EXPECT_EQ(m_sink.sources, std::vector<std::string>{"C:\\src\\sub\\"});
    EXPECT_EQ(m_sink.destinations, std::vector<std::string>{"C:\\dst\\sub\\"});

    // Nothing in the destination: no mode change, no line.
    size_t before = LogSize();
    EXPECT_TRUE(m_system->DeleteMissing("C:\\src\\", "C:\\dst\\", "*.none"));
    EXPECT_EQ(LogSize(), before);
    EXPECT_EQ(m_sink.modes.size(), 1u);
}

TEST_F(CSystemTest, DeleteMissingWithEveryNameLeavesOtherDirectoriesAlone) {
    Write("src/d/keep.dat", "k");
    Write("dst/d/keep.dat", "k");
    Write("dst/d/gone.dat", "g");
    Write("dst/sibling.dat", "s");  // reachable only through ".."
    Write("sibling.dat", "s");
    EXPECT_TRUE(m_system->DeleteMissing("C:\\src\\d\\", "C:\\dst\\d\\", "*.*"));
    EXPECT_TRUE(HostExists("dst/d/keep.dat"));
    EXPECT_FALSE(HostExists("dst/d/gone.dat"));
    EXPECT_TRUE(HostExists("dst/sibling.dat"));
    EXPECT_TRUE(HostExists("sibling.dat"));
}

TEST_F(CSystemTest, DeleteMissingKeepsFilesWhenTheSourceCannotBeRead) {
    Write("dst/a.dat", "a");
    EXPECT_FALSE(m_system->DeleteMissing("\\\\server\\share\\", "C:\\dst\\", "*.dat"));
    EXPECT_TRUE(HostExists("dst/a.dat"));
    // A source directory that does not exist says nothing about which files it dropped.
    EXPECT_FALSE(m_system->DeleteMissing("C:\\nosuchdir\\", "C:\\dst\\", "*.dat"));
    EXPECT_TRUE(HostExists("dst/a.dat"));
}

TEST_F(CSystemTest, MakeDirectoryCreatesChainsAndAcceptsRoots) {
    EXPECT_TRUE(m_system->MakeDirectory("C:\\"));
    EXPECT_TRUE(m_system->MakeDirectory("C:"));
    EXPECT_TRUE(m_system->MakeDirectory("Q:\\"));  // a root is never checked on disk
    EXPECT_TRUE(m_system->MakeDirectory("C:\\one\\two\\three\\"));
    EXPECT_TRUE(HostExists("one/two/three"));
    EXPECT_TRUE(m_system->MakeDirectory("C:\\one\\two"));
    EXPECT_TRUE(m_system->MakeDirectory("c:\\ONE\\two\\four"));
    EXPECT_TRUE(HostExists("one/two/four"));

    Write("file", "x");
    EXPECT_FALSE(m_system->MakeDirectory("C:\\file"));
    EXPECT_FALSE(m_system->MakeDirectory("C:\\file\\below\\deeper"));
    EXPECT_FALSE(HostExists("file/below"));
    EXPECT_FALSE(m_system->MakeDirectory("Q:\\x\\y"));
}

TEST_F(CSystemTest, FreeSpaceIsThatOfThePathsVolume) {
    uint64_t toCaller = 0, total = 0, totalFree = 0;
    ASSERT_TRUE(platform::GetDiskFreeSpaceEx("C:\\", &toCaller, &total, &totalFree));
    // Another process may write meanwhile; a few megabytes of slack keep the test honest.
    const double slack = 64.0 * 1024 * 1024;
    EXPECT_NEAR(m_system->GetFreeSpace("C:\\some\\missing\\file.dat"), toCaller, slack);
    EXPECT_NEAR(m_system->GetFreeSpace("c:"), toCaller, slack);
    // A relative path lies on the current directory's volume, whatever its first characters.
    Write("work/.keep", "");
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\work"));
    EXPECT_NEAR(m_system->GetFreeSpace("missing.dat"), toCaller, slack);
    EXPECT_NEAR(m_system->GetFreeSpace("sub\\f.dat"), toCaller, slack);
    EXPECT_EQ(m_system->GetFreeSpace("\\\\server\\share\\dir\\f.dat"), 0.0);
    EXPECT_EQ(m_system->GetFreeSpace("\\\\server"), 0.0);
    EXPECT_EQ(m_system->GetFreeSpace("Q:\\x"), 0.0);
}

TEST_F(CSystemTest, FindFileAndFileExists) {
    Write("dir/empty.dat", "");
    Write("dir/full.dat", "x");
    EXPECT_TRUE(m_system->FileExists("C:\\dir", "empty.dat"));
    EXPECT_TRUE(m_system->FileExists("C:\\dir\\", "FULL.DAT"));
    EXPECT_FALSE(m_system->FileExists("C:\\dir", "none.dat"));
    EXPECT_TRUE(m_system->FindFile("C:\\dir\\*.dat", false));
    EXPECT_TRUE(m_system->FindFile("C:\\dir\\empty.dat", false));
    EXPECT_FALSE(m_system->FindFile("C:\\dir\\empty.dat", true));
    EXPECT_TRUE(m_system->FindFile("C:\\dir\\full.dat", true));
    EXPECT_FALSE(m_system->FindFile("C:\\dir\\*.txt", false));
}

TEST_F(CSystemTest, TypeFileShowsTheTextThroughTheHostOnOneLine) {
    Write("readme.txt",
          "first line\r\n\xE8"
          "esk\xFD second\r\n");
    std::ostringstream out;
    ui::ScriptedHost host("", out);
    ui::ScopedHost scoped(host);
    EXPECT_TRUE(m_system->TypeFile("C:\\readme.txt"));
    EXPECT_FALSE(m_system->TypeFile("C:\\missing.txt"));
    EXPECT_TRUE(m_system->TypeFile("C:\\readme.txt"));
    EXPECT_EQ(out.str(),
              "text 1: first line\\n\xC4\x8D"
              "esk\xC3\xBD second\n"
              "text 2: first line\\n\xC4\x8D"
              "esk\xC3\xBD second\n");
}

TEST(CSystemWithoutSink, ShortLivedInstanceWorksWithAnUnopenedLog) {
    testsupport::TempPrefix prefix;
    prefix.WriteHostFile("drive_c/src/f.bin", std::string(150000, 'z'));
    LogStream never;
    CSystem system(never);
    EXPECT_TRUE(system.MakeDirectory("C:\\made\\here"));
    EXPECT_TRUE(system.CopyFile("C:\\src\\f.bin", "C:\\made\\here\\f.bin", 150000));
    EXPECT_EQ(prefix.ReadHostFile("drive_c/made/here/f.bin"), std::string(150000, 'z'));
    EXPECT_FALSE(system.ShouldExit());
    EXPECT_GT(system.GetFreeSpace("C:\\made"), 0.0);
}

TEST(CSystemDrives, IsCdRomDriveFollowsTheDriveType) {
    testsupport::TempPrefix prefix(
        "[drives]\n"
        "C = drive_c, fixed\n"
        "E = cdrom_e, cdrom, RIDEZEZ01\n");
    prefix.WriteHostFile("cdrom_e/zeficz.txt", "ZEFICZ");
    prefix.WriteHostFile("drive_c/x", "x");
    platform::ReloadMachine();
    LogStream log;
    CSystem system(log);
    EXPECT_TRUE(system.IsCdRomDrive('E'));
    EXPECT_TRUE(system.IsCdRomDrive('e'));
    EXPECT_FALSE(system.IsCdRomDrive('C'));
    EXPECT_FALSE(system.IsCdRomDrive('R'));
}

}  // namespace
