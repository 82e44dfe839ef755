// Helper servers for tests (dnsmasq, tinyproxy) run as child processes on 127.0.0.1: started
// under a time limit so that they end by themselves even when the test dies, and stopped by
// the test when it is done with them.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class ChildProcess {
  public:
    ChildProcess() = default;
    // Stops the child if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Runs argv (argv[0] a path or a name looked up in PATH) through "timeout <limitSeconds>", with
    // its output going to outputFile (host path; /dev/null when empty). False when it cannot be
    // started.
    bool Start(const std::vector<std::string>& argv, int limitSeconds,
               const std::string& outputFile = "");
    // Sends SIGTERM to the child and waits for it; harmless when it has ended.
    void Stop();
    bool Running() const { return m_pid > 0; }

  private:
    pid_t m_pid = -1;
};

// The full path of program, found in PATH or in the sbin directories; "" when missing.
std::string FindProgram(const std::string& program);

// A port on 127.0.0.1 that is free for both TCP and UDP at the moment of the call.
uint16_t FreeLoopbackPort();

// Waits (polling, up to about limitMs) until something accepts TCP connections on
// 127.0.0.1:port. False when nothing does.
bool WaitForTcpPort(uint16_t port, int limitMs);

}  // namespace testsupport
