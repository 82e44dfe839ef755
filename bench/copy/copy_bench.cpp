// Benchmark of the copy engine: CSystem::CopyFiles against cp on one large file, on a tree of
// many small files, and on a newer-only rerun against cp -ru.
//
// Run:  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release &&
//       cmake --build build-bench --target bench_copy && build-bench/bench_copy
//       (1 GiB file, 20,000 files of 1 to 64 KiB; add --small for a quick smoke run on 32 MiB
//       and 400 files)
// Optional: --dir <host directory> for the data (default: the host's temporary directory),
//           --reps <n> repetitions per measurement (default 3; the median is reported).
//
// The data lives in a temporary directory that is removed afterwards. Both sides copy warm
// from the page cache; the ratios compare the engine with cp on the same data in the same run.
// Targets: large file <= 2.0 x cp, small files <= 1.5 x cp, newer-only rerun <= 1.5 x cp -ru.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "system/csystem.h"
#include "system/log.h"
#include "system/progress_sink.h"

namespace fs = std::filesystem;

namespace {

// Stores what the engine reports the way the copy dialog does: plain atomic stores, and the
// texts under a lock-free copy (the bench has no timer reading them).
class DialogLikeSink : public zefi::ProgressSink {
  public:
    void SetMode(int32_t mode) override { m_mode.store(mode); }
    void SetSourceText(const std::string& text) override { m_source = text; }
    void SetDestinationText(const std::string& text) override { m_destination = text; }
    void SetFileSize(uint32_t size) override { m_size.store(size); }
    void SetBytesDone(uint32_t bytes) override { m_done.store(bytes); }
    void SetFreeSpace(double bytes) override { m_free.store(bytes); }
    bool GetThreadStop() override { return m_stop.load(); }

