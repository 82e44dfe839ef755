// Tests of the sites list, limitation file and package list formats, and of FetchPackageList
// end to end against an HTTP server on 127.0.0.1.
#include "download/package_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/fs.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/temp_prefix.h"
#include "ui/scripted_host.h"

namespace {

using testsupport::HttpReply;
using Names = std::vector<std::string>;

constexpr int32_t kCzech = 0;
constexpr int32_t kSlovak = 1;
const std::string kDigest1 = "0123456789abcdef0123456789abcdef";
const std::string kDigest2 = "FEDCBA9876543210FEDCBA9876543210";
const std::string kDigest3 = "00112233445566778899aabbccddeeff";

TEST(SitesList, FirstAcceptedLineIsUsedSkAlsoForCzech) {
    std::string text = "\r\n# comment\nsk http://sk/list.txt\ncz http://cz/list.txt\n";
    EXPECT_EQ(zefi::ParseSitesList(text, kCzech).packageListUrl, "http://sk/list.txt");
    EXPECT_EQ(zefi::ParseSitesList(text, kSlovak).packageListUrl, "http://sk/list.txt");
    std::string czechOnly = "cz http://cz/list.txt\r\n";
    EXPECT_TRUE(zefi::ParseSitesList(czechOnly, kCzech).found);
    EXPECT_FALSE(zefi::ParseSitesList(czechOnly, kSlovak).found);
    EXPECT_EQ(zefi::ParseSitesList("cz http://cz/a\rsk http://sk/b", kSlovak).packageListUrl,
              "http://sk/b");
}

TEST(SitesList, TagsIgnoreCaseAndBlanks) {
    EXPECT_EQ(zefi::ParseSitesList("CZ http://cz/list.txt\n", kCzech).packageListUrl,
              "http://cz/list.txt");
    EXPECT_EQ(zefi::ParseSitesList(" \tc z\thttp://cz/list.txt", kCzech).packageListUrl,
              "http://cz/list.txt");
    EXPECT_EQ(zefi::ParseSitesList("SKhttp://sk/list.txt\n", kSlovak).packageListUrl,
              "http://sk/list.txt");
    EXPECT_FALSE(zefi::ParseSitesList("c\nz http://x\n", kCzech).found);
    EXPECT_FALSE(zefi::ParseSitesList("", kCzech).found);
}

TEST(SitesList, OneUrlHasNoLimitationTwoUrlsHaveOne) {
    zefi::SitesLine one = zefi::ParseSitesList("cz https://h/p/list.txt\n", kCzech);
    EXPECT_EQ(one.packageListUrl, "https://h/p/list.txt");
    EXPECT_EQ(one.limitationUrl, "");
    zefi::SitesLine two = zefi::ParseSitesList("cz https://h/list.txt https://h/lim.txt", kCzech);
    EXPECT_EQ(two.packageListUrl, "https://h/list.txt");
    EXPECT_EQ(two.limitationUrl, "https://h/lim.txt");
    zefi::SitesLine three = zefi::ParseSitesList("cz https://a https://b https://c\n", kCzech);
    EXPECT_EQ(three.packageListUrl, "https://b");
    EXPECT_EQ(three.limitationUrl, "https://c");
}

TEST(SitesList, BlanksAtTheEndOrInRunsSeparateNothing) {
    zefi::SitesLine trailing =
        zefi::ParseSitesList("cz https://h/list.txt https://h/lim.txt \t\r\n", kCzech);
    EXPECT_EQ(trailing.packageListUrl, "https://h/list.txt");
    EXPECT_EQ(trailing.limitationUrl, "https://h/lim.txt");
    zefi::SitesLine single = zefi::ParseSitesList("cz https://h/list.txt \n", kCzech);
    EXPECT_EQ(single.packageListUrl, "https://h/list.txt");
    EXPECT_EQ(single.limitationUrl, "");
    zefi::SitesLine runs =
        zefi::ParseSitesList("cz   https://h/list.txt \t https://h/lim.txt", kCzech);
    EXPECT_EQ(runs.packageListUrl, "https://h/list.txt");
    EXPECT_EQ(runs.limitationUrl, "https://h/lim.txt");
}

TEST(SitesList, LongTokensAreCut) {
    std::string url = "https://h/" + std::string(400, 'x');
    zefi::SitesLine line = zefi::ParseSitesList("cz " + url + "\n", kCzech);
    EXPECT_EQ(line.packageListUrl, url.substr(0, zefi::kMaxConfigText));
}

class LimitationTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_prefix->WriteHostFile("drive_c/dst/a.dat", "a");
        m_prefix->WriteHostFile("drive_c/dst/sub/c.dat", "c");
        ASSERT_TRUE(m_log.Open("C:\\inetzefi.log"));
    }
    Names Skipped(const std::string& text) {
        Names skip;
        zefi::ParseLimitationFile(text, "C:\\dst", &skip, m_log);
        return skip;
    }
    std::string Log() {
        m_log.Close();
        return m_prefix->ReadHostFile("drive_c/inetzefi.log");
    }
    zefi::LogStream m_log;
};

