// A test machine for running install scripts: a temporary prefix with a source and a
// destination on drive C: (and a CD-ROM drive E:), an install log, a scripted dialog host, a
// recording copy dialog and a scripted error dialog.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/machine.h"
#include "script/copy_error.h"
#include "script/group_list.h"
#include "script/install_context.h"
#include "support/files.h"
#include "support/temp_prefix.h"
#include "system/log.h"
#include "system/progress_sink.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace scripttest {

// The copy dialog as the engine sees it: records the display modes, and asks for a stop once
// GetThreadStop has been asked stopAfter times (never with -1).
class RecordingSink : public zefi::ProgressSink {
  public:
    void SetMode(int32_t mode) override { modes.push_back(mode); }
    void SetSourceText(const std::string&) override {}
    void SetDestinationText(const std::string&) override {}
    void SetFileSize(uint32_t) override {}
    void SetBytesDone(uint32_t) override {}
    void SetFreeSpace(double) override {}
    bool GetThreadStop() override { return stopAfter >= 0 && ++asked > stopAfter; }

    std::vector<int32_t> modes;
    int stopAfter = -1;
    int asked = 0;
};

// The error dialog: answers Retry (true) or Exit (false) from a queue, Exit when it is empty,
// and keeps the texts it was shown.
class ScriptedErrorDialog : public zefi::ErrorDialogPresenter {
  public:
    bool ShowCopyError(const zefi::CopyErrorTexts& texts) override {
        shown.push_back(texts);
        if (onShow) onShow();
        if (answers.empty()) return false;
        bool retry = answers.front();
        answers.pop_front();
        return retry;
    }

    std::deque<bool> answers;
    std::vector<zefi::CopyErrorTexts> shown;
    std::function<void()> onShow;  // runs before the answer, e.g. to repair what failed
};

// Drives: C: fixed at drive_c, E: and F: CD-ROMs at cdrom_e and cdrom_f. The script lies in
// C:\SRC\cd.cfg; the source base is C:\SRC, the destination base C:\ZEFI. Message boxes are
// answered from the answers text given to Run (first buttons otherwise).
class ScriptRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_prefix = std::make_unique<testsupport::TempPrefix>(
            "[system]\n"
            "language = 1029\n"
            "[drives]\n"
            "C = drive_c, fixed\n"
            "E = cdrom_e, cdrom, RIDEZEZ01\n"
            "F = cdrom_f, cdrom, RIDEZEZ02\n");
        m_prefix->WriteHostFile("cdrom_e/zeficz.txt", "ZEFICZ1");
        m_prefix->WriteHostFile("cdrom_f/zeficz.txt", "ZEFICZ2");
        m_prefix->WriteHostFile("drive_c/ZEFI/.keep", "");
        platform::ReloadMachine();
        m_log = std::make_unique<zefi::LogStream>();
        m_log->Open("C:\\inszefi.log");
        m_context = std::make_unique<zefi::InstallContext>("C:\\SRC", "C:\\ZEFI", *m_log);
        m_context->SetScriptPath("C:\\SRC\\cd.cfg");
        m_context->SetOwner(&m_sink);
        m_context->SetErrorPresenter(&m_errors);
        m_context->SetChangeCfgAll(1);
    }

    void TearDown() override {
        m_context.reset();
        m_log.reset();
        m_prefix.reset();
    }

    // Writes a file of drive C: given by its path under the drive ("SRC/cd.cfg").
    void WriteC(const std::string& path, const std::string& content) {
        m_prefix->WriteHostFile("drive_c/" + path, content);
    }
    std::string ReadC(const std::string& path) { return m_prefix->ReadHostFile("drive_c/" + path); }
    bool ExistsC(const std::string& path) {
        return platform::GetFileAttributes("C:\\" + path) != platform::kInvalidFileAttributes;
    }
    void WriteScript(const std::string& script) { WriteC("SRC/cd.cfg", script); }

    // Runs the start list with message boxes answered from answers; true when it ended without
    // a stop. The dialog host's lines are kept in m_messages.
    bool Run(const std::string& startList = "STARTW", const std::string& answers = "") {
        ui::ScriptedHost host(answers, m_messages);
        ui::ScopedHost scoped(host);
        zefi::GroupList list(startList, m_context.get());
        bool result = list.process_list();
        EXPECT_EQ(result, !list.GetStop());
        return result;
    }

    // The install log so far, with its CR LF line ends turned into LF.
    std::string Log() {
        std::string text = ReadC("inszefi.log");
        std::string out;
        for (char c : text)
            if (c != '\r') out += c;
        return out;
    }
    // The log's lines that begin with prefix, in order, without the prefix.
    std::vector<std::string> LogLines(const std::string& prefix) {
        std::vector<std::string> lines;
        for (const std::string& line : testsupport::LogLines(ReadC("inszefi.log")))
            if (line.compare(0, prefix.size(), prefix) == 0)
                lines.push_back(line.substr(prefix.size()));
        return lines;
    }
    std::string Messages() const { return m_messages.str(); }

    std::unique_ptr<testsupport::TempPrefix> m_prefix;
    std::unique_ptr<zefi::LogStream> m_log;
    std::unique_ptr<zefi::InstallContext> m_context;
    RecordingSink m_sink;
    ScriptedErrorDialog m_errors;
    std::ostringstream m_messages;
};

}  // namespace scripttest
