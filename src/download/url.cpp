// Addresses as libcurl reads them.
#include "download/url.h"

#include "download/curl_api.h"

namespace zefi {

namespace {

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// One part of a parsed URL, or false when it has none.
bool GetPart(CURLU* url, CURLUPart part, std::string* out) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr) return false;
    *out = text;
    curl_free(text);
    return true;
}

}  // namespace

bool ParseUrl(const std::string& url, UrlParts* parts) {
    // A NUL inside the text would make libcurl read a shorter address than the one checked.
    if (url.find('\0') != std::string::npos) return false;
    CURLU* parsed = curl_url();
    if (parsed == nullptr) return false;
    bool ok = curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
              GetPart(parsed, CURLUPART_SCHEME, &parts->scheme) &&
              GetPart(parsed, CURLUPART_HOST, &parts->host);
    curl_url_cleanup(parsed);
    if (!ok) return false;
    parts->scheme = AsciiLower(parts->scheme);
    parts->host = AsciiLower(parts->host);
    if (!parts->host.empty() && parts->host.back() == '.') parts->host.pop_back();
    return !parts->host.empty();
}

bool HostInDomains(const std::string& host, const std::vector<std::string>& domains) {
    const std::string name = AsciiLower(host);
    for (const std::string& domain : domains) {
        const std::string wanted = AsciiLower(domain);
        if (wanted.empty()) continue;
        if (name == wanted) return true;
        if (name.size() > wanted.size() + 1 &&
            name.compare(name.size() - wanted.size(), wanted.size(), wanted) == 0 &&
            name[name.size() - wanted.size() - 1] == '.')
            return true;
    }
    return false;
}

}  // namespace zefi
