// Fuzz target: the header lines of an HTTP answer as the transfer reads them (the start of a
// Content-Range), and the password hiding of addresses written to the log.
#include <cstdint>
#include <string>

#include "download/transfer.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line = fuzz::Text(data, size);
    int64_t start = -1;
    if (zefi::ParseContentRangeStart(line, &start)) {
        // Only a position the digits spell out, never a wrapped one.
        if (start < 0) __builtin_trap();
        const size_t bytes = line.find("bytes ");
        if (bytes == std::string::npos) __builtin_trap();
        if (line.compare(bytes + 6, std::to_string(start).size(), std::to_string(start)) != 0 &&
            line[bytes + 6] != '0') {
            __builtin_trap();
        }
    }
    // A hidden password stays hidden, and hiding changes nothing more the second time.
    const std::string shown = zefi::HidePassword(line);
    if (shown != line && shown.find(":******@") == std::string::npos) __builtin_trap();
    if (zefi::HidePassword(shown) != shown) __builtin_trap();
    return 0;
}
