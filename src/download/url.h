// Addresses as libcurl reads them: the scheme and host of a URL, for the rules that decide
// which addresses a download run may use.
#pragma once

#include <string>
#include <vector>

namespace zefi {

struct UrlParts {
    std::string scheme;  // lower case, "https"
    std::string host;    // lower case, without user-info, port or a trailing dot
};

// Parses url with libcurl's URL API (no scheme guessing). False when it is not a URL with a
// scheme and a host.
bool ParseUrl(const std::string& url, UrlParts* parts);

// Whether host is one of domains or a name under one of them ("a.zefi.cz" is under "zefi.cz";
// "evilzefi.cz" and "zefi.cz.example.net" are not). Names are compared without regard to case.
bool HostInDomains(const std::string& host, const std::vector<std::string>& domains);

}  // namespace zefi
