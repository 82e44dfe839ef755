// Copying a file over an existing, possibly read-only target.
#pragma once

#include <string>

namespace zefi {

// Clears the read-only attribute of an existing target, then copies source over it (as
// CopyFile: data, time and attributes). False with the last error when the copy fails.
bool CopyFileOverwrite(const std::string& source, const std::string& target);

}  // namespace zefi
