// Copying a file over an existing, possibly read-only target.
#include "system/copy_file_overwrite.h"

#include "platform/fs.h"

namespace zefi {

bool CopyFileOverwrite(const std::string& source, const std::string& target) {
    uint32_t attributes = platform::GetFileAttributes(target);
    if (attributes != platform::kInvalidFileAttributes && (attributes & platform::kAttrReadOnly)) {
        uint32_t cleared = attributes & ~uint32_t{platform::kAttrReadOnly};
        platform::SetFileAttributes(target,
                                    cleared == 0 ? uint32_t{platform::kAttrNormal} : cleared);
    }
    return platform::CopyFile(source, target, false);
}

}  // namespace zefi
