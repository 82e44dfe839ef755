// TXT queries through libresolv, sent to the machine's DNS server: the one of "[dns] server"
// in machine.ini when set, else the host's resolver configuration.
#include "platform/dns.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/errors.h"
#include "platform/posix/dns_answer.h"
#include "platform/posix/vfs.h"

namespace platform {

namespace {

constexpr size_t kAnswerSize = 65536;

// Parses "a.b.c.d" or "a.b.c.d:port" (port 53 when left out).
bool ParseServer(const std::string& text, sockaddr_in* out) {
    std::string host = text;
    unsigned long port = 53;
    size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        port = std::strtoul(digits.c_str(), nullptr, 10);
        if (port == 0 || port > 65535) return false;
    }
    std::memset(out, 0, sizeof *out);
    out->sin_family = AF_INET;
    out->sin_port = htons(static_cast<uint16_t>(port));
    return ::inet_pton(AF_INET, host.c_str(), &out->sin_addr) == 1;
}

std::string Trim(const std::string& text) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    size_t e = text.find_last_not_of(" \t");
    return text.substr(b, e - b + 1);
}

// Maps the resolver's failure of the last query onto the DNS API's codes.
int32_t QueryFailure(const struct __res_state& state, int savedErrno) {
    switch (state.res_h_errno) {
        case HOST_NOT_FOUND:
            return kDnsErrorNameError;
        case NO_DATA:
            return kDnsInfoNoRecords;
        case NO_RECOVERY:
            return kDnsErrorRefused;
        default:
            break;
    }
    if (savedErrno == ETIMEDOUT || savedErrno == ECONNREFUSED) return kErrorTimeout;
    return kDnsErrorServerFailure;
}

// The character strings of one TXT record's data; false when a length runs past the data.
bool SplitText(const unsigned char* data, size_t size, std::vector<std::string>* out) {
    size_t at = 0;
    while (at < size) {
        size_t length = data[at++];
        if (length > size - at) return false;
        out->emplace_back(reinterpret_cast<const char*>(data + at), length);
        at += length;
    }
    return true;
}

}  // namespace

namespace posix {

int32_t ParseTextAnswer(const unsigned char* answer, size_t length,
                        std::vector<DnsRecord>* records) {
    records->clear();
    ns_msg message;
    if (length > static_cast<size_t>(INT32_MAX) ||
        ::ns_initparse(answer, static_cast<int>(length), &message) != 0) {
        return kDnsErrorFormat;
    }
    int count = ns_msg_count(message, ns_s_an);
    for (int i = 0; i < count; ++i) {
        ns_rr rr;
        if (::ns_parserr(&message, ns_s_an, i, &rr) != 0) {
            records->clear();
            return kDnsErrorFormat;
        }
        DnsRecord record;
        record.type = ns_rr_type(rr);
        record.name = ns_rr_name(rr);
        if (record.type == kDnsTypeText &&
            !SplitText(ns_rr_rdata(rr), ns_rr_rdlen(rr), &record.strings)) {
            records->clear();
            return kDnsErrorFormat;
        }
        records->push_back(std::move(record));
    }
    return 0;
}

}  // namespace posix

int32_t DnsQueryText(const std::string& name, std::vector<DnsRecord>* records) {
    records->clear();
    std::string server;
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        server = Trim(posix::GetMachine().dnsServer);
    }

    struct __res_state state;
    std::memset(&state, 0, sizeof state);
    if (::res_ninit(&state) != 0) {
        SetLastError(kErrorNotSupported);
        return kErrorNotSupported;
    }
    if (!server.empty()) {
        sockaddr_in address;
        if (!ParseServer(server, &address)) {
            ::res_nclose(&state);
            SetLastError(kErrorInvalidParameter);
            return kErrorInvalidParameter;
        }
        // IPv6 servers of the host configuration would be asked first: drop them, so that the
        // configured server is the only one.
        for (int i = 0; i < MAXNS; ++i) {
            std::free(state._u._ext.nsaddrs[i]);
            state._u._ext.nsaddrs[i] = nullptr;
        }
        state.nscount = 1;
        state.nsaddr_list[0] = address;
    }
    // A server that does not answer costs two tries of two seconds, not the default minute.
    state.retrans = 2;
    state.retry = 2;
    state.options &= ~static_cast<unsigned long>(RES_USEVC);

    std::vector<unsigned char> answer(kAnswerSize);
    errno = 0;
    int length = ::res_nquery(&state, name.c_str(), ns_c_in, ns_t_txt, answer.data(),
                              static_cast<int>(answer.size()));
    int savedErrno = errno;
    if (length < 0) {
        int32_t code = QueryFailure(state, savedErrno);
        ::res_nclose(&state);
        SetLastError(static_cast<uint32_t>(code));
        return code;
    }
    ::res_nclose(&state);

    int32_t parsed = posix::ParseTextAnswer(
        answer.data(), static_cast<size_t>(std::min(length, static_cast<int>(answer.size()))),
        records);
    if (parsed != 0) {
        SetLastError(static_cast<uint32_t>(parsed));
        return parsed;
    }
    if (records->empty()) {
        SetLastError(kDnsInfoNoRecords);
        return kDnsInfoNoRecords;
    }
    SetLastError(kErrorSuccess);
    return 0;
}

}  // namespace platform
