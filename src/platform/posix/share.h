// Win32 share modes between the open handles of this process: a file opened without sharing
// read or write access keeps other openers out, as Windows does.
#pragma once

#include <cstdint>

namespace platform::posix {

// One open handle's entry in the process-wide share table.
class ShareRegistration {
  public:
    ShareRegistration() = default;
    ~ShareRegistration() { Release(); }
    ShareRegistration(const ShareRegistration&) = delete;
    ShareRegistration& operator=(const ShareRegistration&) = delete;

    // Registers access (1 read, 2 write) and share (1 read, 2 write, 4 delete) for the file
    // (device, inode). False with kErrorSharingViolation when an open handle of the file does
    // not allow this access, or holds an access this share mode refuses.
    bool Acquire(uint64_t device, uint64_t inode, uint32_t access, uint32_t share);
    void Release();

  private:
    uint64_t m_id = 0;
    uint64_t m_device = 0;
    uint64_t m_inode = 0;
};

// True when some open handle of the file does not share delete access (DeleteFile and
// MoveFile then fail with kErrorSharingViolation).
bool IsOpenWithoutShareDelete(uint64_t device, uint64_t inode);

// True when some open handle of the file refuses the given access to other openers.
bool IsShareConflict(uint64_t device, uint64_t inode, uint32_t access, uint32_t share);

}  // namespace platform::posix
