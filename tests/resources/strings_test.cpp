// Tests of the string tables: completeness, exact texts, language choice and placeholders.
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/machine.h"
#include "resources/text_checks.h"

namespace {

using resources::LoadString;

constexpr uint16_t kCzech = 1029;
constexpr uint16_t kSlovak = 1051;

// Every string number that the program shows somewhere.
const std::vector<uint32_t> kUsedIds = {
    100, 101, 102, 103, 104, 106, 107, 108, 109, 110, 111, 112, 125, 126, 127, 128, 129, 130,
    131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 144, 145, 146, 147, 148, 150,
    151, 152, 153, 154, 155, 157, 158, 159, 160, 162, 163, 164, 170, 171, 172, 173, 174, 185,
    186, 57344};

struct Expected {
    uint32_t id;
    const char* cs;
    const char* sk;  // nullptr: only the Czech wording is fixed
};

// Texts whose wording is fixed, spelling slips included.
const std::vector<Expected> kFixedTexts = {
    {100, "OLE initialization failed.  Make sure that the OLE libraries are the correct version.",
     nullptr},
    {101, "Opravdu chcete přerušit instalaci?", "Ureite chcete prerušiť inštaláciu?"},
    {102, "Vložte prosím %s", "Vložte prosím %s"},
    {103,
     "Konfigurační soubor je poškozen\nZvolte prosím, že nechcete nahrávat podle stávajícího "
     "nastavení",
     nullptr},
    {104,
     "Jestliže nově instalujete celé ZEFI, nebo některé jeho části z DVD, zřejmi nemáte na disku "
     "dostatek místa.\nChcete přesto pokračovat?",
     nullptr},
    {106, "Instalaci nelze spustit ze síťové cesty. Pořipojte si prosím %s jako lokální disk.",
     nullptr},
    {107, "Nebyl nalezen konfiguračení soubor %s. Instalaci nelze spustit", nullptr},
    {108, "Neznámý disk '%s'", nullptr},
    {109, "Adresář %s neexistuje, má se vytvořit?", nullptr},
    {110, "Nepodařilo se vytvořit adresář %s", nullptr},
    {111, "Instalace/aktualizace proběhla úspěšně", nullptr},
    {112, "Instalace/aktualizace přerušena", nullptr},
    {125, "Chyba při kopírování %s", nullptr},
    {126, "Chyba při mazaní %s", nullptr},
    {127, "Chyba při vytváření adresáře %s", nullptr},
    {128, "Chyba při instalaci %s", nullptr},
    {129, "Chyba při zápisu %s", nullptr},
    {130, "Chyba při čtení %s", nullptr},
    {131, "Přístup odepřen (Kód chyby: %s)", "Prístup odoprený (Kód chyby: %s)"},
    {132, "Zaplněný disk (Kód chyby: %s)", nullptr},
    {133, "Soubor nebo adresář již existuje (Kód chyby: %s)", nullptr},
    {134, "Soubor je používán jiným procesem (Kód chyby: %s)", nullptr},
    {135, "Soubor nenalezen (Kód chyby: %s)", nullptr},
    {136, "Cesta nenalezena (Kód chyby: %s)", nullptr},
    {137, "Kód chyby: %s)", nullptr},
    {138, "Texty slovenských předpisů", nullptr},
    {139, "Texty českých předpisů", nullptr},
    {140, "Kontrolují se nainstalované součásti...", "Kontrolujú sa nainštalované súčasti..."},
    {141, "Probíhá kopírování...", "Prebieha kopírovanie..."},
    {142, "Volné místo: %s GB", "Voľné miesto: %s GB"},
    {144, "Nepodařilo se zastavit službu \"Zefi Server\"",
     "Nepodarilo sa zastaviť službu \"Zefi Server\""},
    {145, "Služba \"Zefi Server\" je spuštěna!\nChcete ji zastavit?",
     "Služba \"Zefi Server\" je spustená!\nChcete ju zastaviť?"},
    {146, "Služba \"Zefi Server\" není spuštěna!\nChcete ji spustit?",
     "Služba \"Zefi Server\" nie je spustená!\nChcete ju spustiť?"},
    {147, "Nepodařilo se spustit službu \"Zefi Server\"",
     "Nepodarilo sa spustiť službu \"Zefi Server\""},
    {148, "Synchronizace adresářové struktury...", "Synchronizácia adresárovej štruktúry..."},
    {150, "Chyba při instalaci 0x%04X", nullptr},
    {151, "Stahování souboru %s", "Sťahovanie súboru %s"},
    {152, "Kontrola staženého souboru %s", "Kontrola stiahnutého súboru %s"},
    {153, "Kontrola nalezeného souboru %s", "Kontrola nájdeného súboru %s"},
    {154, "Získání informací z internetu ......", "Získanie informácií z internetu ......"},
    {155, "Příprava instalace ZEFI", "Príprava inštalácie ZEFI"},
    {157, "Úkol: %d/%d, Odhadovaný čas: %s", "Úloha: %d/%d, Odhadovaný čas: %s"},
    {158, "Došlo ke změně aktualizačních dat.", "Došlo ku zmene aktualizačných dát."},
    {159, "Chyba komunikace %ld %ld", "Chyba komunikácie %ld %ld"},
    {160, "Komunikace byla přešena %ld", "Komunikácia bola prešená %ld"},
    {162, "Tuto verzi dat již máte nainstalovanou.\nChcete přesto pokračovat?",
     "Túto verziu dát už máte nainštalovanú.\nChcete napriek tomu pokračovať?"},
    {163, "Stažený soubor není disk pro ZEFI.", "Stiahnutý súbor nie je disk pre ZEFI."},
    {164, "Chyba označení disku ZEFI.", "Chyba označenia disku ZEFI."},
    {57344, "Setup systému ZEFI", "Setup systému ZEFI"},
};

TEST(StringTable, EveryUsedIdExistsInBothLanguages) {
    for (uint32_t id : kUsedIds) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(resources::HasString(id));
        EXPECT_FALSE(LoadString(id, kCzech).empty());
        EXPECT_FALSE(LoadString(id, kSlovak).empty());
    }
}

