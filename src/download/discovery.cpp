// Discovery of the master URL: command line, DNS TXT record, fallback.
#include "download/discovery.h"

#include "download/deployment.h"
#include "download/transfer.h"
#include "download/url.h"
#include "platform/crypto.h"

namespace zefi {

namespace {

constexpr char kRecordPrefix[] = "zefisetup=";
constexpr size_t kRecordPrefixSize = sizeof kRecordPrefix - 1;

}  // namespace

TxtLookup FindZefisetupRecord(const std::vector<platform::DnsRecord>& records,
                              const std::vector<std::string>& allowedDomains) {
    TxtLookup result;
    for (const platform::DnsRecord& record : records) {
        if (record.type != platform::kDnsTypeText || record.strings.empty()) continue;
        for (const std::string& text : record.strings) {
            if (text.compare(0, kRecordPrefixSize, kRecordPrefix) != 0) continue;
            std::string decoded;
            if (!platform::DecodeBase64(text.substr(kRecordPrefixSize), &decoded)) {
                result.outcome = TxtLookup::Outcome::kBadBase64;
                return result;
            }
            // The decoded bytes are used as a C string: a NUL ends the address.
            result.url = decoded.substr(0, decoded.find('\0'));
            UrlParts parts;
            if (!ParseUrl(result.url, &parts) || parts.scheme != "https") {
                result.outcome = TxtLookup::Outcome::kNotHttps;
                return result;
            }
            result.host = parts.host;
            result.outcome = HostInDomains(parts.host, allowedDomains)
                                 ? TxtLookup::Outcome::kFound
                                 : TxtLookup::Outcome::kForeignHost;
            return result;
        }
    }
    return result;
}

std::string FindMasterUrl(const std::string& cmdLineMaster, int32_t slovakEdition, LogStream& log) {
    return FindMasterUrl(cmdLineMaster, slovakEdition, log, AllowedMasterDomains());
}

std::string FindMasterUrl(const std::string& cmdLineMaster, int32_t slovakEdition, LogStream& log,
                          const std::vector<std::string>& allowedDomains) {
    if (!cmdLineMaster.empty()) {
        log << "Using cmdLine zefisetup masterUrl: " << HidePassword(cmdLineMaster)
            << LogStream::endl;
        return cmdLineMaster;
    }

    std::string domain = ProductDomain(slovakEdition);
    log << "DNS lookup for zefisetup " << domain << LogStream::endl;
    // The query's own result is not examined: a failed query simply yields no records.
    std::vector<platform::DnsRecord> records;
    platform::DnsQueryText(domain, &records);
    TxtLookup found = FindZefisetupRecord(records, allowedDomains);
    switch (found.outcome) {
        case TxtLookup::Outcome::kFound:
            log << "DNS found for zefisetup " << found.url << LogStream::endl;
            break;
        case TxtLookup::Outcome::kNotHttps:
            // Only an address reached over TLS with a verified certificate is trusted to name
            // the images to install.
            log << "DNS found for zefisetup " << found.url << LogStream::endl;
            log << "DNS zefisetup masterUrl refused, it is not an https address" << LogStream::endl;
            break;
        case TxtLookup::Outcome::kForeignHost:
            // Anyone who can answer a DNS query could otherwise name the images to install.
            log << "DNS found for zefisetup " << found.url << LogStream::endl;
            log << "DNS zefisetup masterUrl refused, its host " << found.host
                << " is not in the publisher's domains" << LogStream::endl;
            break;
        case TxtLookup::Outcome::kBadBase64:
            log << "DNS zefisetup record refused, it is not valid Base64" << LogStream::endl;
            break;
        case TxtLookup::Outcome::kNone:
            break;
    }
    log << "DNS lookup for zefisetup done." << LogStream::endl;
    if (found.outcome == TxtLookup::Outcome::kFound) return found.url;

    log << "DNS lookup for zefisetup failed using fallback." << LogStream::endl;
    return FallbackMasterUrl();
}

}  // namespace zefi
