// The sites list, limitation file and package list of a download run, and FetchPackageList.
#include "download/package_list.h"

#include <algorithm>
#include <optional>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

constexpr size_t kDigestSize = 32;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The lines of text that are ended by CR or LF, in order, without their ends; empty lines
// (also the one between CR and LF) included. The text after the last line end is *rest.
std::vector<std::string> EndedLines(const std::string& text, std::string* rest) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (rest != nullptr) *rest = text.substr(start);
    return lines;
}

// Tokens of text separated by runs of blanks; blanks at either end separate nothing.
std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

// Empties the temporary file and puts its position at the start.
void EmptyFile(platform::Stream& file) {
    file.Seek(0, 0);
    file.Truncate(0);
}

// Everything written to the temporary file, from its start.
std::string ReadWhole(platform::Stream& file) {
    file.Flush();
    file.Seek(0, 0);
    std::string text;
    char block[16384];
    for (;;) {
        size_t got = file.Read(block, sizeof block);
        if (got == 0) break;
        text.append(block, got);
    }
    return text;
}

// One text transfer of url into the emptied temporary file, at most kMaxListBytes long.
TransferOutcome FetchText(TransferSession& session, const std::string& url, platform::Stream& file,
                          LogStream& log) {
    EmptyFile(file);
    return PerformChecked(session, url, file, -1, log, kMaxListBytes);
}

// A failed configuration step as the run's closing message names it.
DownloadOutcome ConfigurationFailure(const std::string& file, const TransferOutcome& transfer,
                                     int32_t result) {
    DownloadOutcome failure;
    failure.end = DownloadEnd::kFailed;
    failure.step = DownloadStep::kConfiguration;
    failure.file = file;
    failure.curlCode = transfer.code;
    failure.httpStatus = IsSuccessStatus(transfer.httpStatus) ? 0 : transfer.httpStatus;
    failure.systemError = transfer.systemError;
    failure.status = result;
    return failure;
}

bool IsHexDigits(const std::string& text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// A "sha256 <64 hex> <size> <name>" line: false when line is none.
bool ParseSha256Line(const std::string& line, std::string* digest, int64_t* size,
                     std::string* name) {
    static const char kTag[] = "sha256 ";
    constexpr size_t kTagSize = sizeof kTag - 1, kHexSize = 64;
    if (line.compare(0, kTagSize, kTag) != 0 || line.size() < kTagSize + kHexSize + 4) return false;
    std::string hex = line.substr(kTagSize, kHexSize);
    if (!IsHexDigits(hex) || line[kTagSize + kHexSize] != ' ') return false;
    uint64_t value = 0;
    const size_t i = platform::ReadDecimal(line, kTagSize + kHexSize + 1, INT64_MAX, &value);
    if (i == std::string::npos || i + 1 >= line.size() || line[i] != ' ') return false;
    *digest = platform::LowerAscii(hex);
    *size = static_cast<int64_t>(value);
    *name = line.substr(i + 1);
    return true;
}

// The image list of entries, or nullptr when no memory can be had.
ImageListPtr BuildImageList(const std::vector<PackageEntry>& entries) {
    ImageListPtr built(CreateImageList(entries.size()));
    if (!built) return built;
    for (size_t i = 0; i < entries.size(); ++i) {
        SetImageText(built.get()[i].digest, entries[i].digest);
        SetImageText(built.get()[i].name, entries[i].name);
    }
    return built;
}

bool IsDeviceName(const std::string& name) {
    // The device is the part before the first dot, without the blanks Windows drops.
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    const std::string upper = platform::UpperAscii(base);
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
    return upper.size() == 4 &&
           (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

// name with its control characters shown as "?", for the log.
std::string Printable(const std::string& name) {
    std::string shown = name;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    }
    return shown;
}

}  // namespace

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        if (c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    }
    return !IsDeviceName(name);
}

