// DestinationFreeSpace through a CSystem that logs nothing.
#include "download/free_space.h"

#include "system/csystem.h"
#include "system/log.h"

namespace zefi {

double DestinationFreeSpace(const std::string& directory) {
    LogStream unopened;
    CSystem system(unopened);
    return system.GetFreeSpace(directory);
}

}  // namespace zefi
