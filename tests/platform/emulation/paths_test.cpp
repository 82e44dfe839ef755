// Tests of Windows path resolution on the emulated machine: drives, separators, case, the
// current directory, wildcards and long/short/full path forms.
#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

using namespace platform;
using testsupport::TempPrefix;

const char* kTwoDrives =
    "[system]\n"
    "admin = 1\n"
    "[drives]\n"
    "C = drive_c, fixed\n"
    "E = drive_e, fixed, DATA ; trailing comment\n"
    "D = dvd, cdrom, RIDEZEZ01\n"
    "N = share, remote\n";

class Paths : public ::testing::Test {
  protected:
    void SetUp() override {
        m_prefix = std::make_unique<TempPrefix>(kTwoDrives);
        m_prefix->WriteHostFile("drive_c/Program Files/Zefi/Zefi6.CFG", "cfg");
        m_prefix->WriteHostFile("drive_e/Data/Part1.dat", "one");
        m_prefix->WriteHostFile("dvd/SETUP.EXE", "exe");
        std::filesystem::create_directories(m_prefix->Host("share"));
    }
    std::unique_ptr<TempPrefix> m_prefix;
};

TEST_F(Paths, ResolvesCaseInsensitivelyOnEveryDrive) {
    FindData fd;
    ASSERT_TRUE(GetFileInfo("c:\\PROGRAM FILES\\zefi\\zefi6.cfg", &fd));
    EXPECT_EQ(fd.name, "Zefi6.CFG");
    EXPECT_EQ(fd.size, 3u);
    ASSERT_TRUE(GetFileInfo("E:\\data\\PART1.DAT", &fd));
    EXPECT_EQ(fd.name, "Part1.dat");
    EXPECT_TRUE(GetFileInfo("d:\\setup.exe", &fd));
    EXPECT_FALSE(GetFileInfo("E:\\Program Files\\Zefi\\Zefi6.cfg", &fd));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
}

TEST_F(Paths, AcceptsForwardSlashesAndDotComponents) {
    FindData fd;
    EXPECT_TRUE(GetFileInfo("C:/Program Files/Zefi/zefi6.cfg", &fd));
    EXPECT_TRUE(GetFileInfo("C:\\Program Files\\.\\Other\\..\\Zefi\\zefi6.cfg", &fd));
    std::string longName;
    ASSERT_TRUE(GetLongPathName("c:/program files/ZEFI/./zefi6.cfg", &longName));
    EXPECT_EQ(longName, "C:\\Program Files\\Zefi\\Zefi6.CFG");
}

TEST_F(Paths, NewComponentsKeepTheirSpelling) {
    ASSERT_TRUE(CreateDirectory("c:\\program files\\NewDir"));
    EXPECT_TRUE(std::filesystem::is_directory(m_prefix->Host("drive_c/Program Files/NewDir")));
    EXPECT_FALSE(std::filesystem::exists(m_prefix->Host("drive_c/program files")));
}

