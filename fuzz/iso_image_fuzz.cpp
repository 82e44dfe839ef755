// Fuzz target: an ISO image through the attach path of a download run (attach, product volume
// and marker search), then every directory listed and every file read from the drive.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "download/attach_image.h"
#include "download/image_list.h"
#include "fuzz_support.h"
#include "platform/fs.h"
#include "platform/stream.h"

namespace {

void Walk(const std::string& directory, int depth, int* budget) {
    if (depth > 8) return;
    platform::FindHandle search;
    platform::FindData found;
    if (!search.First(directory + "*", &found)) return;
    do {
        if (--*budget < 0) return;
        if (found.name == "." || found.name == "..") continue;
        std::string path = directory + found.name;
        if (found.attributes & platform::kAttrDirectory) {
            Walk(path + "\\", depth + 1, budget);
            continue;
        }
        platform::Stream file;
        if (!file.Open(path, "rb")) continue;
        char buffer[4096];
        while (file.Read(buffer, sizeof buffer) == sizeof buffer) {
        }
        file.Close();
    } while (search.Next(&found));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Prefix();
    fuzz::WriteHostFile("drive_c/ZEFI/zefi1.iso", data, size);
    zefi::ImageRecord entry = {};
    std::strcpy(entry.name, "zefi1.iso");
    int32_t status = 0;
    zefi::ImageHandle image = zefi::AttachImage("C:\\ZEFI", &entry, zefi::kAttachKeep, 0, &status);
    if (!image) return 0;
    std::string root;
    if (image->GetDriveRoot(&root)) {
        int budget = 2000;
        Walk(root, 0, &budget);
    }
    return 0;
}
