// COptions: the installation options dialog and the presets it takes from an existing
// installation.
#include "dialogs/options_dlg.h"

#include <iterator>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/stream.h"
#include "resources/strings.h"
#include "script/inscfg.h"
#include "system/edition.h"
#include "system/registry_settings.h"
#include "system/text_file.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

// Captions of 1014 by edition: the texts of the other country's regulations.
constexpr uint32_t kStringSlovakTexts = 138;
constexpr uint32_t kStringCzechTexts = 139;

// Whether path begins with directory, compared case-insensitively. An empty directory holds
// nothing: an unknown source must not make every configured directory count as on the DVD.
bool LiesUnder(const std::string& path, const std::string& directory) {
    return !directory.empty() && platform::BeginsWithNoCase(path, directory);
}

// Whether path names an existing file (a directory does not count).
bool FileExists(const std::string& path) {
    uint32_t attributes = platform::GetFileAttributes(path);
    return attributes != platform::kInvalidFileAttributes &&
           (attributes & platform::kAttrDirectory) == 0;
}

// A registry value of the program's key that says 1, as a DWORD or as text.
int32_t ReadRoleValue(platform::RegKey& key, const char* name) {
    uint32_t number = 0;
    if (key.QueryDword(name, &number) == platform::kErrorSuccess) return number == 1 ? 1 : 0;
    std::string text;
    if (key.QueryString(name, &text, RegistrySettings::kBufferSize) == platform::kErrorSuccess) {
        return text == "1" ? 1 : 0;
    }
    return 0;
}

// atoi: leading white space, an optional sign and the digits that follow; whether the result
// is -1 is all that matters here, so the digits are not accumulated past that question.
bool ReadsAsMinusOne(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    if (i >= text.size() || text[i] != '-') return false;
    ++i;
    while (i < text.size() && text[i] == '0') ++i;
    if (i >= text.size() || text[i] != '1') return false;
    ++i;
    return i >= text.size() || text[i] < '0' || text[i] > '9';
}

}  // namespace

COptions::COptions() : ui::Dialog(resources::kDlgOptions) {}

void COptions::SetDestination(const std::string& directory) {
    m_destination = directory;
    if (!m_destination.empty() && m_destination.back() != '\\') m_destination += '\\';
}

void COptions::DoDataExchange(ui::DataExchange& dx) {
    ui::DDX_Check(dx, kIdUseCurrent, m_useCurrent);
    ui::DDX_Check(dx, kIdOnlyNewer, m_onlyNewer);
    ui::DDX_Check(dx, kIdProgramGroup, m_programGroup);
    ui::DDX_Check(dx, kIdRegulations, m_regulations);
    ui::DDX_Check(dx, kIdLiterature, m_literature);
    ui::DDX_Check(dx, kIdOtherTexts, m_otherTexts);
    ui::DDX_Check(dx, kIdDelete, m_delete);
    ui::DDX_Text(dx, kIdRegulationsSize, m_sizes.regulations);
    ui::DDX_Text(dx, kIdLiteratureSize, m_sizes.literature);
    ui::DDX_Text(dx, kIdOtherTextsSize, m_sizes.otherTexts);
    ui::DDX_Text(dx, kIdTotal, m_sizes.total);
    ui::DDX_Text(dx, kIdFreeSpace, m_sizes.free);
    ui::DDX_Text(dx, kIdRegulationsSource, m_sourceLabels[0]);
    ui::DDX_Text(dx, kIdLiteratureSource, m_sourceLabels[1]);
    ui::DDX_Text(dx, kIdOtherTextsSource, m_sourceLabels[2]);
}

