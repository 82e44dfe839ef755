// DownloadWorker: the steps of one download run, from the package list to the verified image
// list, with every step written to the download log.
#include "download/download_worker.h"

#include "download/curl_api.h"
#include "download/deployment.h"
#include "system/registry_settings.h"

#include <cstring>
#include <exception>

#include "download/attach_image.h"
#include "download/discovery.h"
#include "download/free_space.h"
#include "download/hash_md5.h"
#include "download/package_list.h"
#include "download/repo_info.h"
#include "download/transfer.h"
#include "download/url.h"
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
           code == CURLE_HTTP_RETURNED_ERROR || code == CURLE_RANGE_ERROR ||
           code == CURLE_OPERATION_TIMEDOUT;
}

// The size of an existing file, as _stat64 gives it; false when there is no such entry.
// Whether url is an https address, which the rest of the run must then keep to.
bool StartsHttps(const std::string& url) {
    UrlParts parts;
    return ParseUrl(url, &parts) && parts.scheme == "https";
}

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
    std::string ImagePath(const ImageRecord& entry) const {
        return m_in.destinationDir + "\\" + entry.name;
    }
    size_t Count() const { return static_cast<size_t>(m_count); }

    void Steps();
    bool CheckSites();
    bool RepoCheck();
    bool LocalCheck();
    bool Downloads();
    TransferOutcome RetryTransfer(platform::Stream& file, const std::string& name,
                                  const std::string& path, const std::string& url,
                                  int64_t sizeLimit, TransferOutcome outcome);
    // The size the image of entry i may not grow past: its signed size, else none (-1).
    int64_t SizeLimit(size_t i) const;
    // Whether the file at path is the image of entry i: its MD5 digest, and for a signed list
    // that gives them its size and SHA-256 digest too (one read for both digests).
    bool IsImage(size_t i, const std::string& path);
    // The publisher keys and the kept serial that package lists are checked against.
    void LoadTrust();
    // Keeps the serial of a verified list when it is the highest so far.
    void KeepSerial(uint64_t serial);
    PackageListRequest ListRequest() const;
    bool ImageSetChanged();
    bool AllVerified();
    // Records the failure that ends (or will end) the run, unless one is recorded already:
    // its step, file and codes, and its status, which becomes the run result.
    void Fail(DownloadStep step, const std::string& file, int32_t status,
              const TransferOutcome& transfer = {});
    bool Failed() const { return m_outcome.end == DownloadEnd::kFailed; }
    // The run result: the status of the recorded failure, else 0.
    int32_t Result() const { return Failed() ? m_outcome.status : 0; }
    void Close();

    DownloadView& m_view;
    const DownloadInputs& m_in;
    const DownloadSettings& m_settings;
    LogStream m_log;
    TransferSession m_session;
    std::string m_masterUrl;
    ImageListPtr m_list;
    int32_t m_count = 0;
    std::vector<PackageEntry> m_entries;  // the package list's entries of m_list, in its order
    std::string m_baseUrl;
    std::string m_packageListUrl;
    int m_partial = 0;
    int32_t m_examined = 0;
    int32_t m_verified = 0;
    // The package list came with a signature that verified: its sizes and SHA-256 digests
    // bind the images.
    bool m_listSigned = false;
    PackageListTrust m_trust;
    // How the run ends: a failure recorded by Fail (whose status is the run result), the
    // answer No to the repo question, or, with neither, a cancel when the stop flag is set.
    DownloadOutcome m_outcome;
};

void Run::Fail(DownloadStep step, const std::string& file, int32_t status,
               const TransferOutcome& transfer) {
    if (Failed()) return;
    m_outcome.end = DownloadEnd::kFailed;
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
        Fail(DownloadStep::kConfiguration, m_masterUrl, kFetchAllocFailed);
    }
    Close();
    return Result();
}

void Run::Steps() {
    m_masterUrl = FindMasterUrl(m_in.masterAddress, m_in.slovakEdition, m_log);
    m_log << "Instalation to Dst: " << m_in.destinationDir << LogStream::endl;
    platform::KeepAwake(true);
    if (!m_session.Open(m_in.proxy, m_in.proxyUser, m_in.proxyPassword, m_log)) {
        Fail(DownloadStep::kConfiguration, m_masterUrl, CURLE_FAILED_INIT);
        return;
    }
    LoadTrust();
    TransferRules rules;
    rules.httpsOnly = StartsHttps(m_masterUrl);
    rules.lowSpeedSeconds = m_settings.lowSpeedSeconds;
    m_session.SetRules(rules);
    for (;;) {
        if (!CheckSites() || !RepoCheck()) return;
        m_log << "Checking partial" << LogStream::endl;
        m_partial = ProbeRangeSupport(m_session, m_packageListUrl);
        m_log << "Partial support " << static_cast<int32_t>(m_partial) << LogStream::endl;
        if (!LocalCheck()) return;
        if (m_verified != m_examined && !Downloads()) return;
        m_log << "Checking image change." << LogStream::endl;
        if (!Failed() && ImageSetChanged()) continue;
        break;
    }
    // An image that could not be written stays unverified: nothing may be installed from it.
    AllVerified();
    m_log << "Download and chceck completed status " << Result() << LogStream::endl;
    if (!Failed()) m_log << "Setting iuObj." << LogStream::endl;
}

