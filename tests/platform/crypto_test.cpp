// Tests of the platform's MD5 hash and Base64 decoding.
#include "platform/crypto.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"

namespace {

std::string Hex(const uint8_t* value, size_t size) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += kHex[value[i] >> 4];
        text += kHex[value[i] & 15];
    }
    return text;
}

std::string Md5Of(const std::string& data) {
    platform::Md5Hash hash;
    EXPECT_TRUE(hash.Create());
    EXPECT_TRUE(hash.HashData(data.data(), data.size()));
    uint8_t value[platform::Md5Hash::kValueSize];
    EXPECT_TRUE(hash.GetHashValue(value));
    return Hex(value, sizeof value);
}

TEST(Md5Hash, GivesTheKnownDigests) {
    EXPECT_EQ(Md5Of(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Of("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Of("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5Of("12345678901234567890123456789012345678901234567890123456789012345678901234"
                    "567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5Hash, PiecesGiveTheSameDigestAsOneBlock) {
    std::string data;
    for (int i = 0; i < 100000; ++i) data += static_cast<char>(i * 7 + i / 13);
    platform::Md5Hash hash;
    ASSERT_TRUE(hash.Create());
    size_t pieces[] = {1, 63, 64, 65, 16384, 0, 3};
    size_t at = 0;
    for (size_t piece : pieces) {
        ASSERT_TRUE(hash.HashData(data.data() + at, piece));
        at += piece;
    }
    ASSERT_TRUE(hash.HashData(data.data() + at, data.size() - at));
    uint8_t value[platform::Md5Hash::kValueSize];
    ASSERT_TRUE(hash.GetHashValue(value));
    EXPECT_EQ(Hex(value, sizeof value), Md5Of(data));
}

TEST(Md5Hash, RefusesDataWithoutAHashOrAfterItsValue) {
    platform::Md5Hash hash;
    uint8_t value[platform::Md5Hash::kValueSize];
    EXPECT_FALSE(hash.HashData("x", 1));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);
    EXPECT_FALSE(hash.GetHashValue(value));
    ASSERT_TRUE(hash.Create());
    ASSERT_TRUE(hash.GetHashValue(value));
    EXPECT_FALSE(hash.HashData("x", 1));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);
    // A new hash starts from nothing again.
    ASSERT_TRUE(hash.Create());
    ASSERT_TRUE(hash.HashData("abc", 3));
    ASSERT_TRUE(hash.GetHashValue(value));
    EXPECT_EQ(Hex(value, sizeof value), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(DecodeBase64, DecodesPaddedTextAndSkipsWhiteSpace) {
    std::string out;
    ASSERT_TRUE(platform::DecodeBase64("aHR0cHM6Ly9leGFtcGxlLm9yZy9zaXRlcy50eHQ=", &out));
    EXPECT_EQ(out, "https://example.org/sites.txt");
    ASSERT_TRUE(platform::DecodeBase64("aGk=", &out));
    EXPECT_EQ(out, "hi");
    ASSERT_TRUE(platform::DecodeBase64("aGVs bG8=\r\n", &out));
    EXPECT_EQ(out, "hello");
    ASSERT_TRUE(platform::DecodeBase64("aGVs\tbG8=", &out));
    EXPECT_EQ(out, "hello");
    ASSERT_TRUE(platform::DecodeBase64("AAEC/w==", &out));
    EXPECT_EQ(out, std::string("\x00\x01\x02\xff", 4));
    ASSERT_TRUE(platform::DecodeBase64("", &out));
    EXPECT_EQ(out, "");
}

TEST(DecodeBase64, RejectsTextThatIsNotBase64AndKeepsTheOutput) {
    const char* bad[] = {
        "aG!s", "aGVsbG8", "a", "aGVsbG8=x", "aGVsbG8==", "aGk=aGk=", "%%%%", "-aGk=", "aGk=\x01"};
    for (const char* text : bad) {
        std::string out = "unchanged";
        EXPECT_FALSE(platform::DecodeBase64(text, &out)) << text;
        EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidData) << text;
        EXPECT_EQ(out, "unchanged") << text;
    }
}

}  // namespace
