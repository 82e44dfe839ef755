// Tests that the configuration actions never cost the installed file its content: a fresh
// "icfg" onto a full volume, an update whose rewrite does not fit, and an update whose new
// file cannot be read to its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/vdisk.h"
#include "script_run.h"
#include "support/files.h"
#include "support/iso_image.h"
#include "support/tmpfs_mount.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kScript =
    "[STARTW]\n"
    "Source = CFG\n"
    "Dest = CFG\n"
    ":icfg zefi6.cfg\n";

// A configuration of about size bytes whose "&" block fills it.
std::string Configuration(const std::string& version, size_t size) {
    std::string text = "VERZE=" + version + "\r\nUSER=mine\r\n";
    for (int i = 0; text.size() < size; ++i)
        text += "&P" + std::to_string(i) + "=C:\\ZEFI\\DATA\\" + version + "\\PART\r\n";
    return text;
}

class ConfigActionsSafety : public scripttest::ScriptRunTest {
  protected:
    // The destination base becomes G:\ZEFI on a tmpfs of pages pages.
    void FullDestination(int pages) {
        std::string why;
        if (!m_volume.Mount(static_cast<uint64_t>(pages) * 4096, &why)) GTEST_SKIP() << why;
        m_prefix->WriteHostFile("machine.ini",
                                "[system]\nlanguage = 1029\n[drives]\n"
                                "C = drive_c, fixed\nG = " +
                                    m_volume.Path() + ", fixed\n");
        platform::ReloadMachine();
        m_context->SetDestinationBase("G:\\ZEFI");
    }
    std::string Installed() const { return m_volume.Path() + "/ZEFI/CFG/zefi6.cfg"; }
    void Install(const std::string& content) {
        fs::create_directories(m_volume.Path() + "/ZEFI/CFG");
        std::ofstream(Installed(), std::ios::binary) << content;
    }
    void TearDown() override {
        m_disk.Close();
        ScriptRunTest::TearDown();
    }

    testsupport::TmpfsMount m_volume;
    platform::VirtualDisk m_disk;
};

TEST_F(ConfigActionsSafety, FreshLargerConfigurationOntoAFullVolumeKeepsTheInstalledOne) {
    FullDestination(10);
    if (IsSkipped()) return;
    const std::string installed = Configuration("6.1", 20000);
    Install(installed);
    WriteC("SRC/CFG/zefi6.cfg", Configuration("6.2", 60000));
    WriteScript(kScript);
    m_context->SetNewInstall(1);
    EXPECT_FALSE(Run());
    ASSERT_EQ(m_errors.shown.size(), 1u);
    EXPECT_EQ(m_errors.shown[0].detail, "Chyba při zápisu G:\\ZEFI\\CFG\\zefi6.cfg");
    EXPECT_EQ(m_errors.shown[0].code, "Zaplněný disk (Kód chyby: 112)");
    EXPECT_EQ(testsupport::ReadFile(Installed()), installed);
    EXPECT_FALSE(fs::exists(Installed() + ".~zf"));
}

TEST_F(ConfigActionsSafety, UpdateWhoseRewriteDoesNotFitKeepsTheInstalledOne) {
    FullDestination(10);
    if (IsSkipped()) return;
    const std::string installed = Configuration("6.1", 20000);
    Install(installed);
    WriteC("SRC/CFG/zefi6.cfg", Configuration("6.2", 30000));
    WriteScript(kScript);
    m_context->SetNewInstall(0);
    EXPECT_FALSE(Run());
    ASSERT_EQ(m_errors.shown.size(), 1u);
    EXPECT_EQ(m_errors.shown[0].detail, "Chyba při zápisu G:\\ZEFI\\CFG\\zefi6.cfg");
    EXPECT_EQ(testsupport::ReadFile(Installed()), installed);
}

TEST_F(ConfigActionsSafety, UpdateFromANewFileWithAReadErrorKeepsTheInstalledBlock) {
    const std::string installed = Configuration("6.1", 3000);
    WriteC("ZEFI/CFG/zefi6.cfg", installed);
    // The new file lies on a damaged disc: its first block reads, the rest fails.
    const std::string fresh = Configuration("6.2", 12000);
    m_prefix->WriteHostFile("image/CFG/zefi6.cfg", fresh);
    std::string log;
    ASSERT_TRUE(testsupport::MakeDamagedIsoImage(m_prefix->Host("image"),
                                                 m_prefix->Host("drive_c/dvd.iso"),
                                                 fresh.substr(0, 40), 2048, &log))
        << log;
    ASSERT_EQ(m_disk.Open("C:\\dvd.iso"), 0u);
    ASSERT_EQ(m_disk.Attach(), 0u);
    std::string root;
    ASSERT_TRUE(m_disk.GetDriveRoot(&root));
    m_context->SetSourceBase(root);
    WriteScript(kScript);
    m_context->SetNewInstall(0);

    EXPECT_FALSE(Run());
    ASSERT_EQ(m_errors.shown.size(), 1u);
    EXPECT_EQ(m_errors.shown[0].detail, "Chyba při čtení " + root + "CFG\\zefi6.cfg");
    EXPECT_EQ(ReadC("ZEFI/CFG/zefi6.cfg"), installed);
}

}  // namespace
