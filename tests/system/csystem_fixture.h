// The fixture of the copy engine's tests: a CSystem logging to C:\test.log of a temporary
// emulated machine, with a progress sink that records what it is told and can ask for a stop.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "support/files.h"
#include "support/temp_prefix.h"
#include "system/csystem.h"
#include "system/log.h"
#include "system/progress_sink.h"

namespace systemtest {

using zefi::CSystem;
using zefi::LogStream;

// Records what the copy engine reports and asks for a stop at the chosen stop check.
class RecordingSink : public zefi::ProgressSink {
  public:
    void SetMode(int32_t mode) override { modes.push_back(mode); }
    void SetSourceText(const std::string& text) override { sources.push_back(text); }
    void SetDestinationText(const std::string& text) override { destinations.push_back(text); }
    void SetFileSize(uint32_t size) override { sizes.push_back(size); }
    void SetBytesDone(uint32_t bytes) override { bytesDone.push_back(bytes); }
    void SetFreeSpace(double bytes) override { freeSpace.push_back(bytes); }
    bool GetThreadStop() override {
        ++stopChecks;
        return stopAtCheck != 0 && stopChecks >= stopAtCheck;
    }

    std::vector<int32_t> modes;
    std::vector<std::string> sources, destinations;
    std::vector<uint32_t> sizes, bytesDone;
    std::vector<double> freeSpace;
    int stopChecks = 0;
    int stopAtCheck = 0;  // 0: never
};

class CSystemTest : public testsupport::DriveCTest {
  protected:
    void SetUp() override {
        DriveCTest::SetUp();
        StartEngine();
    }
    // Opens the log and makes the engine on the machine of m_prefix.
    void StartEngine() {
        m_log.Open("C:\\test.log");
        m_system = std::make_unique<CSystem>(m_log);
        m_system->SetProgressSink(&m_sink);
    }
    void TearDown() override {
        m_system.reset();
        m_log.Close();
        DriveCTest::TearDown();
    }

    // The log's lines so far, without their CR LF ends.
    std::vector<std::string> LogLines() const {
        return testsupport::LogLines(m_prefix->ReadHostFile("drive_c/test.log"));
    }
    bool LogHas(const std::string& line) const {
        for (const std::string& l : LogLines()) {
            if (l == line) return true;
        }
        return false;
    }
    size_t LogSize() const { return LogLines().size(); }
    std::vector<std::string> LogFrom(size_t first) const {
        std::vector<std::string> lines = LogLines();
        return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(first),
                                        lines.end());
    }

    static platform::FindData Info(const std::string& path) {
        platform::FindData data;
        EXPECT_TRUE(platform::GetFileInfo(path, &data)) << path;
        return data;
    }
    static std::string Times(const platform::FileTime t) {
        return std::to_string(static_cast<uint32_t>(t)) + ", " +
               std::to_string(static_cast<uint32_t>(t >> 32));
    }
    static std::string Bytes(size_t n) {
        std::string s(n, '\0');
        for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 13) % 26);
        return s;
    }

    LogStream m_log;
    RecordingSink m_sink;
    std::unique_ptr<CSystem> m_system;
};

constexpr platform::FileTime kOldTime = 133000000000000000ull;
constexpr platform::FileTime kNewTime = 133100000000000000ull;

}  // namespace systemtest
