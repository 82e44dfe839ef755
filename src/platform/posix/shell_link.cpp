// Shell link objects on the emulated machine: real MS-SHLLINK ".lnk" files (header, LinkInfo with
// the volume and the local base path, ANSI string data), and the per-thread component library
// initialisation that the objects require.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/shell.h"

namespace platform {

namespace {

thread_local int t_comInitCount = 0;

// Header constants of the shell link binary format.
constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kHasLinkTargetIdList = 0x01;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kHasRelativePath = 0x08;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr uint32_t kShowNormal = 1;
// Links are small; anything larger is not one of ours nor a sane link.
constexpr uint64_t kMaxLinkFile = 1 << 20;
constexpr size_t kMaxPath = 260;

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutU64(std::vector<uint8_t>& out, uint64_t v) {
    PutU32(out, static_cast<uint32_t>(v));
    PutU32(out, static_cast<uint32_t>(v >> 32));
}

void PutU32At(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutCString(std::vector<uint8_t>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}

// A StringData entry: character count, then the ANSI characters without a terminating zero.
void PutCountedString(std::vector<uint8_t>& out, const std::string& s) {
    PutU16(out, static_cast<uint16_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

// A volume serial number that stays the same for a drive as long as its letter and label do.
uint32_t VolumeSerial(char letter, const std::string& label) {
    uint32_t h = 2166136261u;
    auto mix = [&h](uint8_t c) {
        h ^= c;
        h *= 16777619u;
    };
    mix(static_cast<uint8_t>(letter));
    for (char c : label) mix(static_cast<uint8_t>(c));
    return h;
}

// Bounds-checked little-endian reads over the bytes of a link file.
class Reader {
  public:
    explicit Reader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    bool U16(size_t at, uint16_t* v) const {
        if (at > m_bytes.size() || m_bytes.size() - at < 2) return false;
        *v = static_cast<uint16_t>(m_bytes[at] | (m_bytes[at + 1] << 8));
        return true;
    }
    bool U32(size_t at, uint32_t* v) const {
        if (at > m_bytes.size() || m_bytes.size() - at < 4) return false;
        *v = 0;
        for (int i = 3; i >= 0; --i) *v = (*v << 8) | m_bytes[at + i];
        return true;
    }
    // A zero-terminated string starting at at and ending before limit.
    bool CString(size_t at, size_t limit, std::string* out) const {
        if (limit > m_bytes.size()) limit = m_bytes.size();
        out->clear();
        for (size_t i = at; i < limit; ++i) {
            if (m_bytes[i] == 0) return true;
            out->push_back(static_cast<char>(m_bytes[i]));
        }
        return false;
    }
    size_t Size() const { return m_bytes.size(); }
    uint8_t At(size_t i) const { return m_bytes[i]; }

  private:
    const std::vector<uint8_t>& m_bytes;
};

}  // namespace

bool ComInitialize() {
    ++t_comInitCount;
    return true;
}

void ComUninitialize() {
    if (t_comInitCount > 0) --t_comInitCount;
}

struct ShellLink::Impl {
    std::string target;
    std::string workingDirectory;
    std::string description;
    std::string currentFile;

    std::vector<uint8_t> Serialize() const;
    bool Parse(const std::vector<uint8_t>& bytes);
};

std::vector<uint8_t> ShellLink::Impl::Serialize() const {
    // The base path is the target as a full path; a target that exists also describes its
    // attributes, times and size in the header, as the shell records them.
    const std::string basePath = target.empty() ? std::string() : GetFullPathName(target);
    const bool onDrive = basePath.size() >= 3 && basePath[1] == ':' && basePath[2] == '\\';
    FindData info;
    const bool exists = onDrive && GetFileInfo(basePath, &info);

    uint32_t flags = 0;
    if (onDrive) flags |= kHasLinkInfo;
    if (!description.empty()) flags |= kHasName;
    if (!workingDirectory.empty()) flags |= kHasWorkingDir;

    std::vector<uint8_t> out;
    PutU32(out, kHeaderSize);
    out.insert(out.end(), std::begin(kLinkClsid), std::end(kLinkClsid));
    PutU32(out, flags);
    PutU32(out, exists ? info.attributes : 0);
    PutU64(out, exists ? info.creationTime : 0);
    PutU64(out, exists ? info.lastAccessTime : 0);
    PutU64(out, exists ? info.lastWriteTime : 0);
    PutU32(out, exists ? static_cast<uint32_t>(info.size) : 0);
    PutU32(out, 0);  // icon index
    PutU32(out, kShowNormal);
    PutU16(out, 0);  // hot key
    PutU16(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);

    if (onDrive) {
        const std::string root = basePath.substr(0, 3);
        std::string label;
        if (!GetVolumeLabel(root, &label)) label.clear();
        const uint32_t driveType = GetDriveType(root);

        std::vector<uint8_t> volume;
        PutU32(volume, 0);  // size, filled in below
        PutU32(volume, driveType);
        PutU32(volume, VolumeSerial(ToUpperAscii(root[0]), label));
        PutU32(volume, 0x10);  // the label follows the four fields
        PutCString(volume, label);
        PutU32At(volume, 0, static_cast<uint32_t>(volume.size()));

        const size_t start = out.size();
        PutU32(out, 0);  // LinkInfoSize, filled in below
        PutU32(out, kLinkInfoHeaderSize);
        PutU32(out, kVolumeIdAndLocalBasePath);
        const uint32_t volumeOffset = kLinkInfoHeaderSize;
        const uint32_t baseOffset = volumeOffset + static_cast<uint32_t>(volume.size());
        const uint32_t suffixOffset = baseOffset + static_cast<uint32_t>(basePath.size()) + 1;
        PutU32(out, volumeOffset);
        PutU32(out, baseOffset);
        PutU32(out, 0);  // no network location
        PutU32(out, suffixOffset);
        out.insert(out.end(), volume.begin(), volume.end());
        PutCString(out, basePath);
        PutCString(out, "");  // the common path suffix is empty for a local target
        PutU32At(out, start, static_cast<uint32_t>(out.size() - start));
    }
    if (flags & kHasName) PutCountedString(out, description);
    if (flags & kHasWorkingDir) PutCountedString(out, workingDirectory);
    PutU32(out, 0);  // terminal block of the extra data
    return out;
}

bool ShellLink::Impl::Parse(const std::vector<uint8_t>& bytes) {
    Reader r(bytes);
    uint32_t headerSize = 0, flags = 0;
    if (!r.U32(0, &headerSize) || headerSize != kHeaderSize || r.Size() < kHeaderSize) {
        return false;
    }
    if (std::memcmp(bytes.data() + 4, kLinkClsid, sizeof kLinkClsid) != 0) return false;
    if (!r.U32(20, &flags)) return false;

    size_t at = kHeaderSize;
    if (flags & kHasLinkTargetIdList) {
        uint16_t idListSize = 0;
        if (!r.U16(at, &idListSize)) return false;
        at += 2 + idListSize;
        if (at > r.Size()) return false;
    }

    std::string basePath;
    if (flags & kHasLinkInfo) {
        uint32_t infoSize = 0, infoHeaderSize = 0, infoFlags = 0, baseOffset = 0;
        if (!r.U32(at, &infoSize) || !r.U32(at + 4, &infoHeaderSize) ||
            !r.U32(at + 8, &infoFlags) || !r.U32(at + 16, &baseOffset)) {
            return false;
        }
        if (infoSize < kLinkInfoHeaderSize || infoSize > r.Size() - at) return false;
        if ((infoFlags & kVolumeIdAndLocalBasePath) && baseOffset < infoSize &&
            !r.CString(at + baseOffset, at + infoSize, &basePath)) {
            return false;
        }
        at += infoSize;
    }

    // String data, in the order of the format: name, relative path, working directory,
    // arguments, icon location.
    const bool unicode = (flags & kIsUnicode) != 0;
    std::string strings[5];
    const uint32_t present[5] = {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments,
                                 kHasIconLocation};
    for (int i = 0; i < 5; ++i) {
        if (!(flags & present[i])) continue;
        uint16_t count = 0;
        if (!r.U16(at, &count)) return false;
        at += 2;
        const size_t width = unicode ? 2 : 1;
        if (static_cast<size_t>(count) * width > r.Size() - at) return false;
        for (size_t c = 0; c < count; ++c) {
            if (unicode) {
                // Only the ASCII range is carried over from a UTF-16 link; the program's own
                // links are written in ANSI.
                const uint16_t ch = static_cast<uint16_t>(r.At(at) | (r.At(at + 1) << 8));
                strings[i].push_back(ch < 0x80 ? static_cast<char>(ch) : '?');
            } else {
                strings[i].push_back(static_cast<char>(r.At(at)));
            }
            at += width;
        }
    }

    target = basePath;
    description = strings[0];
    workingDirectory = strings[2];
    return true;
}

ShellLink::ShellLink() = default;
ShellLink::~ShellLink() = default;

bool ShellLink::Create() {
    if (t_comInitCount == 0) {
        SetLastError(kCoENotInitialized);
        return false;
    }
    m_impl = std::make_unique<Impl>();
    return true;
}

void ShellLink::Release() { m_impl.reset(); }

namespace {

bool SetField(bool created, std::string* field, const std::string& value) {
    if (!created) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    if (value.size() >= kMaxPath) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    *field = value;
    return true;
}

}  // namespace

bool ShellLink::SetPath(const std::string& target) {
    return SetField(m_impl != nullptr, m_impl ? &m_impl->target : nullptr, target);
}

bool ShellLink::SetWorkingDirectory(const std::string& directory) {
    return SetField(m_impl != nullptr, m_impl ? &m_impl->workingDirectory : nullptr, directory);
}

bool ShellLink::SetDescription(const std::string& description) {
    return SetField(m_impl != nullptr, m_impl ? &m_impl->description : nullptr, description);
}

bool ShellLink::Save(const std::string& linkPath) {
    if (!m_impl) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    const std::vector<uint8_t> bytes = m_impl->Serialize();
    File file;
    if (!file.Open(linkPath, File::kWrite, File::kShareNone, File::kCreateAlways)) return false;
    uint32_t written = 0;
    bool ok = file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()), &written) &&
              written == bytes.size();
    uint32_t error = ok ? 0 : GetLastError();
    if (!file.Close() && ok) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) {
        // A half-written link would be read as damaged later; leave no file at all.
        DeleteFile(linkPath);
        SetLastError(error != 0 ? error : kErrorDiskFull);
        return false;
    }
    m_impl->currentFile = linkPath;
    return true;
}

bool ShellLink::Load(const std::string& linkPath) {
    if (!m_impl) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    File file;
    if (!file.Open(linkPath, File::kRead, File::kShareRead, File::kOpenExisting)) return false;
    uint64_t size = 0;
    if (!file.GetSize(&size)) return false;
    if (size < kHeaderSize || size > kMaxLinkFile) {
        SetLastError(kErrorInvalidData);
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    uint32_t got = 0;
    if (!file.Read(bytes.data(), static_cast<uint32_t>(size), &got)) return false;
    if (got != size) {
        SetLastError(kErrorInvalidData);
        return false;
    }
    Impl loaded;
    if (!loaded.Parse(bytes)) {
        SetLastError(kErrorInvalidData);
        return false;
    }
    loaded.currentFile = linkPath;
    *m_impl = loaded;
    return true;
}

bool ShellLink::GetPath(std::string* out, bool shortForm, size_t bufferSize) const {
    if (!m_impl) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    if (m_impl->target.empty()) {
        SetLastError(kErrorFileNotFound);
        return false;
    }
    std::string path = m_impl->target;
    std::string shortPath;
    // A target that no longer exists has no short form; the stored path stands for it.
    if (shortForm && GetShortPathName(path, &shortPath)) path = shortPath;
    if (path.size() + 1 > bufferSize) {
        SetLastError(kErrorInsufficientBuffer);
        return false;
    }
    *out = path;
    return true;
}

bool ShellLink::GetWorkingDirectory(std::string* out) const {
    if (!m_impl) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    *out = m_impl->workingDirectory;
    return true;
}

bool ShellLink::GetDescription(std::string* out) const {
    if (!m_impl) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    *out = m_impl->description;
    return true;
}

}  // namespace platform
