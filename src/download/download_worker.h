// DownloadWorker: the download run behind the download dialog. It finds the package list,
// compares the offer with the repo-info file, checks the images already on disk, downloads the
// others with retries and byte-range resume, verifies each by digest and attach check, checks
// that the offer has not changed meanwhile and hands the image list to the dialog.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "download/download_outcome.h"
#include "download/image_list.h"
#include "download/progress_block.h"

namespace zefi {

// What the download dialog shows; set by the run, read by the dialog's timer.
enum DownloadPhase : int32_t {
    PhasePrepare = 0,   // until the configuration is fetched
    PhaseDownload = 1,  // an image is transferred
    PhaseCheck = 2,     // an image is hashed
    PhaseQuery = 3,     // the configuration is fetched
    PhaseIdle = 4,      // between steps
};

// The inputs of a run, given to the dialog by the install driver.
struct DownloadInputs {
    std::string destinationDir;  // holds the images and the repo-info file (no trailing "\")
    int32_t czech = 1;           // 1 Czech edition, 0 Slovak
    std::string masterAddress;   // the command line's sites-list address; empty: DNS / fallback
    std::string proxy;           // libcurl proxy text; empty: no proxy
    std::string proxyUser;
    std::string proxyPassword;
};

// Settings of the run that only tests change.
struct DownloadSettings {
    // Pauses before the first, second and third attempt of a broken transfer, in milliseconds.
    std::array<uint32_t, 3> retryDelaysMs{1000, 5000, 10000};
    // The temporary file of the configuration texts (in the current directory).
    std::string tempFileName = "page_tmp.txt";
    // A transfer that moves almost nothing for this long fails as a cut connection does.
    long lowSpeedSeconds = 60;
};

// The dialog as the run sees it. The run calls these from its own thread; the dialog keeps
// them safe against its timer (the bars are its own controls, moved synchronously).
class DownloadView {
  public:
    virtual ~DownloadView() = default;

    // The stop flag and the byte counters (the progress context of transfers and hashing).
    virtual ProgressBlock& Progress() = 0;
    virtual void SetPhase(int32_t phase) = 0;
    // The status line, already formatted in the run's language.
    virtual void SetStatusText(const std::string& text) = 0;
    // Free bytes of the destination volume.
    virtual void SetFreeSpace(double bytes) = 0;
    // Sets the download and check tick counters (the base of the time estimate) to 0.
    virtual void ResetTicks() = 0;
    // The per-file bar.
    virtual void SetFileBarPos(int pos) = 0;
    // The task bar: range 0 to upper with step 1 and position 0; one step forward; count steps
    // back.
    virtual void SetTaskRange(int upper) = 0;
    virtual void StepTask() = 0;
    virtual void MoveTaskBack(int steps) = 0;
    // The run cancels itself (No to the repo question, Cancel in the retry question): the same
    // as the user's cancel request, under the dialog's lock.
    virtual void RequestCancel() = 0;
    // The run's end: run state and stop flag 2, under the dialog's lock.
    virtual void MarkFinished() = 0;
    // Hands over the verified list (the receiver owns it). Called at most once, before
    // MarkFinished, only for a run that ended well.
    virtual void SetResultList(ImageList list) = 0;
    // How the run ended, and what failed; called once, before MarkFinished.
    virtual void SetOutcome(const DownloadOutcome& outcome) = 0;
    // The close request to the dialog, the run's very last step.
    virtual void PostClose() = 0;
};

// Runs one download run on the calling thread (the dialog's worker) and returns the run result:
// 0 when all went well (also after a cancel, whose list is dropped), the FetchPackageList
// result of a failed configuration step (kFetchNoImages when the package list offers no
// image), a libcurl code of a transfer that failed for good (also when the user gave up its
// retries), 1 for an image that is not verified after the downloads (its digest is wrong or
// its file could not be written), or an AttachImage status. An image transfer answered with
// an HTTP status outside 200-299, or with a range that does not continue the file, is broken
// like a cut connection: nothing of it is written and its retries run. Writes every step to
// "inetzefi.log" in the current directory and shows its questions and errors as message boxes
// on the calling thread. Ends every path with SetOutcome, MarkFinished and PostClose; the
// result list is handed over only when the result is 0, no cancel was requested and every
// image of it is verified.
int32_t DownloadWorker(DownloadView& view, const DownloadInputs& inputs,
                       const DownloadSettings& settings = DownloadSettings());

}  // namespace zefi
