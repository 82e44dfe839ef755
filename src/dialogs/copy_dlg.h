// CCopyDlg: the copy progress dialog (dialog 6) and the worker thread that runs the install
// script of one installation or update.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "download/attach_image.h"
#include "download/image_list.h"
#include "script/install_context.h"
#include "system/progress_sink.h"
#include "ui/dialog.h"

namespace zefi {

// ---- The texts and numbers the dialog's timer shows; each depends only on its arguments. ----

// The free space in GiB as the dialog writes it: bytes x 2^-30 with 10 significant digits, cut
// (not rounded) after the first digit behind the decimal point: 1.99 GiB gives "1.9", 10 GiB
// "10". A value too small for a plain decimal form (below 0.0001 GiB) gives "0.0".
std::string FreeSpaceGigabytes(double bytes);
// String 142 ("Volné místo: %s GB") with FreeSpaceGigabytes, in the calling thread's language.
std::string FreeSpaceText(double bytes);
// The status string of a display mode: 141 copying, 140 checking, 148 synchronising; 0 for
// preparing and any unknown mode (the status stays empty).
uint32_t StatusStringId(int32_t mode);
// The progress bar position of a file: bytesDone / (fileSize / 100) in integer arithmetic.
// fileSize must be at least 100 (smaller files do not move the bar); 0 otherwise.
int ProgressPosition(uint32_t bytesDone, uint32_t fileSize);
// A destination path as shown: the part before its last backslash in its long form (left as it
// is when it cannot be converted), the file name after it unchanged.
std::string LongDestinationText(const std::string& path);

// The copy dialog. The install driver constructs it, sets the inputs, runs DoModal on the UI
// thread and reads GetCompleted and GetInterrupted afterwards. OnInitDialog starts the worker,
// which opens the install log "inszefi.log" in the current directory, runs the start group of
// the install script ("cd.cfg", or "cds.cfg" for the Slovak edition, in the current directory)
// and posts the close request when it is done. The dialog closes only after the worker has
// finished; Cancel asks string 101 once and then only requests the stop.
//
// The ProgressSink operations are called by the worker thread (through CSystem and the script
// engine); the dialog's timer reads what they store.
class CCopyDlg : public ui::Dialog, public ProgressSink {
  public:
    // Control ids.
    static constexpr int kProgress = 1021;
    static constexpr int kStatus = 1023;
    static constexpr int kSource = 1009;
    static constexpr int kDestination = 1010;
    static constexpr int kFreeSpace = 1020;
    // The display timer.
    static constexpr int kTimerId = 1;
    static constexpr uint32_t kTimerPeriodMs = 100;

    enum class ThreadState { Running, StopRequested, Finished };

    CCopyDlg();
    // Asks a worker that is still running to stop and waits for it.
    ~CCopyDlg() override;

    // ---- Inputs, set by the install driver before DoModal. Flags are 0 or 1. ----

    // The medium's root and the destination directory (short form, no trailing backslash).
    void SetSourceRoot(const std::string& root) { m_sourceRoot = root; }
    void SetDestinationRoot(const std::string& root) { m_destinationRoot = root; }
    // Choose the parts anew (a fresh installation) instead of following the existing one.
    void SetChoosePartsAnew(int value) { m_choosePartsAnew = value; }
    void SetOnlyNewer(int value) { m_onlyNewer = value; }
    // Delete the destination's copy of parts that are used from the DVD.
    void SetDeleteFromDisk(int value) { m_deleteFromDisk = value; }
    // The literature part ("LIT") and the other country's regulation texts ("SLOV" for the
    // Czech edition, "CZECH" for the Slovak one).
    void SetLiterature(int value) { m_literature = value; }
    void SetOtherCountry(int value) { m_otherCountry = value; }
    void SetNetMaster(int value) { m_netMaster = value; }
    void SetNetInst(int value) { m_netInst = value; }
    // Download mode only: the attached image (taken over; the worker closes it at its end, or
    // replaces it when the script asks for another disk of the list), the image list (borrowed;
    // the caller keeps owning it and it must outlive the dialog) and the destination in long
    // form, the folder of the image files. Without this call the run has no disk images.
    void SetDiskImages(ImageHandle handle, ImageList list, const std::string& longDestination);
    // Whatever image is still attached after the run (normally none: the worker closes it).
    ImageHandle TakeImageHandle();

    // ---- Results, read after DoModal. ----

    // 1 when the script ran to its end.
    int GetCompleted() const;
    // 1 when the run was stopped (by the user, an Exit in the error dialog, a disk prompt left
    // with Cancel, or an unreadable script).
    int GetInterrupted() const;
    // Why an interrupted run stopped, beyond the user's stop: a copy error answered with Exit,
    // or the script's "quit" (kNone otherwise).
    InstallContext::StopReason GetStopReason() const;

    // ---- ProgressSink: called by the worker thread. ----
    void SetMode(int32_t mode) override;
    void SetSourceText(const std::string& text) override;
    void SetDestinationText(const std::string& text) override;
    void SetFileSize(uint32_t size) override;
    void SetBytesDone(uint32_t bytes) override;
    void SetFreeSpace(double bytes) override;
    // True while the thread state is StopRequested.
    bool GetThreadStop() override;

    // Any thread.
    bool IsThreadFinished() const;
    ThreadState GetThreadState() const;
    // True once Cancel was answered with Yes (or pressed after the run had finished).
    bool WasCancelAsked() const { return m_cancelAsked.load(); }

  protected:
    // Starts the 100 ms display timer and the worker.
    bool OnInitDialog() override;
    // Cancel, Esc, the close box and the worker's close request.
    void OnCancel() override;
    void OnTimer(int id) override;

  private:
    // The worker thread's body (copy_worker.cpp).
    void RunWorker(uint16_t uiLanguage);
    // Updates the source and destination texts when the current destination has changed since
    // they were last shown. UI thread.
    void ShowPaths();

    // Guards the thread state, the two current paths and the results.
    mutable std::mutex m_lock;
    ThreadState m_state = ThreadState::Running;
    std::string m_currentSource;
    std::string m_currentDestination;
    int m_completed = 0;
    int m_interrupted = 0;
    InstallContext::StopReason m_stopReason = InstallContext::StopReason::kNone;

    // Stored by the worker, read by the timer.
    std::atomic<int32_t> m_mode{kModePreparing};
    std::atomic<uint32_t> m_bytesDone{0};
    std::atomic<uint32_t> m_fileSize{0};
    std::atomic<double> m_freeSpace{0.0};

    // UI thread only.
    uint32_t m_lastShownBytes = 0;
    bool m_pathsShown = false;
    std::string m_shownDestination;
    std::atomic<bool> m_cancelAsked{false};  // written by the UI thread only

    // Inputs.
    std::string m_sourceRoot;
    std::string m_destinationRoot;
    int m_choosePartsAnew = 0;
    int m_onlyNewer = 0;
    int m_deleteFromDisk = 0;
    int m_literature = 0;
    int m_otherCountry = 0;
    int m_netMaster = 0;
    int m_netInst = 0;
    ImageHandle m_imageHandle;  // worker thread while it runs
    ImageList m_imageList = nullptr;
    std::string m_longDestination;

    std::thread m_worker;
};

}  // namespace zefi
