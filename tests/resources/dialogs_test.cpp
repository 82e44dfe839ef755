// Tests of the dialog templates: every dialog with its caption and controls, sound layout and
// the texts and states the dialogs rely on.
#include "resources/dialogs.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "resources/text_checks.h"

namespace {

using resources::ControlKind;
using resources::ControlTemplate;
using resources::DialogTemplate;

constexpr uint16_t kCzech = 1029;
constexpr uint16_t kSlovak = 1051;
constexpr const char* kSetupCs = "Instalace ZEFI pro Windows";
constexpr const char* kSetupSk = "Inštalácia ZEFI pre Windows";

struct ExpectedDialog {
    int id;
    const char* captionCs;  // "" for a dialog without a caption bar
    const char* captionSk;
    std::set<int> controlIds;  // named controls only
};

const std::vector<ExpectedDialog> kDialogs = {
    {1, kSetupCs, kSetupSk, {1000, 1002, 2}},
    {3, "", "", {2}},
    {4, kSetupCs, kSetupSk, {1002, 1, 2, 1003}},
    {6,
     "Kopírování dat systému ZEFI",
     "Kopírovanie dát systému ZEFI",
     {1021, 1023, 1009, 1010, 1020, 2}},
    {7, kSetupCs, kSetupSk, {1031, 1032, 1033, 1048, 1, 1030, 2}},
    {8, kSetupCs, kSetupSk, {1032, 1}},
    {9, kSetupCs, kSetupSk, {1037, 1035, 1036, 4, 1}},
    {11,
     kSetupCs,
     kSetupSk,
     {1011, 1019, 1021, 1017, 1018, 1014, 1015, 1024, 1025, 1028, 1030, 1020, 1038, 1039, 1040, 1,
      2}},
    {142,
     "Stažení instalačních souborů",
     "Stiahnutie inštalačných súborov",
     {1054, 1052, 1053, 1055, 1020, 2}},
};

// The control, or (after recording a failure) an empty stand-in so that the test goes on.
const ControlTemplate& Control(int dialogId, int controlId) {
    static const ControlTemplate kMissing{0, ControlKind::Static, "", "", 0, 0, 0, 0};
    const DialogTemplate* dialog = resources::FindDialog(dialogId);
    const ControlTemplate* control =
        dialog != nullptr ? resources::FindControl(*dialog, controlId) : nullptr;
    EXPECT_NE(control, nullptr) << dialogId << "/" << controlId;
    return control != nullptr ? *control : kMissing;
}

void ExpectTexts(int dialogId, int controlId, const char* cs, const char* sk) {
    SCOPED_TRACE(testing::Message() << dialogId << "/" << controlId);
    const ControlTemplate& control = Control(dialogId, controlId);
    EXPECT_STREQ(resources::ControlText(control, kCzech), cs);
    EXPECT_STREQ(resources::ControlText(control, kSlovak), sk);
}

bool Overlap(const resources::DialogRect& a, const resources::DialogRect& b) {
    return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

TEST(DialogTemplates, EveryDialogHasItsCaptionAndControls) {
    for (const ExpectedDialog& expected : kDialogs) {
        SCOPED_TRACE(expected.id);
        const DialogTemplate* dialog = resources::FindDialog(expected.id);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->id, expected.id);
        EXPECT_STREQ(resources::CaptionText(*dialog, kCzech), expected.captionCs);
        EXPECT_STREQ(resources::CaptionText(*dialog, kSlovak), expected.captionSk);
        EXPECT_EQ(dialog->titleBar, expected.captionCs[0] != '\0');
        std::set<int> ids;
        for (const ControlTemplate& control : dialog->controls) {
            if (control.id != -1) ids.insert(control.id);
        }
        EXPECT_EQ(ids, expected.controlIds);
    }
    EXPECT_EQ(resources::AllDialogs().size(), kDialogs.size());
    EXPECT_EQ(resources::FindDialog(2), nullptr);
    EXPECT_EQ(resources::FindDialog(145), nullptr);
}

TEST(DialogTemplates, InstanceTitleOnlyOnTheDialogsThatBlockASecondStart) {
    // A second start is refused while a dialog carrying one of these titles is open, so the
    // search, copy-progress and download dialogs must not carry them.
    const std::set<int> withTitle = {1, 4, 7, 8, 9, 11};
    for (const DialogTemplate& dialog : resources::AllDialogs()) {
        SCOPED_TRACE(dialog.id);
        bool carries = std::string(dialog.captionCs) == kSetupCs;
        EXPECT_EQ(carries, withTitle.count(dialog.id) == 1);
        EXPECT_EQ(std::string(dialog.captionSk) == kSetupSk, carries);
    }
}

TEST(DialogTemplates, ControlIdsAreUniqueWithinEachDialog) {
    for (const DialogTemplate& dialog : resources::AllDialogs()) {
        SCOPED_TRACE(dialog.id);
        std::set<int> seen;
        for (const ControlTemplate& control : dialog.controls) {
            if (control.id == -1) continue;
            EXPECT_TRUE(seen.insert(control.id).second) << "duplicate " << control.id;
        }
    }
}

TEST(DialogTemplates, VisibleControlsFitAndDoNotOverlapInEitherLanguage) {
    for (const DialogTemplate& dialog : resources::AllDialogs()) {
        for (uint16_t lang : {kCzech, kSlovak}) {
            std::vector<resources::DialogRect> placed;
            for (const ControlTemplate& control : dialog.controls) {
                SCOPED_TRACE(testing::Message() << dialog.id << "/" << control.id << " " << lang);
                resources::DialogRect r = resources::ControlRect(control, lang);
                EXPECT_GT(r.cx, 0);
                EXPECT_GT(r.cy, 0);
                EXPECT_GE(r.x, 0);
                EXPECT_GE(r.y, 0);
                EXPECT_LE(r.x + r.cx, dialog.cx);
                EXPECT_LE(r.y + r.cy, dialog.cy);
                // A group box frames other controls by design.
                if (!control.visible || control.kind == ControlKind::GroupBox) continue;
                for (const resources::DialogRect& other : placed) EXPECT_FALSE(Overlap(r, other));
                placed.push_back(r);
            }
        }
    }
}

TEST(DialogTemplates, TextsAreCompleteUtf8InTheirOwnLanguage) {
    for (const DialogTemplate& dialog : resources::AllDialogs()) {
        EXPECT_TRUE(restest::IsValidUtf8(dialog.captionCs));
        EXPECT_TRUE(restest::IsValidUtf8(dialog.captionSk));
        for (const ControlTemplate& control : dialog.controls) {
            SCOPED_TRACE(testing::Message() << dialog.id << "/" << control.id);
            ASSERT_NE(control.cs, nullptr);
            ASSERT_NE(control.sk, nullptr);
            EXPECT_TRUE(restest::IsValidUtf8(control.cs));
            EXPECT_TRUE(restest::IsValidUtf8(control.sk));
            EXPECT_EQ(restest::FirstOf(control.sk, restest::CzechOnlyLetters()), "");
            EXPECT_EQ(restest::FirstOf(control.cs, restest::SlovakOnlyLetters()), "");
            // Whatever the user clicks or reads as a label needs words in both languages.
            bool needsText =
                control.kind == ControlKind::Button || control.kind == ControlKind::DefButton ||
                control.kind == ControlKind::CheckBox || control.kind == ControlKind::GroupBox ||
                (control.kind == ControlKind::Static && control.id == -1);
            if (needsText) {
                EXPECT_NE(control.cs[0], '\0');
                EXPECT_NE(control.sk[0], '\0');
            }
        }
    }
}

TEST(DialogTemplates, DefaultButtons) {
    // The button that Enter presses; dialogs that only show progress have none.
    const std::vector<std::pair<int, int>> defaults = {{1, 1000}, {4, 1}, {7, 1},
                                                       {8, 1},    {9, 1}, {11, 1}};
    for (const DialogTemplate& dialog : resources::AllDialogs()) {
        SCOPED_TRACE(dialog.id);
        std::vector<int> found;
        for (const ControlTemplate& control : dialog.controls) {
            if (control.kind == ControlKind::DefButton) found.push_back(control.id);
        }
        int expected = 0;
        for (const auto& [dialogId, buttonId] : defaults) {
            if (dialogId == dialog.id) expected = buttonId;
        }
        if (expected == 0) {
            EXPECT_TRUE(found.empty());
        } else {
            EXPECT_EQ(found, std::vector<int>{expected});
        }
    }
}

TEST(DialogTemplates, MainMenuButtonsStackedInOrder) {
    const DialogTemplate* dialog = resources::FindDialog(resources::kDlgSetup);
    ASSERT_NE(dialog, nullptr);
    ExpectTexts(1, 1000, "Instalace/Aktualizace", "Inštalácia/Aktualizácia");
    ExpectTexts(1, 1002, "Pokyny k instalaci", "Pokyny k inštalácii");
    ExpectTexts(1, 2, "Konec", "Koniec");
    std::vector<int> order;
    int lastY = -1;
    for (const ControlTemplate& control : dialog->controls) {
        order.push_back(control.id);
        EXPECT_EQ(control.cx, 85);
        EXPECT_EQ(control.cy, 20);
        EXPECT_GT(control.y, lastY);
        lastY = control.y;
    }
    EXPECT_EQ(order, (std::vector<int>{1000, 1002, 2}));
}

TEST(DialogTemplates, SmallDialogTexts) {
    ExpectTexts(3, 2, "Zrušit", "Zrušiť");
    EXPECT_STREQ(resources::FindDialog(3)->controls.front().cs, "Hledá se instalace ZEFI...");
    EXPECT_STREQ(resources::FindDialog(3)->controls.front().sk, "Hľadá sa inštalácia ZEFI...");
    ExpectTexts(4, 1003, "Procházet", "Prechádzať");
    ExpectTexts(4, 1, "OK", "OK");
    ExpectTexts(4, 2, "Zrušit", "Zrušiť");
    EXPECT_EQ(Control(4, 1002).kind, ControlKind::Edit);
    ExpectTexts(6, 2, "Zrušit", "Zrušiť");
    EXPECT_EQ(Control(6, 1021).kind, ControlKind::Progress);
    ExpectTexts(7, 1, "Další >>", "Ďalší >>");
    ExpectTexts(7, 1030, "<< Zpět", "<< Späť");
    ExpectTexts(7, 1031, "ZEFI", "ZEFI");
    ExpectTexts(7, 1032, "0 MB", "0 MB");
    ExpectTexts(7, 1033, "0 MB", "0 MB");
    EXPECT_STREQ(Control(7, 1048).cs,
                 "Při aktualizaci serveru ZEFI musí být Windows služba ZEFI server zastavena.");
    EXPECT_TRUE(Control(7, 1032).style & resources::kStyleRightAlign);
    ExpectTexts(9, 1037, "Chyba při kopírování:", "Chyba pri kopírovaní:");
    EXPECT_STREQ(Control(9, 1035).cs, "Chyba při otevírání ");
    EXPECT_STREQ(Control(9, 1036).cs, "Kod chyby");
    ExpectTexts(9, 4, "Opakovat", "Opakovať");
    ExpectTexts(9, 1, "Ukončit", "Ukoneiť");
}

TEST(DialogTemplates, InstructionsTextIsAReadOnlyScrollingEdit) {
    const ControlTemplate& edit = Control(8, 1032);
    EXPECT_EQ(edit.kind, ControlKind::Edit);
    const uint32_t wanted = resources::kStyleMultiLine | resources::kStyleReadOnly |
                            resources::kStyleVScroll | resources::kStyleBorder;
    EXPECT_EQ(edit.style & wanted, wanted);
    ExpectTexts(8, 1, "OK", "OK");
}

TEST(DialogTemplates, OptionsDialogHiddenAndDisabledParts) {
    struct State {
        int id;
        bool visible;
        bool enabled;
    };
    const std::vector<State> states = {
        {1011, true, true},   {1019, true, true},  {1021, true, true},  {1017, false, false},
        {1018, false, false}, {1014, false, true}, {1015, false, true}, {1038, false, true},
        {1039, false, true},  {1040, false, true}, {1024, true, true},  {1030, true, true},
    };
    for (const State& state : states) {
        SCOPED_TRACE(state.id);
        const ControlTemplate& control = Control(11, state.id);
        EXPECT_EQ(control.visible, state.visible);
        EXPECT_EQ(control.enabled, state.enabled);
    }
    ExpectTexts(11, 1011, "Nahrát podle dosavadního nastavení",
                "Nahrať podľa doterajšieho nastavenia");
    EXPECT_STREQ(Control(11, 1019).cs, "Nahrávat pouze novější soubory");
    EXPECT_STREQ(Control(11, 1021).cs, "Vytvořit programovou skupinu");
    EXPECT_STREQ(Control(11, 1017).cs, "Část Předpisy");
    EXPECT_STREQ(Control(11, 1018).cs, "Část Literatura");
    EXPECT_STREQ(Control(11, 1015).cs, "Smazat z disku části používané z DVD");
    for (int id : {1011, 1019, 1021, 1017, 1018, 1014, 1015}) {
        EXPECT_EQ(Control(11, id).kind, ControlKind::CheckBox) << id;
    }
    for (int id : {1024, 1025, 1028, 1030, 1020}) ExpectTexts(11, id, "0 MB", "0 MB");
    ExpectTexts(11, 1038, "CD1-32", "CD1-32");
    ExpectTexts(11, 1039, "CD2", "CD2");
    ExpectTexts(11, 1040, "CD4", "CD4");
    ExpectTexts(11, 1, "Další >>", "Ďalší >>");
    ExpectTexts(11, 2, "Zrušit", "Zrušiť");
}

TEST(DialogTemplates, DownloadDialogLayout) {
    const DialogTemplate* dialog = resources::FindDialog(resources::kDlgDown);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->cx, 305);
    EXPECT_EQ(dialog->cy, 115);
    struct Placed {
        int id;
        ControlKind kind;
        int x, y, cx, cy;
    };
    const std::vector<Placed> layout = {
        {1054, ControlKind::Static, 7, 7, 291, 11},
        {1052, ControlKind::Progress, 19, 34, 269, 10},
        {1053, ControlKind::Progress, 19, 51, 269, 10},
        {1055, ControlKind::Static, 19, 65, 269, 8},
        {1020, ControlKind::Static, 183, 76, 103, 9},
        {2, ControlKind::Button, 129, 88, 50, 14},
    };
    for (const Placed& p : layout) {
        SCOPED_TRACE(p.id);
        const ControlTemplate& control = Control(142, p.id);
        EXPECT_EQ(control.kind, p.kind);
        resources::DialogRect r = resources::ControlRect(control, kCzech);
        EXPECT_EQ(r.x, p.x);
        EXPECT_EQ(r.y, p.y);
        EXPECT_EQ(r.cx, p.cx);
        EXPECT_EQ(r.cy, p.cy);
    }
    // Only the free-space text moves in the Slovak template.
    resources::DialogRect sk = resources::ControlRect(Control(142, 1020), kSlovak);
    EXPECT_EQ(sk.x, 185);
    EXPECT_EQ(sk.y, 74);
    EXPECT_EQ(sk.cx, 101);
    EXPECT_EQ(sk.cy, 9);
    resources::DialogRect status = resources::ControlRect(Control(142, 1054), kSlovak);
    EXPECT_EQ(status.x, 7);
    EXPECT_EQ(status.cx, 291);
    ExpectTexts(142, 1054, "Probíhá příprava stahování ...", "Prebieha príprava sťahovania ...");
    ExpectTexts(142, 1055, "Static", "Static");
    ExpectTexts(142, 1020, "Volné místo: ", "Voľné miesto: ");
    ExpectTexts(142, 2, "Přerušit", "Prerušiť");
}

TEST(DialogTemplates, FindControlMissesUnknownIds) {
    const DialogTemplate* dialog = resources::FindDialog(1);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(resources::FindControl(*dialog, 1), nullptr);
    EXPECT_EQ(resources::FindControl(*dialog, -1), nullptr);
}

}  // namespace
