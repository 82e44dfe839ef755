// Virtual disks over the Virtual Disk API: an ISO image opened with OpenVirtualDisk, attached
// read-only with AttachVirtualDisk for the lifetime of its handle, and detached when the handle
// is closed. The drive letter the system gives the volume is found by the device number of the
// disk's physical path (\\.\CDROMn), compared with that of every CD-ROM drive letter.
//
// Failures are the system's own codes, which the caller shows with the system's text: a system
// without the API (Wine answers OpenVirtualDisk with ERROR_CALL_NOT_IMPLEMENTED, 120) fails at
// Open, and so does, on Windows, a file that holds no CD or DVD file system (ERROR_FILE_CORRUPT,
// 1392, where the emulated machine answers the attach with 1005).
#include "platform/vdisk.h"

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "platform/ascii.h"
#include "platform/win32/win_util.h"
// After <windows.h>, which it needs.
#include <virtdisk.h>

namespace platform {

namespace {

// VIRTUAL_STORAGE_TYPE_VENDOR_MICROSOFT, defined here so that no GUID library is needed.
constexpr GUID kVendorMicrosoft = {
    0xEC984AEC, 0xA0F9, 0x47E9, {0x90, 0x1F, 0x71, 0x41, 0x5A, 0x66, 0x34, 0x5B}};

// The system gives the new volume its letter shortly after the attach returns.
constexpr auto kLetterWait = std::chrono::seconds(5);
constexpr auto kLetterPoll = std::chrono::milliseconds(100);

// Letters of the volumes this process attached, so that an image inside one of them (which
// would need a virtual disk over a virtual disk) is refused.
std::mutex g_lettersLock;
std::set<char> g_attachedLetters;

uint32_t Report(uint32_t code) {
    SetLastError(code);
    return code;
}

char DriveLetterOf(const std::string& fullPath) {
    if (fullPath.size() < 2 || fullPath[1] != ':') return 0;
    return ToUpperAscii(fullPath[0]);
}

bool IsInsideAttachedImage(const std::string& fullPath) {
    std::lock_guard<std::mutex> lock(g_lettersLock);
    return g_attachedLetters.count(DriveLetterOf(fullPath)) != 0;
}

// The storage device number of a device path ("\\.\CDROM1", "\\.\E:"); false when the device
// cannot be asked.
bool DeviceNumberOf(const std::wstring& device, STORAGE_DEVICE_NUMBER* number) {
    HANDLE handle = ::CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD got = 0;
    const bool ok = ::DeviceIoControl(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, number,
                                      sizeof *number, &got, nullptr) &&
                    got >= sizeof *number;
    ::CloseHandle(handle);
    return ok;
}

// The letter of the CD-ROM drive that is the device, 0 when no letter shows it.
char LetterOfDevice(const STORAGE_DEVICE_NUMBER& disk) {
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if ((drives & (1u << (letter - 'A'))) == 0) continue;
        const char root[] = {letter, ':', '\\', '\0'};
        if (::GetDriveTypeA(root) != DRIVE_CDROM) continue;
        STORAGE_DEVICE_NUMBER number = {};
        const wchar_t device[] = {L'\\', L'\\', L'.', L'\\', static_cast<wchar_t>(letter),
                                  L':',  L'\0'};
        if (DeviceNumberOf(device, &number) && number.DeviceType == disk.DeviceType &&
            number.DeviceNumber == disk.DeviceNumber) {
            return letter;
        }
    }
    return 0;
}

// Whether every letter a volume could get is taken; the system then attaches without one.
bool AllLettersTaken() {
    const DWORD lettersCToZ = ((1u << 26) - 1) & ~3u;
    return (::GetLogicalDrives() & lettersCToZ) == lettersCToZ;
}

// The drive letter of the attached disk's volume, waiting a little for the system to give one;
// 0 when it has none.
char FindDriveLetter(HANDLE disk) {
    wchar_t path[MAX_PATH] = {};
    ULONG size = sizeof path;
    if (::GetVirtualDiskPhysicalPath(disk, &size, path) != ERROR_SUCCESS) return 0;
    STORAGE_DEVICE_NUMBER number = {};
    if (!DeviceNumberOf(path, &number)) return 0;
    const auto deadline = std::chrono::steady_clock::now() + kLetterWait;
    for (;;) {
        if (char letter = LetterOfDevice(number)) return letter;
        if (AllLettersTaken() || std::chrono::steady_clock::now() >= deadline) return 0;
        std::this_thread::sleep_for(kLetterPoll);
    }
}

}  // namespace

