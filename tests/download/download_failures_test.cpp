// Tests of how the download run meets servers that answer with something other than the data:
// error statuses for each list and for an image, resumed transfers answered without a matching
// range, image names that are not plain file names, images that cannot be written, and the
// message that ends a failed run.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "download/download_outcome.h"
#include "download/package_list.h"
#include "download_worker_fixture.h"
#include "platform/errors.h"
#include "platform/machine.h"
#include "platform/os_error.h"
#include "support/child_process.h"

namespace {

using downloadtest::DownloadWorkerTest;
using testsupport::HttpReply;
using zefi::DownloadEnd;
using zefi::DownloadStep;

HttpReply Status(int status, const std::string& body) {
    HttpReply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

// One image, disk1.iso, on the server; the digest and bytes of the served image.
class ImageServed : public DownloadWorkerTest {
  protected:
    void SetUp() override {
        DownloadWorkerTest::SetUp();
        m_disk = MakeDisk(1, &m_digest);
        SetPackages({{m_digest, "disk1.iso"}});
    }
    std::string Image() { return m_prefix->ReadHostFile("drive_c/ZEFI/disk1.iso"); }
    std::string TempFile() { return m_prefix->ReadHostFile("drive_c/WORK/page_tmp.txt"); }

    std::string m_disk;
    std::string m_digest;
};

// ---- The three lists answered with an error status ----

class ListStatus : public ImageServed,
                   public ::testing::WithParamInterface<std::tuple<std::string, int>> {};

TEST_P(ListStatus, IsAFailedTransferOfThatListAndIsNeverParsed) {
    const auto& [list, status] = GetParam();
    PlaceImage("disk1.iso", m_disk);
    const std::string sitesUrl = m_server.Url("/sites.txt");
    const std::string packagesUrl = m_server.Url("/pkg/packages.txt");
    // Each error page looks like the list it stands for, so that parsing it would show.
    m_server.Set("/sites.txt",
                 Reply("cz " + packagesUrl + " " + m_server.Url("/limit.txt") + "\r\n"));
    m_server.Set("/limit.txt", Reply(""));
    if (list == "sites") {
        m_server.Set("/sites.txt", Status(status, "cz " + m_server.Url("/evil.txt") + "\r\n"));
    } else if (list == "limitation") {
        m_server.Set("/limit.txt", Status(status, "missing.dat disk1.iso\r\n"));
    } else {
        m_server.Set("/pkg/packages.txt",
                     Status(status, PackageList({{std::string(32, 'e'), "evil.iso"}})));
    }

    const int32_t result = RunWorker();

    const std::string code = std::to_string(CURLE_HTTP_RETURNED_ERROR);
    if (list == "limitation") {
        // A limitation file that did not come excludes nothing; the run goes on.
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(LogHas("Http status " + std::to_string(status) + " from " +
                           m_server.Url("/limit.txt")));
        EXPECT_FALSE(LogHas("Image limitation skip disk1.iso"));
        ASSERT_EQ(zefi::CountImages(m_view.result.get()), 1u);
        EXPECT_EQ(m_out.str(), "");
        return;
    }
    const bool sites = list == "sites";
    EXPECT_EQ(result, sites ? zefi::kFetchSitesFailed : zefi::kFetchPackageFailed);
    EXPECT_EQ(Messages(sites ? "message 0: Donwloading cfg file error : " + code + " 0 -> ok"
                             : "message 0: Downloading package file error : " + code + " 0 -> ok"),
              1u)
        << m_out.str();
    EXPECT_EQ(Messages("message "), 1u) << m_out.str();
    EXPECT_TRUE(LogHas("Http status " + std::to_string(status) + " from " +
                       (sites ? sitesUrl : packagesUrl)));
    EXPECT_FALSE(LogHas("Cfg file format error."));
    EXPECT_FALSE(LogHas("Downloading package file format error."));
    EXPECT_TRUE(m_server.RequestsFor("/evil.txt").empty());
    // The temporary file stays, but never holds the error page as if it were the list.
    EXPECT_EQ(TempFile(), "");
    EXPECT_EQ(m_view.result, nullptr);
    EXPECT_EQ(m_view.outcome.end, DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.step, DownloadStep::kConfiguration);
    EXPECT_EQ(m_view.outcome.file, sites ? sitesUrl : packagesUrl);
    EXPECT_EQ(m_view.outcome.httpStatus, status);
    EXPECT_EQ(m_view.outcome.curlCode, CURLE_HTTP_RETURNED_ERROR);
    EXPECT_EQ(Image(), m_disk);
}

INSTANTIATE_TEST_SUITE_P(DownloadFailures, ListStatus,
                         ::testing::Combine(::testing::Values("sites", "limitation", "package"),
                                            ::testing::Values(404, 500)));

// ---- An image answered with an error status ----

class ImageStatus : public ImageServed, public ::testing::WithParamInterface<int> {};

TEST_P(ImageStatus, IsABrokenTransferThatWritesNothing) {
    const int status = GetParam();
    m_server.Set("/pkg/disk1.iso", Status(status, "<html>" + std::to_string(status) + "</html>"));

    EXPECT_EQ(RunWorker("message 160 cancel\n"), CURLE_HTTP_RETURNED_ERROR);

    // The first transfer and three attempts of the retry series, then the question.
    EXPECT_EQ(m_server.RequestsFor("/pkg/disk1.iso").size(), 4u);
    EXPECT_EQ(Messages("message 160: Komunikace byla p\u0159e\u0161ena 22 -> cancel"), 1u)
        << m_out.str();
    EXPECT_EQ(Messages("message "), 1u) << m_out.str();
    const std::string url = m_server.Url("/pkg/disk1.iso");
    EXPECT_TRUE(LogHas("Http status " + std::to_string(status) + " from " + url));
    EXPECT_TRUE(LogHas("Download image interuptedC:\\ZEFI\\disk1.iso status 22"));
    EXPECT_TRUE(LogHas("Download image after interuption C:\\ZEFI\\disk1.iso status 223"));
    EXPECT_FALSE(ExistsC("ZEFI\\disk1.iso"));
    EXPECT_EQ(m_view.result, nullptr);
    EXPECT_EQ(m_view.outcome.end, DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.step, DownloadStep::kTransfer);
    EXPECT_EQ(m_view.outcome.file, "disk1.iso");
    EXPECT_EQ(m_view.outcome.httpStatus, status);
}

TEST_P(ImageStatus, FollowedByTheImageGivesTheServedBytes) {
    m_server.Script("/pkg/disk1.iso", {Status(GetParam(), "<html>error</html>"), Reply(m_disk)});

    EXPECT_EQ(RunWorker(), 0);

    EXPECT_EQ(Image(), m_disk);
    ASSERT_EQ(zefi::CountImages(m_view.result.get()), 1u);
    EXPECT_EQ(m_view.outcome.end, DownloadEnd::kVerified);
}

INSTANTIATE_TEST_SUITE_P(DownloadFailures, ImageStatus, ::testing::Values(404, 500));

// ---- Resumed transfers ----

using DownloadResume = ImageServed;

TEST_F(DownloadResume, RangeAnsweredWithTheWholeFileRewritesItFromByteZero) {
    m_server.Script("/pkg/disk1.iso", {Cut(m_disk, 70000), Reply(m_disk, false)});

    EXPECT_EQ(RunWorker(), 0);

    const auto requests = m_server.RequestsFor("/pkg/disk1.iso");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Header("Range"), "bytes=70000-");
    EXPECT_EQ(Image(), m_disk);
    EXPECT_NE(m_view.result, nullptr);
}

TEST_F(DownloadResume, RangeNotSatisfiableStartsAgainFromByteZeroOnce) {
    m_server.Script("/pkg/disk1.iso",
                    {Cut(m_disk, 70000), Status(416, ""), Cut(m_disk, 80000), Reply(m_disk)});

    EXPECT_EQ(RunWorker(), 0);

    const auto requests = m_server.RequestsFor("/pkg/disk1.iso");
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1].Header("Range"), "bytes=70000-");
    EXPECT_FALSE(requests[2].HasHeader("Range"));
    // Once the file starts again, a later break resumes as before.
    EXPECT_EQ(requests[3].Header("Range"), "bytes=80000-");
    EXPECT_TRUE(LogHas("Download image C:\\ZEFI\\disk1.iso from begin"));
    EXPECT_TRUE(LogHas("Http status 416 from " + m_server.Url("/pkg/disk1.iso")));
    EXPECT_EQ(Image(), m_disk);
}

