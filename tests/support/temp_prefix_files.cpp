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

void DriveCTest::Write(const std::string& relative, const std::string& content) const {
    m_prefix->WriteHostFile("drive_c/" + relative, content);
}

std::string DriveCTest::Read(const std::string& relative) const {
    return m_prefix->ReadHostFile("drive_c/" + relative);
}

bool DriveCTest::HostExists(const std::string& relative) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(m_prefix->Host("drive_c/" + relative), ec));
}

}  // namespace testsupport
