// The machine: languages, clocks, Windows version, power management, and the machine
// description that the program runs on.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum : uint16_t { kLangCzech = 1029, kLangSlovak = 1051 };

// GetSystemDefaultLangID.
uint16_t GetSystemDefaultLangID();
// SetThreadUILanguage / GetThreadUILanguage of the calling thread. A thread starts with the
// system default language.
void SetThreadUILanguage(uint16_t langId);
uint16_t GetThreadUILanguage();

struct SystemTime {
    int year = 0, month = 0, dayOfWeek = 0, day = 0;
    int hour = 0, minute = 0, second = 0, milliseconds = 0;
};
void GetLocalTime(SystemTime* out);
uint32_t GetTickCount();
void Sleep(uint32_t milliseconds);
void MessageBeep();

// GetVersion: major version in the low byte, minor in the next, the build above; the high
// bit is set on a system outside the NT family.
uint32_t GetVersion();
// True on a Windows of the NT family.
bool IsNtFamily();

// Waits for one character on standard input and consumes it, but only where a person can
// answer: a console on Windows, a terminal on the emulated machine. With standard input a
// pipe, a file or closed it returns at once and consumes nothing, so that an unattended run
// never waits there. Any thread.
void ReadConsoleCharacter();

// SetThreadExecutionState: keep the system (not the display) awake while on is true.
void KeepAwake(bool on);

// SetThreadPriority of the calling thread: lowest (THREAD_PRIORITY_LOWEST) or below normal.
// Workers lower themselves so the dialogs stay responsive. Failures are ignored.
enum class ThreadPriority { Lowest, BelowNormal };
void SetCurrentThreadPriority(ThreadPriority priority);

// Re-reads the machine's description (on posix: $ZEFISETUP_PREFIX and its machine.ini,
// creating a missing prefix with its defaults). Tests call it after switching prefixes;
// the program never needs to.
void ReloadMachine();

}  // namespace platform
