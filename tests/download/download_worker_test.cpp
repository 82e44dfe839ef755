// Tests of the download run against a local HTTP server and real ISO images, and of the
// repo-info reader.
#include "download/download_worker.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "download/hash_md5.h"
#include "download/repo_info.h"
#include "download_worker_fixture.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

using downloadtest::DownloadWorkerTest;
using testsupport::HttpReply;

TEST_F(DownloadWorkerTest, IntactImagesOnDiskAreNotTransferred) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (int n = 1; n <= 3; ++n) {
        std::string digest;
        const std::string name = "disk" + std::to_string(n) + ".iso";
        PlaceImage(name, MakeDisk(n, &digest));
        entries.push_back({digest, name});
        m_server.Set("/pkg/" + name, Reply("not this"));
    }
    SetPackages(entries);

    EXPECT_EQ(RunWorker(), 0);

    for (const auto& [digest, name] : entries)
        EXPECT_TRUE(m_server.RequestsFor("/pkg/" + name).empty());
    std::vector<std::string> lines = LogLines();
    auto found = std::find(lines.begin(), lines.end(), "Found image 3 should be 3");
    ASSERT_NE(found, lines.end());
    EXPECT_EQ(*(found + 1), "Checking image change.");
    EXPECT_TRUE(LogHas("Partial support 1"));
    EXPECT_EQ(lines.back(), "Done.");
    EXPECT_TRUE(LogHas("Setting iuObj."));
    ASSERT_EQ(zefi::CountImages(m_view.result.get()), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m_view.result.get()[i].verified, 1);
        EXPECT_EQ(m_view.result.get()[i].diskNumber, i + 1);
    }
    EXPECT_EQ(m_view.taskUpper.load(), 10);
    EXPECT_EQ(m_view.taskPos.load(), 10);
    EXPECT_EQ(m_out.str(), "");  // no message box
}

TEST_F(DownloadWorkerTest, LogShowsEveryStepOfALocalCheckAndADownloadInOrder) {
    // disk1 lies intact in the destination, disk2 is missing, disk3 is a stale broken copy.
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<std::string> disks;
    for (int n = 1; n <= 3; ++n) {
        std::string digest;
        disks.push_back(MakeDisk(n, &digest));
        const std::string name = "disk" + std::to_string(n) + ".iso";
        entries.push_back({digest, name});
        m_server.Set("/pkg/" + name, Reply(disks.back()));
    }
    PlaceImage("disk1.iso", disks[0]);
    PlaceImage("disk3.iso", disks[2].substr(0, 3000));
    SetPackages(entries);

    EXPECT_EQ(RunWorker(), 0);

    const std::string d1 = "C:\\ZEFI\\disk1.iso", d2 = "C:\\ZEFI\\disk2.iso",
                      d3 = "C:\\ZEFI\\disk3.iso";
    const std::vector<std::string> expected = {
        "Using cmdLine zefisetup masterUrl: " + m_server.Url("/sites.txt"),
        "Instalation to Dst: C:\\ZEFI",
        "Communication init session",
        "Checking sites",
        "Downloading package files.",
        "Package list not signed",
        "Downloading package files done.",
        "Found 3 data objects.",
        "Checking prev instaled repos.",
        "Checking prev instaled repos done.",
        "Checking partial",
        "Partial support 1",
        "Checking image " + d1,
        "Checking image " + d1 + " found.",
        "Checking signature of image " + d1,
        "Checking attach image " + d1,
        "Checking attach image " + d1 + " success.",
        "Checking image " + d2,
        "Checking image " + d2 + " not foud. Will download.",
        "Checking image " + d3,
        "Checking image " + d3 + " found.",
        "Checking signature of image " + d3,
        "Checking signature of image " + d3 + " does not match. Donwload again.",
        "Found image 1 should be 3",
        "Download images ",
        "Download image " + d1,
        "Download image " + d1 + " skip download image is ok.",
        "Download image " + d2,
        "Download image " + d2 + " from " + m_server.Url("/pkg/disk2.iso"),
        "Download image " + d2 + " status 0",
        "Download signature check image " + d2,
        "Download signature check image " + d2 + " ok.",
        "Download attach image " + d2,
        "Download attach image " + d2 + " ok.",
        "Download image " + d3,
        "Download image " + d3 + " from " + m_server.Url("/pkg/disk3.iso"),
        "Download image " + d3 + " status 0",
        "Download signature check image " + d3,
        "Download signature check image " + d3 + " ok.",
        "Download attach image " + d3,
        "Download attach image " + d3 + " ok.",
        "Checking image change.",
        "Downloading package files.",
        "Package list not signed",
        "Downloading package files done.",
        "Download and chceck completed status 0",
        "Setting iuObj.",
        "Done.",
    };
    EXPECT_EQ(LogLines(), expected);

    // What the dialog was told, in order.
    using zefi::PhaseCheck;
    using zefi::PhaseDownload;
    using zefi::PhaseIdle;
    using zefi::PhaseQuery;
    EXPECT_EQ(m_view.phases,
              (std::vector<int32_t>{PhaseQuery, PhaseIdle, PhaseCheck, PhaseCheck, PhaseIdle,
                                    PhaseDownload, PhaseCheck, PhaseDownload, PhaseCheck}));
    EXPECT_EQ(m_view.statuses,
              (std::vector<std::string>{
                  "Kontrola nalezeného souboru disk1.iso", "Kontrola nalezeného souboru disk3.iso",
                  "Stahování souboru disk2.iso", "Kontrola staženého souboru disk2.iso",
                  "Stahování souboru disk3.iso", "Kontrola staženého souboru disk3.iso"}));
    EXPECT_EQ(m_view.taskUpper.load(), 10);
    EXPECT_EQ(m_view.taskPos.load(), 10);
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/disk3.iso"), disks[2]);
    ASSERT_EQ(zefi::CountImages(m_view.result.get()), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m_view.result.get()[i].verified, 1);
    EXPECT_EQ(m_out.str(), "");
}

