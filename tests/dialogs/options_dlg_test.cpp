// Tests of the options dialog: part sizes from a real install script, presets from a real
// "zefi6.cfg", repeated showing, automatic mode, the click handlers and the space question.
#include "dialogs/options_dlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>

#include "dialogs/component_sizes.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "support/temp_prefix.h"
#include "system/edition.h"
#include "system/registry_settings.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

using zefi::COptions;

// Sizes in kilobytes: 150, 80, 12, 5, 2, 30 and 45 megabytes; everything together stays below
// one gigabyte, so no test on drive C: depends on how full the host's disk is.
constexpr const char* kScript =
    "; install script of the test medium\n"
    "[OptionPredp]\n"
    "Size = 150000\n"
    "[LIT]\n"
    "Size = 80000\n"
    "[CLO]\n"
    "Size = 12000\n"
    "[ZDISK]\n"
    "Size = 5999\n"
    "[PZP]\n"
    "Size = 2500 kB\n"
    "[SLOVTEXT]\n"
    "Size = 30000\n"
    "[CZECHTEXT]\n"
    "Size = 45000\n"
    "[CloOld]\n"
    "Name = _CLAOLD.BAT old name\n";

// An existing Czech-edition installation whose parts are all on the disk.
constexpr const char* kInstalledConfig =
    "[ZEFI]\n"
    "LI1=C:\\ZEFI\\LIT1 -x\n"
    "LI2=C:\\ZEFI\\LIT2\n"
    "LI3=C:\\ZEFI\\LIT3\n"
    "SDICT=C:\\ZEFI\\SDICT\n"
    "SNEGDICT=C:\\ZEFI\\SNEG\n"
    "SINDEXY=C:\\ZEFI\\SIDX\n"
    "STEXTY=C:\\ZEFI\\STXT\n"
    "SOBRAZKY=C:\\ZEFI\\SOBR\n";

// A host that runs a test's steps on the open dialog (setting check boxes, clicking them) and
// then presses OK unless the steps ended the dialog; message boxes are answered from answers.
class StepHost : public ui::DialogHost {
  public:
    StepHost(const std::string& answers, std::ostream& out) : m_messages(answers, out) {}

    int RunModal(ui::Dialog& dialog) override {
        if (steps) steps(dialog);
        if (!dialog.IsEnded()) dialog.PressButton(ui::kIdOk);
        return dialog.GetResult();
    }
    int ShowMessage(const ui::MessageRequest& request) override {
        return m_messages.ShowMessage(request);
    }
    std::string BrowseForFolder(const std::string&, const std::string&) override { return ""; }

    std::function<void(ui::Dialog&)> steps;

  private:
    ui::ScriptedHost m_messages;
};

// A click on a check box as the system reports it: the new state, then the notification.
void Click(ui::Dialog& dialog, int id, int state) {
    dialog.SetCheck(id, state);
    dialog.PostClose(id);
    dialog.RunPending(std::chrono::milliseconds(0));
}

class OptionsDlg : public ::testing::Test {
  protected:
    void SetUp() override {
        m_prefix = std::make_unique<testsupport::TempPrefix>(
            "[system]\n"
            "language = 1029\n"
            "admin = 1\n"
            "[drives]\n"
            "C = drive_c, fixed\n"
            "E = cdrom_e, cdrom, RIDEZEZ01\n"
            "R = cdrom_r, cdrom\n");
        m_prefix->WriteHostFile("cdrom_e/zeficz.txt", "ZEFICZ");
        m_prefix->WriteHostFile("cdrom_r/ZEFI/.keep", "");
        m_prefix->WriteHostFile("drive_c/ZEFI/.keep", "");
        WriteC("SETUP/cd.cfg", kScript);
        platform::ReloadMachine();
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\SETUP"));
        m_dialog = std::make_unique<COptions>();
        m_dialog->SetDestination("C:\\ZEFI");
        m_dialog->SetSource("E:\\");
    }
    void TearDown() override {
        zefi::SettleEdition(0);
        platform::SetThreadUILanguage(platform::kLangCzech);
        m_dialog.reset();
        m_prefix.reset();
    }

