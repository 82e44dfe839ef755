// DownloadWorker: the steps of one download run, from the package list to the verified image
// list, with every step written to the download log.
#include "download/download_worker.h"

#include "download/curl_api.h"

#include <cstring>
#include <exception>

#include "download/attach_image.h"
#include "download/discovery.h"
#include "download/free_space.h"
#include "download/hash_md5.h"
#include "download/package_list.h"
#include "download/repo_info.h"
#include "download/transfer.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "platform/stream.h"
#include "system/log.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

// Transfer codes after which a broken image transfer is tried again: a cut connection, and an
// answer that is not the data asked for (nothing of it was written).
bool IsInterruption(CURLcode code) {
    return code == CURLE_PARTIAL_FILE || code == CURLE_RECV_ERROR ||
           code == CURLE_HTTP_RETURNED_ERROR || code == CURLE_RANGE_ERROR;
}

// The size of an existing file, as _stat64 gives it; false when there is no such entry.
bool StatSize(const std::string& path, int64_t* size) {
    platform::FindData info;
    if (!platform::GetFileInfo(path, &info)) return false;
    *size = static_cast<int64_t>(info.size);
    return true;
}

// One download run. Each step returns false when it ends the run (the closing steps follow).
class Run {
  public:
    Run(DownloadView& view, const DownloadInputs& inputs, const DownloadSettings& settings)
        : m_view(view), m_in(inputs), m_settings(settings) {}

    int32_t Execute();

  private:
    bool Stopped() const { return m_view.Progress().stopFlag.load() != ProgressBlock::kRunning; }
    int32_t SlovakEdition() const { return m_in.czech ? 0 : 1; }
    std::string ImagePath(const ImageRecord& entry) const {
        return m_in.destinationDir + "\\" + entry.name;
    }
    size_t Count() const { return static_cast<size_t>(m_count); }

    void Steps();
    bool CheckSites();
    bool RepoCheck();
    bool LocalCheck();
    bool Downloads();
    TransferOutcome RetryTransfer(platform::Stream& file, const std::string& path,
                                  const std::string& url, TransferOutcome outcome);
    bool ImageSetChanged();
    bool AllVerified();
    // Records the failure that ends (or will end) the run, unless one is recorded already.
    void Fail(DownloadStep step, const std::string& file, int32_t status,
              const TransferOutcome& transfer = {});
    void Close();

    DownloadView& m_view;
    const DownloadInputs& m_in;
    const DownloadSettings& m_settings;
    LogStream m_log;
    TransferSession m_session;
    std::string m_masterUrl;
    ImageListPtr m_list;
    int32_t m_count = 0;
    std::string m_baseUrl;
    std::string m_packageListUrl;
    int32_t m_result = 0;
    int m_partial = 0;
    int32_t m_examined = 0;
    int32_t m_verified = 0;
    DownloadOutcome m_outcome;
    // The user ended the retries of a failed transfer: a failure, not a plain cancel.
    bool m_gaveUp = false;
};

void Run::Fail(DownloadStep step, const std::string& file, int32_t status,
               const TransferOutcome& transfer) {
    if (m_outcome.step != DownloadStep::kNone) return;
    m_outcome.step = step;
    m_outcome.file = file;
    m_outcome.status = status;
    m_outcome.curlCode = transfer.code;
    m_outcome.httpStatus = IsSuccessStatus(transfer.httpStatus) ? 0 : transfer.httpStatus;
    m_outcome.systemError = transfer.systemError;
}

int32_t Run::Execute() {
    try {
        m_log.Open("inetzefi.log");
        // Every string-table text and message box of this thread follows the system language.
        if (platform::GetSystemDefaultLangID() == platform::kLangSlovak) {
            platform::SetThreadUILanguage(platform::kLangSlovak);
        }
        Steps();
    } catch (const std::exception&) {
        // Out of memory in the middle of the run: it ends as failed, with its closing steps.
        if (m_result == 0) m_result = kFetchAllocFailed;
    }
    Close();
    return m_result;
}

