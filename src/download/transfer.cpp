// The transfer handle of a download run, its proxy, and the libcurl callbacks and helpers.
#include "download/transfer.h"

#include <cstdint>

#include "download/url.h"
#include "platform/ascii.h"
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

int ProbeRangeSupport(TransferSession& session, const std::string& url) {
    if (!session.Allows(url)) return 0;
    CURL* handle = session.Handle();
    HeaderList headers;
    headers.Append("Range: bytes=0-0");
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    session.Apply();
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
    CheckedWriter(CURL* handle, platform::Stream& file, int64_t resumeFrom, int64_t maxFileSize)
        : m_handle(handle), m_file(file), m_resumeFrom(resumeFrom), m_maxFileSize(maxFileSize) {}

    static size_t Write(char* data, size_t size, size_t count, void* self) {
        auto* writer = static_cast<CheckedWriter*>(self);
        if (!writer->Accept()) return 0;  // libcurl ends the transfer with CURLE_WRITE_ERROR
        const int64_t room =
            writer->m_maxFileSize < 0 ? INT64_MAX : writer->m_maxFileSize - writer->m_fileSize;
        if (room < 0 || static_cast<uint64_t>(room) < static_cast<uint64_t>(size) * count) {
            writer->m_tooLong = true;
            return 0;
        }
        platform::SetLastError(0);
        const size_t written = WriteToFile(data, size, count, &writer->m_file);
        writer->m_fileSize += static_cast<int64_t>(written * size);
        if (written != count) writer->m_writeError = platform::GetLastError();
        return written;
    }

    // Keeps the start of the last answer's Content-Range; a status line begins a new answer
    // (after a redirect or a proxy's authentication round).
    static size_t Header(char* data, size_t size, size_t count, void* self) {
        auto* writer = static_cast<CheckedWriter*>(self);
        const std::string line(data, size * count);
        if (line.compare(0, 5, "HTTP/") == 0) writer->m_rangeStart = -1;
        int64_t start = 0;
        if (ParseContentRangeStart(line, &start)) writer->m_rangeStart = start;
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
        // Where the answer's bytes begin; the writes count on from there.
        if (m_accepted && m_maxFileSize >= 0) m_fileSize = m_file.Tell();
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
        if (m_tooLong) code = CURLE_FILESIZE_EXCEEDED;
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
        return platform::BeginsWithNoCase(scheme, "http");
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
    int64_t m_maxFileSize;
    int64_t m_fileSize = 0;  // bytes in the file, counted only with a limit
    int64_t m_rangeStart = -1;
    bool m_tooLong = false;
    bool m_decided = false;
    bool m_accepted = false;
    bool m_restart = false;
    uint32_t m_writeError = 0;
};

}  // namespace

TransferOutcome PerformChecked(TransferSession& session, const std::string& url,
                               platform::Stream& file, int64_t resumeFrom, LogStream& log,
                               int64_t maxFileSize) {
    if (!session.Allows(url)) {
        log << "Refused address " << HidePassword(url) << ", only https is allowed"
            << LogStream::endl;
        return {CURLE_UNSUPPORTED_PROTOCOL, 0, 0};
    }
    CURL* handle = session.Handle();
    HeaderList headers;
    if (resumeFrom >= 0) {
        if (!headers.Append(ResumeRangeHeader(resumeFrom))) return {CURLE_OUT_OF_MEMORY, 0, 0};
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.list);
    }
    CheckedWriter writer(handle, file, resumeFrom, maxFileSize);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, CheckedWriter::Write);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, static_cast<void*>(&writer));
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, CheckedWriter::Header);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, static_cast<void*>(&writer));
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    // A declared length over the limit fails before any byte; the writer catches the others.
    const int64_t remaining = maxFileSize - (resumeFrom > 0 ? resumeFrom : 0);
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(maxFileSize >= 0 && remaining >= 0 ? remaining : 0));
    session.Apply();
    const TransferOutcome outcome = writer.Finish(curl_easy_perform(handle));
    // The list and the writer die with this call: the handle must not keep pointing at them.
    if (resumeFrom >= 0) curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, nullptr);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(0));

    if (outcome.code == CURLE_UNSUPPORTED_PROTOCOL) {
        const char* reached = nullptr;
        curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &reached);
        log << "Refused redirect from " << HidePassword(url) << " to "
            << HidePassword(reached ? reached : "") << ", protocol not allowed" << LogStream::endl;
    } else if (outcome.code == CURLE_FILESIZE_EXCEEDED) {
        log << "Refused answer from " << HidePassword(url) << ", longer than "
            << std::to_string(maxFileSize) << " bytes" << LogStream::endl;
    } else if (outcome.httpStatus != 0 && !IsSuccessStatus(outcome.httpStatus)) {
        log << "Http status " << static_cast<int32_t>(outcome.httpStatus) << " from "
            << HidePassword(url) << LogStream::endl;
    }
    return outcome;
}

bool ParseContentRangeStart(const std::string& line, int64_t* start) {
    static const char kName[] = "content-range:";
    constexpr size_t kNameSize = sizeof kName - 1;
    if (!platform::BeginsWithNoCase(line, kName)) return false;
    const size_t bytes = line.find("bytes ", kNameSize);
    if (bytes == std::string::npos) return false;
    // Past 63 bits it is no position that was asked for.
    uint64_t value = 0;
    const size_t end = platform::ReadDecimal(line, bytes + 6, INT64_MAX, &value);
    if (end == std::string::npos || end >= line.size() || line[end] != '-') return false;
    *start = static_cast<int64_t>(value);
    return true;
}

std::string HidePassword(const std::string& text) {
    const std::string& proxy = text;
    const size_t schemeEnd = proxy.find("://");
    const size_t authorityStart = schemeEnd == std::string::npos ? 0 : schemeEnd + 3;
    const size_t authorityEnd = proxy.find_first_of("/?#", authorityStart);
    const size_t at =
        proxy.rfind('@', authorityEnd == std::string::npos ? std::string::npos : authorityEnd);
    if (at == std::string::npos || at < authorityStart) return proxy;
    const std::string userInfo = proxy.substr(authorityStart, at - authorityStart);
    const std::string user = userInfo.substr(0, userInfo.find(':'));
    return proxy.substr(0, authorityStart) + user + ":******" + proxy.substr(at);
}

bool TransferSession::Allows(const std::string& url) const {
    UrlParts parts;
    if (!ParseUrl(url, &parts)) return false;
    if (parts.scheme == "https") return true;
    return parts.scheme == "http" && !m_rules.httpsOnly;
}

void TransferSession::Apply() const {
    const char* protocols = m_rules.httpsOnly ? "https" : "http,https";
    curl_easy_setopt(m_handle, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(m_handle, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    curl_easy_setopt(m_handle, CURLOPT_CONNECTTIMEOUT, m_rules.connectTimeoutSeconds);
    curl_easy_setopt(m_handle, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytes);
    curl_easy_setopt(m_handle, CURLOPT_LOW_SPEED_TIME, m_rules.lowSpeedSeconds);
    ApplyProxy(m_handle, m_proxy.get());
}

bool TransferSession::Open(const std::string& proxy, const std::string& user,
                           const std::string& password, LogStream& log) {
    Close();
    m_globalInit = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    log << "Communication init session" << LogStream::endl;
    m_handle = curl_easy_init();
    if (proxy.empty()) return m_handle != nullptr;

    log << "Communication setting proxy: " << HidePassword(proxy) << LogStream::endl;
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
