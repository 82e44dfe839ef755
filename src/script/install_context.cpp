// The per-run state of the install script engine: bases, flags, part lists and the remembered
// configuration file.
#include "script/install_context.h"

#include "system/csystem.h"
#include "system/log.h"

namespace zefi {

namespace {

CMBString NormaliseBase(CMBString base) {
    base.Replace("/", "\\");
    if (!base.IsEmpty() && base.GetAt(base.GetLength() - 1) != '\\') base += '\\';
    return base;
}

}  // namespace

InstallContext::InstallContext(const CMBString& sourceBase, const CMBString& destinationBase,
                               LogStream& log)
    : m_log(log) {
    SetSourceBase(sourceBase);
    SetDestinationBase(destinationBase);
}

void InstallContext::SetSourceBase(const CMBString& base) { m_sourceBase = NormaliseBase(base); }

void InstallContext::SetDestinationBase(const CMBString& base) {
    CMBString text = base;
    if (text.GetLength() == 1) text += ":\\";
    m_destinationBase = NormaliseBase(text);
}

void InstallContext::RememberCfgPath(const CMBString& part, const CMBString& path) {
    if (part.IsEmpty()) return;
    if (!(part == m_cfgPart)) {
        m_cfgPath.Empty();
        m_useDefaultDestination = 0;
    }
    m_cfgPart = part;
    m_cfgPath = path;
}

void InstallContext::UseDefaultDestination(const CMBString& part) {
    if (part.IsEmpty()) return;
    if (!(part == m_cfgPart)) m_cfgPath.Empty();
    m_cfgPart = part;
    m_useDefaultDestination = 1;
}

CMBString InstallContext::GetCfgPath(const CMBString& part) const {
    if (part.IsEmpty() || !(part == m_cfgPart)) return CMBString();
    return m_cfgPath;
}

int InstallContext::GetUseDefaultDestination(const CMBString& part) const {
    if (part.IsEmpty() || !(part == m_cfgPart)) return 0;
    return m_useDefaultDestination;
}

void InstallContext::AddPart(CMBString* list, const CMBString& part) {
    if (part.IsEmpty() || HasPart(*list, part)) return;
    *list += part;
    *list += ',';
}

bool InstallContext::HasPart(const CMBString& list, const CMBString& part) {
    if (part.IsEmpty()) return false;
    CMBString entry = part + ",";
    return list.Find(entry.c_str()) >= 0;
}

double InstallContext::GetDestinationFreeSpace() const {
    // A CSystem made only to measure: it is given a stream that was never opened.
    LogStream silent;
    CSystem system(silent);
    return system.GetFreeSpace(m_destinationBase.str());
}

void InstallContext::Quit() {
    m_stopReason = StopReason::kQuit;
    // The log ends with the lines written so far, each already on disk.
    m_log.Close();
}

}  // namespace zefi
