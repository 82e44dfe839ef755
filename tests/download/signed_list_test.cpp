// Tests of signed package lists in a download run: keys and signatures made with minisign, the
// key set as an administrator sets it in the registry, and a local server. A refused list
// fetches no image and leaves nothing in the destination.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "download/package_list.h"
#include "download_worker_fixture.h"
#include "platform/errors.h"
#include "platform/registry.h"
#include "support/minisign.h"
#include "support/run_command.h"
#include "system/registry_settings.h"

namespace {

using downloadtest::DownloadWorkerTest;
using zefi::ListRefusal;

void SetProgramValue(const std::string& name, const std::string& value) {
    platform::RegKey key;
    ASSERT_EQ(key.Create(platform::Hive::LocalMachine, zefi::RegistrySettings::kKey,
                         platform::kKeyAllAccess),
              platform::kErrorSuccess);
    ASSERT_EQ(key.SetString(name, value), platform::kErrorSuccess);
}

std::string ProgramValue(const std::string& name) {
    platform::RegKey key;
    std::string value;
    if (key.Open(platform::Hive::LocalMachine, zefi::RegistrySettings::kKey, platform::kKeyRead) !=
            platform::kErrorSuccess ||
        key.QueryString(name, &value) != platform::kErrorSuccess)
        return "(none)";
    return value;
}

testsupport::HttpReply Body(const std::string& text) {
    testsupport::HttpReply reply;
    reply.body = text;
    return reply;
}

// One image on the server, and a package list for it that the publisher signs.
class SignedList : public DownloadWorkerTest {
  protected:
    void SetUp() override {
        DownloadWorkerTest::SetUp();
        std::string why;
        if (!testsupport::MinisignAvailable(&why)) GTEST_SKIP() << why;
        std::filesystem::create_directories(m_prefix->Host("keys"));
        m_key = testsupport::MakeMinisignKey(m_prefix->Host("keys"), "publisher");
        ASSERT_EQ(m_key.error, "");
        m_image = MakeDisk(1, &m_digest);
        m_server.Set("/pkg/zefi1.iso", Reply(m_image));
        m_prefix->WriteHostFile("image.iso", m_image);
        const std::string sum = testsupport::RunCommand(
            "sha256sum '" + m_prefix->Host("image.iso") + "' | cut -d' ' -f1");
        m_sha256 = sum.substr(0, 64);
    }

  public:
    testsupport::TempPrefix& Prefix() { return *m_prefix; }
    testsupport::HttpServer& Server() { return m_server; }

    // The package list of the image, with its sha256 line (size and digest as given).
    std::string List(const std::string& sha256, size_t size) const {
        return m_digest + " zefi1.iso\r\n" + "sha256 " + sha256 + " " + std::to_string(size) +
               " zefi1.iso\r\n";
    }
    std::string List() const { return List(m_sha256, m_image.size()); }

    // Serves list and its signature by key (none when trusted is empty).
    void Publish(const std::string& list, const std::string& trusted,
                 const testsupport::MinisignKey* key = nullptr) {
        m_prefix->WriteHostFile("packages.txt", list);
        m_server.Set("/pkg/packages.txt", Reply(list));
        if (trusted.empty()) return;
        std::string error;
        ASSERT_TRUE(testsupport::MinisignSign(key ? *key : m_key, m_prefix->Host("packages.txt"),
                                              trusted, false, &error))
            << error;
        m_server.Set("/pkg/packages.txt.minisig",
                     Reply(m_prefix->ReadHostFile("packages.txt.minisig")));
    }

  protected:
    void TrustPublisher() { SetProgramValue("PublisherKeys", m_key.publicLine); }

    // The run fetched and wrote no image.
    void ExpectNoImage() {
        EXPECT_TRUE(m_server.RequestsFor("/pkg/zefi1.iso").empty());
        EXPECT_FALSE(ExistsC("ZEFI\\zefi1.iso"));
        EXPECT_EQ(m_view.result, nullptr);
    }