TEST_F(DownloadWorkerTest, CutTransferResumesWithRangeFromFileLength) {
    std::string digest;
    const std::string disk = MakeDisk(1, &digest);
    SetPackages({{digest, "disk1.iso"}});
    // A stale copy of an earlier run fails its check and is downloaded again from the start.
    PlaceImage("disk1.iso", disk.substr(0, 5000));
    m_server.Script("/pkg/disk1.iso", {Cut(disk, 70000), Reply(disk)});

    EXPECT_EQ(RunWorker(), 0);

    const auto requests = m_server.RequestsFor("/pkg/disk1.iso");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].HasHeader("Range"));
    EXPECT_EQ(requests[1].Header("Range"), "bytes=70000-");
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/disk1.iso"), disk);
    EXPECT_TRUE(LogHas("Download image interuptedC:\\ZEFI\\disk1.iso status 18"));
    EXPECT_TRUE(LogHas("Download partial image C:\\ZEFI\\disk1.iso from 70000"));
    EXPECT_TRUE(LogHas("Download image after interuption C:\\ZEFI\\disk1.iso status 01"));
    EXPECT_TRUE(LogHas("Download signature check image C:\\ZEFI\\disk1.iso ok."));
    ASSERT_EQ(zefi::CountImages(m_view.result.get()), 1u);
    EXPECT_EQ(m_view.result.get()[0].verified, 1);
    EXPECT_EQ(m_view.taskPos.load(), 4);
}

TEST_F(DownloadWorkerTest, ServerWithoutRangesRestartsTheFileFromByteZero) {
    std::string digest;
    const std::string disk = MakeDisk(1, &digest);
    SetPackages({{digest, "disk1.iso"}}, false);
    m_server.Script("/pkg/disk1.iso",
                    {Cut(disk, 70000, false), Cut(disk, 90000, false), Reply(disk, false)});

    EXPECT_EQ(RunWorker(), 0);

    EXPECT_TRUE(LogHas("Partial support 0"));
    const auto requests = m_server.RequestsFor("/pkg/disk1.iso");
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& request : requests) EXPECT_FALSE(request.HasHeader("Range"));
    EXPECT_TRUE(LogHas("Download image C:\\ZEFI\\disk1.iso from begin"));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/disk1.iso"), disk);
    EXPECT_NE(m_view.result, nullptr);
}

TEST_F(DownloadWorkerTest, EveryThirdFailedRetryAsksAndCancelEndsTheRun) {
    std::string digest;
    const std::string disk = MakeDisk(1, &digest);
    SetPackages({{digest, "disk1.iso"}}, false);
    m_server.Set("/pkg/disk1.iso", Cut(disk, 1000, false));

    // Giving up the retries ends the run with the transfer's failure, not as a plain cancel.
    EXPECT_EQ(RunWorker("message 160 retry\nmessage 160 cancel\n"), CURLE_PARTIAL_FILE);
    EXPECT_EQ(m_view.outcome.end, zefi::DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.step, zefi::DownloadStep::kTransfer);
    EXPECT_EQ(m_view.outcome.file, "disk1.iso");
    EXPECT_EQ(m_view.outcome.curlCode, CURLE_PARTIAL_FILE);

    // The first transfer and two series of three attempts.
    EXPECT_EQ(m_server.RequestsFor("/pkg/disk1.iso").size(), 7u);
    EXPECT_EQ(Messages("message 160: Komunikace byla p\u0159e\u0161ena 18 -> "), 2u) << m_out.str();
    EXPECT_TRUE(LogHas("Download image after interuption C:\\ZEFI\\disk1.iso status 183"));
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Operation was canceled.");
    EXPECT_EQ(lines.back(), "Done.");
    EXPECT_EQ(m_view.result, nullptr);
}