bool COptions::LoadCurrentSettings() {
    const std::string config = m_destination + kConfigFile;
    {
        platform::Stream probe;
        if (!probe.Open(config, "r")) return true;
    }
    CTextFile file(config);

    // A part whose configured directory lies on the source is used from the DVD.
    m_literature = 1;
    for (const char* key : {"LI1", "LI2", "LI3"}) {
        if (LiesUnder(file.ReadKey(key), m_source)) m_literature = 0;
    }

    static const char* const kSlovakEditionKeys[] = {"DICT", "NEGDICT", "INDEXY", "TEXTY",
                                                     "OBRAZKY"};
    static const char* const kCzechEditionKeys[] = {"SDICT", "SNEGDICT", "SINDEXY", "STEXTY",
                                                    "SOBRAZKY"};
    const bool slovak = SlovakEdition != 0;
    // The other country's texts installed into the product's own tree count as not installed.
    const std::string ownTree = slovak ? "\\ZEFI\\" : "\\ZEFIS\\";
    m_otherTexts = 1;
    for (const char* key : slovak ? kSlovakEditionKeys : kCzechEditionKeys) {
        const std::string value = file.ReadKey(key);
        if (LiesUnder(value, m_source) || LiesUnder(value, ownTree)) {
            m_otherTexts = 0;
        }
    }

    InsCfg script;
    script.Open(InstallScriptName(SlovakEdition));
    CMBString name;
    script.GetValue("CloOld", "Name", &name, false);
    const std::string cloBatch = name.IsEmpty() ? "_CLA2001.BAT" : name.str();
    m_clo =
        FileExists(m_destination + cloBatch) || FileExists(m_destination + "_CLA2002.BAT") ? 1 : 0;
    m_zdisk = FileExists(m_destination + "_Z_DISK.BAT") ? 1 : 0;
    m_pzp = FileExists(m_destination + "_PZP.BAT") ? 1 : 0;
    return false;
}

bool COptions::ComponentSizes() {
    PartSelection parts;
    parts.literature = m_literature;
    parts.clo = m_clo;
    parts.zdisk = m_zdisk;
    parts.pzp = m_pzp;
    parts.otherTexts = m_otherTexts;
    return ComputePartSizes(InstallScriptName(SlovakEdition), SlovakEdition, m_destination, parts,
                            &m_sizes);
}

void COptions::ObtainNetworkRoles() {
    m_netMaster = 0;
    m_netInst = 0;
    platform::RegKey key;
    if (key.Open(platform::Hive::LocalMachine, RegistrySettings::kKey, platform::kKeyRead) !=
        platform::kErrorSuccess) {
        return;
    }
    m_netMaster = ReadRoleValue(key, "NetMaster");
    m_netInst = ReadRoleValue(key, "NetInst");
}

void COptions::ApplyNetMasterRule() {
    // A network master installs every part itself.
    m_literature = 1;
    m_zdisk = 1;
    m_otherTexts = 1;
    m_delete = 0;
    m_useCurrent = 0;
    Disable(kIdUseCurrent);
    Disable(kIdLiterature);
    Disable(kIdDelete);
    Disable(kIdOtherTexts);
    if (m_fresh) {
        m_onlyNewer = 0;
        Disable(kIdOnlyNewer);
    }
}

void COptions::ApplyAutomaticMode() {
    Disable(kIdUseCurrent);
    Disable(kIdLiterature);
    Disable(kIdOtherTexts);
    Disable(kIdDelete);
    Disable(kIdOnlyNewer);
    Disable(kIdProgramGroup);
    m_literature = 1;
    m_clo = 1;
    m_zdisk = 1;
    m_pzp = 1;
    if (m_optionsText.empty() || ReadsAsMinusOne(m_optionsText)) return;

    // Fields in order; a run of commas separates like one, so empty fields are skipped.
    int32_t* const fields[] = {&m_useCurrent, &m_delete, &m_onlyNewer, &m_programGroup,
                               &m_otherTexts};
    size_t field = 0;
    size_t pos = 0;
    while (field < std::size(fields) && pos < m_optionsText.size()) {
        size_t end = m_optionsText.find(',', pos);
        if (end == std::string::npos) end = m_optionsText.size();
        if (end > pos) *fields[field++] = m_optionsText[pos] == '1' ? 1 : 0;
        pos = end + 1;
    }
}

