// Process creation (CreateProcess) and the C runtime's command processor (system).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class Process {
  public:
    Process();
    ~Process();  // closes the handle; the process goes on
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // CreateProcess(application, commandLine, no inheritance, no flags, currentDirectory).
    // An empty application takes the program from the command line's first token. An empty
    // currentDirectory keeps the caller's. False with the last error when it cannot start.
    bool Create(const std::string& application, const std::string& commandLine,
                const std::string& currentDirectory);
    // Waits up to timeoutMs (0xFFFFFFFF: forever); true when the process has ended.
    bool Wait(uint32_t timeoutMs, uint32_t* exitCode);

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Splits a command line by the Windows rules (CommandLineToArgvW): blanks separate, "..."
// groups, backslashes before a quote escape it.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// Quotes one argument so that SplitCommandLine gives it back unchanged.
std::string QuoteArgument(const std::string& argument);

// system(): runs a command through the command processor and returns its exit status, or -1
// with errno-style failure when the processor cannot be started.
int RunCommandProcessor(const std::string& command);

}  // namespace platform