    void WriteC(const std::string& path, const std::string& content) {
        m_prefix->WriteHostFile("drive_c/" + path, content);
    }
    void RemoveC(const std::string& path) {
        ASSERT_TRUE(platform::DeleteFile("C:\\" + path)) << path;
    }
    void SetRole(const char* name, uint32_t value) {
        platform::RegKey key;
        ASSERT_EQ(key.Create(platform::Hive::LocalMachine, zefi::RegistrySettings::kKey,
                             platform::kKeyAllAccess),
                  platform::kErrorSuccess);
        ASSERT_EQ(key.SetDword(name, value), platform::kErrorSuccess);
    }
    // Shows the dialog through a scripted host answering from answers; what it printed is
    // appended to m_out.
    int Show(const std::string& answers = "") {
        ui::ScriptedHost host(answers, m_out);
        ui::ScopedHost scoped(host);
        int result = m_dialog->DoModal();
        EXPECT_TRUE(host.UnusedAnswers().empty()) << m_out.str();
        return result;
    }
    // Shows the dialog running steps on it before OK; message boxes answered from answers.
    int ShowWith(const std::function<void(ui::Dialog&)>& steps, const std::string& answers = "") {
        StepHost host(answers, m_out);
        host.steps = steps;
        ui::ScopedHost scoped(host);
        return m_dialog->DoModal();
    }
    std::string Out() const { return m_out.str(); }

    std::unique_ptr<testsupport::TempPrefix> m_prefix;
    std::unique_ptr<COptions> m_dialog;
    std::ostringstream m_out;
};

// ---- Sizes ----

TEST_F(OptionsDlg, FreshInstallationCountsEveryPartButTheOtherTexts) {
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    const zefi::PartSizes& sizes = m_dialog->GetSizes();
    EXPECT_EQ(sizes.regulations, "150 MB");
    EXPECT_EQ(sizes.literature, "80 MB");
    EXPECT_EQ(sizes.clo, "12 MB");
    EXPECT_EQ(sizes.zdisk, "5 MB");  // 5999 kB
    EXPECT_EQ(sizes.pzp, "2 MB");    // "2500 kB": the first word is the number
    EXPECT_EQ(sizes.otherTexts, "0 MB");
    EXPECT_EQ(sizes.total, "0 GB");  // 249 MB
    EXPECT_EQ(sizes.totalGigabytes, 0);
    EXPECT_NE(Out().find("dialog 11: Instalace ZEFI pro Windows | "
                         "Nahr\u00e1t podle dosavadn\u00edho nastaven\u00ed | "
                         "Nahr\u00e1vat pouze nov\u011bj\u0161\u00ed soubory | "
                         "Vytvo\u0159it programovou skupinu | Velikost instalace | "
                         "P\u0159edpisy: | 150 MB | Literatura: | 80 MB | "
                         "Texty p\u0159edpis\u016f druh\u00e9ho st\u00e1tu: | 0 MB | "
                         "Celkem instalov\u00e1no: | 0 GB | Voln\u00e9 m\u00edsto na disku: | "),
              std::string::npos)
        << Out();
}

TEST_F(OptionsDlg, SizesAreCutToWholeMegabytesAndTheTotalToWholeGigabytes) {
    WriteC("SETUP/cd.cfg",
           "[OptionPredp]\nSize=1500\n[LIT]\nSize=800\n[ZDISK]\nSize=999\n[PZP]\nSize=0\n");
    // A destination on a CD-ROM drive has no free space: 0 GB free against a 0 GB total.
    m_dialog->SetDestination("R:\\ZEFI\\");
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    const zefi::PartSizes& sizes = m_dialog->GetSizes();
    EXPECT_EQ(sizes.regulations, "1 MB");
    EXPECT_EQ(sizes.literature, "0 MB");
    EXPECT_EQ(sizes.zdisk, "0 MB");
    EXPECT_EQ(sizes.clo, "0 MB");  // a part without a group counts nothing
    EXPECT_EQ(m_dialog->GetTotalText(), "0 GB");
    EXPECT_EQ(m_dialog->GetFreeSpaceText(), "0 GB");
    // 0 is not fewer than 0: no question.
    EXPECT_EQ(Out().find("message 104"), std::string::npos) << Out();
}

