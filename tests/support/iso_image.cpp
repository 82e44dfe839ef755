// Runs xorriso to build the ISO images that tests attach.
#include "support/iso_image.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testsupport {
namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace

bool MakeIsoImage(const std::string& sourceDir, const std::string& label,
                  const std::string& isoPath, const std::string& options, std::string* log) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(isoPath).parent_path(), ignored);
    std::string logPath = isoPath + ".log";
    std::string command = "xorriso -as mkisofs -V " + Quote(label) + " " + options + " -o " +
                          Quote(isoPath) + " " + Quote(sourceDir) + " >" + Quote(logPath) + " 2>&1";
    int result = std::system(command.c_str());
    if (log != nullptr) {
        std::ifstream in(logPath);
        std::stringstream text;
        text << in.rdbuf();
        *log = text.str();
    }
    std::remove(logPath.c_str());
    return result == 0;
}

}  // namespace testsupport

namespace testsupport {

bool CutIsoImageInsideFile(const std::string& isoPath, const std::string& fileStart,
                           uint64_t keep) {
    std::string image;
    {
        std::ifstream in(isoPath, std::ios::binary);
        if (!in) return false;
        std::stringstream text;
        text << in.rdbuf();
        image = text.str();
    }
    size_t at = image.find(fileStart);
    if (at == std::string::npos || fileStart.empty()) return false;
    std::error_code error;
    std::filesystem::resize_file(isoPath, at + keep, error);
    return !error;
}

bool MakeDamagedIsoImage(const std::string& sourceDir, const std::string& isoPath,
                         const std::string& fileStart, uint64_t keep, std::string* log) {
    return MakeIsoImage(sourceDir, "RIDEZEZ01", isoPath, "-J -R", log) &&
           CutIsoImageInsideFile(isoPath, fileStart, keep);
}

}  // namespace testsupport
