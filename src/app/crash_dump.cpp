// The crash-dump writer.
#include "app/crash_dump.h"

#include "platform/crashdump.h"

namespace zefi {

std::string WriteCrashDumpFile(void* exceptionInfo) {
    for (const char* path : {kCrashDumpName, kCrashDumpFallback}) {
        if (platform::WriteCrashDumpTo(path, exceptionInfo)) return path;
    }
    return {};
}

void WriteCrashDump(void* exceptionInfo) { WriteCrashDumpFile(exceptionInfo); }

}  // namespace zefi
