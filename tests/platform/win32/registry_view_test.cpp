// The program's key under HKEY_LOCAL_MACHINE lies in the 32-bit registry view, where the 32-bit
// setup before us and the product's own 32-bit programs keep it, although this program is 64-bit.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/registry.h"
#include "support/temp_prefix.h"

namespace {

using platform::Hive;
using platform::RegKey;

constexpr const char* kZefiKey = "SOFTWARE\\Zefi Publishing\\ZEFI";

// The value InstallDir as the view's own RegOpenKeyExA/RegQueryValueExA see it; "" when absent.
std::string InstallDirInView(REGSAM view) {
    HKEY key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kZefiKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return "";
    }
    char buf[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    LONG rc =
        ::RegQueryValueExA(key, "InstallDir", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? std::string(buf) : std::string();
}

using RegistryView = testsupport::PrefixTest;

TEST_F(RegistryView, TheProgramsKeyIsWrittenInThe32BitView) {
    RegKey key;
    ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
    ASSERT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
    EXPECT_EQ(InstallDirInView(KEY_WOW64_32KEY), "C:\\ZEFI");
    EXPECT_EQ(InstallDirInView(KEY_WOW64_64KEY), "");
}

TEST_F(RegistryView, AValueAnEarlier32BitSetupWroteIsFound) {
    HKEY raw;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kZefiKey, 0, nullptr, 0,
                                KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    const char dir[] = "D:\\Zefi";
    ASSERT_EQ(::RegSetValueExA(raw, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir),
                               sizeof dir),
              ERROR_SUCCESS);
    ::RegCloseKey(raw);
    RegKey key;
    ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyRead), 0u);
    std::string value;
    EXPECT_EQ(key.QueryString("InstallDir", &value), 0u);
    EXPECT_EQ(value, "D:\\Zefi");
}

}  // namespace
