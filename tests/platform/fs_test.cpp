// Tests of files and directories on the emulated machine: attributes, times, copy, delete,
// directories, moves, free space and read-only media.
#include "platform/fs.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/errors.h"
#include "platform/file.h"
#include "support/temp_prefix.h"

namespace {

using namespace platform;
using testsupport::PrefixTest;
using testsupport::TempPrefix;
namespace stdfs = std::filesystem;

constexpr const char* kDriveTableSkip =
    "drive letters of folders with a type and label come from the emulated machine's machine.ini";

using Fs = testsupport::DriveCTest;

TEST_F(Fs, ReadOnlyAttributeRoundTrips) {
    Write("a.txt", "x");
    uint32_t attributes = GetFileAttributes("C:\\a.txt");
    ASSERT_NE(attributes, kInvalidFileAttributes);
    EXPECT_EQ(attributes & (kAttrReadOnly | kAttrDirectory), 0u);
    ASSERT_TRUE(SetFileAttributes("C:\\A.TXT", kAttrReadOnly));
    EXPECT_NE(GetFileAttributes("C:\\a.txt") & kAttrReadOnly, 0u);
    if (testsupport::IsEmulatedMachine()) {
        // The emulated machine keeps read-only as the host file's missing write bit.
        auto perms = stdfs::status(m_prefix->Host("drive_c/a.txt")).permissions();
        EXPECT_EQ(perms & stdfs::perms::owner_write, stdfs::perms::none);
    }
    ASSERT_TRUE(SetFileAttributes("C:\\a.txt", kAttrNormal));
    EXPECT_EQ(GetFileAttributes("C:\\a.txt") & kAttrReadOnly, 0u);
    EXPECT_NE(GetFileAttributes("C:\\") & kAttrDirectory, 0u);
    EXPECT_FALSE(SetFileAttributes("C:\\missing.txt", kAttrNormal));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

TEST_F(Fs, FileTimeRoundTripsAt100Nanoseconds) {
    Write("t.dat", "data");
    // 2021-03-04 05:06:07.1234567 UTC, odd in the last 100 ns digit.
    const FileTime time = 132592071671234567ull;
    ASSERT_TRUE(SetFileLastWriteTime("c:\\T.DAT", time));
    FindData fd;
    ASSERT_TRUE(GetFileInfo("C:\\t.dat", &fd));
    EXPECT_EQ(fd.lastWriteTime, time);
    if (testsupport::IsEmulatedMachine()) {
        auto host = stdfs::last_write_time(m_prefix->Host("drive_c/t.dat"));
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(host.time_since_epoch());
        // The host clock's epoch is a whole number of seconds away from 1970.
        EXPECT_EQ((ns.count() % 1000000000 + 1000000000) % 1000000000, 123456700);
    }
    File f;
    ASSERT_TRUE(f.Open("C:\\t.dat", File::kRead, File::kShareRead, File::kOpenExisting));
    FileTime viaHandle = 0;
    ASSERT_TRUE(f.GetLastWriteTime(&viaHandle));
    EXPECT_EQ(viaHandle, time);
}

TEST_F(Fs, CopyFileKeepsDataTimeReadOnlyAndPermissions) {
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
    Write("src/setup.exe", big);
    const bool emulated = testsupport::IsEmulatedMachine();
    if (emulated) {
        stdfs::permissions(m_prefix->Host("drive_c/src/setup.exe"),
                           stdfs::perms::owner_exec | stdfs::perms::group_exec,
                           stdfs::perm_options::add);
    }
    const FileTime time = 130000000001234567ull;
    ASSERT_TRUE(SetFileLastWriteTime("C:\\src\\setup.exe", time));
    ASSERT_TRUE(SetFileAttributes("C:\\src\\setup.exe", kAttrReadOnly));
    ASSERT_TRUE(CreateDirectory("C:\\dst"));

    ASSERT_TRUE(CopyFile("C:\\SRC\\setup.exe", "C:\\dst\\Setup.exe", false));
    EXPECT_EQ(Read("dst/Setup.exe"), big);
    FindData fd;
    ASSERT_TRUE(GetFileInfo("C:\\dst\\setup.exe", &fd));
    EXPECT_EQ(fd.lastWriteTime, time);
    EXPECT_EQ(fd.size, big.size());
    EXPECT_NE(fd.attributes & kAttrReadOnly, 0u);
    if (emulated) {
        // The host's execute bits go with the copy, as Wine keeps them.
        auto perms = stdfs::status(m_prefix->Host("drive_c/dst/Setup.exe")).permissions();
        EXPECT_NE(perms & stdfs::perms::owner_exec, stdfs::perms::none);
        EXPECT_NE(perms & stdfs::perms::group_exec, stdfs::perms::none);
    }

    // The copy is read-only now: overwriting it fails until the attribute is cleared.
    EXPECT_FALSE(CopyFile("C:\\src\\setup.exe", "C:\\dst\\setup.exe", false));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    ASSERT_TRUE(SetFileAttributes("C:\\dst\\setup.exe", kAttrNormal));
    EXPECT_FALSE(CopyFile("C:\\src\\setup.exe", "C:\\dst\\setup.exe", true));
    EXPECT_EQ(GetLastError(), kErrorFileExists);
    Write("small.txt", "short");
    ASSERT_TRUE(CopyFile("C:\\small.txt", "C:\\dst\\setup.exe", false));
    EXPECT_EQ(Read("dst/Setup.exe"), "short");
}

TEST_F(Fs, CopyFileFailures) {
    Write("a.txt", "keep me");
    EXPECT_FALSE(CopyFile("C:\\missing.txt", "C:\\b.txt", false));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_FALSE(CopyFile("C:\\a.txt", "C:\\nodir\\b.txt", false));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    // Onto itself under another spelling: refused, and the data survives.
    EXPECT_FALSE(CopyFile("C:\\a.txt", "c:\\A.TXT", false));
    EXPECT_EQ(Read("a.txt"), "keep me");
    // A destination held open without sharing is refused as on Windows.
    File held;
    ASSERT_TRUE(held.Open("C:\\held.txt", File::kWrite, File::kShareNone, File::kCreateAlways));
    EXPECT_FALSE(CopyFile("C:\\a.txt", "C:\\held.txt", false));
    EXPECT_EQ(GetLastError(), kErrorSharingViolation);
}

TEST_F(Fs, DeleteFileRespectsReadOnlyAndDirectories) {
    Write("ro.txt", "x");
    ASSERT_TRUE(SetFileAttributes("C:\\ro.txt", kAttrReadOnly));
    EXPECT_FALSE(DeleteFile("C:\\ro.txt"));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    ASSERT_TRUE(SetFileAttributes("C:\\ro.txt", kAttrNormal));
    EXPECT_TRUE(DeleteFile("C:\\RO.TXT"));
    EXPECT_FALSE(HostExists("ro.txt"));
    EXPECT_FALSE(DeleteFile("C:\\ro.txt"));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    ASSERT_TRUE(CreateDirectory("C:\\d"));
    EXPECT_FALSE(DeleteFile("C:\\d"));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
}

TEST_F(Fs, DirectoriesAreCreatedAndRemovedOneLevelAtATime) {
    EXPECT_FALSE(CreateDirectory("C:\\a\\b"));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    ASSERT_TRUE(CreateDirectory("C:\\a"));
    EXPECT_FALSE(CreateDirectory("c:\\A"));
    EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
    ASSERT_TRUE(CreateDirectory("C:\\a\\b"));
    Write("a/b/f.txt", "x");
    EXPECT_FALSE(CreateDirectory("C:\\a\\b\\f.txt"));
    EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
    EXPECT_FALSE(RemoveDirectory("C:\\a\\b"));
    EXPECT_EQ(GetLastError(), kErrorDirNotEmpty);
    EXPECT_FALSE(RemoveDirectory("C:\\a\\b\\f.txt"));
    EXPECT_EQ(GetLastError(), kErrorDirectory);
    ASSERT_TRUE(DeleteFile("C:\\a\\b\\f.txt"));
    EXPECT_TRUE(RemoveDirectory("C:\\A\\B"));
    EXPECT_FALSE(HostExists("a/b"));
}

TEST_F(Fs, MoveFileReplacesOnlyWhenAsked) {
    Write("old.cfg", "old");
    Write("new.cfg", "new");
    EXPECT_FALSE(MoveFile("C:\\new.cfg", "C:\\old.cfg", false));
    EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
    ASSERT_TRUE(MoveFile("C:\\new.cfg", "C:\\OLD.cfg", true));
    EXPECT_EQ(Read("old.cfg"), "new");
    EXPECT_FALSE(HostExists("new.cfg"));
    // Changing only the case renames the entry.
    ASSERT_TRUE(MoveFile("C:\\old.cfg", "C:\\Old.CFG", false));
    FindData fd;
    ASSERT_TRUE(GetFileInfo("C:\\old.cfg", &fd));
    EXPECT_EQ(fd.name, "Old.CFG");
    // A read-only target is not replaced.
    Write("other.cfg", "other");
    ASSERT_TRUE(SetFileAttributes("C:\\Old.CFG", kAttrReadOnly));
    EXPECT_FALSE(MoveFile("C:\\other.cfg", "C:\\Old.CFG", true));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    EXPECT_EQ(Read("Old.CFG"), "new");
}

// A file another program holds open is "in use", whichever side of the move it is: the error
// tells the user to close that program, and both files stay as they were.
TEST_F(Fs, MoveFileOverAFileInUseFailsWithASharingViolation) {
    Write("Zefiwin.exe", "old program");
    Write("Zefiwin.exe.~zf", "new program");
    {
        File running;
        ASSERT_TRUE(
            running.Open("C:\\Zefiwin.exe", File::kRead, File::kShareRead, File::kOpenExisting));
        EXPECT_FALSE(MoveFile("C:\\Zefiwin.exe.~zf", "C:\\Zefiwin.exe", true));
        EXPECT_EQ(GetLastError(), kErrorSharingViolation);
        EXPECT_EQ(Read("Zefiwin.exe"), "old program");
        EXPECT_EQ(Read("Zefiwin.exe.~zf"), "new program");
    }
    {
        File source;
        ASSERT_TRUE(
            source.Open("C:\\Zefiwin.exe.~zf", File::kRead, File::kShareRead, File::kOpenExisting));
        EXPECT_FALSE(MoveFile("C:\\Zefiwin.exe.~zf", "C:\\Zefiwin.exe", true));
        EXPECT_EQ(GetLastError(), kErrorSharingViolation);
    }
    // Once closed, the replacement goes through.
    ASSERT_TRUE(MoveFile("C:\\Zefiwin.exe.~zf", "C:\\Zefiwin.exe", true));
    EXPECT_EQ(Read("Zefiwin.exe"), "new program");
}

TEST_F(Fs, FindReturnsDotEntriesAndDetails) {
    Write("dir/f.bin", std::string(5000, 'x'));
    ASSERT_TRUE(CreateDirectory("C:\\dir\\Sub"));
    FindHandle h;
    FindData fd;
    ASSERT_TRUE(h.First("C:\\DIR\\*", &fd));
    EXPECT_EQ(fd.name, ".");
    EXPECT_NE(fd.attributes & kAttrDirectory, 0u);
    ASSERT_TRUE(h.Next(&fd));
    EXPECT_EQ(fd.name, "..");
    ASSERT_TRUE(h.Next(&fd));
    EXPECT_EQ(fd.name, "f.bin");
    EXPECT_EQ(fd.size, 5000u);
    EXPECT_EQ(fd.attributes & kAttrDirectory, 0u);
    ASSERT_TRUE(h.Next(&fd));
    EXPECT_EQ(fd.name, "Sub");
    EXPECT_NE(fd.attributes & kAttrDirectory, 0u);
    EXPECT_FALSE(h.Next(&fd));
    EXPECT_EQ(GetLastError(), kErrorNoMoreFiles);
    // A pattern without wildcards finds the entry itself.
    ASSERT_TRUE(h.First("C:\\dir\\SUB", &fd));
    EXPECT_EQ(fd.name, "Sub");
    EXPECT_FALSE(h.Next(&fd));
}

TEST_F(Fs, FreeSpaceOfFixedDrive) {
    uint64_t freeToCaller = 0, total = 0, totalFree = 0;
    ASSERT_TRUE(GetDiskFreeSpaceEx("C:\\", &freeToCaller, &total, &totalFree));
    EXPECT_GT(total, 0u);
    EXPECT_GT(freeToCaller, 0u);
    EXPECT_LE(freeToCaller, totalFree);
    EXPECT_LE(totalFree, total);
    std::error_code ec;
    auto host = stdfs::space(m_prefix->Host("drive_c"), ec);
    ASSERT_FALSE(ec);
    EXPECT_EQ(total, host.capacity);
    uint32_t spc = 0, bps = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpace("c:\\", &spc, &bps, &freeClusters, &totalClusters));
    uint64_t cluster = uint64_t{spc} * bps;
    ASSERT_GT(cluster, 0u);
    uint64_t expectedFree = std::min<uint64_t>(freeToCaller / cluster, 0xFFFFFFFFull);
    // Other processes write to the same disk meanwhile: allow a little drift.
    EXPECT_NEAR(static_cast<double>(freeClusters), static_cast<double>(expectedFree),
                expectedFree * 0.05 + 64);
    EXPECT_FALSE(GetDiskFreeSpace("Q:\\", &spc, &bps, &freeClusters, &totalClusters));
    EXPECT_TRUE(HasDiskFreeSpaceEx());
}

TEST(FsMedia, HostCdRomDriveIsReadOnly) {
    if (!testsupport::IsEmulatedMachine()) GTEST_SKIP() << kDriveTableSkip;
    TempPrefix prefix("[drives]\nC = drive_c, fixed\nD = dvd, cdrom, RIDEZEZ01\n");
    prefix.WriteHostFile("dvd/Cd.cfg", "script");
    stdfs::create_directories(prefix.Host("drive_c"));
    EXPECT_EQ(GetDriveType("D:\\"), kDriveCdRom);
    // Files on a DVD carry the read-only attribute, and so do their copies.
    EXPECT_NE(GetFileAttributes("D:\\cd.cfg") & kAttrReadOnly, 0u);
    ASSERT_TRUE(CopyFile("D:\\CD.CFG", "C:\\cd.cfg", false));
    EXPECT_NE(GetFileAttributes("C:\\cd.cfg") & kAttrReadOnly, 0u);
    EXPECT_EQ(prefix.ReadHostFile("drive_c/cd.cfg"), "script");

    EXPECT_FALSE(DeleteFile("D:\\cd.cfg"));
    EXPECT_EQ(GetLastError(), kErrorWriteProtect);
    EXPECT_FALSE(CreateDirectory("D:\\new"));
    EXPECT_EQ(GetLastError(), kErrorWriteProtect);
    EXPECT_FALSE(CopyFile("C:\\cd.cfg", "D:\\x.cfg", false));
    EXPECT_EQ(GetLastError(), kErrorWriteProtect);
    EXPECT_FALSE(SetFileAttributes("D:\\cd.cfg", kAttrNormal));
    EXPECT_EQ(GetLastError(), kErrorWriteProtect);
    EXPECT_FALSE(SetFileLastWriteTime("D:\\cd.cfg", 130000000000000000ull));
    EXPECT_EQ(GetLastError(), kErrorWriteProtect);
    EXPECT_FALSE(MoveFile("D:\\cd.cfg", "C:\\moved.cfg", false));
    EXPECT_EQ(GetLastError(), kErrorWriteProtect);
    File f;
    EXPECT_FALSE(f.Open("D:\\cd.cfg", File::kWrite, File::kShareNone, File::kOpenExisting));
    EXPECT_EQ(GetLastError(), kErrorWriteProtect);
    EXPECT_TRUE(f.Open("D:\\cd.cfg", File::kRead, File::kShareRead, File::kOpenExisting));
    uint64_t freeBytes = 1, total = 0, totalFree = 1;
    ASSERT_TRUE(GetDiskFreeSpaceEx("D:\\", &freeBytes, &total, &totalFree));
    EXPECT_EQ(freeBytes, 0u);
    EXPECT_EQ(prefix.ReadHostFile("dvd/Cd.cfg"), "script");
}

TEST(FsMedia, DriveWithoutItsDirectoryIsNotReady) {
    if (!testsupport::IsEmulatedMachine()) GTEST_SKIP() << kDriveTableSkip;
    TempPrefix prefix("[drives]\nC = drive_c, fixed\nD = /nonexistent/zefi-dvd, cdrom, X\n");
    EXPECT_EQ(GetDriveType("D:\\"), kDriveCdRom);
    EXPECT_EQ(GetFileAttributes("D:\\cd.cfg"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorNotReady);
}

TEST(Errors, SystemTextsForCommonCodes) {
    // Every system has a text for its common codes; the emulated machine's are those of an
    // English Windows, where Windows and Wine use the user's language.
    for (uint32_t code : {2u, 3u, 5u, 32u, 112u, 183u})
        EXPECT_FALSE(FormatErrorMessage(code).empty());
    if (!testsupport::IsEmulatedMachine()) return;
    EXPECT_EQ(FormatErrorMessage(2), "The system cannot find the file specified.");
    EXPECT_EQ(FormatErrorMessage(3), "The system cannot find the path specified.");
    EXPECT_EQ(FormatErrorMessage(5), "Access is denied.");
    EXPECT_EQ(FormatErrorMessage(32),
              "The process cannot access the file because it is being used by another process.");
    EXPECT_EQ(FormatErrorMessage(112), "There is not enough space on the disk.");
    EXPECT_EQ(FormatErrorMessage(183), "Cannot create a file when that file already exists.");
    EXPECT_NE(FormatErrorMessage(987654).find("987654"), std::string::npos);
}

TEST(Errors, LastErrorIsPerThread) {
    SetLastError(5);
    uint32_t seen = 99;
    std::thread([&] {
        seen = GetLastError();
        SetLastError(112);
    }).join();
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(GetLastError(), 5u);
}

}  // namespace
