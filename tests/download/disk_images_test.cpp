// Tests of the disk check's image source on real ISO images: finding the image that holds a
// disk by its path or by a name at its root, keeping it attached, and a whole script run that
// moves to the second disk.
#include "download/disk_images.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "platform/fs.h"
#include "script/group_list.h"
#include "script/install_context.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"
#include "system/log.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

using Files = std::map<std::string, std::string>;
constexpr int32_t kCzech = 0;

class ImageListDiskSourceTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_host = std::make_unique<ui::ScriptedHost>("", m_messages);
        m_scoped = std::make_unique<ui::ScopedHost>(*m_host);
        m_list.reset(zefi::CreateImageList(3));
        MakeDisk(0, "disk1.iso", "RIDEZEZ1", {{"zeficz.txt", "ZEFICZ1"}, {"disk1.id", ""}});
        MakeDisk(1, "disk2.iso", "RIDEZEZ2",
                 {{"zeficz.txt", "ZEFICZ2"}, {"disk2.id", ""}, {"LIT/a.dat", "from disk 2"}});
        MakeDisk(2, "disk3.iso", "RIDEZEZ3", {{"zeficz.txt", "ZEFICZ3"}, {"DISK3", "x"}});
    }

    void TearDown() override {
        m_handle.reset();
        m_scoped.reset();
        PrefixTest::TearDown();
    }

    // Writes C:\images\<name> and checks it into entry index as the download run does.
    void MakeDisk(int index, const std::string& name, const std::string& label,
                  const Files& files) {
        std::string source = "sources/" + name;
        for (const auto& [file, content] : files)
            m_prefix->WriteHostFile(source + "/" + file, content);
        std::string log;
        ASSERT_TRUE(testsupport::MakeIsoImage(
            m_prefix->Host(source), label, m_prefix->Host("drive_c/images/" + name), "-J -R", &log))
            << log;
        zefi::ImageRecord* entry = &m_list.get()[index];
        zefi::SetImageText(entry->digest, "0123456789abcdef0123456789abcdef");
        zefi::SetImageText(entry->name, name);
        int32_t status = 99;
        EXPECT_EQ(zefi::AttachImage("C:\\images", entry, zefi::kAttachCheck, kCzech, &status),
                  nullptr);
        ASSERT_EQ(status, zefi::kAttachFound);
        entry->verified = 1;
    }

    // Attaches the first image in keep mode, as the download branch does before the run.
    void AttachFirst() {
        int32_t status = 0;
        m_handle =
            zefi::AttachImage("C:\\images", m_list.get(), zefi::kAttachKeep, kCzech, &status);
        ASSERT_NE(m_handle, nullptr);
    }

    static bool Exists(const std::string& path) {
        return platform::GetFileAttributes(path) != platform::kInvalidFileAttributes;
    }

    std::ostringstream m_messages;
    std::unique_ptr<ui::ScriptedHost> m_host;
    std::unique_ptr<ui::ScopedHost> m_scoped;
    zefi::ImageListPtr m_list;
    zefi::ImageHandle m_handle;
};

TEST_F(ImageListDiskSourceTest, AttachedImageAndListAreNeeded) {
    zefi::ImageListDiskSource images(m_handle, m_list.get(), "C:\\images", kCzech);
    EXPECT_FALSE(images.HasAttachedImage());
    AttachFirst();
    EXPECT_TRUE(images.HasAttachedImage());
    zefi::ImageListDiskSource noList(m_handle, nullptr, "C:\\images", kCzech);
    EXPECT_FALSE(noList.HasAttachedImage());
    images.CloseAttachedImage();
    EXPECT_EQ(m_handle, nullptr);
    EXPECT_FALSE(images.HasAttachedImage());
}

TEST_F(ImageListDiskSourceTest, FindsTheImageByItsPath) {
    AttachFirst();
    zefi::ImageListDiskSource images(m_handle, m_list.get(), "C:\\images", kCzech);
    images.CloseAttachedImage();
    std::string root;
    EXPECT_EQ(images.AttachImageHolding("c:\\IMAGES\\disk3.iso", &root),
              zefi::DiskImageResult::kAttached);
    ASSERT_NE(m_handle, nullptr);
    EXPECT_TRUE(Exists(root + "DISK3"));
    EXPECT_EQ(m_messages.str(), "");
}

TEST_F(ImageListDiskSourceTest, FindsTheImageWhoseRootHoldsTheName) {
    AttachFirst();
    zefi::ImageListDiskSource images(m_handle, m_list.get(), "C:\\images", kCzech);
    images.CloseAttachedImage();
    std::string root;
    EXPECT_EQ(images.AttachImageHolding("disk2.id", &root), zefi::DiskImageResult::kAttached);
    ASSERT_NE(m_handle, nullptr);
    EXPECT_TRUE(Exists(root + "LIT\\a.dat"));
    // Only the disk found stays attached.
    uint32_t drives = platform::GetLogicalDrives();
    int attachedImages = 0;
    for (char letter = 'D'; letter <= 'Z'; ++letter)
        if (drives & (1u << (letter - 'A')) &&
            platform::GetDriveType(std::string(1, letter) + ":\\") == platform::kDriveCdRom)
            ++attachedImages;
    EXPECT_EQ(attachedImages, 1);
}

