// The free space the download run shows for its destination, measured as the copy engine does.
#pragma once

#include <string>

namespace zefi {

// Free bytes available to the caller on the volume that holds directory, from
// CSystem::GetFreeSpace with a log that is never opened; 0 when the volume cannot be queried.
// Kept apart from the transfer code: on Windows curl.h brings in windows.h, whose GetFreeSpace
// macro would replace CSystem's member name. Any thread.
double DestinationFreeSpace(const std::string& directory);

}  // namespace zefi
