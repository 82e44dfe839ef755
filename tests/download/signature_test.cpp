// Tests of the package list's signature check against keys and signatures made by the minisign
// tool itself, prehashed and legacy.
#include "download/signature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/minisign.h"
#include "support/run_command.h"
#include "support/temp_prefix.h"

namespace {

using zefi::SignatureCheck;

const char kList[] =
    "0123456789abcdef0123456789abcdef disk1.iso\r\n"
    "fedcba9876543210fedcba9876543210 disk2.iso\r\n";
const char kToday[] = "2026-06-01";

using TestKey = testsupport::MinisignKey;

class SignatureTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        std::string why;
        if (!testsupport::MinisignAvailable(&why)) GTEST_SKIP() << why;
    }

    // Makes a key pair without password with minisign -G.
    TestKey MakeKey(const std::string& name) {
        TestKey key = testsupport::MakeMinisignKey(m_prefix->Host(""), name);
        EXPECT_EQ(key.error, "");
        return key;
    }

    // Signs list with minisign -S (prehashed, or legacy with -l) and the trusted comment, and
    // returns the ".minisig" text.
    std::string Sign(const TestKey& key, const std::string& list, const std::string& trusted,
                     bool legacy = false) {
        m_prefix->WriteHostFile("packages.txt", list);
        std::string error;
        EXPECT_TRUE(
            testsupport::MinisignSign(key, m_prefix->Host("packages.txt"), trusted, legacy, &error))
            << error;
        return m_prefix->ReadHostFile("packages.txt.minisig");
    }

    static std::vector<zefi::PublisherKey> Keys(const std::string& text) {
        std::vector<zefi::PublisherKey> keys;
        std::vector<std::string> rejected;
        zefi::ParsePublisherKeys(text, &keys, &rejected);
        EXPECT_TRUE(rejected.empty()) << (rejected.empty() ? "" : rejected.front());
        return keys;
    }

    static zefi::SignatureVerdict Check(const std::string& list, const std::string& minisig,
                                        const std::vector<zefi::PublisherKey>& keys,
                                        uint64_t kept = 0, const std::string& today = kToday) {
        return zefi::CheckPackageListSignature(list, &minisig, keys, kept, today);
    }
};

TEST_F(SignatureTest, AcceptsAGoodSignaturePrehashedAndLegacy) {
    const TestKey key = MakeKey("publisher");
    const auto keys = Keys(key.publicLine);
    ASSERT_EQ(keys.size(), 1u);
    for (bool legacy : {false, true}) {
        const std::string minisig = Sign(key, kList, "serial=42 expires=2027-02-28", legacy);
        zefi::Minisig parsed;
        std::string error;
        ASSERT_TRUE(zefi::ParseMinisig(minisig, &parsed, &error)) << error;
        EXPECT_EQ(parsed.prehashed, !legacy);
        EXPECT_EQ(parsed.trustedComment, "serial=42 expires=2027-02-28");

        const zefi::SignatureVerdict verdict = Check(kList, minisig, keys);
        EXPECT_EQ(verdict.check, SignatureCheck::kOk) << verdict.reason;
        EXPECT_EQ(verdict.serial, 42u);
        EXPECT_EQ(verdict.expires, "2027-02-28");
        EXPECT_EQ(verdict.keyId, key.keyId);
    }
}

TEST_F(SignatureTest, RefusesASignatureByAnotherKey) {
    const TestKey publisher = MakeKey("publisher");
    const TestKey other = MakeKey("other");
    const zefi::SignatureVerdict verdict =
        Check(kList, Sign(other, kList, "serial=42"), Keys(publisher.publicLine));
    EXPECT_EQ(verdict.check, SignatureCheck::kBad);
    EXPECT_NE(verdict.reason.find(other.keyId), std::string::npos) << verdict.reason;

    // The other key's signature under the publisher's key id: the id matches, the key does not.
    auto keys = Keys(publisher.publicLine);
    std::string minisig = Sign(publisher, kList, "serial=42");
    keys[0].publicKey = Keys(other.publicLine)[0].publicKey;
    EXPECT_EQ(Check(kList, minisig, keys).check, SignatureCheck::kBad);
}

