// Host files in tests: whole reads, log lines, waiting for a file.
#include "support/files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

namespace testsupport {

std::string ReadFile(const std::filesystem::path& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> LogLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "log line without CR LF: " << text.substr(start);
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (line.find('\n') != std::string::npos) {
            ADD_FAILURE() << "log line ended by a bare LF: " << line;
        }
        lines.push_back(std::move(line));
        start = end + 2;
    }
    return lines;
}

bool WaitForHostFile(const std::filesystem::path& hostPath, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::error_code ec;
        if (std::filesystem::exists(hostPath, ec)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace testsupport
