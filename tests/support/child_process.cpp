// Helper server processes for tests, started under a time limit on 127.0.0.1.
#include "support/child_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace testsupport {

namespace {

int BindLoopback(int type, uint16_t port) {
    int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Start(const std::vector<std::string>& argv, int limitSeconds,
                         const std::string& outputFile) {
    Stop();
    std::vector<std::string> all = {"timeout", std::to_string(limitSeconds)};
    all.insert(all.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (std::string& a : all) args.push_back(a.data());
    args.push_back(nullptr);
    std::string output = outputFile.empty() ? "/dev/null" : outputFile;

    pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        int in = ::open("/dev/null", O_RDONLY);
        if (in >= 0) ::dup2(in, 0);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    m_pid = pid;
    return true;
}

void ChildProcess::Stop() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}

std::string FindProgram(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    // Daemons often live in sbin, outside a user's PATH.
    for (const char* sbin : {"/usr/sbin/", "/sbin/"}) {
        std::string candidate = sbin + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

uint16_t FreeLoopbackPort() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        int tcp = BindLoopback(SOCK_STREAM, 0);
        if (tcp < 0) continue;
        sockaddr_in address{};
        socklen_t length = sizeof address;
        ::getsockname(tcp, reinterpret_cast<sockaddr*>(&address), &length);
        uint16_t port = ntohs(address.sin_port);
        int udp = BindLoopback(SOCK_DGRAM, port);
        ::close(tcp);
        if (udp < 0) continue;
        ::close(udp);
        return port;
    }
    return 0;
}

bool WaitForTcpPort(uint16_t port, int limitMs) {
    for (int waited = 0; waited <= limitMs; waited += 50) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (ok) return true;
        ::usleep(50 * 1000);
    }
    return false;
}

}  // namespace testsupport
