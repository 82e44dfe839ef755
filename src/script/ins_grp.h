// CInsGrp: one group of the install script as it runs: its options, its queue of actions, the
// decision whether and how they run, and the actions themselves.
#pragma once

#include <list>

#include "script/actions.h"
#include "script/copy_error.h"
#include "script/mbstring.h"
#include "system/csystem.h"

namespace zefi {

class CTextFile;
class InstallContext;

// Built by GroupList::process_list for one group of a list, filled with the group's option
// lines (SetOption) and action lines (AddAction) in script order, run once (ProcessActions),
// queried and destroyed. It changes the run's InstallContext and the files of the source and the
// destination; nothing else of it outlives it. Used by the copy worker thread only.
class CInsGrp {
  public:
    // name is the name as listed; a leading "!" is dropped from it and marks the group for the
    // no-install mode. Logs "Group: " and the listed name. context must outlive the group.
    CInsGrp(const CMBString& name, InstallContext* context);
    // Logs "Group finished: " and the name.
    ~CInsGrp();
    CInsGrp(const CInsGrp&) = delete;
    CInsGrp& operator=(const CInsGrp&) = delete;

    // Stores an option after replacing "[SrcBase]" and "[DstBase]" in value. "Source" and "Dest"
    // get a trailing "\"; "Size" and "NotOnCD" are read as numbers. False for an unknown key,
    // which is logged ("Unrecognized option: ") before one character is read from a console
    // (platform::ReadConsoleCharacter: never from a pipe or file).
    bool SetOption(const CMBString& key, const CMBString& value);
    // Whether SetOption knows key (exact, case-sensitive).
    static bool IsOptionKey(const CMBString& key);
    // Queues an action after replacing "[SrcBase]", "[DstBase]" and "[FreeSpace]" (the free
    // kilobytes of the destination volume) in argument. False, with "Unrecognized action: "
    // logged, for an unknown name.
    bool AddAction(const CMBString& name, const CMBString& argument);

    // Runs the group: in no-install mode only its "deloncd" actions (after pointing the part at
    // the source); otherwise every queued action in order, showing the error dialog for a failed
    // one and repeating it on Retry. False when the run is to stop (GetStop then tells), true
    // otherwise, also when a "goback" ended the group.
    bool ProcessActions();

    // The group's name without a leading "!", and whether it was listed with one.
    const CMBString& GetName() const { return m_name; }
    bool IsNoInstallMarked() const { return m_noInstall != 0; }
    // Whether a "goback" ended the group.
    bool GetGoBack() const { return m_goBack != 0; }
    // The group's sub-list: its List option, possibly rewritten by conditional actions.
    const CMBString& GetList() const { return m_list; }
    // Whether the run is to stop: the group's stop flag, or a stop request of the user seen by
    // the copy engine (which then sets the stop flag).
    bool GetStop();

    // The error record of the last failed action.
    const CopyErrorRecord& GetErrorRecord() const { return m_error; }

    // Source base + Source, and destination base + Dest.
    CMBString SourceDirectory() const;
    CMBString DestinationDirectory() const;

  private:
    // The member a text option is stored in; nullptr for a key that is not a text option.
    static CMBString CInsGrp::*TextOption(const CMBString& key);

    struct QueuedAction {
        int code;
        CMBString argument;
    };

    // ProcessActions' decisions.
    bool IsNoInstall() const;
    bool IsNewInstall() const;
    void PointPartAtSource();
    void RunNoInstall();
    void CheckInstalledPart();

    // Runs one action; false when a result action failed (the error record is filled).
    bool RunAction(int code, const CMBString& argument);

    // The actions (actions.cpp, config_actions.cpp).
    bool ActionInstall(const CMBString& argument);
    bool ActionInstallBatch(const CMBString& argument);
    bool ActionInstallCfg(const CMBString& argument);
    bool ActionInstallAppCfg(const CMBString& argument);
    bool ActionInstallAppBatch(const CMBString& argument);
    bool ActionMkdir();
    void ActionDelete(const CMBString& argument);
    bool ActionCat(const CMBString& argument);
    void ActionExist(const CMBString& argument);
    void ActionSetInstall(const CMBString& argument);
    bool ActionSync(const CMBString& argument);
    void ActionCfgCmp();
    void ActionCheckSpace(const CMBString& argument);
    void ActionGoBack(const CMBString& argument);
    void ActionDelOnCd(const CMBString& argument);
    void ActionCheckVal();
    void ActionEwm(const CMBString& argument);

    // The update branch shared by "icfg" and "iapcfg": carries the AppCfgUpdate keys and the "&"
    // block of the new file (source directory + argument) into target.
    bool UpdateCfgFile(const CMBString& argument, const CMBString& target);
    // The target of "icfg" / "iapcfg": the path remembered for CfgGroup, or destination
    // directory + argument. Returns true for an update (not fresh and the target exists);
    // otherwise destination is moved to a remembered path's directory when that differs.
    bool CfgTarget(const CMBString& argument, CMBString* destination, CMBString* target);
    // Replaces oldText by newText in path; false (a write error on path, with the system's
    // last error) when the file cannot be rewritten.
    bool ReplaceInFile(const CMBString& path, const CMBString& oldText, const CMBString& newText);

    // Records a read error of file (which met one) and returns false.
    bool ReadFailure(const CTextFile& file);

    // Copies pattern from sourceDir to destinationDir, with sourceDir moved to the drive of the
    // current source base; a failure fills the error record from the copy engine.
    bool Copy(const CMBString& sourceDir, const CMBString& destinationDir, const CMBString& pattern,
              bool newerOnly);
    // Makes sure the group's disk (CD) is present under the source base, asking for it or
    // attaching the image that holds it. False when it is absent (the stop flag may be set).
    bool CheckDisk();

    // Error record helpers.
    void RecordCopyError();
    void RecordWriteError(const CMBString& name, uint32_t code);
    void RecordReadError(const CMBString& name, uint32_t code);

    // The value of key CfgName in file; "" when CfgName is empty.
    CMBString ReadCfgName(const CMBString& file) const;
    // Writes CfgName = value into file; false when the file cannot be rewritten.
    bool WriteCfgName(const CMBString& file, const CMBString& value) const;

    // Error record: retry flag, error code, write flag, names and the stop flag.
    CopyErrorRecord m_error;
    std::list<QueuedAction> m_actions;
    CSystem m_system;
    CMBString m_name;
    InstallContext* m_context;
    int m_noInstall = 0;

    // Options.
    CMBString m_source;
    CMBString m_dest;
    CMBString m_list;
    long m_size = 0;
    CMBString m_charValue;
    CMBString m_charTarget;
    CMBString m_cfgFile;
    CMBString m_cfgName;
    CMBString m_cfgVal;
    CMBString m_cfgValEnd;
    CMBString m_oldCfgVal;
    CMBString m_newCfgVal;
    CMBString m_cd;
    CMBString m_appCfgPathOld;
    CMBString m_appCfgPathNew;
    CMBString m_appCfgOld;
    CMBString m_appCfgNew;
    CMBString m_appCfgUpdate;
    CMBString m_batCfgNameOld;
    CMBString m_batCfgNameNew;
    CMBString m_exeNameOldList;
    CMBString m_exeNameNewList;
    CMBString m_positive;
    CMBString m_negative;
    int m_notOnCd = 0;
    CMBString m_cfgGroup;

    int m_goBack = 0;
    int m_endOfActions = 0;
};

}  // namespace zefi
