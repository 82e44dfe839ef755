// The sites list, limitation file and package list of a download run, and FetchPackageList.
#include "download/package_list.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

constexpr size_t kDigestSize = 32;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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

// One text transfer into the temporary file; the URL is set by the caller. An answer that is
// not a success is logged and writes nothing.
TransferOutcome PerformIntoFile(CURL* handle, const std::string& url, platform::Stream& file,
                                LogStream& log, const ProxySettings* proxy) {
    TransferOutcome outcome = PerformChecked(handle, file, -1, proxy);
    LogRefusedAnswer(log, url, outcome);
    return outcome;
}

// A failed configuration step as the run's closing message names it.
void Report(DownloadOutcome* failure, const std::string& file, const TransferOutcome& transfer,
            int32_t result) {
    if (failure == nullptr) return;
    failure->end = DownloadEnd::kFailed;
    failure->step = DownloadStep::kConfiguration;
    failure->file = file;
    failure->curlCode = transfer.code;
    failure->httpStatus = IsSuccessStatus(transfer.httpStatus) ? 0 : transfer.httpStatus;
    failure->systemError = transfer.systemError;
    failure->status = result;
}

bool IsDeviceName(const std::string& name) {
    // The device is the part before the first dot, without the blanks Windows drops.
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    std::string upper;
    for (char c : base) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
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
            if (!IsBlank(line[i])) tag[found++] = Lower(line[i]);
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
    for (const std::string& line : EndedLines(text, nullptr)) {
        if (line.size() <= kDigestSize + 1 || line.size() > kMaxConfigText) continue;
        if (line[kDigestSize] != ' ') continue;
        anyEntryLine = true;
        size_t nameStart = line.find_first_not_of(' ', kDigestSize);
        if (nameStart == std::string::npos) continue;  // nothing but spaces: no name
        PackageEntry entry{line.substr(0, kDigestSize), line.substr(nameStart)};
        if (std::find(skipList.begin(), skipList.end(), entry.name) != skipList.end()) continue;
        // A name that is not a plain file name would put the image outside the destination
        // directory, or on a device.
        if (!IsPlainFileName(entry.name)) {
            if (refused != nullptr) refused->push_back(entry.name);
            continue;
        }
        entries->push_back(std::move(entry));
    }
    return anyEntryLine;
}

int32_t FetchLimitationFile(CURL* handle, const std::string& url, platform::Stream& file,
                            int32_t* code, LogStream& log, const std::string& destinationDir,
                            std::vector<std::string>* skipList, const ProxySettings* proxy) {
    curl_easy_reset(handle);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    EmptyFile(file);
    log << "Downloading image limitation file." << LogStream::endl;
    *code = PerformIntoFile(handle, url, file, log, proxy).code;
    if (*code == CURLE_OK) ParseLimitationFile(ReadWhole(file), destinationDir, skipList, log);
    EmptyFile(file);
    log << "Downloading image limitation file done." << LogStream::endl;
    return 0;
}