struct VirtualDisk::Impl {
    HANDLE handle = nullptr;  // set while open
    bool attached = false;
    char letter = 0;  // 0 while detached or attached without a letter
};

VirtualDisk::VirtualDisk() : m_impl(std::make_unique<Impl>()) {}

VirtualDisk::~VirtualDisk() { Close(); }

uint32_t VirtualDisk::Open(const std::string& imagePath) {
    Close();
    char full[MAX_PATH];
    const DWORD length = ::GetFullPathNameA(imagePath.c_str(), sizeof full, full, nullptr);
    if (length == 0) return Report(win32::CodeOr(::GetLastError(), kErrorFileNotFound));
    if (length >= sizeof full) return Report(kErrorFilenameExcedRange);
    const std::string fullPath(full, length);
    // The attributes query gives the system's code for a missing file (2) or directory (3).
    const DWORD attributes = ::GetFileAttributesA(fullPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return Report(win32::CodeOr(::GetLastError(), kErrorFileNotFound));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Report(kErrorAccessDenied);
    if (IsInsideAttachedImage(fullPath)) return Report(kErrorNotSupported);
    std::wstring wide;
    if (!win32::AnsiToWide(fullPath, &wide)) return Report(kErrorNoUnicodeTranslation);

    VIRTUAL_STORAGE_TYPE type = {};
    type.DeviceId = VIRTUAL_STORAGE_TYPE_DEVICE_ISO;
    type.VendorId = kVendorMicrosoft;
    // Version 1 with a read-write depth of 0: an ISO image has no differencing layers.
    OPEN_VIRTUAL_DISK_PARAMETERS parameters = {};
    parameters.Version = OPEN_VIRTUAL_DISK_VERSION_1;
    HANDLE handle = nullptr;
    const DWORD result = ::OpenVirtualDisk(&type, wide.c_str(), VIRTUAL_DISK_ACCESS_READ,
                                           OPEN_VIRTUAL_DISK_FLAG_NONE, &parameters, &handle);
    if (result != ERROR_SUCCESS) return Report(result);
    m_impl->handle = handle;
    return Report(kErrorSuccess);
}

uint32_t VirtualDisk::Attach() {
    if (m_impl->handle == nullptr) return Report(kErrorInvalidHandle);
    if (m_impl->attached) return Report(kErrorSuccess);
    ATTACH_VIRTUAL_DISK_PARAMETERS parameters = {};
    parameters.Version = ATTACH_VIRTUAL_DISK_VERSION_1;
    const DWORD result = ::AttachVirtualDisk(
        m_impl->handle, nullptr, ATTACH_VIRTUAL_DISK_FLAG_READ_ONLY, 0, &parameters, nullptr);
    if (result != ERROR_SUCCESS) return Report(result);
    m_impl->attached = true;
    m_impl->letter = FindDriveLetter(m_impl->handle);
    if (m_impl->letter != 0) {
        std::lock_guard<std::mutex> lock(g_lettersLock);
        g_attachedLetters.insert(m_impl->letter);
    }
    return Report(kErrorSuccess);
}

bool VirtualDisk::GetDriveRoot(std::string* root) const {
    if (!m_impl->attached || m_impl->letter == 0) return win32::Fail(kErrorNotFound);
    *root = std::string(1, m_impl->letter) + ":\\";
    return true;
}

bool VirtualDisk::IsOpen() const { return m_impl->handle != nullptr; }

bool VirtualDisk::IsAttached() const { return m_impl->attached; }

void VirtualDisk::Close() {
    if (m_impl->handle != nullptr) {
        // Detaching first waits until the volume is gone; closing alone would let it go later.
        if (m_impl->attached) {
            ::DetachVirtualDisk(m_impl->handle, DETACH_VIRTUAL_DISK_FLAG_NONE, 0);
        }
        ::CloseHandle(m_impl->handle);
    }
    if (m_impl->letter != 0) {
        std::lock_guard<std::mutex> lock(g_lettersLock);
        g_attachedLetters.erase(m_impl->letter);
    }
    m_impl->handle = nullptr;
    m_impl->attached = false;
    m_impl->letter = 0;
}

}  // namespace platform
