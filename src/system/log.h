// The log stream of a working run: a text file written line by line, each line flushed as it
// ends. A stream that was never opened, or could not be, swallows every write.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "platform/stream.h"

namespace zefi {

class LogStream {
  public:
    // Ends a line: writes the line end (CR LF on disk) and flushes.
    struct EndLineTag {};
    static constexpr EndLineTag endl{};

    LogStream() = default;
    ~LogStream() = default;
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    // Opens name for writing in text mode, truncating it; shared for reading while written.
    // On failure the stream stays failed and every later write is ignored.
    bool Open(const std::string& name);
    // Closes the file; a stream whose writes failed stays failed.
    void Close();
    bool IsOpen() const { return m_file.IsOpen(); }
    bool Failed() const { return m_failed; }

    // Fragments, appended to the current line with nothing in between.
    LogStream& operator<<(const char* text);
    LogStream& operator<<(const std::string& text);
    LogStream& operator<<(uint32_t value);
    LogStream& operator<<(int32_t value);
    // Default stream format: 6 significant digits, exponent form when needed.
    LogStream& operator<<(double value);
    LogStream& operator<<(EndLineTag);
    // Other integer widths would print in a format the logs do not use.
    template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, uint32_t> &&
             !std::is_same_v<T, int32_t>) LogStream&
    operator<<(T) = delete;

    void EndLine();
    // Writes the local time as "d.m.yyyy h:m:s,ms" (no leading zeros) and ends the line.
    void WriteLocalTime();

    // The text WriteLocalTime writes for a given time.
    static std::string FormatTime(int day, int month, int year, int hour, int minute, int second,
                                  int milliseconds);

  private:
    void Put(const char* data, size_t size);

    platform::Stream m_file;
    bool m_failed = true;  // until opened
};

}  // namespace zefi
