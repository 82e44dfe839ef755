// Tests of the copy dialog: real install scripts run by its worker in a temporary prefix, the
// install log frame, Cancel and the stop it requests, the display timer and its texts.
#include "dialogs/copy_dlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "download/attach_image.h"
#include "download/image_list.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "support/driving_host.h"
#include "support/files.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"
#include "system/edition.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

constexpr double kGiB = 1073741824.0;

// ---- The display texts ----

TEST(CopyDlgDisplay, FreeSpaceIsCutAfterOneDecimalNotRounded) {
    EXPECT_EQ(zefi::FreeSpaceGigabytes(1.99 * kGiB), "1.9");
    EXPECT_EQ(zefi::FreeSpaceGigabytes(1.96 * kGiB), "1.9");
    EXPECT_EQ(zefi::FreeSpaceGigabytes(25.75 * kGiB), "25.7");
    EXPECT_EQ(zefi::FreeSpaceGigabytes(0.05 * kGiB), "0.0");
    EXPECT_EQ(zefi::FreeSpaceGigabytes(10 * kGiB), "10");
    EXPECT_EQ(zefi::FreeSpaceGigabytes(0), "0");
    // Ten significant digits come first: 2 GiB less one byte is 1.999999999 -> "1.9", less a
    // hundred bytes it rounds to ten digits before the cut.
    EXPECT_EQ(zefi::FreeSpaceGigabytes(2 * kGiB - 1), "1.9");
    EXPECT_EQ(zefi::FreeSpaceGigabytes(2 * kGiB - 1e-3), "2");
}

TEST(CopyDlgDisplay, TinyFreeSpaceShowsZeroNotTheMantissa) {
    // 100 bytes are 9.3e-08 GiB: the figure must not read 9.3.
    EXPECT_EQ(zefi::FreeSpaceGigabytes(100), "0.0");
    EXPECT_EQ(zefi::FreeSpaceGigabytes(50000), "0.0");
}

TEST(CopyDlgDisplay, FreeSpaceTextInBothLanguages) {
    platform::SetThreadUILanguage(platform::kLangSlovak);
    EXPECT_EQ(zefi::FreeSpaceText(1.99 * kGiB), "Vo\u013en\u00e9 miesto: 1.9 GB");
    platform::SetThreadUILanguage(platform::kLangCzech);
    EXPECT_EQ(zefi::FreeSpaceText(1.99 * kGiB), "Voln\u00e9 m\u00edsto: 1.9 GB");
}

TEST(CopyDlgDisplay, ProgressIsBytesOverHundredthOfTheSize) {
    EXPECT_EQ(zefi::ProgressPosition(500, 1000), 50);
    EXPECT_EQ(zefi::ProgressPosition(999, 1000), 99);
    // 10050 / 100 = 100 in integer arithmetic, so 5000 bytes are at 50.
    EXPECT_EQ(zefi::ProgressPosition(5000, 10050), 50);
    EXPECT_EQ(zefi::ProgressPosition(100, 100), 100);
    EXPECT_EQ(zefi::ProgressPosition(50, 99), 0);
    // A file of 4 GiB or more: the 0xFFFFFFFF marker does not overflow.
    EXPECT_EQ(zefi::ProgressPosition(0x7FFFFFFFu, 0xFFFFFFFFu), 50);
    EXPECT_EQ(zefi::ProgressPosition(0xFFFFFFFFu, 0xFFFFFFFFu), 100);
}

TEST(CopyDlgDisplay, DestinationDirectoryInLongFormFileNameUnchanged) {
    testsupport::TempPrefix prefix;
    prefix.WriteHostFile("drive_c/Program Data/Zefi Win/keep", "");
    EXPECT_EQ(zefi::LongDestinationText("c:\\program data\\ZEFI WIN\\NEW.DAT"),
              "C:\\Program Data\\Zefi Win\\NEW.DAT");
    // A directory that does not exist (yet) and a name without a directory stay as they are.
    EXPECT_EQ(zefi::LongDestinationText("c:\\missing\\dir\\a.dat"), "c:\\missing\\dir\\a.dat");
    EXPECT_EQ(zefi::LongDestinationText("a.dat"), "a.dat");
    EXPECT_EQ(zefi::LongDestinationText("C:\\a.dat"), "C:\\a.dat");
}

// ---- Runs ----

