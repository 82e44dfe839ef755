// CInsGrp: storing a group's options and actions and deciding whether and how its actions run.
#include "script/ins_grp.h"

#include <cstdio>
#include <cstdlib>

#include "platform/machine.h"
#include "script/install_context.h"
#include "system/log.h"
#include "system/text_file.h"

namespace zefi {

namespace {

// Replaces the placeholders that stand for the run's bases.
void SubstituteBases(CMBString* text, const InstallContext& context) {
    text->Replace("[SrcBase]", context.GetSourceBase().c_str());
    text->Replace("[DstBase]", context.GetDestinationBase().c_str());
}

void AddTrailingBackslash(CMBString* text) {
    if (text->GetAt(text->GetLength() - 1) != '\\') *text += '\\';
}

}  // namespace

CInsGrp::CInsGrp(const CMBString& name, InstallContext* context)
    : m_system(context->Log()), m_name(name), m_context(context) {
    m_system.SetProgressSink(context->GetOwner());
    context->Log() << "Group: " << name.c_str() << LogStream::endl;
    if (m_name.GetAt(0) == '!') {
        m_name = m_name.From(1);
        m_noInstall = 1;
    }
}

CInsGrp::~CInsGrp() { m_context->Log() << "Group finished: " << m_name.c_str() << LogStream::endl; }

CMBString CInsGrp::SourceDirectory() const { return m_context->GetSourceBase() + m_source; }

CMBString CInsGrp::DestinationDirectory() const { return m_context->GetDestinationBase() + m_dest; }

CMBString CInsGrp::*CInsGrp::TextOption(const CMBString& key) {
    struct TextOptionEntry {
        const char* key;
        CMBString CInsGrp::*member;
    };
    static const TextOptionEntry kTextOptions[] = {
        {"List", &CInsGrp::m_list},
        {"OldCfgVal", &CInsGrp::m_oldCfgVal},
        {"NewCfgVal", &CInsGrp::m_newCfgVal},
        {"CfgFile", &CInsGrp::m_cfgFile},
        {"CharValue", &CInsGrp::m_charValue},
        {"CharTarget", &CInsGrp::m_charTarget},
        {"CfgName", &CInsGrp::m_cfgName},
        {"CfgVal", &CInsGrp::m_cfgVal},
        {"CfgValEnd", &CInsGrp::m_cfgValEnd},
        {"CD", &CInsGrp::m_cd},
        {"AppCfgPathOld", &CInsGrp::m_appCfgPathOld},
        {"AppCfgPathNew", &CInsGrp::m_appCfgPathNew},
        {"AppCfgOld", &CInsGrp::m_appCfgOld},
        {"AppCfgNew", &CInsGrp::m_appCfgNew},
        {"AppCfgUpdate", &CInsGrp::m_appCfgUpdate},
        {"BatCfgNameOld", &CInsGrp::m_batCfgNameOld},
        {"BatCfgNameNew", &CInsGrp::m_batCfgNameNew},
        {"ExeNameOldList", &CInsGrp::m_exeNameOldList},
        {"ExeNameNewList", &CInsGrp::m_exeNameNewList},
        {"Positive", &CInsGrp::m_positive},
        {"Negative", &CInsGrp::m_negative},
        {"CfgGroup", &CInsGrp::m_cfgGroup},
    };
    for (const TextOptionEntry& option : kTextOptions)
        if (key == option.key) return option.member;
    return nullptr;
}

bool CInsGrp::IsOptionKey(const CMBString& key) {
    return key == "Source" || key == "Dest" || key == "Size" || key == "NotOnCD" ||
           TextOption(key) != nullptr;
}

bool CInsGrp::SetOption(const CMBString& key, const CMBString& value) {
    CMBString text = value;
    SubstituteBases(&text, *m_context);

    if (key == "Source" || key == "Dest") {
        AddTrailingBackslash(&text);
        (key == "Source" ? m_source : m_dest) = text;
        return true;
    }
    if (key == "Size") {
        m_size = std::atol(text.c_str());
        return true;
    }
    if (key == "NotOnCD") {
        m_notOnCd = std::atoi(text.c_str());
        return true;
    }
    if (CMBString CInsGrp::*member = TextOption(key)) {
        this->*member = text;
        return true;
    }
    m_context->Log() << "Unrecognized option: " << key.c_str() << LogStream::endl;
    // The script author sees the message on a console and confirms it; an unattended run,
    // without a person at a console, goes on at once.
    platform::ReadConsoleCharacter();
    return false;
}

bool CInsGrp::AddAction(const CMBString& name, const CMBString& argument) {
    CMBString text = argument;
    SubstituteBases(&text, *m_context);
    if (text.Find("[FreeSpace]") >= 0) {
        char kilobytes[64];
        std::snprintf(kilobytes, sizeof kilobytes, "%.0f",
                      m_context->GetDestinationFreeSpace() / 1024);
        text.Replace("[FreeSpace]", kilobytes);
    }
    ActionCode code = ActionCodeFromName(name);
    if (code == kActionNone) {
        m_context->Log() << "Unrecognized action: " << name.c_str() << LogStream::endl;
        return false;
    }
    m_actions.push_back(QueuedAction{code, text});
    return true;
}

bool CInsGrp::GetStop() {
    if (!m_error.stop && m_system.ShouldExit()) m_error.stop = 1;
    return m_error.stop != 0;
}

CMBString CInsGrp::ReadCfgName(const CMBString& file) const {
    if (m_cfgName.IsEmpty()) return CMBString();
    return CTextFile(file.str()).ReadKey(m_cfgName.str());
}

bool CInsGrp::WriteCfgName(const CMBString& file, const CMBString& value) const {
    return CTextFile(file.str()).WriteKey(m_cfgName.str(), value.str());
}

bool CInsGrp::IsNoInstall() const {
    return m_noInstall || m_context->IsNotInstalledPart(m_cfgGroup) ||
           m_context->IsNotInstalledPart(m_cfgName);
}

// A part counts as new when the run installs afresh, or, with NotOnCD and the
// change-config-all flag, when its configured directory still lies on the source.
bool CInsGrp::IsNewInstall() const {
    if (m_context->GetNewInstall()) return true;
    if (!m_notOnCd || !m_context->GetChangeCfgAll()) return false;
    CMBString onSource = SourceDirectory();
    CMBString value = ReadCfgName(m_cfgFile).Left(onSource.GetLength());
    return value.CompareNoCase(onSource.c_str()) == 0;
}

void CInsGrp::PointPartAtSource() {
    if (m_cfgName.IsEmpty()) return;
    WriteCfgName(m_cfgFile, SourceDirectory() + m_cfgValEnd);
}

void CInsGrp::RunNoInstall() {
    PointPartAtSource();
    for (const QueuedAction& action : m_actions)
        if (action.code == kActionDelOnCd) RunAction(action.code, action.argument);
}

// An installed part whose configuration still points at the source gets its new value.
void CInsGrp::CheckInstalledPart() {
    if (m_cfgName.IsEmpty()) return;
    CMBString file = m_context->GetCfgPath(m_cfgGroup);
    if (file.IsEmpty()) file = m_cfgFile;
    CMBString onSource = SourceDirectory();
    CMBString value = ReadCfgName(file);
    if (value.CompareNoCase(onSource.c_str(), onSource.GetLength()) == 0 && !m_cfgVal.IsEmpty())
        WriteCfgName(m_cfgFile, m_cfgVal);
}

bool CInsGrp::ProcessActions() {
    LogStream& log = m_context->Log();
    log << "CInsGrp::ProcessActions Enter" << LogStream::endl;
    log << "CInsGrp::ProcessActions IsNoinstall" << LogStream::endl;
    if (IsNoInstall()) {
        log << "CInsGrp::ProcessActions IsNoinstall yes" << LogStream::endl;
        RunNoInstall();
        return true;
    }

    log << "CInsGrp::ProcessActions IsNewInstall" << LogStream::endl;
    if (IsNewInstall()) {
        log << "CInsGrp::ProcessActions IsNewInstall yes" << LogStream::endl;
        if (!m_cfgVal.IsEmpty() && !m_cfgName.IsEmpty()) WriteCfgName(m_cfgFile, m_cfgVal);
    } else if (m_context->IsInstalledPart(m_cfgGroup) || m_context->IsInstalledPart(m_cfgName)) {
        log << "CInsGrp::ProcessActions IsInstall yes" << LogStream::endl;
        CheckInstalledPart();
    }
    log << "CInsGrp::ProcessActions AskChangeCfg" << LogStream::endl;
    log << "CInsGrp::ProcessActions IsOnBlackList" << LogStream::endl;

    log << "CInsGrp::ProcessActions while(pos!=NULL||Retry)" << LogStream::endl;
    auto pos = m_actions.begin();
    auto failed = m_actions.end();
    while (pos != m_actions.end() || m_error.retry) {
        log << "CInsGrp::ProcessActions while(pos!=NULL||Retry) yes" << LogStream::endl;
        if (GetStop()) return false;
        if (m_error.retry) {
            m_error.retry = 0;
            // The failed action runs again; after a failure of the last action the group
            // starts over from its first one.
            pos = (pos == m_actions.end()) ? m_actions.begin() : failed;
        }
        if (m_endOfActions) return true;
        auto current = pos++;
        if (!RunAction(current->code, current->argument)) {
            failed = current;
            const bool stoppedBefore = m_error.stop != 0;
            ShowCopyError(&m_error, current->code, current->argument,
                          m_context->GetErrorPresenter());
            if (!stoppedBefore && m_error.stop) m_context->SetCopyErrorExit();
        }
        if (m_goBack) return true;
    }
    log << "CInsGrp::ProcessActions out" << LogStream::endl;
    return true;
}

}  // namespace zefi