TEST_F(SignatureTest, RefusesAChangedList) {
    const TestKey key = MakeKey("publisher");
    const auto keys = Keys(key.publicLine);
    for (bool legacy : {false, true}) {
        const std::string minisig = Sign(key, kList, "serial=42", legacy);
        std::string changed = kList;
        changed[0] = '1';
        EXPECT_EQ(Check(changed, minisig, keys).check, SignatureCheck::kBad) << legacy;
        EXPECT_EQ(Check(std::string(kList) + "\n", minisig, keys).check, SignatureCheck::kBad);
        EXPECT_EQ(Check("", minisig, keys).check, SignatureCheck::kBad);
    }
}

TEST_F(SignatureTest, RefusesAChangedTrustedCommentOrAlgorithm) {
    const TestKey key = MakeKey("publisher");
    const auto keys = Keys(key.publicLine);
    const std::string minisig = Sign(key, kList, "serial=42 expires=2027-02-28");
    for (const char* edit :
         {"serial=43", "serial=42 expires=2099-02-28", "serial=42  expires=2027-02-28"}) {
        std::string changed = minisig;
        const size_t at = changed.find("serial=42 expires=2027-02-28");
        changed.replace(at, std::string("serial=42 expires=2027-02-28").size(), edit);
        const zefi::SignatureVerdict verdict = Check(kList, changed, keys);
        EXPECT_EQ(verdict.check, SignatureCheck::kBad) << edit;
        EXPECT_NE(verdict.reason.find("trusted comment"), std::string::npos) << verdict.reason;
    }
    // "ED" (prehashed) turned into "Ed" (legacy): the first Base64 characters "RU" become "RW".
    std::string legacy = minisig;
    const size_t line2 = legacy.find('\n') + 1;
    ASSERT_EQ(legacy.compare(line2, 2, "RU"), 0);
    legacy[line2 + 1] = 'W';
    EXPECT_EQ(Check(kList, legacy, keys).check, SignatureCheck::kBad);
}

TEST_F(SignatureTest, RefusesATrustedCommentWithoutAGoodSerial) {
    const TestKey key = MakeKey("publisher");
    const auto keys = Keys(key.publicLine);
    // Empty: minisign's own comment (timestamp, file name).
    for (const char* trusted :
         {"", "expires=2027-02-28", "serial", "serial=", "serial=-1", "serial=+1", "serial=4x",
          "serial=0x10", "serial=18446744073709551616", "serial=1 serial=1", "Serial=1",
          "serial=1 expires=2027-02-29", "serial=1 expires=27-02-28",
          "serial=1 expires=2027-02-28 expires=2027-02-28"}) {
        const zefi::SignatureVerdict verdict = Check(kList, Sign(key, kList, trusted), keys);
        EXPECT_EQ(verdict.check, SignatureCheck::kBad) << trusted;
        EXPECT_NE(verdict.reason.find("trusted comment"), std::string::npos) << verdict.reason;
    }
    // The largest serial, unknown fields, tabs and leading zeros are fine.
    const zefi::SignatureVerdict verdict =
        Check(kList, Sign(key, kList, "note=x\tserial=18446744073709551615 build 7"), keys);
    EXPECT_EQ(verdict.check, SignatureCheck::kOk) << verdict.reason;
    EXPECT_EQ(verdict.serial, 18446744073709551615u);
    EXPECT_EQ(verdict.expires, "");
    EXPECT_EQ(Check(kList, Sign(key, kList, "serial=007"), keys).serial, 7u);
}

TEST_F(SignatureTest, ListIsGoodThroughItsExpiryDay) {
    const TestKey key = MakeKey("publisher");
    const auto keys = Keys(key.publicLine);
    const std::string minisig = Sign(key, kList, "serial=42 expires=2027-02-28");
    EXPECT_EQ(Check(kList, minisig, keys, 0, "2027-02-27").check, SignatureCheck::kOk);
    EXPECT_EQ(Check(kList, minisig, keys, 0, "2027-02-28").check, SignatureCheck::kOk);
    const zefi::SignatureVerdict verdict = Check(kList, minisig, keys, 0, "2027-03-01");
    EXPECT_EQ(verdict.check, SignatureCheck::kExpired);
    EXPECT_EQ(verdict.serial, 42u);
    EXPECT_EQ(Check(kList, minisig, keys, 0, "2028-01-01").check, SignatureCheck::kExpired);
    // Without a date for today the list cannot be shown to be current.
    EXPECT_EQ(Check(kList, minisig, keys, 0, "").check, SignatureCheck::kExpired);
    // A list without expiry never expires.
    EXPECT_EQ(Check(kList, Sign(key, kList, "serial=42"), keys, 0, "9999-12-31").check,
              SignatureCheck::kOk);
}