void COptions::ApplyDeleteRule() {
    if (m_literature == 0 || m_otherTexts == 0) {
        m_delete = 1;
        EnableItem(kIdDelete, true);
    } else {
        m_delete = 0;
        Disable(kIdDelete);
    }
}

void COptions::Initialize(bool automatic) {
    m_firstShowing = false;
    m_regulations = 1;
    m_fresh = LoadCurrentSettings();
    m_pzp = 1;
    m_clo = 1;

    if (m_netMaster != 0) {
        ApplyNetMasterRule();
    } else if (m_fresh) {
        // Nothing is installed yet: everything is installed, nothing can be kept.
        m_literature = 1;
        m_zdisk = 1;
        m_useCurrent = 0;
        m_otherTexts = 0;
        m_onlyNewer = 0;
        Disable(kIdUseCurrent);
        Disable(kIdDelete);
        Disable(kIdOnlyNewer);
    } else {
        if (m_literature != 0 && m_otherTexts != 0) {
            Disable(kIdDelete);
            m_delete = 0;
        } else {
            m_delete = 1;
        }
        if (m_netInst != 0) {
            m_useCurrent = 0;
            Disable(kIdUseCurrent);
            Disable(kIdLiterature);
        } else {
            m_useCurrent = 1;
        }
    }

    if (automatic) ApplyAutomaticMode();

    const char* label = m_netInst != 0 ? "NET" : "DVD";
    for (std::string& sourceLabel : m_sourceLabels) sourceLabel = label;

    ComponentSizes();
}

void COptions::ApplyWithoutShowing() {
    ObtainNetworkRoles();
    Initialize(true);
}

bool COptions::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    SetItemText(kIdOtherTexts,
                resources::LoadString(SlovakEdition != 0 ? kStringCzechTexts : kStringSlovakTexts));
    ObtainNetworkRoles();

    if (!m_firstShowing) {
        if (m_netMaster == 0) {
            // Shown again: the user's choices stand; only the controls get their rules back.
            if (m_fresh) {
                Disable(kIdUseCurrent);
                Disable(kIdDelete);
                Disable(kIdOnlyNewer);
            }
            if (m_literature != 0 && m_otherTexts != 0) Disable(kIdDelete);
            if (m_netInst != 0) {
                m_useCurrent = 0;
                Disable(kIdUseCurrent);
                Disable(kIdLiterature);
            }
            UpdateData(false);
            return true;
        }
        m_literature = 1;
        m_clo = 1;
        m_zdisk = 1;
        m_pzp = 1;
        ApplyNetMasterRule();
    }

    Initialize(m_quiet != 0);
    UpdateData(false);
    return true;
}

bool COptions::OnCommand(int id) {
    switch (id) {
        case kIdUseCurrent:
            OnClickedUseCurrent();
            return true;
        case kIdOtherTexts:
            OnClickedOtherTexts();
            return true;
        case kIdLiterature:
            OnClickedLiterature();
            return true;
        default:
            return false;
    }
}

void COptions::OnClickedUseCurrent() {
    UpdateData(true);
    if (m_useCurrent != 0) {
        LoadCurrentSettings();
        ApplyDeleteRule();
    }
    ComponentSizes();
    UpdateData(false);
}

void COptions::OnClickedOtherTexts() {
    UpdateData(true);
    ComponentSizes();
    ApplyDeleteRule();
    UpdateData(false);
}

void COptions::OnClickedLiterature() {
    UpdateData(true);
    ComponentSizes();
    if (m_fresh || (m_literature != 0 && m_otherTexts != 0)) {
        Disable(kIdDelete);
        m_delete = 0;
    } else {
        m_delete = 1;
        EnableItem(kIdDelete, true);
    }
    UpdateData(false);
}

void COptions::OnOK() {
    if (m_sizes.freeGigabytes < m_sizes.totalGigabytes &&
        ui::MessageBox(kStringTooLittleSpace, ui::Buttons::YesNo, ui::Icon::Question) !=
            ui::kIdYes) {
        return;
    }
    ui::Dialog::OnOK();
}

}  // namespace zefi
