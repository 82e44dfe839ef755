// Tests of the program's registry settings InstallDir, AutoParam and Edition.
#include "system/registry_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/machine.h"
#include "platform/registry.h"
#include "support/temp_prefix.h"

namespace {

using testsupport::TempPrefix;

const char* const kRegHeader =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n";

TEST(RegistrySettings, MissingKeyGivesEmptyValues) {
    TempPrefix prefix;
    EXPECT_EQ(zefi::ReadInstallDir(), "");
    EXPECT_EQ(zefi::ReadAutoParam(), "");
    EXPECT_EQ(zefi::ReadEdition(), 0);
}

TEST(RegistrySettings, InstallDirIsStoredInLongFormAndReadBack) {
    TempPrefix prefix;
    std::filesystem::create_directories(prefix.Host("drive_c/Zefi Data"));
    ASSERT_TRUE(zefi::WriteInstallDir("c:\\zefi data"));
    EXPECT_EQ(zefi::ReadInstallDir(), "C:\\Zefi Data");
    // Another process sees the same value.
    platform::RegKey key;
    ASSERT_EQ(key.Open(platform::Hive::LocalMachine, "SOFTWARE\\Zefi Publishing\\ZEFI",
                       platform::kKeyRead),
              0u);
    std::string value;
    EXPECT_EQ(key.QueryString("InstallDir", &value), 0u);
    EXPECT_EQ(value, "C:\\Zefi Data");
}

TEST(RegistrySettings, PathThatDoesNotExistStaysAsWritten) {
    TempPrefix prefix;
    ASSERT_TRUE(zefi::WriteInstallDir("c:\\nowhere\\zefi"));
    EXPECT_EQ(zefi::ReadInstallDir(), "c:\\nowhere\\zefi");
}

TEST(RegistrySettings, ValueThatDoesNotFitTheBufferReadsAsEmpty) {
    TempPrefix prefix;
    std::string fits(254, 'a');
    std::string tooLong(255, 'a');
    prefix.WriteHostFile("system.reg", std::string(kRegHeader) + "\"AutoParam\"=\"" + fits +
                                           "\"\r\n\"InstallDir\"=\"" + tooLong + "\"\r\n");
    platform::ReloadMachine();
    EXPECT_EQ(zefi::ReadAutoParam(), fits);
    EXPECT_EQ(zefi::ReadInstallDir(), "");
}

TEST(RegistrySettings, AutoParamNeedsAdministratorRights) {
    TempPrefix prefix("[system]\nadmin = 0\n[drives]\nC = drive_c, fixed\n");
    prefix.WriteHostFile("system.reg", std::string(kRegHeader) +
                                           "\"AutoParam\"=\"-q 1\"\r\n"
                                           "\"InstallDir\"=\"C:\\\\ZEFI\"\r\n");
    platform::ReloadMachine();
    EXPECT_EQ(zefi::ReadAutoParam(), "");
    EXPECT_EQ(zefi::ReadInstallDir(), "C:\\ZEFI");
    EXPECT_FALSE(zefi::WriteInstallDir("C:\\OTHER"));
    EXPECT_EQ(zefi::ReadInstallDir(), "C:\\ZEFI");
}

TEST(RegistrySettings, EditionRoundTrip) {
    TempPrefix prefix;
    ASSERT_TRUE(zefi::WriteEdition(1));
    EXPECT_EQ(zefi::ReadEdition(), 1);
    ASSERT_TRUE(zefi::WriteEdition(0));
    EXPECT_EQ(zefi::ReadEdition(), 0);
}

}  // namespace