// The copy dialog with a gate: the worker stops at the first file it is about to copy until the
// test opens the gate, and the test can run the display timer by hand.
class GatedCopyDlg : public zefi::CCopyDlg {
  public:
    void SetFileSize(uint32_t size) override {
        zefi::CCopyDlg::SetFileSize(size);
        std::unique_lock<std::mutex> lock(m_gateMutex);
        if (m_passed) return;
        m_reached = true;
        m_gateChanged.notify_all();
        // The generous limit only keeps a broken run from hanging the test binary.
        m_gateChanged.wait_for(lock, std::chrono::seconds(60), [this] { return m_open; });
        m_passed = true;
    }
    // Waits (on the dialog's thread) until the worker stands at the gate.
    bool WaitAtGate() {
        std::unique_lock<std::mutex> lock(m_gateMutex);
        return m_gateChanged.wait_for(lock, std::chrono::seconds(60), [this] { return m_reached; });
    }
    void OpenGate() {
        std::lock_guard<std::mutex> lock(m_gateMutex);
        m_open = true;
        m_gateChanged.notify_all();
    }
    void Tick() { OnTimer(kTimerId); }

  private:
    std::mutex m_gateMutex;
    std::condition_variable m_gateChanged;
    bool m_reached = false;
    bool m_open = false;
    bool m_passed = false;
};

// Drive C: with the medium in C:\SRC, the destination C:\ZEFI and the current directory C:\WORK,
// where the install script and the install log lie.
class CopyDlgRun : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_prefix->WriteHostFile("drive_c/ZEFI/.keep", "");
        m_prefix->WriteHostFile("drive_c/WORK/.keep", "");
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\WORK"));
        platform::SetThreadUILanguage(platform::kLangCzech);
        zefi::SettleEdition(0);
    }
    void TearDown() override {
        zefi::SettleEdition(0);
        platform::SetThreadUILanguage(platform::kLangCzech);
        PrefixTest::TearDown();
    }

    void WriteC(const std::string& path, const std::string& content) {
        m_prefix->WriteHostFile("drive_c/" + path, content);
    }
    std::string ReadC(const std::string& path) { return m_prefix->ReadHostFile("drive_c/" + path); }
    bool ExistsC(const std::string& path) {
        return platform::GetFileAttributes("C:\\" + path) != platform::kInvalidFileAttributes;
    }

    void Prepare(zefi::CCopyDlg& dialog) {
        dialog.SetSourceRoot("C:\\SRC\\");
        dialog.SetDestinationRoot("C:\\ZEFI");
    }

    // Runs dialog modally with the scripted host and answers; the host's lines go to m_out.
    int RunScripted(zefi::CCopyDlg& dialog, const std::string& answers = "") {
        ui::ScriptedHost host(answers, m_out);
        ui::ScopedHost scoped(host);
        int result = dialog.DoModal();
        EXPECT_TRUE(host.UnusedAnswers().empty());
        return result;
    }
    int RunDriven(zefi::CCopyDlg& dialog, const std::string& answers,
                  std::function<void(ui::Dialog&)> hook) {
        testsupport::DrivingHost host(resources::kDlgCopy, answers, m_out);
        host.hook = std::move(hook);
        ui::ScopedHost scoped(host);
        return dialog.DoModal();
    }

    // The install log's lines (CR LF line ends).
    std::vector<std::string> LogLines() { return testsupport::LogLines(ReadC("WORK/inszefi.log")); }
    // The frame lines of the log: everything the worker writes itself, in order.
    std::vector<std::string> FrameLines() {
        static const std::regex frame(
            "Instalation: .*|Started: .*|Not installed: .*|Is NetMaster|Not NetMaster|Is "
            "NetInst|Instalace .*|Finished: .*");
        std::vector<std::string> out;
        for (const std::string& line : LogLines())
            if (std::regex_match(line, frame)) out.push_back(line);
        return out;
    }
    bool LogHas(const std::string& line) {
        for (const std::string& l : LogLines())
            if (l == line) return true;
        return false;
    }
    size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
            ++n;
        return n;
    }

    std::ostringstream m_out;
};

const std::regex kTimeLine(
    "(Started|Finished): \\d{1,2}\\.\\d{1,2}\\.\\d{4} "
    "\\d{1,2}:\\d{1,2}:\\d{1,2},\\d{1,3}");

