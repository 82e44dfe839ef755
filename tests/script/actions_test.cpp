// Tests of the script actions on real files in a temporary prefix: copying on a fresh install
// and on an update, the configuration and batch file actions, the conditional actions and the
// steering actions.
#include "script/actions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "script_run.h"

namespace {

using Lines = std::vector<std::string>;

class ActionsTest : public scripttest::ScriptRunTest {
  protected:
    // A group LIT that copies SRC\LIT\*.dat, configured by key LITDIR in C:\ZEFI\zefi6.cfg.
    void WriteLitScript(const std::string& extra = "") {
        WriteC("SRC/LIT/a.dat", "A");
        WriteC("SRC/LIT/b.dat", "B");
        WriteScript(
            "[STARTW]\n"
            "List = LIT, AFTER\n"
            "[LIT]\n"
            "Source = LIT\n"
            "Dest = LIT\n"
            "CfgFile = C:\\ZEFI\\zefi6.cfg\n"
            "CfgName = LITDIR\n"
            "CfgValEnd = lit.idx\n" +
            extra +
            ":i *.dat\n"
            "[AFTER]\n");
    }
};

TEST(ActionNames, MapToTheirCodes) {
    EXPECT_EQ(zefi::ActionCodeFromName("i"), zefi::kActionInstall);
    EXPECT_EQ(zefi::ActionCodeFromName("quit"), 17);
    EXPECT_EQ(zefi::ActionCodeFromName("checkval"), 30);
    EXPECT_EQ(zefi::ActionCodeFromName("ewm"), 31);
    EXPECT_EQ(zefi::ActionCodeFromName("I"), zefi::kActionNone);
    EXPECT_EQ(zefi::ActionCodeFromName(""), zefi::kActionNone);
    for (int code = 1; code <= 31; ++code) {
        std::string name = zefi::ActionName(code);
        if (!name.empty()) {
            EXPECT_EQ(zefi::ActionCodeFromName(name.c_str()), code) << name;
        }
    }
}

TEST_F(ActionsTest, FreshInstallCopiesIntoTheDestinationDirectory) {
    WriteLitScript();
    WriteC("ZEFI/zefi6.cfg", "LITDIR=D:\\ELSEWHERE\\lit.idx\r\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/LIT/a.dat"), "A");
    EXPECT_EQ(ReadC("ZEFI/LIT/b.dat"), "B");
}

TEST_F(ActionsTest, UpdateCopiesIntoTheConfiguredDirectory) {
    WriteLitScript();
    WriteC("ZEFI/zefi6.cfg", "LITDIR=C:\\DATA\\LIT\\lit.idx\r\n");
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("DATA/LIT/a.dat"), "A");
    EXPECT_FALSE(ExistsC("ZEFI/LIT/a.dat"));
}

TEST_F(ActionsTest, UpdateOfAPartUsedFromTheSourceCopiesNothing) {
    WriteLitScript();
    WriteC("ZEFI/zefi6.cfg", "LITDIR=c:\\src\\lit\\lit.idx\r\n");
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());
    EXPECT_FALSE(ExistsC("ZEFI/LIT/a.dat"));
    EXPECT_TRUE(LogLines("srcfile: ").empty());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "LIT", "AFTER"}));
}

TEST_F(ActionsTest, UpdateWithAnEmptyConfiguredValueWarnsAndStops) {
    WriteLitScript();
    WriteC("ZEFI/zefi6.cfg", "OTHER=1\r\n");
    m_context->SetNewInstall(0);
    EXPECT_FALSE(Run());
    EXPECT_NE(Messages().find("message 103: Konfigurační soubor je poškozen\\nZvolte prosím"),
              std::string::npos)
        << Messages();
    EXPECT_FALSE(ExistsC("ZEFI/LIT/a.dat"));
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "LIT"}));
}

TEST_F(ActionsTest, UpdateToACdRomDestinationIsLoggedAndSkipped) {
    WriteLitScript();
    WriteC("ZEFI/zefi6.cfg", "LITDIR=E:\\LIT\\lit.idx\r\n");
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("E:\\LIT\\ detekovano jako CDROM, soubory se nekopiruji").size(), 1u);
    EXPECT_TRUE(LogLines("srcfile: ").empty());
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "LIT", "AFTER"}));
}

