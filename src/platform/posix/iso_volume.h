// The ISO 9660 image volume of the posix backend: a read-only ImageVolume over libiso9660.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/posix/vfs.h"

namespace platform::posix {

// Opens the ISO 9660 file system of the image at a host path. Names come from the Rock Ridge
// entries when the image has them, else from the Joliet tree, else the plain ISO names without
// their ";1" version. Returns nullptr with *error set: 2 or 5 when the file cannot be read,
// 1005 (unrecognized volume) when it holds no ISO 9660 volume, 1392 (file corrupt) when a
// directory record points outside the image or a directory contains itself. The volume may be used
// from any thread; it keeps the image file open until the last reference goes.
std::shared_ptr<ImageVolume> OpenIsoVolume(const std::string& hostPath, uint32_t* error);

}  // namespace platform::posix
