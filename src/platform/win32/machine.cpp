// Languages, clocks, version and power management of the Windows machine.
#include "platform/machine.h"

#include <conio.h>

#include "platform/win32/win_util.h"

namespace platform {

namespace {

// 0 while the thread follows the system default (until it sets a language, or after it set 0).
// The system's own thread language starts at the user's language instead, so the choice the
// program made is kept here as well.
thread_local uint16_t t_uiLanguage = 0;

}  // namespace

uint16_t GetSystemDefaultLangID() { return static_cast<uint16_t>(::GetSystemDefaultLangID()); }

void SetThreadUILanguage(uint16_t langId) {
    t_uiLanguage = langId;
    // The system follows too, so that its own texts (error messages) come in that language
    // where it has them.
    ::SetThreadUILanguage(static_cast<LANGID>(langId));
}

uint16_t GetThreadUILanguage() {
    return t_uiLanguage != 0 ? t_uiLanguage : GetSystemDefaultLangID();
}

void GetLocalTime(SystemTime* out) {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    out->year = st.wYear;
    out->month = st.wMonth;
    out->dayOfWeek = st.wDayOfWeek;
    out->day = st.wDay;
    out->hour = st.wHour;
    out->minute = st.wMinute;
    out->second = st.wSecond;
    out->milliseconds = st.wMilliseconds;
}

uint32_t GetTickCount() {
    // The system's tick count moves in steps of its timer interrupt (15.6 ms, and coarser under
    // Wine), so a 30 ms wait could read as 16; the performance counter gives the milliseconds
    // exactly, and wraps at 32 bits the same way.
    static const uint64_t frequency = [] {
        LARGE_INTEGER f;
        return ::QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? static_cast<uint64_t>(f.QuadPart)
                                                                 : 0;
    }();
    LARGE_INTEGER counter;
    if (frequency == 0 || !::QueryPerformanceCounter(&counter)) {
        return static_cast<uint32_t>(::GetTickCount());
    }
    const uint64_t c = static_cast<uint64_t>(counter.QuadPart);
    return static_cast<uint32_t>(c / frequency * 1000 + c % frequency * 1000 / frequency);
}

void Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

void MessageBeep() { ::MessageBeep(MB_OK); }

uint32_t GetVersion() { return static_cast<uint32_t>(::GetVersion()); }

bool IsNtFamily() { return (GetVersion() & 0x80000000u) == 0; }

void KeepAwake(bool on) {
    // The state belongs to the calling thread: the worker that asks for it also ends it.
    ::SetThreadExecutionState(on ? (ES_CONTINUOUS | ES_SYSTEM_REQUIRED) : ES_CONTINUOUS);
}

void SetCurrentThreadPriority(ThreadPriority priority) {
    ::SetThreadPriority(::GetCurrentThread(), priority == ThreadPriority::Lowest
                                                  ? THREAD_PRIORITY_LOWEST
                                                  : THREAD_PRIORITY_BELOW_NORMAL);
}

void ReloadMachine() {
    // The real machine describes itself; there is nothing to read again.
}

void ReadConsoleCharacter() {
    // Only a console has a person behind it; a pipe, a file or no standard input at all is
    // an unattended run, which must not wait here.
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return;
    if (::GetFileType(input) != FILE_TYPE_CHAR || !::GetConsoleMode(input, &mode)) return;
    _getch();
}

}  // namespace platform
