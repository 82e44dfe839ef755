// Tests of the download dialog: its display texts, its timer by phase, a whole run behind it and
// Cancel during a transfer.
#include "dialogs/down_dlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "download/hash_md5.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "support/driving_host.h"
#include "support/http_server.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

using testsupport::DrivingHost;
using testsupport::HttpReply;

TEST(DownDlgDisplay, PercentIsDoneOverHundredthOfTheTotal) {
    EXPECT_EQ(zefi::DownloadPercent(50, 99), 0);
    EXPECT_EQ(zefi::DownloadPercent(150, 199), 150);  // 199 / 100 is 1
    EXPECT_EQ(zefi::DownloadPercent(3000000000LL, 6000000000LL), 50);
}

TEST(DownDlgDisplay, TimeEstimateFromTicksAndPercent) {
    EXPECT_EQ(zefi::TimeEstimate(100, 600, 50), "0:01:00");
    EXPECT_EQ(zefi::TimeEstimate(100, 360, 1), "0:59:24");
    EXPECT_EQ(zefi::TimeEstimate(100, 300, 25), "0:01:30");
    EXPECT_EQ(zefi::TimeEstimate(100, 36000, 1), "99:00:00");  // hours go past 24
    EXPECT_EQ(zefi::TimeEstimate(100, 5, 10), "0:00:00");      // half a second counts as 0
    EXPECT_EQ(zefi::TimeEstimate(100, 600, 0), "");
    EXPECT_EQ(zefi::TimeEstimate(100, 600, 130), "0:00:00");
}

// The dialog without its run: the test plays the run through the view and ticks the timer.
class IdleDlgDown : public zefi::DlgDown {
  public:
    void Tick() { OnTimer(kTimerId); }

  protected:
    bool OnInitDialog() override {
        ui::Dialog::OnInitDialog();
        SetRange(kFileBar, 0, 100);
        SetStep(kFileBar, 1);
        return true;
    }
};

class DownDlgTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_prefix->WriteHostFile("drive_c/ZEFI/.keep", "");
        m_prefix->WriteHostFile("drive_c/WORK/.keep", "");
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\WORK"));
        platform::SetThreadUILanguage(platform::kLangCzech);
    }

    // Serves a one-image data set whose image is image (its digest listed), and points dialog
    // at it.
    void Serve(zefi::DlgDown& dialog, const HttpReply& image, std::string* bytes = nullptr) {
        m_prefix->WriteHostFile("src/zeficz.txt", "ZEFICZ1");
        m_prefix->WriteHostFile("src/fill.dat", std::string(300000, 'f'));
        ASSERT_TRUE(testsupport::MakeIsoImage(m_prefix->Host("src"), "RIDEZEZ1",
                                              m_prefix->Host("drive_c/isos/disk1.iso")));
        char digest[zefi::kMd5HexSize] = {};
        ASSERT_EQ(zefi::HashFileMd5("C:\\isos\\disk1.iso", digest, nullptr), 0);
        const std::string disk = m_prefix->ReadHostFile("drive_c/isos/disk1.iso");
        if (bytes) *bytes = disk;
        HttpReply reply = image;
        if (reply.body.empty()) reply.body = disk;
        m_server.Set("/sites.txt", Text("cz " + m_server.Url("/pkg/packages.txt") + "\n"));
        m_server.Set("/pkg/packages.txt", Text(std::string(digest) + " disk1.iso\n"));
        m_server.Set("/pkg/disk1.iso", reply);
        dialog.SetDestinationDir("C:\\ZEFI");
        dialog.SetMasterAddress(m_server.Url("/sites.txt"));
    }
    static HttpReply Text(const std::string& body) {
        HttpReply reply;
        reply.body = body;
        return reply;
    }
    std::string LogText() { return m_prefix->ReadHostFile("drive_c/WORK/inetzefi.log"); }

    testsupport::HttpServer m_server;
    std::ostringstream m_out;
};

