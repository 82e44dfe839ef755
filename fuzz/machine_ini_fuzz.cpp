// Fuzz target: machine.ini, the emulated machine's description, loaded and used: drive
// table, languages, rights, services, temporary directory.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "platform/services.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Prefix();
    fuzz::WriteHostFile("machine.ini", data, size);
    platform::ReloadMachine();
    platform::GetSystemDefaultLangID();
    platform::GetLogicalDrives();
    for (char letter = 'C'; letter <= 'F'; ++letter) {
        std::string root = std::string(1, letter) + ":\\";
        platform::GetDriveType(root);
    }
    std::string temp;
    platform::GetTempPath(&temp);
    platform::ScHandle manager = platform::OpenSCManager(platform::kScManagerAllAccess);
    if (manager != nullptr) {
        platform::ScHandle service =
            platform::OpenService(manager, "Zefi Server", platform::kServiceQueryStatus);
        platform::ServiceStatus status;
        if (service != nullptr) {
            platform::QueryServiceStatus(service, &status);
            platform::CloseServiceHandle(service);
        }
        platform::CloseServiceHandle(manager);
    }
    return 0;
}