TEST_F(OptionsDlg, TotalCountsTheRegulationsAndEachChosenPart) {
    WriteC("SETUP/parts.cfg",
           "[OptionPredp]\nSize=950000\n[LIT]\nSize=10000\n[CLO]\nSize=10000\n"
           "[ZDISK]\nSize=10000\n[PZP]\nSize=10000\n[SLOVTEXT]\nSize=10000\n"
           "[CZECHTEXT]\nSize=60000\n");
    zefi::PartSelection all;
    all.literature = all.clo = all.zdisk = all.pzp = all.otherTexts = 1;
    zefi::PartSizes sizes;
    ASSERT_TRUE(zefi::ComputePartSizes("parts.cfg", 0, "R:\\ZEFI\\", all, &sizes));
    EXPECT_EQ(sizes.total, "1 GB");  // 950 + 5 * 10 MB
    EXPECT_EQ(sizes.totalGigabytes, 1);
    EXPECT_EQ(sizes.otherTexts, "10 MB");
    EXPECT_EQ(sizes.free, "0 GB");
    int32_t zefi::PartSelection::*const parts[] = {
        &zefi::PartSelection::literature, &zefi::PartSelection::clo, &zefi::PartSelection::zdisk,
        &zefi::PartSelection::pzp, &zefi::PartSelection::otherTexts};
    for (auto part : parts) {
        zefi::PartSelection selection = all;
        selection.*part = 0;
        ASSERT_TRUE(zefi::ComputePartSizes("parts.cfg", 0, "R:\\ZEFI\\", selection, &sizes));
        EXPECT_EQ(sizes.total, "0 GB");
    }
    // The part left out shows "0 MB" even after it was counted before.
    EXPECT_EQ(sizes.otherTexts, "0 MB");
    EXPECT_EQ(sizes.regulations, "950 MB");
    // The Slovak edition counts the Czech texts instead.
    ASSERT_TRUE(zefi::ComputePartSizes("parts.cfg", 1, "R:\\ZEFI\\", all, &sizes));
    EXPECT_EQ(sizes.otherTexts, "60 MB");
    EXPECT_EQ(sizes.total, "1 GB");
}

TEST_F(OptionsDlg, FreeSpaceTextIsTheDestinationVolumesWholeGigabytes) {
    uint64_t before = 0;
    ASSERT_TRUE(platform::GetDiskFreeSpaceEx("C:\\ZEFI\\", &before, nullptr, nullptr));
    ASSERT_TRUE(m_dialog->ComponentSizes());
    uint64_t after = 0;
    ASSERT_TRUE(platform::GetDiskFreeSpaceEx("C:\\ZEFI\\", &after, nullptr, nullptr));
    // Other programs may write meanwhile; the text is one of the two readings.
    const std::string text = m_dialog->GetFreeSpaceText();
    EXPECT_TRUE(text == std::to_string(before >> 30) + " GB" ||
                text == std::to_string(after >> 30) + " GB")
        << text << " " << before << " " << after;
    EXPECT_EQ(std::to_string(m_dialog->GetSizes().freeGigabytes) + " GB", text);
}

TEST_F(OptionsDlg, WholeGigabytesAreCutDown) {
    const double gib = 1024.0 * 1024.0 * 1024.0;
    EXPECT_EQ(zefi::WholeGigabytes(1.99 * gib), 1);
    EXPECT_EQ(zefi::WholeGigabytes(gib - 1), 0);
    EXPECT_EQ(zefi::WholeGigabytes(gib), 1);
    EXPECT_EQ(zefi::WholeGigabytes(0), 0);
    EXPECT_EQ(zefi::WholeGigabytes(-gib), 0);
    EXPECT_EQ(zefi::WholeGigabytes(std::nan("")), 0);
    EXPECT_EQ(zefi::WholeGigabytes(1e30), std::numeric_limits<int32_t>::max());
}

TEST_F(OptionsDlg, SizeReadsLikeAtolOfALong) {
    WriteC("SETUP/sizes.cfg",
           "[A]\nSize = -2500\n[B]\nSize = 99999999999\n[C]\nSize = x12\n[D]\nSize=7000x\n");
    EXPECT_EQ(zefi::PartMegabytes("sizes.cfg", "A"), -2);
    EXPECT_EQ(zefi::PartMegabytes("sizes.cfg", "B"), 2147483);  // saturated at the long's limit
    EXPECT_EQ(zefi::PartMegabytes("sizes.cfg", "C"), 0);
    EXPECT_EQ(zefi::PartMegabytes("sizes.cfg", "D"), 7);
    EXPECT_EQ(zefi::PartMegabytes("sizes.cfg", "E"), 0);
    EXPECT_EQ(zefi::PartMegabytes("missing.cfg", "A"), 0);
}

TEST_F(OptionsDlg, WithoutTheScriptTheTextsStay) {
    RemoveC("SETUP\\cd.cfg");
    EXPECT_FALSE(m_dialog->ComponentSizes());
    ASSERT_EQ(Show(), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetSizes().regulations, "0 MB");
    EXPECT_EQ(m_dialog->GetTotalText(), "0 MB");
    EXPECT_EQ(m_dialog->GetFreeSpaceText(), "0 MB");
    // The presets do not depend on the script.
    EXPECT_EQ(m_dialog->GetLiterature(), 1);
    EXPECT_TRUE(m_dialog->IsFreshInstallation());
}

