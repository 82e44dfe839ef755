// Crash-and-rerun tests of the zefisetup program: an installation of the example medium is
// killed with SIGKILL at chosen file operations (ZEFISETUP_KILL_AT) and run again with the
// same command; the rerun must leave the same destination, configuration files, registry and
// shortcut as a run that was never interrupted.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/http_server.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// One traced operation: its number, kind and file.
struct Point {
    long number = 0;
    std::string kind;
    std::string file;
};

// What the user keeps of an installation: every file under the destination and the programs
// folder, and the registry, by path relative to the prefix.
using Tree = std::map<std::string, std::string>;

class CrashRerun : public ::testing::Test {
  protected:
    // A fresh machine with the example medium, plus one file large enough to be copied by
    // hand, as drive D:, and the setup files in C:\Temp.
    virtual void NewMachine() {
        m_prefix.reset();
        m_prefix = std::make_unique<testsupport::TempPrefix>();
        const std::string medium = m_prefix->Host("medium");
        fs::copy(ZEFISETUP_SOURCE_DIR "/examples/medium", medium, fs::copy_options::recursive);
        std::string big(300000, '\0');
        for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
        m_prefix->WriteHostFile("medium/ZEFI/TEXTY/VELKY.TXT", big);
        // Every machine's medium carries the same times, as the same DVD would.
        const auto time = fs::last_write_time(ZEFISETUP_SOURCE_DIR "/examples/medium/cd.cfg");
        for (const auto& entry : fs::recursive_directory_iterator(medium)) {
            fs::last_write_time(entry.path(), time);
        }
        m_prefix->WriteHostFile("machine.ini",
                                "[system]\nlanguage = 1029\nadmin = 1\ntemp = C:\\Temp\\\n"
                                "[drives]\nC = drive_c, fixed\nD = " +
                                    medium + ", cdrom, RIDEZEZ01\n");
        fs::create_directories(m_prefix->Host("drive_c/Temp"));
        for (const char* name : {"setup.exe", "ssetup.dll", "cd.cfg", "cds.cfg"}) {
            fs::copy_file(medium + "/" + name, m_prefix->Host(std::string("drive_c/Temp/") + name));
        }
    }

    // Runs the installation in C:\Temp with the extra environment; returns the wait status.
    virtual int Install(const std::string& environment = "") {
        return Run("-i 'D:\\' -o 'C:\\ZEFI' -Q 1,0,1,1,1", environment);
    }

    // Runs the program in C:\Temp with arguments (shell syntax); returns the wait status.
    int Run(const std::string& arguments, const std::string& environment) {
        // exec, so that the status is the program's own, its death by a signal included.
        std::string command = "cd " + Quote(m_prefix->Host("drive_c/Temp")) + " && exec env " +
                              environment + " ZEFISETUP_PREFIX=" + Quote(m_prefix->Path()) + " " +
                              Quote(ZEFISETUP_BINARY) + " " + arguments +
                              " </dev/null >/dev/null 2>&1";
        return std::system(command.c_str());
    }

    Tree Snapshot() const {
        Tree tree;
        for (const char* top : {"drive_c/ZEFI", "drive_c/ProgramData"}) {
            const fs::path root = m_prefix->Host(top);
            if (!fs::exists(root)) continue;
            for (const auto& entry : fs::recursive_directory_iterator(root)) {
                std::string relative = fs::relative(entry.path(), m_prefix->Path()).string();
                std::string content = entry.is_directory() ? "<dir>" : ReadFile(entry.path());
                // A shell link's header holds the target's creation and access times, which
                // the host sets as the copy happens; its last-write time is the source's.
                if (entry.path().extension() == ".lnk" && content.size() >= 0x2C) {
                    content.replace(0x1C, 16, 16, '\0');
                }
                tree[relative] = content;
            }
        }
        tree["system.reg"] = ReadFile(m_prefix->Host("system.reg"));
        return tree;
    }

    // For each point: a fresh machine, the run killed there, the same run again, and the
    // result compared with the references.
    void KillAndRerun(const std::vector<Point>& points, const std::set<long>& killAt,
                      const Tree& once, const Tree& updated) {
        for (long at : killAt) {
            const Point& point = points[static_cast<size_t>(at - 1)];
            SCOPED_TRACE("killed at " + std::to_string(at) + ": " + point.kind + " " + point.file);
            NewMachine();
            int status = Install("ZEFISETUP_KILL_AT=" + std::to_string(at));
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
            ASSERT_EQ(Install(), 0);
            EXPECT_EQ(Differences(once, updated, Snapshot()), "");
        }
    }