TEST_F(ActionsTest, UseDefaultDestinationWritesTheDestinationIntoTheConfiguration) {
    WriteLitScript("CfgGroup = LITG\n:usedefdst\n");
    WriteC("ZEFI/zefi6.cfg", "LITDIR=C:\\OLD\\lit.idx\r\n");
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/zefi6.cfg"), "LITDIR= C:\\ZEFI\\LIT\\lit.idx\r\n");
    EXPECT_EQ(ReadC("ZEFI/LIT/a.dat"), "A");
}

TEST_F(ActionsTest, OnlyNewerSkipsFilesWithTheSameTimeAndSize) {
    WriteLitScript();
    EXPECT_TRUE(Run());
    m_context->SetOnlyNewer(1);
    EXPECT_TRUE(Run());
    Lines dst = LogLines("dstfile: ");
    ASSERT_EQ(dst.size(), 4u);
    EXPECT_NE(dst[0].find("not NewOnly"), std::string::npos);
    EXPECT_NE(dst[2].find("...skipped"), std::string::npos);
}

TEST_F(ActionsTest, UserStopDuringACopyStopsTheGroup) {
    WriteLitScript();
    // The checks after STARTW and before LIT's first action pass; the copy sees the stop.
    m_sink.stopAfter = 2;
    EXPECT_FALSE(Run());
    EXPECT_EQ(LogLines("CInsGrp::Copy SetShouldExit "),
              (Lines{"C:\\SRC\\LIT\\ , C:\\ZEFI\\LIT\\ , *.dat"}));
    EXPECT_TRUE(m_errors.shown.empty());
}

TEST_F(ActionsTest, FailedCopyShowsTheErrorDialogWithTheCopyEnginesRecord) {
    WriteLitScript();
    WriteC("ZEFI/LIT", "a file where the directory should be");
    EXPECT_FALSE(Run());
    ASSERT_EQ(m_errors.shown.size(), 1u);
    // The directory's name ends with a backslash: the headline names the argument.
    EXPECT_EQ(m_errors.shown[0].headline, "Chyba při kopírování *.dat");
    EXPECT_EQ(m_errors.shown[0].detail, "Chyba při zápisu C:\\ZEFI\\LIT\\");
    EXPECT_EQ(m_errors.shown[0].code, "Soubor nebo adresář již existuje (Kód chyby: 183)");
}

TEST_F(ActionsTest, InstallBatchCopiesOnlyWhenFreshOrMissing) {
    WriteC("SRC/BIN/zefi.bat", "new");
    WriteC("ZEFI/BIN/zefi.bat", "old");
    WriteScript(
        "[STARTW]\n"
        "Source = BIN\n"
        "Dest = BIN\n"
        ":ibat zefi.bat\n");
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/BIN/zefi.bat"), "old");
    WriteC("ZEFI/BIN/zefi.bat", "");  // an empty file does not count as present
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/BIN/zefi.bat"), "new");
    WriteC("ZEFI/BIN/zefi.bat", "old");
    m_context->SetNewInstall(1);
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/BIN/zefi.bat"), "new");
}

constexpr const char* kCfgScript =
    "[STARTW]\n"
    "Source = CFG\n"
    "Dest = CFG\n"
    "OldCfgVal = C:\\MEDIUM\n"
    "NewCfgVal = C:\\ZEFI\n"
    "AppCfgUpdate = COLOR, LANG\n"
    ":icfg app.cfg\n";

TEST_F(ActionsTest, InstallCfgFreshCopiesAndReplacesTheOldValue) {
    WriteC("SRC/CFG/app.cfg", "DATA=c:\\medium\\data\r\nCOLOR=blue\r\n");
    WriteScript(kCfgScript);
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/CFG/app.cfg"), "DATA=C:\\ZEFI\\data\r\nCOLOR=blue\r\n");
}

TEST_F(ActionsTest, InstallCfgUpdateCarriesKeysAndTheAmpersandBlock) {
    WriteC("SRC/CFG/app.cfg",
           "DATA=C:\\MEDIUM\r\nCOLOR=dark blue\r\nLANG=\r\n&new1\r\n&new2\r\nEND=1\r\n");
    WriteC("ZEFI/CFG/app.cfg",
           "DATA=C:\\MINE\r\nCOLOR=red\r\nLANG=cz\r\n&old1\r\nX=1\r\n&old2\r\n");
    WriteScript(kCfgScript);
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());
    // COLOR comes over whole; the empty LANG of the new file leaves the installed one alone.
    EXPECT_EQ(ReadC("ZEFI/CFG/app.cfg"),
              "DATA=C:\\MINE\r\nCOLOR= dark blue\r\nLANG=cz\r\n&new1\r\n&new2\r\nX=1\r\n");
}

