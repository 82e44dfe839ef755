// Tests of the install script checker on the example medium and on a medium with one fault of
// each kind, both as DVDs of a temporary machine.
#include "script/script_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_prefix.h"

namespace {

using zefi::CheckMedium;
using zefi::CheckMessage;

std::string Joined(const std::vector<CheckMessage>& messages) {
    std::string text;
    for (const CheckMessage& message : messages) text += zefi::FormatCheckMessage(message) + "\n";
    return text;
}

class ScriptCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string source = ZEFISETUP_SOURCE_DIR;
        m_prefix = std::make_unique<testsupport::TempPrefix>(
            "[drives]\nC = drive_c, fixed\nD = " + source + "/examples/medium, cdrom, RIDEZEZ01\n" +
            "E = " + source + "/tests/data/faulty_medium, cdrom, RIDEZEZ09\n");
    }
    std::unique_ptr<testsupport::TempPrefix> m_prefix;
};

TEST_F(ScriptCheck, ExampleMediumIsSound) {
    // The second disk lies in a subdirectory of the medium, and groups that only hold values
    // for references are no unreached groups.
    EXPECT_EQ(Joined(CheckMedium("D:\\")), "");
}

TEST_F(ScriptCheck, FaultyMediumGetsOneMessagePerFault) {
    EXPECT_EQ(Joined(CheckMedium("E:\\")),
              "E:\\cd.cfg:3: group 'MISSING' named in List does not exist\n"
              "E:\\cd.cfg:8: :i '*.XYZ' matches nothing in 'PROGRAM'\n"
              "E:\\cd.cfg:9: :ibat 'nostart.bat' matches nothing in 'PROGRAM'\n"
              "E:\\cd.cfg:11: Source directory 'NOSUCHDIR' not found on the medium\n"
              "E:\\cd.cfg:14: unknown option key 'Colour'\n"
              "E:\\cd.cfg:15: unknown action 'copy'\n"
              "E:\\cd.cfg:16: Size value '12kB' is not a number\n"
              "E:\\cd.cfg:17: disk 'disk9.id' has no entry in group DiskNames\n"
              "E:\\cd.cfg:18: reference [NOGROUP:Dir]: no group 'NOGROUP'\n"
              "E:\\cd.cfg:19: reference [VALUES:NoKey]: no key 'NoKey' in group 'VALUES'\n"
              "E:\\cd.cfg:20: unbalanced '[': no ']' follows, so nothing in the value is "
              "expanded\n"
              "E:\\cd.cfg:23: group 'ORPHAN' is not reached from STARTW, STARTNW or STARTMW\n"
              "E:\\cd.cfg:25: second block of group 'PROG' is never read (the group is read "
              "from line 4)\n"
              "E:\\cd.cfg:27: unbalanced '[': a header without ']' names no group\n"
              "E:\\cd.cfg:30: line longer than 511 characters: the reader splits it, and reads "
              "its remainder as a line of its own\n"
              "E:\\cd.cfg:34: group 'LOOP' named in List closes the cycle LOOP -> LOOP2 -> LOOP: "
              "the installer skips it there\n");
}

TEST_F(ScriptCheck, MissingScriptAndMissingStartGroup) {
    m_prefix->WriteHostFile("drive_c/M/cd.cfg", "[OTHER]\n:mkdir\n");
    EXPECT_EQ(Joined(CheckMedium("C:\\M")),
              "C:\\M\\cd.cfg:0: no start group STARTW, STARTNW or STARTMW\n"
              "C:\\M\\cd.cfg:1: group 'OTHER' is not reached from STARTW, STARTNW or STARTMW\n"
              "C:\\M\\cds.cfg:0: the install script cannot be read\n");
}

TEST_F(ScriptCheck, FilesOfAFurtherDiskAreLookedForWhereItsMarkerIs) {
    m_prefix->WriteHostFile("drive_c/M/cd.cfg",
                            "[STARTW]\nList=TWO\n[TWO]\nSource=DATA\nCD=two.id\n:i *.DAT\n"
                            "[DiskNames]\ntwo.id=Disk 2\n");
    m_prefix->WriteHostFile("drive_c/M/cds.cfg", "[STARTW]\n");
    // The disk is not there: its files cannot be checked, and nothing is said about them.
    EXPECT_EQ(Joined(CheckMedium("C:\\M")), "");
    m_prefix->WriteHostFile("drive_c/DISK2/two.id", "2");
    m_prefix->WriteHostFile("drive_c/DISK2/DATA/A.TXT", "a");
    EXPECT_EQ(Joined(CheckMedium("C:\\M", {"C:\\DISK2\\"})),
              "C:\\M\\cd.cfg:6: :i '*.DAT' matches nothing in 'DATA'\n");
    m_prefix->WriteHostFile("drive_c/DISK2/DATA/A.DAT", "a");
    EXPECT_EQ(Joined(CheckMedium("C:/M", {"C:\\DISK2"})), "");
}

TEST_F(ScriptCheck, ListsThatLeadBackToARunningGroupAreReportedWhereTheyCloseTheCycle) {
    m_prefix->WriteHostFile("drive_c/M/cd.cfg",
                            "[STARTW]\n"
                            "List=A,SELF,D1,D2\n"
                            "[A]\n"
                            "List=B\n"
                            "[B]\n"
                            "Positive=X\n"
                            "Negative=C,!A\n"
                            "[C]\n"
                            "List=A\n"
                            "[SELF]\n"
                            "List=SELF\n"
                            "[D1]\n"
                            "List=SHARED\n"
                            "[D2]\n"
                            "List=SHARED\n"
                            "[SHARED]\n"
                            "[X]\n");
    m_prefix->WriteHostFile("drive_c/M/cds.cfg", "[STARTW]\n");
    // A group that two lists name without a cycle (SHARED) is no finding.
    EXPECT_EQ(Joined(CheckMedium("C:\\M")),
              "C:\\M\\cd.cfg:7: group 'A' named in Negative closes the cycle A -> B -> A: the "
              "installer skips it there\n"
              "C:\\M\\cd.cfg:9: group 'A' named in List closes the cycle A -> B -> C -> A: the "
              "installer skips it there\n"
              "C:\\M\\cd.cfg:11: group 'SELF' named in List closes the cycle SELF -> SELF: the "
              "installer skips it there\n");
}

TEST_F(ScriptCheck, ReportsTheLinesAnEditorShowsAfterASplitLine) {
    m_prefix->WriteHostFile("drive_c/M/cd.cfg",
                            "[STARTW]\nList=" + std::string(600, 'A') + "\n:frobnicate\n");
    m_prefix->WriteHostFile("drive_c/M/cds.cfg", "[STARTW]\n");
    const std::string out = Joined(CheckMedium("C:/M"));
    EXPECT_EQ(out,
              "C:/M/cd.cfg:2: line longer than 511 characters: the reader splits it, and reads "
              "its remainder as a line of its own\n"
              "C:/M/cd.cfg:2: group '" +
                  std::string(506, 'A') +
                  "' named in List does not exist\n"
                  "C:/M/cd.cfg:3: unknown action 'frobnicate'\n");
}

}  // namespace
