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
        kNone,       // no string of a TXT record begins with "zefisetup="
        kFound,      // url holds the decoded https:// address
        kBadBase64,  // the first "zefisetup=" string is not valid Base64
        kNotHttps,   // the first "zefisetup=" string decodes to an address without https://
    } outcome = Outcome::kNone;
    std::string url;  // the decoded address (kFound, kNotHttps), cut at a NUL byte
};

// Walks the records in order; only TXT records with at least one string count. The first
// string whose first ten characters are exactly "zefisetup=" decides, later strings and records
// are not looked at: the rest of it is Base64 for the address, which is used only when it
// begins with "https://".
TxtLookup FindZefisetupRecord(const std::vector<platform::DnsRecord>& records);

// Finds the master URL for a download run and writes its steps to log. A non-empty
// cmdLineMaster is used as given, without any DNS query. Otherwise the TXT records of the
// edition's product domain (slovakEdition 0: Czech) are asked for, bypassing the cache; when
// they give no usable address the fallback of the deployment settings is used. Never fails.
// Called on the download worker's thread.
std::string FindMasterUrl(const std::string& cmdLineMaster, int32_t slovakEdition, LogStream& log);

}  // namespace zefi
