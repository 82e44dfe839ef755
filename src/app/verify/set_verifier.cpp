// zefisetup-verify's check of a published download set, through the program's download code.
#include "app/verify/set_verifier.h"

#include <set>

#include "app/verify/zsync_control.h"
#include "download/curl_api.h"
#include "download/hash_md5.h"
#include "download/package_list.h"
#include "download/transfer.h"
#include "download/url.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "system/log.h"

namespace zefi {

namespace {

// What a failed transfer came to, in a few words.
std::string Why(const TransferOutcome& transfer) {
    if (transfer.httpStatus != 0 && !IsSuccessStatus(transfer.httpStatus))
        return "HTTP status " + std::to_string(transfer.httpStatus);
    return curl_easy_strerror(transfer.code);
}

// The checksums after a zsync header are a few bytes a block; this leaves room for the largest
// (20 bytes a block of 1024) over any image, and for its header.
int64_t ZsyncLimit(int64_t imageSize) { return imageSize / 50 + 1024 * 1024; }

class SetVerifier {
  public:
    SetVerifier(const VerifyRequest& request, const VerifyReport& report)
        : m_request(request), m_report(report) {}

    int Run() {
        if (!m_session.Open("", "", "", m_log)) {
            m_report.finding(m_request.sitesUrl + ": no transfer handle (libcurl)");
            return kVerifyUnreachable;
        }
        UrlParts parts;
        TransferRules rules;
        rules.httpsOnly = ParseUrl(m_request.sitesUrl, &parts) && parts.scheme == "https";
        m_session.SetRules(rules);

        std::string sites;
        TransferOutcome transfer;
        if (!FetchText(m_request.sitesUrl, &sites, &transfer)) {
            Finding(m_request.sitesUrl, "unreachable: " + Why(transfer));
            return kVerifyUnreachable;
        }
        // Each edition's line, the list it names checked once.
        std::set<std::string> checked;
        bool any = false;
        for (int32_t slovak : {0, 1}) {
            const SitesLine line = ParseSitesList(sites, slovak);
            const char* edition = slovak ? "Slovak" : "Czech";
            if (!line.found) {
                m_report.note(std::string(edition) + " edition: no line in the sites list");
                continue;
            }
            any = true;
            m_report.note(std::string(edition) + " edition: " + line.packageListUrl);
            if (checked.insert(line.packageListUrl + " " + line.limitationUrl).second)
                CheckPackageList(line);
        }
        if (!any) Finding(m_request.sitesUrl, "no line for the Czech (cz) or Slovak (sk) edition");
        return m_findings ? kVerifyFindings : kVerifyClean;
    }

  private:
    void Finding(const std::string& url, const std::string& text) {
        ++m_findings;
        m_report.finding(HidePassword(url) + ": " + text);
    }

    std::string TempPath(const std::string& name) const { return m_request.tempDir + "\\" + name; }

    // One transfer of url into the file at path, at most maxSize bytes (none: -1). The file is
    // left for the caller to read; on failure it is deleted.
    bool Fetch(const std::string& url, const std::string& path, int64_t maxSize,
               TransferOutcome* transfer) {
        platform::Stream file;
        if (!file.Open(path, "wb")) {
            *transfer = {CURLE_WRITE_ERROR, 0, platform::GetLastError()};
            return false;
        }
        curl_easy_reset(m_session.Handle());
        *transfer = PerformChecked(m_session, url, file, -1, m_log, maxSize);
        const bool closed = file.Close();
        if (transfer->code == CURLE_OK && !closed) *transfer = {CURLE_WRITE_ERROR, 0, 0};
        if (transfer->code == CURLE_OK) return true;
        platform::DeleteFile(path);
        return false;
    }

    std::string ReadFile(const std::string& path) {
        platform::Stream file;
        std::string text;
        if (!file.Open(path, "rb")) return text;
        char block[16384];
        for (size_t got; (got = file.Read(block, sizeof block)) > 0;) text.append(block, got);
        return text;
    }

    // A configuration text (at most kMaxListBytes) into *text.
    bool FetchText(const std::string& url, std::string* text, TransferOutcome* transfer) {
        const std::string path = TempPath("list.tmp");
        if (!Fetch(url, path, kMaxListBytes, transfer)) return false;
        *text = ReadFile(path);
        platform::DeleteFile(path);
        return true;
    }

    void CheckPackageList(const SitesLine& line) {
        const std::string& url = line.packageListUrl;
        std::string list;
        TransferOutcome transfer;
        if (!FetchText(url, &list, &transfer)) {
            Finding(url, "unreachable: " + Why(transfer));
            return;
        }
        CheckSignature(url, list);

        std::vector<PackageEntry> entries;
        std::vector<std::string> refused;
        if (!ParsePackageList(list, {}, &entries, &refused)) {
            Finding(url, "no image line (32 hex digits, a space, the image's name)");
            return;
        }
        for (const std::string& name : refused)
            Finding(url, "refused image name \"" + name + "\" (not a plain file name)");
        std::set<std::string> names;
        for (const PackageEntry& entry : entries) names.insert(entry.name);
        if (!line.limitationUrl.empty()) CheckLimitationFile(line.limitationUrl, names);

        const std::string base = url.substr(0, url.rfind('/') + 1);
        for (const PackageEntry& entry : entries) {
            if (entry.size < 0) Finding(url, "no sha256 line for " + entry.name);
            CheckImage(base + entry.name, entry);
        }
    }

