// Benchmark: HashFileMd5 against md5sum, and MD5 with SHA-256 in one pass (HashFileDigests)
// against md5sum followed by sha256sum, on the same file in the same run, printed as throughput
// ratios. Usage: bench_md5 [size in MiB, default 1024] [rounds, default 3].
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "download/hash_md5.h"
#include "platform/machine.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool WriteData(const std::filesystem::path& path, uint64_t bytes) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    uint32_t state = 2463534242u;
    for (char& c : block) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(state);
    }
    for (uint64_t done = 0; done < bytes; done += block.size()) {
        uint64_t take = std::min<uint64_t>(block.size(), bytes - done);
        // Vary each MiB so that no two blocks are alike.
        block[0] = static_cast<char>(done >> 20);
        out.write(block.data(), static_cast<std::streamsize>(take));
    }
    return static_cast<bool>(out);
}

// The digest that tool (md5sum, sha256sum) prints for the file, digestLength hex characters.
std::string Sum(const char* tool, size_t digestLength, const std::filesystem::path& path) {
    std::string command = std::string(tool) + " '" + path.string() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    char line[512] = {};
    std::string digest;
    if (std::fgets(line, sizeof line, pipe) != nullptr) digest.assign(line, digestLength);
    pclose(pipe);
    return digest;
}

std::string Md5sum(const std::filesystem::path& path) { return Sum("md5sum", 32, path); }
std::string Sha256sum(const std::filesystem::path& path) { return Sum("sha256sum", 64, path); }

// Prints one comparison: the throughput of ours and of the reference over the same bytes, and
// their ratio.
void PrintComparison(const char* title, uint64_t mebibytes, int rounds, const char* oursName,
                     double oursSeconds, const char* referenceName, double referenceSeconds,
                     const char* target) {
    const double bytes = static_cast<double>(mebibytes << 20);
    std::printf("%s: %llu MiB, best of %d rounds\n", title,
                static_cast<unsigned long long>(mebibytes), rounds);
    std::printf("  %-28s %8.1f MiB/s\n", oursName, bytes / oursSeconds / (1 << 20));
    std::printf("  %-28s %8.1f MiB/s\n", referenceName, bytes / referenceSeconds / (1 << 20));
    std::printf("  ratio (%s / %s) %.3f%s\n", oursName, referenceName,
                referenceSeconds / oursSeconds, target);
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (mebibytes == 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: bench_md5 [size in MiB] [rounds]\n");
        return 2;
    }

    // A private emulated machine: its drive C: holds the data file.
    std::filesystem::path base = std::filesystem::temp_directory_path() /
                                 ("zefi-bench-md5-" + std::to_string(std::rand()) +
                                  std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(base / "drive_c");
    setenv("ZEFISETUP_PREFIX", base.c_str(), 1);
    platform::ReloadMachine();
    std::filesystem::path data = base / "drive_c" / "image.bin";
    int result = 0;
    if (!WriteData(data, mebibytes << 20)) {
        std::fprintf(stderr, "cannot write %s\n", data.c_str());
        result = 1;
    } else {
        double bestOurs = 1e300;
        double bestReference = 1e300;
        double bestBoth = 1e300;
        double bestTools = 1e300;
        std::string ours;
        std::string reference;
        zefi::FileDigests both;
        std::string referenceSha256;
        // Warm the page cache once so that every side reads from memory.
        Md5sum(data);
        for (int round = 0; round < rounds && result == 0; ++round) {
            char digest[zefi::kMd5HexSize] = {};
            zefi::ProgressBlock progress;
            Clock::time_point start = Clock::now();
            int32_t code = zefi::HashFileMd5("C:\\image.bin", digest, &progress);
            bestOurs = std::min(bestOurs, Seconds(start));
            if (code != 0) {
                std::fprintf(stderr, "HashFileMd5 failed with %d\n", code);
                result = 1;
            }
            ours = digest;
            start = Clock::now();
            reference = Md5sum(data);
            bestReference = std::min(bestReference, Seconds(start));

            start = Clock::now();
            code = zefi::HashFileDigests("C:\\image.bin", true, &both, &progress);
            bestBoth = std::min(bestBoth, Seconds(start));
            if (code != 0) {
                std::fprintf(stderr, "HashFileDigests failed with %d\n", code);
                result = 1;
            }
            start = Clock::now();
            std::string md5 = Md5sum(data);
            referenceSha256 = Sha256sum(data);
            bestTools = std::min(bestTools, Seconds(start));
            if (md5 != reference) result = 1;
        }
        if (result == 0 &&
            (ours != reference || both.md5 != reference || both.sha256 != referenceSha256)) {
            std::fprintf(stderr, "digests differ: %s %s %s vs %s %s\n", ours.c_str(),
                         both.md5.c_str(), both.sha256.c_str(), reference.c_str(),
                         referenceSha256.c_str());
            result = 1;
        }
        if (result == 0) {
            PrintComparison("md5", mebibytes, rounds, "HashFileMd5", bestOurs, "md5sum",
                            bestReference, " (target >= 0.95)");
            PrintComparison("md5+sha256", mebibytes, rounds, "HashFileDigests (one pass)", bestBoth,
                            "md5sum, then sha256sum", bestTools, "");
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
    return result;
}
