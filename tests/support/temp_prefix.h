// A temporary machine for one test. On the emulated machine: its own $ZEFISETUP_PREFIX with
// machine.ini, drive C: and whatever drives the test adds; removed again at the end. On Windows
// (tests/support/win32): the real machine, whose drive C: is "drive_c" of the prefix, cleaned
// of what the test left there at its end.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace testsupport {

// True on the emulated machine (machine.ini, host directories behind the drives), false on the
// real Windows machine.
bool IsEmulatedMachine();

// The example medium as the DVD in drive D: (CD-ROM, label "RIDEZEZ01", read-only), for the
// life of the prefix. On the emulated machine the prefix's machine.ini maps it; on Windows the
// test runner maps it before the run (scripts/windows-tests.sh) and this checks it is there.
// Returns false, with the reason in *why, when there is no such drive.
class TempPrefix;
bool AttachExampleMedium(TempPrefix& prefix, std::string* why);

class TempPrefix {
  public:
    // Creates a fresh prefix directory under the host's temporary directory. machineIni, when
    // not empty, is written as machine.ini (otherwise the backend writes its defaults: drive C:
    // on <prefix>/drive_c). Sets ZEFISETUP_PREFIX and reloads the machine.
    explicit TempPrefix(const std::string& machineIni = "");
    ~TempPrefix();  // removes the directory and unsets ZEFISETUP_PREFIX
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    // Absolute host path of the prefix, and of a path relative to it ("drive_c/..." is on C:).
    const std::string& Path() const { return m_path; }
    std::string Host(const std::string& relative) const;
    // Creates a host file (and its directories) relative to the prefix.
    void WriteHostFile(const std::string& relative, const std::string& content) const;
    std::string ReadHostFile(const std::string& relative) const;

  private:
    std::string m_path;
    // What the constructor changed, put back by the destructor.
    bool m_hadPrefix = false;
    std::string m_oldPrefix;
    std::string m_oldCwd;
    // What the Windows backend's clean-up compares with at the end.
    std::shared_ptr<void> m_snapshot;
};

// Fixture giving each test its own prefix in m_prefix.
class PrefixTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<TempPrefix> m_prefix;
};

// Fixture for tests that work on drive C: of their prefix, with its host files named by their
// path below C: ("dir/name.dat").
class DriveCTest : public PrefixTest {
  protected:
    void Write(const std::string& relative, const std::string& content) const;
    std::string Read(const std::string& relative) const;
    // Whether the entry is there on the host, a dangling link included.
    bool HostExists(const std::string& relative) const;
};

}  // namespace testsupport
