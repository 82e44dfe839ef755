// Tests of the one-character console read: a terminal gives a character, a pipe never waits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include "platform/machine.h"

namespace {

// Puts fd in place of standard input for the lifetime of the object.
class StdinAs {
  public:
    explicit StdinAs(int fd) : m_saved(dup(STDIN_FILENO)) { dup2(fd, STDIN_FILENO); }
    ~StdinAs() {
        dup2(m_saved, STDIN_FILENO);
        close(m_saved);
    }

  private:
    int m_saved;
};

TEST(ConsoleCharacter, APipeIsNeitherWaitedOnNorRead) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "ab", 2), 2);
    {
        // The writer stays open: a read would take "a" (and a second one would wait).
        StdinAs in(fds[0]);
        platform::ReadConsoleCharacter();
        platform::ReadConsoleCharacter();
    }
    char buffer[4] = {};
    EXPECT_EQ(read(fds[0], buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "ab");
    close(fds[0]);
    close(fds[1]);
}

TEST(ConsoleCharacter, ATerminalGivesOneCharacter) {
    int master = -1;
    int terminal = -1;
    ASSERT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(write(master, "yz\n", 3), 3);
    {
        StdinAs in(terminal);
        platform::ReadConsoleCharacter();
    }
    // One character went; the rest of the line is still there.
    fcntl(terminal, F_SETFL, O_NONBLOCK);
    char buffer[8] = {};
    EXPECT_EQ(read(terminal, buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "z\n");
    close(terminal);
    close(master);
}

}  // namespace