TEST_F(SignatureTest, RefusesAnOlderSerialButTakesAnEqualOne) {
    const TestKey key = MakeKey("publisher");
    const auto keys = Keys(key.publicLine);
    const std::string minisig = Sign(key, kList, "serial=42 expires=2027-02-28");
    const zefi::SignatureVerdict older = Check(kList, minisig, keys, 43);
    EXPECT_EQ(older.check, SignatureCheck::kOlder);
    EXPECT_EQ(older.serial, 42u);
    EXPECT_EQ(Check(kList, minisig, keys, 42).check, SignatureCheck::kOk);
    EXPECT_EQ(Check(kList, minisig, keys, 41).check, SignatureCheck::kOk);
    // An older list that has expired too is refused as older.
    EXPECT_EQ(Check(kList, minisig, keys, 43, "2030-01-01").check, SignatureCheck::kOlder);
}

TEST_F(SignatureTest, AnyOfSeveralKeysMaySign) {
    const TestKey oldKey = MakeKey("old");
    const TestKey newKey = MakeKey("new");
    const TestKey retired = MakeKey("retired");
    for (const std::string separator : {", ", ",", " ", "\t", "\r\n", " ,\n "}) {
        const auto keys =
            Keys(separator + oldKey.publicLine + separator + newKey.publicLine + separator);
        ASSERT_EQ(keys.size(), 2u) << separator;
        const zefi::SignatureVerdict byOld = Check(kList, Sign(oldKey, kList, "serial=5"), keys);
        EXPECT_EQ(byOld.check, SignatureCheck::kOk);
        EXPECT_EQ(byOld.keyId, oldKey.keyId);
        const zefi::SignatureVerdict byNew = Check(kList, Sign(newKey, kList, "serial=6"), keys);
        EXPECT_EQ(byNew.check, SignatureCheck::kOk);
        EXPECT_EQ(byNew.keyId, newKey.keyId);
        EXPECT_EQ(Check(kList, Sign(retired, kList, "serial=7"), keys).check, SignatureCheck::kBad);
    }
}

TEST_F(SignatureTest, ReportsAMissingSignatureAndMissingKeys) {
    const TestKey key = MakeKey("publisher");
    EXPECT_EQ(
        zefi::CheckPackageListSignature(kList, nullptr, Keys(key.publicLine), 0, kToday).check,
        SignatureCheck::kMissing);
    EXPECT_EQ(Check(kList, Sign(key, kList, "serial=1"), {}).check, SignatureCheck::kBad);
}

TEST_F(SignatureTest, TakesCrLfLinesAndAMissingLastLineEnd) {
    const TestKey key = MakeKey("publisher");
    const auto keys = Keys(key.publicLine);
    const std::string minisig = Sign(key, kList, "serial=42");
    std::string crlf;
    for (char c : minisig) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(Check(kList, crlf, keys).check, SignatureCheck::kOk);
    ASSERT_EQ(minisig.back(), '\n');
    EXPECT_EQ(Check(kList, minisig.substr(0, minisig.size() - 1), keys).check, SignatureCheck::kOk);
    EXPECT_EQ(Check(kList, minisig + "\n\r\n", keys).check, SignatureCheck::kOk);
}

TEST_F(SignatureTest, RefusesTruncatedAndMalformedFiles) {
    const TestKey key = MakeKey("publisher");
    const auto keys = Keys(key.publicLine);
    const std::string minisig = Sign(key, kList, "serial=42");
    // Every cut that loses more than the last line end.
    for (size_t size = 0; size + 1 < minisig.size(); ++size) {
        const zefi::SignatureVerdict verdict = Check(kList, minisig.substr(0, size), keys);
        EXPECT_EQ(verdict.check, SignatureCheck::kBad) << size;
        EXPECT_NE(verdict.reason.find("unreadable"), std::string::npos) << verdict.reason;
    }
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = minisig;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const size_t line2 = minisig.find('\n') + 1;
    const std::string sigLine = minisig.substr(line2, minisig.find('\n', line2) - line2);
    const std::vector<std::string> bad = {
        replaced("untrusted comment: ", "untrusted comment "),
        replaced("trusted comment: serial", "Trusted comment: serial"),
        replaced(sigLine, sigLine.substr(0, 96) + "!!!="),          // not Base64
        replaced(sigLine, sigLine.substr(0, 96)),                   // 72 bytes
        replaced(sigLine, "RV" + sigLine.substr(2)),                // algorithm "ET"
        replaced(sigLine, sigLine + "AAAA"),                        // 77 bytes
        replaced("\ntrusted comment: ", "\nx\ntrusted comment: "),  // five lines
        minisig + "more\n",                                         // text after the fourth
        "untrusted comment: " + std::string(1100, 'x') + minisig.substr(minisig.find('\n')),
        std::string(zefi::kMaxMinisigSize + 1, '\n'),
        "",
    };
    for (const std::string& text : bad) {
        zefi::Minisig parsed;
        std::string error;
        EXPECT_FALSE(zefi::ParseMinisig(text, &parsed, &error)) << text;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(Check(kList, text, keys).check, SignatureCheck::kBad) << text;
    }
}

