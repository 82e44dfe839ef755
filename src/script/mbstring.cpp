// CMBString: an owned NUL-terminated byte string that never throws.
#include "script/mbstring.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/ascii.h"

namespace zefi {

namespace {

void* DefaultAllocate(size_t size) { return std::malloc(size); }

detail::MBStringAllocator g_allocate = &DefaultAllocate;

size_t SafeLength(const char* text) { return text ? std::strlen(text) : 0; }

// The copy failed: say so on standard output, as the program always has.
void ReportFailure(const char* text, size_t length) {
    std::fputs("CMBString() failed for: ", stdout);
    if (text && length) std::fwrite(text, 1, length, stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

}  // namespace

namespace detail {
MBStringAllocator SetMBStringAllocator(MBStringAllocator allocator) {
    MBStringAllocator previous = g_allocate;
    g_allocate = allocator ? allocator : &DefaultAllocate;
    return previous;
}
}  // namespace detail

CMBString::CMBString(const char* text) { Assign(text, SafeLength(text)); }

CMBString::CMBString(const char* text, int length) {
    if (!text || length <= 0) return;
    const void* nul = std::memchr(text, '\0', static_cast<size_t>(length));
    size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text)
                   : static_cast<size_t>(length);
    Assign(text, n);
}

CMBString::CMBString(const std::string& text) {
    // The text ends at its first NUL, as every C string does.
    Assign(text.c_str(), std::strlen(text.c_str()));
}

CMBString::CMBString(const CMBString& other) { Assign(other.m_data, other.m_length); }

CMBString::CMBString(CMBString&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_length(std::exchange(other.m_length, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

CMBString::~CMBString() { std::free(m_data); }

CMBString& CMBString::operator=(const CMBString& other) {
    if (this != &other) Assign(other.m_data, other.m_length);
    return *this;
}

CMBString& CMBString::operator=(CMBString&& other) noexcept {
    if (this != &other) {
        std::free(m_data);
        m_data = std::exchange(other.m_data, nullptr);
        m_length = std::exchange(other.m_length, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

CMBString& CMBString::operator=(const char* text) {
    // The source may point into this string's own buffer.
    if (text && m_data && text >= m_data && text <= m_data + m_length) {
        CMBString copy(text);
        *this = std::move(copy);
    } else {
        Assign(text, SafeLength(text));
    }
    return *this;
}

void CMBString::Empty() {
    std::free(m_data);
    m_data = nullptr;
    m_length = 0;
    m_capacity = 0;
}

bool CMBString::Reserve(size_t capacity, const char* failedText, size_t failedLength) {
    if (capacity <= m_capacity && m_data) return true;
    void* fresh = nullptr;
    // Lengths are ints throughout the program; anything longer cannot be held.
    if (capacity < static_cast<size_t>(INT_MAX)) fresh = g_allocate(capacity + 1);
    if (!fresh) {
        ReportFailure(failedText, failedLength);
        Empty();
        return false;
    }
    char* buffer = static_cast<char*>(fresh);
    if (m_data)
        std::memcpy(buffer, m_data, static_cast<size_t>(m_length) + 1);
    else
        buffer[0] = '\0';
    std::free(m_data);
    m_data = buffer;
    m_capacity = capacity;
    return true;
}

void CMBString::Assign(const char* text, size_t length) {
    if (!text || length == 0) {
        Empty();
        return;
    }
    if (text == m_data) return;
    Empty();
    if (!Reserve(length, text, length)) return;
    std::memcpy(m_data, text, length);
    m_data[length] = '\0';
    m_length = static_cast<int>(length);
}

char CMBString::GetAt(int index) const {
    if (index < 0 || index >= m_length) return 0;
    return m_data[index];
}

bool CMBString::operator==(const CMBString& other) const {
    return m_length == other.m_length && std::strcmp(c_str(), other.c_str()) == 0;
}

bool CMBString::operator==(const char* other) const {
    return std::strcmp(c_str(), other ? other : "") == 0;
}

int CMBString::CompareNoCase(const char* other) const { return CompareNoCase(other, INT_MAX); }

int CMBString::CompareNoCase(const char* other, int n) const {
    if (n <= 0) return 0;
    return platform::CompareNoCase(c_str(), other ? other : "", static_cast<size_t>(n));
}

CMBString CMBString::Mid(int start, int end) const {
    if (start < 0) start = 0;
    if (end >= m_length) end = m_length - 1;
    if (end < start) return CMBString();
    return CMBString(m_data + start, end - start + 1);
}

CMBString CMBString::Left(int count) const { return Mid(0, count - 1); }

CMBString CMBString::From(int start) const { return Mid(start, m_length - 1); }

bool CMBString::IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void CMBString::TrimLeft() {
    int skip = 0;
    while (skip < m_length && IsSpace(m_data[skip])) ++skip;
    if (skip == 0) return;
    std::memmove(m_data, m_data + skip, static_cast<size_t>(m_length - skip) + 1);
    m_length -= skip;
    if (m_length == 0) Empty();
}

void CMBString::TrimRight() {
    int length = m_length;
    while (length > 0 && IsSpace(m_data[length - 1])) --length;
    if (length == m_length) return;
    m_data[length] = '\0';
    m_length = length;
    if (m_length == 0) Empty();
}

void CMBString::Trim() {
    TrimRight();
    TrimLeft();
}

int CMBString::Find(char c, int start) const {
    if (c == '\0' || start >= m_length) return -1;
    if (start < 0) start = 0;
    const void* hit = std::memchr(m_data + start, c, static_cast<size_t>(m_length - start));
    return hit ? static_cast<int>(static_cast<const char*>(hit) - m_data) : -1;
}

int CMBString::Find(const char* text, int start) const {
    if (!text || !*text || start >= m_length) return -1;
    if (start < 0) start = 0;
    const char* hit = std::strstr(m_data + start, text);
    return hit ? static_cast<int>(hit - m_data) : -1;
}

int CMBString::FindOneOf(const char* set, int start) const {
    if (!set || !*set || start >= m_length) return -1;
    if (start < 0) start = 0;
    size_t span = std::strcspn(m_data + start, set);
    int pos = start + static_cast<int>(span);
    return pos < m_length ? pos : -1;
}

int CMBString::FindSpace(int start) const { return FindOneOf(" \t\n\v\f\r", start); }

int CMBString::FindNoCase(const char* text, int start) const {
    if (!text || start >= m_length) return -1;
    if (start < 0) start = 0;
    const size_t hit = platform::FindNoCase(std::string_view(m_data, static_cast<size_t>(m_length)),
                                            text, static_cast<size_t>(start));
    return hit == std::string_view::npos ? -1 : static_cast<int>(hit);
}

int CMBString::ReverseFind(char c) const {
    if (c == '\0' || !m_data) return -1;
    const char* hit = std::strrchr(m_data, c);
    return hit ? static_cast<int>(hit - m_data) : -1;
}

void CMBString::Append(const char* text, int length) {
    if (!text || length <= 0) return;
    size_t add = static_cast<size_t>(length);
    size_t total = static_cast<size_t>(m_length) + add;
    // The appended text may lie in this string's own buffer, which growing would free.
    if (m_data && text >= m_data && text <= m_data + m_length) {
        CMBString copy(text, length);
        Append(copy.c_str(), copy.GetLength());
        return;
    }
    if (total > m_capacity || !m_data) {
        // Doubling keeps a run of appends linear.
        size_t grown = m_capacity * 2;
        if (!Reserve(grown > total ? grown : total, text, add)) return;
    }
    std::memcpy(m_data + m_length, text, add);
    m_length = static_cast<int>(total);
    m_data[m_length] = '\0';
}

CMBString& CMBString::operator+=(const CMBString& text) {
    Append(text.c_str(), text.GetLength());
    return *this;
}

CMBString& CMBString::operator+=(const char* text) {
    Append(text, static_cast<int>(SafeLength(text)));
    return *this;
}

CMBString& CMBString::operator+=(char c) {
    if (c != '\0') Append(&c, 1);
    return *this;
}

int CMBString::Replace(const char* from, const char* to) {
    int fromLength = static_cast<int>(SafeLength(from));
    if (fromLength == 0 || m_length == 0) return 0;
    int first = Find(from);
    if (first < 0) return 0;
    int toLength = static_cast<int>(SafeLength(to));
    CMBString result;
    int count = 0;
    int pos = 0;
    for (int hit = first; hit >= 0; hit = Find(from, pos)) {
        result.Append(m_data + pos, hit - pos);
        result.Append(to, toLength);
        pos = hit + fromLength;
        ++count;
    }
    result.Append(m_data + pos, m_length - pos);
    *this = std::move(result);
    return count;
}

CMBString operator+(const CMBString& left, const CMBString& right) {
    CMBString result(left);
    result += right;
    return result;
}

CMBString operator+(const CMBString& left, const char* right) {
    CMBString result(left);
    result += right;
    return result;
}

CMBString operator+(const char* left, const CMBString& right) {
    CMBString result(left);
    result += right;
    return result;
}

}  // namespace zefi
