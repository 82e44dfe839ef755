// Tests of the shell: shell link files written and read back, read by lnkinfo as Windows would,
// damaged links, the component library requirement, and the special programs folders.
#include "platform/shell.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "support/temp_prefix.h"

namespace {

class Shell : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        testsupport::PrefixTest::SetUp();
        ASSERT_TRUE(platform::ComInitialize());
    }
    void TearDown() override {
        platform::ComUninitialize();
        testsupport::PrefixTest::TearDown();
    }
    void SetMachine(const std::string& ini) {
        m_prefix->WriteHostFile("machine.ini", ini);
        platform::ReloadMachine();
    }
    // Writes a link with the three fields; true when every call succeeded.
    bool WriteLink(const std::string& linkPath, const std::string& target,
                   const std::string& workingDirectory, const std::string& description) {
        platform::ShellLink link;
        return link.Create() && link.SetPath(target) &&
               link.SetWorkingDirectory(workingDirectory) && link.SetDescription(description) &&
               link.Save(linkPath);
    }
};

// Runs lnkinfo on a host file and returns its "Name : value" lines by name.
std::map<std::string, std::string> LnkInfo(const std::string& hostPath, int* status) {
    std::map<std::string, std::string> fields;
    const std::string command = "lnkinfo '" + hostPath + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        *status = -1;
        return fields;
    }
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        const size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        const size_t b = name.find_first_not_of(" \t");
        const size_t e = name.find_last_not_of(" \t");
        if (b == std::string::npos) continue;
        fields[name.substr(b, e - b + 1)] = line.substr(colon + 2);
    }
    *status = ::pclose(pipe);
    return fields;
}

TEST_F(Shell, LinkWrittenIsReadBackWithItsFields) {
    ASSERT_TRUE(platform::CreateDirectory("C:\\ZEFI"));
    m_prefix->WriteHostFile("drive_c/ZEFI/Zefiwin.exe", "MZ program");
    ASSERT_TRUE(WriteLink("C:\\Zefi.lnk", "C:\\ZEFI\\Zefiwin.exe", "C:\\ZEFI", "Zefi pro Windows"));

    platform::ShellLink link;
    ASSERT_TRUE(link.Create());
    ASSERT_TRUE(link.Load("c:\\zefi.LNK"));
    std::string target, directory, description;
    ASSERT_TRUE(link.GetPath(&target, true));
    EXPECT_EQ(target, "C:\\ZEFI\\Zefiwin.exe");
    ASSERT_TRUE(link.GetWorkingDirectory(&directory));
    EXPECT_EQ(directory, "C:\\ZEFI");
    ASSERT_TRUE(link.GetDescription(&description));
    EXPECT_EQ(description, "Zefi pro Windows");

    // A target that does not exist (any more) has no short form and reads back as stored.
    ASSERT_TRUE(WriteLink("C:\\Other.lnk", "D:\\Gone\\Zefiwin.exe", "D:\\Gone", "x"));
    ASSERT_TRUE(link.Load("C:\\Other.lnk"));
    ASSERT_TRUE(link.GetPath(&target, true));
    EXPECT_EQ(target, "D:\\Gone\\Zefiwin.exe");
    ASSERT_TRUE(link.GetWorkingDirectory(&directory));
    EXPECT_EQ(directory, "D:\\Gone");
}

