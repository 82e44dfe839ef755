// The actions of the install script: name table, dispatch, and the copying, deleting, checking
// and steering actions (configuration and batch files are in config_actions.cpp).
#include "script/actions.h"

#include <cstdlib>

#include "platform/errors.h"
#include "script/ins_grp.h"
#include "script/install_context.h"
#include "system/log.h"
#include "system/text_file.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

struct ActionEntry {
    const char* name;
    ActionCode code;
};

constexpr ActionEntry kActions[] = {
    {"i", kActionInstall},
    {"ibat", kActionInstallBatch},
    {"icfg", kActionInstallCfg},
    {"iapcfg", kActionInstallAppCfg},
    {"iapbat", kActionInstallAppBatch},
    {"mkdir", kActionMkdir},
    {"d", kActionDelete},
    {"print", kActionPrint},
    {"wait", kActionWait},
    {"cat", kActionCat},
    {"clrscr", kActionClearScreen},
    {"getchar", kActionGetChar},
    {"exist", kActionExist},
    {"set_install", kActionSetInstall},
    {"exec", kActionExec},
    {"quit", kActionQuit},
    {"sync", kActionSync},
    {"cfgcmp", kActionCfgCmp},
    {"usedefdst", kActionUseDefDst},
    {"checkspace", kActionCheckSpace},
    {"goback", kActionGoBack},
    {"setchangecfgall", kActionSetChangeCfgAll},
    {"printwin", kActionPrintWin},
    {"cat852", kActionCat852},
    {"deloncd", kActionDelOnCd},
    {"setdeloncd", kActionSetDelOnCd},
    {"checkval", kActionCheckVal},
    {"ewm", kActionEwm},
};

constexpr uint32_t kMsgCfgDamaged = 103;
constexpr uint32_t kMsgInstallError = 150;

// Reduces a run of trailing backslashes to one.
CMBString SingleTrailingBackslash(CMBString path) {
    int end = path.GetLength();
    while (end > 1 && path.GetAt(end - 1) == '\\' && path.GetAt(end - 2) == '\\') --end;
    return path.Left(end);
}

// Everything up to and including the last backslash ("" without one).
CMBString DirectoryOf(const CMBString& path) { return path.Left(path.ReverseFind('\\') + 1); }

bool BeginsWith(const CMBString& value, const CMBString& directory) {
    return value.CompareNoCase(directory.c_str(), directory.GetLength()) == 0;
}

// value less as many characters at its end as suffix has, with a trailing backslash.
CMBString StripSuffix(const CMBString& value, const CMBString& suffix) {
    CMBString directory = value;
    if (!suffix.IsEmpty()) directory = value.Left(value.GetLength() - suffix.GetLength());
    if (directory.GetAt(directory.GetLength() - 1) != '\\') directory += '\\';
    return directory;
}

}  // namespace

ActionCode ActionCodeFromName(const CMBString& name) {
    for (const ActionEntry& entry : kActions)
        if (name == entry.name) return entry.code;
    return kActionNone;
}

const char* ActionName(int code) {
    for (const ActionEntry& entry : kActions)
        if (entry.code == code) return entry.name;
    return "";
}

bool CInsGrp::RunAction(int code, const CMBString& argument) {
    switch (code) {
        case kActionInstall:
            return ActionInstall(argument);
        case kActionInstallBatch:
            return ActionInstallBatch(argument);
        case kActionInstallCfg:
            return ActionInstallCfg(argument);
        case kActionInstallAppCfg:
            return ActionInstallAppCfg(argument);
        case kActionInstallAppBatch:
            return ActionInstallAppBatch(argument);
        case kActionMkdir:
            return ActionMkdir();
        case kActionDelete:
            ActionDelete(argument);
            return true;
        case kActionCat:
        case kActionCat852:
            return ActionCat(argument);
        case kActionExist:
            ActionExist(argument);
            return true;
        case kActionSetInstall:
            ActionSetInstall(argument);
            return true;
        case kActionExec:
            m_system.Exec(argument.str());
            return true;
        case kActionQuit:
            // The run ends here and nothing more of it happens; the driver ends the program
            // with the status the script language gives "quit".
            m_context->Quit();
            m_error.stop = 1;
            return true;
        case kActionSync:
            return ActionSync(argument);
        case kActionCfgCmp:
            ActionCfgCmp();
            return true;
        case kActionUseDefDst:
            m_context->UseDefaultDestination(m_cfgGroup);
            return true;
        case kActionCheckSpace:
            ActionCheckSpace(argument);
            return true;
        case kActionGoBack:
            ActionGoBack(argument);
            return true;
        case kActionSetChangeCfgAll:
            m_context->SetChangeCfgAll(1);
            return true;
        case kActionDelOnCd:
            ActionDelOnCd(argument);
            return true;
        case kActionSetDelOnCd:
            m_context->SetDeleteOnCdAllowed(1);
            return true;
        case kActionCheckVal:
            ActionCheckVal();
            return true;
        case kActionEwm:
            ActionEwm(argument);
            return true;
        default:
            // "print", "printwin", "wait", "clrscr" and "getchar" do nothing in a windowed program.
            return true;
    }
}

