// The read-ahead buffer of file handles and streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::posix {

// A read-ahead buffer of at most limit bytes, allocated at the first refill. A file that is
// smaller than that when it is opened gets a buffer one byte larger than itself (a page at
// least), so that reading a small file costs no large buffer; a refill that fills such a
// buffer shows that the file has grown since, and the refills after it get the full size.
class ReadAhead {
  public:
    explicit ReadAhead(size_t limit) : m_limit(limit), m_size(limit) {}

    // Sizes the buffer for a file of fileSize bytes that has just been opened.
    void Opened(uint64_t fileSize) {
        constexpr size_t kPage = 4096;
        if (fileSize >= m_limit) {
            m_size = m_limit;
        } else {
            const size_t wanted = static_cast<size_t>(fileSize) + 1;
            m_size = wanted > kPage ? wanted : (kPage < m_limit ? kPage : m_limit);
        }
    }

    // The buffer to refill, Capacity() bytes.
    char* Refill() {
        if (m_bytes.size() < m_size) m_bytes.resize(m_size);
        return m_bytes.data();
    }
    size_t Capacity() const { return m_bytes.size(); }
    // After a refill that brought filled bytes.
    void Refilled(size_t filled) {
        if (filled >= m_bytes.size()) m_size = m_limit;
    }

    const char* Data() const { return m_bytes.data(); }

    // Gives the memory back when the handle closes.
    void Release() {
        m_bytes.clear();
        m_bytes.shrink_to_fit();
        m_size = m_limit;
    }

  private:
    size_t m_limit;
    size_t m_size;
    std::vector<char> m_bytes;
};

}  // namespace platform::posix
