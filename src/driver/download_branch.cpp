// The download branch of the install driver: the medium fetched as disk images, the first image
// attached for the copy run and again after it, the record of the installed image set, and the
// image files removed at program end after a successful installation.
#include "driver/download_branch.h"

#include <utility>

#include "dialogs/down_dlg.h"
#include "download/repo_info.h"
#include "driver/setup_dlg.h"
#include "platform/fs.h"
#include "system/copy_file_overwrite.h"
#include "system/csystem.h"
#include "system/edition.h"
#include "system/log.h"

namespace zefi {

namespace {

// The install scripts of a medium, both copied from the image whatever the edition.
constexpr const char* kScriptNames[] = {"cd.cfg", "cds.cfg"};

}  // namespace

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '\\') return directory + name;
    return directory + "\\" + name;
}

bool WriteRepoInfoFile(const std::string& destination, const ImageRecord* list) {
    LogStream file;
    if (!file.Open(JoinPath(destination, kRepoInfoName))) return false;
    for (const ImageRecord* entry = list; entry && entry->digest[0] != '\0'; ++entry)
        file << entry->digest << LogStream::endl;
    file.Close();
    return !file.Failed();
}

int DeleteImageFiles(const std::string& destination, const ImageRecord* list) {
    int deleted = 0;
    for (const ImageRecord* entry = list; entry && entry->digest[0] != '\0'; ++entry) {
        // An entry without a name never became a file of its own; deleting destination + "\"
        // would aim at the directory itself.
        if (entry->name[0] == '\0') continue;
        if (platform::DeleteFile(JoinPath(destination, entry->name))) ++deleted;
    }
    return deleted;
}

CSetupDlg::~CSetupDlg() {
    // The image must be detached before its file can go.
    m_imageHandle.reset();
    if (m_imageList && m_deleteImages) DeleteImageFiles(m_destination, m_imageList.get());
    m_imageList.reset();
}

void CSetupDlg::ReleaseDownloadState() {
    m_deleteImages = 0;
    m_imageHandle.reset();
    m_imageList.reset();
}

bool CSetupDlg::RunDownloadBranch() {
    const int32_t czech = SlovakEdition ? 0 : 1;
    {
        LogStream unopened;
        CSystem system(unopened);
        DlgDown download;
        download.SetFreeSpaceInitial(system.GetFreeSpace(m_destination));
        download.SetDestinationDir(m_destination);
        download.SetEdition(czech);
        download.SetMasterAddress(m_masterAddress);
        download.SetProxy(m_proxy, m_proxyUser, m_proxyPassword);
        download.DoModal();
        // The dialog has shown its own messages when it hands over nothing.
        m_imageList.reset(download.TakeResultList());
    }
    if (!m_imageList) return false;
    // A list whose every image was excluded offers nothing to attach or install from.
    if (CountImages(m_imageList.get()) == 0) {
        ReleaseDownloadState();
        return false;
    }

    ImageRecord* first = m_imageList.get();
    int32_t status = kAttachFound;
    m_imageHandle = AttachImage(m_destination, first, kAttachKeep, czech, &status);
    if (!m_imageHandle || status != kAttachFound) {
        // AttachImage has shown why.
        ReleaseDownloadState();
        return false;
    }

    std::string current;
    if (!platform::GetCurrentDirectory(&current)) {
        ReleaseDownloadState();
        return false;
    }
    SetSource(current);
    if (!platform::GetLongPathName(m_destination, &m_longDestination))
        m_longDestination = m_destination;

    // The driver reads the install script from the current directory: the image's scripts go
    // there. An image that showed no product volume has no drive root to copy them from, and
    // the root of the current drive must not stand in for it.
    const std::string root = first->driveRoot;
    bool copied = !root.empty();
    for (const char* script : kScriptNames) {
        if (!copied) break;
        copied = CopyFileOverwrite(JoinPath(root, script), JoinPath(m_source, script));
    }
    if (!copied) {
        ReleaseDownloadState();
        return false;
    }

    m_source = root;
    return true;
}

void CSetupDlg::AfterCopy(bool completed) {
    // The copy run normally detaches its image itself at its end.
    m_imageHandle.reset();
    if (m_imageList) {
        ImageRecord* first = m_imageList.get();
        int32_t status = kAttachFound;
        m_imageHandle =
            AttachImage(m_destination, first, kAttachKeep, SlovakEdition ? 0 : 1, &status);
        if (m_imageHandle && status == kAttachFound && first->driveRoot[0] != '\0')
            m_source = first->driveRoot;
    }
    if (!completed) return;
    // A failed re-attachment does not change what was installed.
    WriteRepoInfoFile(m_destination, m_imageList.get());
    m_deleteImages = 1;
}

}  // namespace zefi
