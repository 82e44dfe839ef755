// Tests of group processing: real install scripts run through GroupList on real files in a
// temporary prefix, for list order and recursion, the no-install, new-install and installed
// decisions, conditional sub-lists, go back, retry and stop.
#include <gtest/gtest.h>

#include "script/ins_grp.h"
#include "script_run.h"

namespace {

using Lines = std::vector<std::string>;

class GroupListTest : public scripttest::ScriptRunTest {};

TEST_F(GroupListTest, SubListsRunCompletelyBeforeTheParentGoesOn) {
    WriteScript(
        "[STARTW]\n"
        "List = A, B, C\n"
        "[A]\n"
        "List = A1\n"
        "[A1]\n"
        "List = A2\n"
        "[A2]\n"
        ":print a2\n"
        "[B]\n"
        ":print b\n"
        "[C]\n"
        "List = C1\n"
        "[C1]\n"
        ":print c1\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "A", "A1", "A2", "B", "C", "C1"}));
    EXPECT_EQ(LogLines("Group finished: "), (Lines{"STARTW", "A", "A1", "A2", "B", "C", "C1"}));
    EXPECT_EQ(LogLines("GrpHasList "), (Lines{"STARTW A, B, C", "A A1", "A1 A2", "C C1"}));
}

TEST_F(GroupListTest, BangNameRunsOnlyDeloncdAfterPointingThePartAtTheSource) {
    WriteC("ZEFI/zefi6.cfg", "LIT=C:\\ZEFI\\LIT\\\r\nOTHER=1\r\n");
    WriteC("SRC/LIT/lit.dat", "new");
    WriteC("ZEFI/LIT/lit.dat", "old");
    WriteC("ZEFI/LIT/keep.dat", "keep");
    WriteScript(
        "[STARTW]\n"
        "List = A,!B,C\n"
        "[A]\n"
        ":setdeloncd\n"
        "[B]\n"
        "Source = LIT\n"
        "Dest = LIT\n"
        "CfgFile = C:\\ZEFI\\zefi6.cfg\n"
        "CfgName = LIT\n"
        "CfgValEnd = lit.dat\n"
        "List = B1\n"
        ":i keep.dat\n"
        ":mkdir\n"
        ":deloncd lit.dat\n"
        "[B1]\n"
        ":print b1\n"
        "[C]\n"
        ":print c\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "A", "!B", "B1", "C"}));
    EXPECT_EQ(LogLines("Group finished: "), (Lines{"STARTW", "A", "B", "B1", "C"}));
    EXPECT_EQ(LogLines("CInsGrp::ProcessActions IsNoinstall yes").size(), 1u);
    // The configuration points at the source, the copy on the disk is gone, nothing was copied.
    EXPECT_EQ(ReadC("ZEFI/zefi6.cfg"), "LIT= C:\\SRC\\LIT\\lit.dat\r\nOTHER=1\r\n");
    EXPECT_FALSE(ExistsC("ZEFI/LIT/lit.dat"));
    EXPECT_EQ(ReadC("ZEFI/LIT/keep.dat"), "keep");
    EXPECT_TRUE(LogLines("srcfile: ").empty());
}

TEST_F(GroupListTest, PartOnTheNotInstalledListRunsInNoInstallMode) {
    WriteC("SRC/SLOV/s.dat", "s");
    WriteScript(
        "[STARTW]\n"
        "List = SL\n"
        "[SL]\n"
        "Source = SLOV\n"
        "Dest = SLOV\n"
        "CfgGroup = SLOV\n"
        ":i *.dat\n");
    m_context->AddNotInstalledPart("SLOV");
    EXPECT_TRUE(Run());
    EXPECT_FALSE(ExistsC("ZEFI/SLOV/s.dat"));
    m_context->AddInstalledPart("SL");  // "SL," is no part name of the list's "SLOV,"
    zefi::InstallContext other("C:\\SRC", "C:\\ZEFI", *m_log);
    other.SetScriptPath("C:\\SRC\\cd.cfg");
    other.AddNotInstalledPart("LIT");
    zefi::GroupList list("STARTW", &other);
    EXPECT_TRUE(list.process_list());
    EXPECT_EQ(ReadC("ZEFI/SLOV/s.dat"), "s");
}

TEST_F(GroupListTest, NewInstallWritesCfgValAndInstalledPartOnTheSourceIsRewritten) {
    WriteC("ZEFI/zefi6.cfg", "LIT=C:\\SRC\\LIT\\\r\nPZP=C:\\SRC\\PZP\\\r\n");
    WriteScript(
        "[STARTW]\n"
        "List = L, P\n"
        "[L]\n"
        "Source = LIT\n"
        "CfgFile = C:\\ZEFI\\zefi6.cfg\n"
        "CfgName = LIT\n"
        "CfgVal = C:\\ZEFI\\LIT\\\n"
        "[P]\n"
        "Source = PZP\n"
        "CfgFile = C:\\ZEFI\\zefi6.cfg\n"
        "CfgName = PZP\n"
        "CfgVal = D:\\PZP\\\n");
    m_context->SetNewInstall(0);
    m_context->AddInstalledPart("LIT");
    EXPECT_TRUE(Run());
    // LIT is installed and still configured on the source: its value is rewritten; PZP is not
    // on the installed list, so it keeps its value.
    EXPECT_EQ(ReadC("ZEFI/zefi6.cfg"), "LIT= C:\\ZEFI\\LIT\\\r\nPZP=C:\\SRC\\PZP\\\r\n");
    EXPECT_EQ(LogLines("CInsGrp::ProcessActions IsInstall yes").size(), 1u);

    m_context->SetNewInstall(1);
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/zefi6.cfg"), "LIT= C:\\ZEFI\\LIT\\\r\nPZP= D:\\PZP\\\r\n");
}

TEST_F(GroupListTest, NotOnCdPartStillOnTheSourceCountsAsNew) {
    WriteC("ZEFI/zefi6.cfg", "LIT=c:\\src\\lit\\data\r\n");
    WriteScript(
        "[STARTW]\n"
        "Source = LIT\n"
        "NotOnCD = 1\n"
        "CfgFile = C:\\ZEFI\\zefi6.cfg\n"
        "CfgName = LIT\n"
        "CfgVal = C:\\ZEFI\\LIT\\\n");
    m_context->SetNewInstall(0);
    m_context->SetChangeCfgAll(0);
    EXPECT_TRUE(Run());
    EXPECT_TRUE(LogLines("CInsGrp::ProcessActions IsNewInstall yes").empty());
    EXPECT_EQ(ReadC("ZEFI/zefi6.cfg"), "LIT=c:\\src\\lit\\data\r\n");
    m_context->SetChangeCfgAll(1);
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("CInsGrp::ProcessActions IsNewInstall yes").size(), 1u);
    EXPECT_EQ(ReadC("ZEFI/zefi6.cfg"), "LIT= C:\\ZEFI\\LIT\\\r\n");
}

TEST_F(GroupListTest, LastConditionalActionDecidesTheSubList) {
    WriteC("ZEFI/zefi6.cfg", "MODE=full\r\n");
    WriteC("ZEFI/here.txt", "x");
    WriteScript(
        "[STARTW]\n"
        "List = EXISTONLY, BOTH, EMPTYPOS\n"
        "[EXISTONLY]\n"
        "Positive = YES\n"
        "Negative = NO\n"
        ":exist C:\\ZEFI\\here.txt\n"
        "[BOTH]\n"
        "CfgFile = C:\\ZEFI\\zefi6.cfg\n"
        "CfgName = MODE\n"
        "CfgVal = lite\n"
        "Positive = YES\n"
        "Negative = NO\n"
        ":exist C:\\ZEFI\\here.txt\n"
        ":cfgcmp\n"
        "[EMPTYPOS]\n"
        "Negative = NO\n"
        ":exist C:\\ZEFI\\h*.txt\n"
        "[YES]\n"
        "[NO]\n");
    m_context->SetNewInstall(0);  // a new install would write CfgVal before the actions
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "EXISTONLY", "YES", "BOTH", "NO", "EMPTYPOS"}));
}