// A script with a part in every start group and groups for the optional parts.
const char kScript[] =
    "[STARTW]\n"
    "List = MAIN, LITG, SLOVG, CZECHG\n"
    "[STARTNW]\n"
    ":print net\n"
    "List = NETG\n"
    "[STARTMW]\n"
    "List = MASTERG\n"
    "[MAIN]\n"
    "Source = DATA\n"
    "Dest = DATA\n"
    ":i *.dat\n"
    ":ibat run.bat\n"
    "[LITG]\n"
    "Source = LIT\n"
    "Dest = LIT\n"
    "CfgGroup = LIT\n"
    ":i lit.dat\n"
    "[SLOVG]\n"
    "Source = SLOV\n"
    "Dest = SLOV\n"
    "CfgGroup = SLOV\n"
    ":i slov.dat\n"
    "[CZECHG]\n"
    "Source = CZECH\n"
    "Dest = CZECH\n"
    "CfgGroup = CZECH\n"
    ":i czech.dat\n"
    "[NETG]\n"
    "Source = DATA\n"
    "Dest = NET\n"
    ":i a.dat\n"
    "[MASTERG]\n"
    "Source = DATA\n"
    "Dest = MASTER\n"
    ":i a.dat\n";

class CopyDlgScriptRun : public CopyDlgRun {
  protected:
    void SetUp() override {
        CopyDlgRun::SetUp();
        WriteC("WORK/cd.cfg", kScript);
        WriteC("SRC/DATA/a.dat", "alpha");
        WriteC("SRC/DATA/b.dat", "beta");
        WriteC("SRC/DATA/run.bat", "new");
        WriteC("SRC/LIT/lit.dat", "lit");
        WriteC("SRC/SLOV/slov.dat", "slov");
        WriteC("SRC/CZECH/czech.dat", "czech");
    }
};

TEST_F(CopyDlgScriptRun, StandaloneRunCopiesAndWritesTheFrame) {
    zefi::CCopyDlg dialog;
    Prepare(dialog);
    RunScripted(dialog);

    EXPECT_EQ(dialog.GetCompleted(), 1);
    EXPECT_EQ(dialog.GetInterrupted(), 0);
    EXPECT_TRUE(dialog.IsThreadFinished());
    EXPECT_EQ(ReadC("ZEFI/DATA/a.dat"), "alpha");
    EXPECT_EQ(ReadC("ZEFI/DATA/b.dat"), "beta");
    // Literature and the Slovak texts were not chosen: their groups run in no-install mode.
    EXPECT_FALSE(ExistsC("ZEFI/LIT/lit.dat"));
    EXPECT_FALSE(ExistsC("ZEFI/SLOV/slov.dat"));
    EXPECT_TRUE(ExistsC("ZEFI/CZECH/czech.dat"));
    EXPECT_FALSE(ExistsC("ZEFI/NET"));

    std::vector<std::string> frame = FrameLines();
    ASSERT_EQ(frame.size(), 7u);
    EXPECT_EQ(frame[0], "Instalation: Src: C:\\SRC\\, Dst: C:\\ZEFI");
    EXPECT_TRUE(std::regex_match(frame[1], kTimeLine)) << frame[1];
    EXPECT_EQ(frame[2], "Not installed: LIT");
    EXPECT_EQ(frame[3], "Not installed: SLOV");
    EXPECT_EQ(frame[4], "Not NetMaster");
    EXPECT_EQ(frame[5], "Instalace dokoncena");
    EXPECT_TRUE(std::regex_match(frame[6], kTimeLine)) << frame[6];
    // The frame encloses the engine's lines: first two lines and last two.
    std::vector<std::string> lines = LogLines();
    ASSERT_GT(lines.size(), 8u);
    EXPECT_EQ(lines[0], frame[0]);
    EXPECT_EQ(lines[1], frame[1]);
    EXPECT_EQ(lines[lines.size() - 2], "Instalace dokoncena");
    EXPECT_EQ(lines.back(), frame[6]);
    EXPECT_TRUE(LogHas("Group: STARTW"));
    EXPECT_FALSE(LogHas("Group: STARTNW"));

    // The scripted host waited for the progress dialog, which closed by itself.
    EXPECT_NE(m_out.str().find("dialog 6: Kop\u00edrov\u00e1n\u00ed dat syst\u00e9mu ZEFI"),
              std::string::npos)
        << m_out.str();
    EXPECT_NE(m_out.str().find("-> wait"), std::string::npos);
    EXPECT_EQ(m_out.str().find("message 101"), std::string::npos);
}

TEST_F(CopyDlgScriptRun, ChosenPartsAreInstalledAndNotLogged) {
    zefi::CCopyDlg dialog;
    Prepare(dialog);
    dialog.SetLiterature(1);
    dialog.SetOtherCountry(1);
    RunScripted(dialog);

    EXPECT_EQ(dialog.GetCompleted(), 1);
    EXPECT_EQ(ReadC("ZEFI/LIT/lit.dat"), "lit");
    EXPECT_EQ(ReadC("ZEFI/SLOV/slov.dat"), "slov");
    std::vector<std::string> frame = FrameLines();
    ASSERT_EQ(frame.size(), 5u);
    EXPECT_EQ(frame[2], "Not NetMaster");
}