TEST_F(OptionsDlg, SlovakEditionReadsItsOwnScriptAndCountsTheCzechTexts) {
    zefi::SettleEdition(1);
    WriteC("SETUP/cds.cfg",
           "[OptionPredp]\nSize=210000\n[CZECHTEXT]\nSize=45000\n"
           "[SLOVTEXT]\nSize=30000\n");
    WriteC("ZEFI/zefi6.cfg", "LI1=C:\\ZEFI\\LIT\nDICT=C:\\ZEFI\\DICT\n");
    ASSERT_EQ(Show(), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);
    EXPECT_EQ(m_dialog->GetSizes().regulations, "210 MB");
    EXPECT_EQ(m_dialog->GetSizes().otherTexts, "45 MB");
    EXPECT_EQ(m_dialog->GetItemText(COptions::kIdOtherTexts),
              "Texty \u010desk\u00fdch p\u0159edpis\u016f");
}

// ---- Presets from the existing installation ----

TEST_F(OptionsDlg, NoConfigurationFileIsAFreshInstallationAndChangesNothing) {
    EXPECT_TRUE(m_dialog->LoadCurrentSettings());
    EXPECT_EQ(m_dialog->GetLiterature(), 0);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 0);
    EXPECT_EQ(m_dialog->GetClo(), 1);
    EXPECT_EQ(m_dialog->GetPzp(), 1);
    EXPECT_EQ(m_dialog->GetZdisk(), 0);
}

TEST_F(OptionsDlg, PartsOnTheSourceAreNotInstalled) {
    WriteC("ZEFI/zefi6.cfg", std::string(kInstalledConfig) + "LI2=e:\\lit\\ -f\n");
    EXPECT_FALSE(m_dialog->LoadCurrentSettings());
    // Only the first LI2 line counts, and it is on the disk.
    EXPECT_EQ(m_dialog->GetLiterature(), 1);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);

    WriteC("ZEFI/zefi6.cfg", "LI1=C:\\ZEFI\\LIT\nLI3=e:\\Lit\\\nSTEXTY=E:\\STEXTY\n");
    EXPECT_FALSE(m_dialog->LoadCurrentSettings());
    EXPECT_EQ(m_dialog->GetLiterature(), 0);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 0);

    // A value shorter than the source does not begin with it.
    m_dialog->SetSource("E:\\DVD\\");
    WriteC("ZEFI/zefi6.cfg", "LI1=E:\\\nSTEXTY=E:\\DV\n");
    EXPECT_FALSE(m_dialog->LoadCurrentSettings());
    EXPECT_EQ(m_dialog->GetLiterature(), 1);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);
}

TEST_F(OptionsDlg, OtherTextsInTheProductsOwnTreeCountAsNotInstalled) {
    WriteC("ZEFI/zefi6.cfg", "STEXTY=\\zefis\\texty\n");
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetOtherTexts(), 0);
    // In the Czech edition "\ZEFI\" is where its own texts live.
    WriteC("ZEFI/zefi6.cfg", "STEXTY=\\ZEFI\\TEXTY\n");
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);

    zefi::SettleEdition(1);
    WriteC("ZEFI/zefi6.cfg", "TEXTY=\\Zefi\\texty\n");
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetOtherTexts(), 0);
    // The Slovak edition reads its own keys: STEXTY is no key of it.
    WriteC("ZEFI/zefi6.cfg", "STEXTY=E:\\STEXTY\nOBRAZKY=\\ZEFIS\\OBR\n");
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);
}

TEST_F(OptionsDlg, BatchFilesOfTheDestinationTellTheInstalledParts) {
    WriteC("ZEFI/zefi6.cfg", kInstalledConfig);
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetClo(), 0);
    EXPECT_EQ(m_dialog->GetZdisk(), 0);
    EXPECT_EQ(m_dialog->GetPzp(), 0);

    // The script names the old batch file of the CLO part ("Name" in group "CloOld").
    WriteC("ZEFI/_claold.bat", "@echo off\n");
    WriteC("ZEFI/_Z_DISK.BAT", "");
    WriteC("ZEFI/_PZP.BAT", "");
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetClo(), 1);
    EXPECT_EQ(m_dialog->GetZdisk(), 1);
    EXPECT_EQ(m_dialog->GetPzp(), 1);

    RemoveC("ZEFI\\_claold.bat");
    WriteC("ZEFI/_CLA2002.BAT", "");
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetClo(), 1);

    // Without the script the default name is looked for; _CLA2002.BAT still counts.
    RemoveC("SETUP\\cd.cfg");
    RemoveC("ZEFI\\_CLA2002.BAT");
    WriteC("ZEFI/_CLAOLD.BAT", "");
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetClo(), 0);
    WriteC("ZEFI/_CLA2001.BAT", "");
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetClo(), 1);

    // A directory of that name is no batch file.
    RemoveC("ZEFI\\_CLA2001.BAT");
    WriteC("ZEFI/_CLA2001.BAT/x", "");
    m_dialog->LoadCurrentSettings();
    EXPECT_EQ(m_dialog->GetClo(), 0);
}