// Group G's sub-list H finds C:\ZEFI\once.txt the first time only and then goes back to target.
std::string GoBackScript(const std::string& startList, const std::string& target) {
    return "[STARTW]\n"
           "List = " +
           startList +
           "\n"
           "[X]\n"
           "[G]\n"
           "List = H\n"
           "[H]\n"
           "Positive = BACK\n"
           ":exist C:\\ZEFI\\once.txt\n"
           "[BACK]\n"
           ":d once.txt\n"
           ":goback " +
           target +
           "\n"
           ":print never\n"
           "[Z]\n";
}

TEST_F(GroupListTest, GoBackToAGroupOnTheWayUpRunsItAgain) {
    WriteC("ZEFI/once.txt", "1");
    WriteScript(GoBackScript("X, G, Z", "G"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "X", "G", "H", "BACK", "G", "H", "Z"}));
    EXPECT_EQ(LogLines("GrpShouldGoBack "), (Lines{"BACK "}));
    EXPECT_TRUE(m_context->GetGoBackTarget().IsEmpty());
}

TEST_F(GroupListTest, GoBackToAListTextRestartsThatList) {
    WriteC("ZEFI/once.txt", "1");
    WriteScript(GoBackScript("X, G, Z", "X, G, Z"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "X", "G", "H", "BACK", "X", "G", "H", "Z"}));
}