TEST_F(ActionsTest, InstallCfgUpdateThatCannotWriteShowsAWriteError) {
    WriteC("SRC/CFG/app.cfg", "COLOR=blue\r\n");
    WriteC("ZEFI/CFG/app.cfg", "COLOR=red\r\nCOLX\r\n");  // a matching line without "="
    WriteScript(kCfgScript);
    m_context->SetNewInstall(0);
    EXPECT_FALSE(Run());
    ASSERT_EQ(m_errors.shown.size(), 1u);
    EXPECT_EQ(m_errors.shown[0].headline, "Chyba při kopírování app.cfg");
    EXPECT_EQ(m_errors.shown[0].detail, "Chyba při zápisu C:\\ZEFI\\CFG\\app.cfg");
    EXPECT_EQ(ReadC("ZEFI/CFG/app.cfg"), "COLOR=red\r\nCOLX\r\n");
}

constexpr const char* kAppCfgScript =
    "[STARTW]\n"
    "Source = CFG\n"
    "Dest = CFG\n"
    "AppCfgPathOld = X:\\DATA\n"
    "AppCfgPathNew = [DstBase]DATA\n"
    "AppCfgOld = ONE, TWO, THREE\n"
    "AppCfgNew = one, two\n"
    "AppCfgUpdate = ONE\n"
    ":iapcfg zefi6.cfg\n";

TEST_F(ActionsTest, InstallAppCfgFreshWritesPairsUpToTheShorterList) {
    WriteC("SRC/CFG/zefi6.cfg", "PATH=x:\\data\\lit\r\nONE=1\r\nTWO=2\r\nTHREE=3\r\n");
    WriteScript(kAppCfgScript);
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/CFG/zefi6.cfg"),
              "PATH=C:\\ZEFI\\DATA\\lit\r\nONE= one\r\nTWO= two\r\nTHREE=3\r\n");
}

TEST_F(ActionsTest, InstallAppCfgUpdateKeepsTheInstalledFile) {
    WriteC("SRC/CFG/zefi6.cfg", "PATH=X:\\DATA\r\nONE=new\r\nTWO=new\r\n&blk\r\n");
    WriteC("ZEFI/CFG/zefi6.cfg", "PATH=C:\\MINE\r\nONE=old\r\nTWO=2\r\n");
    WriteScript(kAppCfgScript);
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());
    // Only the listed key comes over; the installed file has no "&" block to replace.
    EXPECT_EQ(ReadC("ZEFI/CFG/zefi6.cfg"), "PATH=C:\\MINE\r\nONE= new\r\nTWO=2\r\n");
}

TEST_F(ActionsTest, InstallAppBatchFreshReplacesNamesPairwise) {
    WriteC("SRC/BIN/zefi.bat", "REM v2\r\nzefi.exe -fX:\\zefi6.cfg\r\nhelp.exe view.exe\r\n");
    WriteScript(
        "[STARTW]\n"
        "Source = BIN\n"
        "Dest = BIN\n"
        "BatCfgNameOld = X:\\zefi6.cfg\n"
        "BatCfgNameNew = C:\\ZEFI\\CFG\\zefi6.cfg\n"
        "ExeNameOldList = zefi.exe, help.exe, view.exe\n"
        "ExeNameNewList = zefiw.exe, helpw.exe\n"
        ":iapbat zefi.bat\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ZEFI/BIN/zefi.bat"),
              "REM v2\r\nzefiw.exe -fC:\\ZEFI\\CFG\\zefi6.cfg\r\nhelpw.exe view.exe\r\n");
}

