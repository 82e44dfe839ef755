// CSystem::Exec: a command line of the install script run through the command processor.
#include <cstdio>
#include <string>

#include "platform/process.h"
#include "system/csystem.h"

namespace zefi {

bool CSystem::Exec(const std::string& commandLine) {
    // What this process wrote so far goes out before the command's own output.
    std::fflush(nullptr);
    if (platform::RunCommandProcessor(commandLine) == -1) {
        // The command processor could not be started; its exit code is of no interest
        // otherwise, and neither failure is the caller's concern.
        std::perror("CSystem::Exec()");
    }
    return true;
}

}  // namespace zefi
