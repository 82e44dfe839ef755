// The kill point test hook of the posix backend.
#include "platform/posix/kill_point.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <mutex>

namespace platform::posix {
namespace {

struct Settings {
    long killAt = 0;
    std::string trace;  // host path of the trace file, empty for none
};

const Settings& GetSettings() {
    static const Settings settings = [] {
        Settings s;
        if (const char* text = std::getenv("ZEFISETUP_KILL_AT")) {
            s.killAt = std::strtol(text, nullptr, 10);
        }
        if (const char* text = std::getenv("ZEFISETUP_KILL_TRACE")) s.trace = text;
        return s;
    }();
    return settings;
}

std::string HostPathOf(int fd) {
    char link[PATH_MAX];
    std::string proc = "/proc/self/fd/" + std::to_string(fd);
    ssize_t n = ::readlink(proc.c_str(), link, sizeof link);
    return n > 0 ? std::string(link, static_cast<size_t>(n)) : "?";
}

void Count(const char* what, int fd, const std::string* name) {
    const Settings& settings = GetSettings();
    if (settings.killAt <= 0 && settings.trace.empty()) return;
    static std::atomic<long> count{0};
    static std::mutex traceLock;
    long number = ++count;
    if (!settings.trace.empty()) {
        std::lock_guard<std::mutex> lock(traceLock);
        std::string line = std::to_string(number) + " " + what + " " +
                           (name != nullptr ? *name : HostPathOf(fd)) + "\n";
        int out = ::open(settings.trace.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (out >= 0) {
            ssize_t ignored = ::write(out, line.data(), line.size());
            (void)ignored;
            ::close(out);
        }
    }
    if (number == settings.killAt) ::kill(::getpid(), SIGKILL);
}

}  // namespace

void KillPoint(const char* what, int fd) { Count(what, fd, nullptr); }

void KillPoint(const char* what, const std::string& name) { Count(what, -1, &name); }

}  // namespace platform::posix
