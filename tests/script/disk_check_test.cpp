// Tests of the disk check: the disk prompt with its display name, Cancel and OK, and the image
// branch (with a scripted image source) that attaches the image holding the disk, ends with
// "Zefi archive not found" when none does, and never loops.
#include <gtest/gtest.h>

#include <functional>

#include "script/disk_image_source.h"
#include "script_run.h"

namespace {

using Lines = std::vector<std::string>;

// Answers message boxes through a callback and records them as "<id>: <text>".
class CallbackHost : public ui::DialogHost {
  public:
    int RunModal(ui::Dialog&) override { return ui::kIdCancel; }
    int ShowMessage(const ui::MessageRequest& request) override {
        shown.push_back(std::to_string(request.stringId) + ": " + request.text);
        return answer(request);
    }
    std::string BrowseForFolder(const std::string&, const std::string&) override { return ""; }

    std::function<int(const ui::MessageRequest&)> answer = [](const ui::MessageRequest&) {
        return ui::kIdCancel;
    };
    Lines shown;
};

// An image source whose answer the test sets; counts what the engine asks of it.
class ScriptedImages : public zefi::DiskImageSource {
  public:
    bool HasAttachedImage() const override { return attached; }
    void CloseAttachedImage() override {
        ++closed;
        attached = false;
    }
    zefi::DiskImageResult AttachImageHolding(const std::string& diskName,
                                             std::string* root) override {
        asked.push_back(diskName);
        if (result == zefi::DiskImageResult::kAttached) {
            attached = true;
            *root = rootToGive;
        }
        return result;
    }

    bool attached = true;
    zefi::DiskImageResult result = zefi::DiskImageResult::kNotFound;
    std::string rootToGive;
    int closed = 0;
    Lines asked;
};

// The source is disk 1 in drive F:; the group needs disk 2, recognised by "disk2.id".
class DiskCheckTest : public scripttest::ScriptRunTest {
  protected:
    void SetUp() override {
        ScriptRunTest::SetUp();
        m_context->SetSourceBase("F:");
        m_prefix->WriteHostFile("cdrom_e/disk2.id", "");
        m_prefix->WriteHostFile("cdrom_e/LIT/a.dat", "from disk 2");
    }

    void WriteDiskScript(const std::string& names = "") {
        WriteScript(
            "[STARTW]\n"
            "List = LIT, AFTER\n"
            "[DiskNames]\n" +
            names +
            "[LIT]\n"
            "Source = LIT\n"
            "Dest = LIT\n"
            "CD = disk2.id\n"
            ":i *.dat\n"
            "[AFTER]\n");
    }

    bool RunWith(CallbackHost& host) {
        ui::ScopedHost scoped(host);
        zefi::GroupList list("STARTW", m_context.get());
        return list.process_list();
    }
};

TEST_F(DiskCheckTest, PresentDiskNeedsNoPrompt) {
    m_context->SetSourceBase("E:\\");
    WriteDiskScript();
    CallbackHost host;
    EXPECT_TRUE(RunWith(host));
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(ReadC("ZEFI/LIT/a.dat"), "from disk 2");
}

TEST_F(DiskCheckTest, CancelInThePromptStopsTheRun) {
    WriteDiskScript("disk2.id = ZEFI disk 2  Literatura\n");
    CallbackHost host;
    EXPECT_FALSE(RunWith(host));
    EXPECT_EQ(host.shown, (Lines{"102: Vložte prosím ZEFI disk 2  Literatura"}));
    EXPECT_FALSE(ExistsC("ZEFI/LIT/a.dat"));
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "LIT"}));
    ASSERT_FALSE(m_sink.modes.empty());
    EXPECT_EQ(m_sink.modes.front(), zefi::kModePreparing);
}

TEST_F(DiskCheckTest, PromptNamesTheDiskItselfWithoutADisplayName) {
    WriteDiskScript("other.id = Another disk\n");
    CallbackHost host;
    EXPECT_FALSE(RunWith(host));
    EXPECT_EQ(host.shown, (Lines{"102: Vložte prosím disk2.id"}));
}

TEST_F(DiskCheckTest, OkWithTheDiskNowPresentGoesOn) {
    WriteDiskScript("disk2.id = Disk 2\n");
    CallbackHost host;
    int prompts = 0;
    host.answer = [&](const ui::MessageRequest& request) {
        EXPECT_EQ(request.buttons, ui::Buttons::OkCancel);
        EXPECT_EQ(request.icon, ui::Icon::Exclamation);
        // The first OK comes before the disk is in; the second after it was "inserted".
        if (++prompts == 2) m_prefix->WriteHostFile("cdrom_f/disk2.id", "");
        if (prompts == 2) m_prefix->WriteHostFile("cdrom_f/LIT/a.dat", "inserted");
        return ui::kIdOk;
    };
    EXPECT_TRUE(RunWith(host));
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(ReadC("ZEFI/LIT/a.dat"), "inserted");
    EXPECT_EQ(LogLines("Group: "), (Lines{"STARTW", "LIT", "AFTER"}));
}

