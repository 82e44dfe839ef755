// GroupList: runs a list of install script groups, each with its sub-lists, and carries the
// go-back and stop requests up through the lists.
#pragma once

#include "script/mbstring.h"

namespace zefi {

class InstallContext;

// One list being run: a comma list of group names (a leading "!" runs that group in no-install
// mode). Used by the copy worker thread only.
class GroupList {
  public:
    // context may be nullptr (process_list then fails); otherwise it must outlive the list.
    GroupList(const CMBString& list, InstallContext* context);

    // Runs the groups of the list in order. A group's sub-list (its List option after its
    // actions) runs completely before the next group. A group whose sub-list is still running
    // (this list's group or one above it on the way to the start list) is not run again: it
    // is skipped with the log line "Group <name> already in process, skipped", so a script whose
    // lists form a cycle ends instead of nesting without end. A "goback" ends the list early: the
    // list whose text equals the context's go-back target starts again from its first group, the
    // list whose current group has that name runs the group again, and any other list passes
    // the go-back on to the list above it (an empty target only ends the sub-list). True when
    // the list ended normally or by going back; false when the run is to stop (the script cannot
    // be read, the user stopped, a disk prompt or error dialog was left with Cancel or Exit).
    bool process_list();

    // Whether the list ended by a go-back that it passes on, and whether the run is to stop.
    bool GetGoBack() const { return m_goBack != 0; }
    bool GetStop() const { return m_stop != 0; }

  private:
    // The sub-list of group owner, run by parent.
    GroupList(const CMBString& list, InstallContext* context, const GroupList* parent,
              const CMBString& owner);

    // Whether group name is running: its sub-list is this list or one that encloses it.
    bool IsInProcess(const CMBString& name) const;

    CMBString m_list;
    InstallContext* m_context;
    const GroupList* m_parent = nullptr;  // nullptr for the start list
    CMBString m_owner;                    // the group whose List this is (sub-lists only)
    int m_goBack = 0;
    int m_stop = 0;
};

}  // namespace zefi
