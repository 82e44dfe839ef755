// Fuzz target: a DNS answer as the server sends it, parsed into TXT records, and the
// "zefisetup=" record with its Base64 address found in them.
#include <cstdint>
#include <vector>

#include "download/discovery.h"
#include "platform/dns.h"
#include "platform/posix/dns_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<platform::DnsRecord> records;
    int32_t status = platform::posix::ParseTextAnswer(data, size, &records);
    if (status != 0 && !records.empty()) __builtin_trap();
    zefi::TxtLookup found = zefi::FindZefisetupRecord(records);
    if (found.outcome == zefi::TxtLookup::Outcome::kFound && found.url.rfind("https://", 0) != 0) {
        __builtin_trap();
    }
    return 0;
}
