// The header of a zsync control file (".zsync", as zsyncmake writes it) and the SHA-1 of a file,
// which such a header names: what zefisetup-verify compares with the image it describes.
#pragma once

#include <cstdint>
#include <string>

namespace zefi {

// The fields of a zsync control file's header that describe its file.
struct ZsyncHeader {
    int64_t length = -1;    // "Length:", the file's size in bytes
    int64_t blockSize = 0;  // "Blocksize:"
    int rsumBytes = 0;      // "Hash-Lengths:" second and third values: the bytes of each
    int checksumBytes = 0;  // block's rolling and strong checksum after the header
    std::string sha1;       // "SHA-1:", 40 hex digits in lower case
    std::string url;        // "URL:", where the file is, relative to the control file
    size_t headerSize = 0;  // bytes up to and with the empty line that ends the header
};

// Parses the header at the start of text: "Name: value" lines ended by LF, up to an empty
// line. False with the reason in *error (English) when the header does not end, or lacks one
// of Length, Blocksize, Hash-Lengths, SHA-1 or URL, or one of them is not well-formed.
bool ParseZsyncHeader(const std::string& text, ZsyncHeader* header, std::string* error);

// The number of checksum bytes that follow the header of a file of header.length bytes.
int64_t ZsyncChecksumBytes(const ZsyncHeader& header);

// The SHA-1 of the file at path (a Windows path), 40 lower-case hex digits, read in 64 KiB
// blocks. False with the last error set when the file cannot be read or hashed.
bool HashFileSha1(const std::string& path, std::string* hex);

}  // namespace zefi
