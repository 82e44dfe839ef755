// Tests of the string tables: every number the program uses is there in both languages with
// the conversions its callers fill, the language choice, and the texts' encoding.
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/machine.h"
#include "resources/program_sources.h"
#include "resources/string_uses.h"
#include "resources/text_checks.h"

namespace {

using resources::LoadString;

constexpr uint16_t kCzech = 1029;
constexpr uint16_t kSlovak = 1051;

// Every use of a string number in the program's sources.
std::vector<restest::StringUse> ProgramStringUses(std::string* why) {
    const std::vector<std::pair<std::string, std::string>> texts = restest::ProgramSources(why);
    std::map<std::string, uint32_t> constants;
    for (const auto& [name, text] : texts) {
        for (const auto& [constant, id] : restest::StringConstants(restest::WithoutComments(text)))
            constants[constant] = id;
    }
    std::vector<restest::StringUse> uses;
    for (const auto& [name, text] : texts) {
        std::vector<restest::StringUse> found = restest::FindStringUses(name, text, constants);
        uses.insert(uses.end(), found.begin(), found.end());
    }
    return uses;
}

TEST(StringUses, FindsEachShapeOfUseAndCountsFormatArguments) {
    const std::string code =
        "// MessageBox(999) in a comment is no use\n"
        "constexpr uint32_t kStringAsk = 109;\n"
        "constexpr uint32_t kBlockSize = 4096;\n"
        "enum : uint32_t {\n    kStringFailed = 170,\n};\n"
        "uint32_t PickText(int mode) {\n    if (mode) return 141;\n    return 0;\n}\n"
        "void Show(const std::string& path) {\n"
        "    ui::MessageBox(101, ui::Buttons::YesNo);\n"
        "    ui::MessageBoxF(kStringAsk, ui::Buttons::YesNo, ui::Icon::Question,\n"
        "                    ui::CodePage(path));\n"
        "    Set(resources::LoadString(kOther));\n"
        "    Set(ui::FormatString(157, Pos(a, b), total, \"a, b\"));\n"
        "    ui::MessageBox(text);\n"
        "}\n";
    const std::vector<restest::StringUse> uses =
        restest::FindStringUses("x.cpp", code, {{"kOther", 155}});
    std::map<uint32_t, restest::StringUse> byId;
    for (const restest::StringUse& use : uses) byId[use.id] = use;
    EXPECT_EQ(byId.size(), 6u);
    EXPECT_EQ(byId.count(999), 0u);
    EXPECT_EQ(byId.count(4096), 0u);
    EXPECT_EQ(byId[170].kind, restest::StringUse::Kind::Constant);
    EXPECT_EQ(byId[141].kind, restest::StringUse::Kind::Return);
    EXPECT_EQ(byId[141].where, "x.cpp:8");
    EXPECT_EQ(byId[101].formatArgs, -1);
    EXPECT_EQ(byId[155].formatArgs, -1);
    EXPECT_EQ(byId[157].formatArgs, 3);
    for (const restest::StringUse& use : uses) {
        if (use.id == 109 && use.kind == restest::StringUse::Kind::Call) {
            EXPECT_EQ(use.formatArgs, 1);
            EXPECT_EQ(use.where, "x.cpp:13");
        }
    }
}

TEST(StringTable, EveryIdTheProgramUsesExistsInBothLanguages) {
    std::string why;
    const std::vector<restest::StringUse> uses = ProgramStringUses(&why);
    if (uses.empty()) GTEST_SKIP() << why;
    std::set<restest::StringUse::Kind> kinds;
    std::set<uint32_t> ids;
    for (const restest::StringUse& use : uses) {
        SCOPED_TRACE(use.where);
        kinds.insert(use.kind);
        ids.insert(use.id);
        EXPECT_TRUE(resources::HasString(use.id)) << use.id;
        EXPECT_FALSE(LoadString(use.id, kCzech).empty()) << use.id;
        EXPECT_FALSE(LoadString(use.id, kSlovak).empty()) << use.id;
    }
    // The scan must see every shape of use that the program has, or it checks too little.
    EXPECT_EQ(kinds.size(), 3u);
    EXPECT_GT(ids.size(), 40u);
}

TEST(StringTable, EveryEntryIsUsedByTheProgram) {
    // An entry that nothing shows is a text whose use was lost or renumbered.
    std::string why;
    const std::vector<restest::StringUse> uses = ProgramStringUses(&why);
    if (uses.empty()) GTEST_SKIP() << why;
    std::set<uint32_t> used;
    for (const restest::StringUse& use : uses) used.insert(use.id);
    size_t count = 0;
    const resources::StringEntry* table = resources::StringTable(&count);
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(used.count(table[i].id), 1u) << table[i].id;
}

TEST(StringTable, FormattedMessagesGiveAnArgumentForEveryConversion) {
    std::string why;
    const std::vector<restest::StringUse> uses = ProgramStringUses(&why);
    if (uses.empty()) GTEST_SKIP() << why;
    int formatted = 0;
    for (const restest::StringUse& use : uses) {
        if (use.formatArgs < 0) continue;
        ++formatted;
        SCOPED_TRACE(use.where);
        for (uint16_t lang : {kCzech, kSlovak}) {
            EXPECT_EQ(static_cast<size_t>(use.formatArgs),
                      restest::Placeholders(LoadString(use.id, lang)).size())
                << "string " << use.id << ": " << LoadString(use.id, lang);
        }
    }
    EXPECT_GT(formatted, 5);
}

TEST(StringTable, EntriesAreSortedUniqueAndComplete) {
    size_t count = 0;
    const resources::StringEntry* table = resources::StringTable(&count);
    ASSERT_NE(table, nullptr);
    ASSERT_GT(count, 0u);
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(table[i].id);
        if (i > 0) {
            EXPECT_LT(table[i - 1].id, table[i].id);
        }
        ASSERT_NE(table[i].cs, nullptr);
        ASSERT_NE(table[i].sk, nullptr);
        EXPECT_NE(table[i].cs[0], '\0');
        EXPECT_NE(table[i].sk[0], '\0');
        // The look-up must find every entry the table holds.
        EXPECT_EQ(LoadString(table[i].id, kCzech), table[i].cs);
        EXPECT_EQ(LoadString(table[i].id, kSlovak), table[i].sk);
    }
}

