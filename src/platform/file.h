// File handles with Win32 semantics (CreateFile, ReadFile, WriteFile, GetFileTime, SetFileTime).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/fs.h"

namespace platform {

class File {
  public:
    enum Access : uint32_t { kRead = 1, kWrite = 2 };
    enum Share : uint32_t { kShareNone = 0, kShareRead = 1, kShareWrite = 2, kShareDelete = 4 };
    enum Disposition { kOpenExisting, kCreateAlways, kOpenAlways, kCreateNew };

    File();
    ~File();  // closes
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // CreateFile. A sequential-scan hint is implied. Writes to a read-only drive fail with
    // kErrorWriteProtect; a missing file with kOpenExisting fails with kErrorFileNotFound.
    bool Open(const std::string& path, uint32_t access, uint32_t share, Disposition disposition);
    bool IsOpen() const;
    // ReadFile: *got == 0 with true at the end of the file.
    bool Read(void* buffer, uint32_t size, uint32_t* got);
    bool Write(const void* buffer, uint32_t size, uint32_t* written);
    bool GetSize(uint64_t* size);
    // FlushFileBuffers: the file's data reaches the disk. False with the last error set.
    bool FlushToDisk();
    bool GetLastWriteTime(FileTime* time);
    bool SetLastWriteTime(FileTime time);
    // CloseHandle; false when pending data could not be written.
    bool Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
