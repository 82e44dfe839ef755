// SearchDlg: the search for an existing installation on the drives.
#include "dialogs/search_dlg.h"

#include <vector>

#include "platform/crashdump.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "resources/dialogs.h"

namespace zefi {

namespace {

// The roots of the existing drives in letter order ("A:\", "C:\", ...).
std::vector<std::string> DriveRoots() {
    std::vector<std::string> roots;
    const uint32_t drives = platform::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (drives & (1u << i)) roots.push_back(std::string(1, static_cast<char>('A' + i)) + ":\\");
    }
    return roots;
}

}  // namespace

SearchDlg::SearchDlg() : ui::Dialog(resources::kDlgSearch) {}

SearchDlg::~SearchDlg() {
    // The dialog normally closes only once the worker has finished; this covers a host that
    // ended the dialog some other way.
    if (m_worker.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_runState == kRunning) m_runState = kCancelRequested;
        }
        m_worker.join();
    }
}

std::string SearchDlg::GetFoundPath() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_foundPath;
}

int SearchDlg::GetRunState() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_runState;
}

void SearchDlg::SetRunState(int state) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_runState = state;
}

bool SearchDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    SetTimer(kTimerId, kTimerPeriodMs);
    if (!m_worker.joinable()) {
        m_worker = std::thread([this] {
            platform::PrepareThreadForCrash();
            platform::SetCurrentThreadPriority(platform::ThreadPriority::BelowNormal);
            Search();
        });
    }
    return true;
}

void SearchDlg::OnTimer(int id) {
    if (id == kTimerId && GetRunState() == kFinished) {
        KillTimer(kTimerId);
        EndDialog(ui::kIdOk);
    }
}

void SearchDlg::OnCancel() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        // A search that has already finished keeps that state; a request written over it
        // would leave the wait below waiting for a worker that is gone.
        if (m_runState == kRunning) m_runState = kCancelRequested;
    }
    // The worker looks at the request before each drive, so this waits for one lookup at most.
    while (GetRunState() != kFinished) platform::Sleep(kCancelPollMs);
    KillTimer(kTimerId);
    EndDialog(ui::kIdCancel);
}

bool SearchDlg::IsInstallation(const std::string& root, const std::string& candidate) {
    platform::FindHandle find;
    platform::FindData data;
    bool isDirectory = find.First(candidate, &data) && (data.attributes & platform::kAttrDirectory);
    find.Close();
    if (!isDirectory) return false;
    const uint32_t type = platform::GetDriveType(root);
    return type == platform::kDriveFixed || type == platform::kDriveRemote;
}

void SearchDlg::Search() {
    for (const std::string& root : DriveRoots()) {
        if (GetRunState() == kCancelRequested) break;
        const std::string candidate = root + "ZEFI";
        if (IsInstallation(root, candidate)) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_foundPath = candidate;
            break;
        }
    }
    // Every way out of the worker ends here, so that the dialog can close.
    SetRunState(kFinished);
}

}  // namespace zefi