SitesLine ParseSitesList(const std::string& text, int32_t slovakEdition) {
    SitesLine result;
    std::string rest;
    std::vector<std::string> lines = EndedLines(text, &rest);
    lines.push_back(rest);  // the accepted line may end with the file
    for (const std::string& line : lines) {
        char tag[2];
        size_t found = 0, i = 0;
        for (; i < line.size() && found < 2; ++i) {
            if (!IsBlank(line[i])) tag[found++] = platform::ToLowerAscii(line[i]);
        }
        if (found < 2) continue;
        bool czechTag = tag[0] == 'c' && tag[1] == 'z';
        bool slovakTag = tag[0] == 's' && tag[1] == 'k';
        if (!(slovakTag || (czechTag && slovakEdition == 0))) continue;

        std::vector<std::string> tokens = Tokens(line.substr(i));
        for (std::string& token : tokens) {
            if (token.size() > kMaxConfigText) token.resize(kMaxConfigText);
        }
        result.found = true;
        if (tokens.size() == 1) {
            result.packageListUrl = tokens[0];
        } else if (tokens.size() >= 2) {
            result.packageListUrl = tokens[tokens.size() - 2];
            result.limitationUrl = tokens.back();
        }
        return result;
    }
    return result;
}

void ParseLimitationFile(const std::string& text, const std::string& destinationDir,
                         std::vector<std::string>* skipList, LogStream& log) {
    for (const std::string& line : EndedLines(text, nullptr)) {
        std::vector<std::string> tokens = Tokens(line);
        if (tokens.size() < 2) continue;
        const std::string& image = tokens.back();
        for (size_t t = 0; t + 1 < tokens.size(); ++t) {
            std::string path = destinationDir + "\\" + tokens[t];
            bool present = path.size() <= kMaxConfigText &&
                           platform::GetFileAttributes(path) != platform::kInvalidFileAttributes;
            if (present) continue;
            skipList->push_back(image);
            log << "Image limitation skip " << image << LogStream::endl;
            break;
        }
    }
}

bool ParsePackageList(const std::string& text, const std::vector<std::string>& skipList,
                      std::vector<PackageEntry>* entries, std::vector<std::string>* refused) {
    entries->clear();
    bool anyEntryLine = false;
    std::vector<PackageEntry> strong;  // the sha256 lines, in order
    for (const std::string& line : EndedLines(text, nullptr)) {
        if (line.size() <= kDigestSize + 1 || line.size() > kMaxConfigText) continue;
        PackageEntry digests;
        if (ParseSha256Line(line, &digests.sha256, &digests.size, &digests.name)) {
            strong.push_back(std::move(digests));
            continue;
        }
        if (line[kDigestSize] != ' ') continue;
        anyEntryLine = true;
        size_t nameStart = line.find_first_not_of(' ', kDigestSize);
        if (nameStart == std::string::npos) continue;  // nothing but spaces: no name
        PackageEntry entry;
        entry.digest = line.substr(0, kDigestSize);
        entry.name = line.substr(nameStart);
        if (std::find(skipList.begin(), skipList.end(), entry.name) != skipList.end()) continue;
        // A name that is not a plain file name would put the image outside the destination
        // directory, or on a device.
        if (!IsPlainFileName(entry.name)) {
            if (refused != nullptr) refused->push_back(entry.name);
            continue;
        }
        entries->push_back(std::move(entry));
    }
    for (PackageEntry& entry : *entries) {
        for (const PackageEntry& digests : strong) {
            if (digests.name != entry.name) continue;
            entry.sha256 = digests.sha256;
            entry.size = digests.size;
            break;
        }
    }
    return anyEntryLine;
}

int32_t FetchLimitationFile(TransferSession& session, const std::string& url,
                            platform::Stream& file, LogStream& log,
                            const std::string& destinationDir, std::vector<std::string>* skipList) {
    curl_easy_reset(session.Handle());
    log << "Downloading image limitation file." << LogStream::endl;
    const int32_t code = FetchText(session, url, file, log).code;
    if (code == CURLE_OK) ParseLimitationFile(ReadWhole(file), destinationDir, skipList, log);
    EmptyFile(file);
    log << "Downloading image limitation file done." << LogStream::endl;
    return code;
}

