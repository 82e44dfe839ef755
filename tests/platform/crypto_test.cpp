// Tests of the platform's MD5, SHA-256 and SHA-1 hashes, Base64 decoding, Ed25519 verification
// and BLAKE2b-512: known vectors that every backend must give.
#include "platform/crypto.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The hex digest of data by a hash class of the platform (Md5Hash, Sha256Hash, Sha1Hash).
template <class Hash>
std::string DigestOf(const std::string& data) {
    Hash hash;
    EXPECT_TRUE(hash.Create());
    EXPECT_TRUE(hash.HashData(data.data(), data.size()));
    uint8_t value[Hash::kValueSize];
    EXPECT_TRUE(hash.GetHashValue(value));
    return Hex(value, sizeof value);
}

std::string Md5Of(const std::string& data) { return DigestOf<platform::Md5Hash>(data); }
std::string Sha256Of(const std::string& data) { return DigestOf<platform::Sha256Hash>(data); }

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

// Bytes from hex text.
std::string Bytes(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

const uint8_t* Data(const std::string& bytes) {
    return reinterpret_cast<const uint8_t*>(bytes.data());
}

TEST(Sha1Hash, GivesTheKnownDigests) {
    EXPECT_EQ(DigestOf<platform::Sha1Hash>(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(DigestOf<platform::Sha1Hash>("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Sha256Hash, GivesTheKnownDigests) {
    EXPECT_EQ(Sha256Of(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Of("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256Hash, PiecesGiveTheDigestOfTheWhole) {
    // A million "a" in pieces of uneven sizes, as the hash of a file gets its blocks.
    const std::string piece(16384, 'a');
    platform::Sha256Hash hash;
    ASSERT_TRUE(hash.Create());
    size_t left = 1000000;
    for (size_t size : {size_t{1}, size_t{63}, size_t{0}, size_t{65}}) {
        ASSERT_TRUE(hash.HashData(piece.data(), size));
        left -= size;
    }
    while (left > 0) {
        const size_t size = std::min(left, piece.size());
        ASSERT_TRUE(hash.HashData(piece.data(), size));
        left -= size;
    }
    uint8_t value[platform::Sha256Hash::kValueSize];
    ASSERT_TRUE(hash.GetHashValue(value));
    EXPECT_EQ(Hex(value, sizeof value),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Finished: no more data, until a new hash is created.
    EXPECT_FALSE(hash.HashData("a", 1));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);
    EXPECT_FALSE(hash.GetHashValue(value));
    ASSERT_TRUE(hash.Create());
    ASSERT_TRUE(hash.HashData("abc", 3));
    ASSERT_TRUE(hash.GetHashValue(value));
    EXPECT_EQ(Hex(value, sizeof value),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Blake2b512, GivesTheKnownDigests) {
    uint8_t value[platform::kBlake2b512Size];
    ASSERT_TRUE(platform::Blake2b512("", 0, value));
    EXPECT_EQ(
        Hex(value, sizeof value),
        "786a02f742015903c6c6fd852552d272912f4740e15847618a86e217f71f5419d25e1031afee5853138964"
        "44934eb04b903a685b1448b755d56f701afe9be2ce");
    ASSERT_TRUE(platform::Blake2b512("abc", 3, value));
    EXPECT_EQ(Hex(value, sizeof value),
              "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d17d87c5392aab792dc252"
              "d5de4533cc9518d38aa8dbf1925ab92386edd4009923");
}

// The first two test vectors of RFC 8032, section 7.1.
struct Ed25519Vector {
    const char* publicKey;
    const char* message;
    const char* signature;
};
const Ed25519Vector kEd25519Vectors[] = {
    {"d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
     "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701c"
     "f9b46bd25bf5f0595bbe24655141438e7a100b"},
    {"3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
     "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0"
     "f11d8c387b2eaeb4302aeeb00d291612bb0c00"},
};

TEST(VerifyEd25519, AcceptsTheKnownSignatures) {
    for (const Ed25519Vector& vector : kEd25519Vectors) {
        const std::string key = Bytes(vector.publicKey);
        const std::string message = Bytes(vector.message);
        const std::string signature = Bytes(vector.signature);
        EXPECT_TRUE(
            platform::VerifyEd25519(Data(signature), message.data(), message.size(), Data(key)))
            << vector.signature;
    }
}

TEST(VerifyEd25519, RefusesAChangedMessageSignatureOrKey) {
    const Ed25519Vector& vector = kEd25519Vectors[1];
    const std::string key = Bytes(vector.publicKey);
    const std::string message = Bytes(vector.message);
    const std::string signature = Bytes(vector.signature);
    const std::string otherMessage = "\x73";
    EXPECT_FALSE(platform::VerifyEd25519(Data(signature), otherMessage.data(), 1, Data(key)));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidData);
    EXPECT_FALSE(platform::VerifyEd25519(Data(signature), message.data(), 0, Data(key)));
    for (size_t at : {size_t{0}, size_t{31}, size_t{32}, size_t{63}}) {
        std::string changed = signature;
        changed[at] = static_cast<char>(changed[at] ^ 1);
        EXPECT_FALSE(
            platform::VerifyEd25519(Data(changed), message.data(), message.size(), Data(key)))
            << at;
    }
    const std::string otherKey = Bytes(kEd25519Vectors[0].publicKey);
    EXPECT_FALSE(
        platform::VerifyEd25519(Data(signature), message.data(), message.size(), Data(otherKey)));
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
