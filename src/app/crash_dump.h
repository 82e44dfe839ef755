// The crash-dump writer that start-up installs as the unhandled-exception filter.
#pragma once

#include <string>

namespace zefi {

// Name of the dump, in the current directory, and the place tried when that cannot be created.
inline constexpr const char* kCrashDumpName = "zefisetup.dmp";
inline constexpr const char* kCrashDumpFallback = "C:\\_DATA_LOCAL\\zefisetup.dmp";

// The filter: writes the dump to kCrashDumpName, else to kCrashDumpFallback, else nowhere, and
// returns so that the system's normal handling of the crash follows. Runs on the crashing
// thread.
void WriteCrashDump(void* exceptionInfo);

// Where WriteCrashDump put its dump; empty when none could be created.
std::string WriteCrashDumpFile(void* exceptionInfo);

}  // namespace zefi