bool Run::CheckSites() {
    m_view.SetFileBarPos(0);
    m_view.SetPhase(PhaseQuery);
    m_log << "Checking sites" << LogStream::endl;
    PackageListFetch fetch = FetchPackageList(m_session, ListRequest(), m_log);
    m_list = std::move(fetch.list);
    m_count = m_list ? fetch.count : 0;
    m_entries = std::move(fetch.entries);
    m_listSigned = fetch.listSigned;
    m_baseUrl = fetch.baseUrl;
    m_packageListUrl = fetch.packageListUrl;
    int32_t result = fetch.result;
    // A package list that offers nothing (no entry line, or every entry excluded or refused)
    // is a failed run, not a successful one without images.
    if (result == kFetchOk && m_count == 0) result = kFetchNoImages;
    if (result != kFetchOk) {
        if (fetch.failure.end == DownloadEnd::kFailed) {
            m_outcome = fetch.failure;
            m_outcome.status = result;
        } else {
            Fail(DownloadStep::kConfiguration, m_packageListUrl, result);
        }
        m_log << "Checking sites error " << result << " cerr " << fetch.lastCode << LogStream::endl;
        return false;
    }
    if (fetch.listSigned) KeepSerial(fetch.serial);
    m_log << "Found " << fetch.count << " data objects." << LogStream::endl;
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
        if (!IsImage(i, path)) {
            m_view.MoveTaskBack(1);
            m_log << "Checking signature of image " << path << " does not match. Donwload again."
                  << LogStream::endl;
            continue;
        }
        m_view.StepTask();
        if (Stopped()) return false;

        m_log << "Checking attach image " << path << LogStream::endl;
        int32_t status = 0;
        AttachImage(m_in.destinationDir, &entry, kAttachCheck, m_in.slovakEdition, &status);
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
        m_log << "Download image " << path << " from " << HidePassword(url) << LogStream::endl;
        TransferOutcome transfer = PerformChecked(m_session, url, file, -1, m_log, SizeLimit(i));
        if (IsInterruption(transfer.code)) {
            m_log << "Download image interupted" << path << " status "
                  << static_cast<int32_t>(transfer.code) << LogStream::endl;
            transfer = RetryTransfer(file, entry.name, path, url, SizeLimit(i), transfer);
        }
        const CURLcode code = transfer.code;
        m_log << "Download image " << path << " status " << static_cast<int32_t>(code)
              << LogStream::endl;
        file.Close();
        curl_easy_reset(handle);
        // A transfer that did not complete leaves nothing that could pass for the image.
        if (code != CURLE_OK) platform::DeleteFile(path);
        if (Stopped()) return false;
        if (code != CURLE_OK) {
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
        int64_t size = 0;
        if (StatSize(path, &size)) progress.totalBytes.store(size);
        m_log << "Download signature check image " << path << LogStream::endl;
        const bool isImage = IsImage(i, path);
        if (Stopped()) return false;
        if (!isImage) {
            m_log << "Download bad signature check image " << path << LogStream::endl;
            Fail(DownloadStep::kImageCheck, entry.name, 1);
            break;
        }
        m_log << "Download signature check image " << path << " ok." << LogStream::endl;
        m_view.StepTask();
        m_log << "Download attach image " << path << LogStream::endl;
        int32_t status = 0;
        AttachImage(m_in.destinationDir, &entry, kAttachCheck, m_in.slovakEdition, &status);
        if (status != kAttachFound) {
            m_log << "Download attach error image " << path << status << LogStream::endl;
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
TransferOutcome Run::RetryTransfer(platform::Stream& file, const std::string& name,
                                   const std::string& path, const std::string& url,
                                   int64_t sizeLimit, TransferOutcome outcome) {
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
        outcome = PerformChecked(m_session, url, file, position, m_log, sizeLimit);
        m_log << "Download image after interuption " << path << " status "
              << static_cast<int32_t>(outcome.code) << attempt << LogStream::endl;
        if (outcome.code == CURLE_OK) break;
        fromStart = outcome.httpStatus == 416 || outcome.code == CURLE_RANGE_ERROR;
        if (attempt == 3) {
            attempt = 0;
            if (ui::MessageBoxF(160, ui::Buttons::RetryCancel, ui::Icon::Exclamation,
                                static_cast<long>(outcome.code)) == ui::kIdCancel) {
                // Giving up is a failure of the transfer, not a plain cancel.
                Fail(DownloadStep::kTransfer, name, outcome.code, outcome);
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
    // Its failures show their own messages; no second list counts as no change.
    const PackageListFetch second = FetchPackageList(m_session, ListRequest(), m_log);
    if (!second.list || second.count != m_count) return false;
    int32_t same = 0;
    for (size_t i = 0; i < Count(); ++i) {
        const ImageRecord& entry = m_list.get()[i];
        for (size_t j = 0; j < static_cast<size_t>(second.count); ++j) {
            if (std::strcmp(entry.name, second.list.get()[j].name) == 0 &&
                std::strcmp(entry.digest, second.list.get()[j].digest) == 0) {
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
    m_entries.clear();
    m_log << "Image change so download again." << LogStream::endl;
    return true;
}

void Run::Close() {
    m_session.Close();
    const bool stopped = Stopped();
    if (stopped) m_log << "Operation was canceled." << LogStream::endl;
    // A run cancelled at the very end hands over nothing either.
    if (Failed() || stopped) m_list.reset();
    m_log << "Done." << LogStream::endl;
    m_log.Close();
    if (m_list) {
        m_outcome = DownloadOutcome();
    } else if (m_outcome.end == DownloadEnd::kVerified) {
        m_outcome.end = DownloadEnd::kCancelled;
    }
    m_view.SetOutcome(m_outcome);
    if (m_list) m_view.SetResultList(m_list.release());
    m_view.MarkFinished();
    platform::KeepAwake(false);
    m_view.PostClose();
}

bool Run::IsImage(size_t i, const std::string& path) {
    const ImageRecord& entry = m_list.get()[i];
    const PackageEntry* strong =
        m_listSigned && i < m_entries.size() && !m_entries[i].sha256.empty() ? &m_entries[i]
                                                                             : nullptr;
    if (strong != nullptr) {
        int64_t size = -1;
        if (!StatSize(path, &size) || size != strong->size) {
            m_log << "Image " << path << " size " << std::to_string(size) << " should be "
                  << std::to_string(strong->size) << LogStream::endl;
            return false;
        }
    }
    FileDigests digests;
    if (HashFileDigests(path, strong != nullptr, &digests, &m_view.Progress()) != 0) return false;
    if (!SameDigest(digests.md5, entry.digest)) return false;
    if (strong != nullptr && digests.sha256 != strong->sha256) {
        m_log << "Image " << path << " SHA-256 does not match" << LogStream::endl;
        return false;
    }
    return true;
}

void Run::LoadTrust() {
    m_trust = PackageListTrust();
    std::vector<std::string> rejected;
    for (const char* const* key = kPublisherKeys; *key != nullptr; ++key) {
        m_trust.configured = true;
        ParsePublisherKeys(*key, &m_trust.keys, &rejected);
    }
    bool configured = false;
    const std::string keys = ReadPublisherKeys(&configured);
    if (configured) {
        m_trust.configured = true;
        ParsePublisherKeys(keys, &m_trust.keys, &rejected);
    }
    for (const std::string& entry : rejected)
        m_log << "Publisher key ignored, not a minisign public key: " << entry << LogStream::endl;
    if (!m_trust.configured) return;
    m_trust.keptSerial = ReadPackageListSerial();
    m_trust.todayUtc = TodayUtc();
}

void Run::KeepSerial(uint64_t serial) {
    if (serial <= m_trust.keptSerial) return;
    if (!WritePackageListSerial(serial)) {
        m_log << "Unable to keep package list serial " << std::to_string(serial) << LogStream::endl;
        return;
    }
    m_trust.keptSerial = serial;
}

int64_t Run::SizeLimit(size_t i) const {
    return m_listSigned && i < m_entries.size() ? m_entries[i].size : -1;
}

PackageListRequest Run::ListRequest() const {
    PackageListRequest request;
    request.masterUrl = m_masterUrl;
    request.tempName = m_settings.tempFileName;
    request.slovakEdition = m_in.slovakEdition;
    request.destinationDir = m_in.destinationDir;
    request.trust = m_trust;
    return request;
}

}  // namespace

int32_t DownloadWorker(DownloadView& view, const DownloadInputs& inputs,
                       const DownloadSettings& settings) {
    Run run(view, inputs, settings);
    return run.Execute();
}

}  // namespace zefi
