// Tests of the install driver's download branch against a real HTTP server on 127.0.0.1 and
// real ISO images of the example medium: download, attach, install from the image, re-attach,
// the repo-info file, and what happens to the images at program end.
#include "driver/download_branch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/hash_md5.h"
#include "driver/setup_dlg.h"
#include "driver_fixture.h"
#include "platform/fs.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"

namespace {

namespace fs = std::filesystem;
using drivertest::Count;
using zefi::CSetupDlg;

testsupport::HttpReply Reply(int status, const std::string& body) {
    testsupport::HttpReply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

const char* const kCompleted = "message 111: Instalace/aktualizace proběhla úspěšně -> ok\n";

// A machine outside any medium (C:\Temp is the current directory) and a download server that
// offers two images of the example medium: the first DVD and the second one with the Z-disk.
class DownloadBranch : public drivertest::DriverTest {
  protected:
    void SetUp() override {
        m_prefix = std::make_unique<testsupport::TempPrefix>(
            "[system]\nlanguage = 1029\nadmin = 1\ntemp = C:\\Temp\\\n[drives]\n"
            "C = drive_c, fixed\n");
        fs::create_directories(m_prefix->Host("drive_c/Temp"));
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Temp"));
        ASSERT_TRUE(m_server.Ok());

        // The disks carry their number after the edition marker, as the published media do.
        const std::string medium = std::string(ZEFISETUP_SOURCE_DIR) + "/examples/medium";
        fs::create_directories(m_prefix->Host("stage"));
        fs::copy(medium, m_prefix->Host("stage/disk1"), fs::copy_options::recursive);
        fs::remove_all(m_prefix->Host("stage/disk1/disk2"));
        fs::copy(medium + "/disk2", m_prefix->Host("stage/disk2"), fs::copy_options::recursive);

        std::string packages;
        for (int disk : {1, 2}) {
            const std::string name = "zefi" + std::to_string(disk) + ".iso";
            std::string log;
            ASSERT_TRUE(
                testsupport::MakeIsoImage(m_prefix->Host("stage/disk" + std::to_string(disk)),
                                          "RIDEZEZ0" + std::to_string(disk),
                                          m_prefix->Host("drive_c/srv/" + name), "-J -R", &log))
                << log;
            char digest[zefi::kMd5HexSize] = {};
            ASSERT_EQ(zefi::HashFileMd5("C:\\srv\\" + name, digest, nullptr), 0);
            m_digests.push_back(digest);
            packages += std::string(digest) + " " + name + "\r\n";
            testsupport::HttpReply image;
            image.body = m_prefix->ReadHostFile("drive_c/srv/" + name);
            m_server.Set("/zefi/" + name, image);
        }
        m_server.Set("/sites.txt", Reply(200, "cz " + m_server.Url("/zefi/packages.txt") + "\r\n"));
        m_server.Set("/zefi/packages.txt", Reply(200, packages));
    }

    // A main dialog in download mode, unattended, installing into C:\ZEFI.
    void Prepare(CSetupDlg* dialog) {
        Unattended(dialog, "C:\\ZEFI");
        dialog->SetSource("");
        dialog->SetDownloadMode(1);
        dialog->SetMasterAddress(m_server.Url("/sites.txt"));
    }

    std::string Volume(const std::string& root) {
        std::string label;
        return platform::GetVolumeLabel(root, &label) ? label : "";
    }

    testsupport::HttpServer m_server;
    std::vector<std::string> m_digests;
};

TEST_F(DownloadBranch, InstallsFromTheDownloadedImagesAndDeletesThemAtProgramEnd) {
    {
        CSetupDlg dialog;
        Prepare(&dialog);
        std::string out = Run(dialog);
        EXPECT_EQ(out.rfind("message 109: Adresář C:\\ZEFI neexistuje, má se vytvořit? -> yes\n"
                            "dialog 142: ",
                            0),
                  0u)
            << out;
        EXPECT_EQ(Count(out, "dialog 6: "), 1) << out;
        EXPECT_NE(out.find(kCompleted), std::string::npos) << out;
        EXPECT_EQ(Count(out, "message "), 2) << out;

        // The install scripts came from the first image into the current directory, and the
        // copy run read the image's drive.
        EXPECT_EQ(m_prefix->ReadHostFile("drive_c/Temp/cd.cfg"),
                  m_prefix->ReadHostFile("stage/disk1/cd.cfg"));
        EXPECT_TRUE(HostExists("drive_c/Temp/cds.cfg"));
        EXPECT_NE(Log().find("Instalation: Src: D:\\, Dst: C:\\ZEFI\r\n"), std::string::npos)
            << Log();
        EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/DATA/TEXTY/PREDPISY.DAT"),
                  m_prefix->ReadHostFile("stage/disk1/ZEFI/TEXTY/PREDPISY.DAT"));
        EXPECT_TRUE(HostExists("drive_c/ZEFI/Zefiwin.exe"));

        // After the run the first image is attached again and is the source.
        EXPECT_TRUE(dialog.HasAttachedImage());
        EXPECT_EQ(dialog.GetSource(), "D:\\");
        EXPECT_EQ(Volume("D:\\"), "RIDEZEZ01");
        ASSERT_NE(dialog.GetImageList(), nullptr);
        EXPECT_EQ(dialog.GetImageList()[0].diskNumber, 1);
        EXPECT_EQ(dialog.GetImageList()[1].diskNumber, 2);
        EXPECT_EQ(dialog.GetLongDestination(), "C:\\ZEFI");

        EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/zefisetup.rep"),
                  m_digests[0] + "\r\n" + m_digests[1] + "\r\n");
        EXPECT_EQ(dialog.GetDeleteImages(), 1);
        EXPECT_TRUE(HostExists("drive_c/ZEFI/zefi1.iso"));
        EXPECT_TRUE(HostExists("drive_c/ZEFI/zefi2.iso"));
    }
    // Program end: the image is detached and the image files are gone; the record stays.
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
    EXPECT_FALSE(HostExists("drive_c/ZEFI/zefi1.iso"));
    EXPECT_FALSE(HostExists("drive_c/ZEFI/zefi2.iso"));
    EXPECT_TRUE(HostExists("drive_c/ZEFI/zefisetup.rep"));
    EXPECT_TRUE(HostExists("drive_c/ZEFI/Zefiwin.exe"));
}