void CInsGrp::RecordCopyError() {
    m_error.errorCode = static_cast<int32_t>(m_system.GetLastError());
    m_error.errorIsWrite = m_system.GetErrorOnDestination() ? 1 : 0;
    m_error.writeName = m_system.GetDestinationName();
    m_error.readName = m_system.GetSourceName();
}

void CInsGrp::RecordWriteError(const CMBString& name, uint32_t code) {
    m_error.errorCode = static_cast<int32_t>(code);
    m_error.errorIsWrite = 1;
    m_error.writeName = name;
}

void CInsGrp::RecordReadError(const CMBString& name, uint32_t code) {
    m_error.errorCode = static_cast<int32_t>(code);
    m_error.errorIsWrite = 0;
    m_error.readName = name;
}

bool CInsGrp::Copy(const CMBString& sourceDir, const CMBString& destinationDir,
                   const CMBString& pattern, bool newerOnly) {
    // The disk check may have moved the source base to another drive.
    std::string source = sourceDir.str();
    const CMBString& base = m_context->GetSourceBase();
    if (!source.empty() && !base.IsEmpty()) source[0] = base.GetAt(0);
    if (m_system.CopyFiles(source, destinationDir.str(), pattern.str(), newerOnly)) return true;
    RecordCopyError();
    return false;
}

bool CInsGrp::ActionInstall(const CMBString& argument) {
    CMBString source = SingleTrailingBackslash(SourceDirectory());
    CMBString destination = SingleTrailingBackslash(DestinationDirectory());

    if (!m_context->GetNewInstall()) {
        CMBString remembered = m_context->GetCfgPath(m_cfgGroup);
        CMBString cfgFile = remembered.IsEmpty() ? m_cfgFile : remembered;
        if (!remembered.IsEmpty()) {
            CMBString directory = DirectoryOf(remembered);
            if (directory.CompareNoCase(destination.c_str()) != 0) destination = directory;
        }
        if (!m_cfgName.IsEmpty()) {
            CMBString value;
            if (m_context->GetUseDefaultDestination(m_cfgGroup)) {
                value = destination + m_cfgValEnd;
                WriteCfgName(cfgFile, value);
            } else {
                value = ReadCfgName(cfgFile);
                if (value.IsEmpty()) {
                    ui::MessageBox(kMsgCfgDamaged, ui::Buttons::Ok);
                    m_error.stop = 1;
                    return true;
                }
                // The part is used from the source: nothing to copy.
                if (BeginsWith(value, source)) return true;
            }
            CMBString configured = StripSuffix(value, m_cfgValEnd);
            if (configured.GetAt(0) != '\\' && configured.CompareNoCase(destination.c_str()) != 0)
                destination = configured;
        }
        if (m_system.IsCdRomDrive(destination.GetAt(0))) {
            m_context->Log() << destination.c_str()
                             << " detekovano jako CDROM, soubory se nekopiruji" << LogStream::endl;
            return true;
        }
    }

    if (!CheckDisk()) return true;
    bool copied = Copy(source, destination, argument, m_context->GetOnlyNewer() != 0);
    if (m_system.ShouldExit()) {
        m_context->Log() << "CInsGrp::Copy SetShouldExit " << source.c_str() << " , "
                         << destination.c_str() << " , " << argument.c_str() << LogStream::endl;
        m_error.stop = 1;
    }
    return copied;
}

