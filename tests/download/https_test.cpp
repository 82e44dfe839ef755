// Tests of the configuration download over HTTPS: certificates are verified as libcurl does by
// default, against the system's trust store, peer and host name alike.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "download/package_list.h"
#include "download/transfer.h"
#include "platform/fs.h"
#include "support/http_server.h"
#include "support/https_server.h"
#include "support/temp_prefix.h"
#include "ui/scripted_host.h"

namespace {

using Names = std::vector<std::string>;

constexpr int32_t kCzech = 0;
const std::string kDigest1 = "0123456789abcdef0123456789abcdef";
const std::string kDigest2 = "FEDCBA9876543210FEDCBA9876543210";
const std::string kDigest3 = "00112233445566778899aabbccddeeff";

// Each test gets a CA of its own that nobody trusts yet, and a TLS file server on 127.0.0.1
// whose certificate that CA signed.
class HttpsFetchTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        ASSERT_TRUE(m_certificates.Ok()) << m_certificates.Error();
        std::filesystem::create_directories(m_prefix->Host("www/pkg"));
        m_server =
            std::make_unique<testsupport::HttpsFileServer>(m_prefix->Host("www"), m_certificates);
        ASSERT_TRUE(m_server->Ok()) << m_server->Error();
        m_prefix->WriteHostFile("drive_c/dst/a.dat", "a");
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\"));
        ASSERT_TRUE(m_log.Open("inetzefi.log"));
        m_host = std::make_unique<ui::ScriptedHost>("", m_messages);
        m_scoped = std::make_unique<ui::ScopedHost>(*m_host);
        ASSERT_TRUE(m_session.Open("", "", "", m_log));
    }
    void TearDown() override {
        zefi::FreeImageList(m_list);
        m_session.Close();
        m_scoped.reset();
        m_log.Close();
        // The CA leaves the system's store even when an assertion ended the test early.
        m_trust.reset();
        m_server.reset();
        PrefixTest::TearDown();
    }

    // Puts the test's CA into the system's store until the test ends (the caller has checked
    // SystemTrustedCa::Possible).
    void TrustTheCa() {
        m_trust = std::make_unique<testsupport::SystemTrustedCa>(m_certificates.CaFile());
        ASSERT_TRUE(m_trust->Ok()) << m_trust->Error();
    }
    // The sites list, limitation file and package list the server offers.
    void Serve(const std::string& sites, const std::string& limitation,
               const std::string& packages) {
        m_prefix->WriteHostFile("www/sites.txt", sites);
        m_prefix->WriteHostFile("www/pkg/limit.txt", limitation);
        m_prefix->WriteHostFile("www/pkg/list.txt", packages);
    }
    void ServeThreeImages(const std::string& packageListUrl) {
        Serve("cz " + packageListUrl + " " + m_server->Url("/pkg/limit.txt") + "\n",
              "a.dat disk1.iso\nb.dat disk2.iso\n",
              kDigest1 + " disk1.iso\r\n" + kDigest2 + " disk2.iso\r\n" + kDigest3 +
                  " disk3.iso\r\n");
    }
    int32_t Fetch(const std::string& masterUrl) {
        zefi::PackageListRequest request;
        request.masterUrl = masterUrl;
        request.tempName = "page_tmp.txt";
        request.slovakEdition = kCzech;
        request.destinationDir = "C:\\dst";
        zefi::PackageListFetch fetch = zefi::FetchPackageList(m_session, request, m_log);
        zefi::FreeImageList(m_list);
        m_list = fetch.list.release();
        m_count = fetch.count;
        m_base = fetch.baseUrl;
        m_packageUrl = fetch.packageListUrl;
        m_lastCode = fetch.lastCode;
        return fetch.result;
    }
    std::string Log() {
        m_log.Close();
        return m_prefix->ReadHostFile("drive_c/inetzefi.log");
    }

    testsupport::TestCertificates m_certificates;
    std::unique_ptr<testsupport::HttpsFileServer> m_server;
    std::unique_ptr<testsupport::SystemTrustedCa> m_trust;
    zefi::TransferSession m_session;
    zefi::LogStream m_log;
    std::ostringstream m_messages;
    std::unique_ptr<ui::ScriptedHost> m_host;
    std::unique_ptr<ui::ScopedHost> m_scoped;
    zefi::ImageList m_list = nullptr;
    int32_t m_count = -1, m_lastCode = -1;
    std::string m_base, m_packageUrl;
};

