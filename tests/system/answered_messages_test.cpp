// Tests of -s: which button each box takes, and where the record of each answer goes.
#include "system/answered_messages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "platform/fs.h"
#include "support/temp_prefix.h"
#include "system/log.h"
#include "ui/auto_answer.h"
#include "ui/message_box.h"

namespace {

using zefi::AnsweredMessages;

class Answered : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        ASSERT_TRUE(platform::GetCurrentDirectory(&m_saved));
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\"));
    }
    void TearDown() override {
        platform::SetCurrentDirectory(m_saved);
        PrefixTest::TearDown();
    }
    std::string Log() const { return m_prefix->ReadHostFile("drive_c/inszefi.log"); }
    std::string m_saved;
};

TEST_F(Answered, FirstButtonUnlessAnotherIsPreferred) {
    AnsweredMessages answered({{162, ui::kIdNo}, {102, ui::kIdCancel}, {111, ui::kIdNo}});
    answered.Install();
    EXPECT_EQ(ui::MessageBox(109, ui::Buttons::YesNo), ui::kIdYes);
    EXPECT_EQ(ui::MessageBox(162, ui::Buttons::YesNo), ui::kIdNo);
    EXPECT_EQ(ui::MessageBox(102, ui::Buttons::OkCancel), ui::kIdCancel);
    // A preferred button the box does not have counts for nothing.
    EXPECT_EQ(ui::MessageBox(111, ui::Buttons::Ok), ui::kIdOk);
}

TEST_F(Answered, StopsAnsweringWhenDestroyed) {
    {
        AnsweredMessages answered({});
        answered.Install();
        EXPECT_EQ(ui::GetAutoAnswer(), &answered);
    }
    EXPECT_EQ(ui::GetAutoAnswer(), nullptr);
}

TEST_F(Answered, LinesGoIntoTheLogOfTheirRunInTheOrderOfTheRun) {
    AnsweredMessages answered({});
    answered.Install();
    // Outside a run no log is written.
    ui::MessageBox("outside");
    EXPECT_FALSE(std::filesystem::exists(m_prefix->Host("drive_c/inszefi.log")));
    {
        AnsweredMessages::RunScope run;
        ui::MessageBox("before\nthe copy");
        {
            zefi::LogStream log;
            log.Open("inszefi.log");
            log << "Started: " << zefi::LogStream::endl;
            AnsweredMessages::AttachLog(&log);
            ui::MessageBox("worker");
            // Another thread's box waits until the worker lets go of its log.
            std::thread other([] { ui::MessageBox("other thread"); });
            other.join();
            log << "worker line" << zefi::LogStream::endl;
            AnsweredMessages::DetachLog();
            log << "Finished: " << zefi::LogStream::endl;
            log.Close();
        }
        ui::MessageBox("after");
    }
    EXPECT_EQ(Log(),
              "Started: \r\n"
              "Message 0: before\\nthe copy -> ok\r\n"
              "Message 0: worker -> ok\r\n"
              "worker line\r\n"
              "Message 0: other thread -> ok\r\n"
              "Finished: \r\n"
              "Message 0: after -> ok\r\n");
}

TEST_F(Answered, ARunWithoutCopyLeavesALogOfItsBoxesOnly) {
    m_prefix->WriteHostFile("drive_c/inszefi.log", "the last run\r\n");
    AnsweredMessages answered({});
    answered.Install();
    { AnsweredMessages::RunScope run; }
    // A run that answered nothing leaves the last log alone.
    EXPECT_EQ(Log(), "the last run\r\n");
    {
        AnsweredMessages::RunScope run;
        ui::MessageBox("Nepodařilo se vytvořit adresář");
    }
    EXPECT_EQ(Log(), "Message 0: Nepoda\xF8ilo se vytvo\xF8it adres\xE1\xF8 -> ok\r\n");
}

}  // namespace
