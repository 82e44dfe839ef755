// Tests of message boxes and of placeholder formatting.
#include "ui/message_box.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "platform/machine.h"
#include "resources/strings.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

TEST(FormatText, FillsPlaceholdersLikePrintf) {
    EXPECT_EQ(ui::FormatText("Adresář %s neexistuje", {"D:\\NEW"}), "Adresář D:\\NEW neexistuje");
    EXPECT_EQ(ui::FormatText("Úkol: %d/%d, čas: %s", {3, 7, "0:01:30"}), "Úkol: 3/7, čas: 0:01:30");
    EXPECT_EQ(ui::FormatText("%d:%02d:%02d", {0, 1, 5}), "0:01:05");
    EXPECT_EQ(ui::FormatText("Chyba při instalaci 0x%04X", {0x1f}), "Chyba při instalaci 0x001F");
    EXPECT_EQ(ui::FormatText("%ld %ld", {-2L, 5L}), "-2 5");
    EXPECT_EQ(ui::FormatText("%lld", {int64_t{5000000000}}), "5000000000");
    EXPECT_EQ(ui::FormatText("100%% %u", {4000000000u}), "100% 4000000000");
    EXPECT_EQ(ui::FormatText("%-5s|%5s", {"ab", "cd"}), "ab   |   cd");
    EXPECT_EQ(ui::FormatText("%.1f GB", {1.99}), "2.0 GB");
}

TEST(FormatText, MismatchedArgumentsNeverFail) {
    // Missing arguments give empty text; extra ones are ignored.
    EXPECT_EQ(ui::FormatText("a %s b %d c", {}), "a  b  c");
    EXPECT_EQ(ui::FormatText("only", {"x", 1}), "only");
    // Arguments are converted to what the placeholder asks for.
    EXPECT_EQ(ui::FormatText("%s", {42}), "42");
    EXPECT_EQ(ui::FormatText("%d", {"17"}), "17");
    EXPECT_EQ(ui::FormatText("%X", {-1}), "FFFFFFFF");
    // Unknown placeholders and a lone % at the end are copied as they stand.
    EXPECT_EQ(ui::FormatText("%y and %", {1}), "%y and %");
    // A huge width cannot be used to make the output explode.
    EXPECT_EQ(ui::FormatText("%999999999d", {1}), "%999999999d");
    EXPECT_EQ(ui::FormatText("%400d", {1}).size(), 400u);
}

TEST(MessageBoxButtons, IdsAndNames) {
    EXPECT_EQ(ui::ButtonIds(ui::Buttons::Ok), (std::vector<int>{1}));
    EXPECT_EQ(ui::ButtonIds(ui::Buttons::OkCancel), (std::vector<int>{1, 2}));
    EXPECT_EQ(ui::ButtonIds(ui::Buttons::YesNo), (std::vector<int>{6, 7}));
    EXPECT_EQ(ui::ButtonIds(ui::Buttons::RetryCancel), (std::vector<int>{4, 2}));
    EXPECT_EQ(ui::ButtonName(ui::kIdRetry), "retry");
    EXPECT_EQ(ui::ButtonName(1030), "1030");
}

// A host that records what it was asked and answers with a fixed id.
class RecordingHost : public ui::DialogHost {
  public:
    int RunModal(ui::Dialog& dialog) override {
        dialog.EndDialog(ui::kIdCancel);
        return ui::kIdCancel;
    }
    int ShowMessage(const ui::MessageRequest& request) override {
        m_requests.push_back(request);
        return m_answer;
    }
    std::string BrowseForFolder(const std::string&, const std::string&) override { return {}; }
    std::vector<ui::MessageRequest> m_requests;
    int m_answer = ui::kIdOk;
};

class MessageBoxTest : public testsupport::PrefixTest {};

TEST_F(MessageBoxTest, CaptionAndTextComeFromTheStringTableOfTheThreadLanguage) {
    RecordingHost host;
    ui::ScopedHost scoped(host);
    host.m_answer = ui::kIdNo;
    EXPECT_EQ(ui::MessageBoxF(109, ui::Buttons::YesNo, ui::Icon::Question, "D:\\NEW"), ui::kIdNo);
    std::thread slovak([] {
        platform::SetThreadUILanguage(platform::kLangSlovak);
        ui::MessageBox(111, ui::Buttons::Ok, ui::Icon::Information);
    });
    slovak.join();
    ASSERT_EQ(host.m_requests.size(), 2u);
    const ui::MessageRequest& cs = host.m_requests[0];
    EXPECT_EQ(cs.stringId, 109u);
    EXPECT_EQ(cs.caption, "Setup systému ZEFI");
    EXPECT_EQ(cs.text,
              ui::FormatText(resources::LoadString(109, platform::kLangCzech), {"D:\\NEW"}));
    EXPECT_NE(cs.text.find("D:\\NEW"), std::string::npos);
    EXPECT_EQ(cs.buttons, ui::Buttons::YesNo);
    EXPECT_EQ(cs.icon, ui::Icon::Question);
    const ui::MessageRequest& sk = host.m_requests[1];
    EXPECT_EQ(sk.text, resources::LoadString(111, platform::kLangSlovak));
    EXPECT_NE(sk.text, resources::LoadString(111, platform::kLangCzech));
}

TEST_F(MessageBoxTest, AnAnswerThatIsNotABoxButtonCountsAsTheFirstButton) {
    RecordingHost host;
    ui::ScopedHost scoped(host);
    host.m_answer = ui::kIdYes;
    EXPECT_EQ(ui::MessageBox(std::string("x"), ui::Buttons::RetryCancel), ui::kIdRetry);
    EXPECT_EQ(host.m_requests.at(0).stringId, 0u);
}

TEST_F(MessageBoxTest, ScriptedLineShowsTheFormattedText) {
    std::ostringstream out;
    ui::ScriptedHost host("message 109 no\n", out);
    ui::ScopedHost scoped(host);
    EXPECT_EQ(ui::MessageBoxF(109, ui::Buttons::YesNo, ui::Icon::Question, "D:\\NEW"), ui::kIdNo);
    EXPECT_EQ(out.str(), "message 109: Adresář D:\\NEW neexistuje, má se vytvořit? -> no\n");
}

}  // namespace