TEST_F(DownDlgTest, RunDownloadsAndClosesByItselfWithTheList) {
    zefi::DlgDown dialog;
    std::string disk;
    Serve(dialog, HttpReply(), &disk);
    ui::ScriptedHost host("", m_out);
    ui::ScopedHost scoped(host);

    EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);

    EXPECT_TRUE(dialog.IsFinished());
    EXPECT_EQ(dialog.GetRunResult(), 0);
    EXPECT_NE(m_out.str().find("dialog 142: "), std::string::npos) << m_out.str();
    EXPECT_EQ(m_out.str().find("message"), std::string::npos) << m_out.str();
    zefi::ImageListPtr list(dialog.TakeResultList());
    ASSERT_EQ(zefi::CountImages(list.get()), 1u);
    EXPECT_EQ(list.get()[0].verified, 1);
    EXPECT_EQ(dialog.TakeResultList(), nullptr);
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/disk1.iso"), disk);
    EXPECT_EQ(dialog.GetPos(zefi::DlgDown::kTaskBar), 4);
}

TEST_F(DownDlgTest, CancelAnsweredNoGoesOnYesStopsTheTransfer) {
    zefi::DlgDown dialog;
    HttpReply stalled;
    stalled.cutAfter = 100000;
    stalled.holdAfterCut = true;
    Serve(dialog, stalled);
    DrivingHost host(resources::kDlgDown, "message 101 no\nmessage 101 yes\n", m_out);
    ui::ScopedHost scoped(host);
    bool endedEarly = true;
    host.hook = [&](ui::Dialog& d) {
        // The generous limit only keeps a broken run from hanging the test binary.
        for (int i = 0; i < 6000 && dialog.Progress().doneBytes.load() < 100000; ++i)
            platform::Sleep(10);
        ASSERT_EQ(dialog.GetPhase(), zefi::PhaseDownload);
        EXPECT_TRUE(d.PressButton(ui::kIdCancel));
        EXPECT_EQ(dialog.GetRunState(), zefi::DlgDown::kRunRunning);
        EXPECT_TRUE(d.PressButton(ui::kIdCancel));
        EXPECT_NE(dialog.GetRunState(), zefi::DlgDown::kRunRunning);
        // A confirmed cancel does not ask again, and the dialog waits for the run.
        EXPECT_TRUE(d.PressButton(ui::kIdCancel));
        endedEarly = d.IsEnded();
    };

    EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);

    EXPECT_FALSE(endedEarly);
    EXPECT_TRUE(host.UnusedAnswers().empty());
    const std::string out = m_out.str();
    EXPECT_NE(out.find("message 101: Opravdu chcete p\u0159eru\u0161it instalaci? -> no"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("message 101: Opravdu chcete p\u0159eru\u0161it instalaci? -> yes"),
              std::string::npos);
    EXPECT_EQ(dialog.GetRunState(), zefi::DlgDown::kRunFinished);
    EXPECT_EQ(dialog.TakeResultList(), nullptr);
    const std::string log = LogText();
    EXPECT_NE(log.find("Operation was canceled.\r\nDone.\r\n"), std::string::npos) << log;
}

// The dialog without a run: the test stores what the run would and ticks the timer by hand.
class DownDlgTimer : public DownDlgTest {
  protected:
    void WithIdleDialog(const std::function<void(IdleDlgDown&, ui::Dialog&)>& check) {
        IdleDlgDown dialog;
        DrivingHost host(resources::kDlgDown, "", m_out);
        ui::ScopedHost scoped(host);
        host.hook = [&](ui::Dialog& shown) {
            check(dialog, shown);
            dialog.MarkFinished();
            dialog.PostClose();
        };
        EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
        EXPECT_EQ(m_out.str().find("message"), std::string::npos) << m_out.str();
    }
    // A download of the second of ten tasks, with its status and free space stored.
    static void StoreDownload(IdleDlgDown& dialog) {
        dialog.SetTaskRange(10);
        dialog.StepTask();
        dialog.StepTask();
        dialog.SetFreeSpace(12.3456 * 1073741824.0);
        dialog.SetStatusText("Stahov\u00e1n\u00ed souboru disk1.iso");
        dialog.SetPhase(zefi::PhaseDownload);
        dialog.ResetTicks();
    }
};

using zefi::DlgDown;