TEST_F(DownloadBranch, InterruptedCopyWritesNoRepoFileAndKeepsTheImages) {
    // A directory where the program file must go makes the copy fail; the error dialog's
    // default answer ends the run.
    fs::create_directories(m_prefix->Host("drive_c/ZEFI/Zefiwin.exe"));
    {
        CSetupDlg dialog;
        Prepare(&dialog);
        std::string out = Run(dialog);
        EXPECT_EQ(Count(out, "dialog 9: "), 1) << out;
        EXPECT_NE(out.find("message 112: Instalace/aktualizace přerušena -> ok\n"),
                  std::string::npos)
            << out;
        EXPECT_EQ(out.find("message 111"), std::string::npos) << out;
        EXPECT_TRUE(dialog.HasAttachedImage());
        EXPECT_EQ(dialog.GetSource(), "D:\\");
        EXPECT_EQ(dialog.GetDeleteImages(), 0);
    }
    EXPECT_FALSE(HostExists("drive_c/ZEFI/zefisetup.rep"));
    EXPECT_TRUE(HostExists("drive_c/ZEFI/zefi1.iso"));
    EXPECT_TRUE(HostExists("drive_c/ZEFI/zefi2.iso"));
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
}

TEST_F(DownloadBranch, SecondRunReleasesTheFirstSoItsImagesAreKept) {
    {
        CSetupDlg dialog;
        Prepare(&dialog);
        ASSERT_NE(Run(dialog).find(kCompleted), std::string::npos);
        ASSERT_EQ(dialog.GetDeleteImages(), 1);

        // The same image set is installed now: answering No to going on cancels the download,
        // and the run returns with nothing attached or held.
        std::string out = Run(dialog, "message 162 no\n");
        EXPECT_EQ(Count(out, "message 162: "), 1) << out;
        EXPECT_EQ(out.find("dialog 6: "), std::string::npos) << out;
        EXPECT_FALSE(dialog.HasAttachedImage());
        EXPECT_EQ(dialog.GetImageList(), nullptr);
        EXPECT_EQ(dialog.GetDeleteImages(), 0);
        EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
    }
    EXPECT_TRUE(HostExists("drive_c/ZEFI/zefi1.iso"));
    EXPECT_TRUE(HostExists("drive_c/ZEFI/zefi2.iso"));
    EXPECT_TRUE(HostExists("drive_c/ZEFI/zefisetup.rep"));
}

