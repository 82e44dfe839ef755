// The root of the volume a Windows path lies on.
#pragma once

#include <string>

namespace platform {

// The root of the volume that holds path, in the form the volume calls take (GetVolumeLabel,
// GetDiskFreeSpace, GetDiskFreeSpaceEx): "D:\" for any path on drive D: ("D:", "d:x" and
// "D:\x\y" alike), "\\server\share\" for a network path ("\\server\share" itself included).
// A path with neither ("x\y", "\x") lies on the volume of the current directory, so its root
// is that of its full path (GetFullPathName). Empty for a network path without a share name
// ("\\server") and for a path whose full form cannot be had: it lies on no volume, and the
// caller must not pass "" on, which the volume calls take for the current drive. "/" counts as
// a separator like "\". Any thread.
std::string VolumeRoot(const std::string& path);

}  // namespace platform
