// The crash-dump writer installed as the unhandled-exception filter.
#pragma once

#include <string>

namespace platform {

// Installs a filter that calls writer when the process crashes; the writer creates the dump
// file and calls WriteCrashDumpTo. After it returns the crash goes on as the system handles it.
using CrashWriter = void (*)(void* exceptionInfo);
void InstallCrashFilter(CrashWriter writer);

// Writes a dump of this process (signal or exception, backtrace) into path. False when the
// file cannot be created.
bool WriteCrashDumpTo(const std::string& path, void* exceptionInfo);

}  // namespace platform
