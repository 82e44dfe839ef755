// Copying a file over an existing, possibly read-only target.
#include "system/copy_file_overwrite.h"

#include "platform/errors.h"
#include "platform/fs.h"

namespace zefi {

namespace {

// The longest Windows path, without its terminating zero.
constexpr size_t kMaxPath = 259;

bool IsFile(const std::string& path) {
    uint32_t attributes = platform::GetFileAttributes(path);
    return attributes != platform::kInvalidFileAttributes &&
           (attributes & platform::kAttrDirectory) == 0;
}

}  // namespace

std::string ReplacementName(const std::string& target) {
    std::string name = target + ".~zf";
    return name.size() <= kMaxPath ? name : std::string();
}

void ClearReadOnly(const std::string& path) {
    uint32_t attributes = platform::GetFileAttributes(path);
    if (attributes == platform::kInvalidFileAttributes ||
        (attributes & platform::kAttrReadOnly) == 0)
        return;
    uint32_t cleared = attributes & ~uint32_t{platform::kAttrReadOnly};
    platform::SetFileAttributes(path, cleared == 0 ? uint32_t{platform::kAttrNormal} : cleared);
}

void DiscardTemporary(const std::string& path) {
    uint32_t error = platform::GetLastError();
    // A copy from a DVD took the source's read-only attribute along.
    ClearReadOnly(path);
    platform::DeleteFile(path);
    platform::SetLastError(error);
}

bool CopyFileOverwrite(const std::string& source, const std::string& target) {
    ClearReadOnly(target);
    const std::string temporary = IsFile(target) ? ReplacementName(target) : std::string();
    if (temporary.empty()) return platform::CopyFile(source, target, false);
    // A temporary file that an earlier, broken-off run left behind is overwritten.
    ClearReadOnly(temporary);
    if (!platform::CopyFile(source, temporary, false) ||
        !platform::MoveFile(temporary, target, true)) {
        DiscardTemporary(temporary);
        return false;
    }
    return true;
}

}  // namespace zefi