TEST_F(DiskCheckTest, OnlyActionsThatReadTheSourceCheckTheDisk) {
    WriteC("ZEFI/LIT/x.tmp", "x");
    WriteScript(
        "[STARTW]\n"
        "Dest = LIT\n"
        "CD = disk2.id\n"
        ":d *.tmp\n"
        ":mkdir\n"
        ":print x\n");
    CallbackHost host;
    EXPECT_TRUE(RunWith(host));
    EXPECT_TRUE(host.shown.empty());
    EXPECT_FALSE(ExistsC("ZEFI/LIT/x.tmp"));

    WriteC("ZEFI/LIT/gone.dat", "g");
    WriteScript(
        "[STARTW]\n"
        "Dest = LIT\n"
        "Source = LIT\n"
        "CD = disk2.id\n"
        ":sync *.dat\n");
    EXPECT_FALSE(RunWith(host));
    EXPECT_EQ(host.shown.size(), 1u);
    EXPECT_TRUE(ExistsC("ZEFI/LIT/gone.dat"));  // an absent disk is never synchronised with
}

TEST_F(DiskCheckTest, ImageHoldingTheDiskBecomesTheSourceBase) {
    WriteDiskScript();
    ScriptedImages images;
    images.result = zefi::DiskImageResult::kAttached;
    images.rootToGive = "E:/";
    m_context->SetDiskImages(&images);
    CallbackHost host;
    EXPECT_TRUE(RunWith(host));
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(images.closed, 1);
    EXPECT_EQ(images.asked, (Lines{"disk2.id"}));
    EXPECT_EQ(m_context->GetSourceBase(), "E:\\");
    EXPECT_EQ(ReadC("ZEFI/LIT/a.dat"), "from disk 2");
}

TEST_F(DiskCheckTest, ConfigurationUpdateReadsTheNewFileFromTheDiskFoundByTheCheck) {
    m_prefix->WriteHostFile("cdrom_f/CFG/app.cfg", "COLOR=disk1\r\n&one\r\n");
    m_prefix->WriteHostFile("cdrom_e/CFG/app.cfg", "COLOR=disk2\r\n&two\r\n");
    WriteC("ZEFI/CFG/app.cfg", "COLOR=red\r\n&old\r\n");
    WriteScript(
        "[STARTW]\n"
        "Source = CFG\n"
        "Dest = CFG\n"
        "CD = disk2.id\n"
        "AppCfgUpdate = COLOR\n"
        ":icfg app.cfg\n");
    m_context->SetNewInstall(0);
    ScriptedImages images;
    images.result = zefi::DiskImageResult::kAttached;
    images.rootToGive = "E:\\";
    m_context->SetDiskImages(&images);
    CallbackHost host;
    EXPECT_TRUE(RunWith(host));
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(m_context->GetSourceBase(), "E:\\");
    EXPECT_EQ(ReadC("ZEFI/CFG/app.cfg"), "COLOR= disk2\r\n&two\r\n");
}

TEST_F(DiskCheckTest, DiskThatNoImageHoldsEndsTheRun) {
    WriteDiskScript();
    ScriptedImages images;
    m_context->SetDiskImages(&images);
    CallbackHost host;
    host.answer = [](const ui::MessageRequest&) { return ui::kIdOk; };
    EXPECT_FALSE(RunWith(host));
    EXPECT_EQ(host.shown, (Lines{"0: Zefi archive not found"}));
    EXPECT_EQ(images.closed, 1);
    EXPECT_FALSE(ExistsC("ZEFI/LIT/a.dat"));
}

TEST_F(DiskCheckTest, AttachedImageWithoutTheDiskIsTriedOnlyOnce) {
    WriteDiskScript();
    ScriptedImages images;
    images.result = zefi::DiskImageResult::kAttached;
    images.rootToGive = "F:\\";  // attaches, but the disk is still not there
    m_context->SetDiskImages(&images);
    CallbackHost host;
    host.answer = [](const ui::MessageRequest&) { return ui::kIdOk; };
    EXPECT_FALSE(RunWith(host));
    EXPECT_EQ(images.asked.size(), 1u);
    EXPECT_EQ(host.shown, (Lines{"0: Zefi archive not found"}));
}

TEST_F(DiskCheckTest, FailedAttachStopsWithoutAPrompt) {
    WriteDiskScript();
    ScriptedImages images;
    images.result = zefi::DiskImageResult::kAttachFailed;
    m_context->SetDiskImages(&images);
    CallbackHost host;
    EXPECT_FALSE(RunWith(host));
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(LogLines("GrpShouldExit "), (Lines{"LIT "}));
}

TEST_F(DiskCheckTest, WithoutAnAttachedImageTheUserIsAsked) {
    WriteDiskScript();
    ScriptedImages images;
    images.attached = false;
    m_context->SetDiskImages(&images);
    CallbackHost host;
    EXPECT_FALSE(RunWith(host));
    EXPECT_TRUE(images.asked.empty());
    EXPECT_EQ(host.shown, (Lines{"102: Vložte prosím disk2.id"}));
}

}  // namespace