TEST_F(Paths, MissingFileAndMissingPathGiveDifferentErrors) {
    EXPECT_EQ(GetFileAttributes("C:\\Program Files\\nothing.txt"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_EQ(GetFileAttributes("C:\\Nowhere\\nothing.txt"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    EXPECT_EQ(GetFileAttributes("Q:\\x"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    // A file used as a directory is a missing path.
    EXPECT_EQ(GetFileAttributes("C:\\Program Files\\Zefi\\Zefi6.cfg\\x"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
}

TEST_F(Paths, RejectsNamesWindowsRefuses) {
    EXPECT_FALSE(CreateDirectory("C:\\bad|name"));
    EXPECT_EQ(GetLastError(), kErrorInvalidName);
    std::string tooLong = "C:\\" + std::string(300, 'a');
    EXPECT_FALSE(CreateDirectory(tooLong));
    EXPECT_EQ(GetLastError(), kErrorFilenameExcedRange);
}

TEST_F(Paths, UncPathsAreNetworkPaths) {
    EXPECT_EQ(GetFileAttributes("\\\\server\\share\\file.dat"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorBadNetPath);
    EXPECT_FALSE(CreateDirectory("//server/share/dir"));
    EXPECT_EQ(GetLastError(), kErrorBadNetPath);
    EXPECT_EQ(GetDriveType("\\\\server\\share\\"), kDriveRemote);
    uint64_t a, b, c;
    EXPECT_FALSE(GetDiskFreeSpaceEx("\\\\server\\share\\", &a, &b, &c));
    EXPECT_EQ(GetLastError(), kErrorBadNetPath);
}

TEST_F(Paths, CurrentDirectoryGivesRelativeAndDriveRelativePaths) {
    ASSERT_TRUE(SetCurrentDirectory("c:\\program files\\zefi"));
    std::string cwd;
    ASSERT_TRUE(GetCurrentDirectory(&cwd));
    EXPECT_EQ(cwd, "C:\\Program Files\\Zefi");
    FindData fd;
    EXPECT_TRUE(GetFileInfo("zefi6.cfg", &fd));
    EXPECT_TRUE(GetFileInfo("..\\Zefi\\zefi6.cfg", &fd));
    EXPECT_TRUE(GetFileInfo("C:zefi6.cfg", &fd));
    EXPECT_TRUE(GetFileInfo("\\Program Files\\Zefi\\zefi6.cfg", &fd));
    EXPECT_EQ(GetFullPathName("sub\\x.txt"), "C:\\Program Files\\Zefi\\sub\\x.txt");
    EXPECT_EQ(GetFullPathName("\\x\\"), "C:\\x\\");
    // Another drive's relative path starts at its root.
    EXPECT_EQ(GetFullPathName("E:data"), "E:\\data");

    ASSERT_TRUE(SetCurrentDirectory("E:\\Data"));
    EXPECT_TRUE(GetFileInfo("part1.dat", &fd));
    EXPECT_TRUE(GetFileInfo("\\data\\part1.dat", &fd));
    EXPECT_FALSE(GetFileInfo("\\Program Files\\Zefi\\zefi6.cfg", &fd));
    // The host process follows the emulated current directory.
    EXPECT_EQ(std::filesystem::current_path(), m_prefix->Host("drive_e/Data"));
}

TEST_F(Paths, SetCurrentDirectoryRefusesFilesAndMissingDirectories) {
    EXPECT_FALSE(SetCurrentDirectory("C:\\Program Files\\Zefi\\Zefi6.cfg"));
    EXPECT_EQ(GetLastError(), kErrorDirectory);
    EXPECT_FALSE(SetCurrentDirectory("C:\\Missing"));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

TEST(PathsHost, HostWorkingDirectoryIsShownUnderZ) {
    std::string here = std::filesystem::canonical(std::filesystem::current_path()).string();
    TempPrefix prefix;
    std::string cwd;
    ASSERT_TRUE(GetCurrentDirectory(&cwd));
    std::string expected = "Z:" + here;
    for (char& c : expected) {
        if (c == '/') c = '\\';
    }
    EXPECT_EQ(cwd, expected);
    EXPECT_EQ(GetDriveType("Z:\\"), kDriveFixed);
    std::string module = GetModuleFileName();
    ASSERT_GE(module.size(), 3u);
    EXPECT_EQ(module.substr(0, 3), "Z:\\");
    EXPECT_NE(GetFileAttributes(module), kInvalidFileAttributes);
}

TEST(PathsHost, DriveInsidePrefixTakesPrecedenceOverZ) {
    TempPrefix prefix;
    ASSERT_TRUE(SetCurrentDirectory("C:\\"));
    std::string cwd;
    ASSERT_TRUE(GetCurrentDirectory(&cwd));
    EXPECT_EQ(cwd, "C:\\");
    EXPECT_EQ(std::filesystem::current_path(), prefix.Host("drive_c"));
}

TEST_F(Paths, DriveTypesAndLabelsComeFromTheMachine) {
    EXPECT_EQ(GetDriveType("C:\\"), kDriveFixed);
    EXPECT_EQ(GetDriveType("d:\\"), kDriveCdRom);
    EXPECT_EQ(GetDriveType("N:"), kDriveRemote);
    EXPECT_EQ(GetDriveType("Q:\\"), kDriveNoRootDir);
    std::string label;
    ASSERT_TRUE(GetVolumeLabel("D:\\", &label));
    EXPECT_EQ(label, "RIDEZEZ01");
    ASSERT_TRUE(GetVolumeLabel("E:\\", &label));
    EXPECT_EQ(label, "DATA");
    EXPECT_FALSE(GetVolumeLabel("Q:\\", &label));
    uint32_t drives = GetLogicalDrives();
    for (char letter : {'C', 'D', 'E', 'N', 'Z'}) {
        EXPECT_TRUE(drives & (1u << (letter - 'A'))) << letter;
    }
    EXPECT_FALSE(drives & (1u << ('Q' - 'A')));
}

TEST_F(Paths, LongAndShortFormsFailForMissingPaths) {
    std::string out = "unchanged";
    EXPECT_FALSE(GetLongPathName("C:\\Program Files\\Zefi\\missing.cfg", &out));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_FALSE(GetShortPathName("C:\\No\\Such\\Dir", &out));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    EXPECT_EQ(out, "unchanged");
    ASSERT_TRUE(GetShortPathName("c:\\program files\\zefi", &out));
    EXPECT_EQ(out, "c:\\program files\\zefi");
    ASSERT_TRUE(GetLongPathName("c:\\program files\\zefi\\", &out));
    EXPECT_EQ(out, "C:\\Program Files\\Zefi\\");
}

TEST_F(Paths, TempPathEndsWithBackslashAndExists) {
    std::string temp;
    ASSERT_TRUE(GetTempPath(&temp));
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_NE(GetFileAttributes(temp) & kAttrDirectory, 0u);
}

TEST(PathsHost, TempPathFromMachineIsCreated) {
    TempPrefix prefix("[system]\ntemp = C:\\Temp\\Setup\n[drives]\nC = drive_c, fixed\n");
    std::string temp;
    ASSERT_TRUE(GetTempPath(&temp));
    EXPECT_EQ(temp, "C:\\Temp\\Setup\\");
    EXPECT_TRUE(std::filesystem::is_directory(prefix.Host("drive_c/Temp/Setup")));
}

TEST(PathsHost, MissingPrefixGetsItsDefaults) {
    TempPrefix prefix;
    EXPECT_EQ(GetDriveType("C:\\"), kDriveFixed);
    EXPECT_TRUE(std::filesystem::is_directory(prefix.Host("drive_c")));
    std::string ini = prefix.ReadHostFile("machine.ini");
    EXPECT_NE(ini.find("admin = 1"), std::string::npos);
    EXPECT_NE(ini.find("C = drive_c, fixed"), std::string::npos);
    EXPECT_EQ(prefix.ReadHostFile("system.reg").rfind("Windows Registry Editor Version 5.00", 0),
              0u);
}

TEST(Wildcards, MatchWindowsStyle) {
    TempPrefix prefix;
    for (const char* name : {"a.dat", "B.DAT", "readme", "x.data", "c.da", ".hidden"}) {
        prefix.WriteHostFile(std::string("drive_c/w/") + name, "x");
    }
    auto names = [](const std::string& pattern) {
        std::string all;
        FindHandle h;
        FindData fd;
        if (!h.First(pattern, &fd)) return std::string("<none>");
        do {
            all += fd.name + " ";
        } while (h.Next(&fd));
        EXPECT_EQ(GetLastError(), kErrorNoMoreFiles);
        return all;
    };
    EXPECT_EQ(names("C:\\w\\*.dat"), "a.dat B.DAT ");
    EXPECT_EQ(names("c:\\W\\*.DAT"), "a.dat B.DAT ");
    EXPECT_EQ(names("C:\\w\\*.*"), ". .. .hidden a.dat B.DAT c.da readme x.data ");
    EXPECT_EQ(names("C:\\w\\*"), ". .. .hidden a.dat B.DAT c.da readme x.data ");
    EXPECT_EQ(names("C:\\w\\?.da"), "c.da ");
    EXPECT_EQ(names("C:\\w\\?.da?"), "a.dat B.DAT ");
    EXPECT_EQ(names("C:\\w\\readme.*"), "readme ");
    EXPECT_EQ(names("C:\\w\\README"), "readme ");
    EXPECT_EQ(names("C:\\w\\*.xyz"), "<none>");
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_EQ(names("C:\\nodir\\*.*"), "<none>");
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    // A drive root has no "." and ".." entries.
    EXPECT_EQ(names("C:\\*"), "w ");
}

}  // namespace
