// A C runtime file stream (fopen family). Text mode is the one place where line ends are
// translated: a stream opened without "b" reads CR LF as "\n", stops at Ctrl+Z, and writes
// every "\n" as CR LF, as the C runtime does on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class Stream {
  public:
    Stream();
    ~Stream();  // closes
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // fopen modes "r", "w", "a", "r+", "w+", "a+", each with optional "b" (binary) or "t".
    // Files are always shared for reading and writing with other openers. False with the last
    // error set when the file cannot be opened.
    bool Open(const std::string& path, const char* mode);
    bool IsOpen() const;
    // fgets: at most size - 1 characters, up to and including "\n"; nullptr at the end.
    char* Gets(char* buffer, int size);
    int GetC();  // EOF (-1) at the end
    size_t Read(void* buffer, size_t size);
    size_t Write(const void* buffer, size_t size);
    bool Puts(const std::string& text);
    bool Flush();
    // _commit: flushes pending writes and then the file's data to the disk (fsync on posix,
    // FlushFileBuffers on Windows), so that a rename after it never leaves an empty file after a
    // power cut. False with the last error set.
    bool Commit();
    // _fseeki64 with origin 0 (from the start), 1 (from the current position) or 2 (from the
    // end). Pending writes are flushed, read-ahead is dropped and the end-of-file state is
    // cleared. False with the last error set (kErrorInvalidParameter for a position before the
    // start).
    bool Seek(int64_t offset, int origin);
    // _ftelli64: the position in bytes from the start of the file (in text mode the bytes on
    // disk, CR LF counting two), or -1 with the last error set.
    int64_t Tell() const;
    // _chsize_s: sets the file's length to size bytes (cutting or extending with zeros) without
    // moving the position. False with the last error set (kErrorWriteProtect for an image).
    bool Truncate(int64_t size);
    bool Eof() const;
    bool Error() const;
    // fclose; false when a pending write failed.
    bool Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