// ---- Dialog start ----

TEST_F(OptionsDlg, FreshInstallationDefaults) {
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_FALSE(m_dialog->IsFirstShowing());
    EXPECT_TRUE(m_dialog->IsFreshInstallation());
    EXPECT_EQ(m_dialog->GetRegulations(), 1);
    EXPECT_EQ(m_dialog->GetLiterature(), 1);
    EXPECT_EQ(m_dialog->GetZdisk(), 1);
    EXPECT_EQ(m_dialog->GetClo(), 1);
    EXPECT_EQ(m_dialog->GetPzp(), 1);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 0);
    EXPECT_EQ(m_dialog->GetChooseAnew(), 1);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 0);
    EXPECT_EQ(m_dialog->GetOnlyNewer(), 0);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 0);
    EXPECT_EQ(m_dialog->GetProgramGroup(), 1);
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdUseCurrent));
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdDelete));
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdOnlyNewer));
    EXPECT_TRUE(m_dialog->IsItemEnabled(COptions::kIdProgramGroup));
    EXPECT_EQ(m_dialog->GetSourceLabel(), "DVD");
    EXPECT_EQ(m_dialog->GetItemText(COptions::kIdLiteratureSource), "DVD");
    EXPECT_EQ(m_dialog->GetNetMaster(), 0);
    EXPECT_EQ(m_dialog->GetNetInst(), 0);
    EXPECT_EQ(m_dialog->GetItemText(COptions::kIdOtherTexts),
              "Texty slovensk\u00fdch p\u0159edpis\u016f");
}

TEST_F(OptionsDlg, ExistingInstallationDefaults) {
    WriteC("ZEFI/zefi6.cfg", kInstalledConfig);
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_FALSE(m_dialog->IsFreshInstallation());
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 1);
    EXPECT_EQ(m_dialog->GetChooseAnew(), 0);
    EXPECT_EQ(m_dialog->GetOnlyNewer(), 1);
    EXPECT_EQ(m_dialog->GetLiterature(), 1);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);
    // Both parts on the disk: nothing to delete.
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 0);
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdDelete));
    EXPECT_TRUE(m_dialog->IsItemEnabled(COptions::kIdUseCurrent));
    EXPECT_TRUE(m_dialog->IsItemEnabled(COptions::kIdOnlyNewer));
    // No batch file of CLO, ZDISK or PZP: ZDISK stays out, CLO and PZP are always chosen.
    EXPECT_EQ(m_dialog->GetZdisk(), 0);
    EXPECT_EQ(m_dialog->GetClo(), 1);
    EXPECT_EQ(m_dialog->GetPzp(), 1);
    EXPECT_EQ(m_dialog->GetSizes().otherTexts, "30 MB");
    EXPECT_EQ(m_dialog->GetSizes().zdisk, "0 MB");
    EXPECT_NE(Out().find("| 150 MB | Literatura: | 80 MB | "), std::string::npos) << Out();
}

TEST_F(OptionsDlg, ExistingInstallationUsingTheDvdPresetsTheDeleteFlag) {
    WriteC("ZEFI/zefi6.cfg", "LI1=E:\\LIT\nSTEXTY=C:\\ZEFI\\STXT\n");
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetLiterature(), 0);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 1);
    EXPECT_TRUE(m_dialog->IsItemEnabled(COptions::kIdDelete));
    EXPECT_EQ(m_dialog->GetSizes().literature, "0 MB");
}

TEST_F(OptionsDlg, NetworkInstallationKeepsNothingAndShowsNet) {
    WriteC("ZEFI/zefi6.cfg", kInstalledConfig);
    SetRole("NetInst", 1);
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetNetInst(), 1);
    EXPECT_EQ(m_dialog->GetNetMaster(), 0);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 0);
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdUseCurrent));
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdLiterature));
    EXPECT_EQ(m_dialog->GetSourceLabel(), "NET");
    EXPECT_EQ(m_dialog->GetItemText(COptions::kIdOtherTextsSource), "NET");
}

TEST_F(OptionsDlg, NetworkMasterInstallsEveryPart) {
    WriteC("ZEFI/zefi6.cfg", "LI1=E:\\LIT\nSTEXTY=E:\\STXT\n");
    SetRole("NetMaster", 1);
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetNetMaster(), 1);
    EXPECT_EQ(m_dialog->GetLiterature(), 1);
    EXPECT_EQ(m_dialog->GetZdisk(), 1);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 0);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 0);
    // An existing installation keeps copying only newer files.
    EXPECT_EQ(m_dialog->GetOnlyNewer(), 1);
    EXPECT_TRUE(m_dialog->IsItemEnabled(COptions::kIdOnlyNewer));
    for (int id : {COptions::kIdUseCurrent, COptions::kIdLiterature, COptions::kIdDelete,
                   COptions::kIdOtherTexts}) {
        EXPECT_FALSE(m_dialog->IsItemEnabled(id)) << id;
    }
    EXPECT_EQ(m_dialog->GetSizes().otherTexts, "30 MB");
}