TEST_F(DownloadWorkerTest, WrongDigestAfterDownloadEndsWithResultOne) {
    std::string digest;
    const std::string disk = MakeDisk(1, &digest);
    SetPackages({{std::string(32, '0'), "disk1.iso"}});
    m_server.Set("/pkg/disk1.iso", Reply(disk));

    EXPECT_EQ(RunWorker(), 1);

    EXPECT_TRUE(LogHas("Download bad signature check image C:\\ZEFI\\disk1.iso"));
    EXPECT_TRUE(LogHas("Download and chceck completed status 1"));
    EXPECT_FALSE(LogHas("Setting iuObj."));
    EXPECT_FALSE(LogHas("Operation was canceled."));
    EXPECT_EQ(m_view.result, nullptr);
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/disk1.iso"), disk);  // stays for next time
    EXPECT_EQ(m_out.str(), "");
}

TEST_F(DownloadWorkerTest, TransferThatFailsOtherwiseThanByABreakEndsWithItsCode) {
    std::string digest;
    MakeDisk(1, &digest);
    SetPackages({{digest, "disk1.iso"}});
    // The image has moved to a server that is not there: no retry, message 159, the run ends.
    const std::string dead =
        "http://127.0.0.1:" + std::to_string(testsupport::FreeLoopbackPort()) + "/disk1.iso";
    m_server.Set("/pkg/disk1.iso", HttpReply{302, "", true, -1, false, {{"Location", dead}}});

    EXPECT_EQ(RunWorker(), CURLE_COULDNT_CONNECT);

    EXPECT_EQ(m_server.RequestsFor("/pkg/disk1.iso").size(), 1u);
    // The system error code is the refused connection's, not a constant 0.
    EXPECT_EQ(Messages("message 159: Chyba komunikace 7 10061 -> "), 1u) << m_out.str();
    EXPECT_EQ(m_view.outcome.end, zefi::DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.systemError, 10061u);
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3],
              "Download image C:\\ZEFI\\disk1.iso from " + m_server.Url("/pkg/disk1.iso"));
    EXPECT_EQ(lines[lines.size() - 2], "Download image C:\\ZEFI\\disk1.iso status 7");
    EXPECT_EQ(lines.back(), "Done.");
    EXPECT_EQ(m_view.result, nullptr);
}

TEST_F(DownloadWorkerTest, ImageFileThatCannotBeWrittenIsReportedAndTheRunFailsAtItsEnd) {
    std::string first, second;
    MakeDisk(1, &first);
    const std::string disk2 = MakeDisk(2, &second);
    SetPackages({{first, "disk1.iso"}, {second, "disk2.iso"}});
    m_server.Set("/pkg/disk2.iso", Reply(disk2));
    // A directory stands where the first image file should go.
    m_prefix->WriteHostFile("drive_c/ZEFI/disk1.iso/.keep", "");

    EXPECT_EQ(RunWorker(), 1);

    EXPECT_EQ(Messages("message 0: Open empty image file error : 5 -> "), 1u) << m_out.str();
    EXPECT_EQ(Messages("message "), 1u) << m_out.str();
    std::vector<std::string> lines = LogLines();
    auto failed = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("Download image unable to open C:\\ZEFI\\disk1.iso error ", 0) == 0;
    });
    ASSERT_NE(failed, lines.end());
    EXPECT_EQ(*(failed + 1), "Download image C:\\ZEFI\\disk2.iso");
    EXPECT_TRUE(m_server.RequestsFor("/pkg/disk1.iso").empty());
    // The second image is still fetched for a later run, but a list with an unverified image
    // is not handed over.
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/disk2.iso"), disk2);
    EXPECT_TRUE(LogHas("Image not verified C:\\ZEFI\\disk1.iso"));
    EXPECT_TRUE(LogHas("Download and chceck completed status 1"));
    EXPECT_FALSE(LogHas("Setting iuObj."));
    EXPECT_EQ(m_view.result, nullptr);
    EXPECT_EQ(m_view.outcome.end, zefi::DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.step, zefi::DownloadStep::kTransfer);
    EXPECT_EQ(m_view.outcome.file, "disk1.iso");
    EXPECT_EQ(m_view.outcome.systemError, 5u);
}

