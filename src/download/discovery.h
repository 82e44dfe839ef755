// Discovery of the master URL, the address of the sites list: the command line's master
// address, else the "zefisetup=" DNS TXT record of the edition's product domain, else the
// media server's fallback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dns.h"
#include "system/log.h"

namespace zefi {

// What a TXT record set says about the master URL.
struct TxtLookup {
    enum class Outcome {
        kNone,         // no string of a TXT record begins with "zefisetup="
        kFound,        // url holds the decoded https:// address
        kBadBase64,    // the first "zefisetup=" string is not valid Base64
        kNotHttps,     // the first "zefisetup=" string decodes to an address that is not https
        kForeignHost,  // an https address whose host is outside the allowed domains
    } outcome = Outcome::kNone;
    std::string url;   // the decoded address (all but kNone, kBadBase64), cut at a NUL byte
    std::string host;  // its host as libcurl parses it (kFound, kForeignHost)
};

// Walks the records in order; only TXT records with at least one string count. The first
// string whose first ten characters are exactly "zefisetup=" decides, later strings and records
// are not looked at: the rest of it is Base64 for the address, which is used only when it is
// an https URL (as libcurl parses it) whose host is one of allowedDomains or a name under one.
TxtLookup FindZefisetupRecord(const std::vector<platform::DnsRecord>& records,
                              const std::vector<std::string>& allowedDomains);

// Finds the master URL for a download run and writes its steps to log. A non-empty
// cmdLineMaster is used as given, without any DNS query. Otherwise the TXT records of the
// edition's product domain (slovakEdition 0: Czech) are asked for, bypassing the cache; when
// they give no usable address (see FindZefisetupRecord; a DNS answer is not authenticated, so
// it may only lead to the publisher's own hosts, allowedDomains) the fallback of the
// deployment settings is used. Never fails. Called on the download worker's thread.
std::string FindMasterUrl(const std::string& cmdLineMaster, int32_t slovakEdition, LogStream& log,
                          const std::vector<std::string>& allowedDomains);
std::string FindMasterUrl(const std::string& cmdLineMaster, int32_t slovakEdition, LogStream& log);

}  // namespace zefi