class WrongContentRange : public ImageServed, public ::testing::WithParamInterface<int64_t> {};

TEST_P(WrongContentRange, PartialAnswerFromAnotherByteIsNeverAppended) {
    HttpReply wrong = Reply(m_disk);
    wrong.rangeStartOverride = GetParam();
    m_server.Script("/pkg/disk1.iso", {Cut(m_disk, 70000), wrong, Reply(m_disk)});

    EXPECT_EQ(RunWorker(), 0);

    const auto requests = m_server.RequestsFor("/pkg/disk1.iso");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].Header("Range"), "bytes=70000-");
    EXPECT_FALSE(requests[2].HasHeader("Range"));
    EXPECT_TRUE(LogHas("Download image after interuption C:\\ZEFI\\disk1.iso status " +
                       std::to_string(CURLE_RANGE_ERROR) + "1"));
    EXPECT_EQ(Image(), m_disk);
    EXPECT_NE(m_view.result, nullptr);
}

INSTANTIATE_TEST_SUITE_P(DownloadFailures, WrongContentRange,
                         ::testing::Values(int64_t{0}, int64_t{69999}, int64_t{70001}));

// ---- Image names ----

TEST_F(DownloadWorkerTest, NamesThatAreNotPlainFileNamesAreDropped) {
    std::string digest;
    const std::string disk = MakeDisk(1, &digest);
    const std::vector<std::string> bad = {"../x.iso", "C:\\x.iso", "sub/x.iso", "NUL.iso",
                                          std::string("x\x01y.iso")};
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& name : bad) entries.push_back({digest, name});
    entries.push_back({digest, "disk1.iso"});
    SetPackages(entries);
    m_server.Set("/pkg/disk1.iso", Reply(disk));
    m_prefix->WriteHostFile("drive_c/x.iso", "keep");

    EXPECT_EQ(RunWorker(), 0);

    for (const char* shown : {"../x.iso", "C:\\x.iso", "sub/x.iso", "NUL.iso", "x?y.iso"})
        EXPECT_TRUE(LogHas(std::string("Downloading package file skip bad name ") + shown))
            << shown;
    ASSERT_EQ(zefi::CountImages(m_view.result.get()), 1u);
    EXPECT_STREQ(m_view.result.get()[0].name, "disk1.iso");
    for (const auto& request : m_server.Requests()) {
        EXPECT_TRUE(request.path == "/sites.txt" || request.path == "/pkg/packages.txt" ||
                    request.path == "/pkg/disk1.iso")
            << request.path;
    }
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/x.iso"), "keep");
    EXPECT_FALSE(ExistsC("ZEFI\\sub"));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/disk1.iso"), disk);
}

