// The download run's test fixture: the dialog as a recorder, a machine with drive C: and a
// local HTTP server that serves the sites list and the package list, and real product disks.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include "download/download_worker.h"
#include "download/hash_md5.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "support/files.h"
#include "support/http_server.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace downloadtest {

using testsupport::HttpReply;

// The dialog as a recorder: bars as numbers, the lock operations as the dialog does them.
class RecordingView : public zefi::DownloadView {
  public:
    zefi::ProgressBlock& Progress() override { return progress; }
    void SetPhase(int32_t phase) override { phases.push_back(phase); }
    void SetStatusText(const std::string& text) override { statuses.push_back(text); }
    void SetFreeSpace(double bytes) override { freeSpace = bytes; }
    void ResetTicks() override {}
    void SetFileBarPos(int) override {}
    void SetTaskRange(int upper) override { taskUpper = upper, taskPos = 0; }
    void StepTask() override { taskPos = taskPos + 1 > taskUpper ? 0 : taskPos + 1; }
    void MoveTaskBack(int steps) override { taskPos = std::max(0, taskPos - steps); }
    void RequestCancel() override { progress.stopFlag.store(1); }
    void MarkFinished() override { ++finished, progress.stopFlag.store(2); }
    void SetResultList(zefi::ImageList list) override { result.reset(list); }
    void SetOutcome(const zefi::DownloadOutcome& value) override { outcome = value; }
    void PostClose() override { ++closes; }

    zefi::ProgressBlock progress;
    std::vector<int32_t> phases;
    std::vector<std::string> statuses;
    double freeSpace = -1;
    std::atomic<int> taskUpper{0}, taskPos{0};
    int finished = 0, closes = 0;
    zefi::ImageListPtr result;
    zefi::DownloadOutcome outcome;
};

// Drive C: with the destination C:\ZEFI and the current directory C:\WORK (logs, temporary
// file); a server with the sites list at /sites.txt and the package list at /pkg/packages.txt.
class DownloadWorkerTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_prefix->WriteHostFile("drive_c/ZEFI/.keep", "");
        m_prefix->WriteHostFile("drive_c/WORK/.keep", "");
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\WORK"));
        platform::SetThreadUILanguage(platform::kLangCzech);
        ASSERT_TRUE(m_server.Ok());
        m_server.Set("/sites.txt", Reply("cz " + m_server.Url("/pkg/packages.txt") + "\r\n"));
        m_inputs.destinationDir = "C:\\ZEFI";
        m_inputs.masterAddress = m_server.Url("/sites.txt");
        m_settings.retryDelaysMs = {1, 1, 1};
    }

    static HttpReply Reply(const std::string& body, bool ranges = true) {
        HttpReply reply;
        reply.body = body;
        reply.honourRanges = ranges;
        return reply;
    }
    static HttpReply Cut(const std::string& body, int64_t after, bool ranges = true) {
        HttpReply reply = Reply(body, ranges);
        reply.cutAfter = after;
        return reply;
    }

    // A real product disk: volume "RIDEZEZ<n>" with the Czech marker and some filler so that
    // transfers can be cut in the middle. Returns its bytes; *digest gets its MD5.
    std::string MakeDisk(int n, std::string* digest, const std::string& filler = "data") {
        const std::string dir = "src" + std::to_string(n) + filler;
        m_prefix->WriteHostFile(dir + "/zeficz.txt", "ZEFICZ" + std::to_string(n));
        m_prefix->WriteHostFile(dir + "/DATA/fill.dat", std::string(200000, filler[0]));
        const std::string iso = "drive_c/isos/" + dir + ".iso";
        EXPECT_TRUE(testsupport::MakeIsoImage(m_prefix->Host(dir), "RIDEZEZ" + std::to_string(n),
                                              m_prefix->Host(iso)));
        char hex[zefi::kMd5HexSize] = {};
        EXPECT_EQ(zefi::HashFileMd5("C:\\isos\\" + dir + ".iso", hex, nullptr), 0);
        *digest = hex;
        return m_prefix->ReadHostFile(iso);
    }
    void PlaceImage(const std::string& name, const std::string& bytes) {
        m_prefix->WriteHostFile("drive_c/ZEFI/" + name, bytes);
    }
    void SetPackages(const std::vector<std::pair<std::string, std::string>>& entries,
                     bool ranges = true) {
        m_server.Set("/pkg/packages.txt", Reply(PackageList(entries), ranges));
    }
    static std::string PackageList(
        const std::vector<std::pair<std::string, std::string>>& entries) {
        std::string text;
        for (const auto& [digest, name] : entries) text += digest + " " + name + "\r\n";
        return text;
    }

    int32_t RunWorker(const std::string& answers = "") {
        ui::ScriptedHost host(answers, m_out);
        ui::ScopedHost scoped(host);
        const int32_t result = zefi::DownloadWorker(m_view, m_inputs, m_settings);
        EXPECT_TRUE(host.UnusedAnswers().empty()) << m_out.str();
        EXPECT_EQ(m_view.finished, 1);
        EXPECT_EQ(m_view.closes, 1);
        EXPECT_EQ(m_view.progress.stopFlag.load(), 2);
        return result;
    }

    std::vector<std::string> LogLines() {
        return testsupport::LogLines(m_prefix->ReadHostFile("drive_c/WORK/inetzefi.log"));
    }
    bool LogHas(const std::string& line) {
        for (const std::string& l : LogLines())
            if (l == line) return true;
        return false;
    }
    bool ExistsC(const std::string& path) {
        return platform::GetFileAttributes("C:\\" + path) != platform::kInvalidFileAttributes;
    }
    size_t Messages(const std::string& prefix) {
        size_t n = 0;
        const std::string text = m_out.str();
        for (size_t p = text.find(prefix); p != std::string::npos; p = text.find(prefix, p + 1))
            ++n;
        return n;
    }

    testsupport::HttpServer m_server;
    zefi::DownloadInputs m_inputs;
    zefi::DownloadSettings m_settings;
    RecordingView m_view;
    std::ostringstream m_out;
};

}  // namespace downloadtest
