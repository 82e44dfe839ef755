// Process creation on the emulated machine: a Windows program path runs the host file it
// resolves to, with the command line split by the Windows rules; the command processor is
// /bin/sh.
#include "platform/process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/posix/vfs.h"

extern char** environ;

namespace platform {

namespace {

// Children whose Process object was closed before they were waited for. They are reaped
// whenever a process is created or closed, so that finished ones do not stay zombies.
std::mutex g_orphansLock;
std::vector<pid_t> g_orphans;

void ReapOrphans() {
    std::lock_guard<std::mutex> lock(g_orphansLock);
    for (size_t i = 0; i < g_orphans.size();) {
        int status;
        pid_t r = ::waitpid(g_orphans[i], &status, WNOHANG);
        if (r == 0) {
            ++i;
        } else {
            g_orphans.erase(g_orphans.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

// The exit code a Windows caller sees: the exit status, or 128 plus the signal that ended
// the process, as a shell reports it.
uint32_t ExitCodeOf(int status) {
    if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return 128u + static_cast<uint32_t>(WTERMSIG(status));
    return 0;
}

// Spawn attributes shared by both ways of starting a program: the child starts with an empty
// signal mask and default signal actions, whatever this process blocks or ignores.
class SpawnAttributes {
  public:
    SpawnAttributes() {
        posix_spawnattr_init(&m_attr);
        sigset_t set;
        sigemptyset(&set);
        posix_spawnattr_setsigmask(&m_attr, &set);
        sigfillset(&set);
        sigdelset(&set, SIGKILL);
        sigdelset(&set, SIGSTOP);
        posix_spawnattr_setsigdefault(&m_attr, &set);
        posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attr); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* Get() const { return &m_attr; }

  private:
    posix_spawnattr_t m_attr;
};

// The host directory of the emulated current directory, or "" when it has none (a directory
// on a disk image): a child started without a directory of its own runs there.
std::string CurrentHostDirectory() {
    std::string cwd;
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        cwd = posix::GetMachine().currentDirectory;
    }
    posix::Resolved dir = posix::Resolve(cwd);
    return dir.ok && dir.exists && dir.isDirectory && !dir.image ? dir.host : std::string();
}

// The host's argument vector; the arguments, code-page text, become the host's UTF-8.
std::vector<char*> MakeArgv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& a : args) {
        a = posix::HostName(a);
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

struct Process::Impl {
    pid_t pid = -1;
    int pidfd = -1;  // a descriptor that becomes readable when the child ends, where available
    bool ended = false;
    uint32_t exitCode = 0;

    ~Impl() {
        if (pidfd >= 0) ::close(pidfd);
        if (pid > 0 && !ended) {
            std::lock_guard<std::mutex> lock(g_orphansLock);
            g_orphans.push_back(pid);
        }
    }

    bool TryReap() {
        int status;
        pid_t r;
        do {
            r = ::waitpid(pid, &status, WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == pid) {
            ended = true;
            exitCode = ExitCodeOf(status);
        } else if (r < 0) {
            // Someone else reaped it (a SIGCHLD handler): it has ended, code unknown.
            ended = true;
            exitCode = 0;
        }
        return ended;
    }
};

Process::Process() = default;

Process::~Process() {
    m_impl.reset();
    ReapOrphans();
}

bool Process::Create(const std::string& application, const std::string& commandLine,
                     const std::string& currentDirectory) {
    ReapOrphans();
    m_impl.reset();
    std::vector<std::string> args = SplitCommandLine(commandLine);
    std::string program = application.empty() ? (args.empty() ? "" : args[0]) : application;
    if (program.empty()) return posix::Fail(kErrorInvalidParameter);
    if (args.empty()) args.push_back(program);

    posix::Resolved exe = posix::Resolve(program);
    if (!exe.ok) return posix::Fail(exe.error);
    if (!exe.exists) return posix::Fail(exe.MissingError());
    // A file inside a disk image has no host file that the system could run.
    if (exe.image) return posix::Fail(kErrorNotSupported);
    struct stat st;
    if (::stat(exe.host.c_str(), &st) != 0) return posix::FailErrno();
    if (S_ISDIR(st.st_mode)) return posix::Fail(kErrorAccessDenied);

    std::string workDir = CurrentHostDirectory();
    if (!currentDirectory.empty()) {
        posix::Resolved dir = posix::Resolve(currentDirectory);
        if (!dir.ok || !dir.exists || dir.image || ::stat(dir.host.c_str(), &st) != 0 ||
            !S_ISDIR(st.st_mode)) {
            return posix::Fail(kErrorDirectory);
        }
        workDir = dir.host;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    // No handle inheritance: the child gets the standard streams and nothing else.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    SpawnAttributes attr;
    std::vector<char*> argv = MakeArgv(args);
    pid_t pid;
    int err = posix_spawn(&pid, exe.host.c_str(), &actions, attr.Get(), argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) return posix::Fail(posix::MapErrno(err));

    m_impl = std::make_unique<Impl>();
    m_impl->pid = pid;
    m_impl->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    return true;
}

bool Process::Wait(uint32_t timeoutMs, uint32_t* exitCode) {
    if (!m_impl) return posix::Fail(kErrorInvalidHandle);
    Impl& p = *m_impl;
    const bool forever = timeoutMs == 0xFFFFFFFFu;
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (!p.TryReap()) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        int64_t elapsed =
            (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        int64_t left = forever ? INT_MAX : static_cast<int64_t>(timeoutMs) - elapsed;
        if (left <= 0) return false;
        int slice = static_cast<int>(left > INT_MAX ? INT_MAX : left);
        if (p.pidfd >= 0) {
            struct pollfd pfd = {p.pidfd, POLLIN, 0};
            ::poll(&pfd, 1, slice);
        } else {
            // Without pid descriptors, look again every few milliseconds.
            struct timespec pause = {0, 5 * 1000000L};
            if (slice < 5) pause.tv_nsec = static_cast<long>(slice) * 1000000L;
            ::nanosleep(&pause, nullptr);
        }
    }
    if (exitCode) *exitCode = p.exitCode;
    return true;
}

int RunCommandProcessor(const std::string& command) {
    ReapOrphans();
    std::vector<std::string> args = {"sh", "-c", command};
    std::vector<char*> argv = MakeArgv(args);
    SpawnAttributes attr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string workDir = CurrentHostDirectory();
    if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    pid_t pid;
    int err = posix_spawn(&pid, "/bin/sh", &actions, attr.Get(), argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        errno = err;
        return -1;
    }
    int status;
    pid_t r;
    do {
        r = ::waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r != pid) return -1;
    return static_cast<int>(ExitCodeOf(status));
}

}  // namespace platform
