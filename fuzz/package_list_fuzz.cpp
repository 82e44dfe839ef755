// Fuzz target: the package list, with a skip list taken from the input's first line.
#include <cstdint>
#include <string>
#include <vector>

#include "download/package_list.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = fuzz::Text(data, size);
    std::vector<std::string> skip = fuzz::Lines(text, 1);
    std::vector<zefi::PackageEntry> entries;
    bool any = zefi::ParsePackageList(text, skip, &entries);
    if (!any && !entries.empty()) __builtin_trap();
    for (const zefi::PackageEntry& entry : entries) {
        if (entry.digest.size() != 32 || entry.name.empty() ||
            entry.name.size() > zefi::kMaxConfigText) {
            __builtin_trap();
        }
        // A SHA-256 digest is 64 lower-case hex digits with the size its line gave.
        if (!entry.sha256.empty() &&
            (entry.sha256.size() != 64 || entry.size < 0 ||
             entry.sha256.find_first_not_of("0123456789abcdef") != std::string::npos)) {
            __builtin_trap();
        }
        if (entry.sha256.empty() && entry.size != -1) __builtin_trap();
    }
    return 0;
}
