// Process creation over CreateProcessA, and the command processor through the C runtime's
// system(). Command lines go to the system as they are given: the callers quote them by the
// Windows rules (command_line.cpp), and the child splits them itself.
#include "platform/process.h"

#include <cstdlib>
#include <vector>

#include "platform/win32/win_util.h"

namespace platform {

struct Process::Impl {
    HANDLE process = nullptr;

    ~Impl() {
        if (process != nullptr) ::CloseHandle(process);
    }
};

Process::Process() = default;
Process::~Process() = default;

bool Process::Create(const std::string& application, const std::string& commandLine,
                     const std::string& currentDirectory) {
    m_impl.reset();
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(application.empty() ? nullptr : application.c_str(), line.data(), nullptr,
                          nullptr, FALSE, 0, nullptr,
                          currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup,
                          &info)) {
        return win32::FailWithSystemError();
    }
    ::CloseHandle(info.hThread);
    m_impl = std::make_unique<Impl>();
    m_impl->process = info.hProcess;
    return true;
}

bool Process::Wait(uint32_t timeoutMs, uint32_t* exitCode) {
    if (!m_impl) return win32::Fail(kErrorInvalidHandle);
    const DWORD result = ::WaitForSingleObject(m_impl->process, timeoutMs);
    // Still running: not a failure of the wait, so the last error stays as it was.
    if (result == WAIT_TIMEOUT) return false;
    if (result != WAIT_OBJECT_0) return win32::FailWithSystemError();
    DWORD code = 0;
    if (!::GetExitCodeProcess(m_impl->process, &code)) return win32::FailWithSystemError();
    if (exitCode != nullptr) *exitCode = code;
    return true;
}

int RunCommandProcessor(const std::string& command) { return std::system(command.c_str()); }

}  // namespace platform