TEST_F(OptionsDlg, NetworkMasterOnAFreshInstallationCopiesEverything) {
    SetRole("NetMaster", 1);
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetOnlyNewer(), 0);
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdOnlyNewer));
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);
}

TEST_F(OptionsDlg, NetworkRoleCountsOnlyWhenItSaysOne) {
    {
        platform::RegKey key;
        ASSERT_EQ(key.Create(platform::Hive::LocalMachine, zefi::RegistrySettings::kKey,
                             platform::kKeyAllAccess),
                  platform::kErrorSuccess);
        ASSERT_EQ(key.SetString("NetInst", "1"), platform::kErrorSuccess);
        ASSERT_EQ(key.SetDword("NetMaster", 2), platform::kErrorSuccess);
    }
    ASSERT_EQ(Show(), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetNetInst(), 1);
    EXPECT_EQ(m_dialog->GetNetMaster(), 0);
}

// ---- Repeated showing ----

TEST_F(OptionsDlg, ShownAgainKeepsTheUsersChoices) {
    WriteC("ZEFI/zefi6.cfg", kInstalledConfig);
    ASSERT_EQ(Show("dialog 11 ok 1019=0 1021=0 1011=0\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetOnlyNewer(), 0);
    EXPECT_EQ(m_dialog->GetProgramGroup(), 0);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 0);

    // The configuration is not read again: its change does not show.
    WriteC("ZEFI/zefi6.cfg", "LI1=E:\\LIT\n");
    m_out.str("");
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetOnlyNewer(), 0);
    EXPECT_EQ(m_dialog->GetProgramGroup(), 0);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 0);
    EXPECT_EQ(m_dialog->GetLiterature(), 1);
    // The controls show the kept choices and sizes.
    EXPECT_EQ(m_dialog->GetCheck(COptions::kIdOnlyNewer), 0);
    EXPECT_EQ(m_dialog->GetCheck(COptions::kIdLiterature), 1);
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdDelete));
    EXPECT_NE(Out().find("| 150 MB | Literatura: | 80 MB | "), std::string::npos) << Out();
}

TEST_F(OptionsDlg, ShownAgainOnAFreshInstallationDisablesWhatCannotBeKept) {
    ASSERT_EQ(Show("dialog 11 ok 1021=0\n"), ui::kIdOk);
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetProgramGroup(), 0);
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdUseCurrent));
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdDelete));
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdOnlyNewer));
}

TEST_F(OptionsDlg, ShownAgainAsNetworkInstallationClears1011) {
    WriteC("ZEFI/zefi6.cfg", kInstalledConfig);
    ASSERT_EQ(Show("dialog 11 ok 1019=0\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 1);
    SetRole("NetInst", 1);
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 0);
    EXPECT_EQ(m_dialog->GetOnlyNewer(), 0);
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdUseCurrent));
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdLiterature));
}

TEST_F(OptionsDlg, ShownAgainAsNetworkMasterStartsOver) {
    WriteC("ZEFI/zefi6.cfg", "LI1=E:\\LIT\nSTEXTY=E:\\STXT\n");
    ASSERT_EQ(Show("dialog 11 ok 1021=0\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetLiterature(), 0);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 1);
    SetRole("NetMaster", 1);
    ASSERT_EQ(Show("dialog 11 ok\n"), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetLiterature(), 1);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 0);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 0);
    EXPECT_EQ(m_dialog->GetZdisk(), 1);
    EXPECT_EQ(m_dialog->GetSizes().literature, "80 MB");
    // The program group is no part flag: the user's choice stands.
    EXPECT_EQ(m_dialog->GetProgramGroup(), 0);
}

// ---- Automatic mode ----

TEST_F(OptionsDlg, AutomaticModeDisablesEveryChoiceAndTakesEveryPart) {
    WriteC("ZEFI/zefi6.cfg", "LI1=E:\\LIT\nSTEXTY=E:\\STXT\n");
    m_dialog->SetQuiet(1);
    ASSERT_EQ(Show(), ui::kIdOk);
    for (int id : {COptions::kIdUseCurrent, COptions::kIdLiterature, COptions::kIdOtherTexts,
                   COptions::kIdDelete, COptions::kIdOnlyNewer, COptions::kIdProgramGroup}) {
        EXPECT_FALSE(m_dialog->IsItemEnabled(id)) << id;
    }
    EXPECT_EQ(m_dialog->GetLiterature(), 1);
    EXPECT_EQ(m_dialog->GetZdisk(), 1);
    // Without an options text the presets of an existing installation stand.
    EXPECT_EQ(m_dialog->GetOtherTexts(), 0);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 1);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 1);
    EXPECT_EQ(m_dialog->GetSizes().zdisk, "5 MB");
    EXPECT_EQ(m_dialog->GetSizes().literature, "80 MB");
}

