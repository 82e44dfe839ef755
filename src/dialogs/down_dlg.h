// DlgDown: the download dialog (dialog 142), which runs DownloadWorker on a thread of its own and
// shows its progress: the per-file and task bars, the status line, the free space and the
// remaining time.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "download/download_worker.h"
#include "download/image_list.h"
#include "download/progress_block.h"
#include "ui/dialog.h"

namespace zefi {

// ---- What the timer shows; each depends only on its arguments. ----

// The percentage of a file: done / (total / 100) in 64-bit integers. total must be at least 100
// (below that, or with done below 0, 0 is returned).
int64_t DownloadPercent(int64_t done, int64_t total);
// The remaining time after ticks timer periods of periodMs with percent done, as "%d:%02d:%02d"
// (hours not limited to 24); empty when percent is 0 or less, "0:00:00" from 100 on.
std::string TimeEstimate(uint32_t periodMs, uint32_t ticks, int64_t percent);

// The download dialog. The install driver constructs it, sets the inputs, runs DoModal on the
// UI thread and then takes the result list. OnInitDialog starts the run; the run closes the
// dialog when it has finished, and only then can the dialog close. Cancel asks string 101 once
// and then only requests the stop.
//
// The DownloadView operations are called by the run's thread.
class DlgDown : public ui::Dialog, public DownloadView {
  public:
    // Control ids.
    static constexpr int kStatus = 1054;
    static constexpr int kFileBar = 1052;
    static constexpr int kTaskBar = 1053;
    static constexpr int kTaskText = 1055;
    static constexpr int kFreeSpace = 1020;
    static constexpr int kTimerId = 1;
    static constexpr uint32_t kTimerPeriodMs = 100;

    // Run states.
    enum : int32_t { kRunRunning = 0, kRunCancelRequested = 1, kRunFinished = 2 };

    DlgDown();
    // Requests a stop of a run that still goes on and waits for it; frees a result list that
    // nobody took.
    ~DlgDown() override;

    // ---- Inputs, set by the install driver before DoModal. ----
    void SetFreeSpaceInitial(double bytes) { m_freeSpace.store(bytes); }
    void SetDestinationDir(const std::string& dir) { m_inputs.destinationDir = dir; }
    // 0 Czech (the default), 1 Slovak: SlovakEdition.
    void SetEdition(int32_t slovakEdition) { m_inputs.slovakEdition = slovakEdition; }
    void SetMasterAddress(const std::string& url) { m_inputs.masterAddress = url; }
    void SetProxy(const std::string& proxy, const std::string& user, const std::string& password);
    // Shortens the run's retry pauses; for tests only.
    void SetSettings(const DownloadSettings& settings) { m_settings = settings; }

    // ---- Results, read after DoModal. ----

    // The verified image list of a run that ended well, handed over to the caller (who frees
    // it with FreeImageList); nullptr after a failed or cancelled run, and on a second call.
    ImageList TakeResultList();
    // The run's result (DownloadWorker's return value); 0 until it has finished.
    int32_t GetRunResult() const { return m_runResult.load(); }
    // How the run ended and what failed; kVerified with nothing failed until it has finished.
    DownloadOutcome GetOutcome() const;

    // ---- Lock operations, any thread. ----
    bool IsFinished() const;
    int32_t GetRunState() const;

    // ---- DownloadView, called by the run. ----
    ProgressBlock& Progress() override { return m_progress; }
    void SetPhase(int32_t phase) override { m_phase.store(phase); }
    void SetStatusText(const std::string& text) override;
    void SetFreeSpace(double bytes) override { m_freeSpace.store(bytes); }
    void ResetTicks() override;
    void SetFileBarPos(int pos) override { SetPos(kFileBar, pos); }
    void SetTaskRange(int upper) override;
    void StepTask() override { StepIt(kTaskBar); }
    void MoveTaskBack(int steps) override { SetPos(kTaskBar, GetPos(kTaskBar) - steps); }
    void RequestCancel() override;
    void MarkFinished() override;
    void SetResultList(ImageList list) override;
    void SetOutcome(const DownloadOutcome& outcome) override;
    void PostClose() override { ui::Dialog::PostClose(ui::kIdCancel); }

    int32_t GetPhase() const { return m_phase.load(); }

  protected:
    // Sets up the bars, starts the 100 ms timer and the run.
    bool OnInitDialog() override;
    // Cancel, Esc, the close box and the run's close request.
    void OnCancel() override;
    void OnTimer(int id) override;
    // Puts the status, free-space and task texts into their controls (members to controls only).
    void DoDataExchange(ui::DataExchange& dx) override;

  private:
    // The task line: string 157 with the task bar's position and limit and the estimate.
    void ShowProgress(int64_t percent, uint32_t ticks);

    // Guards the run state, the stop flag writes, the result list and the outcome.
    mutable std::mutex m_lock;
    int32_t m_runState = kRunRunning;
    ImageList m_resultList = nullptr;
    DownloadOutcome m_outcome;

    // Written by the run, read by the timer.
    ProgressBlock m_progress;
    std::atomic<int32_t> m_phase{PhasePrepare};
    std::atomic<double> m_freeSpace{0.0};
    std::atomic<uint32_t> m_downloadTicks{0};
    std::atomic<uint32_t> m_checkTicks{0};
    mutable std::mutex m_textLock;  // the status text, written by both threads
    std::string m_statusText;

    // UI thread only.
    std::string m_freeSpaceText;
    std::string m_taskText;
    std::atomic<bool> m_cancelConfirmed{false};

    DownloadInputs m_inputs;
    DownloadSettings m_settings;
    std::atomic<int32_t> m_runResult{0};
    std::thread m_worker;
};

}  // namespace zefi
