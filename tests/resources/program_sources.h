// The program's source files, read as text by the resources tests that check the tables
// against the code that uses them.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "support/files.h"

namespace restest {

// Name and text of each .h and .cpp file below src/ of the source tree, except the platform
// layer (it shows no text and opens no dialog). Under Wine the tree is reached through drive
// Z:. Empty, with the reason in *why, when the tree is not there.
inline std::vector<std::pair<std::string, std::string>> ProgramSources(std::string* why) {
    namespace fs = std::filesystem;
    std::vector<std::pair<std::string, std::string>> files;
    const std::string tree = ZEFISETUP_SOURCE_DIR;
    for (const std::string& root : {tree + "/src", "Z:" + tree + "/src"}) {
        std::error_code ec;
        if (!fs::is_directory(root, ec)) continue;
        for (auto it = fs::recursive_directory_iterator(root, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            const fs::path& path = it->path();
            const std::string relative = path.lexically_relative(root).generic_string();
            if (relative.rfind("platform/", 0) == 0) continue;
            if (path.extension() == ".cpp" || path.extension() == ".h")
                files.emplace_back(relative, testsupport::ReadFile(path));
        }
        if (!files.empty()) return files;
    }
    *why = "the source tree " + tree + " is not reachable here";
    return files;
}

}  // namespace restest
