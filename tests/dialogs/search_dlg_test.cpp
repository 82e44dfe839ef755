// Tests of the installation search: which drives and entries count, the order of the drives,
// and Cancel while the worker is looking at a drive.
#include "dialogs/search_dlg.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

class SearchDlg : public testsupport::PrefixTest {
  protected:
    // Describes the drives (machine.ini [drives] lines) and creates their host directories.
    void SetDrives(const std::string& drives, const std::vector<std::string>& hostDirs) {
        m_prefix->WriteHostFile("machine.ini", "[drives]\n" + drives);
        for (const std::string& dir : hostDirs) {
            std::filesystem::create_directories(m_prefix->Host(dir));
        }
        platform::ReloadMachine();
    }
    void MakeDir(const std::string& hostDir) {
        std::filesystem::create_directories(m_prefix->Host(hostDir));
    }
    // Shows dialog through a scripted host with answers; returns the modal result.
    int Show(zefi::SearchDlg& dialog, const std::string& answers = "") {
        ui::ScriptedHost host(answers, m_out);
        ui::ScopedHost scoped(host);
        return dialog.DoModal();
    }
    std::ostringstream m_out;
};

TEST_F(SearchDlg, FirstFixedDriveWithTheDirectoryWins) {
    SetDrives("C = c, fixed\nD = d, fixed\nZ = z, fixed\n", {"c", "d", "z"});
    MakeDir("c/zefi");  // any spelling on disk matches
    MakeDir("d/ZEFI");
    zefi::SearchDlg dialog;
    EXPECT_EQ(Show(dialog), ui::kIdOk);
    EXPECT_EQ(dialog.GetFoundPath(), "C:\\ZEFI");
    EXPECT_EQ(dialog.GetRunState(), zefi::SearchDlg::kFinished);
    EXPECT_NE(m_out.str().find("dialog 3:  | Hledá se instalace ZEFI... | Zrušit -> wait"),
              std::string::npos)
        << m_out.str();
}

TEST_F(SearchDlg, OnlyDirectoriesOnFixedOrNetworkDrivesCount) {
    SetDrives(
        "C = c, fixed\nD = d, cdrom, RIDEZEZ01\nE = e, removable\nF = f, remote\nG = g, fixed\n"
        "Z = z, fixed\n",
        {"c", "d", "e", "f", "g", "z"});
    m_prefix->WriteHostFile("c/ZEFI", "a file, not a directory");
    MakeDir("d/ZEFI");
    MakeDir("e/ZEFI");
    MakeDir("f/ZEFI");
    MakeDir("g/ZEFI");
    zefi::SearchDlg dialog;
    EXPECT_EQ(Show(dialog), ui::kIdOk);
    EXPECT_EQ(dialog.GetFoundPath(), "F:\\ZEFI");
}

TEST_F(SearchDlg, NothingFoundEndsWithOkAndAnEmptyPath) {
    SetDrives("C = c, fixed\nD = d, cdrom\nZ = z, fixed\n", {"c", "d", "z"});
    MakeDir("d/ZEFI");
    MakeDir("c/ZEFI2");
    zefi::SearchDlg dialog;
    EXPECT_EQ(Show(dialog), ui::kIdOk);
    EXPECT_EQ(dialog.GetFoundPath(), "");
}

// A search that records the candidates it looks at and holds the lookup of C: until Cancel
// has been pressed, so that the request arrives while the worker is busy with a drive.
class HeldSearch : public zefi::SearchDlg {
  public:
    std::vector<std::string> Looked() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_looked;
    }

  protected:
    bool OnInitDialog() override {
        zefi::SearchDlg::OnInitDialog();
        // Cancel is pressed once the dialog has started; make sure the worker is inside the
        // lookup of the first drive by then.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_looked.empty(); });
        return true;
    }
    bool IsInstallation(const std::string& root, const std::string& candidate) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_looked.push_back(candidate);
        }
        m_changed.notify_all();
        if (root == "C:\\") {
            // Bounded, so that a search that never sees the request fails instead of hanging.
            for (int i = 0; i < 2000 && GetRunState() != kCancelRequested; ++i) {
                platform::Sleep(5);
            }
        }
        return zefi::SearchDlg::IsInstallation(root, candidate);
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_looked;
};

TEST_F(SearchDlg, CancelStopsBeforeTheNextDriveAndWaitsForTheWorker) {
    SetDrives("C = c, fixed\nD = d, fixed\nZ = z, fixed\n", {"c", "d", "z"});
    MakeDir("d/ZEFI");
    HeldSearch dialog;
    EXPECT_EQ(Show(dialog, "dialog 3 cancel\n"), ui::kIdCancel);
    // The dialog ended only after the worker had finished, and D: was never looked at.
    EXPECT_EQ(dialog.GetRunState(), zefi::SearchDlg::kFinished);
    EXPECT_EQ(dialog.Looked(), std::vector<std::string>{"C:\\ZEFI"});
    EXPECT_EQ(dialog.GetFoundPath(), "");
}

TEST_F(SearchDlg, CancelRightAtTheStartStillEndsCleanly) {
    SetDrives("C = c, fixed\nZ = z, fixed\n", {"c", "z"});
    MakeDir("c/ZEFI");
    zefi::SearchDlg dialog;
    EXPECT_EQ(Show(dialog, "dialog 3 cancel\n"), ui::kIdCancel);
    EXPECT_EQ(dialog.GetRunState(), zefi::SearchDlg::kFinished);
    // Whether C: was reached before the request depends on the worker; either answer is one
    // the search may give, nothing else.
    const std::string found = dialog.GetFoundPath();
    EXPECT_TRUE(found.empty() || found == "C:\\ZEFI") << found;
}

// A search whose dialog start returns only once the worker has finished, so that Cancel is
// pressed when there is nothing left to stop.
class FinishedBeforeCancel : public zefi::SearchDlg {
  protected:
    bool OnInitDialog() override {
        zefi::SearchDlg::OnInitDialog();
        // Bounded, so that a worker that never finishes fails the test instead of hanging it.
        for (int i = 0; i < 2000 && GetRunState() != kFinished; ++i) platform::Sleep(5);
        return true;
    }
};

TEST_F(SearchDlg, CancelAfterTheSearchHasFinishedEndsAtOnceWithWhatWasFound) {
    SetDrives("C = c, fixed\nZ = z, fixed\n", {"c", "z"});
    MakeDir("c/ZEFI");
    FinishedBeforeCancel dialog;
    // A request that replaced the finished state would leave Cancel waiting for a worker
    // that is already gone.
    EXPECT_EQ(Show(dialog, "dialog 3 cancel\n"), ui::kIdCancel);
    EXPECT_EQ(dialog.GetRunState(), zefi::SearchDlg::kFinished);
    EXPECT_EQ(dialog.GetFoundPath(), "C:\\ZEFI");
}

}  // namespace
