// The configuration texts of a download run and FetchPackageList, which downloads them: the
// sites list (where the package list and the limitation file are), the limitation file (which
// images need files the destination lacks) and the package list (digest and name of every
// image), from which the image list is built.
#pragma once

#include "download/curl_api.h"

#include <cstdint>
#include <string>
#include <vector>

#include "download/download_outcome.h"
#include "download/image_list.h"
#include "download/transfer.h"
#include "system/log.h"

namespace platform {
class Stream;
}

namespace zefi {

// Results of FetchPackageList.
enum : int32_t {
    kFetchOk = 0,
    kFetchTempFileFailed = -1,  // the temporary file cannot be opened
    kFetchSitesFailed = -2,     // the sites-list transfer failed
    kFetchNoSitesLine = -3,     // the sites list holds no line for the edition
    kFetchPackageFailed = -4,   // the package-list transfer failed
    kFetchAllocFailed = -5,     // the image list cannot be allocated
    // Not a result of FetchPackageList (which gives 0 without a list then): the run result of
    // a package list that offers no image, for want of entry lines or because every entry was
    // excluded or refused.
    kFetchNoImages = -6,
};

// Longest token, path or line of the configuration texts, as in their 260-byte fields.
constexpr size_t kMaxConfigText = 259;

// The accepted line of a sites list.
struct SitesLine {
    bool found = false;          // false: no line for the edition
    std::string packageListUrl;  // the package list
    std::string limitationUrl;   // empty when the line names no limitation file
};

// Parses a sites list for an edition (slovakEdition 0: Czech). Lines end at CR or LF. The first
// two non-blank characters of a line (blank: space, tab) are its tag, compared without regard
// to case: the Czech edition accepts "cz", and "sk" as well; the Slovak edition only "sk". The
// first accepted line is used and nothing after it is read. Its text after the tag is split at
// runs of blanks, blanks at its end ignored: one token is the package-list URL; with more, the
// last but one is the package-list URL and the last the limitation-file URL. A token longer
// than kMaxConfigText characters is cut to that length.
SitesLine ParseSitesList(const std::string& text, int32_t slovakEdition);

// Parses a limitation file against the destination directory: on each line ended by CR or LF,
// the last blank-separated token names an image and the tokens before it name files that must
// exist as destinationDir + "\" + token. When one of them is missing (or its path would be
// longer than kMaxConfigText), the image's exact name is appended to skipList and
// "Image limitation skip " + name is logged. A last line without a line end is not processed.
void ParseLimitationFile(const std::string& text, const std::string& destinationDir,
                         std::vector<std::string>* skipList, LogStream& log);

// Whether name, the name of an image from a package list, is a plain file name of the
// destination directory: not empty, not "." or "..", without "\", "/", ":" or a control
// character, and not a Windows device name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any
// case, with or without an extension).
bool IsPlainFileName(const std::string& name);

// One image of a package list.
struct PackageEntry {
    std::string digest;  // the first 32 characters of the line
    std::string name;    // the text after the spaces that follow the digest
};

// Parses a package list. An entry line, ended by CR or LF and at most kMaxConfigText
// characters long, is longer than 33 characters and has a space at position 32: the 32
// characters before it are the digest, the text after that run of spaces (spaces inside and
// after it kept) is the name. Entries with an empty name or a name equal to an entry of
// skipList are dropped, and so are those whose name is not IsPlainFileName: these names go to
// *refused when it is given. Other lines, and a last line without a line end, are ignored.
// Returns false when the text holds no entry line at all; *entries then stays empty.
bool ParsePackageList(const std::string& text, const std::vector<std::string>& skipList,
                      std::vector<PackageEntry>* entries,
                      std::vector<std::string>* refused = nullptr);

// Downloads the limitation file at url into the open temporary file (emptied before and after)
// and adds the images it excludes to skipList. A failed transfer (also an HTTP answer outside
// 200-299) excludes nothing. *code gets
// the transfer's libcurl code. Resets the handle first. Always returns 0.
int32_t FetchLimitationFile(CURL* handle, const std::string& url, platform::Stream& file,
                            int32_t* code, LogStream& log, const std::string& destinationDir,
                            std::vector<std::string>* skipList, const ProxySettings* proxy);

// Downloads the sites list from masterUrl, the limitation file it names, and the package list,
// each in turn into the temporary file tempName (a path, usually the bare "page_tmp.txt" of the
// current directory), and builds the image list. A list answered with an HTTP status outside
// 200-299 is a failed transfer of that list (its last transfer code is
// CURLE_HTTP_RETURNED_ERROR) and is never parsed. Package-list entries whose name is not a
// plain file name are dropped with the log line "Downloading package file skip bad name " and
// the name (control characters shown as "?"). Returns kFetch*; shows the failures' message
// boxes on the calling thread. On kFetchOk *list receives a new list whose owner frees it and
// *count the number of its entries; when the package list holds no entry line *list stays
// nullptr. *baseUrl gets the package-list URL up to and with its last "/", *packageListUrl the
// package-list URL; *lastCode the libcurl code of the sites-list transfer and then of the
// package-list transfer. The temporary file is deleted after success and kept otherwise. The
// handle is reset when it returns. When failure is given, a result other than kFetchOk, and a
// package list without an entry line, fill it (step kConfiguration, the file that failed, its
// libcurl code, HTTP status and system error code, the result as status). Runs on the download
// worker's thread.
int32_t FetchPackageList(CURL* handle, const std::string& masterUrl, const std::string& tempName,
                         int32_t slovakEdition, ImageList* list, int32_t* count,
                         std::string* baseUrl, std::string* packageListUrl, int32_t* lastCode,
                         LogStream& log, const std::string& destinationDir,
                         const ProxySettings* proxy, DownloadOutcome* failure = nullptr);

}  // namespace zefi
