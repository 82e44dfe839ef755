// The actions that install the product's configuration and batch files: "ibat", "icfg",
// "iapcfg" and "iapbat", fresh and on an update.
#include "platform/errors.h"
#include "script/comma_list.h"
#include "script/ins_grp.h"
#include "script/install_context.h"
#include "system/text_file.h"

namespace zefi {

namespace {

CMBString DirectoryOf(const CMBString& path) { return path.Left(path.ReverseFind('\\') + 1); }

}  // namespace

bool CInsGrp::ReplaceInFile(const CMBString& path, const CMBString& oldText,
                            const CMBString& newText) {
    if (CTextFile(path.str()).ReplaceText(oldText.str(), newText.str())) return true;
    RecordWriteError(path, platform::GetLastError());
    return false;
}

bool CInsGrp::ReadFailure(const CTextFile& file) {
    RecordReadError(CMBString(file.GetPath().c_str()), file.GetLastError());
    return false;
}

bool CInsGrp::ActionInstallBatch(const CMBString& argument) {
    CMBString destination = DestinationDirectory();
    if (!m_context->GetNewInstall() && m_system.FindFile((destination + argument).str(), true))
        return true;
    if (!CheckDisk()) return true;
    return Copy(SourceDirectory(), destination, argument, false);
}

// On an update the installed file stays; the keys named by AppCfgUpdate and the "&" block are
// carried over from the new file. The new file is named only after the disk check, which may
// have moved the source base to another disk.
bool CInsGrp::UpdateCfgFile(const CMBString& argument, const CMBString& target) {
    CTextFile installed(target.str());
    if (!m_appCfgUpdate.IsEmpty() && !CheckDisk()) return true;
    const CMBString newFile = SourceDirectory() + argument;
    CTextFile source(newFile.str());
    if (!m_appCfgUpdate.IsEmpty()) {
        CMBString key;
        for (int i = 0; GetCommaListItem(m_appCfgUpdate, i, &key); ++i) {
            std::string value = source.ReadKeyLine(key.str());
            if (source.ReadFailed()) return ReadFailure(source);
            if (value.empty()) continue;
            if (!installed.WriteKey(key.str(), value)) {
                RecordWriteError(target, installed.GetLastError());
                return false;
            }
        }
    }
    // A block cut short by a read error must not replace the installed one.
    std::string block = source.GetAmpersandBlock();
    if (source.ReadFailed()) return ReadFailure(source);
    if (!block.empty() && !installed.SetAmpersandBlock(block)) {
        RecordWriteError(target, installed.GetLastError());
        return false;
    }
    return true;
}

bool CInsGrp::CfgTarget(const CMBString& argument, CMBString* destination, CMBString* target) {
    *destination = DestinationDirectory();
    const CMBString remembered = m_context->GetCfgPath(m_cfgGroup);
    *target = remembered.IsEmpty() ? *destination + argument : remembered;
    if (!m_context->GetNewInstall() && m_system.FindFile(target->str(), true)) return true;
    if (!remembered.IsEmpty() && DirectoryOf(remembered).CompareNoCase(destination->c_str()) != 0)
        *destination = DirectoryOf(remembered);
    return false;
}

bool CInsGrp::ActionInstallCfg(const CMBString& argument) {
    CMBString destination;
    CMBString target;
    if (CfgTarget(argument, &destination, &target)) return UpdateCfgFile(argument, target);
    if (!CheckDisk()) return true;
    if (!Copy(SourceDirectory(), destination, argument, false)) return false;
    // The copy stands even when the new file's values cannot be replaced.
    if (!m_oldCfgVal.IsEmpty())
        CTextFile((destination + argument).str()).ReplaceText(m_oldCfgVal.str(), m_newCfgVal.str());
    return true;
}

bool CInsGrp::ActionInstallAppCfg(const CMBString& argument) {
    CMBString destination;
    CMBString target;
    if (CfgTarget(argument, &destination, &target)) return UpdateCfgFile(argument, target);
    if (!CheckDisk()) return true;
    if (!Copy(SourceDirectory(), destination, argument, false)) return false;
    if (!ReplaceInFile(target, m_appCfgPathOld, m_appCfgPathNew)) return false;
    if (m_appCfgOld.IsEmpty()) return true;
    CTextFile file(target.str());
    CMBString key;
    CMBString value;
    for (int i = 0;
         GetCommaListItem(m_appCfgOld, i, &key) && GetCommaListItem(m_appCfgNew, i, &value); ++i) {
        if (!file.WriteKey(key.str(), value.str())) {
            RecordWriteError(target, file.GetLastError());
            return false;
        }
    }
    return true;
}

bool CInsGrp::ActionInstallAppBatch(const CMBString& argument) {
    CMBString destination = DestinationDirectory();
    CMBString existing = destination + argument;
    if (!m_context->GetNewInstall() && m_system.FindFile(existing.str(), true)) {
        // The installed start batch tells where the application's configuration file lies.
        CTextFile batch(existing.str());
        CMBString path = batch.FindStartPath();
        if (batch.ReadFailed()) return ReadFailure(batch);
        if (!path.IsEmpty()) {
            if (path.GetAt(0) == '\\') path = m_context->GetDestinationBase().Left(2) + path;
            m_context->RememberCfgPath(m_cfgGroup, path);
        }
        if (!CheckDisk()) return true;
        CTextFile newBatch((SourceDirectory() + argument).str());
        std::string remLine = newBatch.GetRemLine();
        if (newBatch.ReadFailed()) return ReadFailure(newBatch);
        if (!remLine.empty() && !batch.SetRemLine(remLine)) {
            RecordWriteError(existing, batch.GetLastError());
            return false;
        }
        return true;
    }

    if (!CheckDisk()) return true;
    if (!Copy(SourceDirectory(), destination, argument, false)) return false;
    if (!ReplaceInFile(existing, m_batCfgNameOld, m_batCfgNameNew)) return false;
    if (m_exeNameOldList.IsEmpty() || m_exeNameNewList.IsEmpty()) return true;
    CMBString oldName;
    CMBString newName;
    for (int i = 0; GetCommaListItem(m_exeNameOldList, i, &oldName) &&
                    GetCommaListItem(m_exeNameNewList, i, &newName);
         ++i) {
        if (!ReplaceInFile(existing, oldName, newName)) return false;
    }
    return true;
}

}  // namespace zefi
