// A publisher's machine for the tests of scripts/publish.sh and zefisetup-verify: the example
// medium as two disk folders, a minisign key pair, and publish.sh run with the checker of this
// build. Skips when xorriso, minisign or zsyncmake is missing.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "support/http_server.h"
#include "support/run_command.h"
#include "support/temp_prefix.h"

namespace publishtest {

inline const std::string kSource = ZEFISETUP_SOURCE_DIR;

class PublishTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        m_prefix = std::make_unique<testsupport::TempPrefix>(
            "[system]\nlanguage = 1029\nadmin = 1\ntemp = C:\\Temp\\\n[drives]\n"
            "C = drive_c, fixed\n");
        if (testsupport::RunCommand(
                "for t in xorriso minisign zsyncmake; do command -v $t; done | wc -l") != "3\n")
            GTEST_SKIP() << "xorriso, minisign or zsyncmake (Debian package zsync) is missing";
        // The example medium as two disks: the first DVD and the second one with the Z-disk.
        std::filesystem::copy(kSource + "/examples/medium", Host("disk1"),
                              std::filesystem::copy_options::recursive);
        std::filesystem::remove_all(Host("disk1/disk2"));
        std::filesystem::copy(kSource + "/examples/medium/disk2", Host("disk2"),
                              std::filesystem::copy_options::recursive);
        std::filesystem::create_directories(Host("keys"));
        ASSERT_EQ(Shell("minisign -G -W -p keys/pub -s keys/key >/dev/null 2>&1 && echo ok"),
                  "ok\n");
    }

    std::string Host(const std::string& relative) const { return m_prefix->Host(relative); }

    // Runs a command line in the prefix directory; the exit status is in m_status.
    std::string Shell(const std::string& command) {
        int status = -1;
        std::string out =
            testsupport::RunCommand("cd '" + m_prefix->Path() + "' && " + command, &status);
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return out;
    }

    // publish.sh with the given options and disks (shell syntax), the checker of this build.
    std::string Run(const std::string& args) {
        const std::string build =
            std::filesystem::path(ZEFISETUP_CHECK_BINARY).parent_path().string();
        return Shell("ZEFISETUP_BUILD_DIR='" + build + "' '" + kSource + "/scripts/publish.sh' " +
                     args + " </dev/null 2>&1");
    }
    std::string RunSigned(const std::string& out, const std::string& more = "") {
        return Run("--out " + out + " --base-url " + m_base + " --key keys/key " + more +
                   " disk1 disk2");
    }

    std::set<std::string> Files(const std::string& dir) const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Host(dir)))
            names.insert(entry.path().filename().string());
        return names;
    }

    // The Base64 line of the public key, as PublisherKeys and zefisetup-verify take it.
    std::string PublicKey() { return Shell("sed -n 2p keys/pub | tr -d '\\n'"); }

    // Every file of the set in dir, served under /zefi/.
    void Serve(testsupport::HttpServer& server, const std::string& dir) const {
        for (const std::string& name : Files(dir)) {
            testsupport::HttpReply reply;
            reply.body = m_prefix->ReadHostFile(dir + "/" + name);
            server.Set("/zefi/" + name, reply);
        }
    }

    std::string m_base = "https://media.zefi.cz/zefi/";
    int m_status = -1;
};

}  // namespace publishtest
