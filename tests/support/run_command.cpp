// Running a shell command line and collecting its output.
#include "support/run_command.h"

#include <cstdio>

namespace testsupport {

std::string RunCommand(const std::string& command, int* status) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "popen failed";
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int result = pclose(pipe);
    if (status) *status = result;
    return out;
}

}  // namespace testsupport
