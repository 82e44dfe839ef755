// Tests of the registry that every backend passes: keys and values through handles, names
// without regard to case, missing keys and values, buffer sizes.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "support/temp_prefix.h"

namespace {

using platform::Hive;
using platform::RegKey;

constexpr const char* kZefiKey = "SOFTWARE\\Zefi Publishing\\ZEFI";

using Registry = testsupport::PrefixTest;

TEST_F(Registry, ValuesReadBackThroughNewHandlesWithoutRegardToCase) {
    {
        RegKey key;
        ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
        EXPECT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
        EXPECT_EQ(key.SetDword("NetMaster", 10), 0u);
        EXPECT_EQ(key.SetString("InstallDir", "D:\\Zefi \"new\""), 0u);  // replaces
    }
    RegKey key;
    ASSERT_EQ(key.Open(Hive::LocalMachine, "software\\ZEFI PUBLISHING\\zefi", platform::kKeyRead),
              0u);
    std::string value;
    uint32_t dword = 0;
    EXPECT_EQ(key.QueryString("installdir", &value), 0u);
    EXPECT_EQ(value, "D:\\Zefi \"new\"");
    EXPECT_EQ(key.QueryDword("NETMASTER", &dword), 0u);
    EXPECT_EQ(dword, 10u);
    EXPECT_EQ(key.QueryString("NetMaster", &value), platform::kErrorInvalidData);
    EXPECT_EQ(key.QueryDword("InstallDir", &dword), platform::kErrorInvalidData);
    // Parents of a created key exist as keys of their own.
    RegKey parent;
    EXPECT_EQ(parent.Open(Hive::LocalMachine, "SOFTWARE\\Zefi Publishing", platform::kKeyRead), 0u);
}

TEST_F(Registry, MissingKeysAndValuesAreNotFound) {
    RegKey key;
    EXPECT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyRead),
              platform::kErrorFileNotFound);
    std::string value = "untouched";
    EXPECT_EQ(key.QueryString("InstallDir", &value), platform::kErrorInvalidHandle);
    ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
    EXPECT_EQ(key.QueryString("InstallDir", &value), platform::kErrorFileNotFound);
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
    EXPECT_EQ(key.DeleteValue("INSTALLDIR"), 0u);
    EXPECT_EQ(key.QueryString("InstallDir", &value), platform::kErrorFileNotFound);
    EXPECT_EQ(key.DeleteValue("InstallDir"), platform::kErrorFileNotFound);
    // The same path under the other hive is another key.
    RegKey user;
    EXPECT_EQ(user.Open(Hive::CurrentUser, kZefiKey, platform::kKeyRead),
              platform::kErrorFileNotFound);
}

TEST_F(Registry, QueryStringHonoursTheBufferSize) {
    RegKey key;
    ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
    const std::string fits(254, 'a');
    const std::string tooLong(255, 'b');
    ASSERT_EQ(key.SetString("Fits", fits), 0u);
    ASSERT_EQ(key.SetString("TooLong", tooLong), 0u);
    std::string value;
    EXPECT_EQ(key.QueryString("Fits", &value, 255), 0u);
    EXPECT_EQ(value, fits);
    value = "kept";
    EXPECT_EQ(key.QueryString("TooLong", &value, 255), platform::kErrorMoreData);
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(key.QueryString("TooLong", &value, 256), 0u);
    EXPECT_EQ(value, tooLong);
}

}  // namespace
