// Tests of the crash filter and the dump writer, in child processes that really crash.
#include "platform/crashdump.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

// What the program's own writer does: the dump in the current directory.
void WriteDumpHere(void* exceptionInfo) {
    platform::WriteCrashDumpTo("zefisetup.dmp", exceptionInfo);
}

// Writes into a page without access rights: a real fault that no sanitizer intercepts first.
[[gnu::noinline]] void WriteToForbiddenPage(void* page) {
    int* volatile target = static_cast<int*>(page);
    *target = 42;
}

// Calls itself until the stack is used up: each frame keeps a buffer, and the sum after the call
// keeps the compiler from turning the recursion into a loop.
[[gnu::noinline]] int RecurseWithoutEnd(int depth) {
    volatile char frame[512];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    if (depth < 0) return 0;  // never: only so that the compiler sees an end
    return RecurseWithoutEnd(depth + 1) + frame[depth % sizeof frame];
}

std::string HexAddress(const void* p) {
    std::ostringstream out;
    out << "0x" << std::hex << reinterpret_cast<uintptr_t>(p);
    return out.str();
}

class CrashDump : public testsupport::PrefixTest {
  protected:
    // Runs crash in a child whose current directory is C:\crash; returns its wait status.
    template <typename Crash>
    int RunCrashingChild(Crash crash) {
        m_prefix->WriteHostFile("drive_c/crash/keep", "");
        pid_t pid = ::fork();
        if (pid == 0) {
            if (!platform::SetCurrentDirectory("C:\\crash")) ::_exit(90);
            platform::InstallCrashFilter(&WriteDumpHere);
            crash();
            ::_exit(91);  // not reached when the crash goes on as it should
        }
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
        return status;
    }
    std::string Dump() { return m_prefix->ReadHostFile("drive_c/crash/zefisetup.dmp"); }
};

TEST_F(CrashDump, SegmentationFaultWritesTheDumpAndStillKillsTheProcess) {
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    int status = RunCrashingChild([page] { WriteToForbiddenPage(page); });
    ::munmap(page, 4096);
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    const std::string dump = Dump();
    EXPECT_NE(dump.find("Signal: 11 (SIGSEGV)\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Address: " + HexAddress(page) + "\n"), std::string::npos) << dump;
    size_t trace = dump.find("Backtrace:\n");
    ASSERT_NE(trace, std::string::npos) << dump;
    // At least a few frames follow, one a line.
    size_t frames = 0;
    for (size_t i = trace + 11; i < dump.size(); ++i) frames += dump[i] == '\n';
    EXPECT_GE(frames, 3u) << dump;
}

TEST_F(CrashDump, StackOverflowWritesTheDumpOnTheCrashStack) {
    int status = RunCrashingChild([] { RecurseWithoutEnd(0); });
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    const std::string dump = Dump();
    EXPECT_NE(dump.find("Signal: 11 (SIGSEGV)\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Backtrace:\n"), std::string::npos) << dump;
}

TEST_F(CrashDump, StackOverflowOfAPreparedWorkerThreadWritesTheDump) {
    int status = RunCrashingChild([] {
        std::thread worker([] {
            platform::PrepareThreadForCrash();
            RecurseWithoutEnd(0);
        });
        worker.join();
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_NE(Dump().find("Signal: 11 (SIGSEGV)\n"), std::string::npos) << Dump();
}

// What a thread's alternate signal stack was once the thread's C++ objects were gone: a
// thread-specific value's destructor runs after them, as a sanitizer's clean-up does.
void* g_stackAtThreadEnd = nullptr;
void RecordStackAtThreadEnd(void*) {
    stack_t stack;
    if (::sigaltstack(nullptr, &stack) == 0)
        g_stackAtThreadEnd = (stack.ss_flags & SS_DISABLE) ? nullptr : stack.ss_sp;
}

TEST_F(CrashDump, PreparedThreadGivesItsEarlierStackBackWhenItEnds) {
    // A sanitizer gives each thread an alternate stack and unmaps whatever stack the thread has
    // when it ends: so does this test's, which is therefore mapped, not static.
    const size_t size = 64 * 1024;
    void* earlier =
        ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(earlier, MAP_FAILED);
    pthread_key_t key;
    ASSERT_EQ(::pthread_key_create(&key, &RecordStackAtThreadEnd), 0);
    g_stackAtThreadEnd = nullptr;
    std::thread([key, earlier, size] {
        stack_t own{};
        own.ss_sp = earlier;
        own.ss_size = size;
        ASSERT_EQ(::sigaltstack(&own, nullptr), 0);
        ::pthread_setspecific(key, earlier);
        platform::PrepareThreadForCrash();
        platform::PrepareThreadForCrash();
        stack_t now;
        ASSERT_EQ(::sigaltstack(nullptr, &now), 0);
        EXPECT_NE(now.ss_sp, earlier);
        EXPECT_GE(now.ss_size, 128u * 1024);
    }).join();
    ::pthread_key_delete(key);
    EXPECT_EQ(g_stackAtThreadEnd, earlier);
}

TEST_F(CrashDump, AbortIsReportedAsWell) {
    int status = RunCrashingChild([] { std::abort(); });
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    EXPECT_NE(Dump().find("(SIGABRT)"), std::string::npos) << Dump();
}

TEST_F(CrashDump, WriterFailsWhereTheFileCannotBeCreated) {
    EXPECT_FALSE(platform::WriteCrashDumpTo("C:\\no such dir\\zefisetup.dmp", nullptr));
    m_prefix->WriteHostFile("drive_c/_DATA_LOCAL/keep", "");
    ASSERT_TRUE(platform::WriteCrashDumpTo("C:\\_data_local\\zefisetup.dmp", nullptr));
    const std::string dump = m_prefix->ReadHostFile("drive_c/_DATA_LOCAL/zefisetup.dmp");
    EXPECT_NE(dump.find("Signal: none\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Backtrace:\n"), std::string::npos) << dump;
}

}  // namespace