TEST_F(DownDlgTimer, PreparingAndQueryShowTheirStatusAndQueryStepsAWrappingBar) {
    WithIdleDialog([](IdleDlgDown& dialog, ui::Dialog& shown) {
        dialog.Tick();
        EXPECT_EQ(shown.GetItemText(DlgDown::kStatus), "P\u0159\u00edprava instalace ZEFI");

        dialog.SetPhase(zefi::PhaseQuery);
        const int before = shown.GetPos(DlgDown::kFileBar);
        dialog.Tick();
        EXPECT_EQ(shown.GetPos(DlgDown::kFileBar), before + 1);
        EXPECT_EQ(shown.GetItemText(DlgDown::kStatus),
                  "Z\u00edsk\u00e1n\u00ed informac\u00ed z internetu ......");
        shown.SetPos(DlgDown::kFileBar, 100);
        dialog.Tick();
        EXPECT_EQ(shown.GetPos(DlgDown::kFileBar), 0);
    });
}

TEST_F(DownDlgTimer, DownloadBelow100BytesMovesNothing) {
    WithIdleDialog([](IdleDlgDown& dialog, ui::Dialog& shown) {
        StoreDownload(dialog);
        dialog.Progress().totalBytes.store(99);
        dialog.Progress().doneBytes.store(99);
        shown.SetPos(DlgDown::kFileBar, 7);
        dialog.Tick();
        EXPECT_EQ(shown.GetPos(DlgDown::kFileBar), 7);
        EXPECT_EQ(shown.GetItemText(DlgDown::kTaskText), "");
    });
}

TEST_F(DownDlgTimer, DownloadShowsBarFreeSpaceAndTheEstimateFromItsTicks) {
    WithIdleDialog([](IdleDlgDown& dialog, ui::Dialog& shown) {
        StoreDownload(dialog);
        dialog.Progress().totalBytes.store(1000);
        dialog.Progress().doneBytes.store(500);
        for (int i = 0; i < 600; ++i) dialog.Tick();  // 60 seconds for half the file
        EXPECT_EQ(shown.GetPos(DlgDown::kFileBar), 50);
        EXPECT_EQ(shown.GetItemText(DlgDown::kStatus), "Stahov\u00e1n\u00ed souboru disk1.iso");
        EXPECT_EQ(shown.GetItemText(DlgDown::kFreeSpace), "Voln\u00e9 m\u00edsto: 12.3 GB");
        EXPECT_EQ(shown.GetItemText(DlgDown::kTaskText),
                  "\u00dakol: 2/10, Odhadovan\u00fd \u010das: 0:01:00");
    });
}

TEST_F(DownDlgTimer, CheckCountsItsOwnTicksFromAReset) {
    WithIdleDialog([](IdleDlgDown& dialog, ui::Dialog& shown) {
        StoreDownload(dialog);
        dialog.Progress().totalBytes.store(1000);
        dialog.Progress().doneBytes.store(500);
        for (int i = 0; i < 600; ++i) dialog.Tick();

        dialog.SetPhase(zefi::PhaseCheck);
        dialog.ResetTicks();
        dialog.Progress().totalBytes.store(10000);
        dialog.Progress().doneBytes.store(100);
        for (int i = 0; i < 360; ++i) dialog.Tick();
        EXPECT_EQ(shown.GetPos(DlgDown::kFileBar), 1);
        EXPECT_EQ(shown.GetItemText(DlgDown::kTaskText),
                  "\u00dakol: 2/10, Odhadovan\u00fd \u010das: 0:59:24");
    });
}

TEST_F(DownDlgTimer, IdleClearsTheStatus) {
    WithIdleDialog([](IdleDlgDown& dialog, ui::Dialog& shown) {
        StoreDownload(dialog);
        dialog.Progress().totalBytes.store(1000);
        dialog.Progress().doneBytes.store(500);
        dialog.Tick();
        ASSERT_NE(shown.GetItemText(DlgDown::kStatus), "");
        dialog.SetPhase(zefi::PhaseIdle);
        dialog.Tick();
        EXPECT_EQ(shown.GetItemText(DlgDown::kStatus), "");
    });
}

}  // namespace
