// The download branch of the install driver: the medium fetched as disk images, the first image
// attached for the copy run and again after it, the record of the installed image set, and the
// image files removed at program end after a successful installation.
#include "driver/download_branch.h"

#include <utility>

#include "dialogs/down_dlg.h"
#include "download/download_outcome.h"
#include "download/package_list.h"
#include "download/repo_info.h"
#include "driver/setup_dlg.h"
#include "platform/fs.h"
#include "system/copy_file_overwrite.h"
#include "system/csystem.h"
#include "system/edition.h"
#include "system/log.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

// The install scripts of a medium, both copied from the image whatever the edition.
constexpr const char* kScriptNames[] = {"cd.cfg", "cds.cfg"};

// The first image of list that is not verified, or nullptr when all are.
const ImageRecord* FirstUnverified(const ImageRecord* list) {
    for (const ImageRecord* entry = list; entry && entry->digest[0] != '\0'; ++entry) {
        if (!entry->verified) return entry;
    }
    return nullptr;
}

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
        // Only a plain file name is a file of the destination directory: an empty one would aim
        // at the directory itself, others at files elsewhere.
        if (!IsPlainFileName(entry->name)) continue;
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

void CSetupDlg::EndWithoutImages(const DownloadOutcome& outcome) {
    switch (outcome.end) {
        case DownloadEnd::kAlreadyInstalled:
            m_runOutcome = RunOutcome::kAlreadyInstalledDeclined;
            return;
        case DownloadEnd::kCancelled:
            m_runOutcome = RunOutcome::kCancelled;
            return;
        case DownloadEnd::kVerified:
        case DownloadEnd::kFailed:
            break;
    }
    // The steps' own messages have been shown; this one says the run is over and where the
    // details are.
    m_runOutcome = RunOutcome::kDownloadFailed;
    ui::MessageBox(DownloadFailureText(outcome), ui::Buttons::Ok, ui::Icon::Error);
}

bool CSetupDlg::RunDownloadBranch() {
    DownloadOutcome outcome;
    {
        LogStream unopened;
        CSystem system(unopened);
        DlgDown download;
        download.SetFreeSpaceInitial(system.GetFreeSpace(m_destination));
        download.SetDestinationDir(m_destination);
        download.SetEdition(SlovakEdition);
        download.SetMasterAddress(m_masterAddress);
        download.SetProxy(m_proxy, m_proxyUser, m_proxyPassword);
        download.DoModal();
        m_imageList.reset(download.TakeResultList());
        outcome = download.GetOutcome();
    }
    // Nothing may be installed from a list that offers no image or holds one that was not
    // verified; the run cannot hand such a list over, but the branch does not rely on it.
    if (m_imageList && outcome.end == DownloadEnd::kVerified) {
        if (CountImages(m_imageList.get()) == 0) {
            outcome.end = DownloadEnd::kFailed;
            outcome.step = DownloadStep::kConfiguration;
            outcome.status = kFetchNoImages;
        } else if (const ImageRecord* unverified = FirstUnverified(m_imageList.get())) {
            outcome.end = DownloadEnd::kFailed;
            outcome.step = DownloadStep::kImageCheck;
            outcome.file = unverified->name;
            outcome.status = 1;
        }
    }
    if (!m_imageList || outcome.end != DownloadEnd::kVerified) {
        ReleaseDownloadState();
        EndWithoutImages(outcome);
        return false;
    }

    ImageRecord* first = m_imageList.get();
    int32_t status = kAttachFound;
    m_imageHandle = AttachImage(m_destination, first, kAttachKeep, SlovakEdition, &status);
    if (!m_imageHandle || status != kAttachFound) {
        // AttachImage has shown why.
        ReleaseDownloadState();
        m_runOutcome = RunOutcome::kDownloadFailed;
        return false;
    }

    std::string current;
    if (!platform::GetCurrentDirectory(&current)) {
        ReleaseDownloadState();
        m_runOutcome = RunOutcome::kDownloadFailed;
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
        m_runOutcome = RunOutcome::kDownloadFailed;
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
        m_imageHandle = AttachImage(m_destination, first, kAttachKeep, SlovakEdition, &status);
        if (m_imageHandle && status == kAttachFound && first->driveRoot[0] != '\0')
            m_source = first->driveRoot;
    }
    if (!completed) return;
    // A failed re-attachment does not change what was installed.
    WriteRepoInfoFile(m_destination, m_imageList.get());
    m_deleteImages = 1;
}

}  // namespace zefi