void Run::Steps() {
    m_masterUrl = FindMasterUrl(m_in.masterAddress, SlovakEdition(), m_log);
    m_log << "Instalation to Dst: " << m_in.destinationDir << LogStream::endl;
    platform::KeepAwake(true);
    if (!m_session.Open(m_in.proxy, m_in.proxyUser, m_in.proxyPassword, m_log)) {
        m_result = CURLE_FAILED_INIT;
        return;
    }
    for (;;) {
        if (!CheckSites() || !RepoCheck()) return;
        m_log << "Checking partial" << LogStream::endl;
        m_partial = ProbeRangeSupport(m_session.Handle(), m_packageListUrl, m_session.Proxy());
        m_log << "Partial support " << static_cast<int32_t>(m_partial) << LogStream::endl;
        if (!LocalCheck()) return;
        if (m_verified != m_examined && !Downloads()) return;
        m_log << "Checking image change." << LogStream::endl;
        if (m_result == 0 && ImageSetChanged()) continue;
        break;
    }
    // An image that could not be written stays unverified: nothing may be installed from it.
    if (m_result == 0 && !AllVerified()) m_result = 1;
    m_log << "Download and chceck completed status " << m_result << LogStream::endl;
    if (m_result == 0) m_log << "Setting iuObj." << LogStream::endl;
}

bool Run::CheckSites() {
    m_view.SetFileBarPos(0);
    m_view.SetPhase(PhaseQuery);
    m_log << "Checking sites" << LogStream::endl;
    ImageList list = nullptr;
    int32_t count = 0;
    int32_t lastCode = 0;
    int32_t result =
        FetchPackageList(m_session.Handle(), m_masterUrl, m_settings.tempFileName, SlovakEdition(),
                         &list, &count, &m_baseUrl, &m_packageListUrl, &lastCode, m_log,
                         m_in.destinationDir, m_session.Proxy(), &m_outcome);
    m_list.reset(list);
    m_count = list != nullptr ? count : 0;
    // A package list that offers nothing (no entry line, or every entry excluded or refused)
    // is a failed run, not a successful one without images.
    if (result == kFetchOk && m_count == 0) {
        result = kFetchNoImages;
        Fail(DownloadStep::kConfiguration, m_packageListUrl, result);
    }
    if (result != kFetchOk) {
        m_result = result;
        m_log << "Checking sites error " << result << " cerr " << lastCode << LogStream::endl;
        return false;
    }
    m_log << "Found " << count << " data objects." << LogStream::endl;
    return true;
}

bool Run::RepoCheck() {
    m_log << "Checking prev instaled repos." << LogStream::endl;
    ImageList records = nullptr;
    const int32_t found = ReadRepoInfo(m_in.destinationDir, &records);
    ImageListPtr repo(records);
    if (found > 0) {
        m_log << "Found " << found << " repo data objects." << LogStream::endl;
        if (found >= m_count) {
            int32_t same = 0;
            for (size_t i = 0; i < Count(); ++i) {
                for (const ImageRecord* r = repo.get(); r != nullptr && r->digest[0]; ++r) {
                    if (std::strcmp(m_list.get()[i].digest, r->digest) == 0) {
                        ++same;
                        break;
                    }
                }
            }
            if (same == m_count) {
                m_log << "Repo and offered data objects are same." << LogStream::endl;
                if (ui::MessageBox(162, ui::Buttons::YesNo) == ui::kIdNo) {
                    m_log << "Break install because of seme repo info." << LogStream::endl;
                    m_outcome.end = DownloadEnd::kAlreadyInstalled;
                    m_view.RequestCancel();
                    return false;
                }
            }
        }
        repo.reset();
        DeleteRepoInfo(m_in.destinationDir);
    }
    m_log << "Checking prev instaled repos done." << LogStream::endl;
    return true;
}

