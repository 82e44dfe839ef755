// Disk-full test of the zefisetup program: an update of an installation on a small tmpfs
// volume fills it part-way; the copy error dialog says so, nothing installed is damaged, and
// Retry after space was freed ends with what an update on a roomy disk leaves.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "support/files.h"
#include "support/temp_prefix.h"
#include "support/terminal_run.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

using Tree = std::map<std::string, std::string>;

std::string Noise(size_t size, unsigned state) {
    std::string data(size, '\0');
    for (char& c : data) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return data;
}

// The script asks for 20000 kB free before it copies; the update brings two files of 12 MB.
constexpr const char* kVolumeSize = "size=24m";
constexpr size_t kBigFile = 12000000;
constexpr size_t kFiller = 2000000;

class DiskFull : public ::testing::Test {
  protected:
    void TearDown() override {
        if (m_mounted) ::umount2(m_volume.c_str(), MNT_DETACH);
    }

    // A fresh machine whose drive E: is the prefix's folder volume and D: the first medium:
    // the example medium, and the update medium with two large files more, each with its own
    // file times.
    void NewMachine(const std::string& volume) {
        if (m_mounted) ::umount2(m_volume.c_str(), MNT_DETACH);
        m_mounted = false;
        m_prefix.reset();
        m_prefix = std::make_unique<testsupport::TempPrefix>();
        for (int version = 1; version <= 2; ++version) {
            const std::string medium = m_prefix->Host("m" + std::to_string(version));
            fs::copy(ZEFISETUP_SOURCE_DIR "/examples/medium", medium, fs::copy_options::recursive);
            fs::remove_all(medium + "/disk2");
            if (version == 2) {
                m_prefix->WriteHostFile("m2/ZEFI/TEXTY/VELKY.TXT", Noise(kBigFile, 1));
                m_prefix->WriteHostFile("m2/ZEFI/OBRAZKY/OBRAZKY.DAT", Noise(kBigFile, 2));
            }
            auto time = fs::last_write_time(ZEFISETUP_SOURCE_DIR "/examples/medium/cd.cfg") +
                        std::chrono::hours(24 * version);
            for (const auto& entry : fs::recursive_directory_iterator(medium)) {
                fs::last_write_time(entry.path(), time);
            }
        }
        fs::create_directories(m_prefix->Host("drive_c/Temp"));
        for (const char* name : {"setup.exe", "ssetup.dll", "cd.cfg", "cds.cfg"}) {
            fs::copy_file(m_prefix->Host(std::string("m1/") + name),
                          m_prefix->Host(std::string("drive_c/Temp/") + name));
        }
        m_volume = m_prefix->Host(volume);
        fs::create_directories(m_volume);
        UseMedium(1);
    }

    void UseMedium(int version) {
        m_prefix->WriteHostFile("machine.ini",
                                "[system]\nlanguage = 1029\nadmin = 1\ntemp = C:\\Temp\\\n"
                                "[drives]\nC = drive_c, fixed\nD = " +
                                    m_prefix->Host("m" + std::to_string(version)) +
                                    ", cdrom, RIDEZEZ01\nE = " + m_volume + ", fixed\n");
    }

    // The unattended installation or update into E:\ZEFI, answered by the scripted host.
    int Install() {
        std::string command = "cd '" + m_prefix->Host("drive_c/Temp") +
                              "' && exec env ZEFISETUP_PREFIX='" + m_prefix->Path() + "' '" +
                              ZEFISETUP_BINARY +
                              "' -i 'D:\\' -o 'E:\\ZEFI' -Q 1,0,1,1,1 </dev/null >/dev/null 2>&1";
        return std::system(command.c_str());
    }

    Tree Snapshot() const {
        Tree tree;
        for (const auto& entry : fs::recursive_directory_iterator(m_volume + "/ZEFI")) {
            tree[fs::relative(entry.path(), m_volume).string()] =
                entry.is_directory() ? "<dir>" : ReadFile(entry.path());
        }
        return tree;
    }

    std::unique_ptr<testsupport::TempPrefix> m_prefix;
    std::string m_volume;
    bool m_mounted = false;
};

TEST_F(DiskFull, UpdateOnAFullVolumeDamagesNothingAndRetryCompletesIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs volume needs root";

    // What the update leaves on a roomy disk.
    NewMachine("roomy");
    ASSERT_EQ(Install(), 0);
    UseMedium(2);
    ASSERT_EQ(Install(), 0);
    const Tree updated = Snapshot();

    NewMachine("volume");
    if (::mount("tmpfs", m_volume.c_str(), "tmpfs", 0, kVolumeSize) != 0) {
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    }
    m_mounted = true;
    ASSERT_EQ(Install(), 0);
    const Tree installed = Snapshot();
    const std::string filler = m_volume + "/filler";
    m_prefix->WriteHostFile(fs::relative(filler, m_prefix->Path()), std::string(kFiller, 'f'));

    UseMedium(2);
    testsupport::TerminalRun run(ZEFISETUP_BINARY, m_prefix->Host("drive_c/Temp"), m_prefix->Path(),
                                 {"-i", "D:\\", "-o", "E:\\ZEFI", "-Q", "1,0,1,1,1"});
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitFor("Zaplněný disk")) << run.Screen();
    ASSERT_TRUE(run.WaitFor("] Opakovat")) << run.Screen();
    const std::string& screen = run.Screen();
    const size_t retry = screen.rfind("] Opakovat");
    const std::string retryKey =
        screen.substr(screen.rfind('[', retry) + 1, retry - screen.rfind('[', retry) - 1);

    // While the dialog waits, every file is whole: as installed or as updated.
    std::string damaged;
    for (const auto& [path, content] : Snapshot()) {
        auto before = installed.find(path);
        auto after = updated.find(path);
        bool whole = (before != installed.end() && before->second == content) ||
                     (after != updated.end() && after->second == content);
        if (!whole) damaged += " " + path + " (" + std::to_string(content.size()) + " bytes)";
    }
    for (const auto& entry : installed) {
        EXPECT_TRUE(fs::exists(m_volume + "/" + entry.first)) << entry.first << " is gone";
    }

    fs::remove(filler);
    run.Type(retryKey + "\r");
    ASSERT_TRUE(run.WaitFor("proběhla úspěšně")) << run.Screen();
    run.Type("\r");
    int status = run.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(Snapshot() == updated);

    // The file being replaced when the disk filled stayed whole: the new data went to a
    // temporary file beside it.
    EXPECT_TRUE(damaged.empty()) << "damaged while the error dialog was open:" << damaged;
}

}  // namespace