TEST_F(LimitationTest, ImageNeedingAMissingFileIsExcludedByItsName) {
    EXPECT_EQ(Skipped("a.dat b.dat disk2.iso\n"), Names{"disk2.iso"});
    EXPECT_EQ(Skipped("b.dat a.dat disk2.iso\r\n"), Names{"disk2.iso"});
    EXPECT_EQ(Skipped("a.dat sub\\c.dat disk3.iso\nA.DAT disk4.iso\n"), Names{});
    EXPECT_EQ(Log(),
              "Image limitation skip disk2.iso\r\n"
              "Image limitation skip disk2.iso\r\n");
}

TEST_F(LimitationTest, LineRulesBlanksAndUnendedLastLine) {
    EXPECT_EQ(Skipped("x.dat disk2.iso\r\ny.dat disk3.iso"), Names{"disk2.iso"});
    EXPECT_EQ(Skipped("x.dat disk2.iso \t\n"), Names{"disk2.iso"});
    EXPECT_EQ(Skipped("a.dat  \tdisk2.iso\ndisk5.iso\n\n"), Names{});
    EXPECT_EQ(Skipped("x.dat disk2.iso\nz.dat disk3.iso\n"), (Names{"disk2.iso", "disk3.iso"}));
    EXPECT_EQ(Skipped(std::string(300, 'f') + " disk6.iso\n"), Names{"disk6.iso"});
}

TEST(PackageList, LfAndCrLfGiveTheSameEntries) {
    std::string lf = kDigest1 + " disk1.iso\n" + kDigest2 + " disk2.iso\n";
    std::string crlf = kDigest1 + " disk1.iso\r\n" + kDigest2 + " disk2.iso\r\n";
    std::vector<zefi::PackageEntry> a, b;
    ASSERT_TRUE(zefi::ParsePackageList(lf, {}, &a));
    ASSERT_TRUE(zefi::ParsePackageList(crlf, {}, &b));
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(a[i].digest, b[i].digest);
        EXPECT_EQ(a[i].name, b[i].name);
    }
    EXPECT_EQ(a[1].digest, kDigest2);
    EXPECT_EQ(a[1].name, "disk2.iso");
}

