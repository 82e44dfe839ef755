// The transfer handle of a download run, its proxy, and the libcurl callbacks and helpers.
#include "download/transfer.h"

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

CURLcode PerformRetry(CURL* handle, int64_t resumeFrom, const ProxySettings* settings) {
    HeaderList headers;
    if (resumeFrom >= 0) {
        if (!headers.Append(ResumeRangeHeader(resumeFrom))) return CURLE_OUT_OF_MEMORY;
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.list);
    }
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    ApplyProxy(handle, settings);
    CURLcode code = curl_easy_perform(handle);
    // The list dies with this call: the handle must not keep pointing at it.
    if (resumeFrom >= 0) curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    return code;
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
