// Fuzz target: the shell-link reader, loading a ".lnk" file and reading its paths.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/shell.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Prefix();
    static const bool com = platform::ComInitialize();
    (void)com;
    fuzz::WriteHostFile("drive_c/Zefi.lnk", data, size);
    platform::ShellLink link;
    if (!link.Create() || !link.Load("C:\\Zefi.lnk")) return 0;
    std::string text;
    if (link.GetPath(&text, false) && text.size() >= 260) __builtin_trap();
    link.GetPath(&text, true, 64);
    link.GetWorkingDirectory(&text);
    link.GetDescription(&text);
    return 0;
}
