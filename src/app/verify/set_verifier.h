// zefisetup-verify's check of a published download set, made from outside as a client sees it:
// the sites list, the package lists it names with their signatures and limitation files, and
// every image with its zsync control file, through the program's own download code.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "download/signature.h"

namespace zefi {

// Exit statuses of zefisetup-verify.
enum VerifyStatus : int {
    kVerifyClean = 0,        // everything fits
    kVerifyFindings = 1,     // at least one finding
    kVerifyUnreachable = 2,  // the sites list could not be fetched (or the program was called
                             // wrongly)
};

struct VerifyRequest {
    std::string sitesUrl;            // the sites list, as a client's -m or DNS record names it
    std::vector<PublisherKey> keys;  // the signatures must verify with one of them; none: the
                                     // signatures are not checked
    std::string tempDir;             // a Windows path where the images are downloaded, one at a
                                     // time; each is deleted after its check
};

// Reports of a check: each finding once, "<address>: <what is wrong>"; notes say what was
// checked.
struct VerifyReport {
    std::function<void(const std::string&)> finding;
    std::function<void(const std::string&)> note;
};

// Fetches and checks everything the set at request.sitesUrl offers to the Czech and the Slovak
// edition: each package list (its signature with request.keys, its entries, every image's
// size, MD5 and SHA-256, and each image's ".zsync" file: Length, SHA-1, URL and the size of its
// checksums), the limitation files (reachable, naming only images of their list). Returns a
// VerifyStatus. Runs on the calling thread; the transfers follow the program's rules (an https
// sites list keeps every transfer https).
int VerifySet(const VerifyRequest& request, const VerifyReport& report);

}  // namespace zefi
