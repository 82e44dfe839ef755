// End-to-end tests of the zefisetup-check program, run as a medium's author runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

#include "support/run_command.h"
#include "support/temp_prefix.h"

namespace {

class ZefisetupCheck : public testsupport::PrefixTest {
  protected:
    // Runs the checker in the source tree with arguments (shell syntax); returns its standard
    // output and error.
    std::string Run(const std::string& args) {
        std::string command = std::string("cd '") + ZEFISETUP_SOURCE_DIR +
                              "' && ZEFISETUP_PREFIX='" + m_prefix->Path() + "' '" +
                              ZEFISETUP_CHECK_BINARY + "' " + args + " </dev/null 2>&1";
        int status = -1;
        std::string out = testsupport::RunCommand(command, &status);
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return out;
    }
    int m_status = -1;
};

TEST_F(ZefisetupCheck, ExampleMediumPrintsNothingAndSucceeds) {
    EXPECT_EQ(Run("examples/medium"), "");
    EXPECT_EQ(m_status, 0);
}

TEST_F(ZefisetupCheck, FaultyMediumGetsItsMessagesAndFails) {
    const std::string out = Run("tests/data/faulty_medium/");
    EXPECT_EQ(m_status, 1);
    // One line per fault, all in the Czech script; the Slovak one is sound.
    int lines = 0;
    for (char c : out) lines += c == '\n';
    EXPECT_EQ(lines, 16) << out;
    EXPECT_EQ(out.rfind("tests/data/faulty_medium/cd.cfg:3: group 'MISSING' named in List does "
                        "not exist\n",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find("tests/data/faulty_medium/cd.cfg:34: group 'LOOP' named in List closes "
                       "the cycle LOOP -> LOOP2 -> LOOP: the installer skips it there\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("cds.cfg"), std::string::npos) << out;
}

TEST_F(ZefisetupCheck, ListsThatFormACycleAreAFinding) {
    m_prefix->WriteHostFile("cycle/cd.cfg", "[STARTW]\nList=A\n[A]\nList=B\n[B]\nList=A\n");
    m_prefix->WriteHostFile("cycle/cds.cfg", "[STARTW]\nList=STARTW\n");
    const std::string medium = m_prefix->Host("cycle/");
    EXPECT_EQ(Run("'" + medium + "'"),
              medium + "cd.cfg:6: group 'A' named in List closes the cycle A -> B -> A: the " +
                  "installer skips it there\n" + medium +
                  "cds.cfg:2: group 'STARTW' named in List closes the cycle STARTW -> STARTW: " +
                  "the installer skips it there\n");
    EXPECT_EQ(m_status, 1);
}

TEST_F(ZefisetupCheck, WithoutAMediumItShowsHowToCallIt) {
    EXPECT_EQ(Run(""),
              "usage: zefisetup-check <medium directory> [<directory of a further disk> ...]\n");
    EXPECT_EQ(m_status, 2);
}

}  // namespace