    void CheckSignature(const std::string& listUrl, const std::string& list) {
        if (m_request.keys.empty()) {
            m_report.note(listUrl + ": signature not checked (no --key)");
            return;
        }
        const std::string url = listUrl + ".minisig";
        std::string minisig;
        TransferOutcome transfer;
        const bool fetched = FetchText(url, &minisig, &transfer);
        const SignatureVerdict verdict = CheckPackageListSignature(
            list, fetched ? &minisig : nullptr, m_request.keys, 0, TodayUtc());
        switch (verdict.check) {
            case SignatureCheck::kOk:
                m_report.note(listUrl + ": signed by key " + verdict.keyId + ", serial " +
                              std::to_string(verdict.serial) +
                              (verdict.expires.empty() ? "" : ", expires " + verdict.expires));
                break;
            case SignatureCheck::kMissing:
                Finding(url, "signature missing: " + Why(transfer));
                break;
            case SignatureCheck::kExpired:
                Finding(url, "the list expired on " + verdict.expires);
                break;
            default:
                Finding(url, "signature bad: " + verdict.reason);
                break;
        }
    }

    // Clients exclude an image only by its exact name on a line that ends; a file that cannot
    // be fetched excludes nothing.
    void CheckLimitationFile(const std::string& url, const std::set<std::string>& names) {
        std::string text;
        TransferOutcome transfer;
        if (!FetchText(url, &text, &transfer)) {
            Finding(url, "unreachable: " + Why(transfer) + " (clients then exclude no image)");
            return;
        }
        size_t start = 0, number = 0;
        for (size_t end; (end = text.find_first_of("\r\n", start)) != std::string::npos;
             start = end + 1) {
            const std::string line = text.substr(start, end - start);
            if (text[end] == '\n' && end > 0 && text[end - 1] == '\r') continue;
            ++number;
            const size_t last = line.find_last_of(" \t");
            const std::string image = last == std::string::npos ? line : line.substr(last + 1);
            if (!image.empty() && names.count(image) == 0)
                Finding(url, "line " + std::to_string(number) + " names " + image +
                                 ", which is no image of the package list");
        }
        if (start < text.size())
            Finding(url, "the last line has no line end, so clients ignore it");
    }

    void CheckImage(const std::string& url, const PackageEntry& entry) {
        const std::string path = TempPath(entry.name);
        m_report.note("checking " + url);
        TransferOutcome transfer;
        if (!Fetch(url, path, entry.size, &transfer)) {
            Finding(url,
                    transfer.code == CURLE_FILESIZE_EXCEEDED
                        ? "larger than the " + std::to_string(entry.size) + " bytes the list names"
                        : "unreachable: " + Why(transfer));
            return;
        }
        platform::FindData info;
        const int64_t size =
            platform::GetFileInfo(path, &info) ? static_cast<int64_t>(info.size) : -1;
        if (entry.size >= 0 && size != entry.size)
            Finding(url,
                    std::to_string(size) + " bytes, the list names " + std::to_string(entry.size));
        FileDigests digests;
        const int32_t hashed = HashFileDigests(path, true, &digests, nullptr);
        if (hashed != 0) {
            Finding(url,
                    "cannot be read after the download (error " + std::to_string(hashed) + ")");
        } else {
            if (!SameDigest(digests.md5, entry.digest))
                Finding(url, "MD5 " + digests.md5 + ", the list names " + entry.digest);
            if (!entry.sha256.empty() && digests.sha256 != entry.sha256)
                Finding(url, "SHA-256 " + digests.sha256 + ", the list names " + entry.sha256);
        }
        CheckZsync(url, entry.name, path, size);
        platform::DeleteFile(path);
    }

    // The image's zsync control file must describe the image as published: a stale one (made
    // for an earlier image) would make clients rebuild a file that fails its digests.
    void CheckZsync(const std::string& imageUrl, const std::string& name,
                    const std::string& imagePath, int64_t imageSize) {
        const std::string url = imageUrl + ".zsync";
        const std::string path = TempPath(name + ".zsync");
        TransferOutcome transfer;
        if (!Fetch(url, path, ZsyncLimit(imageSize), &transfer)) {
            Finding(url, "unreachable: " + Why(transfer));
            return;
        }
        const std::string text = ReadFile(path);
        platform::DeleteFile(path);
        ZsyncHeader header;
        std::string error;
        if (!ParseZsyncHeader(text, &header, &error)) {
            Finding(url, "not a zsync control file: " + error);
            return;
        }
        std::string sha1;
        if (header.length != imageSize)
            Finding(url, "stale: Length " + std::to_string(header.length) + ", the image has " +
                             std::to_string(imageSize) + " bytes");
        else if (!HashFileSha1(imagePath, &sha1))
            Finding(url, "the image cannot be read for its SHA-1");
        else if (header.sha1 != sha1)
            Finding(url, "stale: SHA-1 " + header.sha1 + ", the image's is " + sha1);
        const int64_t checksums = static_cast<int64_t>(text.size() - header.headerSize);
        if (checksums != ZsyncChecksumBytes(header))
            Finding(url, "cut or padded: " + std::to_string(checksums) +
                             " bytes of block checksums, its header needs " +
                             std::to_string(ZsyncChecksumBytes(header)));
        if (header.url != name && !header.url.ends_with("/" + name))
            Finding(url, "its URL line names " + header.url + ", not " + name);
    }

    const VerifyRequest& m_request;
    const VerifyReport& m_report;
    TransferSession m_session;
    LogStream m_log;  // never opened: the findings say what went wrong
    int m_findings = 0;
};

}  // namespace

int VerifySet(const VerifyRequest& request, const VerifyReport& report) {
    return SetVerifier(request, report).Run();
}

}  // namespace zefi
