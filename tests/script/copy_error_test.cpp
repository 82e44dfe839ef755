// Tests of the copy error step: the dialog's texts for each kind of failure and the Retry or
// Exit choice.
#include "script/copy_error.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "script_run.h"
#include "support/temp_prefix.h"

namespace {

using scripttest::ScriptedErrorDialog;
using zefi::CopyErrorRecord;

class CopyErrorTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        m_prefix = std::make_unique<testsupport::TempPrefix>("[system]\nlanguage = 1029\n");
    }
};

TEST(CopyErrorCode, PrintsTheSignedNumberWithoutDecimals) {
    EXPECT_EQ(zefi::FormatErrorCode(0), "0");
    EXPECT_EQ(zefi::FormatErrorCode(5), "5");
    EXPECT_EQ(zefi::FormatErrorCode(1314), "1314");
    EXPECT_EQ(zefi::FormatErrorCode(2147483647), "2147483647");
    EXPECT_EQ(zefi::FormatErrorCode(-2147024891), "-2147024891");
}

TEST_F(CopyErrorTest, HeadlineFollowsTheActionCode) {
    CopyErrorRecord record;
    record.errorCode = 5;
    record.errorIsWrite = 1;
    record.writeName = "C:\\ZEFI\\LIT\\a.dat";
    for (int code = 1; code <= 5; ++code)
        EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, code, "*.dat").headline,
                  "Chyba při kopírování a.dat");
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 6, "").headline,
              "Chyba při vytváření adresáře a.dat");
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 7, "").headline, "Chyba při mazaní a.dat");
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 10, "").headline, "Chyba při instalaci a.dat");
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 0, "").headline, "Chyba při instalaci a.dat");
}

TEST_F(CopyErrorTest, NameFallsBackToTheArgumentWithoutAFileName) {
    CopyErrorRecord record;
    record.errorCode = 3;
    record.errorIsWrite = 1;
    record.writeName = "C:\\ZEFI\\LIT\\";
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 6, "arg one").headline,
              "Chyba při vytváření adresáře arg one");
    record.writeName = "nobackslash";
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 1, "x.cfg").headline,
              "Chyba při kopírování x.cfg");
}

TEST_F(CopyErrorTest, DetailNamesTheSideThatFailed) {
    CopyErrorRecord record;
    record.errorCode = 2;
    record.writeName = "C:\\ZEFI\\a.dat";
    record.readName = "E:\\LIT\\a.dat";
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 1, "").detail, "Chyba při čtení E:\\LIT\\a.dat");
    record.errorIsWrite = 1;
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 1, "").detail, "Chyba při zápisu C:\\ZEFI\\a.dat");
}

TEST_F(CopyErrorTest, CodeLineByErrorCode) {
    const std::pair<int32_t, std::string> cases[] = {
        {2, "Soubor nenalezen (Kód chyby: 2)"},
        {3, "Cesta nenalezena (Kód chyby: 3)"},
        {5, "Přístup odepřen (Kód chyby: 5)"},
        {32, "Soubor je používán jiným procesem (Kód chyby: 32)"},
        {112, "Zaplněný disk (Kód chyby: 112)"},
        {183, "Soubor nebo adresář již existuje (Kód chyby: 183)"},
        {19, "Kód chyby: 19)"},
        {-5, "Kód chyby: -5)"},
    };
    for (const auto& [code, text] : cases) {
        CopyErrorRecord record;
        record.errorCode = code;
        EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 1, "").code, text) << code;
    }
}

TEST_F(CopyErrorTest, ZeroCodeTakesAndKeepsTheThreadsLastError) {
    CopyErrorRecord record;
    platform::SetLastError(112);
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&record, 1, "").code, "Zaplněný disk (Kód chyby: 112)");
    EXPECT_EQ(record.errorCode, 112);

    CopyErrorRecord none;
    platform::SetLastError(0);
    EXPECT_EQ(zefi::BuildCopyErrorTexts(&none, 1, "").code, "Kód chyby: 0)");
    EXPECT_EQ(none.errorCode, 0);
}

TEST_F(CopyErrorTest, RetryAndExitSetTheirFlags) {
    ScriptedErrorDialog dialog;
    dialog.answers = {true, false};
    CopyErrorRecord record;
    record.errorCode = 5;
    zefi::ShowCopyError(&record, 1, "a", &dialog);
    EXPECT_EQ(record.retry, 1);
    EXPECT_EQ(record.stop, 0);
    record.retry = 0;
    zefi::ShowCopyError(&record, 1, "a", &dialog);
    EXPECT_EQ(record.retry, 0);
    EXPECT_EQ(record.stop, 1);
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[0].code, "Přístup odepřen (Kód chyby: 5)");
}

TEST_F(CopyErrorTest, NothingIsShownOnceTheGroupStops) {
    ScriptedErrorDialog dialog;
    dialog.answers = {true};
    CopyErrorRecord record;
    record.stop = 1;
    zefi::ShowCopyError(&record, 1, "a", &dialog);
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(record.retry, 0);
}

TEST_F(CopyErrorTest, WithoutADialogTheFailureEndsTheRun) {
    CopyErrorRecord record;
    record.errorCode = 5;
    zefi::ShowCopyError(&record, 1, "a", nullptr);
    EXPECT_EQ(record.stop, 1);
    EXPECT_EQ(record.retry, 0);
}

}  // namespace
