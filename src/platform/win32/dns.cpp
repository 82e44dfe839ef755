// TXT queries through the system's DNS client (DnsQuery_A with DNS_QUERY_BYPASS_CACHE), sent
// to the DNS servers the machine is configured with.
#include "platform/dns.h"

#include "platform/win32/win_util.h"
// After <windows.h>, which it needs.
#include <windns.h>

namespace platform {

namespace {

// Frees the answer's record list however the query ends.
class RecordList {
  public:
    RecordList() = default;
    ~RecordList() {
        if (m_first != nullptr) ::DnsRecordListFree(m_first, DnsFreeRecordList);
    }
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    PDNS_RECORDA* Out() { return &m_first; }
    const DNS_RECORDA* First() const { return m_first; }

  private:
    PDNS_RECORDA m_first = nullptr;
};

int32_t Report(int32_t code) {
    SetLastError(static_cast<uint32_t>(code));
    return code;
}

}  // namespace

int32_t DnsQueryText(const std::string& name, std::vector<DnsRecord>* records) {
    records->clear();
    RecordList list;
    const DNS_STATUS status =
        ::DnsQuery_A(name.c_str(), DNS_TYPE_TEXT, DNS_QUERY_BYPASS_CACHE, nullptr,
                     reinterpret_cast<PDNS_RECORD*>(list.Out()), nullptr);
    if (status != ERROR_SUCCESS) return Report(static_cast<int32_t>(status));
    for (const DNS_RECORDA* r = list.First(); r != nullptr; r = r->pNext) {
        // The list may carry the authority and additional sections as well; the program asks
        // for the answer.
        if (r->Flags.S.Section != DnsSectionAnswer) continue;
        DnsRecord record;
        record.type = r->wType;
        record.name = r->pName != nullptr ? r->pName : "";
        if (r->wType == DNS_TYPE_TEXT) {
            for (DWORD i = 0; i < r->Data.TXT.dwStringCount; ++i) {
                const char* text = r->Data.TXT.pStringArray[i];
                record.strings.emplace_back(text != nullptr ? text : "");
            }
        }
        records->push_back(std::move(record));
    }
    if (records->empty()) return Report(kDnsInfoNoRecords);
    return Report(0);
}

}  // namespace platform
