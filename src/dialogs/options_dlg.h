// COptions: the installation options dialog (dialog 11): the copy mode, the program group, the
// parts of the product with their sizes and the destination's free space.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/component_sizes.h"
#include "ui/dialog.h"

namespace zefi {

// The dialog lives in the install driver across repeated showings ("<< Zpět" in the
// confirmation shows it again): the first showing presets the choices from the existing
// installation, a later one keeps what the user chose. Behind the three visible check boxes it
// keeps one flag per installable part. Main thread only.
//
// The driver sets the inputs, then either shows the dialog (DoModal: kIdOk for "Další >>",
// kIdCancel for "Zrušit") or, when the options are not to be shown, calls ApplyWithoutShowing;
// afterwards it reads the getters.
class COptions : public ui::Dialog {
  public:
    // Controls of dialog 11.
    enum : int {
        kIdUseCurrent = 1011,    // "Nahrát podle dosavadního nastavení"
        kIdRegulations = 1017,   // regulations part (hidden, disabled)
        kIdLiterature = 1018,    // literature part (hidden, disabled)
        kIdOtherTexts = 1014,    // other country's regulation texts (hidden)
        kIdDelete = 1015,        // delete from the disk the parts used from the DVD (hidden)
        kIdOnlyNewer = 1019,     // "Nahrávat pouze novější soubory"
        kIdProgramGroup = 1021,  // "Vytvořit programovou skupinu"
        kIdFreeSpace = 1020,     // free space text
        kIdRegulationsSize = 1024,
        kIdLiteratureSize = 1025,
        kIdOtherTextsSize = 1028,
        kIdTotal = 1030,
        kIdRegulationsSource = 1038,  // source labels (hidden)
        kIdLiteratureSource = 1039,
        kIdOtherTextsSource = 1040,
    };
    // The question OnOK asks when the free space looks too small.
    static constexpr uint32_t kStringTooLittleSpace = 104;
    // The configuration file of an installed product, in its directory.
    static constexpr const char* kConfigFile = "zefi6.cfg";

    COptions();

    // ---- Inputs, set before DoModal or ApplyWithoutShowing. ----

    // The destination directory; a trailing backslash is added when it is not empty and has
    // none.
    void SetDestination(const std::string& directory);
    // The installation source: a configured directory that begins with it (case-insensitively)
    // is a part used from the DVD.
    void SetSource(const std::string& directory) { m_source = directory; }
    // Automatic (quiet) mode: nothing can be chosen, the options text sets the choices.
    void SetQuiet(int32_t quiet) { m_quiet = quiet; }
    // Options text of automatic mode: comma-separated fields for 1011, delete, only newer,
    // program group and other country's texts; "1" at an item's start sets, anything else
    // clears. Empty or "-1": the presets stand.
    void SetOptionsText(const std::string& text) { m_optionsText = text; }

    const std::string& GetDestination() const { return m_destination; }
    const std::string& GetSource() const { return m_source; }
    int32_t GetQuiet() const { return m_quiet; }
    const std::string& GetOptionsText() const { return m_optionsText; }

    // Presets the choices as the first showing of the dialog would (network roles, the existing
    // installation, the sizes), then applies the options text as automatic mode does (whatever
    // the quiet flag says), without showing or asking anything. For a run whose options are not
    // shown; SlovakEdition and the current directory must be settled as for DoModal.
    void ApplyWithoutShowing();

    // ---- Results, read by the driver after the dialog closed. ----

    int32_t GetProgramGroup() const { return m_programGroup; }      // 1021
    int32_t GetOnlyNewer() const { return m_onlyNewer; }            // 1019
    int32_t GetDeleteFromDisk() const { return m_delete; }          // 1015
    int32_t GetLiterature() const { return m_literature; }          // 1018
    int32_t GetOtherTexts() const { return m_otherTexts; }          // 1014
    int32_t GetUseCurrentSettings() const { return m_useCurrent; }  // 1011
    // The inverse of 1011: the copy run chooses the parts anew.
    int32_t GetChooseAnew() const { return m_useCurrent != 0 ? 0 : 1; }
    // "<n> GB" (or "0 MB" before sizes were ever computed).
    const std::string& GetTotalText() const { return m_sizes.total; }
    const std::string& GetFreeSpaceText() const { return m_sizes.free; }
    // The network roles of the destination, obtained when the dialog starts: 1 when the
    // registry value of the same name under HKLM\SOFTWARE\Zefi Publishing\ZEFI says 1 (as a
    // DWORD or as text), else 0.
    int32_t GetNetMaster() const { return m_netMaster; }
    int32_t GetNetInst() const { return m_netInst; }

    // The flags and texts that only the dialog itself uses.
    int32_t GetRegulations() const { return m_regulations; }  // 1017
    int32_t GetClo() const { return m_clo; }
    int32_t GetPzp() const { return m_pzp; }
    int32_t GetZdisk() const { return m_zdisk; }
    const PartSizes& GetSizes() const { return m_sizes; }
    // True while no showing has started yet.
    bool IsFirstShowing() const { return m_firstShowing; }
    // The answer of the last LoadCurrentSettings the dialog start ran: no existing installation.
    bool IsFreshInstallation() const { return m_fresh; }
    // The text of the source labels 1038 to 1040 (they all read the same after a start).
    const std::string& GetSourceLabel() const { return m_sourceLabels[0]; }

    // Presets the part flags from the existing installation's configuration file (destination
    // + "zefi6.cfg") and the part batch files of the destination. True, changing nothing, when
    // that file cannot be opened (a fresh installation); false otherwise.
    bool LoadCurrentSettings();
    // Recomputes the size texts from the install script of the edition in the current
    // directory and the destination's free space. False, texts unchanged, without the script.
    bool ComponentSizes();

  protected:
    bool OnInitDialog() override;
    // 1011, 1014 and 1018 clicked (BN_CLICKED); other ids are left to the framework.
    bool OnCommand(int id) override;
    // "Další >>": asks string 104 when the free gigabytes are fewer than the total ones; No
    // keeps the dialog open.
    void OnOK() override;
    void DoDataExchange(ui::DataExchange& dx) override;

  private:
    // The dialog start on the members (controls that do not exist are left alone); automatic
    // applies the options text.
    void Initialize(bool automatic);
    void ObtainNetworkRoles();
    void ApplyNetMasterRule();
    void ApplyAutomaticMode();
    void ApplyDeleteRule();
    void OnClickedUseCurrent();
    void OnClickedOtherTexts();
    void OnClickedLiterature();
    void Disable(int id) { EnableItem(id, false); }

    std::string m_destination;
    std::string m_source;
    std::string m_optionsText;
    int32_t m_quiet = 0;
    int32_t m_netMaster = 0;
    int32_t m_netInst = 0;

    int32_t m_useCurrent = 0;    // 1011
    int32_t m_onlyNewer = 1;     // 1019
    int32_t m_programGroup = 1;  // 1021
    int32_t m_regulations = 0;   // 1017
    int32_t m_literature = 0;    // 1018
    int32_t m_otherTexts = 0;    // 1014
    int32_t m_delete = 0;        // 1015
    int32_t m_clo = 1;
    int32_t m_pzp = 1;
    int32_t m_zdisk = 0;

    PartSizes m_sizes;
    std::string m_sourceLabels[3] = {"CD1-32", "CD2", "CD4"};  // 1038, 1039, 1040
    bool m_firstShowing = true;
    bool m_fresh = false;
};

}  // namespace zefi
