// Tests of CShortcuts: the programs folder with its fallbacks, shortcuts written and read back,
// and the failures that must give "" or false.
#include "system/shortcuts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "support/temp_prefix.h"

namespace {

constexpr const char* kShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kCommonPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";

class Shortcuts : public testsupport::PrefixTest {
  protected:
    void SetMachine(const std::string& ini) {
        m_prefix->WriteHostFile("machine.ini", ini);
        platform::ReloadMachine();
    }
    void SetShellFolder(platform::Hive hive, const std::string& name, const std::string& value) {
        platform::RegKey key;
        ASSERT_EQ(key.Create(hive, kShellFolders, platform::kKeyAllAccess), 0u);
        ASSERT_EQ(key.SetString(name, value), 0u);
    }
};

TEST_F(Shortcuts, ProgramsFolderIsTheAllUsersOne) {
    SetShellFolder(platform::Hive::LocalMachine, "Common Programs", "C:\\FromRegistry");
    zefi::CShortcuts shortcuts;
    EXPECT_EQ(shortcuts.GetProgramsFolder(), kCommonPrograms);
}

TEST_F(Shortcuts, WithoutAllUsersFolderTheUsersOneIsUsed) {
    SetMachine("[drives]\nC = drive_c, fixed\n[shell]\ncommon_programs =\nuser = petr\n");
    zefi::CShortcuts shortcuts;
    EXPECT_EQ(shortcuts.GetProgramsFolder(), "C:\\users\\petr\\Start Menu\\Programs");
}

TEST_F(Shortcuts, ShellWithoutEitherFolderGivesNothingAndSkipsTheRegistry) {
    SetMachine("[drives]\nC = drive_c, fixed\n[shell]\ncommon_programs =\nprograms =\n");
    SetShellFolder(platform::Hive::LocalMachine, "Common Programs", "C:\\FromRegistry");
    zefi::CShortcuts shortcuts;
    EXPECT_EQ(shortcuts.GetProgramsFolder(), "");
}

TEST_F(Shortcuts, ShellWithoutTheFunctionFallsBackToTheRegistry) {
    for (const char* variant : {"stub", "missing"}) {
        SCOPED_TRACE(variant);
        SetMachine(std::string("[system]\nadmin = 1\n[drives]\nC = drive_c, fixed\n") +
                   "[shell]\nspecial_folders = " + variant + "\n");
        SetShellFolder(platform::Hive::LocalMachine, "Common Programs", "C:\\Common\\Programs");
        SetShellFolder(platform::Hive::CurrentUser, "Programs", "C:\\Mine\\Programs");
        {
            zefi::CShortcuts shortcuts;
            EXPECT_EQ(shortcuts.GetProgramsFolder(), "C:\\Common\\Programs");
        }
        // Without administrator rights the machine's key cannot be opened with full access,
        // so the user's value is taken.
        SetMachine(std::string("[system]\nadmin = 0\n[drives]\nC = drive_c, fixed\n") +
                   "[shell]\nspecial_folders = " + variant + "\n");
        {
            zefi::CShortcuts shortcuts;
            EXPECT_EQ(shortcuts.GetProgramsFolder(), "C:\\Mine\\Programs");
        }
    }
}

TEST_F(Shortcuts, RegistryFallbackWithoutValuesGivesNothing) {
    SetMachine("[drives]\nC = drive_c, fixed\n[shell]\nspecial_folders = stub\n");
    zefi::CShortcuts shortcuts;
    EXPECT_EQ(shortcuts.GetProgramsFolder(), "");
    // A value that does not fit the 255-byte buffer is not taken either.
    SetShellFolder(platform::Hive::LocalMachine, "Common Programs", "C:\\" + std::string(260, 'a'));
    EXPECT_EQ(shortcuts.GetProgramsFolder(), "");
}

TEST_F(Shortcuts, ProductShortcutReadsBackAsItsTarget) {
    ASSERT_TRUE(platform::CreateDirectory("C:\\ZEFI"));
    m_prefix->WriteHostFile("drive_c/ZEFI/Zefiwin.exe", "MZ");
    zefi::CShortcuts shortcuts;
    const std::string group = shortcuts.GetProgramsFolder() + "\\" + zefi::kProgramGroupName;
    ASSERT_TRUE(platform::CreateDirectory(group));
    const std::string link = group + "\\" + zefi::kProductShortcutName;
    ASSERT_TRUE(shortcuts.CreateShortcut(link, "C:\\ZEFI\\Zefiwin.exe", "C:\\ZEFI",
                                         zefi::kProgramGroupName));
    const std::string target = shortcuts.GetShortcutTarget(link);
    ASSERT_EQ(target, "C:\\ZEFI\\Zefiwin.exe");
    // The driver takes the old destination as the target without "\Zefiwin.exe".
    EXPECT_EQ(target.substr(0, target.size() - 12), "C:\\ZEFI");
    EXPECT_TRUE(std::filesystem::is_regular_file(m_prefix->Host(
        "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zefi pro Windows/Zefi.lnk")));
}

TEST_F(Shortcuts, ShortcutInMissingFolderFailsAndLeavesNoFile) {
    zefi::CShortcuts shortcuts;
    EXPECT_FALSE(shortcuts.CreateShortcut("C:\\NoSuchGroup\\Zefi.lnk", "C:\\ZEFI\\Zefiwin.exe",
                                          "C:\\ZEFI", "Zefi pro Windows"));
    EXPECT_FALSE(std::filesystem::exists(m_prefix->Host("drive_c/NoSuchGroup")));
    EXPECT_EQ(shortcuts.GetShortcutTarget("C:\\NoSuchGroup\\Zefi.lnk"), "");
}

TEST_F(Shortcuts, FailedFieldStillSavesButReportsFailure) {
    zefi::CShortcuts shortcuts;
    // A description the shell refuses does not stop the save, but the result says so.
    EXPECT_FALSE(shortcuts.CreateShortcut("C:\\Zefi.lnk", "C:\\ZEFI\\Zefiwin.exe", "C:\\ZEFI",
                                          std::string(300, 'd')));
    EXPECT_EQ(shortcuts.GetShortcutTarget("C:\\Zefi.lnk"), "C:\\ZEFI\\Zefiwin.exe");
}

TEST_F(Shortcuts, ShortcutPathLongerThanTheShellTakesIsRefused) {
    std::string folder = "C:";
    while (folder.size() < 251) {
        folder += "\\" + std::string(std::min<size_t>(40, 250 - folder.size()), 'f');
        ASSERT_TRUE(platform::CreateDirectory(folder)) << folder;
    }
    ASSERT_EQ(folder.size(), 251u);
    const std::string link = folder + "\\Zefi.lnk";
    ASSERT_GE(link.size(), 260u);
    zefi::CShortcuts shortcuts;
    EXPECT_FALSE(shortcuts.CreateShortcut(link, "C:\\ZEFI\\Zefiwin.exe", "C:\\ZEFI", "d"));
    EXPECT_EQ(platform::GetFileAttributes(link), platform::kInvalidFileAttributes);
}

TEST_F(Shortcuts, FileThatIsNotAShortcutHasNoTarget) {
    m_prefix->WriteHostFile("drive_c/Zefi.lnk", "[InternetShortcut]\r\nURL=http://example/\r\n");
    m_prefix->WriteHostFile("drive_c/empty.lnk", "");
    zefi::CShortcuts shortcuts;
    EXPECT_EQ(shortcuts.GetShortcutTarget("C:\\Zefi.lnk"), "");
    EXPECT_EQ(shortcuts.GetShortcutTarget("C:\\empty.lnk"), "");
    EXPECT_EQ(shortcuts.GetShortcutTarget("C:\\missing.lnk"), "");
}

TEST_F(Shortcuts, ComponentLibraryIsInitialisedForTheObjectsLifetime) {
    platform::ShellLink link;
    EXPECT_FALSE(link.Create());
    {
        zefi::CShortcuts shortcuts;
        EXPECT_TRUE(link.Create());
        link.Release();
    }
    EXPECT_FALSE(link.Create());
}

}  // namespace