namespace {

// The transfers and parsing of FetchPackageList, with the temporary file open.
class PackageListFetcher {
  public:
    PackageListFetcher(TransferSession& session, const PackageListRequest& request,
                       platform::Stream& file, LogStream& log, PackageListFetch& out)
        : m_session(session), m_request(request), m_file(file), m_log(log), m_out(out) {}

    void Run() {
        const std::optional<SitesLine> sites = FetchSites();
        if (!sites) return;
        std::vector<std::string> skipList;
        if (!sites->limitationUrl.empty()) {
            FetchLimitationFile(m_session, sites->limitationUrl, m_file, m_log,
                                m_request.destinationDir, &skipList);
        }
        curl_easy_reset(m_session.Handle());
        m_out.packageListUrl = sites->packageListUrl;
        const size_t slash = sites->packageListUrl.rfind('/');
        m_out.baseUrl = slash == std::string::npos ? sites->packageListUrl
                                                   : sites->packageListUrl.substr(0, slash + 1);
        std::string packageText;
        if (!FetchPackages(&packageText) || !CheckSignature(packageText)) return;
        BuildList(packageText, skipList);
    }

  private:
    void Fail(const std::string& file, const TransferOutcome& transfer, int32_t result) {
        m_out.result = result;
        m_out.failure = ConfigurationFailure(file, transfer, result);
    }

    // One list into the temporary file; a failed transfer shows its message box (text:
    // boxText + " : %ld %ld" with the code and the system error code) and its log line.
    bool FetchList(const std::string& url, const char* boxText, const char* logText,
                   int32_t result) {
        const TransferOutcome transfer = FetchText(m_session, url, m_file, m_log);
        m_out.lastCode = transfer.code;
        if (transfer.code == CURLE_OK) return true;
        const uint32_t error = transfer.systemError;
        ui::MessageBox(ui::FormatText(std::string(boxText) + " : %ld %ld", {m_out.lastCode, error}),
                       ui::Buttons::Ok, ui::Icon::Error);
        m_log << logText << " : " << m_out.lastCode << " getlasterror : " << error
              << LogStream::endl;
        Fail(url, transfer, result);
        return false;
    }

    std::optional<SitesLine> FetchSites() {
        const std::string& url = m_request.masterUrl;
        if (!FetchList(url, "Donwloading cfg file error", "Downloading cfg file error",
                       kFetchSitesFailed))
            return std::nullopt;
        SitesLine sites = ParseSitesList(ReadWhole(m_file), m_request.slovakEdition);
        if (!sites.found) {
            ui::MessageBox("Inet cfg file error.", ui::Buttons::Ok, ui::Icon::Error);
            m_log << "Cfg file format error." << LogStream::endl;
            Fail(url, {}, kFetchNoSitesLine);
            return std::nullopt;
        }
        return sites;
    }

    bool FetchPackages(std::string* text) {
        if (!FetchList(m_out.packageListUrl, "Downloading package file error",
                       "Downloading package file error", kFetchPackageFailed))
            return false;
        *text = ReadWhole(m_file);
        return true;
    }