TEST_F(CopyDlgScriptRun, NetworkInstallationRunsStartNw) {
    zefi::CCopyDlg dialog;
    Prepare(dialog);
    dialog.SetLiterature(1);
    dialog.SetNetInst(1);
    RunScripted(dialog);

    EXPECT_EQ(dialog.GetCompleted(), 1);
    EXPECT_EQ(ReadC("ZEFI/NET/a.dat"), "alpha");
    EXPECT_FALSE(ExistsC("ZEFI/DATA"));
    std::vector<std::string> frame = FrameLines();
    ASSERT_EQ(frame.size(), 7u);
    EXPECT_EQ(frame[2], "Not installed: SLOV");
    EXPECT_EQ(frame[3], "Not NetMaster");
    EXPECT_EQ(frame[4], "Is NetInst");
    EXPECT_EQ(frame[5], "Instalace dokoncena");
    EXPECT_TRUE(LogHas("Group: STARTNW"));
}

TEST_F(CopyDlgScriptRun, NetMasterWinsOverNetInst) {
    zefi::CCopyDlg dialog;
    Prepare(dialog);
    dialog.SetLiterature(1);
    dialog.SetOtherCountry(1);
    dialog.SetNetMaster(1);
    dialog.SetNetInst(1);
    RunScripted(dialog);

    EXPECT_EQ(dialog.GetCompleted(), 1);
    EXPECT_EQ(ReadC("ZEFI/MASTER/a.dat"), "alpha");
    EXPECT_FALSE(ExistsC("ZEFI/NET"));
    std::vector<std::string> frame = FrameLines();
    ASSERT_EQ(frame.size(), 5u);
    EXPECT_EQ(frame[2], "Is NetMaster");
    EXPECT_EQ(frame[3], "Instalace dokoncena");
    EXPECT_TRUE(LogHas("Group: STARTMW"));
}

TEST_F(CopyDlgScriptRun, SlovakEditionReadsCdsCfgAndLeavesOutTheCzechTexts) {
    WriteC("WORK/cds.cfg", kScript);
    ASSERT_TRUE(platform::DeleteFile("C:\\WORK\\cd.cfg"));
    zefi::SettleEdition(1);
    zefi::CCopyDlg dialog;
    Prepare(dialog);
    dialog.SetLiterature(1);
    RunScripted(dialog);

    EXPECT_EQ(dialog.GetCompleted(), 1);
    EXPECT_TRUE(ExistsC("ZEFI/SLOV/slov.dat"));
    EXPECT_FALSE(ExistsC("ZEFI/CZECH/czech.dat"));
    // The log line names SLOV in both editions.
    std::vector<std::string> frame = FrameLines();
    ASSERT_EQ(frame.size(), 6u);
    EXPECT_EQ(frame[2], "Not installed: SLOV");
}

TEST_F(CopyDlgScriptRun, OnlyNewerAndChoosePartsAnewReachTheEngine) {
    // a.dat with the source's time and size is skipped only with only-newer; the existing
    // run.bat is replaced only in a fresh installation (parts chosen anew).
    WriteC("ZEFI/DATA/a.dat", "ALPHA");
    WriteC("ZEFI/DATA/run.bat", "old");
    platform::FindData source;
    ASSERT_TRUE(platform::GetFileInfo("C:\\SRC\\DATA\\a.dat", &source));
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\ZEFI\\DATA\\a.dat", source.lastWriteTime));

    zefi::CCopyDlg update;
    Prepare(update);
    update.SetOnlyNewer(1);
    RunScripted(update);
    EXPECT_EQ(update.GetCompleted(), 1);
    EXPECT_EQ(ReadC("ZEFI/DATA/a.dat"), "ALPHA");
    EXPECT_EQ(ReadC("ZEFI/DATA/run.bat"), "old");

    zefi::CCopyDlg fresh;
    Prepare(fresh);
    fresh.SetChoosePartsAnew(1);
    RunScripted(fresh);
    EXPECT_EQ(fresh.GetCompleted(), 1);
    EXPECT_EQ(ReadC("ZEFI/DATA/a.dat"), "alpha");
    EXPECT_EQ(ReadC("ZEFI/DATA/run.bat"), "new");
}