TEST_F(DownloadWorkerTest, ListOfOnlyRefusedNamesOffersNothingAndFails) {
    SetPackages({{std::string(32, 'a'), "..\\..\\evil.iso"}});

    EXPECT_EQ(RunWorker(), zefi::kFetchNoImages);

    EXPECT_TRUE(LogHas("Checking sites error -6 cerr 0"));
    EXPECT_EQ(m_view.result, nullptr);
    EXPECT_EQ(m_view.outcome.end, DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.step, DownloadStep::kConfiguration);
    EXPECT_EQ(m_view.outcome.file, m_server.Url("/pkg/packages.txt"));
    EXPECT_EQ(m_view.outcome.status, zefi::kFetchNoImages);
}

TEST_F(DownloadWorkerTest, OfferEmptiedByTheLimitationFileFails) {
    std::string digest;
    MakeDisk(1, &digest);
    m_server.Set("/sites.txt", Reply("cz " + m_server.Url("/pkg/packages.txt") + " " +
                                     m_server.Url("/limit.txt") + "\r\n"));
    m_server.Set("/limit.txt", Reply("missing.dat disk1.iso\r\n"));
    SetPackages({{digest, "disk1.iso"}});

    EXPECT_EQ(RunWorker(), zefi::kFetchNoImages);

    EXPECT_TRUE(LogHas("Image limitation skip disk1.iso"));
    EXPECT_EQ(m_view.result, nullptr);
    EXPECT_EQ(m_view.outcome.end, DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.status, zefi::kFetchNoImages);
}

TEST(PlainFileName, RefusesPathsControlCharactersAndDevices) {
    for (const char* good : {"disk1.iso", "zefi 2.iso", "CONSOLE.iso", "COM10.iso", "a..b", "LPT"})
        EXPECT_TRUE(zefi::IsPlainFileName(good)) << good;
    for (const char* bad : {"", ".", "..", "a\\b", "a/b", "C:x", "con", "Con.iso", "PRN.txt", "aux",
                            "NUL.iso", "nul .iso", "COM1", "com9.iso", "LPT1.x", "a\tb", "a\x7f"})
        EXPECT_FALSE(zefi::IsPlainFileName(bad)) << bad;
}

