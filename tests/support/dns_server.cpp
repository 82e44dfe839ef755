// dnsmasq on 127.0.0.1 serving the TXT records of a test.
#include "support/dns_server.h"

namespace testsupport {

namespace {
constexpr int kLimitSeconds = 300;
}

bool DnsServer::Start(const std::vector<TxtRecord>& records, std::string* why) {
    std::string dnsmasq = FindProgram("dnsmasq");
    if (dnsmasq.empty()) {
        *why = "dnsmasq is not installed";
        return false;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = FreeLoopbackPort();
        if (m_port == 0) continue;
        std::vector<std::string> argv = {dnsmasq,
                                         "--no-resolv",
                                         "--no-hosts",
                                         "--port=" + std::to_string(m_port),
                                         "--listen-address=127.0.0.1",
                                         "--bind-interfaces",
                                         "--conf-file=/dev/null",
                                         "--keep-in-foreground",
                                         "--pid-file="};
        for (const TxtRecord& record : records) {
            std::string option = "--txt-record=" + record.name;
            for (const std::string& text : record.strings) option += "," + text;
            argv.push_back(option);
        }
        if (!m_process.Start(argv, kLimitSeconds)) continue;
        // dnsmasq answers over TCP as well once it is up.
        if (WaitForTcpPort(m_port, 5000)) return true;
        m_process.Stop();
    }
    *why = "dnsmasq did not start on 127.0.0.1";
    return false;
}

std::string DnsServer::MachineIniSection() const {
    return "[dns]\nserver = 127.0.0.1:" + std::to_string(m_port) + "\n";
}

}  // namespace testsupport
