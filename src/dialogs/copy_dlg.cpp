// CCopyDlg: the copy dialog's display timer, its Cancel handling, and the progress sink the
// worker feeds.
#include "dialogs/copy_dlg.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/crashdump.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "resources/dialogs.h"
#include "resources/strings.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

// The Windows path limit; a long form that does not fit is not used.
constexpr size_t kMaxPath = 260;

}  // namespace

std::string FreeSpaceGigabytes(double bytes) {
    const double gigabytes = bytes / 1073741824.0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.10g", gigabytes);
    std::string text = buffer;
    const size_t exponent = text.find('e');
    if (exponent != std::string::npos) {
        // Cutting "9.313225746e-08" after one decimal would show 9.3 GB for a few bytes, and a
        // positive exponent would lose the magnitude: write the plain decimal form instead.
        if (text.compare(exponent + 1, 1, "-") == 0) return gigabytes < 0 ? "-0.0" : "0.0";
        std::snprintf(buffer, sizeof buffer, "%.1f", gigabytes);
        text = buffer;
    }
    const size_t point = text.find('.');
    if (point != std::string::npos && point + 2 < text.size()) text.resize(point + 2);
    return text;
}

std::string FreeSpaceText(double bytes) { return ui::FormatString(142, FreeSpaceGigabytes(bytes)); }

uint32_t StatusStringId(int32_t mode) {
    switch (mode) {
        case kModeCopying:
            return 141;
        case kModeChecking:
            return 140;
        case kModeSynchronising:
            return 148;
        default:
            return 0;
    }
}

int ProgressPosition(uint32_t bytesDone, uint32_t fileSize) {
    if (fileSize < 100) return 0;
    const uint64_t position = static_cast<uint64_t>(bytesDone) / (fileSize / 100u);
    // Bytes beyond the announced size (a file that grew) keep the bar full.
    return static_cast<int>(std::min<uint64_t>(position, 100));
}

std::string LongDestinationText(const std::string& path) {
    const size_t slash = path.rfind('\\');
    if (slash == std::string::npos || slash == 0) return path;
    const std::string directory = path.substr(0, slash);
    // "C:" alone names the drive's current directory, not its root: leave it.
    if (directory.size() == 2 && directory[1] == ':') return path;
    std::string longDirectory;
    if (!platform::GetLongPathName(directory, &longDirectory) || longDirectory.empty() ||
        longDirectory.size() >= kMaxPath) {
        return path;
    }
    return longDirectory + path.substr(slash);
}

CCopyDlg::CCopyDlg() : ui::Dialog(resources::kDlgCopy) {}

CCopyDlg::~CCopyDlg() {
    if (!m_worker.joinable()) return;
    {
        // A dialog torn down while its run goes on must not leave the worker pointing at it.
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_state == ThreadState::Running) m_state = ThreadState::StopRequested;
    }
    m_worker.join();
}

void CCopyDlg::SetDiskImages(ImageHandle handle, ImageList list,
                             const std::string& longDestination) {
    m_imageHandle = std::move(handle);
    m_imageList = list;
    m_longDestination = longDestination;
}

ImageHandle CCopyDlg::TakeImageHandle() {
    if (m_worker.joinable() && !IsThreadFinished()) return nullptr;
    if (m_worker.joinable()) m_worker.join();
    return std::move(m_imageHandle);
}

int CCopyDlg::GetCompleted() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_completed;
}

int CCopyDlg::GetInterrupted() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_interrupted;
}

InstallContext::StopReason CCopyDlg::GetStopReason() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_stopReason;
}

void CCopyDlg::SetMode(int32_t mode) { m_mode.store(mode); }

void CCopyDlg::SetSourceText(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_currentSource = text;
}

void CCopyDlg::SetDestinationText(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_currentDestination = text;
}

void CCopyDlg::SetFileSize(uint32_t size) { m_fileSize.store(size); }

void CCopyDlg::SetBytesDone(uint32_t bytes) { m_bytesDone.store(bytes); }

void CCopyDlg::SetFreeSpace(double bytes) { m_freeSpace.store(bytes); }

bool CCopyDlg::GetThreadStop() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_state == ThreadState::StopRequested;
}

bool CCopyDlg::IsThreadFinished() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_state == ThreadState::Finished;
}

CCopyDlg::ThreadState CCopyDlg::GetThreadState() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_state;
}

bool CCopyDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    SetTimer(kTimerId, kTimerPeriodMs);
    SetRange(kProgress, 0, 100);
    SetStep(kProgress, 1);
    // The worker's message boxes and error dialogs speak the language of the dialog.
    const uint16_t language = platform::GetThreadUILanguage();
    m_worker = std::thread([this, language] {
        platform::PrepareThreadForCrash();
        platform::SetCurrentThreadPriority(platform::ThreadPriority::Lowest);
        RunWorker(language);
    });
    return true;
}

void CCopyDlg::OnCancel() {
    if (!IsThreadFinished() && !m_cancelAsked.load()) {
        if (ui::MessageBox(101, ui::Buttons::YesNo) != ui::kIdYes) return;
    }
    m_cancelAsked.store(true);
    bool finished;
    {
        // The worker may have finished while the question was open: decide on the state now.
        std::lock_guard<std::mutex> lock(m_lock);
        finished = m_state == ThreadState::Finished;
        if (!finished) m_state = ThreadState::StopRequested;
    }
    if (finished) EndDialog(ui::kIdCancel);
}

void CCopyDlg::ShowPaths() {
    std::string source;
    std::string destination;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        source = m_currentSource;
        destination = m_currentDestination;
    }
    if (m_pathsShown && destination == m_shownDestination) return;
    SetItemCodePageText(kSource, source);
    SetItemCodePageText(kDestination, LongDestinationText(destination));
    m_shownDestination = destination;
    m_pathsShown = true;
}

void CCopyDlg::OnTimer(int id) {
    if (id != kTimerId) return;
    const int32_t mode = m_mode.load();
    switch (mode) {
        case kModePreparing:
            SetItemText(kStatus, "");
            SetItemText(kSource, "");
            SetItemText(kDestination, "");
            SetPos(kProgress, 0);
            m_pathsShown = false;
            break;
        case kModeCopying: {
            const uint32_t bytes = m_bytesDone.load();
            const uint32_t size = m_fileSize.load();
            // Small files and unchanged counts leave the display as it is.
            if (bytes == m_lastShownBytes || size < 100) break;
            SetItemText(kStatus, resources::LoadString(StatusStringId(mode)));
            m_lastShownBytes = bytes;
            ShowPaths();
            SetPos(kProgress, ProgressPosition(bytes, size));
            SetItemText(kFreeSpace, FreeSpaceText(m_freeSpace.load()));
            break;
        }
        case kModeChecking:
        case kModeSynchronising:
            SetItemText(kStatus, resources::LoadString(StatusStringId(mode)));
            ShowPaths();
            // The bar wraps at its end: an activity bar while files are compared or removed.
            StepIt(kProgress);
            break;
        default:
            break;
    }
}

}  // namespace zefi
