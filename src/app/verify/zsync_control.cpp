// The header of a zsync control file, and the SHA-1 of a file through the platform's hashes.
#include "app/verify/zsync_control.h"

#include <map>
#include <vector>

#include "platform/crypto.h"
#include "platform/stream.h"

namespace zefi {

namespace {

// A decimal number of at most 18 digits, nothing else.
bool ParseCount(const std::string& text, int64_t* value) {
    if (text.empty() || text.size() > 18) return false;
    int64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
    }
    *value = result;
    return true;
}

// "seq_matches,rsum_bytes,checksum_bytes", as zsyncmake writes them.
bool ParseHashLengths(const std::string& text, ZsyncHeader* header) {
    std::vector<int64_t> values;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        int64_t value = 0;
        if (!ParseCount(text.substr(start, comma - start), &value)) return false;
        values.push_back(value);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (values.size() != 3 || values[1] < 1 || values[1] > 4 || values[2] < 3 || values[2] > 16)
        return false;
    header->rsumBytes = static_cast<int>(values[1]);
    header->checksumBytes = static_cast<int>(values[2]);
    return true;
}

std::string Hex(const uint8_t* bytes, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

}  // namespace

bool ParseZsyncHeader(const std::string& text, ZsyncHeader* header, std::string* error) {
    std::map<std::string, std::string> fields;
    size_t at = 0;
    for (;;) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            *error = "the header does not end (no empty line)";
            return false;
        }
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty()) break;
        const size_t colon = line.find(": ");
        if (colon != std::string::npos)
            fields.emplace(line.substr(0, colon), line.substr(colon + 2));
    }
    header->headerSize = at;
    for (const char* name : {"Length", "Blocksize", "Hash-Lengths", "SHA-1", "URL"}) {
        if (fields.count(name) == 0) {
            *error = std::string("the header has no ") + name + " line";
            return false;
        }
    }
    std::string sha1 = fields["SHA-1"];
    for (char& c : sha1) c = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    bool hex = sha1.size() == 40;
    for (char c : sha1) hex = hex && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    // Bounds far beyond any image keep the count of checksum bytes within 64 bits.
    if (!ParseCount(fields["Length"], &header->length) || header->length > (int64_t{1} << 53) ||
        !ParseCount(fields["Blocksize"], &header->blockSize) || header->blockSize == 0 ||
        header->blockSize > (int64_t{1} << 30) ||
        !ParseHashLengths(fields["Hash-Lengths"], header) || !hex || fields["URL"].empty()) {
        *error = "its Length, Blocksize, Hash-Lengths, SHA-1 or URL line is not well-formed";
        return false;
    }
    header->sha1 = sha1;
    header->url = fields["URL"];
    return true;
}

int64_t ZsyncChecksumBytes(const ZsyncHeader& header) {
    const int64_t blocks = (header.length + header.blockSize - 1) / header.blockSize;
    return blocks * (header.rsumBytes + header.checksumBytes);
}

bool HashFileSha1(const std::string& path, std::string* hex) {
    platform::Stream file;
    if (!file.Open(path, "rb")) return false;
    platform::Sha1Hash hash;
    if (!hash.Create()) return false;
    std::vector<char> block(64 * 1024);
    for (;;) {
        const size_t got = file.Read(block.data(), block.size());
        if (got == 0) break;
        if (!hash.HashData(block.data(), got)) return false;
    }
    // A failed read has set the last error.
    if (file.Error()) return false;
    uint8_t value[platform::Sha1Hash::kValueSize];
    if (!hash.GetHashValue(value)) return false;
    *hex = Hex(value, sizeof value);
    return true;
}

}  // namespace zefi
