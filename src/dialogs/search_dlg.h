// SearchDlg: looks on a worker thread for an existing installation ("X:\ZEFI" on a fixed or
// network drive) while showing dialog 3, to propose a destination when none is known.
#pragma once

#include <mutex>
#include <string>
#include <thread>

#include "ui/dialog.h"

namespace zefi {

class SearchDlg : public ui::Dialog {
  public:
    // Run states of the search.
    enum : int { kRunning = 0, kCancelRequested = 1, kFinished = 2 };
    // Timer that watches for the end of the search, and its period.
    static constexpr int kTimerId = 1;
    static constexpr uint32_t kTimerPeriodMs = 50;
    // How often Cancel looks whether the worker has finished.
    static constexpr uint32_t kCancelPollMs = 100;

    SearchDlg();
    // Requests a stop and waits for the worker, should it still run.
    ~SearchDlg() override;

    // The installation found ("C:\ZEFI"), or "" when none was found or the search was
    // cancelled before it found one. Any thread.
    std::string GetFoundPath() const;
    // kRunning, kCancelRequested or kFinished. Any thread.
    int GetRunState() const;

  protected:
    // Starts the timer and the worker.
    bool OnInitDialog() override;
    // Ends the dialog with OK once the worker has finished.
    void OnTimer(int id) override;
    // Asks the worker to stop, waits until it has finished, then ends the dialog with Cancel.
    void OnCancel() override;

    // Whether candidate (root + "ZEFI") is an installation directory on a fixed or network
    // drive. Runs on the worker thread; tests override it to step the search.
    virtual bool IsInstallation(const std::string& root, const std::string& candidate);

  private:
    // The worker: walks the drive roots in order until a match or a stop request.
    void Search();
    void SetRunState(int state);

    mutable std::mutex m_lock;  // guards m_foundPath and m_runState
    std::string m_foundPath;
    int m_runState = kRunning;
    std::thread m_worker;
};

}  // namespace zefi