TEST(StringTable, FixedTextsStandExactlyAsWritten) {
    for (const Expected& expected : kFixedTexts) {
        SCOPED_TRACE(expected.id);
        EXPECT_EQ(LoadString(expected.id, kCzech), expected.cs);
        if (expected.sk != nullptr) {
            EXPECT_EQ(LoadString(expected.id, kSlovak), expected.sk);
        }
    }
}

TEST(StringTable, EntriesAreSortedUniqueAndComplete) {
    size_t count = 0;
    const resources::StringEntry* table = resources::StringTable(&count);
    ASSERT_NE(table, nullptr);
    ASSERT_GT(count, 0u);
    std::set<uint32_t> seen;
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
        seen.insert(table[i].id);
    }
    for (uint32_t id : kUsedIds) EXPECT_TRUE(seen.count(id)) << id;
}

TEST(StringTable, PlaceholdersMatchBetweenLanguages) {
    size_t count = 0;
    const resources::StringEntry* table = resources::StringTable(&count);
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(table[i].id);
        EXPECT_EQ(restest::Placeholders(table[i].cs), restest::Placeholders(table[i].sk));
    }
    // The message boxes pass these arguments; a changed conversion would misprint them.
    EXPECT_EQ(restest::Placeholders(LoadString(150, kSlovak)), std::vector<std::string>{"%04X"});
    EXPECT_EQ(restest::Placeholders(LoadString(157, kSlovak)),
              (std::vector<std::string>{"%d", "%d", "%s"}));
    EXPECT_EQ(restest::Placeholders(LoadString(159, kCzech)),
              (std::vector<std::string>{"%ld", "%ld"}));
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

TEST(StringTable, RefusalOfASecondRunExistsInBothLanguages) {
    const std::string cs = LoadString(175, kCzech);
    const std::string sk = LoadString(175, kSlovak);
    EXPECT_NE(cs.find("jiná instalace"), std::string::npos) << cs;
    EXPECT_NE(sk.find("iná inštalácia"), std::string::npos) << sk;
    EXPECT_NE(cs, sk);
}
