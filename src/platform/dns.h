// DNS queries of the system resolver, shaped after DnsQuery_A: a TXT query that bypasses the
// resolver cache and yields the answer's records in the order the server sent them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Record types (DNS_TYPE_*) and result codes (DNS_ERROR_* / DNS_INFO_*) of the DNS API.
enum : uint16_t { kDnsTypeCname = 5, kDnsTypeText = 16 };
enum : int32_t {
    kDnsErrorFormat = 9001,         // DNS_ERROR_RCODE_FORMAT_ERROR: a malformed answer
    kDnsErrorServerFailure = 9002,  // DNS_ERROR_RCODE_SERVER_FAILURE
    kDnsErrorNameError = 9003,      // DNS_ERROR_RCODE_NAME_ERROR: the name does not exist
    kDnsErrorRefused = 9005,        // DNS_ERROR_RCODE_REFUSED
    kDnsInfoNoRecords = 9501,       // DNS_INFO_NO_RECORDS: the name exists, without such records
};

// One resource record of an answer. For a TXT record strings holds its character strings in
// order (each may be empty and may hold any byte); other types carry no strings.
struct DnsRecord {
    uint16_t type = 0;
    std::string name;  // owner name of the record, as the server spelled it
    std::vector<std::string> strings;
};

// DnsQuery_A(name, DNS_TYPE_TEXT, DNS_QUERY_BYPASS_CACHE, no server list): asks the machine's
// DNS server for the TXT records of name over UDP (TCP only when the answer is truncated).
// Returns 0 with the answer section's records in *records (CNAME records included, as the API
// lists them), or a DNS error code (kDnsError*, kDnsInfoNoRecords) or a Win32 code
// (kErrorTimeout when no server answers) with *records empty. Any thread may call it.
int32_t DnsQueryText(const std::string& name, std::vector<DnsRecord>* records);

}  // namespace platform
