// Fuzz target: the sites list of a download run, for both editions.
#include <cstdint>
#include <string>

#include "download/package_list.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = fuzz::Text(data, size);
    for (int32_t slovak = 0; slovak <= 1; ++slovak) {
        zefi::SitesLine line = zefi::ParseSitesList(text, slovak);
        if (line.packageListUrl.size() > zefi::kMaxConfigText ||
            line.limitationUrl.size() > zefi::kMaxConfigText ||
            (!line.found && !line.packageListUrl.empty())) {
            __builtin_trap();
        }
    }
    return 0;
}
