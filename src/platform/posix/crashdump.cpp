// The crash filter of the emulated machine: handlers for the fatal signals call the program's
// dump writer, which writes a text dump (signal, fault address, backtrace), and then let the
// signal take its default course.
#include "platform/crashdump.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/posix/vfs.h"

namespace platform {

namespace {

// What the handler passes to the writer as its exception information.
struct CrashInfo {
    int signal = 0;
    const siginfo_t* info = nullptr;
};

const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

std::atomic<CrashWriter> g_writer{nullptr};
std::atomic<bool> g_crashing{false};

// The handler runs on a stack of its own, so that a thread whose stack overflowed can still be
// reported. The writer resolves the dump's path through the machine (which allocates and walks
// directories) and unwinds the crashed stack: room for that with a wide margin, and a guard
// page below it, so that even an overflow of this stack ends in a fault, not in foreign memory.
constexpr size_t kCrashStackSize = 256 * 1024;

// The alternate signal stack of one thread, from PrepareThreadForCrash until the thread ends;
// then the stack the thread had before (a sanitizer's, or none) is given back.
class ThreadCrashStack {
  public:
    void Prepare() {
        if (m_mapping != nullptr) return;
        const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
        void* mapping = ::mmap(nullptr, kCrashStackSize + page, PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
        if (mapping == MAP_FAILED) return;
        // The stack grows down towards the guard page at the start of the mapping.
        ::mprotect(mapping, page, PROT_NONE);
        stack_t stack;
        memset(&stack, 0, sizeof stack);
        stack.ss_sp = static_cast<char*>(mapping) + page;
        stack.ss_size = kCrashStackSize;
        if (::sigaltstack(&stack, &m_previous) != 0) {
            ::munmap(mapping, kCrashStackSize + page);
            return;
        }
        m_mapping = mapping;
        m_mappingSize = kCrashStackSize + page;
    }

    ~ThreadCrashStack() {
        if (m_mapping == nullptr) return;
        // Whoever set the previous stack releases it when the thread ends, and finds it again.
        ::sigaltstack(&m_previous, nullptr);
        ::munmap(m_mapping, m_mappingSize);
    }

  private:
    void* m_mapping = nullptr;
    size_t m_mappingSize = 0;
    stack_t m_previous{};
};

const char* SignalName(int sig) {
    switch (sig) {
        case SIGSEGV:
            return "SIGSEGV";
        case SIGBUS:
            return "SIGBUS";
        case SIGFPE:
            return "SIGFPE";
        case SIGILL:
            return "SIGILL";
        case SIGABRT:
            return "SIGABRT";
        default:
            return "signal";
    }
}

// Everything below writes with write() and formats numbers by hand: the writer runs inside a
// signal handler, where the heap and stdio may be in any state.
void Put(int fd, const char* text) {
    size_t len = strlen(text);
    while (len > 0) {
        ssize_t n = ::write(fd, text, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        len -= static_cast<size_t>(n);
    }
}

void PutNumber(int fd, uint64_t value, unsigned base) {
    char buf[32];
    char* p = buf + sizeof buf;
    *--p = '\0';
    do {
        *--p = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0);
    if (base == 16) {
        *--p = 'x';
        *--p = '0';
    }
    Put(fd, p);
}

void Handler(int sig, siginfo_t* info, void*) {
    if (!g_crashing.exchange(true)) {
        // Should the writer hang (a crash inside the heap can leave its lock taken), the alarm
        // ends the process after a while instead.
        ::signal(SIGALRM, SIG_DFL);
        ::alarm(20);
        CrashWriter writer = g_writer.load();
        CrashInfo crash{sig, info};
        if (writer) writer(&crash);
    }
    // Default action from here on: re-raised, the signal ends the process as it would have
    // without the filter (a fault re-executes the faulting instruction on return anyway).
    struct sigaction dfl;
    memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    ::raise(sig);
}

}  // namespace

void InstallCrashFilter(CrashWriter writer) {
    g_writer.store(writer);
    // backtrace() loads its unwinder on first use; do that now rather than inside a handler.
    void* frames[2];
    backtrace(frames, 2);

    PrepareThreadForCrash();

    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_sigaction = Handler;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : kFatalSignals) ::sigaction(sig, &sa, nullptr);
}

void PrepareThreadForCrash() {
    static thread_local ThreadCrashStack stack;
    stack.Prepare();
}

bool WriteCrashDumpTo(const std::string& path, void* exceptionInfo) {
    // The resolution allocates and takes the machine lock, which is not safe in a signal
    // handler; the watchdog set by the handler ends the process should it hang here.
    posix::Resolved r = posix::Resolve(path);
    if (!r.ok || r.image || r.readOnly) return false;
    int fd = ::open(r.host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;

    const CrashInfo* crash = static_cast<const CrashInfo*>(exceptionInfo);
    Put(fd, "zefisetup crash dump\n");
    Put(fd, "Process: ");
    PutNumber(fd, static_cast<uint64_t>(::getpid()), 10);
    Put(fd, "\nThread: ");
    PutNumber(fd, static_cast<uint64_t>(::syscall(SYS_gettid)), 10);
    Put(fd, "\n");
    if (crash) {
        Put(fd, "Signal: ");
        PutNumber(fd, static_cast<uint64_t>(crash->signal), 10);
        Put(fd, " (");
        Put(fd, SignalName(crash->signal));
        Put(fd, ")\n");
        if (crash->info) {
            Put(fd, "Code: ");
            int code = crash->info->si_code;
            if (code < 0) Put(fd, "-");
            PutNumber(fd, static_cast<uint64_t>(code < 0 ? -static_cast<int64_t>(code) : code), 10);
            Put(fd, "\nAddress: ");
            PutNumber(fd, reinterpret_cast<uintptr_t>(crash->info->si_addr), 16);
            Put(fd, "\n");
        }
    } else {
        Put(fd, "Signal: none\n");
    }
    Put(fd, "Backtrace:\n");
    void* frames[64];
    int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, fd);
    ::close(fd);
    return true;
}

}  // namespace platform