bool CInsGrp::ActionMkdir() {
    CMBString directory = DestinationDirectory();
    CMBString remembered = m_context->GetCfgPath(m_cfgGroup);
    if (!remembered.IsEmpty()) directory = DirectoryOf(remembered) + m_cfgValEnd;
    if (m_system.MakeDirectory(directory.str())) return true;
    RecordWriteError(directory, platform::GetLastError());
    return false;
}

void CInsGrp::ActionDelete(const CMBString& argument) {
    CMBString directory = DestinationDirectory();
    if (!m_context->GetNewInstall() && !m_cfgName.IsEmpty()) {
        CMBString value = ReadCfgName(m_cfgFile);
        if (!value.IsEmpty()) directory = StripSuffix(value, m_cfgValEnd);
    }
    m_system.DeleteFiles(directory.str(), argument.str());
}

bool CInsGrp::ActionCat(const CMBString& argument) {
    if (!CheckDisk()) return true;
    if (m_system.TypeFile(argument.str())) return true;
    RecordReadError(argument, platform::GetLastError());
    return false;
}

void CInsGrp::ActionExist(const CMBString& argument) {
    m_list = m_system.FindFile(argument.str(), false) ? m_positive : m_negative;
}

void CInsGrp::ActionSetInstall(const CMBString& argument) {
    int value = std::atoi(argument.c_str());
    if (value == 0 || value == 1) m_context->SetNewInstall(value);
}

bool CInsGrp::ActionSync(const CMBString& argument) {
    if (!CheckDisk()) return true;
    // A source that is not there to compare with fails like a copy, with Retry or Exit.
    if (m_system.DeleteMissing(SourceDirectory().str(), DestinationDirectory().str(),
                               argument.str()))
        return true;
    RecordCopyError();
    return false;
}

void CInsGrp::ActionCfgCmp() {
    CMBString value = ReadCfgName(m_cfgFile);
    m_list = value.CompareNoCase(m_cfgVal.c_str()) == 0 ? m_positive : m_negative;
}

void CInsGrp::ActionCheckSpace(const CMBString& argument) {
    double freeKilobytes = m_system.GetFreeSpace(m_context->GetDestinationBase().str()) / 1024;
    double needed = static_cast<double>(std::atoll(argument.c_str()));
    m_list = needed > freeKilobytes ? m_negative : m_positive;
}

void CInsGrp::ActionGoBack(const CMBString& argument) {
    if (!argument.IsEmpty()) m_context->SetGoBackTarget(argument);
    m_goBack = 1;
}

// A part used from the source has its copy on the destination deleted.
void CInsGrp::ActionDelOnCd(const CMBString& argument) {
    CMBString destination = DestinationDirectory();
    CMBString value = ReadCfgName(m_cfgFile);
    if (!value.IsEmpty() && BeginsWith(value, SourceDirectory()) &&
        m_system.FindFile((destination + argument).str(), false) &&
        m_context->GetDeleteOnCdAllowed())
        m_system.DeleteFiles(destination.str(), argument.str());
}

void CInsGrp::ActionCheckVal() {
    m_list = m_negative;
    if (m_cfgName.IsEmpty()) return;
    CMBString value = ReadCfgName(m_cfgFile);
    bool holds;
    if (m_cfgVal.GetAt(0) == '&')
        holds = (std::atoi(m_cfgVal.c_str() + 1) & std::atoi(value.c_str())) != 0;
    else if (m_cfgVal.GetAt(0) == '=')
        holds = std::atoi(m_cfgVal.c_str() + 1) == std::atoi(value.c_str());
    else
        holds = value.CompareNoCase(m_cfgVal.c_str()) == 0;
    if (holds) m_list = m_positive;
}

void CInsGrp::ActionEwm(const CMBString& argument) {
    m_error.stop = 1;
    ui::MessageBoxF(kMsgInstallError, ui::Buttons::Ok, ui::Icon::Error,
                    std::atoi(argument.c_str()));
}

}  // namespace zefi