TEST_F(GroupListTest, GoBackWithoutTargetEndsOnlyTheSubList) {
    WriteC("ZEFI/once.txt", "1");
    WriteScript(
        "[STARTW]\n"
        "List = A, Z\n"
        "[A]\n"
        "List = BACK, SKIPPED\n"
        "[BACK]\n"
        ":goback\n"
        "[SKIPPED]\n"
        "[Z]\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "A", "BACK", "Z"}));
}

TEST_F(GroupListTest, GoBackToAnUnknownTargetEndsTheRunAsFinished) {
    WriteC("ZEFI/once.txt", "1");
    WriteScript(GoBackScript("X, G, Z", "NOWHERE"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "X", "G", "H", "BACK"}));
    EXPECT_TRUE(LogLines("GrpShouldExit ").empty());
}

TEST_F(GroupListTest, GroupThatListsItselfIsSkippedInsideItsOwnSubList) {
    WriteScript(
        "[STARTW]\n"
        "List = A, Z\n"
        "[A]\n"
        "List = A, B\n"
        "[B]\n"
        ":print b\n"
        "[Z]\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "A", "B", "Z"}));
    EXPECT_EQ(LogLines("Group A "), (Lines{"already in process, skipped"}));
}

TEST_F(GroupListTest, CycleThroughListsAndConditionalActionsEndsWhereItCloses) {
    // A -> B -> C -> A through List, and C -> !B through Negative: both close a cycle.
    WriteScript(
        "[STARTW]\n"
        "List = A, Z\n"
        "[A]\n"
        "List = B\n"
        "[B]\n"
        "List = C\n"
        "[C]\n"
        "Positive = A\n"
        "Negative = A, !B, D\n"
        ":exist C:\\ZEFI\\missing.txt\n"
        "[D]\n"
        "[Z]\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "A", "B", "C", "D", "Z"}));
    EXPECT_EQ(LogLines("Group A already in process, skipped").size(), 1u) << Log();
    EXPECT_EQ(LogLines("Group B already in process, skipped").size(), 1u) << Log();
    EXPECT_TRUE(LogLines("GrpShouldExit ").empty());
}

TEST_F(GroupListTest, GroupReachedTwiceWithoutACycleRunsBothTimes) {
    WriteScript(
        "[STARTW]\n"
        "List = A, B, C\n"
        "[A]\n"
        "List = C\n"
        "[B]\n"
        "List = C\n"
        "[C]\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "A", "C", "B", "C", "C"}));
    EXPECT_TRUE(LogLines("Group C already").empty());
}

TEST_F(GroupListTest, RetryOfAFailedLastActionRestartsAtTheFirstAction) {
    WriteScript(
        "[STARTW]\n"
        ":d *.tmp\n"
        ":cat C:\\ZEFI\\later.txt\n");
    m_errors.answers = {true};
    m_errors.onShow = [this] { WriteC("ZEFI/later.txt", "now"); };
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_errors.shown.size(), 1u);
    EXPECT_EQ(m_errors.shown[0].headline, "Chyba při instalaci C:\\ZEFI\\later.txt");
    EXPECT_EQ(m_errors.shown[0].detail, "Chyba při čtení C:\\ZEFI\\later.txt");
    EXPECT_EQ(LogLines("Deleting: ").size(), 2u);
}

TEST_F(GroupListTest, RetryOfAFailedMiddleActionRepeatsOnlyThatAction) {
    WriteScript(
        "[STARTW]\n"
        ":d *.tmp\n"
        ":cat C:\\ZEFI\\later.txt\n"
        ":d *.old\n");
    m_errors.answers = {true};
    m_errors.onShow = [this] { WriteC("ZEFI/later.txt", "now"); };
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Deleting: "),
              (Lines{"C:\\ZEFI\\*.tmp ... 0 deleted.", "C:\\ZEFI\\*.old ... 0 deleted."}));
}

TEST_F(GroupListTest, ExitStopsEveryEnclosingList) {
    WriteScript(
        "[STARTW]\n"
        "List = A, Z\n"
        "[A]\n"
        "List = B\n"
        "[B]\n"
        ":cat C:\\missing.txt\n"
        ":print never\n"
        "[Z]\n");
    m_errors.answers = {false};
    EXPECT_FALSE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "A", "B"}));
    EXPECT_EQ(LogLines("GrpShouldExit "), (Lines{"B "}));
    ASSERT_EQ(m_errors.shown.size(), 1u);
    EXPECT_EQ(m_errors.shown[0].code, "Soubor nenalezen (Kód chyby: 2)");
}