TEST_F(HttpsFetchTest, ServerOfAnUntrustedCaIsRefused) {
    ServeThreeImages(m_server->Url("/pkg/list.txt"));
    ASSERT_EQ(Fetch(m_server->Url("/sites.txt")), zefi::kFetchSitesFailed);
    EXPECT_EQ(m_lastCode, CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_EQ(m_list, nullptr);
    EXPECT_EQ(m_server->ServedFiles(), Names{});
    EXPECT_EQ(m_messages.str().rfind("message 0: Donwloading cfg file error : 60 ", 0), 0u)
        << m_messages.str();
    EXPECT_NE(Log().find("Downloading cfg file error : 60 getlasterror : "), std::string::npos);
}

TEST_F(HttpsFetchTest, TrustedCaLetsEveryTransferOfTheFetchSucceed) {
    std::string why;
    if (!testsupport::SystemTrustedCa::Possible(&why)) GTEST_SKIP() << why;
    ASSERT_NO_FATAL_FAILURE(TrustTheCa());
    ServeThreeImages(m_server->Url("/pkg/list.txt"));
    ASSERT_EQ(Fetch(m_server->Url("/sites.txt")), zefi::kFetchOk) << m_messages.str();
    EXPECT_EQ(m_lastCode, 0);
    ASSERT_NE(m_list, nullptr);
    // disk2.iso needs b.dat, which the destination lacks: the limitation file came through.
    ASSERT_EQ(m_count, 2);
    EXPECT_EQ(zefi::CountImages(m_list), 2u);
    EXPECT_EQ(std::string(m_list[0].digest), kDigest1);
    EXPECT_EQ(std::string(m_list[0].name), "disk1.iso");
    EXPECT_EQ(std::string(m_list[1].digest), kDigest3);
    EXPECT_EQ(std::string(m_list[1].name), "disk3.iso");
    EXPECT_EQ(m_base, m_server->Url("/pkg/"));
    EXPECT_EQ(m_packageUrl, m_server->Url("/pkg/list.txt"));
    EXPECT_EQ(m_messages.str(), "");
    EXPECT_EQ(m_server->ServedFiles(), (Names{"sites.txt", "pkg/limit.txt", "pkg/list.txt"}));
    EXPECT_EQ(Log(),
              "Communication init session\r\n"
              "Downloading package files.\r\n"
              "Downloading image limitation file.\r\n"
              "Image limitation skip disk2.iso\r\n"
              "Downloading image limitation file done.\r\n"
              "Package list not signed\r\n"
              "Downloading package files done.\r\n");
}

TEST_F(HttpsFetchTest, CaRemovedFromTheStoreIsRefusedAgain) {
    std::string why;
    if (!testsupport::SystemTrustedCa::Possible(&why)) GTEST_SKIP() << why;
    ASSERT_NO_FATAL_FAILURE(TrustTheCa());
    ServeThreeImages(m_server->Url("/pkg/list.txt"));
    ASSERT_EQ(Fetch(m_server->Url("/sites.txt")), zefi::kFetchOk) << m_messages.str();
    zefi::FreeImageList(m_list);
    m_list = nullptr;
    m_trust.reset();
    // A new session, as the next run would have: libcurl may keep a loaded store per handle.
    m_session.Close();
    ASSERT_TRUE(m_session.Open("", "", "", m_log));
    ASSERT_EQ(Fetch(m_server->Url("/sites.txt")), zefi::kFetchSitesFailed);
    EXPECT_EQ(m_lastCode, CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_EQ(m_list, nullptr);
}

TEST_F(HttpsFetchTest, TrustedCaDoesNotCoverAnotherHostName) {
    std::string why;
    if (!testsupport::SystemTrustedCa::Possible(&why)) GTEST_SKIP() << why;
    ASSERT_NO_FATAL_FAILURE(TrustTheCa());
    // The certificate names 127.0.0.1 only; "localhost" reaches the same server.
    std::string packageListUrl =
        "https://localhost:" + std::to_string(m_server->Port()) + "/pkg/list.txt";
    ServeThreeImages(packageListUrl);
    ASSERT_EQ(Fetch(m_server->Url("/sites.txt")), zefi::kFetchPackageFailed);
    EXPECT_EQ(m_lastCode, CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_EQ(m_packageUrl, packageListUrl);
    EXPECT_EQ(m_list, nullptr);
    EXPECT_EQ(m_server->ServedFiles(), (Names{"sites.txt", "pkg/limit.txt"}));
    EXPECT_EQ(m_messages.str().rfind("message 0: Downloading package file error : 60 ", 0), 0u)
        << m_messages.str();
}

// In a run that started at an https address every later address stays https: a sites list
// that names an http package list, or that answers with a redirect to http, is refused, and
// nothing is asked over http.
TEST_F(HttpsFetchTest, HttpsRunNeverGoesOnOverHttp) {
    std::string why;
    if (!testsupport::SystemTrustedCa::Possible(&why)) GTEST_SKIP() << why;
    ASSERT_NO_FATAL_FAILURE(TrustTheCa());
    testsupport::HttpServer plain;
    ASSERT_TRUE(plain.Ok());
    plain.Set("/sites.txt", testsupport::HttpReply{200, "cz " + plain.Url("/list.txt") + "\n"});
    plain.Set("/list.txt", testsupport::HttpReply{200, kDigest1 + " disk1.iso\n"});
    std::filesystem::create_directories(m_prefix->Host("raw"));
    m_prefix->WriteHostFile(
        "raw/moved.txt", "HTTP/1.0 302 Found\r\nLocation: " + plain.Url("/sites.txt") + "\r\n\r\n");
    testsupport::HttpsFileServer redirecting(m_prefix->Host("raw"), m_certificates,
                                             testsupport::HttpsFileServer::Files::kWholeAnswers);
    ASSERT_TRUE(redirecting.Ok()) << redirecting.Error();

    // Without the rule the redirect is followed to http: what the rule has to stop.
    ASSERT_EQ(Fetch(redirecting.Url("/moved.txt")), zefi::kFetchOk) << m_messages.str();
    ASSERT_EQ(plain.Requests().size(), 2u);

    zefi::TransferRules rules;
    rules.httpsOnly = true;
    m_session.SetRules(rules);
    EXPECT_EQ(Fetch(redirecting.Url("/moved.txt")), zefi::kFetchSitesFailed);
    EXPECT_EQ(m_lastCode, CURLE_UNSUPPORTED_PROTOCOL);
    Serve("cz " + plain.Url("/list.txt") + "\n", "", "");
    EXPECT_EQ(Fetch(m_server->Url("/sites.txt")), zefi::kFetchPackageFailed);
    EXPECT_EQ(m_lastCode, CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_EQ(m_list, nullptr);
    EXPECT_EQ(plain.Requests().size(), 2u) << "nothing more was asked over http";
    const std::string log = Log();
    EXPECT_NE(log.find("Refused redirect from " + redirecting.Url("/moved.txt") + " to "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Refused address " + plain.Url("/list.txt") + ", only https is allowed"),
              std::string::npos)
        << log;
}

}  // namespace