TEST_F(Shell, LnkinfoReadsBasePathDescriptionAndWorkingDirectory) {
    SetMachine("[drives]\nC = drive_c, fixed, SYSTEM\n");
    ASSERT_TRUE(platform::CreateDirectory("C:\\ZEFI"));
    m_prefix->WriteHostFile("drive_c/ZEFI/Zefiwin.exe", "MZ program");
    ASSERT_TRUE(platform::CreateDirectory("C:\\Group"));
    ASSERT_TRUE(
        WriteLink("C:\\Group\\Zefi.lnk", "C:\\ZEFI\\Zefiwin.exe", "C:\\ZEFI", "Zefi pro Windows"));

    int status = 0;
    std::map<std::string, std::string> info =
        LnkInfo(m_prefix->Host("drive_c/Group/Zefi.lnk"), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(info["Local path"], "C:\\ZEFI\\Zefiwin.exe");
    EXPECT_EQ(info["Description"], "Zefi pro Windows");
    EXPECT_EQ(info["Working directory"], "C:\\ZEFI");
    EXPECT_EQ(info["Volume label"], "SYSTEM");
    EXPECT_EQ(info["Drive type"], "Fixed (3)");
    EXPECT_EQ(info["File size"], "10 bytes");
}

TEST_F(Shell, LinkWithoutComponentLibraryCannotBeCreated) {
    platform::ComUninitialize();
    platform::ShellLink link;
    EXPECT_FALSE(link.Create());
    EXPECT_EQ(platform::GetLastError(), platform::kCoENotInitialized);
    EXPECT_FALSE(link.SetPath("C:\\a.exe"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);
    // Nested initialisations need as many releases.
    ASSERT_TRUE(platform::ComInitialize());
    ASSERT_TRUE(platform::ComInitialize());
    platform::ComUninitialize();
    EXPECT_TRUE(link.Create());
}

TEST_F(Shell, SaveIntoMissingFolderFailsAndLeavesNothing) {
    EXPECT_FALSE(WriteLink("C:\\Missing\\Zefi.lnk", "C:\\ZEFI\\Zefiwin.exe", "C:\\ZEFI", "d"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
    EXPECT_EQ(platform::GetFileAttributes("C:\\Missing"), platform::kInvalidFileAttributes);
}

TEST_F(Shell, DamagedOrForeignFilesAreNotLinks) {
    platform::ShellLink link;
    ASSERT_TRUE(link.Create());
    m_prefix->WriteHostFile("drive_c/text.lnk",
                            "this is not a shortcut at all, just some text"
                            " that is long enough for a header............");
    EXPECT_FALSE(link.Load("C:\\text.lnk"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidData);
    EXPECT_FALSE(link.Load("C:\\none.lnk"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);

    // A real link cut at every length short of its end never reads as a link.
    ASSERT_TRUE(WriteLink("C:\\Zefi.lnk", "C:\\ZEFI\\Zefiwin.exe", "C:\\ZEFI", "Zefi pro Windows"));
    const std::string whole = m_prefix->ReadHostFile("drive_c/Zefi.lnk");
    ASSERT_GT(whole.size(), 0x4Cu);
    for (size_t cut = 0; cut < whole.size() - 4; ++cut) {
        m_prefix->WriteHostFile("drive_c/cut.lnk", whole.substr(0, cut));
        EXPECT_FALSE(link.Load("C:\\cut.lnk")) << "cut at " << cut;
    }
    // A LinkInfo size pointing past the end is refused, not followed.
    std::string bad = whole;
    bad[0x4C] = '\xFF';
    bad[0x4D] = '\xFF';
    m_prefix->WriteHostFile("drive_c/bad.lnk", bad);
    EXPECT_FALSE(link.Load("C:\\bad.lnk"));
}

TEST_F(Shell, LinkWithoutLocalTargetHasNoPath) {
    ASSERT_TRUE(WriteLink("C:\\empty.lnk", "", "C:\\ZEFI", "no target"));
    platform::ShellLink link;
    ASSERT_TRUE(link.Create());
    ASSERT_TRUE(link.Load("C:\\empty.lnk"));
    std::string target = "unchanged";
    EXPECT_FALSE(link.GetPath(&target, true));
    EXPECT_EQ(target, "unchanged");
}

TEST_F(Shell, PathThatDoesNotFitTheBufferIsRefused) {
    ASSERT_TRUE(WriteLink("C:\\Zefi.lnk", "C:\\ZEFI\\Zefiwin.exe", "C:\\ZEFI", "d"));
    platform::ShellLink link;
    ASSERT_TRUE(link.Create());
    ASSERT_TRUE(link.Load("C:\\Zefi.lnk"));
    std::string target;
    EXPECT_FALSE(link.GetPath(&target, false, 19));  // 19 characters need 20 with the zero
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInsufficientBuffer);
    EXPECT_TRUE(link.GetPath(&target, false, 20));
    EXPECT_FALSE(link.SetDescription(std::string(260, 'x')));
    EXPECT_TRUE(link.SetDescription(std::string(259, 'x')));
}

TEST_F(Shell, ProgramsFoldersAreTheWindowsOnesCreatedOnDemand) {
    SetMachine("[drives]\nC = drive_c, fixed\n[shell]\nuser = jana\n");
    ASSERT_TRUE(platform::HasSpecialFolderPath());
    std::string folder;
    ASSERT_TRUE(platform::GetSpecialFolderPath(platform::kCsidlCommonPrograms, &folder, false));
    EXPECT_EQ(folder, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
    EXPECT_NE(platform::GetFileAttributes(folder) & platform::kAttrDirectory, 0u);
    ASSERT_TRUE(platform::GetSpecialFolderPath(platform::kCsidlPrograms, &folder, false));
    EXPECT_EQ(folder, "C:\\users\\jana\\Start Menu\\Programs");
    EXPECT_TRUE(
        std::filesystem::is_directory(m_prefix->Host("drive_c/users/jana/Start Menu/Programs")));
}

TEST_F(Shell, ProgramsFoldersFollowTheMachineDescription) {
    SetMachine(
        "[drives]\nC = drive_c, fixed\nD = data, fixed\n"
        "[shell]\ncommon_programs =\nprograms = D:\\Menu\\Programs\\\n");
    std::string folder = "unchanged";
    EXPECT_FALSE(platform::GetSpecialFolderPath(platform::kCsidlCommonPrograms, &folder, false));
    EXPECT_NE(platform::GetLastError(), platform::kErrorCallNotImplemented);
    EXPECT_EQ(folder, "unchanged");
    ASSERT_TRUE(platform::GetSpecialFolderPath(platform::kCsidlPrograms, &folder, false));
    EXPECT_EQ(folder, "D:\\Menu\\Programs");

    SetMachine("[drives]\nC = drive_c, fixed\n[shell]\nspecial_folders = stub\n");
    EXPECT_TRUE(platform::HasSpecialFolderPath());
    EXPECT_FALSE(platform::GetSpecialFolderPath(platform::kCsidlCommonPrograms, &folder, false));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorCallNotImplemented);

    SetMachine("[drives]\nC = drive_c, fixed\n[shell]\nspecial_folders = missing\n");
    EXPECT_FALSE(platform::HasSpecialFolderPath());
}

}  // namespace
