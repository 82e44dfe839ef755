// Tests of text resource 145, the installation instructions.
#include <gtest/gtest.h>

#include <string>

#include "resources/dialogs.h"
#include "resources/text_checks.h"

namespace {

constexpr uint16_t kCzech = 1029;
constexpr uint16_t kSlovak = 1051;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(Instructions, ExistInBothLanguagesAndDiffer) {
    std::string cs = resources::LoadTextResource(resources::kTextInstructions, kCzech);
    std::string sk = resources::LoadTextResource(resources::kTextInstructions, kSlovak);
    EXPECT_GT(cs.size(), 1000u);
    EXPECT_GT(sk.size(), 1000u);
    EXPECT_NE(cs, sk);
    EXPECT_EQ(resources::LoadTextResource(resources::kTextInstructions, 1033), cs);
    EXPECT_TRUE(restest::IsValidUtf8(cs));
    EXPECT_TRUE(restest::IsValidUtf8(sk));
    EXPECT_EQ(restest::FirstOf(sk, restest::CzechOnlyLetters()), "");
    EXPECT_EQ(restest::FirstOf(cs, restest::SlovakOnlyLetters()), "");
}

TEST(Instructions, UnknownTextResourceIsEmpty) {
    EXPECT_EQ(resources::LoadTextResource(144, kCzech), "");
    EXPECT_EQ(resources::LoadTextResource(0, kSlovak), "");
    EXPECT_EQ(resources::LoadTextResource(1, kCzech), "");
}

TEST(Instructions, LinesEndInCrLf) {
    for (uint16_t lang : {kCzech, kSlovak}) {
        std::string text = resources::LoadTextResource(resources::kTextInstructions, lang);
        SCOPED_TRACE(lang);
        ASSERT_FALSE(text.empty());
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_GT(i, 0u);
                EXPECT_EQ(text[i - 1], '\r') << "bare line feed at " << i;
            }
            if (text[i] == '\r') {
                ASSERT_LT(i + 1, text.size());
                EXPECT_EQ(text[i + 1], '\n') << "bare carriage return at " << i;
            }
        }
    }
}

TEST(Instructions, CoverStartRunningProductMenuSwitchesAndSupport) {
    struct Lang {
        uint16_t id;
        const char* product;
        const char* temp;  // the temporary folder the setup copies itself to
    };
    for (const Lang& lang : {Lang{kCzech, "ZEFI pro Windows", "dočasného adresáře"},
                             Lang{kSlovak, "ZEFI pre Windows", "dočasného adresára"}}) {
        SCOPED_TRACE(lang.id);
        std::string text = resources::LoadTextResource(resources::kTextInstructions, lang.id);
        EXPECT_TRUE(Contains(text, "SETUP.EXE"));
        EXPECT_TRUE(Contains(text, lang.temp));
        EXPECT_TRUE(Contains(text, lang.product));
        // The main menu's buttons are named as the menu shows them.
        const resources::DialogTemplate* menu = resources::FindDialog(resources::kDlgSetup);
        ASSERT_NE(menu, nullptr);
        for (const resources::ControlTemplate& button : menu->controls) {
            EXPECT_TRUE(Contains(text, resources::ControlText(button, lang.id))) << button.id;
        }
        for (const char* option : {"-o ", "-O ", "-i ", "-q ", "-Q "}) {
            EXPECT_TRUE(Contains(text, std::string("\r\n  ") + option)) << option;
        }
        EXPECT_TRUE(Contains(text, "podpora@zefi.cz"));
        // Shown as it stands, never formatted.
        EXPECT_FALSE(Contains(text, "%"));
    }
}

}  // namespace