TEST_F(CopyDlgRun, MissingScriptEndsInterrupted) {
    zefi::CCopyDlg dialog;
    Prepare(dialog);
    RunScripted(dialog);

    EXPECT_EQ(dialog.GetCompleted(), 0);
    EXPECT_EQ(dialog.GetInterrupted(), 1);
    EXPECT_TRUE(LogHas("Chyba pri cteni cd.cfg"));
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Instalace prerusena");
    EXPECT_TRUE(std::regex_match(lines.back(), kTimeLine));
}

TEST_F(CopyDlgRun, SecondRunReplacesTheLog) {
    WriteC("WORK/cd.cfg", "[STARTW]\n:print one\n");
    {
        zefi::CCopyDlg dialog;
        Prepare(dialog);
        RunScripted(dialog);
    }
    WriteC("WORK/cd.cfg", "[STARTW]\n:print two\n");
    zefi::CCopyDlg dialog;
    dialog.SetSourceRoot("C:\\OTHER\\");
    dialog.SetDestinationRoot("C:\\ZEFI");
    RunScripted(dialog);
    std::vector<std::string> lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Instalation: Src: C:\\OTHER\\, Dst: C:\\ZEFI");
    EXPECT_EQ(Count(ReadC("WORK/inszefi.log"), "Instalation: "), 1u);
}

TEST_F(CopyDlgRun, FailedActionShowsTheErrorDialogAndExitInterrupts) {
    // A file where the part's directory should be: mkdir fails.
    WriteC("ZEFI/PART", "in the way");
    WriteC("WORK/cd.cfg", "[STARTW]\nDest = PART\n:mkdir\n:print after\n");
    zefi::CCopyDlg dialog;
    Prepare(dialog);
    RunScripted(dialog, "dialog 9 ok\n");

    EXPECT_EQ(dialog.GetInterrupted(), 1);
    EXPECT_EQ(dialog.GetCompleted(), 0);
    const std::string out = m_out.str();
    EXPECT_NE(
        out.find("dialog 9: Instalace ZEFI pro Windows | Chyba p\u0159i vytv\u00e1\u0159en\u00ed "
                 "adres\u00e1\u0159e"),
        std::string::npos)
        << out;
    EXPECT_TRUE(LogHas("Instalace prerusena"));
}

TEST_F(CopyDlgRun, RetryInTheErrorDialogRepeatsTheAction) {
    WriteC("ZEFI/PART", "in the way");
    WriteC("WORK/cd.cfg", "[STARTW]\nDest = PART\n:mkdir\n");
    zefi::CCopyDlg dialog;
    Prepare(dialog);
    RunScripted(dialog, "dialog 9 retry\ndialog 9 ok\n");
    EXPECT_EQ(Count(m_out.str(), "dialog 9: "), 2u);
    EXPECT_EQ(dialog.GetInterrupted(), 1);
}

// ---- Cancel ----

// A large first file (copied by hand in blocks) and a second one that a stopped run never
// reaches.
class CopyDlgCancel : public CopyDlgRun {
  protected:
    void SetUp() override {
        CopyDlgRun::SetUp();
        WriteC("WORK/cd.cfg", "[STARTW]\nSource = DATA\nDest = DATA\n:i big.dat\n:i small.dat\n");
        WriteC("SRC/DATA/big.dat", std::string(300000, 'x'));
        WriteC("SRC/DATA/small.dat", "small");
    }
};

TEST_F(CopyDlgCancel, YesStopsTheRunAndTheDialogWaitsForTheWorker) {
    GatedCopyDlg dialog;
    Prepare(dialog);
    bool endedBeforeWorker = true;
    RunDriven(dialog, "message 101 yes\n", [&](ui::Dialog& d) {
        ASSERT_TRUE(dialog.WaitAtGate());
        EXPECT_TRUE(d.PressButton(ui::kIdCancel));
        EXPECT_EQ(dialog.GetThreadState(), zefi::CCopyDlg::ThreadState::StopRequested);
        EXPECT_TRUE(dialog.WasCancelAsked());
        // The dialog stays open until its worker has finished.
        endedBeforeWorker = d.IsEnded();
        // A second Cancel does not ask again.
        EXPECT_TRUE(d.PressButton(ui::kIdCancel));
        EXPECT_FALSE(d.IsEnded());
        dialog.OpenGate();
    });

    EXPECT_FALSE(endedBeforeWorker);
    EXPECT_EQ(
        Count(m_out.str(), "message 101: Opravdu chcete p\u0159eru\u0161it instalaci? -> yes"), 1u)
        << m_out.str();
    EXPECT_EQ(Count(m_out.str(), "message 101"), 1u);
    EXPECT_EQ(dialog.GetInterrupted(), 1);
    EXPECT_EQ(dialog.GetCompleted(), 0);
    EXPECT_TRUE(LogHas("Interrupted by user"));
    // The partly copied file stays; the next file is never reached.
    EXPECT_TRUE(ExistsC("ZEFI/DATA/big.dat"));
    EXPECT_LT(ReadC("ZEFI/DATA/big.dat").size(), 300000u);
    EXPECT_FALSE(ExistsC("ZEFI/DATA/small.dat"));
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Instalace prerusena");
    EXPECT_TRUE(std::regex_match(lines.back(), kTimeLine));
}

