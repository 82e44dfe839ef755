// A DNS server for tests: dnsmasq on 127.0.0.1 at a free port, serving given TXT records and
// nothing else (no upstream servers, no hosts file). It ends with the object, and by itself
// after a time limit should the test die.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace testsupport {

// One TXT record: its owner name and its character strings.
struct TxtRecord {
    std::string name;
    std::vector<std::string> strings;
};

class DnsServer {
  public:
    DnsServer() = default;
    ~DnsServer() { Stop(); }

    // Starts dnsmasq with the records; false when dnsmasq is missing or does not come up
    // (*why says which). Strings must not hold ',' (dnsmasq splits at it).
    bool Start(const std::vector<TxtRecord>& records, std::string* why);
    void Stop() { m_process.Stop(); }
    uint16_t Port() const { return m_port; }
    // The machine.ini line that points the emulated machine's resolver at this server.
    std::string MachineIniSection() const;

  private:
    ChildProcess m_process;
    uint16_t m_port = 0;
};

}  // namespace testsupport