TEST_F(DownloadWorkerTest, ChangedPackageListDeletesTheImagesAndRestarts) {
    std::string first, second;
    const std::string diskA = MakeDisk(1, &first, "a");
    const std::string diskB = MakeDisk(1, &second, "b");
    ASSERT_NE(first, second);
    // First fetch, range probe, change check (changed); then the new list for good.
    const std::string listA = PackageList({{first, "disk1.iso"}});
    const std::string listB = PackageList({{second, "disk1.iso"}});
    m_server.Script("/pkg/packages.txt", {Reply(listA), Reply(listA), Reply(listB)});
    m_server.Script("/pkg/disk1.iso", {Reply(diskA), Reply(diskB)});

    EXPECT_EQ(RunWorker(), 0);

    EXPECT_EQ(Messages("message 158: "), 1u) << m_out.str();
    EXPECT_TRUE(LogHas("Image change so download again."));
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Checking sites"), 2);
    // The old image was deleted before the second pass looked for it.
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Checking image C:\\ZEFI\\disk1.iso not foud. Will download."),
              2);
    EXPECT_EQ(m_server.RequestsFor("/pkg/disk1.iso").size(), 2u);
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/disk1.iso"), diskB);
    ASSERT_EQ(zefi::CountImages(m_view.result.get()), 1u);
    EXPECT_EQ(m_view.result.get()[0].digest, second);
}

TEST_F(DownloadWorkerTest, PackageListWithAnEntryMoreIsNoChange) {
    std::string digest;
    const std::string disk = MakeDisk(1, &digest);
    PlaceImage("disk1.iso", disk);
    const std::string list = PackageList({{digest, "disk1.iso"}});
    m_server.Script("/pkg/packages.txt",
                    {Reply(list), Reply(list), Reply(list + PackageList({{digest, "disk2.iso"}}))});

    EXPECT_EQ(RunWorker(), 0);
    EXPECT_FALSE(LogHas("Image change so download again."));
    EXPECT_EQ(zefi::CountImages(m_view.result.get()), 1u);
}

class DownloadWorkerRepo : public DownloadWorkerTest {
  protected:
    void SetUp() override {
        DownloadWorkerTest::SetUp();
        const std::string disk = MakeDisk(1, &m_digest);
        PlaceImage("disk1.iso", disk);
        SetPackages({{m_digest, "disk1.iso"}});
    }
    std::string m_digest;
};

TEST_F(DownloadWorkerRepo, SameSetAnsweredNoEndsCancelledAndKeepsEverything) {
    m_prefix->WriteHostFile("drive_c/ZEFI/zefisetup.rep", m_digest + "\r\n");

    EXPECT_EQ(RunWorker("message 162 no\n"), 0);

    EXPECT_TRUE(LogHas("Repo and offered data objects are same."));
    EXPECT_TRUE(LogHas("Break install because of seme repo info."));
    EXPECT_FALSE(LogHas("Checking partial"));
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(lines[lines.size() - 2], "Operation was canceled.");
    EXPECT_TRUE(ExistsC("ZEFI\\zefisetup.rep"));
    EXPECT_TRUE(ExistsC("ZEFI\\disk1.iso"));
    EXPECT_EQ(m_view.result, nullptr);
}

TEST_F(DownloadWorkerRepo, SameSetAnsweredYesDeletesTheRepoFileAndGoesOn) {
    m_prefix->WriteHostFile("drive_c/ZEFI/zefisetup.rep", m_digest + "\r\n");

    EXPECT_EQ(RunWorker("message 162 yes\n"), 0);

    EXPECT_EQ(Messages("message 162: "), 1u);
    EXPECT_FALSE(ExistsC("ZEFI\\zefisetup.rep"));
    EXPECT_TRUE(LogHas("Found image 1 should be 1"));
    EXPECT_TRUE(m_server.RequestsFor("/pkg/disk1.iso").empty());
    EXPECT_NE(m_view.result, nullptr);
}