TEST_F(CopyDlgCancel, NoLeavesTheRunUntouchedAndAsksAgain) {
    GatedCopyDlg dialog;
    Prepare(dialog);
    RunDriven(dialog, "message 101 no\nmessage 101 no\n", [&](ui::Dialog& d) {
        ASSERT_TRUE(dialog.WaitAtGate());
        d.PressButton(ui::kIdCancel);
        EXPECT_EQ(dialog.GetThreadState(), zefi::CCopyDlg::ThreadState::Running);
        EXPECT_FALSE(dialog.WasCancelAsked());
        d.PressButton(ui::kIdCancel);
        EXPECT_FALSE(d.IsEnded());
        dialog.OpenGate();
    });

    EXPECT_EQ(Count(m_out.str(), "message 101: "), 2u) << m_out.str();
    EXPECT_EQ(dialog.GetCompleted(), 1);
    EXPECT_EQ(dialog.GetInterrupted(), 0);
    EXPECT_EQ(ReadC("ZEFI/DATA/big.dat").size(), 300000u);
    EXPECT_EQ(ReadC("ZEFI/DATA/small.dat"), "small");
    EXPECT_TRUE(LogHas("Instalace dokoncena"));
}

TEST_F(CopyDlgCancel, CancelAfterTheRunClosesWithoutAsking) {
    GatedCopyDlg dialog;
    Prepare(dialog);
    RunDriven(dialog, "", [&](ui::Dialog& d) {
        dialog.OpenGate();
        // Wait for the worker's end without handling its close request yet.
        while (!dialog.IsThreadFinished()) platform::Sleep(10);
        EXPECT_TRUE(d.PressButton(ui::kIdCancel));
        EXPECT_TRUE(d.IsEnded());
    });
    EXPECT_EQ(m_out.str().find("message 101"), std::string::npos) << m_out.str();
    EXPECT_EQ(dialog.GetCompleted(), 1);
}

// ---- The display timer ----

// A copy dialog whose run reports nothing itself: once its worker has finished, the test stores
// values as the worker would and runs the display timer by hand, and nothing overwrites them.
class CopyDlgTimer : public CopyDlgRun {
  protected:
    using Check = std::function<void(GatedCopyDlg& dialog, ui::Dialog& shown)>;
    void WithIdleDialog(const Check& check) {
        WriteC("WORK/cd.cfg", "[STARTW]\n:print quiet\n");
        GatedCopyDlg dialog;
        Prepare(dialog);
        RunDriven(dialog, "", [&](ui::Dialog& shown) {
            dialog.OpenGate();  // the test's own SetFileSize calls pass
            while (!dialog.IsThreadFinished()) platform::Sleep(10);
            check(dialog, shown);
        });
        EXPECT_EQ(dialog.GetCompleted(), 1);
    }
    // What the worker stores as it copies a file.
    static void StoreCopy(GatedCopyDlg& dialog, const std::string& source,
                          const std::string& destination, uint32_t size, uint32_t done) {
        dialog.SetMode(zefi::kModeCopying);
        dialog.SetSourceText(source);
        dialog.SetDestinationText(destination);
        dialog.SetFileSize(size);
        dialog.SetBytesDone(done);
    }
    static std::string Text(ui::Dialog& shown, int id) { return shown.GetItemText(id); }

    const std::string m_copying = "Prob\u00edh\u00e1 kop\u00edrov\u00e1n\u00ed...";
    const std::string m_checking = "Kontroluj\u00ed se nainstalovan\u00e9 sou\u010d\u00e1sti...";
};

using zefi::CCopyDlg;

