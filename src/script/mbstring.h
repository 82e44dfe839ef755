// CMBString: the byte string of the script engine, the copy engine and the file editing.
#pragma once

#include <cstddef>
#include <string>

namespace zefi {

// An owned copy of a NUL-terminated 8-bit string (ANSI code page, never converted).
//
// An absent value (nullptr) and an empty one are the same thing: both are empty and equal to
// each other. Equality is exact and case-sensitive; CompareNoCase is the separate comparison
// that ignores case. Positions are 0-based ints; every search answers -1 when nothing is found
// and reading outside the text gives 0. Trimming uses the C library's whitespace set (blank,
// tab, line feed, vertical tab, form feed, carriage return).
//
// When memory for a copy cannot be had, "CMBString() failed for: " and the text are written to
// standard output and the string is left empty; no exception leaves this class.
//
// A CMBString is not synchronised: one thread at a time.
class CMBString {
  public:
    CMBString() = default;
    CMBString(const char* text);  // NOLINT(google-explicit-constructor): nullptr gives empty
    // The first length bytes of text, cut at an earlier NUL.
    CMBString(const char* text, int length);
    CMBString(const std::string& text);  // NOLINT(google-explicit-constructor)
    CMBString(const CMBString& other);
    CMBString(CMBString&& other) noexcept;
    ~CMBString();

    CMBString& operator=(const CMBString& other);
    CMBString& operator=(CMBString&& other) noexcept;
    CMBString& operator=(const char* text);

    // The text; never nullptr ("" when empty). Valid until the string changes.
    const char* c_str() const { return m_data ? m_data : ""; }
    std::string str() const { return std::string(c_str(), static_cast<size_t>(m_length)); }
    int GetLength() const { return m_length; }
    bool IsEmpty() const { return m_length == 0; }
    void Empty();

    // The character at index, or 0 when index lies outside the text.
    char GetAt(int index) const;

    // Exact, case-sensitive equality; nullptr equals the empty string.
    bool operator==(const CMBString& other) const;
    bool operator==(const char* other) const;

    // Case-insensitive (ASCII letters) comparison as stricmp: <0, 0, >0. nullptr is empty.
    int CompareNoCase(const char* other) const;
    // The same limited to the first n characters, as strnicmp; n <= 0 compares nothing (0).
    int CompareNoCase(const char* other, int n) const;

    // The characters from start to end, both inclusive; start is raised to 0 and end lowered to
    // the last character. Empty when end lies before start.
    CMBString Mid(int start, int end) const;
    // The first count characters (all when count exceeds the length; empty when count <= 0).
    CMBString Left(int count) const;
    // The characters from start to the end of the text.
    CMBString From(int start) const;

    // Remove C-library whitespace at the start, the end or both.
    void TrimLeft();
    void TrimRight();
    void Trim();

    // First position at or after start of c / of text / of any character of set; -1 if none.
    // Searching for NUL or for an empty text finds nothing.
    int Find(char c, int start = 0) const;
    int Find(const char* text, int start = 0) const;
    int FindOneOf(const char* set, int start = 0) const;
    // First position at or after start of a C-library whitespace character; -1 if none.
    int FindSpace(int start = 0) const;
    // The same as Find(text) with case ignored (ASCII letters).
    int FindNoCase(const char* text, int start = 0) const;
    // Last position of c; -1 if none.
    int ReverseFind(char c) const;

    // Appending; a failed allocation leaves the string empty (see above).
    CMBString& operator+=(const CMBString& text);
    CMBString& operator+=(const char* text);
    CMBString& operator+=(char c);
    void Append(const char* text, int length);

    // Replaces every occurrence of from (exact, left to right, not overlapping) by to and
    // returns how many were replaced. An empty from replaces nothing.
    int Replace(const char* from, const char* to);

    // Whether c is whitespace in the C library's sense (" \t\n\v\f\r").
    static bool IsSpace(char c);

  private:
    // Makes room for capacity characters plus the NUL, keeping the text. False (and the
    // string emptied, the failure reported with failedText) when memory cannot be had.
    bool Reserve(size_t capacity, const char* failedText, size_t failedLength);
    void Assign(const char* text, size_t length);

    char* m_data = nullptr;
    int m_length = 0;
    size_t m_capacity = 0;  // characters that fit without the NUL
};

CMBString operator+(const CMBString& left, const CMBString& right);
CMBString operator+(const CMBString& left, const char* right);
CMBString operator+(const char* left, const CMBString& right);

namespace detail {
// Test seam: replaces the allocator behind CMBString (std::malloc by default) and returns the
// previous one. A function that returns nullptr simulates an allocation failure. Not
// thread-safe; for tests only.
using MBStringAllocator = void* (*)(size_t);
MBStringAllocator SetMBStringAllocator(MBStringAllocator allocator);
}  // namespace detail

}  // namespace zefi
