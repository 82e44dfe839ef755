// The publisher's signature of a package list: minisign public keys and detached signatures
// (".minisig"), the serial and expiry date in the signed comment, and the rule that decides
// whether a fetched list may be used.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zefi {

constexpr size_t kMinisignKeyIdSize = 8;

// A publisher key: the key id that signatures name and the Ed25519 public key.
struct PublisherKey {
    std::array<uint8_t, kMinisignKeyIdSize> keyId{};
    std::array<uint8_t, 32> publicKey{};
};

// Parses publisher keys from text holding the Base64 lines of minisign public key files
// (the second line of a ".pub" file: "Ed", the 8-byte key id and the 32-byte key), separated by
// commas or blanks (space, tab, CR, LF). Appends every key that parses to *keys and, when
// rejected is given, every entry that does not to *rejected (cut to 100 characters, control
// and non-ASCII characters shown as "?", for the log). Returns the number of keys appended.
size_t ParsePublisherKeys(const std::string& text, std::vector<PublisherKey>* keys,
                          std::vector<std::string>* rejected);

// Largest ".minisig" file taken: the four lines with a trusted comment of the largest size
// minisign writes.
constexpr size_t kMaxMinisigSize = 12 * 1024;

// A parsed ".minisig" file.
struct Minisig {
    bool prehashed = false;  // "ED": the file signature is over the BLAKE2b-512 of the file
    std::array<uint8_t, kMinisignKeyIdSize> keyId{};
    std::array<uint8_t, 64> signature{};        // Ed25519, over the file or its BLAKE2b-512
    std::string trustedComment;                 // the text after "trusted comment: "
    std::array<uint8_t, 64> globalSignature{};  // Ed25519, over signature + trusted comment
};

// Parses the text of a ".minisig" file: "untrusted comment: " and any text; the Base64 of the
// algorithm ("Ed" or "ED"), the key id and the 64-byte signature; "trusted comment: " and its
// text; the Base64 of the 64-byte global signature. Lines end in LF or CR LF; the last line
// end may be missing, and only line ends may follow the fourth line. Refuses text longer than
// kMaxMinisigSize, and like minisign an untrusted comment line over 1024 or a trusted comment
// line over 8192 bytes (prefixes included, line ends not). False with the reason in *error
// (English, ASCII) when the text is not such a file; *out is then unspecified. Nothing here
// checks a signature.
bool ParseMinisig(const std::string& text, Minisig* out, std::string* error);

// Whether minisig signs data by one of keys: a key with the signature's key id whose key
// verifies the file signature (over data, or its BLAKE2b-512 when prehashed) and the global
// signature over the file signature followed by the trusted comment. On success *signer, when
// given, is the key that verified. False with the reason in *error otherwise.
bool VerifyMinisig(const std::string& data, const Minisig& minisig,
                   const std::vector<PublisherKey>& keys, const PublisherKey** signer,
                   std::string* error);

// The fields of a package list's trusted comment: blank-separated (space, tab) "key=value"
// words; other words are ignored.
struct TrustedFields {
    uint64_t serial = 0;  // "serial=N", decimal digits only, at most 2^64 - 1; required
    std::string expires;  // "expires=YYYY-MM-DD", a real date; empty when absent
};

// Parses a trusted comment. False with the reason in *error when serial is missing, when serial
// or expires is not well-formed, or when either appears twice.
bool ParseTrustedComment(const std::string& comment, TrustedFields* out, std::string* error);

// Whether text is a real calendar date written YYYY-MM-DD (Gregorian, years 0001 to 9999).
bool IsCalendarDate(const std::string& text);

// Today's date in UTC as YYYY-MM-DD, from the system clock. Any thread.
std::string TodayUtc();

// The key id as minisign prints it: the 8 bytes as a little-endian number in upper-case hex,
// without leading zeros.
std::string KeyIdText(const std::array<uint8_t, kMinisignKeyIdSize>& keyId);

enum class SignatureCheck {
    kOk,       // signed by a publisher key, serial not older than kept, not expired
    kMissing,  // no signature was fetched
    kBad,      // unreadable, no matching key, list or trusted comment changed, no serial
    kOlder,    // well signed, but its serial is lower than the one kept from an earlier list
    kExpired,  // well signed, but its expiry day is past
};

struct SignatureVerdict {
    SignatureCheck check = SignatureCheck::kBad;
    uint64_t serial = 0;  // from the trusted comment, once the signature verified
    std::string expires;  // likewise; empty when the list does not expire
    std::string keyId;    // KeyIdText of the key that verified, once one did
    std::string reason;   // what was found, for the log (English, ASCII)
};

// Decides whether a fetched package list may be used. listBytes are the list exactly as
// fetched; minisig is the text of its ".minisig" (nullptr when none could be fetched: kMissing);
// keys are the configured publisher keys (none: kBad); keptSerial is the highest serial of a
// list used before (0 when none); todayUtc is today as TodayUtc gives it. The signature is
// checked first (kBad), then the serial (kOlder when lower than keptSerial; equal is fine),
// then the expiry date (kExpired when todayUtc lies after it; the list is good through the whole
// day; a todayUtc that is not a date counts as expired). Any thread; no side effects.
SignatureVerdict CheckPackageListSignature(const std::string& listBytes, const std::string* minisig,
                                           const std::vector<PublisherKey>& keys,
                                           uint64_t keptSerial, const std::string& todayUtc);

}  // namespace zefi