TEST(PackageList, NameFollowsTheRunOfSpacesAndKeepsItsOwn) {
    std::vector<zefi::PackageEntry> entries;
    ASSERT_TRUE(zefi::ParsePackageList(kDigest1 + "  image.iso\n" + kDigest2 + " my disk.iso \n",
                                       {}, &entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "image.iso");
    EXPECT_EQ(entries[1].name, "my disk.iso ");
}

TEST(PackageList, OnlyKeptEntriesAreHandedOn) {
    std::string text = "# list\n" + kDigest1 + " disk1.iso\n" +  // kept
                       kDigest2 + "_disk2.iso\n" +               // no space at position 32
                       kDigest3 + "    \n" +                     // no name
                       "0123456789012345678901234567890123456789\n" + kDigest3 +
                       " k2.iso\n" +                                    // kept: names match exactly
                       kDigest2 + " disk2.iso\n" +                      // excluded
                       kDigest1 + " " + std::string(300, 'n') + "\n" +  // too long
                       kDigest3 + " last.iso";                          // no line end
    std::vector<zefi::PackageEntry> entries;
    ASSERT_TRUE(zefi::ParsePackageList(text, {"disk2.iso", "disk3.iso"}, &entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "disk1.iso");
    EXPECT_EQ(entries[1].name, "k2.iso");
}

TEST(PackageList, Sha256LinesGiveTheirImageASizeAndDigest) {
    const std::string hex(64, 'A');
    const std::string text = "sha256 " + hex + " 4096 disk1.iso\r\n" +  // before its entry
                             kDigest1 + " disk1.iso\r\n" + kDigest2 + " disk 2.iso\r\n" +
                             "sha256 " + std::string(64, 'b') + " 1 disk1.iso\r\n" +  // second
                             "sha256 " + std::string(64, 'c') + " 7 disk 2.iso\r\n" + "sha256 " +
                             std::string(63, 'd') + " 7 disk3.iso\r\n" + kDigest3 +
                             " disk3.iso\r\n" + "sha256 " + std::string(64, 'e') +
                             " -7 disk3.iso\r\n" + "sha256 " + std::string(64, 'f') +
                             " 99999999999999999999 disk3.iso\r\n";
    std::vector<zefi::PackageEntry> entries;
    ASSERT_TRUE(zefi::ParsePackageList(text, {}, &entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].sha256, std::string(64, 'a'));
    EXPECT_EQ(entries[0].size, 4096);
    EXPECT_EQ(entries[1].name, "disk 2.iso");
    EXPECT_EQ(entries[1].sha256, std::string(64, 'c'));
    EXPECT_EQ(entries[1].size, 7);
    // Lines that are not well-formed give nothing.
    EXPECT_EQ(entries[2].sha256, "");
    EXPECT_EQ(entries[2].size, -1);
}

TEST(PackageList, TextWithoutEntryLinesIsAFormatError) {
    std::vector<zefi::PackageEntry> entries;
    EXPECT_FALSE(zefi::ParsePackageList("", {}, &entries));
    EXPECT_FALSE(zefi::ParsePackageList("<html>404 not found</html>\n", {}, &entries));
    EXPECT_FALSE(zefi::ParsePackageList(kDigest1 + " disk1.iso", {}, &entries));
    EXPECT_TRUE(zefi::ParsePackageList(kDigest1 + " disk1.iso\n", {"disk1.iso"}, &entries));
    EXPECT_TRUE(entries.empty());
}

class FetchPackageListTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        ASSERT_TRUE(m_server.Ok());
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\"));
        m_prefix->WriteHostFile("drive_c/dst/a.dat", "a");
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
        PrefixTest::TearDown();
    }
    void Serve(const std::string& sites, const std::string& limitation,
               const std::string& packages) {
        m_server.Set("/sites.txt", HttpReply{200, sites});
        m_server.Set("/pkg/limit.txt", HttpReply{200, limitation});
        m_server.Set("/pkg/list.txt", HttpReply{200, packages});
    }
    int32_t Fetch(const std::string& masterUrl, int32_t edition = kCzech,
                  const std::string& tempName = "page_tmp.txt") {
        zefi::PackageListRequest request;
        request.masterUrl = masterUrl;
        request.tempName = tempName;
        request.slovakEdition = edition;
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
    bool TempFileExists() {
        return platform::GetFileAttributes("C:\\page_tmp.txt") != platform::kInvalidFileAttributes;
    }
    std::string DeadUrl(const std::string& path) {
        return "http://127.0.0.1:" + std::to_string(testsupport::FreeLoopbackPort()) + path;
    }

    testsupport::HttpServer m_server;
    zefi::TransferSession m_session;
    zefi::LogStream m_log;
    std::ostringstream m_messages;
    std::unique_ptr<ui::ScriptedHost> m_host;
    std::unique_ptr<ui::ScopedHost> m_scoped;
    zefi::ImageList m_list = nullptr;
    int32_t m_count = -1, m_lastCode = -1;
    std::string m_base, m_packageUrl;
};

TEST_F(FetchPackageListTest, BuildsTheListWithoutExcludedImagesAndDeletesTheTempFile) {
    Serve("sk " + m_server.Url("/pkg/list.txt") + " " + m_server.Url("/pkg/limit.txt") + " \n",
          "a.dat disk1.iso\nb.dat disk2.iso\n",
          kDigest1 + " disk1.iso\r\n" + kDigest2 + " disk2.iso\r\n" + kDigest3 + " k2.iso\r\n");
    ASSERT_EQ(Fetch(m_server.Url("/sites.txt")), zefi::kFetchOk);
    ASSERT_NE(m_list, nullptr);
    EXPECT_EQ(m_count, 2);
    EXPECT_EQ(zefi::CountImages(m_list), 2u);
    EXPECT_EQ(std::string(m_list[0].digest), kDigest1);
    EXPECT_EQ(std::string(m_list[0].name), "disk1.iso");
    EXPECT_EQ(std::string(m_list[1].name), "k2.iso");
    EXPECT_EQ(m_list[1].verified, 0);
    EXPECT_EQ(m_base, m_server.Url("/pkg/"));
    EXPECT_EQ(m_packageUrl, m_server.Url("/pkg/list.txt"));
    EXPECT_EQ(m_lastCode, 0);
    EXPECT_FALSE(TempFileExists());
    EXPECT_EQ(m_messages.str(), "");
    EXPECT_EQ(Log(),
              "Communication init session\r\n"
              "Downloading package files.\r\n"
              "Downloading image limitation file.\r\n"
              "Image limitation skip disk2.iso\r\n"
              "Downloading image limitation file done.\r\n"
              "Package list not signed\r\n"
              "Downloading package files done.\r\n");
}

TEST_F(FetchPackageListTest, SingleUrlFetchesNoLimitationFile) {
    Serve("cz " + m_server.Url("/pkg/list.txt") + "\n", "a.dat disk1.iso\n",
          kDigest1 + " disk1.iso\n" + kDigest2 + " disk2.iso\n");
    ASSERT_EQ(Fetch(m_server.Url("/sites.txt")), zefi::kFetchOk);
    EXPECT_EQ(m_count, 2);
    EXPECT_TRUE(m_server.RequestsFor("/pkg/limit.txt").empty());
    EXPECT_EQ(m_base, m_server.Url("/pkg/"));
}

TEST_F(FetchPackageListTest, FailedLimitationTransferExcludesNothing) {
    Serve("cz " + m_server.Url("/pkg/list.txt") + " " + DeadUrl("/limit.txt") + "\n", "",
          kDigest1 + " disk1.iso\n" + kDigest2 + " disk2.iso\n");
    ASSERT_EQ(Fetch(m_server.Url("/sites.txt")), zefi::kFetchOk);
    EXPECT_EQ(m_count, 2);
    EXPECT_EQ(m_lastCode, 0);
}

TEST_F(FetchPackageListTest, SitesTransferFailureKeepsTheTempFile) {
    ASSERT_EQ(Fetch(DeadUrl("/sites.txt")), zefi::kFetchSitesFailed);
    EXPECT_EQ(m_lastCode, CURLE_COULDNT_CONNECT);
    EXPECT_EQ(m_list, nullptr);
    EXPECT_TRUE(TempFileExists());
    EXPECT_EQ(m_messages.str().rfind("message 0: Donwloading cfg file error : 7 ", 0), 0u)
        << m_messages.str();
    EXPECT_NE(Log().find("Downloading cfg file error : 7 getlasterror : "), std::string::npos);
}

TEST_F(FetchPackageListTest, NoLineForTheEditionKeepsWhatWasDownloaded) {
    Serve("cz " + m_server.Url("/pkg/list.txt") + "\n", "", kDigest1 + " disk1.iso\n");
    ASSERT_EQ(Fetch(m_server.Url("/sites.txt"), kSlovak), zefi::kFetchNoSitesLine);
    EXPECT_EQ(m_messages.str(), "message 0: Inet cfg file error. -> ok\n");
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/page_tmp.txt"),
              "cz " + m_server.Url("/pkg/list.txt") + "\n");
    std::string log = Log();
    EXPECT_NE(log.find("Cfg file format error.\r\nDownloading package files done.\r\n"),
              std::string::npos);
}

