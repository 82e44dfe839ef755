// Tests of where the crash-dump writer puts its dump.
#include "app/crash_dump.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

namespace fs = std::filesystem;

class CrashDump : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        testsupport::PrefixTest::SetUp();
        ASSERT_TRUE(platform::GetCurrentDirectory(&m_saved));
        fs::create_directories(m_prefix->Host("drive_c/WORK"));
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\WORK"));
    }
    void TearDown() override {
        platform::SetCurrentDirectory(m_saved);
        testsupport::PrefixTest::TearDown();
    }
    std::string m_saved;
};

TEST_F(CrashDump, WritesIntoTheCurrentDirectory) {
    EXPECT_EQ(zefi::WriteCrashDumpFile(nullptr), "zefisetup.dmp");
    EXPECT_TRUE(fs::exists(m_prefix->Host("drive_c/WORK/zefisetup.dmp")));
}

TEST_F(CrashDump, FallsBackToDataLocalWhenTheCurrentDirectoryIsGone) {
    fs::create_directories(m_prefix->Host("drive_c/_DATA_LOCAL"));
    fs::remove_all(m_prefix->Host("drive_c/WORK"));
    EXPECT_EQ(zefi::WriteCrashDumpFile(nullptr), "C:\\_DATA_LOCAL\\zefisetup.dmp");
    EXPECT_TRUE(fs::exists(m_prefix->Host("drive_c/_DATA_LOCAL/zefisetup.dmp")));
}

TEST_F(CrashDump, GivesUpWhenNeitherPlaceCanBeWritten) {
    fs::remove_all(m_prefix->Host("drive_c/WORK"));
    EXPECT_EQ(zefi::WriteCrashDumpFile(nullptr), "");
}

}  // namespace
