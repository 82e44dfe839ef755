// GroupList::process_list: the loop over the groups of a list and their sub-lists.
#include "script/group_list.h"

#include "script/ins_grp.h"
#include "script/inscfg.h"
#include "script/install_context.h"
#include "system/log.h"

namespace zefi {

namespace {

// What process_list needs of a group once it has run.
struct GroupOutcome {
    CMBString name;
    CMBString subList;
    bool goBack = false;
    bool stop = false;
};

// Builds the group listed as listedName, feeds it its lines from the script, runs it and
// destroys it again.
GroupOutcome RunGroup(const InsCfg& script, const CMBString& listedName, InstallContext* context) {
    LogStream& log = context->Log();
    CInsGrp group(listedName, context);
    log << "Before GetGroupVal " << group.GetName().c_str() << LogStream::endl;
    int line = 0;
    int kind = InsCfg::kEntryNone;
    CMBString key;
    CMBString value;
    while (script.GetGroupVal(group.GetName(), &line, &key, &value, &kind)) {
        if (kind == InsCfg::kEntryOption) {
            log << "GetGroupVal OPTION " << group.GetName().c_str() << " " << key.c_str() << " "
                << value.c_str() << LogStream::endl;
            group.SetOption(key, value);
        } else if (kind == InsCfg::kEntryAction) {
            log << "GetGroupVal ACTION " << group.GetName().c_str() << " " << key.c_str() << " "
                << value.c_str() << LogStream::endl;
            group.AddAction(key, value);
        }
    }
    group.ProcessActions();
    GroupOutcome outcome;
    outcome.name = group.GetName();
    outcome.goBack = group.GetGoBack();
    outcome.subList = group.GetList();
    outcome.stop = group.GetStop();
    return outcome;
}

// The name of the group listed as listedName: without the "!" of the no-install mode.
CMBString GroupName(const CMBString& listedName) {
    return listedName.GetAt(0) == '!' ? listedName.From(1) : listedName;
}

}  // namespace

GroupList::GroupList(const CMBString& list, InstallContext* context)
    : m_list(list), m_context(context) {}

GroupList::GroupList(const CMBString& list, InstallContext* context, const GroupList* parent,
                     const CMBString& owner)
    : m_list(list), m_context(context), m_parent(parent), m_owner(owner) {}

bool GroupList::IsInProcess(const CMBString& name) const {
    for (const GroupList* list = this; list->m_parent != nullptr; list = list->m_parent) {
        if (list->m_owner == name) return true;
    }
    return false;
}

bool GroupList::process_list() {
    if (!m_context) return false;
    LogStream& log = m_context->Log();
    log << "Enter process_list " << LogStream::endl;
    InsCfg script(&log);
    if (!script.Open(m_context->GetScriptPath())) {
        m_stop = 1;
        log << "Chyba pri cteni " << m_context->GetScriptPath().c_str() << LogStream::endl;
        return false;
    }

    CMBString name;
    log << "Before GetValList " << name.c_str() << LogStream::endl;
    int index = 0;
    if (!InsCfg::GetValList(m_list, index, &name)) return true;
    for (;;) {
        // Entering a group whose sub-list is still running would nest the same lists again
        // and again until the stack runs out.
        if (const CMBString running = GroupName(name); IsInProcess(running)) {
            log << "Group " << running.c_str() << " already in process, skipped" << LogStream::endl;
            if (!InsCfg::GetValList(m_list, ++index, &name)) return true;
            continue;
        }
        GroupOutcome group = RunGroup(script, name, m_context);
        log << "After ProcessActions() " << group.name.c_str() << " " << group.subList.c_str()
            << LogStream::endl;
        if (group.stop) {
            log << "GrpShouldExit " << group.name.c_str() << " " << group.subList.c_str()
                << LogStream::endl;
            m_stop = 1;
            return false;
        }
        if (group.goBack) {
            log << "GrpShouldGoBack " << group.name.c_str() << " " << group.subList.c_str()
                << LogStream::endl;
            m_goBack = 1;
            return true;
        }
        if (!group.subList.IsEmpty()) {
            log << "GrpHasList " << group.name.c_str() << " " << group.subList.c_str()
                << LogStream::endl;
            GroupList subList(group.subList, m_context, this, group.name);
            subList.process_list();
            m_stop = subList.m_stop;
            if (m_stop) return false;
            const CMBString target = m_context->GetGoBackTarget();
            if (subList.m_goBack && !target.IsEmpty()) {
                if (target == m_list) {
                    // This list is where the run goes back to: start it again.
                    m_context->SetGoBackTarget(CMBString());
                    m_goBack = 0;
                    index = 0;
                    InsCfg::GetValList(m_list, index, &name);
                    continue;
                }
                if (target == group.name) {
                    // The current group is the target: run it again.
                    m_context->SetGoBackTarget(CMBString());
                    m_goBack = 0;
                    continue;
                }
                m_goBack = 1;
                return true;
            }
        }
        if (!InsCfg::GetValList(m_list, ++index, &name)) return true;
    }
}

}  // namespace zefi
