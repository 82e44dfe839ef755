// A C runtime file stream (fopen family). Text mode is the one place where line ends are
// translated: a stream opened without "b" reads CR LF as "\n", stops at Ctrl+Z, and writes
// every "\n" as CR LF, as the C runtime does on Windows.
#pragma once

#include <cstddef>
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
    bool Eof() const;
    bool Error() const;
    // fclose; false when a pending write failed.
    bool Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