TEST_F(OptionsDlg, OptionsTextOfThreeItemsLeavesTheLastTwoFields) {
    // Fresh installation: 1011, delete and only-newer start cleared, the program group set.
    m_dialog->SetQuiet(1);
    m_dialog->SetOptionsText("1,0,1");
    ASSERT_EQ(Show(), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 1);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 0);
    EXPECT_EQ(m_dialog->GetOnlyNewer(), 1);
    EXPECT_EQ(m_dialog->GetProgramGroup(), 1);
    EXPECT_EQ(m_dialog->GetOtherTexts(), 0);
}

TEST_F(OptionsDlg, OptionsTextSetsEachField) {
    struct Case {
        const char* text;
        int useCurrent, deleteFlag, onlyNewer, programGroup, otherTexts;
    };
    // The existing installation presets 1, 0, 1, 1, 1.
    const Case cases[] = {
        {"0,1,0,0,0", 0, 1, 0, 0, 0},
        {"0", 0, 0, 1, 1, 1},
        {",,0,,1,,,0,0,0,1", 0, 1, 0, 0, 0},  // runs of commas separate once; a sixth is ignored
        {"10,yes,01, 1,x", 1, 0, 0, 0, 0},    // only a leading "1" sets
        {"-1", 1, 0, 1, 1, 1},
        {" -1,0,0", 1, 0, 1, 1, 1},  // reads as the integer -1
        {"-10,0", 0, 0, 1, 1, 1},
        {"", 1, 0, 1, 1, 1},
        {",,,", 1, 0, 1, 1, 1},
    };
    WriteC("ZEFI/zefi6.cfg", kInstalledConfig);
    for (const Case& c : cases) {
        COptions dialog;
        dialog.SetDestination("C:\\ZEFI\\");
        dialog.SetSource("E:\\");
        dialog.SetQuiet(1);
        dialog.SetOptionsText(c.text);
        dialog.ApplyWithoutShowing();
        EXPECT_EQ(dialog.GetUseCurrentSettings(), c.useCurrent) << c.text;
        EXPECT_EQ(dialog.GetDeleteFromDisk(), c.deleteFlag) << c.text;
        EXPECT_EQ(dialog.GetOnlyNewer(), c.onlyNewer) << c.text;
        EXPECT_EQ(dialog.GetProgramGroup(), c.programGroup) << c.text;
        EXPECT_EQ(dialog.GetOtherTexts(), c.otherTexts) << c.text;
    }
}

TEST_F(OptionsDlg, WithoutShowingNothingIsAskedAndTheSizesAreKnown) {
    m_dialog->SetQuiet(0);  // without showing, the options text applies in any case
    m_dialog->SetOptionsText("0,0,1,0");
    m_dialog->SetDestination("R:\\ZEFI");
    WriteC("SETUP/cd.cfg", "[OptionPredp]\nSize=5000000\n");
    ui::ScriptedHost host("", m_out);
    ui::ScopedHost scoped(host);
    m_dialog->ApplyWithoutShowing();
    EXPECT_EQ(Out(), "");
    EXPECT_FALSE(m_dialog->IsFirstShowing());
    EXPECT_EQ(m_dialog->GetOnlyNewer(), 1);
    EXPECT_EQ(m_dialog->GetProgramGroup(), 0);
    EXPECT_EQ(m_dialog->GetTotalText(), "5 GB");
    EXPECT_EQ(m_dialog->GetFreeSpaceText(), "0 GB");
    EXPECT_EQ(m_dialog->GetSourceLabel(), "DVD");
}

// ---- Click handlers and the delete rule ----

TEST_F(OptionsDlg, OtherTextsClickRecountsAndAppliesTheDeleteRule) {
    WriteC("ZEFI/zefi6.cfg", kInstalledConfig);
    int deleteAfterClear = -1;
    bool enabledAfterClear = false;
    std::string sizeAfterClear;
    ASSERT_EQ(ShowWith([&](ui::Dialog& d) {
                  Click(d, COptions::kIdOtherTexts, 0);
                  deleteAfterClear = d.GetCheck(COptions::kIdDelete);
                  enabledAfterClear = d.IsItemEnabled(COptions::kIdDelete);
                  sizeAfterClear = d.GetItemText(COptions::kIdOtherTextsSize);
                  Click(d, COptions::kIdOtherTexts, 1);
              }),
              ui::kIdOk);
    EXPECT_EQ(deleteAfterClear, 1);
    EXPECT_TRUE(enabledAfterClear);
    EXPECT_EQ(sizeAfterClear, "0 MB");
    EXPECT_EQ(m_dialog->GetOtherTexts(), 1);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 0);
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdDelete));
    EXPECT_EQ(m_dialog->GetSizes().otherTexts, "30 MB");
}