TEST_F(ImageListDiskSourceTest, DiskThatNoImageHoldsIsNotFoundAndNothingStaysAttached) {
    AttachFirst();
    zefi::ImageListDiskSource images(m_handle, m_list.get(), "C:\\images", kCzech);
    images.CloseAttachedImage();
    uint32_t drives = platform::GetLogicalDrives();
    std::string root = "unchanged";
    EXPECT_EQ(images.AttachImageHolding("disk9.id", &root), zefi::DiskImageResult::kNotFound);
    EXPECT_EQ(root, "");
    EXPECT_EQ(m_handle, nullptr);
    EXPECT_EQ(platform::GetLogicalDrives(), drives);
}

TEST_F(ImageListDiskSourceTest, WalkEndsAtTheFirstEntryWithoutDiskNumber) {
    m_list.get()[1].diskNumber = 0;
    zefi::ImageListDiskSource images(m_handle, m_list.get(), "C:\\images", kCzech);
    std::string root;
    EXPECT_EQ(images.AttachImageHolding("DISK3", &root), zefi::DiskImageResult::kNotFound);
    EXPECT_EQ(images.AttachImageHolding(m_list.get()[2].imagePath, &root),
              zefi::DiskImageResult::kNotFound);
    EXPECT_EQ(images.AttachImageHolding("disk1.id", &root), zefi::DiskImageResult::kAttached);
}

TEST_F(ImageListDiskSourceTest, ImageThatCannotBeAttachedFails) {
    zefi::ImageListDiskSource images(m_handle, m_list.get(), "C:\\images", kCzech);
    std::string path = m_list.get()[1].imagePath;
    ASSERT_TRUE(platform::DeleteFile(path));
    std::string root;
    EXPECT_EQ(images.AttachImageHolding(path, &root), zefi::DiskImageResult::kAttachFailed);
    EXPECT_EQ(m_handle, nullptr);
    EXPECT_NE(m_messages.str(), "");  // the attach step reports the error itself
}

// A script run from disk 1 whose second group needs disk 2: the run moves to the image of
// disk 2, copies from it, and leaves it attached in the run's handle.
TEST_F(ImageListDiskSourceTest, ScriptRunMovesToTheImageThatHoldsTheDisk) {
    AttachFirst();
    std::string firstRoot = m_list.get()[0].driveRoot;
    m_prefix->WriteHostFile("drive_c/run/cd.cfg",
                            "[STARTW]\n"
                            "List = ONE, TWO\n"
                            "[ONE]\n"
                            "CD = disk1.id\n"
                            ":cat [SrcBase]disk1.id\n"
                            "[TWO]\n"
                            "Source = LIT\n"
                            "Dest = LIT\n"
                            "CD = disk2.id\n"
                            ":i *.dat\n");
    zefi::LogStream log;
    zefi::InstallContext context(firstRoot, "C:\\ZEFI", log);
    context.SetScriptPath("C:\\run\\cd.cfg");
    zefi::ImageListDiskSource images(m_handle, m_list.get(), "C:\\images", kCzech);
    context.SetDiskImages(&images);
    zefi::GroupList list("STARTW", &context);
    EXPECT_TRUE(list.process_list());
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/LIT/a.dat"), "from disk 2");
    ASSERT_NE(m_handle, nullptr);
    std::string root;
    ASSERT_TRUE(m_handle->GetDriveRoot(&root));
    EXPECT_EQ(context.GetSourceBase(), root);
    EXPECT_TRUE(Exists(root + "disk2.id"));
    // No message box; only the text that the cat of the empty disk marker shows.
    EXPECT_EQ(m_messages.str(), "text 1: \n");
}

TEST_F(ImageListDiskSourceTest, ScriptRunEndsWhenNoImageHoldsTheDisk) {
    AttachFirst();
    m_prefix->WriteHostFile("drive_c/run/cd.cfg",
                            "[STARTW]\n"
                            "CD = disk7.id\n"
                            ":i *.dat\n");
    zefi::LogStream log;
    zefi::InstallContext context(m_list.get()[0].driveRoot, "C:\\ZEFI", log);
    context.SetScriptPath("C:\\run\\cd.cfg");
    zefi::ImageListDiskSource images(m_handle, m_list.get(), "C:\\images", kCzech);
    context.SetDiskImages(&images);
    zefi::GroupList list("STARTW", &context);
    EXPECT_FALSE(list.process_list());
    EXPECT_TRUE(list.GetStop());
    EXPECT_EQ(m_messages.str(), "message 0: Zefi archive not found -> ok\n");
}

}  // namespace