TEST_F(CopyDlgTimer, CopyShowsStatusPathsBarAndFreeSpace) {
    WriteC("ZEFI/Long Name/.keep", "");
    WithIdleDialog([&](GatedCopyDlg& dialog, ui::Dialog& shown) {
        StoreCopy(dialog, "C:\\SRC\\big.dat", "c:\\zefi\\long name\\BIG.DAT", 1000, 500);
        dialog.SetFreeSpace(1.99 * kGiB);
        dialog.Tick();
        EXPECT_EQ(Text(shown, CCopyDlg::kStatus), m_copying);
        EXPECT_EQ(Text(shown, CCopyDlg::kSource), "C:\\SRC\\big.dat");
        // The directory in its long form, the file name as stored.
        EXPECT_EQ(Text(shown, CCopyDlg::kDestination), "C:\\ZEFI\\Long Name\\BIG.DAT");
        EXPECT_EQ(shown.GetPos(CCopyDlg::kProgress), 50);
        EXPECT_EQ(Text(shown, CCopyDlg::kFreeSpace), "Voln\u00e9 m\u00edsto: 1.9 GB");
    });
}

TEST_F(CopyDlgTimer, NothingShowsWhilePreparingNorForAFileBelow100Bytes) {
    WithIdleDialog([&](GatedCopyDlg& dialog, ui::Dialog& shown) {
        dialog.Tick();
        EXPECT_EQ(Text(shown, CCopyDlg::kStatus), "");
        EXPECT_EQ(shown.GetPos(CCopyDlg::kProgress), 0);

        StoreCopy(dialog, "C:\\SRC\\tiny.dat", "C:\\ZEFI\\tiny.dat", 99, 50);
        dialog.Tick();
        EXPECT_EQ(Text(shown, CCopyDlg::kStatus), "");
        EXPECT_EQ(Text(shown, CCopyDlg::kSource), "");
        EXPECT_EQ(shown.GetPos(CCopyDlg::kProgress), 0);
    });
}

TEST_F(CopyDlgTimer, NothingMovesUntilTheByteCountChanges) {
    WithIdleDialog([&](GatedCopyDlg& dialog, ui::Dialog& shown) {
        StoreCopy(dialog, "C:\\SRC\\big.dat", "C:\\ZEFI\\big.dat", 1000, 500);
        dialog.SetFreeSpace(1.99 * kGiB);
        dialog.Tick();

        // A new file and new free space, but the same byte count: the display stays.
        dialog.SetSourceText("C:\\SRC\\next.dat");
        dialog.SetDestinationText("C:\\ZEFI\\next.dat");
        dialog.SetFreeSpace(5 * kGiB);
        dialog.Tick();
        EXPECT_EQ(Text(shown, CCopyDlg::kSource), "C:\\SRC\\big.dat");
        EXPECT_EQ(Text(shown, CCopyDlg::kFreeSpace), "Voln\u00e9 m\u00edsto: 1.9 GB");

        dialog.SetBytesDone(750);
        dialog.Tick();
        EXPECT_EQ(Text(shown, CCopyDlg::kSource), "C:\\SRC\\next.dat");
        EXPECT_EQ(Text(shown, CCopyDlg::kDestination), "C:\\ZEFI\\next.dat");
        EXPECT_EQ(shown.GetPos(CCopyDlg::kProgress), 75);
        EXPECT_EQ(Text(shown, CCopyDlg::kFreeSpace), "Voln\u00e9 m\u00edsto: 5 GB");
    });
}

TEST_F(CopyDlgTimer, CheckingAndSynchronisingStepAWrappingActivityBar) {
    WithIdleDialog([&](GatedCopyDlg& dialog, ui::Dialog& shown) {
        StoreCopy(dialog, "C:\\SRC\\big.dat", "C:\\ZEFI\\big.dat", 1000, 750);
        dialog.Tick();
        ASSERT_EQ(shown.GetPos(CCopyDlg::kProgress), 75);

        dialog.SetMode(zefi::kModeChecking);
        dialog.SetDestinationText("C:\\ZEFI\\same.dat");
        dialog.Tick();
        EXPECT_EQ(Text(shown, CCopyDlg::kStatus), m_checking);
        EXPECT_EQ(Text(shown, CCopyDlg::kDestination), "C:\\ZEFI\\same.dat");
        EXPECT_EQ(shown.GetPos(CCopyDlg::kProgress), 76);
        for (int i = 0; i < 24; ++i) dialog.Tick();
        EXPECT_EQ(shown.GetPos(CCopyDlg::kProgress), 100);
        dialog.Tick();
        EXPECT_EQ(shown.GetPos(CCopyDlg::kProgress), 0);

        dialog.SetMode(zefi::kModeSynchronising);
        dialog.Tick();
        EXPECT_EQ(Text(shown, CCopyDlg::kStatus),
                  "Synchronizace adres\u00e1\u0159ov\u00e9 struktury...");
        EXPECT_EQ(shown.GetPos(CCopyDlg::kProgress), 1);
    });
}

