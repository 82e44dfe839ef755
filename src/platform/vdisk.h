// Virtual disks backed by ISO images, shaped after the Virtual Disk API: OpenVirtualDisk (ISO
// storage type, read-only attach, detach and get-info access), AttachVirtualDisk (read-only,
// lifetime of the handle, drive letter assigned by the system) and CloseHandle, which detaches.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// ERROR_PRIVILEGE_NOT_HELD: attaching needs administrator rights.
enum : uint32_t { kErrorPrivilegeNotHeld = 1314 };

// One open virtual disk. It is neither copied nor moved: hold it by pointer to pass it on. Any
// thread may open, attach and close its own disk; the volume then appears to every thread.
class VirtualDisk {
  public:
    VirtualDisk();
    ~VirtualDisk();  // Close()
    VirtualDisk(const VirtualDisk&) = delete;
    VirtualDisk& operator=(const VirtualDisk&) = delete;

    // OpenVirtualDisk of an ISO image file (a Windows path). Returns 0, or the Win32 error code
    // (also set as the last error): 2 or 3 for a missing file or directory, 5 when it cannot be
    // read, 50 for an image that lies inside another attached image. An open disk is closed first.
    uint32_t Open(const std::string& imagePath);
    // AttachVirtualDisk, read-only, for the lifetime of this object. Returns 0 or the Win32 error
    // code (also set as the last error): 6 when not open, 1314 without administrator rights,
    // 1005 when the file holds no ISO 9660 volume. When every drive letter is taken the disk is
    // attached without one, as Windows does.
    uint32_t Attach();
    // The root of the attached volume ("E:\"). False with kErrorNotFound (1168) when the disk is
    // not attached or has no drive letter.
    bool GetDriveRoot(std::string* root) const;
    bool IsOpen() const;
    bool IsAttached() const;
    // CloseHandle: detaches an attached disk (its drive letter disappears) and closes it.
    void Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
