// Tests of CSystem::Exec: commands run through the command processor and are waited for.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/temp_prefix.h"
#include "system/csystem.h"
#include "system/log.h"

namespace {

class Exec : public testsupport::PrefixTest {
  protected:
    std::string Read(const std::string& relative) { return m_prefix->ReadHostFile(relative); }
};

TEST_F(Exec, CommandRunsAndIsWaitedFor) {
    zefi::LogStream log;
    zefi::CSystem system(log);
    const std::string out = m_prefix->Host("out.txt");
    // The file appears only at the end of the command, after a pause: it is there when Exec
    // returns only if Exec waited.
    EXPECT_TRUE(system.Exec("sleep 0.3; echo first > '" + out + ".part' && mv '" + out +
                            ".part' '" + out + "'"));
    EXPECT_EQ(Read("out.txt"), "first\n");
    // Commands run one after the other, in order.
    EXPECT_TRUE(system.Exec("echo second >> '" + out + "'"));
    EXPECT_EQ(Read("out.txt"), "first\nsecond\n");
}

TEST_F(Exec, FailingOrMissingProgramStillSucceeds) {
    zefi::LogStream log;
    zefi::CSystem system(log);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(system.Exec("/nonexistent/zefi-program --flag 2>/dev/null"));
    EXPECT_TRUE(system.Exec("exit 3"));
    const std::string err = testing::internal::GetCapturedStderr();
    // The command processor itself started, so Exec reports nothing of its own.
    EXPECT_EQ(err.find("CSystem::Exec()"), std::string::npos) << err;
}

}  // namespace