// An update of a start batch remembers where its configuration file is; the later actions of
// the part use that file and its directory.
TEST_F(ActionsTest, InstallAppBatchUpdateRemembersTheStartPathForThePart) {
    WriteC("SRC/BIN/zefi.bat", "REM version 2\r\nzefi.exe -f.\\zefi6.cfg\r\n");
    WriteC("SRC/CFG/zefi6.cfg", "KEYONE=new\r\n&blk\r\n");
    WriteC("SRC/LIT/a.dat", "A");
    WriteC("ZEFI/BIN/zefi.bat",
           "REM version 1\r\nC:\r\nCD \\APPS\\ZEFI\r\nzefi.exe -fcfg\\zefi6.cfg\r\n");
    WriteC("APPS/ZEFI/cfg/zefi6.cfg", "LITDIR=C:\\APPS\\LIT\\lit\r\nKEYONE=old\r\n&mine\r\n");
    WriteScript(
        "[STARTW]\n"
        "List = BAT, CFG, LIT\n"
        "[BAT]\n"
        "Source = BIN\n"
        "Dest = BIN\n"
        "CfgGroup = ZEFI\n"
        ":iapbat zefi.bat\n"
        "[CFG]\n"
        "Source = CFG\n"
        "Dest = CFG\n"
        "CfgGroup = ZEFI\n"
        "AppCfgUpdate = KEYONE\n"
        ":iapcfg zefi6.cfg\n"
        "[LIT]\n"
        "Source = LIT\n"
        "Dest = LIT\n"
        "CfgGroup = ZEFI\n"
        "CfgFile = C:\\NOWHERE\\zefi6.cfg\n"
        "CfgName = LITDIR\n"
        "CfgValEnd = lit\n"
        ":mkdir\n"
        ":i *.dat\n");
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_context->GetCfgPath("ZEFI"), "C:\\APPS\\ZEFI\\cfg\\zefi6.cfg");
    EXPECT_EQ(ReadC("ZEFI/BIN/zefi.bat"),
              "REM version 2\r\nC:\r\nCD \\APPS\\ZEFI\r\nzefi.exe -fcfg\\zefi6.cfg\r\n");
    EXPECT_EQ(ReadC("APPS/ZEFI/cfg/zefi6.cfg"),
              "LITDIR=C:\\APPS\\LIT\\lit\r\nKEYONE= new\r\n&blk\r\n");
    EXPECT_FALSE(ExistsC("ZEFI/CFG/zefi6.cfg"));
    // mkdir: the remembered file's directory + CfgValEnd; i: the value read from that file.
    EXPECT_TRUE(ExistsC("APPS/ZEFI/cfg/lit"));
    EXPECT_EQ(ReadC("APPS/LIT/a.dat"), "A");
}

TEST_F(ActionsTest, MkdirFailureShowsTheDirectoryInTheErrorDialog) {
    WriteC("ZEFI/BLOCK", "file");
    WriteScript(
        "[STARTW]\n"
        "Dest = BLOCK\\SUB\n"
        ":mkdir\n");
    EXPECT_FALSE(Run());
    ASSERT_EQ(m_errors.shown.size(), 1u);
    // mkdir has no argument to name when the directory ends with a backslash.
    EXPECT_EQ(m_errors.shown[0].headline, "Chyba při vytváření adresáře ");
    EXPECT_EQ(m_errors.shown[0].detail, "Chyba při zápisu C:\\ZEFI\\BLOCK\\SUB\\");
}

TEST_F(ActionsTest, DeleteOnUpdateWorksInTheConfiguredDirectory) {
    WriteC("ZEFI/zefi6.cfg", "LITDIR=C:\\DATA\\LIT\\lit.idx\r\n");
    WriteC("DATA/LIT/x.tmp", "x");
    WriteC("ZEFI/LIT/y.tmp", "y");
    WriteScript(
        "[STARTW]\n"
        "Dest = LIT\n"
        "CfgFile = C:\\ZEFI\\zefi6.cfg\n"
        "CfgName = LITDIR\n"
        "CfgValEnd = lit.idx\n"
        ":d *.tmp\n"
        ":d none.*\n");
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());  // deleting nothing is no failure
    EXPECT_FALSE(ExistsC("DATA/LIT/x.tmp"));
    EXPECT_TRUE(ExistsC("ZEFI/LIT/y.tmp"));
    EXPECT_TRUE(m_errors.shown.empty());
}