    static std::vector<Point> ReadTrace(const std::string& path) {
        std::vector<Point> points;
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            Point point;
            fields >> point.number >> point.kind;
            std::getline(fields, point.file);
            if (!point.file.empty() && point.file[0] == ' ') point.file.erase(0, 1);
            points.push_back(point);
        }
        return points;
    }

    // Differences of a tree from the trees an uninterrupted run leaves (once) and the same
    // command run again over that leaves (updated), one line per path. A file may be as
    // either has it: which groups a rerun treats as an update depends on how far the killed
    // run got, and an update rewrites some keys of the configuration files in its own form.
    static std::string Differences(const Tree& once, const Tree& updated, const Tree& actual) {
        std::string out;
        for (const auto& [path, content] : once) {
            auto found = actual.find(path);
            auto update = updated.find(path);
            if (found == actual.end()) {
                out += "  missing: " + path + "\n";
            } else if (found->second != content &&
                       (update == updated.end() || found->second != update->second)) {
                out += "  differs: " + path + "\n";
            }
        }
        for (const auto& entry : actual) {
            if (once.count(entry.first) == 0) out += "  extra: " + entry.first + "\n";
        }
        return out;
    }

    std::unique_ptr<testsupport::TempPrefix> m_prefix;
};

// The download run of a machine without a medium: the lists and both images from a server
// on 127.0.0.1, the dialogs answered as a user would.
class CrashRerunDownload : public CrashRerun {
  protected:
    void SetUp() override {
        m_images = std::make_unique<testsupport::TempPrefix>();
        std::string packages;
        for (int disk = 1; disk <= 2; ++disk) {
            std::string stage = m_images->Host("disk" + std::to_string(disk));
            fs::copy(disk == 1 ? ZEFISETUP_SOURCE_DIR "/examples/medium"
                               : ZEFISETUP_SOURCE_DIR "/examples/medium/disk2",
                     stage, fs::copy_options::recursive);
            fs::remove_all(stage + "/disk2");
            std::string name = "zefi" + std::to_string(disk) + ".iso";
            std::string log;
            ASSERT_TRUE(testsupport::MakeIsoImage(stage, "RIDEZEZ0" + std::to_string(disk),
                                                  m_images->Host(name), "-J -R", &log))
                << log;
            std::string image = ReadFile(m_images->Host(name));
            m_server.Set("/zefi/" + name, testsupport::HttpReply{200, image});
            packages += Md5(m_images->Host(name)) + " " + name + "\r\n";
        }
        m_server.Set("/zefi/packages.txt", testsupport::HttpReply{200, packages});
        m_server.Set("/sites.txt", testsupport::HttpReply{
                                       200, "cz " + m_server.Url("/zefi/packages.txt") + "\r\n"});
    }

    void NewMachine() override {
        m_prefix.reset();
        m_prefix = std::make_unique<testsupport::TempPrefix>(
            "[system]\nlanguage = 1029\nadmin = 1\ntemp = C:\\Temp\\\n[drives]\nC = drive_c, "
            "fixed\n");
        fs::create_directories(m_prefix->Host("drive_c/Temp"));
        m_prefix->WriteHostFile("answers.txt",
                                "dialog 1 1000\ndialog 4 ok 1002=C:\\ZEFI\nmessage 109 yes\n"
                                "dialog 11 ok\ndialog 7 1\n");
    }

    // The download run stands for the installation here.
    int Install(const std::string& environment = "") override {
        return Run("-m " + Quote(m_server.Url("/sites.txt")),
                   environment + " ZEFISETUP_ANSWERS=" + Quote(m_prefix->Host("answers.txt")));
    }

    static std::string Md5(const std::string& path) {
        std::string command = "md5sum " + Quote(path);
        FILE* pipe = popen(command.c_str(), "r");
        char digest[33] = {};
        if (pipe == nullptr) return "";
        size_t got = fread(digest, 1, 32, pipe);
        pclose(pipe);
        return std::string(digest, got);
    }

