// One emulated machine per fuzzing process and a quiet dialog host.
#include "fuzz_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <streambuf>

#include "platform/machine.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace fuzz {
namespace {

// Swallows everything the scripted host prints.
class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
};

void RemovePrefix() {
    std::error_code ignored;
    std::filesystem::remove_all(Prefix(), ignored);
}

std::string MakePrefix() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/zefifuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    ::setenv("ZEFISETUP_PREFIX", pattern.c_str(), 1);
    std::filesystem::create_directories(pattern + "/drive_c/Temp");
    platform::ReloadMachine();

    static NullBuffer buffer;
    static std::ostream quiet(&buffer);
    static ui::ScriptedHost host("", quiet);
    ui::SetHost(&host);
    return pattern;
}

}  // namespace

const std::string& Prefix() {
    // Never destroyed: the exit handler that removes the directory still needs the path.
    static const std::string* prefix = [] {
        auto* made = new std::string(MakePrefix());
        std::atexit(RemovePrefix);
        return made;
    }();
    return *prefix;
}

void WriteHostFile(const std::string& relative, const uint8_t* data, size_t size) {
    std::filesystem::path path = Prefix() + "/" + relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string Text(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

std::vector<std::string> Lines(const std::string& text, size_t limit) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size() && lines.size() < limit) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace fuzz
