// InstallContext: the state of one run of the install script engine, shared by every group of
// the run.
#pragma once

#include "script/mbstring.h"

namespace zefi {

class DiskImageSource;
class ErrorDialogPresenter;
class LogStream;
class ProgressSink;

// Built by the copy worker for one run; the groups of the run point to it and change it, and
// their changes hold for all later groups. Used by the copy worker thread only.
class InstallContext {
  public:
    // sourceBase and destinationBase are the roots the script's [SrcBase] and [DstBase] stand
    // for; see SetSourceBase and SetDestinationBase for how they are stored. Every log line of
    // the engine goes to log, which must outlive the context.
    InstallContext(const CMBString& sourceBase, const CMBString& destinationBase, LogStream& log);
    InstallContext(const InstallContext&) = delete;
    InstallContext& operator=(const InstallContext&) = delete;

    LogStream& Log() const { return m_log; }

    // The source base with every "/" turned into "\" and a trailing "\" added when missing
    // (an empty base stays empty). The disk check moves it to another disk's root.
    const CMBString& GetSourceBase() const { return m_sourceBase; }
    void SetSourceBase(const CMBString& base);
    // The same rules; a single character (a drive letter) becomes "X:\".
    const CMBString& GetDestinationBase() const { return m_destinationBase; }
    void SetDestinationBase(const CMBString& base);

    // Copy only newer files: passed to every copy of the action "i".
    int GetOnlyNewer() const { return m_onlyNewer; }
    void SetOnlyNewer(int onlyNewer) { m_onlyNewer = onlyNewer; }

    // The copy dialog of the run: progress sink of every CSystem of the run (may be nullptr).
    ProgressSink* GetOwner() const { return m_owner; }
    void SetOwner(ProgressSink* owner) { m_owner = owner; }

    // Shows the copy error dialog for failed actions; without one a failure ends the run.
    ErrorDialogPresenter* GetErrorPresenter() const { return m_errorPresenter; }
    void SetErrorPresenter(ErrorDialogPresenter* presenter) { m_errorPresenter = presenter; }

    // 1 (the initial value) for a fresh installation, 0 for an update.
    int GetNewInstall() const { return m_newInstall; }
    void SetNewInstall(int newInstall) { m_newInstall = newInstall; }

    // Parts whose configured directory still lies on the source count as new installs.
    int GetChangeCfgAll() const { return m_changeCfgAll; }
    void SetChangeCfgAll(int changeCfgAll) { m_changeCfgAll = changeCfgAll; }

    // Parts used from the source may have their copy on the destination deleted ("deloncd").
    int GetDeleteOnCdAllowed() const { return m_deleteOnCdAllowed; }
    void SetDeleteOnCdAllowed(int allowed) { m_deleteOnCdAllowed = allowed; }

    // The install script, "cd.cfg" (the initial value) or "cds.cfg", relative to the current
    // directory.
    const CMBString& GetScriptPath() const { return m_scriptPath; }
    void SetScriptPath(const CMBString& path) { m_scriptPath = path; }

    // The remembered configuration file: one part at a time. Remembering for another part than
    // the stored one first forgets path and flag; an empty part name changes nothing.
    void RememberCfgPath(const CMBString& part, const CMBString& path);
    // Sets the use-default-destination flag for part (same rule for another part).
    void UseDefaultDestination(const CMBString& part);
    // The remembered path for part; empty when part is empty or another part is stored.
    CMBString GetCfgPath(const CMBString& part) const;
    // The use-default-destination flag for part; 0 when part is empty or another part is stored.
    int GetUseDefaultDestination(const CMBString& part) const;

    // The part lists hold names each followed by ",". A name is added only when "name," is not
    // yet a substring of the list; a name is on a list when "name," occurs in it as a substring.
    // An empty name is never added and never on a list.
    void AddInstalledPart(const CMBString& part) { AddPart(&m_installedParts, part); }
    void AddNotInstalledPart(const CMBString& part) { AddPart(&m_notInstalledParts, part); }
    bool IsInstalledPart(const CMBString& part) const { return HasPart(m_installedParts, part); }
    bool IsNotInstalledPart(const CMBString& part) const {
        return HasPart(m_notInstalledParts, part);
    }
    const CMBString& GetInstalledParts() const { return m_installedParts; }
    const CMBString& GetNotInstalledParts() const { return m_notInstalledParts; }

    // Where a "goback" wants the run to go on: a list text or a group name; empty for none.
    const CMBString& GetGoBackTarget() const { return m_goBackTarget; }
    void SetGoBackTarget(const CMBString& target) { m_goBackTarget = target; }

    // The downloaded disk images of the run, or nullptr when the source is a real medium.
    DiskImageSource* GetDiskImages() const { return m_diskImages; }
    void SetDiskImages(DiskImageSource* images) { m_diskImages = images; }

    // Free bytes on the destination base's volume (0 when it cannot be measured).
    double GetDestinationFreeSpace() const;

    // Why a run that stopped did so, beyond the user's stop: a copy error answered with Exit,
    // or the script's "quit". Quit also closes the log, so that nothing is written after the
    // line of the action, as when the process ended there.
    enum class StopReason { kNone, kCopyErrorExit, kQuit };
    StopReason GetStopReason() const { return m_stopReason; }
    void SetCopyErrorExit() {
        if (m_stopReason == StopReason::kNone) m_stopReason = StopReason::kCopyErrorExit;
    }
    void Quit();

  private:
    static void AddPart(CMBString* list, const CMBString& part);
    static bool HasPart(const CMBString& list, const CMBString& part);

    LogStream& m_log;
    int m_onlyNewer = 0;
    ProgressSink* m_owner = nullptr;
    ErrorDialogPresenter* m_errorPresenter = nullptr;
    CMBString m_sourceBase;
    CMBString m_destinationBase;
    int m_newInstall = 1;
    int m_changeCfgAll = 0;
    CMBString m_cfgPart;
    CMBString m_cfgPath;
    int m_useDefaultDestination = 0;
    CMBString m_goBackTarget;
    int m_deleteOnCdAllowed = 0;
    CMBString m_scriptPath = "cd.cfg";
    CMBString m_installedParts;
    CMBString m_notInstalledParts;
    DiskImageSource* m_diskImages = nullptr;
    StopReason m_stopReason = StopReason::kNone;
};

}  // namespace zefi
