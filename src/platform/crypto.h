// Cryptographic services of the system. Shaped after CryptoAPI: incremental MD5, SHA-256 and
// SHA-1 hashes (CryptAcquireContext / CryptCreateHash / CryptHashData / CryptGetHashParam) and
// Base64 decoding (CryptStringToBinary with CRYPT_STRING_BASE64). From libsodium, the same on every
// system: Ed25519 signature verification and BLAKE2b-512, for the publisher's signatures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum class HashAlgorithm { kMd5, kSha256, kSha1 };

// One hash object of the system's provider with its context. Any thread may use its own object;
// one object must not be used by two threads at once. Md5Hash and Sha256Hash below fix the
// algorithm and the size of the value.
class SystemHash {
  public:
    ~SystemHash();  // destroys the hash and releases the context
    SystemHash(const SystemHash&) = delete;
    SystemHash& operator=(const SystemHash&) = delete;

    // Acquires a verify-only context and creates an empty hash in it. False with the last
    // error set when the provider cannot give one. A hash created before is destroyed first.
    bool Create();
    // Adds size bytes to the hash. False with the last error set (kErrorInvalidHandle when no
    // hash was created, or after the value was taken).
    bool HashData(const void* data, size_t size);
    // Destroys the hash and releases the context; safe to call twice.
    void Destroy();

  protected:
    explicit SystemHash(HashAlgorithm algorithm);
    // The digest (size bytes, the algorithm's value size) of everything hashed so far. The hash
    // is finished afterwards: further HashData calls fail. False with the last error set.
    bool GetValue(uint8_t* value, size_t size);

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

class Md5Hash : public SystemHash {
  public:
    static constexpr size_t kValueSize = 16;
    Md5Hash() : SystemHash(HashAlgorithm::kMd5) {}
    // The 16-byte digest; see SystemHash::GetValue.
    bool GetHashValue(uint8_t value[kValueSize]) { return GetValue(value, kValueSize); }
};

class Sha256Hash : public SystemHash {
  public:
    static constexpr size_t kValueSize = 32;
    Sha256Hash() : SystemHash(HashAlgorithm::kSha256) {}
    // The 32-byte digest; see SystemHash::GetValue.
    bool GetHashValue(uint8_t value[kValueSize]) { return GetValue(value, kValueSize); }
};

// SHA-1, for the control files of zsync, which name an image by it (never for trust).
class Sha1Hash : public SystemHash {
  public:
    static constexpr size_t kValueSize = 20;
    Sha1Hash() : SystemHash(HashAlgorithm::kSha1) {}
    // The 20-byte digest; see SystemHash::GetValue.
    bool GetHashValue(uint8_t value[kValueSize]) { return GetValue(value, kValueSize); }
};

// Decodes Base64 text into bytes, as CryptStringToBinary with CRYPT_STRING_BASE64: white space
// (blank, tab, CR, LF) is skipped; the last group of four is completed with "=" padding. False
// with kErrorInvalidData when the text holds any other character, lacks its padding or goes on
// after it; *out is then left unchanged. Empty text decodes to no bytes.
bool DecodeBase64(const std::string& text, std::string* out);

constexpr size_t kEd25519PublicKeySize = 32;
constexpr size_t kEd25519SignatureSize = 64;
constexpr size_t kBlake2b512Size = 64;

// Whether signature is a valid Ed25519 signature (RFC 8032, with libsodium's checks that the
// encodings are canonical) of the size bytes at message by publicKey. False with
// kErrorInvalidData when it is not, with kErrorNotSupported when the library cannot start. Any
// thread; the library is initialised once, on first use.
bool VerifyEd25519(const uint8_t signature[kEd25519SignatureSize], const void* message, size_t size,
                   const uint8_t publicKey[kEd25519PublicKeySize]);

// The unkeyed BLAKE2b digest of 64 bytes of the size bytes at data, into value. False with
// kErrorNotSupported when the library cannot start. Any thread.
bool Blake2b512(const void* data, size_t size, uint8_t value[kBlake2b512Size]);

}  // namespace platform
