// The parser of a DNS answer message of the posix backend, shared by the TXT query and its
// fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/dns.h"

namespace platform::posix {

// Parses the answer section of the DNS message of length bytes at answer into *records (TXT
// records with their strings, others without). Returns 0, or kDnsErrorFormat with *records
// empty when the message or one of its records is malformed. Does not set the last error.
int32_t ParseTextAnswer(const unsigned char* answer, size_t length,
                        std::vector<DnsRecord>* records);

}  // namespace platform::posix
