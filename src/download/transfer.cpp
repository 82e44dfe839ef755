// The transfer handle of a download run, its proxy, and the libcurl callbacks and helpers.
#include "download/transfer.h"

#include "platform/errors.h"
#include "platform/os_error.h"
#include "platform/stream.h"

namespace zefi {

namespace {

// A libcurl header list freed when it goes out of scope.
struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    bool Append(const std::string& header) {
        curl_slist* grown = curl_slist_append(list, header.c_str());
        if (grown == nullptr) return false;
        list = grown;
        return true;
    }
};

// The escaped form of text, or false when libcurl cannot make it.
bool Escape(CURL* handle, const std::string& text, std::string* out) {
    char* escaped = curl_easy_escape(handle, text.c_str(), 0);
    if (escaped == nullptr) return false;
    *out = escaped;
    curl_free(escaped);
    return true;
}

}  // namespace

int ApplyProxy(CURL* handle, const ProxySettings* settings) {
    if (settings == nullptr || settings->proxy.empty()) return 0;
    curl_easy_setopt(handle, CURLOPT_PROXY, settings->proxy.c_str());
    if (settings->hasUserPassword) {
        curl_easy_setopt(handle, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));
        curl_easy_setopt(handle, CURLOPT_PROXYUSERPWD, settings->userPassword.c_str());
    }
    return 1;
}

size_t WriteToFile(char* data, size_t size, size_t count, void* stream) {
    if (size == 0 || count == 0) return 0;
    size_t written = static_cast<platform::Stream*>(stream)->Write(data, size * count);
    return written / size;
}

int TransferProgress(void* block, curl_off_t downloadTotal, curl_off_t downloadNow, curl_off_t,
                     curl_off_t) {
    auto* progress = static_cast<ProgressBlock*>(block);
    if (progress->stopFlag.load(std::memory_order_relaxed) != ProgressBlock::kRunning) return -1;
    progress->totalBytes.store(downloadTotal, std::memory_order_relaxed);
    progress->doneBytes.store(downloadNow, std::memory_order_relaxed);
    return 0;
}

std::string ResumeRangeHeader(int64_t position) {
    return "Range: bytes=" + std::to_string(static_cast<long long>(position)) + "-";
}

int ProbeRangeSupport(CURL* handle, const std::string& url, const ProxySettings* settings) {
    HeaderList headers;
    headers.Append("Range: bytes=0-0");
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    ApplyProxy(handle, settings);
    // Only the status matters: a failed probe leaves it 0, which means no range support.
    curl_easy_perform(handle);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_reset(handle);
    return status == 206 ? 1 : 0;
}

bool IsSuccessStatus(long status) { return status >= 200 && status < 300; }

namespace {

// The write side of one checked transfer: decides at the first block of the answer whether it
// is the data asked for, and only then writes.
class CheckedWriter {
  public:
    CheckedWriter(CURL* handle, platform::Stream& file, int64_t resumeFrom)
        : m_handle(handle), m_file(file), m_resumeFrom(resumeFrom) {}

    static size_t Write(char* data, size_t size, size_t count, void* self) {
        auto* writer = static_cast<CheckedWriter*>(self);
        if (!writer->Accept()) return 0;  // libcurl ends the transfer with CURLE_WRITE_ERROR
        platform::SetLastError(0);
        const size_t written = WriteToFile(data, size, count, &writer->m_file);
        if (written != count) writer->m_writeError = platform::GetLastError();
        return written;
    }

    // Keeps the start of the last answer's Content-Range; a status line begins a new answer
    // (after a redirect or a proxy's authentication round).
    static size_t Header(char* data, size_t size, size_t count, void* self) {
        auto* writer = static_cast<CheckedWriter*>(self);
        const std::string line(data, size * count);
        if (line.compare(0, 5, "HTTP/") == 0) writer->m_rangeStart = -1;
        static const char kName[] = "content-range:";
        if (line.size() > sizeof kName - 1) {
            bool match = true;
            for (size_t i = 0; i + 1 < sizeof kName && match; ++i)
                match = (line[i] | 0x20) == kName[i];
            if (match) {
                const size_t bytes = line.find("bytes ");
                if (bytes != std::string::npos) {
                    int64_t start = 0;
                    size_t i = bytes + 6;
                    bool digits = false;
                    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i, digits = true)
                        start = start * 10 + (line[i] - '0');
                    if (digits && i < line.size() && line[i] == '-') writer->m_rangeStart = start;
                }
            }
        }
        return size * count;
    }

    // Whether the answer is the data asked for; on the first call also puts the file where the
    // answer begins.
    bool Accept() {
        if (m_decided) return m_accepted;
        m_decided = true;
        m_accepted = Judge();
        if (m_accepted && m_restart) {
            m_file.Seek(0, 0);
            m_file.Truncate(0);
        }
        return m_accepted;
    }

