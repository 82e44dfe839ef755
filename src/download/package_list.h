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
#include "download/signature.h"
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
    // The package list's signature refused it (a publisher key is configured).
    kFetchSignatureRefused = -7,
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
    // From a "sha256 <64 hex> <size> <name>" line of the same name, when the list has one:
    // the SHA-256 digest in lower case and the size in bytes; empty and -1 otherwise.
    std::string sha256;
    int64_t size = -1;
};

// Parses a package list. An entry line, ended by CR or LF and at most kMaxConfigText
// characters long, is longer than 33 characters and has a space at position 32: the 32
// characters before it are the digest, the text after that run of spaces (spaces inside and
// after it kept) is the name. Entries with an empty name or a name equal to an entry of
// skipList are dropped, and so are those whose name is not IsPlainFileName: these names go to
// *refused when it is given. A line "sha256 " + 64 hex digits + " " + decimal size + " " +
// name (which an entry line can never be: its position 32 is a hex digit) gives the entry of
// that name its SHA-256 digest and size; the first such line of a name counts. Other lines,
// and a last line without a line end, are ignored. Returns false when the text holds no entry
// line at all; *entries then stays empty.
bool ParsePackageList(const std::string& text, const std::vector<std::string>& skipList,
                      std::vector<PackageEntry>* entries,
                      std::vector<std::string>* refused = nullptr);

// Downloads the limitation file at url into the open temporary file (emptied before and after)
// and adds the images it excludes to skipList. A failed transfer (also an HTTP answer outside
// 200-299) excludes nothing. Returns the transfer's libcurl code. Resets the handle first.
int32_t FetchLimitationFile(TransferSession& session, const std::string& url,
                            platform::Stream& file, LogStream& log,
                            const std::string& destinationDir, std::vector<std::string>* skipList);

// What a package list must be signed with.
struct PackageListTrust {
    // A publisher key is configured (also one that cannot be used): only a list whose
    // signature verifies is used, and there is no way back to unsigned lists.
    bool configured = false;
    std::vector<PublisherKey> keys;
    uint64_t keptSerial = 0;  // the highest serial verified before; a lower one is refused
    std::string todayUtc;     // YYYY-MM-DD, against the list's expiry date
};

// What a fetch of the package list starts from.
struct PackageListRequest {
    std::string masterUrl;                  // the sites list
    std::string tempName = "page_tmp.txt";  // the temporary file, a path
    int32_t slovakEdition = 0;              // 0: the Czech edition
    std::string destinationDir;             // for the limitation file's tests
    PackageListTrust trust;
};

// What a fetch of the package list came to.
struct PackageListFetch {
    int32_t result = kFetchOk;  // kFetch*
    // On kFetchOk the new list when the package list had an entry line (nullptr otherwise),
    // and the number of its entries.
    ImageListPtr list;
    int32_t count = 0;
    // Per entry of list, in its order: the SHA-256 digests and sizes of the package list.
    std::vector<PackageEntry> entries;
    std::string baseUrl;         // the package-list URL up to and with its last "/"
    std::string packageListUrl;  // the package-list URL
    // libcurl's code of the sites-list transfer, then of the package-list transfer.
    int32_t lastCode = 0;
    // The list's signature verified (only with a configured key), and its serial.
    bool listSigned = false;
    uint64_t serial = 0;
    // Filled for a result other than kFetchOk, and for a package list without an entry line:
    // step kConfiguration, the file that failed, its libcurl code, HTTP status and system
    // error code, the result as status.
    DownloadOutcome failure;
};

// Downloads the sites list from the master URL, the limitation file it names, and the package
// list, each in turn into the temporary file (each at most kMaxListBytes), and builds the
// image list. A list answered with an HTTP status outside 200-299 is a failed transfer of that
// list (its last transfer code is CURLE_HTTP_RETURNED_ERROR) and is never parsed. With a
// configured publisher key the package list's signature (package-list URL + ".minisig") is
// fetched right after it and must verify (CheckPackageListSignature), else the result is
// kFetchSignatureRefused with step kSignature and the reason, and nothing is built; the log
// says "Package list signature ok, serial " + N, or why the list was refused. Without a key it
// says "Package list not signed". Package-list
// entries whose name is not a plain file name are dropped with the log line "Downloading
// package file skip bad name " and the name (control characters shown as "?"). Shows the
// failures' message boxes on the calling thread. The temporary file is deleted after success
// and kept otherwise. The handle is reset when it returns. Runs on the download worker's
// thread.
PackageListFetch FetchPackageList(TransferSession& session, const PackageListRequest& request,
                                  LogStream& log);

}  // namespace zefi
