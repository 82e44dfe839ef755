// A program run on a pseudo-terminal for tests.
#include "support/terminal_run.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace testsupport {

TerminalRun::TerminalRun(const std::string& program, const std::string& hostDir,
                         const std::string& prefix, const std::vector<std::string>& arguments) {
    m_pid = forkpty(&m_fd, nullptr, nullptr, nullptr);
    if (m_pid == 0) {
        if (chdir(hostDir.c_str()) != 0) _exit(127);
        setenv("ZEFISETUP_PREFIX", prefix.c_str(), 1);
        unsetenv("ZEFISETUP_ANSWERS");
        setenv("TERM", "xterm", 1);
        std::vector<char*> argv = {const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

TerminalRun::~TerminalRun() {
    if (m_pid > 0 && !m_ended) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_fd >= 0) close(m_fd);
}

bool TerminalRun::WaitFor(const std::string& text) {
    for (int i = 0; i < 600; ++i) {
        size_t at = m_screen.find(text, m_seen);
        if (at != std::string::npos) {
            m_seen = at + text.size();
            return true;
        }
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char buffer[4096];
            ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0) return m_screen.find(text, m_seen) != std::string::npos;
            m_screen.append(buffer, static_cast<size_t>(n));
        }
    }
    return false;
}

void TerminalRun::Type(const std::string& keys) { (void)!write(m_fd, keys.data(), keys.size()); }

void TerminalRun::Signal(int sig) { kill(m_pid, sig); }

int TerminalRun::Wait() {
    // Drain the terminal so that the program never blocks on output.
    int status = 0;
    for (;;) {
        pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) break;
        WaitFor("\x01never\x01");
    }
    m_ended = true;
    return status;
}

}  // namespace testsupport