TEST_F(DownloadBranch, ImageThatFailsItsDigestIsNeitherInstalledNorRecorded) {
    const std::string served = "not the image the package list describes";
    m_server.Set("/zefi/zefi2.iso", Reply(200, served));
    CSetupDlg dialog;
    Prepare(&dialog);
    std::string out = Run(dialog);
    EXPECT_EQ(out.find("dialog 6: "), std::string::npos) << out;
    EXPECT_NE(m_prefix->ReadHostFile("drive_c/Temp/inetzefi.log").find("Download bad signature"),
              std::string::npos);
    EXPECT_EQ(Count(out, "message "), 2) << out;  // the destination question, then the failure
    EXPECT_NE(out.find("message 0: Stažení instalačních souborů se nezdařilo.\\nKontrola "
                       "staženého souboru zefi2.iso\\nKód chyby: 1\\nPodrobnosti jsou v souboru "
                       "inetzefi.log v aktuálním adresáři. -> ok\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(dialog.GetRunOutcome(), zefi::RunOutcome::kDownloadFailed);
    EXPECT_FALSE(dialog.HasAttachedImage());
    EXPECT_EQ(dialog.GetImageList(), nullptr);
    EXPECT_FALSE(HostExists("drive_c/Temp/cd.cfg"));
    EXPECT_FALSE(HostExists("drive_c/ZEFI/zefisetup.rep"));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/zefi2.iso"), served);
}

TEST_F(DownloadBranch, PackageListAnsweredWithAnErrorStatusNamesItAndTheLog) {
    m_server.Set("/zefi/packages.txt", Reply(404, "<html>Not Found</html>"));
    CSetupDlg dialog;
    Prepare(&dialog);
    std::string out = Run(dialog);
    // The worker's message and the dialog's line come in either order.
    EXPECT_NE(out.find("message 0: Downloading package file error : 22 0 -> ok\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("message 0: Stažení instalačních souborů se nezdařilo.\\nNačtení souboru " +
                       m_server.Url("/zefi/packages.txt") +
                       "\\nStavový kód HTTP: 404\\nPodrobnosti jsou v souboru inetzefi.log v "
                       "aktuálním adresáři. -> ok\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(dialog.GetRunOutcome(), zefi::RunOutcome::kDownloadFailed);
    EXPECT_FALSE(HostExists("drive_c/ZEFI/zefi1.iso"));
}

TEST_F(DownloadBranch, StoppedServerNamesTheFailureAndTheLog) {
    CSetupDlg dialog;
    Prepare(&dialog);
    const std::string dead =
        "http://127.0.0.1:" + std::to_string(testsupport::FreeLoopbackPort()) + "/sites.txt";
    dialog.SetMasterAddress(dead);
    std::string out = Run(dialog);
    EXPECT_NE(out.find("message 0: Donwloading cfg file error : 7 10061 -> ok\n"),
              std::string::npos)
        << out;
    EXPECT_NE(
        out.find("message 0: Stažení instalačních souborů se nezdařilo.\\nNačtení souboru " + dead +
                 "\\nKód libcurl: 7, kód systémové chyby: 10061\\nPodrobnosti jsou v "
                 "souboru inetzefi.log v aktuálním adresáři. -> ok\n"),
        std::string::npos)
        << out;
    EXPECT_EQ(dialog.GetRunOutcome(), zefi::RunOutcome::kDownloadFailed);
}

TEST_F(DownloadBranch, InstalledSetDeclinedEndsWithoutAFailureMessage) {
    m_prefix->WriteHostFile("drive_c/ZEFI/zefisetup.rep",
                            m_digests[0] + "\r\n" + m_digests[1] + "\r\n");
    CSetupDlg dialog;
    Prepare(&dialog);
    std::string out = Run(dialog, "message 162 no\n");
    EXPECT_EQ(Count(out, "message 162: "), 1) << out;
    EXPECT_EQ(out.find("se nezdařilo"), std::string::npos) << out;
    EXPECT_EQ(dialog.GetRunOutcome(), zefi::RunOutcome::kAlreadyInstalledDeclined);
    EXPECT_TRUE(HostExists("drive_c/ZEFI/zefisetup.rep"));
}

// The files of the destination directory, on their own.
class DownloadBranchFiles : public testsupport::PrefixTest {};

TEST_F(DownloadBranchFiles, RepoFileAndImageDeletionStopAtTheEmptyDigest) {
    zefi::ImageListPtr list(zefi::CreateImageList(3));
    zefi::SetImageText(list.get()[0].digest, "0123456789abcdef0123456789abcdef");
    zefi::SetImageText(list.get()[0].name, "a.iso");
    zefi::SetImageText(list.get()[1].digest, "FEDCBA9876543210FEDCBA9876543210");
    zefi::SetImageText(list.get()[1].name, "b.iso");
    // Past the first empty digest nothing belongs to the list.
    zefi::SetImageText(list.get()[2].name, "c.iso");
    for (const char* name : {"a.iso", "b.iso", "c.iso"})
        m_prefix->WriteHostFile(std::string("drive_c/D/") + name, "x");

    ASSERT_TRUE(zefi::WriteRepoInfoFile("C:\\D\\", list.get()));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/D/zefisetup.rep"),
              "0123456789abcdef0123456789abcdef\r\nFEDCBA9876543210FEDCBA9876543210\r\n");
    EXPECT_EQ(zefi::DeleteImageFiles("C:\\D", list.get()), 2);
    EXPECT_FALSE(fs::exists(m_prefix->Host("drive_c/D/a.iso")));
    EXPECT_FALSE(fs::exists(m_prefix->Host("drive_c/D/b.iso")));
    EXPECT_TRUE(fs::exists(m_prefix->Host("drive_c/D/c.iso")));

    // A list without images truncates the record to nothing; a missing directory fails.
    zefi::ImageListPtr empty(zefi::CreateImageList(0));
    ASSERT_TRUE(zefi::WriteRepoInfoFile("C:\\D", empty.get()));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/D/zefisetup.rep"), "");
    EXPECT_FALSE(zefi::WriteRepoInfoFile("C:\\MISSING", list.get()));
}

}  // namespace
