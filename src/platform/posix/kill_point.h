// A test hook of the posix backend that stops the process at a chosen file operation.
#pragma once

#include <string>

namespace platform::posix {

// Counts one file operation that changes a file ("write", "copy", "registry", "move",
// "delete") or reads a file block by block ("read"): what names its kind, fd the host file it
// works on, or name the file it changes.
//
// When the environment variable ZEFISETUP_KILL_AT holds a number N > 0, the process kills
// itself with SIGKILL at the Nth operation, before doing it, so that tests can interrupt a run
// at any point of its file work as a crash or a power cut would. When ZEFISETUP_KILL_TRACE
// names a host file, one line "<number> <kind> <host path or name>" is appended to it per
// operation, so that tests can choose their points. Without either it does nothing. Both
// variables are read once per process. Any thread.
void KillPoint(const char* what, int fd);
void KillPoint(const char* what, const std::string& name);

}  // namespace platform::posix
