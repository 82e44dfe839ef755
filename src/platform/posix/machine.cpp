// Languages, clocks, version and power management of the emulated machine.
#include "platform/machine.h"

#include <stdio.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/posix/vfs.h"

namespace platform {

namespace {

// 0 while the thread follows the system default (until it sets a language, or after it set 0).
thread_local uint16_t t_uiLanguage = 0;

}  // namespace

uint16_t GetSystemDefaultLangID() {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    return posix::GetMachine().language;
}

void SetThreadUILanguage(uint16_t langId) { t_uiLanguage = langId; }

uint16_t GetThreadUILanguage() {
    return t_uiLanguage != 0 ? t_uiLanguage : GetSystemDefaultLangID();
}

void GetLocalTime(SystemTime* out) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    out->year = local.tm_year + 1900;
    out->month = local.tm_mon + 1;
    out->dayOfWeek = local.tm_wday;  // 0 is Sunday, as on Windows
    out->day = local.tm_mday;
    out->hour = local.tm_hour;
    out->minute = local.tm_min;
    out->second = local.tm_sec;
    out->milliseconds = static_cast<int>(now.tv_nsec / 1000000);
}

uint32_t GetTickCount() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Wraps after 49.7 days, as the Windows counter does.
    uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void MessageBeep() {
    // Only a terminal can beep; anywhere else the bell byte would just dirty the output.
    if (isatty(STDERR_FILENO)) {
        static const char bell = '\a';
        ssize_t ignored = write(STDERR_FILENO, &bell, 1);
        (void)ignored;
    }
}

void ReadConsoleCharacter() {
    if (!isatty(STDIN_FILENO)) return;
    // One byte straight from the terminal: the C library's buffer would take a whole line.
    char c;
    while (read(STDIN_FILENO, &c, 1) < 0 && errno == EINTR) {
    }
}

bool IsNtFamily() { return true; }

// What GetVersion reports to a program without a compatibility manifest on current Windows
// of the NT family: 6.2, build 9200.
uint32_t GetVersion() { return (9200u << 16) | (2u << 8) | 6u; }

void KeepAwake(bool) {
    // A Linux host has no idle sleep that would stop a running process of this kind.
}

void SetCurrentThreadPriority(ThreadPriority priority) {
    // On Linux a nice value applies to one thread when given its thread id.
    const int nice = priority == ThreadPriority::Lowest ? 19 : 5;
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, tid, nice);
}

}  // namespace platform
