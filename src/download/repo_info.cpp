// Reading and deleting the repo-info file "zefisetup.rep".
#include "download/repo_info.h"

#include <vector>

#include "platform/fs.h"
#include "platform/stream.h"

namespace zefi {

const char* const kRepoInfoName = "zefisetup.rep";

namespace {

constexpr size_t kDigestLength = 32;

std::string RepoInfoPath(const std::string& destinationDir) {
    return destinationDir + "\\" + kRepoInfoName;
}

// The lines of a file that hold at least one character and are ended by CR or LF, in order.
// Returns false when the file cannot be opened.
bool ReadEndedLines(const std::string& path, std::vector<std::string>* lines) {
    platform::Stream file;
    if (!file.Open(path, "rb")) return false;
    std::string line;
    for (int c = file.GetC(); c != -1; c = file.GetC()) {
        if (c == '\r' || c == '\n') {
            if (!line.empty()) lines->push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    file.Close();
    return true;
}

}  // namespace

int32_t ReadRepoInfo(const std::string& destinationDir, ImageList* records) {
    *records = nullptr;
    std::vector<std::string> lines;
    if (!ReadEndedLines(RepoInfoPath(destinationDir), &lines) || lines.empty()) return 0;
    ImageList list = CreateImageList(lines.size());
    if (list == nullptr) return 0;
    size_t next = 0;
    for (const std::string& line : lines) {
        // A NUL byte would cut the digest short, or as the first byte end the list early.
        if (line.size() != kDigestLength || line.find('\0') != std::string::npos) continue;
        SetImageText(list[next].digest, line);
        ++next;
    }
    *records = list;
    return static_cast<int32_t>(lines.size());
}

int32_t DeleteRepoInfo(const std::string& destinationDir) {
    return platform::DeleteFile(RepoInfoPath(destinationDir)) ? 0 : -1;
}

}  // namespace zefi