TEST_F(GroupListTest, UserStopEndsTheRunBetweenActions) {
    WriteScript(
        "[STARTW]\n"
        "List = A, Z\n"
        "[A]\n"
        ":print one\n"
        ":print two\n"
        "[Z]\n");
    m_sink.stopAfter = 1;
    EXPECT_FALSE(Run());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "A"}));
    EXPECT_EQ(LogLines("CSystem::ShouldExit() Dlg->GetThreadStop()").size(), 1u);
}

TEST_F(GroupListTest, EwmStopsTheRunWithItsMessage) {
    WriteScript(
        "[STARTW]\n"
        "List = A, Z\n"
        "[A]\n"
        ":ewm 42\n"
        "[Z]\n");
    EXPECT_FALSE(Run());
    EXPECT_NE(Messages().find("message 150: Chyba při instalaci 0x002A -> ok"), std::string::npos)
        << Messages();
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "A"}));
}

TEST_F(GroupListTest, MissingScriptStopsTheRun) {
    m_context->SetScriptPath("C:\\SRC\\none.cfg");
    EXPECT_FALSE(Run());
    EXPECT_EQ(LogLines("Chyba pri cteni "), (Lines{"C:\\SRC\\none.cfg"}));
}

TEST_F(GroupListTest, WithoutContextNothingRuns) {
    zefi::GroupList list("STARTW", nullptr);
    EXPECT_FALSE(list.process_list());
}

TEST_F(GroupListTest, PlaceholdersAreReplacedInOptionsAndArguments) {
    WriteC("ZEFI/zefi6.cfg", "PATH=x\r\n");
    WriteScript(
        "[STARTW]\n"
        "CfgFile = [DstBase]zefi6.cfg\n"
        "CfgName = PATH\n"
        "CfgVal = [SrcBase]A\\[SrcBase]\n"
        ":exist [DstBase]zefi6.cfg\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/zefi6.cfg"), "PATH= C:\\SRC\\A\\C:\\SRC\\\r\n") << Log();
}

