// Fuzz target: the limitation file, checked against a destination that holds a few files.
#include <cstdint>
#include <string>
#include <vector>

#include "download/package_list.h"
#include "fuzz_support.h"
#include "system/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = [] {
        const uint8_t text[] = "x";
        fuzz::WriteHostFile("drive_c/ZEFI/zefi6.cfg", text, 1);
        fuzz::WriteHostFile("drive_c/ZEFI/ZEFI/zefi.dat", text, 1);
        return true;
    }();
    (void)prepared;
    zefi::LogStream log;
    static const bool opened = log.Open("C:\\Temp\\inetzefi.log");
    (void)opened;
    std::vector<std::string> skip;
    zefi::ParseLimitationFile(fuzz::Text(data, size), "C:\\ZEFI", &skip, log);
    for (const std::string& name : skip) {
        if (name.empty() || name.size() > size) __builtin_trap();
    }
    return 0;
}
