// Virtual disks of the posix backend: an ISO image attached read-only as an image-backed drive
// of the emulated machine for as long as its handle stays open.
#include "platform/vdisk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/posix/iso_volume.h"
#include "platform/posix/vfs.h"

namespace platform {

struct VirtualDisk::Impl {
    std::string hostPath;  // set while open
    bool open = false;
    bool attached = false;
    char letter = 0;                             // 0 while detached or attached without a letter
    std::shared_ptr<posix::ImageVolume> volume;  // the attached volume
};

VirtualDisk::VirtualDisk() : m_impl(std::make_unique<Impl>()) {}

VirtualDisk::~VirtualDisk() { Close(); }

namespace {

uint32_t Report(uint32_t code) {
    SetLastError(code);
    return code;
}

}  // namespace

uint32_t VirtualDisk::Open(const std::string& imagePath) {
    Close();
    // The attributes query gives the system's code for a missing file (2) or directory (3).
    if (GetFileAttributes(imagePath) == kInvalidFileAttributes) {
        uint32_t code = GetLastError();
        return Report(code != 0 ? code : kErrorFileNotFound);
    }
    std::string host;
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        posix::Resolved resolved = posix::Resolve(imagePath);
        if (!resolved.ok) return Report(resolved.error);
        // An image inside an attached image would need a volume over a volume.
        if (resolved.drive != nullptr && resolved.drive->image) return Report(kErrorNotSupported);
        if (!resolved.exists) return Report(kErrorFileNotFound);
        host = resolved.host;
    }
    int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Report(posix::MapErrno(errno));
    struct stat info;
    bool isDirectory = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    ::close(fd);
    // Windows refuses to open a directory as a disk image.
    if (isDirectory) return Report(kErrorAccessDenied);
    m_impl->hostPath = host;
    m_impl->open = true;
    return Report(kErrorSuccess);
}

uint32_t VirtualDisk::Attach() {
    if (!m_impl->open) return Report(kErrorInvalidHandle);
    if (m_impl->attached) return Report(kErrorSuccess);
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        if (!posix::GetMachine().admin) return Report(kErrorPrivilegeNotHeld);
    }
    uint32_t error = 0;
    std::shared_ptr<posix::ImageVolume> volume = posix::OpenIsoVolume(m_impl->hostPath, &error);
    if (!volume) return Report(error);
    m_impl->letter = posix::AttachImageDrive(volume);
    m_impl->volume = std::move(volume);
    m_impl->attached = true;
    return Report(kErrorSuccess);
}

bool VirtualDisk::GetDriveRoot(std::string* root) const {
    if (!m_impl->attached || m_impl->letter == 0) {
        SetLastError(kErrorNotFound);
        return false;
    }
    *root = std::string(1, m_impl->letter) + ":\\";
    return true;
}

bool VirtualDisk::IsOpen() const { return m_impl->open; }

bool VirtualDisk::IsAttached() const { return m_impl->attached; }

void VirtualDisk::Close() {
    if (m_impl->attached && m_impl->letter != 0) {
        // Detach only our own volume: the machine may have been reloaded since the attach.
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        auto& drives = posix::GetMachine().drives;
        auto drive = drives.find(m_impl->letter);
        if (drive != drives.end() && drive->second.image == m_impl->volume) {
            posix::DetachImageDrive(m_impl->letter);
        }
    }
    m_impl->volume.reset();
    m_impl->attached = false;
    m_impl->letter = 0;
    m_impl->open = false;
    m_impl->hostPath.clear();
}

}  // namespace platform