    std::unique_ptr<testsupport::TempPrefix> m_images;
    testsupport::HttpServer m_server;
};

// Numbers of the points: the middle one and the first of those of a kind whose file contains
// part, and the given fraction of the whole run.
void AddPoints(const std::vector<Point>& trace, const std::string& kind, const std::string& part,
               std::set<long>* out) {
    std::vector<long> matching;
    for (const Point& point : trace) {
        if (point.kind == kind && point.file.find(part) != std::string::npos) {
            matching.push_back(point.number);
        }
    }
    ASSERT_FALSE(matching.empty()) << "no " << kind << " of " << part;
    out->insert(matching.front());
    out->insert(matching[matching.size() / 2]);
    out->insert(matching.back());
}

// The installation of the example medium, killed at the operations that choose picks from the
// trace of an uninterrupted run, and run again each time.
class CrashRerunInstall : public CrashRerun {
  protected:
    template <typename Choose>
    void KillAt(Choose choose) {
        // The uninterrupted run, traced, gives the reference and the operations to kill at.
        NewMachine();
        const std::string trace = m_prefix->Host("trace.txt");
        ASSERT_EQ(Install("ZEFISETUP_KILL_TRACE=" + Quote(trace)), 0);
        const Tree once = Snapshot();
        ASSERT_TRUE(once.count("drive_c/ZEFI/DATA/TEXTY/VELKY.TXT")) << "no by-hand copy";
        ASSERT_EQ(Install(), 0);
        const Tree updated = Snapshot();
        const std::vector<Point> points = ReadTrace(trace);
        ASSERT_GT(points.size(), 100u);
        std::set<long> killAt;
        choose(points, &killAt);
        KillAndRerun(points, killAt, once, updated);
    }
};

TEST_F(CrashRerunInstall, KilledDuringACopyByHandOrBetweenFiles) {
    KillAt([](const std::vector<Point>& points, std::set<long>* killAt) {
        AddPoints(points, "write", "/ZEFI/DATA/TEXTY/VELKY.TXT", killAt);
        AddPoints(points, "copy", "C:\\ZEFI", killAt);
    });
}

TEST_F(CrashRerunInstall, KilledDuringAConfigurationOrBatchFileRewrite) {
    KillAt([](const std::vector<Point>& points, std::set<long>* killAt) {
        AddPoints(points, "write", "/ZEFI/zefi6.bak", killAt);
        AddPoints(points, "move", "C:\\ZEFI\\zefi6.cfg", killAt);
        AddPoints(points, "write", "/ZEFI/zefi.bak", killAt);
    });
}

TEST_F(CrashRerunInstall, KilledDuringTheShortcutOrARegistryWrite) {
    KillAt([](const std::vector<Point>& points, std::set<long>* killAt) {
        AddPoints(points, "write", "/Zefi.lnk", killAt);
        AddPoints(points, "registry", "system.reg", killAt);
    });
}

TEST_F(CrashRerunInstall, KilledAtPointsSpreadOverTheRun) {
    KillAt([](const std::vector<Point>& points, std::set<long>* killAt) {
        for (int step = 1; step < 8; ++step) {
            killAt->insert(static_cast<long>(points.size()) * step / 8);
        }
    });
}

TEST_F(CrashRerunDownload, DownloadKilledDuringATransferOrTheHashingEndsWithTheSameImages) {
    NewMachine();
    const std::string trace = m_prefix->Host("trace.txt");
    ASSERT_EQ(Install("ZEFISETUP_KILL_TRACE=" + Quote(trace)), 0);
    const Tree once = Snapshot();
    // The images are checked and deleted after the installation; the repo-info file keeps
    // the digests of those that were installed.
    ASSERT_TRUE(once.count("drive_c/ZEFI/zefisetup.rep")) << "the download run did not install";
    const std::vector<Point> points = ReadTrace(trace);

    std::set<long> killAt;
    for (const char* image : {"/ZEFI/zefi1.iso", "/ZEFI/zefi2.iso"}) {
        AddPoints(points, "write", image, &killAt);  // the transfer
        AddPoints(points, "read", image, &killAt);   // the hashing
    }
    KillAndRerun(points, killAt, once, once);
}

}  // namespace