TEST(StringTable, PlaceholdersMatchBetweenLanguages) {
    size_t count = 0;
    const resources::StringEntry* table = resources::StringTable(&count);
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(table[i].id);
        EXPECT_EQ(restest::Placeholders(table[i].cs), restest::Placeholders(table[i].sk));
    }
}

TEST(StringTable, PlaceholderAndUtf8ChecksSeeWhatTheyLookFor) {
    // The checks above are only as good as these helpers.
    EXPECT_EQ(restest::Placeholders("a %s b %04X, %ld %% %.1f %lu%"),
              (std::vector<std::string>{"%s", "%04X", "%ld", "%.1f", "%lu", "%"}));
    EXPECT_NE(restest::Placeholders("%d %s"), restest::Placeholders("%s %d"));
    EXPECT_TRUE(restest::IsValidUtf8("Žluťoučký kůň"));
    EXPECT_FALSE(restest::IsValidUtf8("\xC3"));
    EXPECT_FALSE(restest::IsValidUtf8("\xC0\x80"));
    EXPECT_FALSE(restest::IsValidUtf8("\x9A"));
    EXPECT_EQ(restest::FirstOf("Chcete ju zastaviť?", restest::CzechOnlyLetters()), "");
    EXPECT_EQ(restest::FirstOf("Nepodařilo se", restest::CzechOnlyLetters()), "ř");
}

TEST(StringTable, TextsAreUtf8InTheirOwnLanguage) {
    size_t count = 0;
    const resources::StringEntry* table = resources::StringTable(&count);
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(table[i].id);
        EXPECT_TRUE(restest::IsValidUtf8(table[i].cs));
        EXPECT_TRUE(restest::IsValidUtf8(table[i].sk));
        EXPECT_EQ(restest::FirstOf(table[i].sk, restest::CzechOnlyLetters()), "");
        EXPECT_EQ(restest::FirstOf(table[i].cs, restest::SlovakOnlyLetters()), "");
    }
}

TEST(StringTable, SlovakOnlyForLanguage1051) {
    EXPECT_EQ(LoadString(111, kSlovak), "Inštalácia/aktualizácia prebehla úspešne");
    EXPECT_EQ(LoadString(111, kCzech), "Instalace/aktualizace proběhla úspěšně");
    // Any language other than Slovak gets the Czech table, English included.
    EXPECT_EQ(LoadString(111, 1033), LoadString(111, kCzech));
    EXPECT_EQ(LoadString(111, 0), LoadString(111, kCzech));
}

TEST(StringTable, MissingIdGivesEmptyText) {
    EXPECT_FALSE(resources::HasString(0));
    EXPECT_FALSE(resources::HasString(143));
    EXPECT_FALSE(resources::HasString(99999));
    EXPECT_EQ(LoadString(143, kCzech), "");
    EXPECT_EQ(LoadString(99999, kSlovak), "");
}

TEST(StringTable, CallingThreadLanguageSelectsTable) {
    // Each thread keeps its own UI language: set explicitly here so that the machine's default
    // does not matter.
    std::string slovak, czech;
    std::thread sk([&] {
        platform::SetThreadUILanguage(kSlovak);
        slovak = LoadString(112);
    });
    std::thread cs([&] {
        platform::SetThreadUILanguage(kCzech);
        czech = LoadString(112);
    });
    sk.join();
    cs.join();
    EXPECT_EQ(slovak, "Inštalácia/aktualizácia prerušená");
    EXPECT_EQ(czech, "Instalace/aktualizace přerušena");
}

}  // namespace
