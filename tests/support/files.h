// Host files in tests: reading a whole file, the lines of a log, and waiting for a file that
// another process or thread writes. The same on every backend.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// The whole content of a host file, byte for byte; "" when it cannot be read.
std::string ReadFile(const std::filesystem::path& hostPath);

// The lines of a log's text without their line ends. The program ends every line of a log
// with CR LF: a line without one (a bare LF, or a last line cut short) is a test failure,
// reported here, and still returned.
std::vector<std::string> LogLines(const std::string& text);

// Waits until a host file exists. False when it has not appeared within limit, which only
// keeps a broken run from hanging the test binary.
bool WaitForHostFile(const std::filesystem::path& hostPath,
                     std::chrono::milliseconds limit = std::chrono::seconds(60));

}  // namespace testsupport