TEST_F(CopyDlgTimer, PreparingClearsAllButTheFreeSpaceAndThePathsComeBackAfter) {
    // Preparing is also the wait for another disk.
    WithIdleDialog([&](GatedCopyDlg& dialog, ui::Dialog& shown) {
        StoreCopy(dialog, "C:\\SRC\\big.dat", "C:\\ZEFI\\same.dat", 1000, 500);
        dialog.SetFreeSpace(5 * kGiB);
        dialog.Tick();

        dialog.SetMode(zefi::kModePreparing);
        dialog.Tick();
        EXPECT_EQ(Text(shown, CCopyDlg::kStatus), "");
        EXPECT_EQ(Text(shown, CCopyDlg::kSource), "");
        EXPECT_EQ(Text(shown, CCopyDlg::kDestination), "");
        EXPECT_EQ(shown.GetPos(CCopyDlg::kProgress), 0);
        EXPECT_EQ(Text(shown, CCopyDlg::kFreeSpace), "Voln\u00e9 m\u00edsto: 5 GB");

        // The same destination as before is shown again.
        dialog.SetMode(zefi::kModeChecking);
        dialog.Tick();
        EXPECT_EQ(Text(shown, CCopyDlg::kDestination), "C:\\ZEFI\\same.dat");
    });
}

// ---- Download mode: the run's disk images ----

TEST_F(CopyDlgRun, DiskImagesServeTheRunAndAreDetachedAtItsEnd) {
    // Two images in the destination; the run starts on the first and the script asks for the
    // disk that holds "disk2.mrk", which only the second image of the list has.
    m_prefix->WriteHostFile("img1/zeficz.txt", "ZEFICZ1");
    m_prefix->WriteHostFile("img1/DATA/one.dat", "one");
    m_prefix->WriteHostFile("img2/zeficz.txt", "ZEFICZ2");
    m_prefix->WriteHostFile("img2/DATA/two.dat", "two");
    m_prefix->WriteHostFile("img2/disk2.mrk", "2");
    std::string log;
    ASSERT_TRUE(testsupport::MakeIsoImage(m_prefix->Host("img1"), "RIDEZEZ1",
                                          m_prefix->Host("drive_c/ZEFI/disk1.iso"), "-J -R", &log))
        << log;
    ASSERT_TRUE(testsupport::MakeIsoImage(m_prefix->Host("img2"), "RIDEZEZ2",
                                          m_prefix->Host("drive_c/ZEFI/disk2.iso"), "-J -R", &log))
        << log;
    WriteC("WORK/cd.cfg",
           "[STARTW]\nList = ONE, TWO\n"
           "[ONE]\nSource = DATA\nDest = DATA\n:i one.dat\n"
           "[TWO]\nSource = DATA\nDest = DATA\nCD = disk2.mrk\n:i two.dat\n");

    zefi::ImageListPtr list(zefi::CreateImageList(2));
    ASSERT_NE(list, nullptr);
    int32_t status = 0;
    for (int i = 0; i < 2; ++i) {
        zefi::SetImageText(list.get()[i].digest, "0123456789abcdef0123456789abcdef");
        zefi::SetImageText(list.get()[i].name, i == 0 ? "disk1.iso" : "disk2.iso");
        zefi::ImageHandle none =
            zefi::AttachImage("C:\\ZEFI", &list.get()[i], zefi::kAttachCheck, 0, &status);
        ASSERT_EQ(status, zefi::kAttachFound);
    }
    zefi::ImageHandle first =
        zefi::AttachImage("C:\\ZEFI", list.get(), zefi::kAttachKeep, 0, &status);
    ASSERT_NE(first, nullptr);
    std::string root;
    ASSERT_TRUE(first->GetDriveRoot(&root));

    zefi::CCopyDlg dialog;
    dialog.SetSourceRoot(root);
    dialog.SetDestinationRoot("C:\\ZEFI");
    dialog.SetLiterature(1);
    dialog.SetOtherCountry(1);
    dialog.SetDiskImages(std::move(first), list.get(), "C:\\ZEFI");
    RunScripted(dialog);

    EXPECT_EQ(dialog.GetCompleted(), 1) << ReadC("WORK/inszefi.log");
    EXPECT_EQ(ReadC("ZEFI/DATA/one.dat"), "one");
    EXPECT_EQ(ReadC("ZEFI/DATA/two.dat"), "two");
    // The worker closed whatever image it held last: no image drive is left.
    EXPECT_EQ(dialog.TakeImageHandle(), nullptr);
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
    EXPECT_EQ(platform::GetDriveType("E:\\"), platform::kDriveNoRootDir);
}

}  // namespace