TEST(PublisherKeys, ParsesKeyLinesAndReportsTheRest) {
    const char kKeyA[] = "RWSKsYDmcUM0QgsFFMN9V/X3MBIGTy0DmgpeaykM9P6v3O2wawZStOe4";
    const char kKeyB[] = "RWQf6LRCGA9i53mlYecO4IzT51TGPpvWucNSCh1CBM0QTaLn73Y7GFO3";
    // minisign printed this one's id as F122935F9B71C32: no leading zero.
    const char kKeyC[] = "RWQyHLf5NSkSDwchJSXQ9Jl7v0zu2LBnANsjHi/kPC2+WuqMaTgB985a";
    std::vector<zefi::PublisherKey> keys;
    std::vector<std::string> rejected;
    const std::string text = std::string(kKeyA) + ",untrusted\t" + kKeyB + "\n" + kKeyC +
                             // A signature line, a key's size of Base64 that lacks "Ed", control
                             // and non-ASCII bytes, and a long entry.
                             " RUSKsYDmcUM0QqaW9LbOunNJcXnIsYpt42kjZyH0Xyg4eP/YYxNW/"
                             "+bR9dI7R0aUG2++62KNNtQd9AdFkVxY7NhwZLwHQc8Bvw8="
                             " QWSKsYDmcUM0QgsFFMN9V/X3MBIGTy0DmgpeaykM9P6v3O2wawZStOe4 a\x01"
                             "b\xc3\xa9 " +
                             std::string(150, 'A');
    EXPECT_EQ(zefi::ParsePublisherKeys(text, &keys, &rejected), 3u);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(zefi::KeyIdText(keys[0].keyId), "42344371E680B18A");
    EXPECT_EQ(zefi::KeyIdText(keys[1].keyId), "E7620F1842B4E81F");
    EXPECT_EQ(zefi::KeyIdText(keys[2].keyId), "F122935F9B71C32");
    ASSERT_EQ(rejected.size(), 5u);
    EXPECT_EQ(rejected[0], "untrusted");
    EXPECT_EQ(rejected[1].compare(0, 4, "RUSK"), 0);
    EXPECT_EQ(rejected[2].compare(0, 4, "QWSK"), 0);
    EXPECT_EQ(rejected[3], "a?b??");
    // Long entries are cut for the log.
    EXPECT_EQ(rejected[4], std::string(100, 'A'));
    EXPECT_EQ(zefi::ParsePublisherKeys(" ,\r\n", &keys, nullptr), 0u);
    EXPECT_EQ(keys.size(), 3u);
}

TEST(TrustedDate, KnowsTheCalendar) {
    for (const char* date :
         {"2024-02-29", "2000-02-29", "2027-02-28", "2027-12-31", "0001-01-01"}) {
        EXPECT_TRUE(zefi::IsCalendarDate(date)) << date;
    }
    for (const char* date :
         {"2023-02-29", "1900-02-29", "2027-04-31", "2027-13-01", "2027-00-10", "2027-01-00",
          "0000-01-01", "2027-1-01", "2027/01/01", "+027-01-01", "2027-01-01 ", ""}) {
        EXPECT_FALSE(zefi::IsCalendarDate(date)) << date;
    }
}

TEST(TrustedDate, TodayIsTheUtcDateOfTheSystemClock) {
    // date(1) asked before and after, in case midnight passes in between.
    const std::string before = testsupport::RunCommand("date -u +%F");
    const std::string today = zefi::TodayUtc();
    const std::string after = testsupport::RunCommand("date -u +%F");
    EXPECT_TRUE(zefi::IsCalendarDate(today)) << today;
    EXPECT_TRUE(today + "\n" == before || today + "\n" == after) << today << " " << before;
}

}  // namespace
