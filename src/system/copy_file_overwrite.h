// Copying a file over an existing, possibly read-only target without ever leaving the target
// cut short, and the helpers for read-only files that go with it.
#pragma once

#include <string>

namespace zefi {

// Clears the read-only attribute of an existing target, then copies source over it (as
// CopyFile: data, time and attributes). An existing target is replaced only once the whole
// copy is written: the copy goes to ReplacementName(target) beside it and then takes its place
// in one rename, so that a failure leaves the old target whole (and removes the temporary
// file). This needs the volume to hold the new file beside the old one for a moment. False
// with the last error when the copy fails.
bool CopyFileOverwrite(const std::string& source, const std::string& target);

// The temporary file beside target that a replacement of target is written to: target +
// ".~zf". "" when that would pass the 259 characters of a Windows path; the caller then writes
// target itself.
std::string ReplacementName(const std::string& target);

// Clears the read-only attribute of path, keeping its other attributes; nothing when path
// does not exist. Files copied from a DVD are read-only and refuse to be replaced or deleted.
void ClearReadOnly(const std::string& path);

// Removes a temporary file that a failed copy left, keeping the last error of the failure.
void DiscardTemporary(const std::string& path);

}  // namespace zefi
