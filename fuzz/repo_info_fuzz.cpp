// Fuzz target: the repo-info file "zefisetup.rep" of a destination.
#include <cstdint>
#include <cstring>

#include "download/image_list.h"
#include "download/repo_info.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Prefix();
    fuzz::WriteHostFile("drive_c/ZEFI/zefisetup.rep", data, size);
    zefi::ImageList records = nullptr;
    int32_t lines = zefi::ReadRepoInfo("C:\\ZEFI", &records);
    if ((lines == 0) != (records == nullptr)) __builtin_trap();
    if (records != nullptr) {
        int32_t kept = 0;
        while (records[kept].digest[0] != '\0') {
            if (std::strlen(records[kept].digest) != 32) __builtin_trap();
            ++kept;
        }
        if (kept > lines) __builtin_trap();
        zefi::FreeImageList(records);
    }
    return 0;
}
