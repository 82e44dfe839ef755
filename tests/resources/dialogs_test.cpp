// Tests of the dialog templates: every control the dialogs' code names is in its template, the
// titles that block a second start, sound layout and texts in both languages.
#include "resources/dialogs.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "resources/program_sources.h"
#include "resources/string_uses.h"
#include "resources/text_checks.h"

namespace {

using resources::ControlKind;
using resources::ControlTemplate;
using resources::DialogTemplate;

constexpr uint16_t kCzech = 1029;
constexpr uint16_t kSlovak = 1051;
constexpr const char* kSetupCs = "Instalace ZEFI pro Windows";
constexpr const char* kSetupSk = "Inštalácia ZEFI pre Windows";

// The dialogs of the program as their sources name them: for each dialog class (the .h and
// .cpp of one name), the template its constructor passes to ui::Dialog and the four-digit
// control ids its constants name. Empty, with the reason in *why, without the source tree.
struct DialogSource {
    std::string name;
    int templateId = 0;
    std::set<int> controlIds;
};

std::vector<DialogSource> ProgramDialogs(std::string* why) {
    const auto sources = restest::ProgramSources(why);
    std::map<std::string, int> templateIds;
    for (const auto& [name, text] : sources) {
        if (name != "resources/dialogs.h") continue;
        static const std::regex entry(R"((kDlg\w+)\s*=\s*(\d+))");
        for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it)
            templateIds[(*it)[1]] = std::stoi((*it)[2]);
    }
    std::map<std::string, DialogSource> byClass;
    static const std::regex constructor(R"(ui::Dialog\(resources::(kDlg\w+)\))");
    static const std::regex control(R"(\b(k\w+)\s*=\s*(1\d{3})\b)");
    for (const auto& [name, text] : sources) {
        const std::string code = restest::WithoutComments(text);
        const std::string stem = name.substr(0, name.rfind('.'));
        DialogSource& dialog = byClass[stem];
        dialog.name = stem;
        std::smatch m;
        if (std::regex_search(code, m, constructor)) dialog.templateId = templateIds[m[1]];
        for (std::sregex_iterator it(code.begin(), code.end(), control), end; it != end; ++it)
            dialog.controlIds.insert(std::stoi((*it)[2]));
    }
    std::vector<DialogSource> dialogs;
    for (auto& [stem, dialog] : byClass)
        if (dialog.templateId != 0) dialogs.push_back(dialog);
    return dialogs;
}

bool Overlap(const resources::DialogRect& a, const resources::DialogRect& b) {
    return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

TEST(DialogTemplates, EveryControlTheDialogCodeNamesIsInItsTemplate) {
    // The accessors of a dialog ignore an id its template lacks: a text or a state would
    // silently never show.
    std::string why;
    const std::vector<DialogSource> dialogs = ProgramDialogs(&why);
    if (dialogs.empty()) GTEST_SKIP() << why;
    size_t named = 0;
    for (const DialogSource& source : dialogs) {
        SCOPED_TRACE(source.name);
        const DialogTemplate* dialog = resources::FindDialog(source.templateId);
        ASSERT_NE(dialog, nullptr) << source.templateId;
        for (int id : source.controlIds) {
            EXPECT_NE(resources::FindControl(*dialog, id), nullptr) << id;
            ++named;
        }
    }
    // Without most of the dialogs and their controls the scan has stopped seeing them.
    EXPECT_GE(dialogs.size(), 8u);
    EXPECT_GT(named, 30u);
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

TEST(DialogTemplates, AtMostOneDefaultButtonAndItCanBePressed) {
    // Enter presses the default button: a second one, or one hidden or disabled, leaves the
    // key to chance or to nothing.
    for (const DialogTemplate& dialog : resources::AllDialogs()) {
        SCOPED_TRACE(dialog.id);
        int defaults = 0;
        for (const ControlTemplate& control : dialog.controls) {
            if (control.kind != ControlKind::DefButton) continue;
            ++defaults;
            EXPECT_TRUE(control.visible) << control.id;
            EXPECT_TRUE(control.enabled) << control.id;
        }
        EXPECT_LE(defaults, 1);
    }
}

TEST(DialogTemplates, InstructionsTextIsAReadOnlyScrollingEdit) {
    const DialogTemplate* dialog = resources::FindDialog(resources::kDlgReadme);
    ASSERT_NE(dialog, nullptr);
    const ControlTemplate* edit = resources::FindControl(*dialog, 1032);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->kind, ControlKind::Edit);
    const uint32_t wanted = resources::kStyleMultiLine | resources::kStyleReadOnly |
                            resources::kStyleVScroll | resources::kStyleBorder;
    EXPECT_EQ(edit->style & wanted, wanted);
}

TEST(DialogTemplates, FindControlMissesUnknownIds) {
    const DialogTemplate* dialog = resources::FindDialog(1);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(resources::FindControl(*dialog, 1), nullptr);
    EXPECT_EQ(resources::FindControl(*dialog, -1), nullptr);
}

}  // namespace
