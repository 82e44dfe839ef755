// The crash filter of the Windows machine: an unhandled-exception filter that calls the
// program's dump writer, which writes a full-memory minidump with DbgHelp, after which the
// system handles the crash as it would have without the filter.
#include "platform/crashdump.h"

#include <atomic>

#include "platform/win32/win_util.h"
// After windows.h, which it needs.
#include <dbghelp.h>

namespace platform {

namespace {

std::atomic<CrashWriter> g_writer{nullptr};
std::atomic<bool> g_crashing{false};

// The stack a thread keeps for its exception handling once its stack has overflowed: the filter
// and MiniDumpWriteDump run on it for EXCEPTION_STACK_OVERFLOW, where the system's own reserve
// of a few pages is too small for them. Taken from the thread's reserve (2 MiB for the program
// and its threads).
constexpr ULONG kStackGuarantee = 128 * 1024;

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                          PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION,
                                          PMINIDUMP_CALLBACK_INFORMATION);

// DbgHelp is loaded when the filter is installed, not while the process is crashing: loading a
// library then could wait forever on a loader lock that the crashed thread holds.
MiniDumpWriteDumpFn LoadMiniDumpWriteDump() {
    static const MiniDumpWriteDumpFn function = [] {
        HMODULE dbghelp = ::LoadLibraryW(L"dbghelp.dll");
        if (dbghelp == nullptr) return MiniDumpWriteDumpFn{nullptr};
        return reinterpret_cast<MiniDumpWriteDumpFn>(
            reinterpret_cast<void*>(::GetProcAddress(dbghelp, "MiniDumpWriteDump")));
    }();
    return function;
}

LONG WINAPI Filter(EXCEPTION_POINTERS* exception) {
    // A crash inside the writer goes straight on to the system.
    if (!g_crashing.exchange(true)) {
        CrashWriter writer = g_writer.load();
        if (writer != nullptr) writer(exception);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void InstallCrashFilter(CrashWriter writer) {
    LoadMiniDumpWriteDump();
    g_writer.store(writer);
    PrepareThreadForCrash();
    ::SetUnhandledExceptionFilter(&Filter);
}

void PrepareThreadForCrash() {
    // The guarantee only ever grows; a second call asks for the same size and changes nothing.
    ULONG size = kStackGuarantee;
    ::SetThreadStackGuarantee(&size);
}

bool WriteCrashDumpTo(const std::string& path, void* exceptionInfo) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    MiniDumpWriteDumpFn writeDump = LoadMiniDumpWriteDump();
    if (writeDump != nullptr) {
        MINIDUMP_EXCEPTION_INFORMATION info;
        info.ThreadId = ::GetCurrentThreadId();
        info.ExceptionPointers = static_cast<EXCEPTION_POINTERS*>(exceptionInfo);
        // The pointers are this process's own, so they are read in its address space.
        info.ClientPointers = TRUE;
        writeDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file, MiniDumpWithFullMemory,
                  exceptionInfo != nullptr ? &info : nullptr, nullptr, nullptr);
    }
    ::CloseHandle(file);
    // The dump file exists now; whether the dump inside is complete, a crashing process cannot
    // do anything about, so it does not look for another place.
    return true;
}

}  // namespace platform