bool Run::LocalCheck() {
    ProgressBlock& progress = m_view.Progress();
    m_view.SetTaskRange(3 * m_count + 1);
    m_view.StepTask();  // the configuration is done
    m_view.SetPhase(PhaseIdle);
    // A restarted run counts its new list from the start.
    m_examined = 0;
    m_verified = 0;
    for (size_t i = 0; i < Count(); ++i) {
        ImageRecord& entry = m_list.get()[i];
        ++m_examined;
        m_view.ResetTicks();
        const std::string path = ImagePath(entry);
        m_log << "Checking image " << path << LogStream::endl;
        progress.doneBytes.store(0);
        int64_t size = 0;
        if (!StatSize(path, &size)) {
            m_log << "Checking image " << path << " not foud. Will download." << LogStream::endl;
            continue;
        }
        m_log << "Checking image " << path << " found." << LogStream::endl;
        m_view.StepTask();
        progress.totalBytes.store(size);
        m_view.SetPhase(PhaseCheck);
        m_view.SetStatusText(ui::FormatString(153, entry.name));
        if (Stopped()) return false;

        m_log << "Checking signature of image " << path << LogStream::endl;
        char digest[kMd5HexSize] = {};
        HashFileMd5(path, digest, &progress);
        if (!SameDigest(digest, entry.digest)) {
            m_view.MoveTaskBack(1);
            m_log << "Checking signature of image " << path << " does not match. Donwload again."
                  << LogStream::endl;
            continue;
        }
        m_view.StepTask();
        if (Stopped()) return false;

        m_log << "Checking attach image " << path << LogStream::endl;
        int32_t status = 0;
        AttachImage(m_in.destinationDir, &entry, kAttachCheck, m_in.czech, &status);
        if (Stopped()) return false;
        if (status == kAttachFound) {
            ++m_verified;
            entry.verified = 1;
            m_view.StepTask();
            m_log << "Checking attach image " << path << " success." << LogStream::endl;
            continue;
        }
        m_log << "Checking attach image " << path << " status " << status << LogStream::endl;
        if (status < 0) {
            m_result = status;
            Fail(DownloadStep::kLocalCheck, entry.name, status);
            return false;
        }
        m_view.MoveTaskBack(2);  // not a disk of this product: it is downloaded again
    }
    if (Stopped()) return false;
    m_log << "Found image " << m_verified << " should be " << m_examined << LogStream::endl;
    return true;
}