    testsupport::MinisignKey m_key;
    std::string m_image, m_digest, m_sha256;
};

TEST_F(SignedList, SignedListIsUsedAndItsSerialKept) {
    if (IsSkipped()) return;
    TrustPublisher();
    Publish(List(), "serial=7 expires=2099-12-31");
    EXPECT_EQ(RunWorker(), 0) << m_out.str();
    EXPECT_TRUE(LogHas("Package list signature ok, serial 7"));
    EXPECT_EQ(ProgramValue("PackageListSerial"), "7");
    ASSERT_NE(m_view.result, nullptr);
    EXPECT_EQ(m_view.result.get()[0].verified, 1);
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/zefi1.iso"), m_image);
}

TEST_F(SignedList, WithoutAKeyTheListIsUsedUnsignedAsBefore) {
    if (IsSkipped()) return;
    // A sha256 line of an unsigned list binds nothing: only the MD5 digest counts.
    Publish(List(std::string(64, '0'), 1), "");
    EXPECT_EQ(RunWorker(), 0) << m_out.str();
    EXPECT_TRUE(LogHas("Package list not signed"));
    EXPECT_TRUE(m_server.RequestsFor("/pkg/packages.txt.minisig").empty());
    EXPECT_EQ(ProgramValue("PackageListSerial"), "(none)");
    EXPECT_NE(m_view.result, nullptr);
}

struct Refusal {
    const char* name;
    // Publishes the list in its own way (the key is trusted already).
    std::function<void(SignedList&)> publish;
    ListRefusal refusal;
    std::string logLine;
};

class RefusedList : public SignedList, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedList, FetchesNoImageAndSaysWhy) {
    if (IsSkipped()) return;
    TrustPublisher();
    GetParam().publish(*this);
    EXPECT_EQ(RunWorker(), zefi::kFetchSignatureRefused) << m_out.str();
    ExpectNoImage();
    EXPECT_EQ(m_view.outcome.end, zefi::DownloadEnd::kFailed);
    EXPECT_EQ(m_view.outcome.step, zefi::DownloadStep::kSignature);
    EXPECT_EQ(m_view.outcome.refusal, GetParam().refusal);
    bool found = false;
    for (const std::string& line : LogLines()) found |= line.rfind(GetParam().logLine, 0) == 0;
    EXPECT_TRUE(found) << m_prefix->ReadHostFile("drive_c/WORK/inetzefi.log");
    EXPECT_FALSE(LogHas("Setting iuObj."));
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, RefusedList,
    ::testing::Values(
        Refusal{"Missing", [](SignedList& t) { t.Publish(t.List(), ""); }, ListRefusal::kMissing,
                "Package list refused, signature missing: "},
        Refusal{"OtherKey",
                [](SignedList& t) {
                    auto other = testsupport::MakeMinisignKey(t.Prefix().Host("keys"), "other");
                    t.Publish(t.List(), "serial=7", &other);
                },
                ListRefusal::kBad, "Package list refused, bad signature: signed by key "},
        Refusal{"EditedList",
                [](SignedList& t) {
                    t.Publish(t.List(), "serial=7");
                    // The image's digest replaced after signing, as a mirror might.
                    std::string list = t.List();
                    list[0] = list[0] == 'a' ? 'b' : 'a';
                    t.Server().Set("/pkg/packages.txt", Body(list));
                },
                ListRefusal::kBad,
                "Package list refused, bad signature: file does not match its signature"},
        Refusal{"EditedTrustedComment",
                [](SignedList& t) {
                    t.Publish(t.List(), "serial=7");
                    std::string sig = t.Prefix().ReadHostFile("packages.txt.minisig");
                    sig.replace(sig.find("serial=7"), 8, "serial=8");
                    t.Server().Set("/pkg/packages.txt.minisig", Body(sig));
                },
                ListRefusal::kBad,
                "Package list refused, bad signature: trusted comment does not match"},
        Refusal{"NoSerial", [](SignedList& t) { t.Publish(t.List(), "expires=2099-01-01"); },
                ListRefusal::kBad, "Package list refused, bad trusted comment: "},
        Refusal{"Expired",
                [](SignedList& t) { t.Publish(t.List(), "serial=7 expires=2020-02-29"); },
                ListRefusal::kExpired, "Package list refused, expired on 2020-02-29"},
        Refusal{"Older",
                [](SignedList& t) {
                    SetProgramValue("PackageListSerial", "9");
                    t.Publish(t.List(), "serial=7");
                },
                ListRefusal::kOlder, "Package list refused, serial 7 older than kept serial 9"},
        Refusal{"UnusableKeyValue",
                [](SignedList& t) {
                    SetProgramValue("PublisherKeys", "RWQ-not-a-key");
                    t.Publish(t.List(), "serial=7");
                },
                ListRefusal::kBad, "Package list refused, no publisher key configured"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(SignedList, EqualSerialIsTheSameListAgainAndRotatedKeysBothWork) {
    if (IsSkipped()) return;
    auto next = testsupport::MakeMinisignKey(m_prefix->Host("keys"), "next");
    ASSERT_EQ(next.error, "");
    SetProgramValue("PublisherKeys", m_key.publicLine + ", \t" + next.publicLine);
    SetProgramValue("PackageListSerial", "7");
    Publish(List(), "serial=7", &next);
    EXPECT_EQ(RunWorker(), 0) << m_out.str();
    EXPECT_EQ(ProgramValue("PackageListSerial"), "7");
}

TEST_F(SignedList, SignedSizeAndSha256BindTheImage) {
    if (IsSkipped()) return;
    TrustPublisher();
    // A server that sends more than the signed size: the transfer stops at that size.
    Publish(List(m_sha256, m_image.size() - 1), "serial=7");
    EXPECT_EQ(RunWorker(), CURLE_FILESIZE_EXCEEDED) << m_out.str();
    EXPECT_EQ(m_view.outcome.step, zefi::DownloadStep::kTransfer);
    EXPECT_FALSE(ExistsC("ZEFI\\zefi1.iso"));
}

TEST_F(SignedList, ImageWithTheRightMd5ButAnotherSha256IsRefused) {
    if (IsSkipped()) return;
    TrustPublisher();
    std::string other = m_sha256;
    other[0] = other[0] == 'a' ? 'b' : 'a';
    Publish(List(other, m_image.size()), "serial=7");
    EXPECT_EQ(RunWorker(), 1) << m_out.str();
    EXPECT_EQ(m_view.outcome.step, zefi::DownloadStep::kImageCheck);
    EXPECT_TRUE(LogHas("Image C:\\ZEFI\\zefi1.iso SHA-256 does not match"));
    EXPECT_EQ(m_view.result, nullptr);
}

}  // namespace
