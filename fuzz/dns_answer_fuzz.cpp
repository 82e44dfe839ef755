// Fuzz target: a DNS answer as the server sends it, parsed into TXT records, and the
// "zefisetup=" record with its Base64 address found in them.
#include <cstdint>
#include <vector>

#include "download/deployment.h"
#include "download/discovery.h"
#include "download/url.h"
#include "platform/dns.h"
#include "platform/posix/dns_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<platform::DnsRecord> records;
    int32_t status = platform::posix::ParseTextAnswer(data, size, &records);
    if (status != 0 && !records.empty()) __builtin_trap();
    const std::vector<std::string> domains = zefi::AllowedMasterDomains();
    zefi::TxtLookup found = zefi::FindZefisetupRecord(records, domains);
    if (found.outcome == zefi::TxtLookup::Outcome::kFound) {
        // What is found must lead to an https host of the publisher, as libcurl reads it.
        zefi::UrlParts parts;
        if (!zefi::ParseUrl(found.url, &parts) || parts.scheme != "https" ||
            !zefi::HostInDomains(parts.host, domains)) {
            __builtin_trap();
        }
    }
    return 0;
}
