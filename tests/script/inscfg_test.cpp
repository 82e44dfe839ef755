// Tests of the install script reader InsCfg on real script files in a temporary prefix.
#include "script/inscfg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "support/files.h"
#include "support/temp_prefix.h"
#include "system/log.h"

namespace {

using zefi::CMBString;
using zefi::InsCfg;

constexpr const char* kScript = "C:\\setup\\cd.cfg";
constexpr const char* kScriptHost = "drive_c/setup/cd.cfg";

struct Entry {
    int line;
    int kind;
    std::string key;
    std::string value;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entry& e) {
    return out << "{" << e.line << ", " << e.kind << ", \"" << e.key << "\", \"" << e.value
               << "\"}";
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class InsCfgTest : public testsupport::PrefixTest {
  protected:
    void WriteScript(const std::string& text) { m_prefix->WriteHostFile(kScriptHost, text); }

    // Every entry of group, read the way the group processor reads it.
    std::vector<Entry> Entries(const InsCfg& cfg, const char* group) {
        std::vector<Entry> entries;
        int line = 0;
        CMBString key;
        CMBString value("stale");
        int kind = -1;
        while (cfg.GetGroupVal(CMBString(group), &line, &key, &value, &kind)) {
            entries.push_back({line, kind, key.str(), value.str()});
            if (entries.size() > 1000) break;
        }
        EXPECT_TRUE(value.IsEmpty()) << "the end of a group empties the value";
        return entries;
    }

    std::vector<Entry> Entries(const char* group) {
        InsCfg cfg;
        EXPECT_TRUE(cfg.Open(CMBString(kScript)));
        return Entries(cfg, group);
    }

    std::string Value(const char* group, const char* key, bool wholeLine, bool* found = nullptr) {
        InsCfg cfg;
        cfg.Open(CMBString(kScript));
        CMBString value("stale");
        bool ok = cfg.GetValue(CMBString(group), CMBString(key), &value, wholeLine);
        if (found) *found = ok;
        if (!ok) {
            EXPECT_TRUE(value.IsEmpty());
        }
        return value.str();
    }

    // The lines of a log written under C:\ (line ends stripped).
    std::vector<std::string> LogLines(const char* hostName) {
        return testsupport::LogLines(m_prefix->ReadHostFile(std::string("drive_c/") + hostName));
    }
};

const std::string kBasic =
    "; install script\n"
    "[STARTW]\n"
    "List = LIT, CLO\n"
    "\n"
    "[LIT]\n"
    "Source = LIT\\\n"
    "  Dest=ZEFI\\LIT  \n"
    ":i *.dat\n"
    "stray text\n"
    ":mkdir\n"
    "Size=120000\n";

TEST_F(InsCfgTest, OpenTellsWhetherTheScriptExists) {
    InsCfg cfg;
    EXPECT_FALSE(cfg.Open(CMBString(kScript)));
    EXPECT_EQ(cfg.GetPath().str(), kScript);
    WriteScript(kBasic);
    EXPECT_TRUE(cfg.Open(CMBString(kScript)));
    EXPECT_TRUE(cfg.Open(CMBString("c:\\SETUP\\CD.CFG")));
}

TEST_F(InsCfgTest, GroupEntriesComeInScriptOrderWithLineNumbers) {
    const std::vector<Entry> expected = {
        {6, 1, "Source", "LIT\\"}, {7, 1, "Dest", "ZEFI\\LIT"},
        {8, 2, "i", "*.dat"},      {9, 0, "", ""},
        {10, 2, "mkdir", ""},      {11, 1, "Size", "120000"},
    };
    for (const std::string& text : {kBasic, WithCrLf(kBasic)}) {
        WriteScript(text);
        EXPECT_EQ(Entries("LIT"), expected);
        EXPECT_EQ(Entries("STARTW"),
                  (std::vector<Entry>{{3, 1, "List", "LIT, CLO"}, {4, 0, "", ""}}));
        EXPECT_TRUE(Entries("CLO").empty());
        EXPECT_TRUE(Entries("lit").empty()) << "group names are case-sensitive";
    }
}

TEST_F(InsCfgTest, EachQueryRereadsTheScript) {
    WriteScript("[G]\na=1\nb=2\n");
    InsCfg cfg;
    ASSERT_TRUE(cfg.Open(CMBString(kScript)));
    int line = 0;
    CMBString key, value;
    int kind = 0;
    ASSERT_TRUE(cfg.GetGroupVal(CMBString("G"), &line, &key, &value, &kind));
    EXPECT_EQ(key.str(), "a");
    WriteScript("[G]\na=1\nc=3\n");
    ASSERT_TRUE(cfg.GetGroupVal(CMBString("G"), &line, &key, &value, &kind));
    EXPECT_EQ(key.str(), "c");
    EXPECT_EQ(line, 3);
    CMBString single;
    EXPECT_TRUE(cfg.GetValue(CMBString("G"), CMBString("c"), &single, false));
    m_prefix->WriteHostFile(kScriptHost, "");
    EXPECT_FALSE(cfg.GetValue(CMBString("G"), CMBString("c"), &single, false));
}

TEST_F(InsCfgTest, OnlyTheFirstBlockOfAGroupIsRead) {
    WriteScript(
        "[A]\n"
        "x=1\n"
        "[A]\n"  // a repeated header inside the body is passed over
        "y=2\n"
        "[B]\n"
        "z=3\n"
        "[A]\n"
        "w=4\n");
    EXPECT_EQ(Entries("A"), (std::vector<Entry>{{2, 1, "x", "1"}, {4, 1, "y", "2"}}));
    EXPECT_EQ(Entries("B"), (std::vector<Entry>{{6, 1, "z", "3"}}));
    bool found = true;
    EXPECT_EQ(Value("A", "w", false, &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(Value("A", "y", false), "2");
}

TEST_F(InsCfgTest, ForeignHeaderEndsTheGroupAndIsLogged) {
    WriteScript(
        "[A]\n"
        "x=1\n"
        "[B] trailing text\n"
        "y=2\n");
    {
        zefi::LogStream log;
        ASSERT_TRUE(log.Open("C:\\inszefi.log"));
        InsCfg cfg(&log);
        ASSERT_TRUE(cfg.Open(CMBString(kScript)));
        EXPECT_EQ(Entries(cfg, "A"), (std::vector<Entry>{{2, 1, "x", "1"}}));
        EXPECT_EQ(Entries(cfg, "B"), (std::vector<Entry>{{4, 1, "y", "2"}}));
        log.Close();
    }
    EXPECT_EQ(LogLines("inszefi.log"), (std::vector<std::string>{
                                           "InsCfg::GetGroupVal: x, 1",
                                           "InsCfg::GetGroupVal: group_match[B] trailing text, A",
                                           "InsCfg::GetGroupVal: y, 2",
                                       }));
}

TEST_F(InsCfgTest, HeaderNamesAreTakenExactly) {
    EXPECT_TRUE(InsCfg::group_match(CMBString("[LIT]"), CMBString("LIT")));
    EXPECT_TRUE(InsCfg::group_match(CMBString("[LIT] ; part\n"), CMBString("LIT")));
    EXPECT_TRUE(InsCfg::group_match(CMBString("[ LIT ]"), CMBString(" LIT ")));
    EXPECT_FALSE(InsCfg::group_match(CMBString("[ LIT ]"), CMBString("LIT")));
    EXPECT_FALSE(InsCfg::group_match(CMBString("[LIT"), CMBString("LIT")));
    EXPECT_FALSE(InsCfg::group_match(CMBString(" [LIT]"), CMBString("LIT")));
    EXPECT_FALSE(InsCfg::group_match(CMBString("[Lit]"), CMBString("LIT")));
    EXPECT_FALSE(InsCfg::group_match(CMBString("[LIT]x]"), CMBString("LIT]x")));

    // A header without its closing bracket names no group, so it ends the group.
    WriteScript("[A]\nx=1\n[A\ny=2\n [A]\nz=3\n");
    EXPECT_EQ(Entries("A"), (std::vector<Entry>{{2, 1, "x", "1"}}));
    // A bracket after a blank is no header at all: the line is a body line without "=".
    WriteScript("[B]\n [C]\nz=3\n");
    EXPECT_EQ(Entries("B"), (std::vector<Entry>{{2, 0, "", ""}, {3, 1, "z", "3"}}));
}

TEST_F(InsCfgTest, OnlyASemicolonInTheFirstColumnMakesAComment) {
    WriteScript(
        ";[A]\n"
        "[A]\n"
        ";Source=commented\n"
        " ;Source=kept\n"
        "Dest=D;E\n");
    EXPECT_EQ(Entries("A"), (std::vector<Entry>{{4, 1, ";Source", "kept"}, {5, 1, "Dest", "D;E"}}));
    bool found = true;
    EXPECT_EQ(Value("A", "Source", true, &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(Value("A", ";Source", true), "kept");
}

TEST_F(InsCfgTest, ActionArgumentsLoseOneQuoteAtEachEnd) {
    WriteScript(
        "[A]\n"
        ":exec \"C:\\Program Files\\x.exe\" \n"
        ":print \"starts only\n"
        ":print ends only\"\n"
        ":print \"x\" y\n"
        ":print \"\"quoted twice\"\"\n"
        ":print \"\n"
        ":i\t  spaced   out  \n"
        ":clrscr\n"
        ": i x\n"
        ":sync");  // the last line has no line end
    EXPECT_EQ(Entries("A"), (std::vector<Entry>{
                                {2, 2, "exec", "C:\\Program Files\\x.exe"},
                                {3, 2, "print", "starts only"},
                                {4, 2, "print", "ends only"},
                                {5, 2, "print", "x\" y"},
                                {6, 2, "print", "\"quoted twice\""},
                                {7, 2, "print", ""},
                                {8, 2, "i", "spaced   out"},
                                {9, 2, "clrscr", ""},
                                {10, 2, "", "i x"},
                                {11, 2, "sync", ""},
                            }));
}

TEST_F(InsCfgTest, OptionLinesSplitAtTheFirstEqualsSign) {
    WriteScript(
        "[A]\n"
        "  Source  =  \"C:\\x y\"  \n"
        "OldCfgVal=a=b\n"
        " :i x=1\n"  // blanks before the colon make an option line
        " :i x\n"
        "Key=\n"
        "\t\n");
    EXPECT_EQ(Entries("A"), (std::vector<Entry>{
                                {2, 1, "Source", "\"C:\\x y\""},
                                {3, 1, "OldCfgVal", "a=b"},
                                {4, 1, ":i x", "1"},
                                {5, 0, "", ""},
                                {6, 1, "Key", ""},
                                {7, 0, "", ""},
                            }));
}

TEST_F(InsCfgTest, LinesLongerThan511CharactersAreSplit) {
    const std::string value600(598, 'v');  // "K=" + 598 = 600 characters
    WriteScript("[A]\nK=" + value600 + "\nnext=1\n");
    EXPECT_EQ(Entries("A"), (std::vector<Entry>{
                                {2, 1, "K", value600.substr(0, 509)},
                                {3, 0, "", ""},  // the remainder: 89 characters without "="
                                {4, 1, "next", "1"},
                            }));

    // The remainder is parsed as a line of its own.
    const std::string filler(511 - 6, 'f');
    WriteScript(WithCrLf("[A]\nFirst=" + filler + "Tail = end\nLast=2\n"));
    EXPECT_EQ(Entries("A"), (std::vector<Entry>{
                                {2, 1, "First", filler},
                                {3, 1, "Tail", "end"},
                                {4, 1, "Last", "2"},
                            }));

    // An action line split in the middle of its name has no argument.
    const std::string name(600, 'n');
    WriteScript("[A]\n:" + name + " arg\n");
    EXPECT_EQ(Entries("A"), (std::vector<Entry>{
                                {2, 2, name.substr(0, 510), ""},
                                {3, 0, "", ""},
                            }));
    EXPECT_EQ(Value("A", "First", true), "");

    // GetValue reads the same pieces.
    WriteScript("[A]\nK=" + value600 + "\n");
    EXPECT_EQ(Value("A", "K", true), value600.substr(0, 509));
}

TEST_F(InsCfgTest, LinesOf511CharactersOrFewerAreWhole) {
    const std::string exact(509, 'e');       // "K=" + 509 = 511 characters
    const std::string value1020(1020, 'w');  // "K=" + 1020 = 1022 characters
    for (const std::string& text :
         {"[A]\nK=" + exact + "\nN=1\n", WithCrLf("[A]\nK=" + exact + "\nN=1\n")}) {
        WriteScript(text);
        EXPECT_EQ(Entries("A"), (std::vector<Entry>{{2, 1, "K", exact}, {3, 1, "N", "1"}}));
    }
    // The line end of a full piece is no part of the next line: a header, comment or action
    // right after it keeps its first column.
    WriteScript("[A]\nK=" + exact + "\n:i x\nK=" + exact + "\n;c=1\nK=" + exact + "\n[B]\nz=1\n");
    EXPECT_EQ(Entries("A"),
              (std::vector<Entry>{
                  {2, 1, "K", exact}, {3, 2, "i", "x"}, {4, 1, "K", exact}, {6, 1, "K", exact}}));
    EXPECT_EQ(Entries("B"), (std::vector<Entry>{{8, 1, "z", "1"}}));
    // Lines longer than the 255 characters of other files' buffers are not cut.
    const std::string value300(300, 'x');
    WriteScript("[A]\nK=" + value300 + "\n:i " + value300 + "\n");
    EXPECT_EQ(Entries("A"), (std::vector<Entry>{{2, 1, "K", value300}, {3, 2, "i", value300}}));
    EXPECT_EQ(Value("A", "K", false), value300);
    // 1022 characters are exactly two full pieces.
    WriteScript("[A]\nK=" + value1020 + "\nN=1\n");
    EXPECT_EQ(Entries("A"),
              (std::vector<Entry>{
                  {2, 1, "K", value1020.substr(0, 509)}, {3, 0, "", ""}, {4, 1, "N", "1"}}));
}

TEST_F(InsCfgTest, GetValueGivesTheFirstWordOrTheWholeLine) {
    WriteScript(
        WithCrLf("[DiskNames]\n"
                 "ZEFICD1 =   ZEFI disk 1  \n"
                 "ZEFICD1 = second definition\n"
                 ":ZEFICD2 = an action line\n"
                 "Ref = [DiskNames:ZEFICD1]\n"
                 "[OptionPredp]\n"
                 "Size=  52000  \n"));
    EXPECT_EQ(Value("DiskNames", "ZEFICD1", true), "ZEFI disk 1");
    EXPECT_EQ(Value("DiskNames", "ZEFICD1", false), "ZEFI");
    EXPECT_EQ(Value("OptionPredp", "Size", false), "52000");
    EXPECT_EQ(Value("OptionPredp", "Size", true), "52000");
    EXPECT_EQ(Value("DiskNames", "Ref", true), "[DiskNames:ZEFICD1]") << "no expansion";
    bool found = true;
    EXPECT_EQ(Value("DiskNames", "ZEFICD2", true, &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(Value("DiskNames", ":ZEFICD2", true, &found), "");
    EXPECT_FALSE(found) << "action lines hold no values";
    EXPECT_EQ(Value("DiskNames", "zeficd1", true, &found), "");
    EXPECT_FALSE(found) << "keys are case-sensitive";
    EXPECT_EQ(Value("Missing", "Size", true, &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(Value("OptionPredp", "ZEFICD1", true, &found), "");
    EXPECT_FALSE(found);

    InsCfg unopened;
    CMBString value("stale");
    EXPECT_FALSE(unopened.GetValue(CMBString("OptionPredp"), CMBString("Size"), &value, true));
    EXPECT_TRUE(value.IsEmpty());
}

TEST_F(InsCfgTest, ReferencesExpandToTheFirstWordOnce) {
    WriteScript(
        "[Vals]\n"
        "Two = first second\n"
        "One=alone\n"
        "Ref=[Vals:One]\n"
        "[G]\n"
        "Path = pre[Vals:Two]post rest\n"
        "Missing = <[Vals:Nope]|[Nope:One]>\n"
        "Keep = [DstBase]\\ZEFI\\[SrcBase][FreeSpace]\n"
        "Mixed = [SrcBase][Vals:One]\n"
        "Again = [Vals:Ref]\n"
        "Open = [Vals:One] and [oops\n"
        "Stray = a]b[Vals:One]c\n"
        "Colon = [Vals:One:x][:]\n"
        ":print \"[Vals:Two] [Vals:One]\"\n");
    EXPECT_EQ(Entries("G"), (std::vector<Entry>{
                                {6, 1, "Path", "prefirstpost rest"},
                                {7, 1, "Missing", "<|>"},
                                {8, 1, "Keep", "[DstBase]\\ZEFI\\[SrcBase][FreeSpace]"},
                                {9, 1, "Mixed", "[SrcBase]alone"},
                                {10, 1, "Again", "[Vals:One]"},
                                {11, 1, "Open", "[Vals:One] and [oops"},
                                {12, 1, "Stray", "a]balonec"},
                                {13, 1, "Colon", ""},
                                {14, 2, "print", "first alone"},
                            }));
}

TEST_F(InsCfgTest, EntriesAreLoggedAsReadBeforeExpansion) {
    WriteScript(
        "[V]\n"
        "K=val\n"
        "[G]\n"
        "A = x[V:K]\n"
        "\n"
        ":i \"a b\"\n");
    {
        zefi::LogStream log;
        ASSERT_TRUE(log.Open("C:\\inszefi.log"));
        InsCfg cfg(&log);
        ASSERT_TRUE(cfg.Open(CMBString(kScript)));
        EXPECT_EQ(Entries(cfg, "G"),
                  (std::vector<Entry>{{4, 1, "A", "xval"}, {5, 0, "", ""}, {6, 2, "i", "a b"}}));
        CMBString value;
        EXPECT_TRUE(cfg.GetValue(CMBString("V"), CMBString("K"), &value, false));
        log.Close();
    }
    EXPECT_EQ(LogLines("inszefi.log"), (std::vector<std::string>{
                                           "InsCfg::GetGroupVal: A, x[V:K]",
                                           "InsCfg::GetGroupVal: , ",
                                           "InsCfg::GetGroupVal: i, a b",
                                       }));
}

TEST_F(InsCfgTest, MissingScriptLogsOpenErrorWithTheWorkingDirectory) {
    {
        zefi::LogStream log;
        ASSERT_TRUE(log.Open("C:\\inszefi.log"));
        InsCfg cfg(&log);
        EXPECT_FALSE(cfg.Open(CMBString("C:\\nowhere\\cd.cfg")));
        int line = 0;
        int kind = 7;
        CMBString key, value("stale");
        EXPECT_FALSE(cfg.GetGroupVal(CMBString("STARTW"), &line, &key, &value, &kind));
        EXPECT_TRUE(value.IsEmpty());
        EXPECT_EQ(line, 0);
        EXPECT_FALSE(cfg.GetValue(CMBString("STARTW"), CMBString("List"), &value, true));
        log.Close();
    }
    std::string cwd;
    ASSERT_TRUE(platform::GetCurrentDirectory(&cwd));
    EXPECT_EQ(
        LogLines("inszefi.log"),
        (std::vector<std::string>{"InsCfg::GetGroupVal: OpenErrorC:\\nowhere\\cd.cfg , " + cwd}));

    // Without a log the reader just answers no.
    InsCfg quiet;
    quiet.Open(CMBString("C:\\nowhere\\cd.cfg"));
    int line = 0, kind = 0;
    CMBString key, value;
    EXPECT_FALSE(quiet.GetGroupVal(CMBString("STARTW"), &line, &key, &value, &kind));
}

TEST_F(InsCfgTest, GetValListFollowsTheCommaListRules) {
    CMBString item;
    EXPECT_TRUE(InsCfg::GetValList(CMBString(",LIT, !CLO ,,ZDISK,"), 1, &item));
    EXPECT_EQ(item.str(), "!CLO");
    EXPECT_TRUE(InsCfg::GetValList(CMBString(",LIT, !CLO ,,ZDISK,"), 2, &item));
    EXPECT_EQ(item.str(), "");
    EXPECT_TRUE(InsCfg::GetValList(CMBString(",LIT, !CLO ,,ZDISK,"), 4, &item));
    EXPECT_EQ(item.str(), "");
    EXPECT_FALSE(InsCfg::GetValList(CMBString(",LIT, !CLO ,,ZDISK,"), 5, &item));
}

}  // namespace
