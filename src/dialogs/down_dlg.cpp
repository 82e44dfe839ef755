// DlgDown: the download dialog's display timer, its Cancel handling, and the view of it that the
// download run writes to.
#include "dialogs/down_dlg.h"

#include <cstdio>
#include <utility>

#include "dialogs/copy_dlg.h"
#include "platform/crashdump.h"
#include "resources/dialogs.h"
#include "resources/strings.h"
#include "ui/message_box.h"

namespace zefi {

int64_t DownloadPercent(int64_t done, int64_t total) {
    if (total < 100 || done < 0) return 0;
    return done / (total / 100);
}

std::string TimeEstimate(uint32_t periodMs, uint32_t ticks, int64_t percent) {
    if (percent <= 0) return "";
    const uint32_t elapsed =
        static_cast<uint32_t>((static_cast<uint64_t>(periodMs) * ticks) / 1000);
    // Past 100 % (a file that grew beyond its announced size) nothing remains; a negative
    // value must not wrap to an unsigned count of centuries.
    uint32_t remaining = 0;
    if (percent < 100) {
        remaining = static_cast<uint32_t>(static_cast<double>(elapsed) * (100 - percent) /
                                          static_cast<double>(percent));
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", static_cast<int>(remaining / 3600),
                  static_cast<int>((remaining / 60) % 60), static_cast<int>(remaining % 60));
    return buffer;
}

DlgDown::DlgDown() : ui::Dialog(resources::kDlgDown) {}

DlgDown::~DlgDown() {
    if (m_worker.joinable()) {
        // A dialog torn down while its run goes on must not leave the run pointing at it.
        RequestCancel();
        m_worker.join();
    }
    FreeImageList(m_resultList);
}

void DlgDown::SetProxy(const std::string& proxy, const std::string& user,
                       const std::string& password) {
    m_inputs.proxy = proxy;
    m_inputs.proxyUser = user;
    m_inputs.proxyPassword = password;
}

ImageList DlgDown::TakeResultList() {
    std::lock_guard<std::mutex> lock(m_lock);
    return std::exchange(m_resultList, nullptr);
}

bool DlgDown::IsFinished() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_runState == kRunFinished;
}

int32_t DlgDown::GetRunState() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_runState;
}

void DlgDown::SetStatusText(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_textLock);
    m_statusText = text;
}

void DlgDown::ResetTicks() {
    m_downloadTicks.store(0);
    m_checkTicks.store(0);
}

void DlgDown::SetTaskRange(int upper) {
    SetRange(kTaskBar, 0, upper);
    SetStep(kTaskBar, 1);
    SetPos(kTaskBar, 0);
}

void DlgDown::RequestCancel() {
    std::lock_guard<std::mutex> lock(m_lock);
    // A finished run stays finished.
    if (m_runState == kRunFinished) return;
    m_runState = kRunCancelRequested;
    m_progress.stopFlag.store(ProgressBlock::kStop);
}

void DlgDown::MarkFinished() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_runState = kRunFinished;
    m_progress.stopFlag.store(ProgressBlock::kFinished);
}

void DlgDown::SetResultList(ImageList list) {
    std::lock_guard<std::mutex> lock(m_lock);
    FreeImageList(m_resultList);
    m_resultList = list;
}

void DlgDown::SetOutcome(const DownloadOutcome& outcome) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_outcome = outcome;
}

DownloadOutcome DlgDown::GetOutcome() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_outcome;
}

bool DlgDown::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    // The framework's dialogs have no system menu to offer Maximize or Size in the first place.
    SetRange(kFileBar, 0, 100);
    SetStep(kFileBar, 1);
    SetPos(kTaskBar, 0);
    SetTimer(kTimerId, kTimerPeriodMs);
    m_worker = std::thread([this] {
        platform::PrepareThreadForCrash();
        m_runResult.store(DownloadWorker(*this, m_inputs, m_settings));
    });
    return true;
}

void DlgDown::OnCancel() {
    if (!IsFinished() && !m_cancelConfirmed.load()) {
        if (ui::MessageBox(101, ui::Buttons::YesNo) != ui::kIdYes) return;
    }
    m_cancelConfirmed.store(true);
    bool finished;
    {
        // The run may have finished while the question was open: decide on the state now.
        std::lock_guard<std::mutex> lock(m_lock);
        finished = m_runState == kRunFinished;
        if (!finished) {
            m_runState = kRunCancelRequested;
            m_progress.stopFlag.store(ProgressBlock::kStop);
        }
    }
    if (!finished) return;
    if (m_worker.joinable()) m_worker.join();
    EndDialog(ui::kIdCancel);
}

void DlgDown::DoDataExchange(ui::DataExchange& dx) {
    if (dx.IsSaving()) return;  // the texts only ever go from the members to the controls
    std::string status;
    {
        std::lock_guard<std::mutex> lock(m_textLock);
        status = m_statusText;
    }
    ui::DDX_Text(dx, kStatus, status);
    ui::DDX_Text(dx, kFreeSpace, m_freeSpaceText);
    ui::DDX_Text(dx, kTaskText, m_taskText);
}

void DlgDown::ShowProgress(int64_t percent, uint32_t ticks) {
    SetPos(kFileBar, static_cast<int>(percent > 100 ? 100 : percent));
    int lower = 0, upper = 0;
    GetRange(kTaskBar, &lower, &upper);
    m_taskText = ui::FormatString(157, GetPos(kTaskBar), upper,
                                  TimeEstimate(kTimerPeriodMs, ticks, percent));
}

void DlgDown::OnTimer(int) {
    switch (m_phase.load()) {
        case PhasePrepare:
            ResetTicks();
            SetStatusText(resources::LoadString(155));
            SetPos(kFileBar, 0);
            SetPos(kTaskBar, 0);
            UpdateData(false);
            break;
        case PhaseDownload: {
            const uint32_t ticks = m_downloadTicks.fetch_add(1) + 1;
            const int64_t done = m_progress.doneBytes.load();
            const int64_t total = m_progress.totalBytes.load();
            // A total of 0 means that no size has been announced yet.
            if (done < 100 || total < 100) break;
            m_freeSpaceText = FreeSpaceText(m_freeSpace.load());
            ShowProgress(DownloadPercent(done, total), ticks);
            UpdateData(false);
            break;
        }
        case PhaseQuery:
            ResetTicks();
            SetStatusText(resources::LoadString(154));
            // The bar wraps at its end: an activity bar while the configuration is fetched.
            StepIt(kFileBar);
            UpdateData(false);
            [[fallthrough]];
        case PhaseCheck: {
            const uint32_t ticks = m_checkTicks.fetch_add(1) + 1;
            const int64_t total = m_progress.totalBytes.load();
            if (total < 100) break;
            ShowProgress(DownloadPercent(m_progress.doneBytes.load(), total), ticks);
            UpdateData(false);
            break;
        }
        case PhaseIdle:
            ResetTicks();
            SetStatusText("");
            UpdateData(false);
            break;
        default:
            break;
    }
}

}  // namespace zefi