bool Run::Downloads() {
    ProgressBlock& progress = m_view.Progress();
    CURL* handle = m_session.Handle();
    m_log << "Download images " << LogStream::endl;
    m_view.SetPhase(PhaseIdle);
    m_view.SetFileBarPos(0);
    if (Stopped()) return false;
    for (size_t i = 0; i < Count(); ++i) {
        ImageRecord& entry = m_list.get()[i];
        const std::string path = ImagePath(entry);
        m_log << "Download image " << path << LogStream::endl;
        m_view.SetFreeSpace(DestinationFreeSpace(m_in.destinationDir));
        m_view.ResetTicks();
        if (Stopped()) return false;
        if (entry.verified) {
            m_log << "Download image " << path << " skip download image is ok." << LogStream::endl;
            continue;
        }

        const std::string url = m_baseUrl + entry.name;
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &progress);
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, TransferProgress);

        platform::Stream file;
        if (!file.Open(path, "wb")) {
            const uint32_t error = platform::GetLastError();
            m_log << "Download image unable to open " << path << " error "
                  << platform::CrtErrnoFromError(error) << LogStream::endl;
            ui::MessageBox(ui::FormatText("Open empty image file error : %ld", {error}),
                           ui::Buttons::Ok, ui::Icon::Error);
            // The others are still fetched, for a later run; this run fails at its end.
            Fail(DownloadStep::kTransfer, entry.name, 1, {CURLE_OK, 0, error});
            continue;
        }
        m_view.SetPhase(PhaseDownload);
        m_view.SetStatusText(ui::FormatString(151, entry.name));
        m_log << "Download image " << path << " from " << url << LogStream::endl;
        TransferOutcome transfer = PerformChecked(handle, file, -1, m_session.Proxy());
        LogRefusedAnswer(m_log, url, transfer);
        if (IsInterruption(transfer.code)) {
            m_log << "Download image interupted" << path << " status "
                  << static_cast<int32_t>(transfer.code) << LogStream::endl;
            transfer = RetryTransfer(file, path, url, transfer);
        }
        const CURLcode code = transfer.code;
        m_log << "Download image " << path << " status " << static_cast<int32_t>(code)
              << LogStream::endl;
        file.Close();
        curl_easy_reset(handle);
        // A transfer that did not complete leaves nothing that could pass for the image.
        if (code != CURLE_OK) platform::DeleteFile(path);
        if (m_gaveUp) {
            m_result = code;
            Fail(DownloadStep::kTransfer, entry.name, code, transfer);
        }
        if (Stopped()) return false;
        if (code != CURLE_OK) {
            m_result = code;
            Fail(DownloadStep::kTransfer, entry.name, code, transfer);
            ui::MessageBoxF(159, ui::Buttons::Ok, ui::Icon::Error, static_cast<long>(code),
                            static_cast<long>(transfer.systemError));
            return false;
        }

        m_view.StepTask();
        m_view.SetStatusText(ui::FormatString(152, entry.name));
        m_view.SetFreeSpace(DestinationFreeSpace(m_in.destinationDir));
        m_view.SetPhase(PhaseCheck);
        progress.doneBytes.store(0);
        char digest[kMd5HexSize] = {};
        int64_t size = 0;
        if (StatSize(path, &size)) progress.totalBytes.store(size);
        m_log << "Download signature check image " << path << LogStream::endl;
        HashFileMd5(path, digest, &progress);
        if (Stopped()) return false;
        if (!SameDigest(digest, entry.digest)) {
            m_log << "Download bad signature check image " << path << LogStream::endl;
            m_result = 1;
            Fail(DownloadStep::kImageCheck, entry.name, m_result);
            break;
        }
        m_log << "Download signature check image " << path << " ok." << LogStream::endl;
        m_view.StepTask();
        m_log << "Download attach image " << path << LogStream::endl;
        int32_t status = 0;
        AttachImage(m_in.destinationDir, &entry, kAttachCheck, m_in.czech, &status);
        if (status != kAttachFound) {
            m_log << "Download attach error image " << path << status << LogStream::endl;
            m_result = status;
            Fail(DownloadStep::kImageCheck, entry.name, status);
            break;
        }
        m_view.StepTask();
        m_log << "Download attach image " << path << " ok." << LogStream::endl;
        if (Stopped()) return false;
        entry.verified = 1;
    }
    return true;
}

// outcome is the broken transfer's own; it stays the result when no attempt is made.
TransferOutcome Run::RetryTransfer(platform::Stream& file, const std::string& path,
                                   const std::string& url, TransferOutcome outcome) {
    int32_t attempt = 0;
    // After a 416 or a range that does not continue the file, the server cannot resume it:
    // the next attempt starts again from byte 0.
    bool fromStart = false;
    // A cancelled run does not wait for a retry that TransferProgress would abort at once.
    while (!Stopped()) {
        platform::Sleep(m_settings.retryDelaysMs[attempt]);
        ++attempt;
        const int64_t position = m_partial && !fromStart ? file.Tell() : -1;
        fromStart = false;
        if (position >= 0) {
            m_log << "Download partial image " << path << " from "
                  << std::to_string(static_cast<long long>(position)) << LogStream::endl;
        } else {
            // Without ranges the file is written again from its first byte; emptying it keeps
            // no stale tail of the broken attempt behind a shorter answer.
            file.Seek(0, 0);
            file.Truncate(0);
            m_log << "Download image " << path << " from begin" << LogStream::endl;
        }
        outcome = PerformChecked(m_session.Handle(), file, position, m_session.Proxy());
        m_log << "Download image after interuption " << path << " status "
              << static_cast<int32_t>(outcome.code) << attempt << LogStream::endl;
        LogRefusedAnswer(m_log, url, outcome);
        if (outcome.code == CURLE_OK) break;
        fromStart = outcome.httpStatus == 416 || outcome.code == CURLE_RANGE_ERROR;
        if (attempt == 3) {
            attempt = 0;
            if (ui::MessageBoxF(160, ui::Buttons::RetryCancel, ui::Icon::Exclamation,
                                static_cast<long>(outcome.code)) == ui::kIdCancel) {
                m_gaveUp = true;
                m_view.RequestCancel();
            }
        }
    }
    return outcome;
}

