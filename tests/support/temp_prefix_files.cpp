// Host files of a test's machine and the fixture, the same on every backend.
#include <filesystem>
#include <fstream>
#include <system_error>

#include "support/files.h"
#include "support/temp_prefix.h"

namespace testsupport {

namespace fs = std::filesystem;

void TempPrefix::WriteHostFile(const std::string& relative, const std::string& content) const {
    fs::path p = Host(relative);
    std::error_code ec;
    fs::create_directories(p.parent_path(), ec);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) ADD_FAILURE() << "cannot write " << p;
}

std::string TempPrefix::ReadHostFile(const std::string& relative) const {
    return ReadFile(Host(relative));
}

void PrefixTest::SetUp() { m_prefix = std::make_unique<TempPrefix>(); }

void PrefixTest::TearDown() { m_prefix.reset(); }

}  // namespace testsupport