int32_t FetchPackageList(CURL* handle, const std::string& masterUrl, const std::string& tempName,
                         int32_t slovakEdition, ImageList* list, int32_t* count,
                         std::string* baseUrl, std::string* packageListUrl, int32_t* lastCode,
                         LogStream& log, const std::string& destinationDir,
                         const ProxySettings* proxy, DownloadOutcome* failure) {
    *list = nullptr;
    *count = 0;
    curl_easy_setopt(handle, CURLOPT_URL, masterUrl.c_str());
    log << "Downloading package files." << LogStream::endl;

    platform::Stream file;
    if (!file.Open(tempName, "w+b")) {
        uint32_t error = platform::GetLastError();
        ui::MessageBox(platform::FormatErrorMessage(error), ui::Buttons::Ok, ui::Icon::Error);
        log << "Unable to open cfg file error : " << platform::CrtErrnoFromError(error)
            << " getlasterror : " << error << LogStream::endl;
        Report(failure, tempName, {CURLE_OK, 0, error}, kFetchTempFileFailed);
        curl_easy_reset(handle);
        log << "Downloading package files done." << LogStream::endl;
        return kFetchTempFileFailed;
    }

    int32_t result = kFetchOk;
    std::vector<PackageEntry> entries;
    bool anyEntryLine = false;
    do {
        TransferOutcome transfer = PerformIntoFile(handle, masterUrl, file, log, proxy);
        *lastCode = transfer.code;
        if (transfer.code != CURLE_OK) {
            const uint32_t error = transfer.systemError;
            ui::MessageBox(
                ui::FormatText("Donwloading cfg file error : %ld %ld", {*lastCode, error}),
                ui::Buttons::Ok, ui::Icon::Error);
            log << "Downloading cfg file error : " << *lastCode << " getlasterror : " << error
                << LogStream::endl;
            result = kFetchSitesFailed;
            Report(failure, masterUrl, transfer, result);
            break;
        }
        SitesLine sites = ParseSitesList(ReadWhole(file), slovakEdition);
        if (!sites.found) {
            ui::MessageBox("Inet cfg file error.", ui::Buttons::Ok, ui::Icon::Error);
            log << "Cfg file format error." << LogStream::endl;
            result = kFetchNoSitesLine;
            Report(failure, masterUrl, {}, result);
            break;
        }

        std::vector<std::string> skipList;
        if (!sites.limitationUrl.empty()) {
            int32_t limitationCode = 0;
            FetchLimitationFile(handle, sites.limitationUrl, file, &limitationCode, log,
                                destinationDir, &skipList, proxy);
        }

        curl_easy_reset(handle);
        curl_easy_setopt(handle, CURLOPT_URL, sites.packageListUrl.c_str());
        *packageListUrl = sites.packageListUrl;
        size_t slash = sites.packageListUrl.rfind('/');
        *baseUrl = slash == std::string::npos ? sites.packageListUrl
                                              : sites.packageListUrl.substr(0, slash + 1);

        EmptyFile(file);
        transfer = PerformIntoFile(handle, sites.packageListUrl, file, log, proxy);
        *lastCode = transfer.code;
        if (transfer.code != CURLE_OK) {
            const uint32_t error = transfer.systemError;
            ui::MessageBox(
                ui::FormatText("Downloading package file error : %ld %ld", {*lastCode, error}),
                ui::Buttons::Ok, ui::Icon::Error);
            log << "Downloading package file error : " << *lastCode << " getlasterror : " << error
                << LogStream::endl;
            result = kFetchPackageFailed;
            Report(failure, sites.packageListUrl, transfer, result);
            break;
        }

        std::vector<std::string> refused;
        anyEntryLine = ParsePackageList(ReadWhole(file), skipList, &entries, &refused);
        for (const std::string& name : refused)
            log << "Downloading package file skip bad name " << Printable(name) << LogStream::endl;
        if (!anyEntryLine) {
            log << "Downloading package file format error." << LogStream::endl;
            Report(failure, sites.packageListUrl, {}, kFetchNoImages);
            break;
        }
        ImageList built = CreateImageList(entries.size());
        if (built == nullptr) {
            log << "Downloading package file alloc error." << LogStream::endl;
            result = kFetchAllocFailed;
            Report(failure, sites.packageListUrl, {}, result);
            break;
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            SetImageText(built[i].digest, entries[i].digest);
            SetImageText(built[i].name, entries[i].name);
        }
        *list = built;
        *count = static_cast<int32_t>(entries.size());
    } while (false);

    curl_easy_reset(handle);
    file.Close();
    // Kept after a failure, so that what the server sent can be looked at.
    if (result == kFetchOk && anyEntryLine) platform::DeleteFile(tempName);
    log << "Downloading package files done." << LogStream::endl;
    return result;
}

}  // namespace zefi