// ---- Images that cannot be written ----

TEST_F(ImageServed, UnwritableStaleImageFailsTheRunAndStaysAsItWas) {
    PlaceImage("disk1.iso", "stale bytes of an earlier run");
    std::filesystem::permissions(m_prefix->Host("drive_c/ZEFI/disk1.iso"),
                                 std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    m_server.Set("/pkg/disk1.iso", Reply(m_disk));

    EXPECT_EQ(RunWorker(), 1);

    EXPECT_EQ(Messages("message 0: Open empty image file error : 5 -> ok"), 1u) << m_out.str();
    EXPECT_EQ(Image(), "stale bytes of an earlier run");
    EXPECT_TRUE(m_server.RequestsFor("/pkg/disk1.iso").empty());
    EXPECT_EQ(m_view.result, nullptr);
    EXPECT_EQ(m_view.outcome.end, DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.step, DownloadStep::kTransfer);
    EXPECT_EQ(m_view.outcome.systemError, platform::kErrorAccessDenied);
}

TEST_F(ImageServed, WrongDigestNamesTheCheckOfTheImage) {
    m_server.Set("/pkg/disk1.iso", Reply(m_disk + "tail"));
    EXPECT_EQ(RunWorker(), 1);
    EXPECT_EQ(Image(), m_disk + "tail");  // byte for byte what was served
    EXPECT_EQ(m_view.outcome.end, DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.step, DownloadStep::kImageCheck);
    EXPECT_EQ(m_view.outcome.status, 1);
}

TEST_F(DownloadWorkerTest, UnreachableServerNamesTheSitesListAndTheSystemError) {
    m_inputs.masterAddress =
        "http://127.0.0.1:" + std::to_string(testsupport::FreeLoopbackPort()) + "/sites.txt";

    EXPECT_EQ(RunWorker(), zefi::kFetchSitesFailed);

    EXPECT_EQ(Messages("message 0: Donwloading cfg file error : 7 10061 -> ok"), 1u) << m_out.str();
    EXPECT_TRUE(LogHas("Downloading cfg file error : 7 getlasterror : 10061"));
    EXPECT_EQ(m_view.outcome.file, m_inputs.masterAddress);
    EXPECT_EQ(m_view.outcome.curlCode, CURLE_COULDNT_CONNECT);
    EXPECT_EQ(m_view.outcome.systemError, 10061u);
}

// ---- The message ----

TEST(DownloadFailureText, NamesTheStepTheFileTheCodeAndTheLogInBothLanguages) {
    zefi::DownloadOutcome outcome;
    outcome.end = DownloadEnd::kFailed;
    outcome.step = DownloadStep::kConfiguration;
    outcome.file = "http://h/sites.txt";
    outcome.curlCode = 7;
    outcome.systemError = 10061;
    platform::SetThreadUILanguage(platform::kLangCzech);
    EXPECT_EQ(zefi::DownloadFailureText(outcome),
              "Stažení instalačních souborů se nezdařilo.\nNačtení souboru http://h/sites.txt\n"
              "Kód libcurl: 7, kód systémové chyby: 10061\nPodrobnosti jsou v souboru "
              "inetzefi.log v aktuálním adresáři.");

    outcome.step = DownloadStep::kTransfer;
    outcome.file = "zefi2.iso";
    outcome.httpStatus = 404;
    platform::SetThreadUILanguage(platform::kLangSlovak);
    EXPECT_EQ(zefi::DownloadFailureText(outcome),
              "Stiahnutie inštalačných súborov sa nepodarilo.\nSťahovanie súboru zefi2.iso\n"
              "Stavový kód HTTP: 404\nPodrobnosti sú v súbore inetzefi.log v aktuálnom "
              "adresári.");

    outcome = zefi::DownloadOutcome();
    outcome.step = DownloadStep::kImageCheck;
    outcome.file = "zefi1.iso";
    outcome.status = 1;
    platform::SetThreadUILanguage(platform::kLangCzech);
    const std::string text = zefi::DownloadFailureText(outcome);
    EXPECT_NE(text.find("\nKontrola staženého souboru zefi1.iso\nKód chyby: 1\n"),
              std::string::npos)
        << text;
}

}  // namespace