    // With a configured key, the list's signature must verify.
    bool CheckSignature(const std::string& packageText) {
        const PackageListTrust& trust = m_request.trust;
        if (!trust.configured) {
            m_log << "Package list not signed" << LogStream::endl;
            return true;
        }
        const std::string url = m_out.packageListUrl + ".minisig";
        curl_easy_reset(m_session.Handle());
        const TransferOutcome transfer = FetchText(m_session, url, m_file, m_log);
        const std::string minisig = transfer.code == CURLE_OK ? ReadWhole(m_file) : std::string();
        const SignatureVerdict verdict =
            CheckPackageListSignature(packageText, transfer.code == CURLE_OK ? &minisig : nullptr,
                                      trust.keys, trust.keptSerial, trust.todayUtc);
        if (verdict.check == SignatureCheck::kOk) {
            m_log << "Package list signature ok, serial " << std::to_string(verdict.serial)
                  << LogStream::endl;
            m_out.listSigned = true;
            m_out.serial = verdict.serial;
            return true;
        }
        DownloadOutcome failure = ConfigurationFailure(url, transfer, kFetchSignatureRefused);
        failure.step = DownloadStep::kSignature;
        switch (verdict.check) {
            case SignatureCheck::kMissing:
                m_log << "Package list refused, signature missing: " << HidePassword(url)
                      << LogStream::endl;
                failure.refusal = ListRefusal::kMissing;
                break;
            case SignatureCheck::kOlder:
                m_log << "Package list refused, serial " << std::to_string(verdict.serial)
                      << " older than kept serial " << std::to_string(trust.keptSerial)
                      << LogStream::endl;
                failure.refusal = ListRefusal::kOlder;
                failure.refusalDetail = std::to_string(verdict.serial);
                failure.keptSerial = std::to_string(trust.keptSerial);
                break;
            case SignatureCheck::kExpired:
                m_log << "Package list refused, expired on " << verdict.expires << LogStream::endl;
                failure.refusal = ListRefusal::kExpired;
                failure.refusalDetail = verdict.expires;
                break;
            case SignatureCheck::kBad:
            case SignatureCheck::kOk:
                // "bad signature: ...", "bad trusted comment: ...", "unreadable signature: ..."
                m_log << "Package list refused, " << verdict.reason << LogStream::endl;
                failure.refusal = ListRefusal::kBad;
                break;
        }
        m_out.result = kFetchSignatureRefused;
        m_out.failure = failure;
        return false;
    }

    void BuildList(const std::string& text, const std::vector<std::string>& skipList) {
        std::vector<std::string> refused;
        const bool anyEntryLine = ParsePackageList(text, skipList, &m_out.entries, &refused);
        for (const std::string& name : refused)
            m_log << "Downloading package file skip bad name " << Printable(name)
                  << LogStream::endl;
        if (!anyEntryLine) {
            m_log << "Downloading package file format error." << LogStream::endl;
            m_out.failure = ConfigurationFailure(m_out.packageListUrl, {}, kFetchNoImages);
            return;
        }
        m_out.list = BuildImageList(m_out.entries);
        if (!m_out.list) {
            m_log << "Downloading package file alloc error." << LogStream::endl;
            Fail(m_out.packageListUrl, {}, kFetchAllocFailed);
            m_out.entries.clear();
            return;
        }
        m_out.count = static_cast<int32_t>(m_out.entries.size());
    }

    TransferSession& m_session;
    const PackageListRequest& m_request;
    platform::Stream& m_file;
    LogStream& m_log;
    PackageListFetch& m_out;
};

}  // namespace

PackageListFetch FetchPackageList(TransferSession& session, const PackageListRequest& request,
                                  LogStream& log) {
    PackageListFetch out;
    log << "Downloading package files." << LogStream::endl;

    platform::Stream file;
    if (!file.Open(request.tempName, "w+b")) {
        const uint32_t error = platform::GetLastError();
        ui::MessageBox(platform::FormatErrorMessage(error), ui::Buttons::Ok, ui::Icon::Error);
        log << "Unable to open cfg file error : " << platform::CrtErrnoFromError(error)
            << " getlasterror : " << error << LogStream::endl;
        out.result = kFetchTempFileFailed;
        out.failure = ConfigurationFailure(request.tempName, {CURLE_OK, 0, error}, out.result);
        curl_easy_reset(session.Handle());
        log << "Downloading package files done." << LogStream::endl;
        return out;
    }

    PackageListFetcher(session, request, file, log, out).Run();

    curl_easy_reset(session.Handle());
    file.Close();
    // Kept after a failure, so that what the server sent can be looked at.
    if (out.result == kFetchOk && out.list) platform::DeleteFile(request.tempName);
    log << "Downloading package files done." << LogStream::endl;
    return out;
}

}  // namespace zefi
