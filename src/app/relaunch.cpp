// The relaunch of the setup program from the temporary directory.
#include "app/relaunch.h"

#include <string>

#include "platform/fs.h"
#include "platform/process.h"
#include "system/copy_file_overwrite.h"

namespace zefi {

namespace {

constexpr size_t kMaxPath = 260;

}  // namespace

bool RelaunchFromTemp() {
    std::string temp;
    if (!platform::GetTempPath(&temp) || temp.size() >= kMaxPath) return false;
    for (const char* name : {"setup.exe", "ssetup.dll", "cd.cfg", "cds.cfg"}) {
        if (!CopyFileOverwrite(name, temp + name)) return false;
    }

    std::string current;
    if (!platform::GetCurrentDirectory(&current) || current.size() >= kMaxPath) return false;
    // A drive root such as "D:\" ends with a backslash, which the command-line splitter would
    // read as escaping the closing quote; the new process adds the backslash again itself.
    if (current.size() > 1 && current.back() == '\\') current.pop_back();

    std::string program = temp + "setup.exe";
    std::string commandLine = "\"" + program + "\" -i \"" + current + "\"";
    platform::Process process;
    return process.Create(program, commandLine, temp);
}

}  // namespace zefi
