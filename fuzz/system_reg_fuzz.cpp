// Fuzz target: the registry file system.reg, read through the registry interface and written
// back by a change.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Prefix();
    fuzz::WriteHostFile("system.reg", data, size);
    platform::RegKey key;
    if (key.Open(platform::Hive::LocalMachine, "SOFTWARE\\Zefi Publishing\\ZEFI",
                 platform::kKeyAllAccess) != 0) {
        return 0;
    }
    std::string text;
    uint32_t number = 0;
    key.QueryString("InstallDir", &text);
    key.QueryString("AutoParam", &text, 4096);
    key.QueryDword("Edition", &number);
    // A change rewrites the whole file; what was stored must read back.
    if (key.SetString("InstallDir", "C:\\Zefi \"x\"") != 0) return 0;
    key.Close();
    platform::RegKey again;
    if (again.Open(platform::Hive::LocalMachine, "SOFTWARE\\Zefi Publishing\\ZEFI",
                   platform::kKeyRead) != 0 ||
        again.QueryString("InstallDir", &text) != 0 || text != "C:\\Zefi \"x\"") {
        __builtin_trap();
    }
    return 0;
}
