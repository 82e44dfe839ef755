// The registry of the Windows machine over the RegOpenKeyExA family. Key names, value names and
// string data are ANSI code page bytes, handed to the "A" calls as they are.
//
// The registry view: the program was a 32-bit program, and the earlier setups and the product's
// own programs are 32-bit programs that keep their keys where such a program sees them, in the
// 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE. This 64-bit build opens every key under
// HKEY_LOCAL_MACHINE with KEY_WOW64_32KEY, so that it reads and writes the whole machine hive
// exactly as the 32-bit program did: the program's key "SOFTWARE\Zefi Publishing\ZEFI" (on a
// 64-bit Windows stored as SOFTWARE\WOW6432Node\Zefi Publishing\ZEFI), and the shell folders the
// programs-folder fallback reads. The flag changes nothing for keys that the system does not
// redirect. HKEY_CURRENT_USER is opened without it: its SOFTWARE is one tree for both kinds of
// program.
#include "platform/registry.h"

#include <cstring>

#include "platform/win32/win_util.h"

namespace platform {

namespace {

// A few tries when a value grows between asking for its size and reading it.
constexpr int kReadAttempts = 4;

HKEY RootOf(Hive hive) {
    return hive == Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM DesiredAccess(Hive hive, uint32_t access) {
    REGSAM sam = 0;
    if ((access & kKeyAllAccess) == kKeyAllAccess) {
        sam = KEY_ALL_ACCESS;
    } else if (access & kKeyWrite) {
        sam = KEY_WRITE;
    } else {
        sam = KEY_READ;
    }
    if (hive == Hive::LocalMachine) sam |= KEY_WOW64_32KEY;
    return sam;
}

// The subkey without empty components (doubled, leading or trailing backslashes), which the
// system would refuse or read as another name.
std::string NormalSubkey(const std::string& subkey) {
    std::string path;
    size_t start = 0;
    while (start <= subkey.size()) {
        size_t end = subkey.find('\\', start);
        if (end == std::string::npos) end = subkey.size();
        if (end > start) {
            if (!path.empty()) path += '\\';
            path.append(subkey, start, end - start);
        }
        start = end + 1;
    }
    return path;
}

bool HasZero(const std::string& text) { return text.find('\0') != std::string::npos; }

}  // namespace

struct RegKey::Impl {
    HKEY key = nullptr;

    ~Impl() {
        if (key != nullptr) ::RegCloseKey(key);
    }

    // The type and data of a value, read in full whatever its size.
    uint32_t Read(const std::string& name, DWORD* type, std::string* data) const {
        for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
            DWORD size = 0;
            LONG rc = ::RegQueryValueExA(key, name.c_str(), nullptr, type, nullptr, &size);
            if (rc != ERROR_SUCCESS) return static_cast<uint32_t>(rc);
            // One spare zero, so that a string stored without its terminator still ends.
            data->assign(static_cast<size_t>(size) + 1, '\0');
            rc = ::RegQueryValueExA(key, name.c_str(), nullptr, type,
                                    reinterpret_cast<BYTE*>(data->data()), &size);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) return static_cast<uint32_t>(rc);
            data->resize(size);
            return kErrorSuccess;
        }
        return kErrorMoreData;
    }

    uint32_t Set(const std::string& name, DWORD type, const void* data, size_t size) {
        if (HasZero(name)) return kErrorInvalidParameter;
        return static_cast<uint32_t>(::RegSetValueExA(
            key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)));
    }
};

RegKey::RegKey() = default;
RegKey::~RegKey() = default;

void RegKey::Close() { m_impl.reset(); }

uint32_t RegKey::Open(Hive hive, const std::string& subkey, uint32_t access) {
    Close();
    if ((access & kKeyAllAccess) == 0) return kErrorInvalidParameter;
    HKEY key = nullptr;
    const LONG rc = ::RegOpenKeyExA(RootOf(hive), NormalSubkey(subkey).c_str(), 0,
                                    DesiredAccess(hive, access), &key);
    if (rc != ERROR_SUCCESS) return static_cast<uint32_t>(rc);
    m_impl = std::make_unique<Impl>();
    m_impl->key = key;
    return kErrorSuccess;
}

uint32_t RegKey::Create(Hive hive, const std::string& subkey, uint32_t access) {
    Close();
    if ((access & kKeyAllAccess) == 0) return kErrorInvalidParameter;
    HKEY key = nullptr;
    const LONG rc = ::RegCreateKeyExA(RootOf(hive), NormalSubkey(subkey).c_str(), 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, DesiredAccess(hive, access), nullptr,
                                      &key, nullptr);
    if (rc != ERROR_SUCCESS) return static_cast<uint32_t>(rc);
    m_impl = std::make_unique<Impl>();
    m_impl->key = key;
    return kErrorSuccess;
}

uint32_t RegKey::QueryString(const std::string& name, std::string* value, size_t bufferSize) {
    if (!m_impl) return kErrorInvalidHandle;
    DWORD type = 0;
    std::string data;
    if (uint32_t code = m_impl->Read(name, &type, &data)) return code;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return kErrorInvalidData;
    // The text ends at its first zero; the caller's buffer must hold it and a terminator.
    const size_t end = data.find('\0');
    if (end != std::string::npos) data.resize(end);
    if (data.size() + 1 > bufferSize) return kErrorMoreData;
    *value = std::move(data);
    return kErrorSuccess;
}

uint32_t RegKey::QueryDword(const std::string& name, uint32_t* value) {
    if (!m_impl) return kErrorInvalidHandle;
    DWORD type = 0;
    std::string data;
    if (uint32_t code = m_impl->Read(name, &type, &data)) return code;
    if (type != REG_DWORD || data.size() != sizeof(DWORD)) return kErrorInvalidData;
    DWORD dword = 0;
    std::memcpy(&dword, data.data(), sizeof dword);
    *value = dword;
    return kErrorSuccess;
}

uint32_t RegKey::SetString(const std::string& name, const std::string& value) {
    if (!m_impl) return kErrorInvalidHandle;
    // A zero inside the text would cut it when it is read back.
    if (HasZero(value)) return kErrorInvalidParameter;
    return m_impl->Set(name, REG_SZ, value.c_str(), value.size() + 1);
}

uint32_t RegKey::SetDword(const std::string& name, uint32_t value) {
    if (!m_impl) return kErrorInvalidHandle;
    const DWORD dword = value;
    return m_impl->Set(name, REG_DWORD, &dword, sizeof dword);
}

uint32_t RegKey::DeleteValue(const std::string& name) {
    if (!m_impl) return kErrorInvalidHandle;
    return static_cast<uint32_t>(::RegDeleteValueA(m_impl->key, name.c_str()));
}

}  // namespace platform