TEST_F(DownloadWorkerRepo, DifferentOrShorterRepoFileIsDeletedWithoutAsking) {
    // The digest in another case is another digest for this comparison.
    std::string upper = m_digest;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    m_prefix->WriteHostFile("drive_c/ZEFI/zefisetup.rep", upper + "\r\n");

    EXPECT_EQ(RunWorker(), 0);

    EXPECT_TRUE(LogHas("Found 1 repo data objects."));
    EXPECT_FALSE(LogHas("Repo and offered data objects are same."));
    EXPECT_FALSE(ExistsC("ZEFI\\zefisetup.rep"));
    EXPECT_NE(m_view.result, nullptr);
}

TEST_F(DownloadWorkerTest, CancelDuringATransferAbortsIt) {
    std::string digest;
    const std::string disk = MakeDisk(1, &digest);
    SetPackages({{digest, "disk1.iso"}});
    HttpReply stalled = Cut(disk, 50000);
    stalled.holdAfterCut = true;
    m_server.Set("/pkg/disk1.iso", stalled);

    std::atomic<bool> done{false};
    std::thread user([&] {
        // Cancels once part of the image has arrived (the limit only keeps a broken run from
        // hanging the test binary).
        for (int i = 0; i < 6000 && !done.load(); ++i) {
            if (m_view.progress.doneBytes.load() >= 50000) {
                m_view.RequestCancel();
                break;
            }
            platform::Sleep(10);
        }
    });
    const int32_t result = RunWorker();
    done.store(true);
    user.join();

    EXPECT_EQ(result, 0);
    EXPECT_EQ(m_server.RequestsFor("/pkg/disk1.iso").size(), 1u);
    EXPECT_TRUE(LogHas("Download image C:\\ZEFI\\disk1.iso status 42"));
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Operation was canceled.");
    EXPECT_EQ(lines.back(), "Done.");
    EXPECT_EQ(m_view.result, nullptr);
}

TEST_F(DownloadWorkerTest, FailedConfigurationEndsWithItsResult) {
    m_server.Set("/sites.txt", Reply("xx nothing for us\r\n"));
    EXPECT_EQ(RunWorker(), -3);
    EXPECT_TRUE(LogHas("Checking sites error -3 cerr 0"));
    EXPECT_EQ(Messages("message 0: Inet cfg file error."), 1u) << m_out.str();
    EXPECT_EQ(m_view.result, nullptr);
}

// ---- The repo-info file ----

class RepoInfo : public testsupport::PrefixTest {};

TEST_F(RepoInfo, CountsNonEmptyEndedLinesAndKeepsOnlyDigests) {
    const std::string a(32, 'a'), b(32, 'b');
    m_prefix->WriteHostFile(
        "drive_c/R/zefisetup.rep",
        a + "\r\n\r\nshort\n" + std::string(300, 'x') + "\r\n" + b + "\n" + std::string(32, 'c'));
    zefi::ImageList records = nullptr;
    EXPECT_EQ(zefi::ReadRepoInfo("C:\\R", &records), 4);
    zefi::ImageListPtr owner(records);
    ASSERT_EQ(zefi::CountImages(records), 2u);
    EXPECT_EQ(std::string(records[0].digest), a);
    EXPECT_EQ(std::string(records[1].digest), b);

    EXPECT_EQ(zefi::DeleteRepoInfo("C:\\R"), 0);
    EXPECT_EQ(zefi::DeleteRepoInfo("C:\\R"), -1);
}

TEST_F(RepoInfo, LinesWithANulByteAreNoDigests) {
    // Such a line would otherwise end the list early, losing the digests after it.
    const std::string b(32, 'b');
    m_prefix->WriteHostFile("drive_c/R/zefisetup.rep",
                            std::string(1, '\0') + std::string(31, 'a') + "\r\n" + "0123" +
                                std::string(1, '\0') + std::string(27, 'c') + "\r\n" + b + "\r\n");
    zefi::ImageList records = nullptr;
    EXPECT_EQ(zefi::ReadRepoInfo("C:\\R", &records), 3);
    zefi::ImageListPtr owner(records);
    ASSERT_EQ(zefi::CountImages(records), 1u);
    EXPECT_EQ(std::string(records[0].digest), b);
}

TEST_F(RepoInfo, MissingOrEmptyFileYieldsNothing) {
    zefi::ImageList records = nullptr;
    EXPECT_EQ(zefi::ReadRepoInfo("C:\\R", &records), 0);
    EXPECT_EQ(records, nullptr);
    m_prefix->WriteHostFile("drive_c/R/zefisetup.rep", "\r\n\r\n" + std::string(32, 'a'));
    EXPECT_EQ(zefi::ReadRepoInfo("C:\\R", &records), 0);
    EXPECT_EQ(records, nullptr);
}

}  // namespace