TEST_F(GroupListTest, FreeSpacePlaceholderIsTheDestinationsFreeKilobytes) {
    // A CD-ROM destination has no free space.
    zefi::InstallContext context("C:\\SRC", "E", *m_log);
    context.SetScriptPath("C:\\SRC\\cd.cfg");
    EXPECT_EQ(context.GetDestinationBase(), "E:\\");
    WriteC("SRC/free0.txt", "");
    WriteScript(
        "[STARTW]\n"
        "Positive = FOUND\n"
        ":exist C:\\SRC\\free[FreeSpace].txt\n"
        "[FOUND]\n");
    zefi::GroupList list("STARTW", &context);
    EXPECT_TRUE(list.process_list());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "FOUND"}));
}

TEST_F(GroupListTest, UnknownOptionsAndActionsAreLoggedAndSkipped) {
    WriteScript(
        "[STARTW]\n"
        "Bogus = 1\n"
        ":frobnicate x\n"
        ":print ok\n");
    // The unknown option reads one character: give it an empty standard input.
    ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Unrecognized option: "), (Lines{"Bogus"}));
    EXPECT_EQ(LogLines("Unrecognized action: "), (Lines{"frobnicate"}));
}

TEST(InstallContext, BasesUseBackslashesAndEndWithOne) {
    zefi::LogStream log;
    zefi::InstallContext context("D:/medium/zefi", "c", log);
    EXPECT_EQ(context.GetSourceBase(), "D:\\medium\\zefi\\");
    EXPECT_EQ(context.GetDestinationBase(), "c:\\");
    context.SetDestinationBase("C:/Zefi\\");
    EXPECT_EQ(context.GetDestinationBase(), "C:\\Zefi\\");
    context.SetSourceBase("E:\\");
    EXPECT_EQ(context.GetSourceBase(), "E:\\");
}

TEST(InstallContext, RememberedConfigurationFileBelongsToOnePart) {
    zefi::LogStream log;
    zefi::InstallContext context("C:\\", "C:\\", log);
    context.RememberCfgPath("LIT", "C:\\ZEFI\\LIT\\zefi.cfg");
    EXPECT_EQ(context.GetCfgPath("LIT"), "C:\\ZEFI\\LIT\\zefi.cfg");
    EXPECT_EQ(context.GetCfgPath("lit"), "");
    EXPECT_EQ(context.GetCfgPath(""), "");
    context.UseDefaultDestination("LIT");
    EXPECT_EQ(context.GetUseDefaultDestination("LIT"), 1);
    EXPECT_EQ(context.GetCfgPath("LIT"), "C:\\ZEFI\\LIT\\zefi.cfg");
    context.RememberCfgPath("", "C:\\other");
    EXPECT_EQ(context.GetCfgPath("LIT"), "C:\\ZEFI\\LIT\\zefi.cfg");
    context.RememberCfgPath("PZP", "C:\\P\\p.cfg");
    EXPECT_EQ(context.GetCfgPath("LIT"), "");
    EXPECT_EQ(context.GetUseDefaultDestination("LIT"), 0);
    EXPECT_EQ(context.GetUseDefaultDestination("PZP"), 0);
    context.UseDefaultDestination("CLO");
    EXPECT_EQ(context.GetCfgPath("CLO"), "");
    EXPECT_EQ(context.GetUseDefaultDestination("CLO"), 1);
}

TEST(InstallContext, PartListsMatchNameWithComma) {
    zefi::LogStream log;
    zefi::InstallContext context("C:\\", "C:\\", log);
    context.AddInstalledPart("LIT");
    context.AddInstalledPart("LIT");
    context.AddInstalledPart("");
    context.AddNotInstalledPart("SLOV");
    EXPECT_EQ(context.GetInstalledParts(), "LIT,");
    EXPECT_TRUE(context.IsInstalledPart("LIT"));
    EXPECT_TRUE(context.IsInstalledPart("IT"));  // a substring of "LIT," counts
    EXPECT_FALSE(context.IsInstalledPart("LI"));
    EXPECT_FALSE(context.IsInstalledPart(""));
    EXPECT_TRUE(context.IsNotInstalledPart("SLOV"));
    EXPECT_FALSE(context.IsNotInstalledPart("LIT"));
}

}  // namespace
