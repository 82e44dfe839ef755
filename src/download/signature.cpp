// Minisign public keys and signatures of the package list, and the serial and expiry rule.
#include "download/signature.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/crypto.h"

namespace zefi {
namespace {

constexpr size_t kPublicKeyBytes = 2 + kMinisignKeyIdSize + platform::kEd25519PublicKeySize;
constexpr size_t kSignatureBytes = 2 + kMinisignKeyIdSize + platform::kEd25519SignatureSize;
constexpr size_t kMaxUntrustedLine = 1024;
constexpr size_t kMaxTrustedLine = 8192;
constexpr size_t kMaxShownEntry = 100;
const char kUntrustedPrefix[] = "untrusted comment: ";
const char kTrustedPrefix[] = "trusted comment: ";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Text from outside as it may go into a log: at most limit characters, every byte that is not
// printable ASCII shown as "?".
std::string Printable(const std::string& text, size_t limit) {
    std::string shown = text.substr(0, limit);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) c = '?';
    }
    return shown;
}

// The bytes of a Base64 line, when it decodes to exactly size bytes.
bool DecodeExact(const std::string& line, size_t size, std::string* bytes) {
    return platform::DecodeBase64(line, bytes) && bytes->size() == size;
}

// Cuts text into its first four lines at LF, each without a CR that ends it. False when there
// are fewer, or when anything but line ends follows the fourth.
bool FourLines(const std::string& text, std::string lines[4]) {
    size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            // Only the last line may go without its line end.
            if (i < 3) return false;
            end = text.size();
        }
        lines[i] = text.substr(at, end - at);
        if (!lines[i].empty() && lines[i].back() == '\r') lines[i].pop_back();
        at = end + 1;
    }
    return text.find_first_not_of("\r\n", at) == std::string::npos;
}

// A decimal number of digits only that fits 64 bits.
bool ParseDecimal(const std::string& text, uint64_t* value) {
    if (text.empty()) return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (number > (UINT64_MAX - digit) / 10) return false;
        number = number * 10 + digit;
    }
    *value = number;
    return true;
}

bool VerifyWith(const PublisherKey& key, const std::string& data, const Minisig& minisig,
                bool* fileSigned) {
    *fileSigned = false;
    uint8_t prehash[platform::kBlake2b512Size];
    const void* message = data.data();
    size_t size = data.size();
    if (minisig.prehashed) {
        if (!platform::Blake2b512(data.data(), data.size(), prehash)) return false;
        message = prehash;
        size = sizeof prehash;
    }
    *fileSigned =
        platform::VerifyEd25519(minisig.signature.data(), message, size, key.publicKey.data());
    if (!*fileSigned) return false;
    // The global signature binds the trusted comment to this very file signature.
    std::string global(minisig.signature.begin(), minisig.signature.end());
    global += minisig.trustedComment;
    return platform::VerifyEd25519(minisig.globalSignature.data(), global.data(), global.size(),
                                   key.publicKey.data());
}

SignatureVerdict Verdict(SignatureCheck check, const std::string& reason) {
    SignatureVerdict verdict;
    verdict.check = check;
    verdict.reason = reason;
    return verdict;
}

}  // namespace

size_t ParsePublisherKeys(const std::string& text, std::vector<PublisherKey>* keys,
                          std::vector<std::string>* rejected) {
    static const char kSeparators[] = ", \t\r\n";
    size_t added = 0;
    size_t at = text.find_first_not_of(kSeparators);
    while (at != std::string::npos) {
        size_t end = std::min(text.find_first_of(kSeparators, at), text.size());
        const std::string entry = text.substr(at, end - at);
        std::string bytes;
        if (DecodeExact(entry, kPublicKeyBytes, &bytes) && bytes.compare(0, 2, "Ed") == 0) {
            PublisherKey key;
            std::copy_n(bytes.begin() + 2, kMinisignKeyIdSize, key.keyId.begin());
            std::copy_n(bytes.begin() + 2 + kMinisignKeyIdSize, key.publicKey.size(),
                        key.publicKey.begin());
            keys->push_back(key);
            ++added;
        } else if (rejected != nullptr) {
            rejected->push_back(Printable(entry, kMaxShownEntry));
        }
        at = text.find_first_not_of(kSeparators, end);
    }
    return added;
}

bool ParseMinisig(const std::string& text, Minisig* out, std::string* error) {
    if (text.size() > kMaxMinisigSize) {
        *error = "signature file longer than " + std::to_string(kMaxMinisigSize) + " bytes";
        return false;
    }
    std::string lines[4];
    if (!FourLines(text, lines)) {
        *error = "signature file is not four lines";
        return false;
    }
    if (!StartsWith(lines[0], kUntrustedPrefix) || lines[0].size() > kMaxUntrustedLine) {
        *error = "first line is not an untrusted comment";
        return false;
    }
    std::string bytes;
    if (!DecodeExact(lines[1], kSignatureBytes, &bytes)) {
        *error = "signature line is not Base64 of " + std::to_string(kSignatureBytes) + " bytes";
        return false;
    }
    if (bytes.compare(0, 2, "Ed") != 0 && bytes.compare(0, 2, "ED") != 0) {
        *error = "unknown signature algorithm";
        return false;
    }
    out->prehashed = bytes[1] == 'D';
    std::copy_n(bytes.begin() + 2, kMinisignKeyIdSize, out->keyId.begin());
    std::copy_n(bytes.begin() + 2 + kMinisignKeyIdSize, out->signature.size(),
                out->signature.begin());
    if (!StartsWith(lines[2], kTrustedPrefix) || lines[2].size() > kMaxTrustedLine) {
        *error = "third line is not a trusted comment";
        return false;
    }
    out->trustedComment = lines[2].substr(sizeof kTrustedPrefix - 1);
    if (!DecodeExact(lines[3], out->globalSignature.size(), &bytes)) {
        *error = "global signature line is not Base64 of 64 bytes";
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), out->globalSignature.begin());
    return true;
}

