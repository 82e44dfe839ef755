// A program run on a pseudo-terminal for tests, driven by keys and read as its screen.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

class TerminalRun {
  public:
    // Starts program in the host directory hostDir with the prefix, TERM=xterm, no answers
    // file and the arguments.
    TerminalRun(const std::string& program, const std::string& hostDir, const std::string& prefix,
                const std::vector<std::string>& arguments = {});
    // Kills the program if it still runs.
    ~TerminalRun();
    TerminalRun(const TerminalRun&) = delete;
    TerminalRun& operator=(const TerminalRun&) = delete;

    bool Started() const { return m_pid > 0; }
    // Reads the screen until text has appeared since the last call (a minute at most).
    bool WaitFor(const std::string& text);
    void Type(const std::string& keys);
    void Signal(int sig);
    // Waits for the end of the program; its wait status.
    int Wait();
    const std::string& Screen() const { return m_screen; }

  private:
    pid_t m_pid = -1;
    int m_fd = -1;
    bool m_ended = false;
    std::string m_screen;
    size_t m_seen = 0;
};

}  // namespace testsupport
