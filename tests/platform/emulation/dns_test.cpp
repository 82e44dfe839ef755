// Tests of the DNS TXT query against a real DNS server (dnsmasq on 127.0.0.1) named by the
// machine's "[dns] server" setting.
#include "platform/dns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/dns_server.h"
#include "support/temp_prefix.h"

namespace {

using testsupport::TxtRecord;

class DnsQueryTextTest : public ::testing::Test {
  protected:
    // Starts the server with records and a prefix whose machine.ini points at it.
    void Serve(const std::vector<TxtRecord>& records) {
        std::string why;
        if (!m_server.Start(records, &why)) GTEST_SKIP() << why;
        m_prefix = std::make_unique<testsupport::TempPrefix>(m_server.MachineIniSection());
    }

    testsupport::DnsServer m_server;
    std::unique_ptr<testsupport::TempPrefix> m_prefix;
};

TEST_F(DnsQueryTextTest, ReturnsEveryStringOfARecordInOrder) {
    Serve({{"zefi.test", {"first", "zefisetup=aGk=", "last"}}});
    if (IsSkipped()) return;
    std::vector<platform::DnsRecord> records;
    ASSERT_EQ(platform::DnsQueryText("zefi.test", &records), 0);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, platform::kDnsTypeText);
    EXPECT_EQ(records[0].name, "zefi.test");
    EXPECT_EQ(records[0].strings, (std::vector<std::string>{"first", "zefisetup=aGk=", "last"}));
}

TEST_F(DnsQueryTextTest, ReturnsEveryRecordOfTheName) {
    Serve({{"zefi.test", {"one"}}, {"zefi.test", {"two", "three"}}, {"other.test", {"x"}}});
    if (IsSkipped()) return;
    std::vector<platform::DnsRecord> records;
    ASSERT_EQ(platform::DnsQueryText("zefi.test", &records), 0);
    ASSERT_EQ(records.size(), 2u);
    std::vector<std::vector<std::string>> texts = {records[0].strings, records[1].strings};
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::vector<std::string>>{{"one"}, {"two", "three"}}));
}

TEST_F(DnsQueryTextTest, NameWithoutRecordsFailsWithoutRecords) {
    Serve({{"zefi.test", {"one"}}});
    if (IsSkipped()) return;
    std::vector<platform::DnsRecord> records = {platform::DnsRecord{}};
    EXPECT_NE(platform::DnsQueryText("missing.test", &records), 0);
    EXPECT_TRUE(records.empty());
}

TEST(DnsQueryText, ServerThatDoesNotAnswerTimesOut) {
    // A UDP port nobody listens on: the query must end with a failure, not hang.
    uint16_t port = testsupport::FreeLoopbackPort();
    ASSERT_NE(port, 0);
    testsupport::TempPrefix prefix("[dns]\nserver = 127.0.0.1:" + std::to_string(port) + "\n");
    std::vector<platform::DnsRecord> records;
    EXPECT_NE(platform::DnsQueryText("zefi.test", &records), 0);
    EXPECT_TRUE(records.empty());
}

TEST(DnsQueryText, UnreadableServerSettingFailsWithInvalidParameter) {
    testsupport::TempPrefix prefix("[dns]\nserver = localhost:abc\n");
    std::vector<platform::DnsRecord> records;
    EXPECT_EQ(platform::DnsQueryText("zefi.test", &records),
              static_cast<int32_t>(platform::kErrorInvalidParameter));
    EXPECT_TRUE(records.empty());
}

}  // namespace