bool VerifyMinisig(const std::string& data, const Minisig& minisig,
                   const std::vector<PublisherKey>& keys, const PublisherKey** signer,
                   std::string* error) {
    bool keyFound = false;
    bool fileSigned = false;
    for (const PublisherKey& key : keys) {
        if (key.keyId != minisig.keyId) continue;
        keyFound = true;
        if (VerifyWith(key, data, minisig, &fileSigned)) {
            if (signer != nullptr) *signer = &key;
            return true;
        }
        // Two configured keys may share an id; each gets its chance.
    }
    if (!keyFound) {
        *error = "signed by key " + KeyIdText(minisig.keyId) + ", which is not a publisher key";
    } else if (fileSigned) {
        *error = "trusted comment does not match its signature";
    } else {
        *error = "file does not match its signature by key " + KeyIdText(minisig.keyId);
    }
    return false;
}

bool ParseTrustedComment(const std::string& comment, TrustedFields* out, std::string* error) {
    static const char kBlanks[] = " \t";
    bool haveSerial = false;
    bool haveExpires = false;
    TrustedFields fields;
    size_t at = comment.find_first_not_of(kBlanks);
    while (at != std::string::npos) {
        const size_t end = std::min(comment.find_first_of(kBlanks, at), comment.size());
        const std::string word = comment.substr(at, end - at);
        at = comment.find_first_not_of(kBlanks, end);
        const size_t equals = word.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = word.substr(0, equals);
        const std::string value = word.substr(equals + 1);
        if (key == "serial") {
            if (haveSerial) {
                *error = "serial given twice";
                return false;
            }
            if (!ParseDecimal(value, &fields.serial)) {
                *error = "serial is not a decimal number below 2^64";
                return false;
            }
            haveSerial = true;
        } else if (key == "expires") {
            if (haveExpires) {
                *error = "expires given twice";
                return false;
            }
            if (!IsCalendarDate(value)) {
                *error = "expires is not a date YYYY-MM-DD";
                return false;
            }
            fields.expires = value;
            haveExpires = true;
        }
    }
    if (!haveSerial) {
        *error = "no serial";
        return false;
    }
    *out = fields;
    return true;
}

bool IsCalendarDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    uint64_t year = 0;
    uint64_t month = 0;
    uint64_t day = 0;
    if (!ParseDecimal(text.substr(0, 4), &year) || !ParseDecimal(text.substr(5, 2), &month) ||
        !ParseDecimal(text.substr(8, 2), &day)) {
        return false;
    }
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    static const uint64_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::string TodayUtc() {
    const auto days = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    const std::chrono::year_month_day date{days};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

std::string KeyIdText(const std::array<uint8_t, kMinisignKeyIdSize>& keyId) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = keyId.size(); i-- > 0;) {
        text += kHex[keyId[i] >> 4];
        text += kHex[keyId[i] & 0x0F];
    }
    const size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? "0" : text.substr(first);
}

SignatureVerdict CheckPackageListSignature(const std::string& listBytes, const std::string* minisig,
                                           const std::vector<PublisherKey>& keys,
                                           uint64_t keptSerial, const std::string& todayUtc) {
    if (minisig == nullptr) return Verdict(SignatureCheck::kMissing, "no signature file");
    if (keys.empty()) return Verdict(SignatureCheck::kBad, "no publisher key configured");
    Minisig parsed;
    std::string error;
    if (!ParseMinisig(*minisig, &parsed, &error)) {
        return Verdict(SignatureCheck::kBad, "unreadable signature: " + error);
    }
    const PublisherKey* signer = nullptr;
    if (!VerifyMinisig(listBytes, parsed, keys, &signer, &error)) {
        return Verdict(SignatureCheck::kBad, "bad signature: " + error);
    }
    TrustedFields fields;
    if (!ParseTrustedComment(parsed.trustedComment, &fields, &error)) {
        return Verdict(SignatureCheck::kBad, "bad trusted comment: " + error);
    }
    SignatureVerdict verdict;
    verdict.serial = fields.serial;
    verdict.expires = fields.expires;
    verdict.keyId = KeyIdText(signer->keyId);
    const std::string serial = std::to_string(fields.serial);
    if (fields.serial < keptSerial) {
        verdict.check = SignatureCheck::kOlder;
        verdict.reason = "serial " + serial + " is older than serial " +
                         std::to_string(keptSerial) + " used before";
        return verdict;
    }
    if (!fields.expires.empty()) {
        // Dates written YYYY-MM-DD compare as text in the order of time.
        if (!IsCalendarDate(todayUtc) || todayUtc > fields.expires) {
            verdict.check = SignatureCheck::kExpired;
            verdict.reason = "serial " + serial + " expired after " + fields.expires + " (today " +
                             Printable(todayUtc, 10) + ")";
            return verdict;
        }
    }
    verdict.check = SignatureCheck::kOk;
    verdict.reason = "signed by key " + verdict.keyId + ", serial " + serial +
                     (fields.expires.empty() ? ", no expiry" : ", expires " + fields.expires);
    return verdict;
}

}  // namespace zefi