  private:
    std::atomic<int32_t> m_mode{0};
    std::atomic<uint32_t> m_size{0}, m_done{0};
    std::atomic<double> m_free{0};
    std::atomic<bool> m_stop{false};
    std::string m_source, m_destination;
};

double Seconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void WriteRandomFile(const fs::path& path, uint64_t size, std::mt19937_64& rng) {
    std::ofstream out(path, std::ios::binary);
    std::vector<uint64_t> block(1 << 14);
    while (size > 0) {
        for (uint64_t& v : block) v = rng();
        uint64_t n = std::min<uint64_t>(size, block.size() * sizeof(uint64_t));
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
        size -= n;
    }
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bench_copy: command failed: %s\n", command.c_str());
        std::exit(1);
    }
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

struct Measurement {
    double engine = 0;
    double reference = 0;
};

void Report(const char* what, const char* reference, const Measurement& m, double target) {
    double ratio = m.engine / m.reference;
    std::printf("%-26s CopyFiles %8.3f s   %-6s %8.3f s   ratio %5.2f  (target <= %.1f)%s\n", what,
                m.engine, reference, m.reference, ratio, target, ratio <= target ? "" : "  MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    bool small = false;
    int reps = 3;
    fs::path base = fs::temp_directory_path();
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--small") {
            small = true;
        } else if (arg == "--dir" && i + 1 < argc) {
            base = argv[++i];
        } else if (arg == "--reps" && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--small] [--dir <directory>] [--reps <n>]\n", argv[0]);
            return 2;
        }
    }
    const uint64_t largeSize = small ? (32ull << 20) : (1ull << 30);
    const int directories = 4;
    const int filesPerDirectory = small ? 100 : 5000;

    // A private emulated machine whose drive C: is the data directory.
    fs::path root = base / ("zefi-bench-copy-" + std::to_string(std::random_device{}()));
    fs::create_directories(root / "prefix");
    fs::create_directories(root / "c");
    {
        std::ofstream ini(root / "prefix" / "machine.ini");
        ini << "[drives]\nC = " << (root / "c").string() << ", fixed\n";
    }
    setenv("ZEFISETUP_PREFIX", (root / "prefix").c_str(), 1);
    platform::ReloadMachine();
    const fs::path c = root / "c";

    std::printf("bench_copy: %s mode, data in %s, median of %d\n", small ? "small" : "full",
                root.c_str(), reps);
    std::fflush(stdout);
    std::mt19937_64 rng(20240601);
    fs::create_directories(c / "large");
    WriteRandomFile(c / "large" / "image.dat", largeSize, rng);
    std::uniform_int_distribution<uint64_t> sizes(1024, 64 * 1024);
    for (int d = 0; d < directories; ++d) {
        fs::path dir = c / "small" / ("d" + std::to_string(d));
        fs::create_directories(dir);
        for (int f = 0; f < filesPerDirectory; ++f) {
            WriteRandomFile(dir / ("f" + std::to_string(f) + ".dat"), sizes(rng), rng);
        }
    }

    // Whole-second times, as on a medium, survive every copy unchanged at FILETIME resolution,
    // so that both newer-only reruns find the destination up to date.
    Run("find " + Quote(c / "large") + " " + Quote(c / "small") +
        " -type f -exec touch -m -d @1700000000 {} +");

    zefi::LogStream log;
    log.Open("C:\\bench.log");
    DialogLikeSink sink;
    zefi::CSystem system(log);
    system.SetProgressSink(&sink);
    bool ok = true;

    auto copyLarge = [&](bool newerOnly) {
        ok &= system.CopyFiles("C:\\large\\", "C:\\out\\large\\", "*.dat", newerOnly);
    };
    auto copySmall = [&](bool newerOnly) {
        for (int d = 0; d < directories; ++d) {
            std::string name = "d" + std::to_string(d) + "\\";
            ok &= system.CopyFiles("C:\\small\\" + name, "C:\\out\\small\\" + name, "*.dat",
                                   newerOnly);
        }
    };
    auto clearOut = [&] { fs::remove_all(c / "out"); };
    const std::string cpLarge =
        "cp -r --preserve=timestamps " + Quote(c / "large") + " " + Quote(c / "out" / "large");
    const std::string cpSmall = "mkdir -p " + Quote(c / "out") + " && cp -r " +
                                "--preserve=timestamps " + Quote(c / "small") + " " +
                                Quote(c / "out" / "small");
    const std::string cpSmallUpdate =
        "cp -ru " + Quote(c / "small") + "/. " + Quote(c / "out" / "small");

    auto measure = [&](const std::function<void()>& engine, const std::string& reference,
                       bool clearBefore) {
        std::vector<double> e, r;
        auto runEngine = [&] {
            if (clearBefore) clearOut();
            Run("sync");  // no side pays for the other's write-back
            e.push_back(Seconds(engine));
        };
        auto runReference = [&] {
            if (clearBefore) clearOut();
            if (clearBefore) fs::create_directories(c / "out");
            Run("sync");
            r.push_back(Seconds([&] { Run(reference); }));
        };
        for (int i = 0; i < reps; ++i) {
            // Alternating the order spreads whatever the first run of a pair pays.
            if (i % 2 == 0) {
                runEngine();
                runReference();
            } else {
                runReference();
                runEngine();
            }
        }
        return Measurement{Median(e), Median(r)};
    };

    // Warm the page cache so that neither side pays for the first read.
    Run("cat " + Quote(c / "large" / "image.dat") + " > /dev/null");
    Run("find " + Quote(c / "small") + " -type f -exec cat {} + > /dev/null");

    Measurement large = measure([&] { copyLarge(false); }, cpLarge, true);
    Measurement smallFiles = measure([&] { copySmall(false); }, cpSmall, true);
    // The rerun: the destination holds every file with the source's time and size.
    clearOut();
    copySmall(false);
    copyLarge(false);
    Measurement rerun = measure(
        [&] {
            copySmall(true);
            copyLarge(true);
        },
        cpSmallUpdate + " && cp -ru " + Quote(c / "large") + "/. " + Quote(c / "out" / "large"),
        false);

    log.Close();
    std::printf("\n");
    char label[64];
    std::snprintf(label, sizeof label, "large file (%llu MiB)",
                  static_cast<unsigned long long>(largeSize >> 20));
    Report(label, "cp", large, 2.0);
    std::snprintf(label, sizeof label, "small files (%d)", directories * filesPerDirectory);
    Report(label, "cp", smallFiles, 1.5);
    Report("newer-only rerun", "cp -ru", rerun, 1.5);
    if (!ok) {
        fs::path kept = base / "bench_copy.log";
        fs::copy_file(c / "bench.log", kept, fs::copy_options::overwrite_existing);
        std::printf("bench_copy: a CopyFiles call failed; its log is %s\n", kept.c_str());
    }

    fs::remove_all(root);
    return ok ? 0 : 1;
}