    TransferOutcome Finish(CURLcode code) {
        TransferOutcome outcome;
        if (IsHttp()) curl_easy_getinfo(m_handle, CURLINFO_RESPONSE_CODE, &outcome.httpStatus);
        // An answer without a body has not been judged yet.
        if (code == CURLE_OK) Accept();
        if (m_decided && !m_accepted) {
            code = IsHttp() && !IsSuccessStatus(outcome.httpStatus) ? CURLE_HTTP_RETURNED_ERROR
                                                                    : CURLE_RANGE_ERROR;
        }
        outcome.code = code;
        // A redirect whose target failed leaves the redirect's status: it was not the answer.
        const bool answered =
            code == CURLE_OK || code == CURLE_HTTP_RETURNED_ERROR || code == CURLE_RANGE_ERROR;
        if (!answered && !IsSuccessStatus(outcome.httpStatus)) outcome.httpStatus = 0;
        if (code == CURLE_WRITE_ERROR && m_writeError != 0) {
            outcome.systemError = m_writeError;
        } else if (code != CURLE_OK) {
            long osError = 0;
            curl_easy_getinfo(m_handle, CURLINFO_OS_ERRNO, &osError);
            outcome.systemError = platform::SystemErrorFromOsError(osError);
        }
        return outcome;
    }

  private:
    bool IsHttp() const {
        const char* scheme = nullptr;
        if (curl_easy_getinfo(m_handle, CURLINFO_SCHEME, &scheme) != CURLE_OK || !scheme)
            return false;
        return (scheme[0] | 0x20) == 'h' && (scheme[1] | 0x20) == 't' &&
               (scheme[2] | 0x20) == 't' && (scheme[3] | 0x20) == 'p';
    }

    bool Judge() {
        if (!IsHttp()) return true;  // file: and the like have no status: their data is data
        long status = 0;
        curl_easy_getinfo(m_handle, CURLINFO_RESPONSE_CODE, &status);
        if (!IsSuccessStatus(status)) return false;
        if (status == 206) return m_resumeFrom >= 0 && m_rangeStart == m_resumeFrom;
        // The whole file instead of its rest: it is written again from its first byte.
        m_restart = m_resumeFrom > 0;
        return true;
    }

    CURL* m_handle;
    platform::Stream& m_file;
    int64_t m_resumeFrom;
    int64_t m_rangeStart = -1;
    bool m_decided = false;
    bool m_accepted = false;
    bool m_restart = false;
    uint32_t m_writeError = 0;
};

}  // namespace

TransferOutcome PerformChecked(CURL* handle, platform::Stream& file, int64_t resumeFrom,
                               const ProxySettings* settings) {
    HeaderList headers;
    if (resumeFrom >= 0) {
        if (!headers.Append(ResumeRangeHeader(resumeFrom))) return {CURLE_OUT_OF_MEMORY, 0, 0};
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.list);
    }
    CheckedWriter writer(handle, file, resumeFrom);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, CheckedWriter::Write);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, static_cast<void*>(&writer));
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, CheckedWriter::Header);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, static_cast<void*>(&writer));
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    ApplyProxy(handle, settings);
    const TransferOutcome outcome = writer.Finish(curl_easy_perform(handle));
    // The list and the writer die with this call: the handle must not keep pointing at them.
    if (resumeFrom >= 0) curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, nullptr);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, nullptr);
    return outcome;
}

void LogRefusedAnswer(LogStream& log, const std::string& url, const TransferOutcome& outcome) {
    if (outcome.httpStatus == 0 || IsSuccessStatus(outcome.httpStatus)) return;
    log << "Http status " << static_cast<int32_t>(outcome.httpStatus) << " from " << url
        << LogStream::endl;
}

bool TransferSession::Open(const std::string& proxy, const std::string& user,
                           const std::string& password, LogStream& log) {
    Close();
    m_globalInit = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    log << "Communication init session" << LogStream::endl;
    m_handle = curl_easy_init();
    if (proxy.empty()) return m_handle != nullptr;

    log << "Communication setting proxy: " << proxy << LogStream::endl;
    auto settings = std::make_unique<ProxySettings>();
    settings->proxy = proxy;
    if (!user.empty() && !password.empty()) {
        std::string escapedUser, escapedPassword;
        if (Escape(m_handle, user, &escapedUser)) {
            if (!Escape(m_handle, password, &escapedPassword)) {
                // Credentials without their password are no credentials: none are sent.
                log << "Communication reseting proxy user and pwd" << LogStream::endl;
            } else {
                settings->hasUserPassword = true;
                settings->userPassword = escapedUser + ":" + escapedPassword;
                log << "Communication setting proxy user and pwd: " << user << " ******"
                    << LogStream::endl;
            }
        }
    }
    m_proxy = std::move(settings);
    return m_handle != nullptr;
}

void TransferSession::Close() {
    if (m_handle != nullptr) {
        curl_easy_cleanup(m_handle);
        m_handle = nullptr;
    }
    if (m_globalInit) {
        curl_global_cleanup();
        m_globalInit = false;
    }
    m_proxy.reset();
}

}  // namespace zefi
