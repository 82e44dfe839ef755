// The crash-dump writer installed as the unhandled-exception filter.
#pragma once

#include <string>

namespace platform {

// Installs a filter that calls writer when the process crashes; the writer creates the dump
// file and calls WriteCrashDumpTo. After it returns the crash goes on as the system handles it.
// Prepares the calling thread as PrepareThreadForCrash does.
using CrashWriter = void (*)(void* exceptionInfo);
void InstallCrashFilter(CrashWriter writer);

// Keeps stack in reserve for the crash filter on the calling thread, so that a crash that has
// used up the thread's own stack (a recursion without end) still leaves its dump: an alternate
// signal stack on posix (released when the thread ends), the stack guarantee of a stack
// overflow on Windows. Every thread that can crash calls it once at its start; calling it
// again does nothing. Harmless before InstallCrashFilter and without it.
void PrepareThreadForCrash();

// Writes a dump of this process (signal or exception, backtrace) into path. False when the
// file cannot be created.
bool WriteCrashDumpTo(const std::string& path, void* exceptionInfo);

}  // namespace platform