TEST_F(OptionsDlg, LiteratureClickOnAnExistingInstallation) {
    WriteC("ZEFI/zefi6.cfg", kInstalledConfig);
    ASSERT_EQ(ShowWith([&](ui::Dialog& d) { Click(d, COptions::kIdLiterature, 0); }), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetLiterature(), 0);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 1);
    EXPECT_TRUE(m_dialog->IsItemEnabled(COptions::kIdDelete));
    EXPECT_EQ(m_dialog->GetSizes().literature, "0 MB");
    EXPECT_EQ(m_dialog->GetItemText(COptions::kIdLiteratureSize), "0 MB");
}

TEST_F(OptionsDlg, LiteratureClickOnAFreshInstallationNeverDeletes) {
    ASSERT_EQ(ShowWith([&](ui::Dialog& d) { Click(d, COptions::kIdLiterature, 0); }), ui::kIdOk);
    EXPECT_EQ(m_dialog->GetLiterature(), 0);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 0);
    EXPECT_FALSE(m_dialog->IsItemEnabled(COptions::kIdDelete));
}

TEST_F(OptionsDlg, UseCurrentClickReloadsTheInstalledParts) {
    WriteC("ZEFI/zefi6.cfg", "LI1=E:\\LIT\nSTEXTY=C:\\ZEFI\\STXT\n");
    std::string literatureSizeAfterOff;
    int literatureAfterOff = -1;
    ASSERT_EQ(ShowWith([&](ui::Dialog& d) {
                  // Cleared: only the sizes are counted again; nothing is reloaded.
                  d.SetCheck(COptions::kIdLiterature, 1);
                  Click(d, COptions::kIdUseCurrent, 0);
                  literatureAfterOff = d.GetCheck(COptions::kIdLiterature);
                  literatureSizeAfterOff = d.GetItemText(COptions::kIdLiteratureSize);
                  // Set again: the installed parts come back from the configuration.
                  Click(d, COptions::kIdUseCurrent, 1);
              }),
              ui::kIdOk);
    EXPECT_EQ(literatureAfterOff, 1);
    EXPECT_EQ(literatureSizeAfterOff, "80 MB");
    EXPECT_EQ(m_dialog->GetUseCurrentSettings(), 1);
    EXPECT_EQ(m_dialog->GetLiterature(), 0);
    EXPECT_EQ(m_dialog->GetDeleteFromDisk(), 1);
    EXPECT_TRUE(m_dialog->IsItemEnabled(COptions::kIdDelete));
    EXPECT_EQ(m_dialog->GetSizes().literature, "0 MB");
}

// ---- OK and the space question ----

TEST_F(OptionsDlg, TooLittleSpaceAsks104AndNoKeepsTheDialogOpen) {
    WriteC("SETUP/cd.cfg", "[OptionPredp]\nSize=2000000\n");
    m_dialog->SetDestination("R:\\ZEFI");
    ASSERT_EQ(Show("dialog 11 ok\nmessage 104 no\ndialog 11 ok 1021=0\nmessage 104 yes\n"),
              ui::kIdOk);
    const std::string question =
        "message 104: Jestli\u017ee nov\u011b instalujete cel\u00e9 ZEFI, nebo n\u011bkter\u00e9 "
        "jeho \u010d\u00e1sti z DVD, z\u0159ejmi nem\u00e1te na disku dostatek m\u00edsta.\\n"
        "Chcete p\u0159esto pokra\u010dovat?";
    const std::string out = Out();
    size_t first = out.find(question + " -> no");
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_NE(out.find(question + " -> yes", first), std::string::npos) << out;
    EXPECT_EQ(m_dialog->GetTotalText(), "2 GB");
    EXPECT_EQ(m_dialog->GetProgramGroup(), 0);
}

TEST_F(OptionsDlg, CancelAfterTheSpaceQuestion) {
    WriteC("SETUP/cd.cfg", "[OptionPredp]\nSize=1000000\n");
    m_dialog->SetDestination("R:\\ZEFI");
    EXPECT_EQ(Show("dialog 11 ok\nmessage 104 no\ndialog 11 cancel\n"), ui::kIdCancel);
}

}  // namespace
