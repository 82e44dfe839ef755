// End-to-end tests of zefisetup-verify against a set published with publish.sh and served on
// 127.0.0.1: a sound set passes, and each fault on the server is one clear line and status 1.
#include <gtest/gtest.h>

#include <string>

#include "publish_fixture.h"
#include "support/http_server.h"

namespace {

class Verify : public publishtest::PublishTest {
  protected:
    void SetUp() override {
        PublishTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(m_server.Ok());
        m_base = m_server.Url("/zefi");
        RunSigned("set");
        ASSERT_EQ(m_status, 0);
        Serve(m_server, "set");
    }

    // zefisetup-verify with the publisher's key; its standard output (the findings).
    std::string Check(const std::string& sites = "/zefi/sites.txt") {
        return Shell("ZEFISETUP_PREFIX='" + m_prefix->Path() + "' '" + ZEFISETUP_VERIFY_BINARY +
                     "' --key " + PublicKey() + " '" + m_server.Url(sites) + "' 2>/dev/null");
    }

    // Replaces what the server answers for a file of the set.
    void Answer(const std::string& name, const std::string& body, int status = 200) {
        testsupport::HttpReply reply;
        reply.status = status;
        reply.body = body;
        m_server.Set("/zefi/" + name, reply);
    }
    std::string Published(const std::string& name) { return m_prefix->ReadHostFile("set/" + name); }

    std::string Url(const std::string& name) { return m_server.Url("/zefi/" + name); }

    testsupport::HttpServer m_server;
};

TEST_F(Verify, ASoundSetHasNoFindings) {
    EXPECT_EQ(Check(), "");
    EXPECT_EQ(m_status, 0);
    // Every image and control file was fetched once.
    for (const char* name : {"zefi1.iso", "zefi2.iso.zsync", "packages.txt.minisig"})
        EXPECT_EQ(m_server.RequestsFor(std::string("/zefi/") + name).size(), 1u) << name;
}

TEST_F(Verify, EachFaultOnTheServerIsOneLine) {
    // A list changed on the server: its signature no longer fits.
    std::string list = Published("packages.txt");
    list[0] = list[0] == '0' ? '1' : '0';
    Answer("packages.txt", list);
    std::string out = Check();
    EXPECT_EQ(out.rfind(Url("packages.txt.minisig") + ": signature bad: ", 0), 0u) << out;
    EXPECT_EQ(m_status, 1);
    Answer("packages.txt", Published("packages.txt"));

    Answer("packages.txt.minisig", "gone", 404);
    EXPECT_EQ(Check(), Url("packages.txt.minisig") + ": signature missing: HTTP status 404\n");
    EXPECT_EQ(m_status, 1);
    Answer("packages.txt.minisig", Published("packages.txt.minisig"));

    // An image changed on the server: both digests differ (one line each).
    std::string image = Published("zefi2.iso");
    image[40000] ^= 1;
    Answer("zefi2.iso", image);
    out = Check();
    EXPECT_EQ(out.rfind(Url("zefi2.iso") + ": MD5 ", 0), 0u) << out;
    EXPECT_NE(out.find("\n" + Url("zefi2.iso") + ": SHA-256 "), std::string::npos) << out;
    EXPECT_EQ(m_status, 1);
    Answer("zefi2.iso", Published("zefi2.iso"));

    // A control file that no longer fits its image: another SHA-1, or another image's.
    std::string control = Published("zefi2.iso.zsync");
    const size_t sha1 = control.find("SHA-1: ") + 7;
    control[sha1] = control[sha1] == 'a' ? 'b' : 'a';
    Answer("zefi2.iso.zsync", control);
    out = Check();
    EXPECT_EQ(out.rfind(Url("zefi2.iso.zsync") + ": stale: SHA-1 ", 0), 0u) << out;
    EXPECT_EQ(m_status, 1);
    Answer("zefi2.iso.zsync", Published("zefi1.iso.zsync"));
    out = Check();
    EXPECT_EQ(out.rfind(Url("zefi2.iso.zsync") + ": stale: Length ", 0), 0u) << out;
    // An upload cut short.
    control = Published("zefi2.iso.zsync");
    Answer("zefi2.iso.zsync", control.substr(0, control.size() - 1));
    out = Check();
    EXPECT_EQ(out.rfind(Url("zefi2.iso.zsync") + ": cut or padded: ", 0), 0u) << out;
    Answer("zefi2.iso.zsync", Published("zefi2.iso.zsync"));

    Answer("zefi1.iso", "gone", 404);
    EXPECT_EQ(Check(), Url("zefi1.iso") + ": unreachable: HTTP status 404\n");
    EXPECT_EQ(m_status, 1);
}

TEST_F(Verify, AnUnreachableSitesListIsStatusTwo) {
    EXPECT_EQ(Check("/elsewhere/sites.txt"),
              m_server.Url("/elsewhere/sites.txt") + ": unreachable: HTTP status 404\n");
    EXPECT_EQ(m_status, 2);
}

}  // namespace
