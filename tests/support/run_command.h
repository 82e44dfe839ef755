// Running a shell command line from a test, the way a user or a deployment script runs the
// program.
#pragma once

#include <string>

namespace testsupport {

// Runs command through /bin/sh and returns what it wrote to standard output (redirect
// standard error in command to have it too). *status, when given, is the raw wait status of
// the command (WIFEXITED / WEXITSTATUS apply); "popen failed" when it cannot be started.
std::string RunCommand(const std::string& command, int* status = nullptr);

}  // namespace testsupport