// A group whose sub-list names the group YES or NO that its conditional action chose.
std::string ConditionScript(const std::string& options, const std::string& action) {
    return "[STARTW]\n"
           "List = C\n"
           "[C]\n"
           "Positive = YES\n"
           "Negative = NO\n" +
           options + action + "\n[YES]\n[NO]\n";
}

TEST_F(ActionsTest, CheckValComparesBitsNumbersOrText) {
    struct Case {
        std::string cfgVal, value, chosen;
    } cases[] = {
        {"&4", "12", "YES"}, {"&4", "8", "NO"},       {"=7", "7", "YES"},
        {"=7", "17", "NO"},  {"Full", "FULL", "YES"}, {"Full", "lite", "NO"},
    };
    m_context->SetNewInstall(0);
    for (const Case& c : cases) {
        WriteC("ZEFI/zefi6.cfg", "MODE=" + c.value + "\r\n");
        WriteScript(ConditionScript(
            "CfgFile = C:\\ZEFI\\zefi6.cfg\nCfgName = MODE\nCfgVal = " + c.cfgVal + "\n",
            ":checkval"));
        std::string before = Log();
        EXPECT_TRUE(Run());
        EXPECT_NE(Log().find("Group: " + c.chosen, before.size()), std::string::npos)
            << c.cfgVal << " " << c.value;
    }
    WriteScript(ConditionScript("CfgVal = x\n", ":checkval"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: ").back(), "NO");
}

TEST_F(ActionsTest, CheckSpaceComparesKilobytesWithTheFreeSpace) {
    WriteScript(ConditionScript("", ":checkspace 999999999999"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: ").back(), "NO");
    WriteScript(ConditionScript("", ":checkspace 0"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: ").back(), "YES");
    // A CD-ROM destination has no free space: any need is too much.
    m_context->SetDestinationBase("E:\\");
    WriteScript(ConditionScript("", ":checkspace 1"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: ").back(), "NO");
}

TEST_F(ActionsTest, ExistFindsEmptyFilesAndPatterns) {
    WriteC("ZEFI/empty.flg", "");
    WriteScript(ConditionScript("", ":exist C:\\ZEFI\\*.flg"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: ").back(), "YES");
    WriteScript(ConditionScript("", ":exist C:\\ZEFI\\*.none"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(LogLines("Group: ").back(), "NO");
}

TEST_F(ActionsTest, SetInstallChangesTheFlagOnlyForZeroAndOne) {
    WriteScript("[STARTW]\n:set_install 2\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_context->GetNewInstall(), 1);
    WriteScript("[STARTW]\n:set_install x\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_context->GetNewInstall(), 0);
    WriteScript("[STARTW]\n:set_install 1\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_context->GetNewInstall(), 1);
}

TEST_F(ActionsTest, FlagActionsChangeTheContext) {
    m_context->SetChangeCfgAll(0);
    WriteScript("[STARTW]\n:setchangecfgall\n:setdeloncd\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_context->GetChangeCfgAll(), 1);
    EXPECT_EQ(m_context->GetDeleteOnCdAllowed(), 1);
}

TEST_F(ActionsTest, DelOnCdNeedsThePartOnTheSourceAndThePermission) {
    WriteC("ZEFI/zefi6.cfg", "LITDIR=C:\\SRC\\LIT\\\r\n");
    WriteC("ZEFI/LIT/a.dat", "A");
    WriteScript(
        "[STARTW]\n"
        "Source = LIT\n"
        "Dest = LIT\n"
        "CfgFile = C:\\ZEFI\\zefi6.cfg\n"
        "CfgName = LITDIR\n"
        ":deloncd *.dat\n");
    m_context->SetNewInstall(0);
    EXPECT_TRUE(Run());
    EXPECT_TRUE(ExistsC("ZEFI/LIT/a.dat"));
    m_context->SetDeleteOnCdAllowed(1);
    WriteC("ZEFI/zefi6.cfg", "LITDIR=C:\\DATA\\LIT\\\r\n");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(ExistsC("ZEFI/LIT/a.dat"));
    WriteC("ZEFI/zefi6.cfg", "LITDIR=C:\\SRC\\LIT\\\r\n");
    EXPECT_TRUE(Run());
    EXPECT_FALSE(ExistsC("ZEFI/LIT/a.dat"));
}

TEST_F(ActionsTest, SyncRemovesWhatTheSourceNoLongerHas) {
    WriteC("SRC/LIT/a.dat", "A");
    WriteC("ZEFI/LIT/a.dat", "A");
    WriteC("ZEFI/LIT/gone.dat", "G");
    WriteC("ZEFI/LIT/other.txt", "O");
    WriteScript(
        "[STARTW]\n"
        "Source = LIT\n"
        "Dest = LIT\n"
        ":sync *.dat\n");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(ExistsC("ZEFI/LIT/a.dat"));
    EXPECT_FALSE(ExistsC("ZEFI/LIT/gone.dat"));
    EXPECT_TRUE(ExistsC("ZEFI/LIT/other.txt"));
}

TEST_F(ActionsTest, CatOfAMissingFileIsAFailure) {
    WriteC("SRC/readme.txt", "hello\r\n");
    WriteScript("[STARTW]\n:cat852 C:\\SRC\\readme.txt\n:cat C:\\SRC\\none.txt\n");
    EXPECT_FALSE(Run());
    ASSERT_EQ(m_errors.shown.size(), 1u);
    EXPECT_EQ(m_errors.shown[0].detail, "Chyba při čtení C:\\SRC\\none.txt");
}

TEST_F(ActionsTest, ExecRunsTheCommandAndGoesOn) {
    std::string marker = m_prefix->Host("drive_c/ran.txt");
    WriteScript("[STARTW]\nList = NEXT\n:exec echo ran > " + marker +
                "\n:exec no-such-program-here\n[NEXT]\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(ReadC("ran.txt"), "ran\n");
    EXPECT_EQ(LogLines("Group: ").back(), "NEXT");
}

TEST_F(ActionsTest, GoBackEndsTheGroupAtOnce) {
    WriteC("ZEFI/x.tmp", "x");
    WriteScript("[STARTW]\n:goback\n:d *.tmp\n");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(ExistsC("ZEFI/x.tmp"));
    EXPECT_TRUE(m_context->GetGoBackTarget().IsEmpty());
}

TEST_F(ActionsTest, QuitEndsTheRunAtOnceAndNothingMoreIsLogged) {
    WriteScript("[STARTW]\nList=NEXT\nDest=FIRST\n:quit\n:mkdir\n[NEXT]\nDest=NEXT\n:mkdir\n");
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_context->GetStopReason(), zefi::InstallContext::StopReason::kQuit);
    EXPECT_FALSE(std::filesystem::exists(m_prefix->Host("drive_c/ZEFI/FIRST")));
    EXPECT_FALSE(std::filesystem::exists(m_prefix->Host("drive_c/ZEFI/NEXT")));
    // The log ends with the line of the action, as when the process ended there.
    const std::string log = Log();
    EXPECT_NE(log.find("GetGroupVal ACTION STARTW quit"), std::string::npos) << log;
    EXPECT_EQ(log.find("Group finished: STARTW"), std::string::npos) << log;
    EXPECT_EQ(log.find("GrpShouldExit"), std::string::npos) << log;
}

TEST_F(ActionsTest, SyncWithoutItsSourceDeletesNothingAndFails) {
    WriteC("ZEFI/LIT/a.dat", "A");
    WriteC("ZEFI/LIT/b.dat", "B");
    WriteScript(
        "[STARTW]\n"
        "Source = LIT\n"
        "Dest = LIT\n"
        ":sync *.dat\n");
    // The source directory is missing; then the whole source drive (an image no longer there).
    for (const char* base : {"C:\\SRC", "Q:\\"}) {
        SCOPED_TRACE(base);
        m_errors.shown.clear();
        m_context->SetSourceBase(base);
        EXPECT_FALSE(Run());
        EXPECT_TRUE(ExistsC("ZEFI/LIT/a.dat"));
        EXPECT_TRUE(ExistsC("ZEFI/LIT/b.dat"));
        ASSERT_EQ(m_errors.shown.size(), 1u);
        EXPECT_NE(m_errors.shown[0].code.find("3)"), std::string::npos) << m_errors.shown[0].code;
    }
    EXPECT_EQ(Log().find("Deleting: "), std::string::npos) << Log();
    EXPECT_NE(Log().find("Error reading: C:\\SRC\\LIT\\, nothing deleted in C:\\ZEFI\\LIT\\"),
              std::string::npos)
        << Log();
}

}  // namespace
