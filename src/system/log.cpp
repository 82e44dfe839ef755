// The log stream of a working run.
#include "system/log.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/machine.h"

namespace zefi {

bool LogStream::Open(const std::string& name) {
    Close();
    m_failed = !m_file.Open(name, "w");
    return !m_failed;
}

void LogStream::Close() {
    if (m_file.IsOpen() && !m_file.Close()) m_failed = true;
}

void LogStream::Put(const char* data, size_t size) {
    if (m_failed || !m_file.IsOpen() || size == 0) return;
    if (m_file.Write(data, size) != size) m_failed = true;
}

LogStream& LogStream::operator<<(const char* text) {
    if (text) Put(text, std::strlen(text));
    return *this;
}

LogStream& LogStream::operator<<(const std::string& text) {
    Put(text.data(), text.size());
    return *this;
}

LogStream& LogStream::operator<<(uint32_t value) {
    char buf[16];
    char* end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    Put(buf, static_cast<size_t>(end - buf));
    return *this;
}

LogStream& LogStream::operator<<(int32_t value) {
    char buf[16];
    char* end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    Put(buf, static_cast<size_t>(end - buf));
    return *this;
}

LogStream& LogStream::operator<<(double value) {
    // "%g" is the iostream default format: precision 6, exponent form when it is shorter.
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "%g", value);
    Put(buf, static_cast<size_t>(n));
    return *this;
}

LogStream& LogStream::operator<<(EndLineTag) {
    EndLine();
    return *this;
}

void LogStream::EndLine() {
    Put("\n", 1);  // the text-mode stream stores it as CR LF
    if (!m_failed && m_file.IsOpen() && !m_file.Flush()) m_failed = true;
}

std::string LogStream::FormatTime(int day, int month, int year, int hour, int minute, int second,
                                  int milliseconds) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d.%d.%d %d:%d:%d,%d", day, month, year, hour, minute, second,
                  milliseconds);
    return buf;
}

void LogStream::WriteLocalTime() {
    platform::SystemTime t;
    platform::GetLocalTime(&t);
    *this << FormatTime(t.day, t.month, t.year, t.hour, t.minute, t.second, t.milliseconds);
    EndLine();
}

}  // namespace zefi
