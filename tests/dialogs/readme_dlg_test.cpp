// Tests of the instructions dialog: the file of the medium, the built-in text, the language.
#include "dialogs/readme_dlg.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/machine.h"
#include "resources/dialogs.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

class ReadmeDlg : public testsupport::PrefixTest {
  protected:
    void TearDown() override {
        platform::SetThreadUILanguage(platform::kLangCzech);
        testsupport::PrefixTest::TearDown();
    }
    // Shows the dialog for path through a scripted host; returns what the host printed.
    std::string Show(zefi::CReadmeDlg& dialog, const std::string& path) {
        std::ostringstream out;
        ui::ScriptedHost host("", out);
        ui::ScopedHost scoped(host);
        dialog.SetFilePath(path);
        EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
        return out.str();
    }
};

TEST_F(ReadmeDlg, ShowsTheFileConvertedFromWindows1250) {
    // "Příliš žluťoučký kůň" and a second line, in Windows-1250 with CR LF.
    const std::string bytes = "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2\r\nKonec";
    m_prefix->WriteHostFile("drive_c/DVD/installw.txt", bytes);
    zefi::CReadmeDlg dialog;
    std::string out = Show(dialog, "C:\\DVD\\installw.txt");
    // The member keeps the bytes as they are; only the display is converted.
    EXPECT_EQ(dialog.GetText(), bytes);
    EXPECT_TRUE(dialog.IsTextFromFile());
    EXPECT_NE(out.find("dialog 8: Instalace ZEFI pro Windows | "
                       "P\u0159\u00edli\u0161 \u017elu\u0165ou\u010dk\u00fd k\u016f\u0148\\nKonec"),
              std::string::npos)
        << out;
}

TEST_F(ReadmeDlg, EmptyFileShowsNothing) {
    m_prefix->WriteHostFile("drive_c/DVD/installw.txt", "");
    zefi::CReadmeDlg dialog;
    Show(dialog, "C:\\DVD\\installw.txt");
    EXPECT_EQ(dialog.GetText(), "");
    EXPECT_TRUE(dialog.IsTextFromFile());
}

TEST_F(ReadmeDlg, MissingFileShowsTheBuiltInInstructions) {
    zefi::CReadmeDlg dialog;
    std::string out = Show(dialog, "C:\\DVD\\installw.txt");
    std::string czech =
        resources::LoadTextResource(resources::kTextInstructions, platform::kLangCzech);
    ASSERT_FALSE(czech.empty());
    EXPECT_EQ(dialog.GetText(), czech);
    EXPECT_FALSE(dialog.IsTextFromFile());
    EXPECT_NE(out.find(ui::OneLine(czech)), std::string::npos) << out;
}

TEST_F(ReadmeDlg, SlovakThreadGetsTheSlovakInstructions) {
    platform::SetThreadUILanguage(platform::kLangSlovak);
    zefi::CReadmeDlg dialog;
    std::string out = Show(dialog, "sinstall.txt");
    std::string slovak =
        resources::LoadTextResource(resources::kTextInstructions, platform::kLangSlovak);
    ASSERT_FALSE(slovak.empty());
    EXPECT_NE(slovak,
              resources::LoadTextResource(resources::kTextInstructions, platform::kLangCzech));
    EXPECT_EQ(dialog.GetText(), slovak);
    EXPECT_NE(out.find("dialog 8: Inštalácia ZEFI pre Windows | "), std::string::npos) << out;
}

TEST_F(ReadmeDlg, FileIsTakenFromADirectoryWithBlanks) {
    m_prefix->WriteHostFile("drive_c/My DVD/installw.txt", "Pokyny");
    zefi::CReadmeDlg dialog;
    Show(dialog, "C:\\My DVD\\installw.txt");
    EXPECT_EQ(dialog.GetText(), "Pokyny");
}

}  // namespace