TEST_F(FetchPackageListTest, PackageTransferFailure) {
    std::string dead = DeadUrl("/pkg/list.txt");
    m_server.Set("/sites.txt", HttpReply{200, "cz " + dead + "\n"});
    ASSERT_EQ(Fetch(m_server.Url("/sites.txt")), zefi::kFetchPackageFailed);
    EXPECT_EQ(m_lastCode, CURLE_COULDNT_CONNECT);
    EXPECT_EQ(m_packageUrl, dead);
    EXPECT_EQ(m_messages.str().rfind("message 0: Downloading package file error : 7 ", 0), 0u);
    EXPECT_TRUE(TempFileExists());
    EXPECT_NE(Log().find("Downloading package file error : 7 getlasterror : "), std::string::npos);
}

TEST_F(FetchPackageListTest, PackageListWithoutEntriesGivesNoList) {
    Serve("cz " + m_server.Url("/pkg/list.txt") + "\n", "", "nothing here\n");
    ASSERT_EQ(Fetch(m_server.Url("/sites.txt")), zefi::kFetchOk);
    EXPECT_EQ(m_list, nullptr);
    EXPECT_EQ(m_count, 0);
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/page_tmp.txt"), "nothing here\n");
    EXPECT_NE(Log().find("Downloading package file format error.\r\n"
                         "Downloading package files done.\r\n"),
              std::string::npos);
}

TEST_F(FetchPackageListTest, TempFileThatCannotBeOpened) {
    ASSERT_EQ(Fetch(m_server.Url("/sites.txt"), kCzech, "C:\\missing\\page_tmp.txt"),
              zefi::kFetchTempFileFailed);
    EXPECT_TRUE(m_server.Requests().empty());
    EXPECT_EQ(
        m_messages.str(),
        "message 0: " + platform::FormatErrorMessage(platform::kErrorPathNotFound) + " -> ok\n");
    EXPECT_NE(Log().find("Unable to open cfg file error : 2 getlasterror : 3\r\n"
                         "Downloading package files done.\r\n"),
              std::string::npos);
}

TEST_F(FetchPackageListTest, RedirectsAreFollowed) {
    m_server.Set("/old/sites.txt",
                 HttpReply{302, "", true, -1, false, {{"Location", "/sites.txt"}}});
    Serve("cz " + m_server.Url("/pkg/list.txt") + "\n", "", kDigest1 + " disk1.iso\n");
    ASSERT_EQ(Fetch(m_server.Url("/old/sites.txt")), zefi::kFetchOk);
    EXPECT_EQ(m_count, 1);
}

}  // namespace