bool Run::AllVerified() {
    bool all = true;
    for (size_t i = 0; i < Count(); ++i) {
        const ImageRecord& entry = m_list.get()[i];
        if (entry.verified) continue;
        m_log << "Image not verified " << ImagePath(entry) << LogStream::endl;
        Fail(DownloadStep::kTransfer, entry.name, 1);
        all = false;
    }
    return all;
}

bool Run::ImageSetChanged() {
    ImageList second = nullptr;
    int32_t secondCount = 0;
    std::string baseUrl, packageListUrl;
    int32_t lastCode = 0;
    // Its failures show their own messages; no second list counts as no change.
    FetchPackageList(m_session.Handle(), m_masterUrl, m_settings.tempFileName, SlovakEdition(),
                     &second, &secondCount, &baseUrl, &packageListUrl, &lastCode, m_log,
                     m_in.destinationDir, m_session.Proxy());
    ImageListPtr secondList(second);
    if (second == nullptr || secondCount != m_count) return false;
    int32_t same = 0;
    for (size_t i = 0; i < Count(); ++i) {
        const ImageRecord& entry = m_list.get()[i];
        for (size_t j = 0; j < static_cast<size_t>(secondCount); ++j) {
            if (std::strcmp(entry.name, second[j].name) == 0 &&
                std::strcmp(entry.digest, second[j].digest) == 0) {
                ++same;
                break;
            }
        }
    }
    if (same == m_count) return false;
    ui::MessageBox(158, ui::Buttons::Ok);
    for (size_t i = 0; i < Count(); ++i) platform::DeleteFile(ImagePath(m_list.get()[i]));
    m_list.reset();
    m_count = 0;
    m_log << "Image change so download again." << LogStream::endl;
    return true;
}

void Run::Close() {
    m_session.Close();
    const bool stopped = Stopped();
    if (stopped) m_log << "Operation was canceled." << LogStream::endl;
    // A run cancelled at the very end hands over nothing either.
    if (m_result != 0 || stopped) m_list.reset();
    m_log << "Done." << LogStream::endl;
    m_log.Close();
    if (m_list) {
        m_outcome = DownloadOutcome();
    } else if (m_outcome.end != DownloadEnd::kAlreadyInstalled) {
        m_outcome.end = stopped && !m_gaveUp ? DownloadEnd::kCancelled : DownloadEnd::kFailed;
        // A failure before any file (no transfer handle, no memory) is the configuration's.
        if (m_outcome.end == DownloadEnd::kFailed && m_outcome.step == DownloadStep::kNone) {
            m_outcome.step = DownloadStep::kConfiguration;
            m_outcome.file = m_masterUrl;
            m_outcome.status = m_result;
        }
    }
    m_view.SetOutcome(m_outcome);
    if (m_list) m_view.SetResultList(m_list.release());
    m_view.MarkFinished();
    platform::KeepAwake(false);
    m_view.PostClose();
}

}  // namespace

int32_t DownloadWorker(DownloadView& view, const DownloadInputs& inputs,
                       const DownloadSettings& settings) {
    Run run(view, inputs, settings);
    return run.Execute();
}

}  // namespace zefi
