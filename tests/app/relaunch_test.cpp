// Tests of the relaunch from the temporary directory.
#include "app/relaunch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/fs.h"
#include "support/files.h"
#include "support/temp_prefix.h"

namespace {

namespace fs = std::filesystem;

// A medium folder C:\MY DVD with the four setup files, where setup.exe is a script that
// records its working directory and arguments; the temporary directory is C:\Temp.
class RelaunchFromTemp : public ::testing::Test {
  protected:
    void SetUp() override {
        m_prefix = std::make_unique<testsupport::TempPrefix>(
            "[system]\ntemp = C:\\Temp\\\n[drives]\nC = drive_c, fixed\nD = dvd, cdrom, RIDEZEZ\n");
        fs::create_directories(m_prefix->Host("drive_c/Temp"));
        fs::create_directories(m_prefix->Host("dvd"));
        m_record = m_prefix->Host("record.txt");
        ASSERT_TRUE(platform::GetCurrentDirectory(&m_saved));
    }
    void TearDown() override {
        platform::SetCurrentDirectory(m_saved);
        m_prefix.reset();
    }
    // Writes the setup files into a host folder of the prefix.
    void WriteMedium(const std::string& hostDir) {
        m_prefix->WriteHostFile(
            hostDir + "/setup.exe",
            "#!/bin/sh\n{ pwd -P; for a in \"$@\"; do echo \"[$a]\"; done; } > '" + m_record +
                ".part' && mv '" + m_record + ".part' '" + m_record + "'\n");
        fs::permissions(m_prefix->Host(hostDir + "/setup.exe"), fs::perms::owner_all,
                        fs::perm_options::add);
        m_prefix->WriteHostFile(hostDir + "/ssetup.dll", "dll");
        m_prefix->WriteHostFile(hostDir + "/cd.cfg", "czech script");
        m_prefix->WriteHostFile(hostDir + "/cds.cfg", "slovak script");
    }
    // What the started copy recorded; empty when it did not run within a minute.
    std::string WaitForRecord() {
        testsupport::WaitForHostFile(m_record);
        return testsupport::ReadFile(m_record);
    }

    std::unique_ptr<testsupport::TempPrefix> m_prefix;
    std::string m_saved;
    std::string m_record;
};

TEST_F(RelaunchFromTemp, CopiesTheSetupFilesAndStartsTheCopyWithTheMedium) {
    WriteMedium("drive_c/MY DVD");
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\MY DVD"));
    ASSERT_TRUE(zefi::RelaunchFromTemp());
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/Temp/cd.cfg"), "czech script");
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/Temp/cds.cfg"), "slovak script");
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/Temp/ssetup.dll"), "dll");
    // The copy runs in the temporary directory and gets the medium, blanks and all, as one
    // argument.
    std::string expected =
        fs::canonical(m_prefix->Host("drive_c/Temp")).string() + "\n[-i]\n[C:\\MY DVD]\n";
    EXPECT_EQ(WaitForRecord(), expected);
}

TEST_F(RelaunchFromTemp, DriveRootReachesTheCopyIntact) {
    WriteMedium("dvd");
    ASSERT_TRUE(platform::SetCurrentDirectory("D:\\"));
    ASSERT_TRUE(zefi::RelaunchFromTemp());
    std::string record = WaitForRecord();
    EXPECT_NE(record.find("\n[-i]\n[D:]\n"), std::string::npos) << record;
}

TEST_F(RelaunchFromTemp, OverwritesReadOnlyCopiesOfAnEarlierRun) {
    WriteMedium("drive_c/MEDIUM");
    m_prefix->WriteHostFile("drive_c/Temp/cd.cfg", "old");
    ASSERT_TRUE(platform::SetFileAttributes("C:\\Temp\\cd.cfg", platform::kAttrReadOnly));
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\MEDIUM"));
    ASSERT_TRUE(zefi::RelaunchFromTemp());
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/Temp/cd.cfg"), "czech script");
    WaitForRecord();
}

TEST_F(RelaunchFromTemp, MissingSetupFileStopsBeforeStarting) {
    WriteMedium("drive_c/MEDIUM");
    fs::remove(m_prefix->Host("drive_c/MEDIUM/cd.cfg"));
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\MEDIUM"));
    EXPECT_FALSE(zefi::RelaunchFromTemp());
    // The files before the missing one were copied, the one after it was not.
    EXPECT_TRUE(fs::exists(m_prefix->Host("drive_c/Temp/ssetup.dll")));
    EXPECT_FALSE(fs::exists(m_prefix->Host("drive_c/Temp/cds.cfg")));
    EXPECT_FALSE(fs::exists(m_record));
}

}  // namespace
