// Tests of the master URL discovery: the command line, the TXT record of a real DNS server
// (dnsmasq on 127.0.0.1 named by machine.ini) and the fallback.
#include "download/discovery.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "download/deployment.h"
#include "support/dns_server.h"
#include "support/temp_prefix.h"

namespace {

using testsupport::TxtRecord;

std::string Base64(const std::string& bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        uint32_t v =
            (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
        for (int s = 18; s >= 0; s -= 6) out += kAlphabet[(v >> s) & 63];
    }
    if (i + 1 == bytes.size()) {
        uint32_t v = uint8_t(bytes[i]) << 16;
        out += std::string{kAlphabet[(v >> 18) & 63], kAlphabet[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        uint32_t v = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8);
        out += std::string{kAlphabet[(v >> 18) & 63], kAlphabet[(v >> 12) & 63],
                           kAlphabet[(v >> 6) & 63], '='};
    }
    return out;
}

class DiscoveryTest : public ::testing::Test {
  protected:
    // Starts dnsmasq with records (none: a server that knows no name) and a prefix that uses
    // it; opens the log.
    void Serve(const std::vector<TxtRecord>& records) {
        std::string why;
        if (!m_server.Start(records, &why)) GTEST_SKIP() << why;
        m_prefix = std::make_unique<testsupport::TempPrefix>("[drives]\nC = drive_c, fixed\n" +
                                                             m_server.MachineIniSection());
        m_prefix->WriteHostFile("drive_c/readme.txt", "drive C:\n");
        ASSERT_TRUE(m_log.Open("C:\\inetzefi.log"));
    }
    std::string Find(int32_t slovak, const std::string& cmdLine = "") {
        return zefi::FindMasterUrl(cmdLine, slovak, m_log);
    }
    std::string Log() {
        m_log.Close();
        return m_prefix->ReadHostFile("drive_c/inetzefi.log");
    }

    testsupport::DnsServer m_server;
    std::unique_ptr<testsupport::TempPrefix> m_prefix;
    zefi::LogStream m_log;
};

TEST_F(DiscoveryTest, CommandLineAddressIsUsedAsGivenWithoutDns) {
    Serve({{"zefi.cz", {"zefisetup=" + Base64("https://dns.example/sites.txt")}}});
    if (IsSkipped()) return;
    // An administrator's own address is not held to the publisher's domains or to https.
    EXPECT_EQ(Find(0, "http://127.0.0.1:1/sites.txt"), "http://127.0.0.1:1/sites.txt");
    EXPECT_EQ(Log(), "Using cmdLine zefisetup masterUrl: http://127.0.0.1:1/sites.txt\r\n");
}

TEST_F(DiscoveryTest, TxtRecordAfterAnUnrelatedStringGivesTheUrl) {
    Serve({{"zefi.cz",
            {"v=spf1 -all", "zefisetup=" + Base64("https://media.zefi.cz/zefi/sites.txt")}},
           {"zefi.sk", {"zefisetup=" + Base64("https://zefi.sk/sites.txt")}}});
    if (IsSkipped()) return;
    EXPECT_EQ(Find(0), "https://media.zefi.cz/zefi/sites.txt");
    EXPECT_EQ(Find(1), "https://zefi.sk/sites.txt");
    EXPECT_EQ(Log(),
              "DNS lookup for zefisetup zefi.cz\r\n"
              "DNS found for zefisetup https://media.zefi.cz/zefi/sites.txt\r\n"
              "DNS lookup for zefisetup done.\r\n"
              "DNS lookup for zefisetup zefi.sk\r\n"
              "DNS found for zefisetup https://zefi.sk/sites.txt\r\n"
              "DNS lookup for zefisetup done.\r\n");
}

TEST_F(DiscoveryTest, PlainHttpUrlFromDnsIsRefused) {
    Serve({{"zefi.cz", {"zefisetup=" + Base64("http://cz.example/sites.txt")}}});
    if (IsSkipped()) return;
    EXPECT_EQ(Find(0), zefi::FallbackMasterUrl());
    std::string log = Log();
    EXPECT_NE(log.find("DNS zefisetup masterUrl refused, it is not an https address\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("DNS lookup for zefisetup done.\r\n"
                       "DNS lookup for zefisetup failed using fallback.\r\n"),
              std::string::npos);
}

// A DNS answer is not authenticated: it may only lead to the publisher's own hosts.
TEST_F(DiscoveryTest, AddressOutsideThePublishersDomainsIsRefused) {
    Serve({{"zefi.cz", {"zefisetup=" + Base64("https://updates.attacker.test/sites.txt")}}});
    if (IsSkipped()) return;
    EXPECT_EQ(Find(0), zefi::FallbackMasterUrl());
    std::string log = Log();
    EXPECT_NE(log.find("DNS zefisetup masterUrl refused, its host updates.attacker.test is not in "
                       "the publisher's domains\r\n"
                       "DNS lookup for zefisetup done.\r\n"
                       "DNS lookup for zefisetup failed using fallback.\r\n"),
              std::string::npos)
        << log;
}

TEST_F(DiscoveryTest, NoRecordFallsBackForBothEditions) {
    Serve({{"other.example", {"zefisetup=" + Base64("https://other.example/sites.txt")}}});
    if (IsSkipped()) return;
    EXPECT_EQ(Find(0), "https://media.zefi.cz/zefi/zefisetup/sites.txt");
    EXPECT_EQ(Find(1), "https://media.zefi.cz/zefi/zefisetup/sites.txt");
    EXPECT_EQ(Log(),
              "DNS lookup for zefisetup zefi.cz\r\n"
              "DNS lookup for zefisetup done.\r\n"
              "DNS lookup for zefisetup failed using fallback.\r\n"
              "DNS lookup for zefisetup zefi.sk\r\n"
              "DNS lookup for zefisetup done.\r\n"
              "DNS lookup for zefisetup failed using fallback.\r\n");
}

TEST_F(DiscoveryTest, InvalidBase64CountsAsNotFound) {
    Serve({{"zefi.cz", {"zefisetup=not*base64"}}});
    if (IsSkipped()) return;
    EXPECT_EQ(Find(0), zefi::FallbackMasterUrl());
    EXPECT_NE(Log().find("DNS lookup for zefisetup failed using fallback."), std::string::npos);
}

platform::DnsRecord Txt(std::vector<std::string> strings) {
    return platform::DnsRecord{platform::kDnsTypeText, "zefi.cz", std::move(strings)};
}

TEST(FindZefisetupRecord, PrefixIsCaseSensitiveAndOnlyTxtRecordsCount) {
    std::string good = "zefisetup=" + Base64("https://good.example/s.txt");
    std::vector<platform::DnsRecord> records = {
        platform::DnsRecord{platform::kDnsTypeCname, "zefi.cz", {good}},
        Txt({}),
        Txt({"Zefisetup=" + Base64("https://upper.example/s.txt"), "zefisetup"}),
        Txt({"x", good}),
        Txt({"zefisetup=" + Base64("https://later.example/s.txt")}),
    };
    zefi::TxtLookup found = zefi::FindZefisetupRecord(records, {"good.example"});
    EXPECT_EQ(found.outcome, zefi::TxtLookup::Outcome::kFound);
    EXPECT_EQ(found.url, "https://good.example/s.txt");
}

TEST(FindZefisetupRecord, FirstMatchingStringDecidesEvenWhenRefused) {
    std::vector<platform::DnsRecord> records = {
        Txt({"zefisetup=" + Base64("ftp://bad.example/s.txt")}),
        Txt({"zefisetup=" + Base64("https://good.example/s.txt")}),
    };
    zefi::TxtLookup found = zefi::FindZefisetupRecord(records, {"good.example"});
    EXPECT_EQ(found.outcome, zefi::TxtLookup::Outcome::kNotHttps);
    EXPECT_EQ(found.url, "ftp://bad.example/s.txt");

    found = zefi::FindZefisetupRecord(
        {Txt({"zefisetup=" + Base64(std::string("https://a\0b", 11))})}, {"a"});
    EXPECT_EQ(found.url, "https://a");
    EXPECT_EQ(zefi::FindZefisetupRecord({}, {"a"}).outcome, zefi::TxtLookup::Outcome::kNone);
}

TEST(FindZefisetupRecord, OnlyHostsInTheAllowedDomainsPass) {
    const std::vector<std::string> domains = {"zefi.cz", "Zefi.SK"};
    const std::pair<std::string, bool> cases[] = {
        {"https://zefi.cz/s.txt", true},
        {"https://MEDIA.zefi.cz:8443/s.txt", true},
        {"https://a.b.zefi.sk./s.txt", true},
        {"https://evilzefi.cz/s.txt", false},
        {"https://zefi.cz.example.net/s.txt", false},
        {"https://zefi.cz@evil.example/s.txt", false},
        {"https://zefi.cz:pw@evil.example/zefi.cz/s.txt", false},
        {"https://evil.example#@zefi.cz/s.txt", false},
        // libcurl reads a backslash before "@" as part of the user name: the transfer would
        // reach zefi.cz, the host checked.
        {"https://evil.example\\@zefi.cz/s.txt", true},
        {"https:zefi.cz/s.txt", false},
        {"https://127.0.0.1/zefi.cz", false},
        {"http://zefi.cz/s.txt", false},
    };
    for (const auto& [url, allowed] : cases) {
        zefi::TxtLookup found =
            zefi::FindZefisetupRecord({Txt({"zefisetup=" + Base64(url)})}, domains);
        EXPECT_EQ(found.outcome == zefi::TxtLookup::Outcome::kFound, allowed) << url;
    }
}

}  // namespace
