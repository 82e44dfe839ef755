// The registry of the emulated machine: $ZEFISETUP_PREFIX/system.reg in the regedit export
// format, read again for every operation and written back (new file, then rename) on every
// change, so that other processes see the change at once.
#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/posix/kill_point.h"
#include "platform/posix/vfs.h"

namespace platform {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kHiveLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr const char* kHiveCurrentUser = "HKEY_CURRENT_USER";

struct Value {
    enum Kind { kString, kDword, kRaw };
    std::string name;  // empty for the default value ("@")
    Kind kind = kString;
    std::string text;  // string data, or the raw text after "=" of another type
    uint32_t dword = 0;
};

struct Key {
    std::string path;  // "HKEY_LOCAL_MACHINE\SOFTWARE\..." as spelt in the file
    std::vector<Value> values;
};

// Serialises the read-modify-write cycles of this process; other processes are held off by
// an flock on system.reg.lock.
std::mutex g_registryLock;

// True when path lies below ancestor (component-wise, ignoring case).
bool IsBelow(const std::string& path, const std::string& ancestor) {
    return path.size() > ancestor.size() && path[ancestor.size()] == '\\' &&
           EqualsNoCase(path.substr(0, ancestor.size()), ancestor);
}

struct Location {
    std::string prefix;
    bool admin = true;
};

Location CurrentLocation() {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    const posix::Machine& m = posix::GetMachine();
    return Location{m.prefix, m.admin};
}

std::string RegFile(const Location& loc) { return loc.prefix + "/system.reg"; }

// Whether system.reg may be changed: an existing file needs its owner write bit (the emulated
// read-only attribute) and write permission; a missing one a writable prefix.
bool IsWritable(const Location& loc) {
    struct stat st;
    std::string file = RegFile(loc);
    if (::stat(file.c_str(), &st) == 0) {
        return (st.st_mode & S_IWUSR) != 0 && ::access(file.c_str(), W_OK) == 0;
    }
    return ::stat(loc.prefix.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0 &&
           ::access(loc.prefix.c_str(), W_OK) == 0;
}

// Reads a quoted text starting at line[pos] == '"'; undoes the \\ and \" escapes. Returns the
// position after the closing quote, or npos when it is missing.
size_t ParseQuoted(const std::string& line, size_t pos, std::string* out) {
    out->clear();
    for (size_t i = pos + 1; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) {
            *out += line[++i];
        } else if (c == '"') {
            return i + 1;
        } else {
            *out += c;
        }
    }
    return std::string::npos;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool ParseDword(const std::string& hex, uint32_t* out) {
    if (hex.empty() || hex.size() > 8) return false;
    uint32_t v = 0;
    for (char c : hex) {
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (ToLowerAscii(c) >= 'a' && ToLowerAscii(c) <= 'f') {
            d = ToLowerAscii(c) - 'a' + 10;
        } else {
            return false;
        }
        v = v * 16 + static_cast<uint32_t>(d);
    }
    *out = v;
    return true;
}

std::vector<Key> Parse(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        // Every carriage return ending the line goes: one left in a value's raw text would be
        // taken for the line end when the file is read again, and a backslash before it for
        // a continuation.
        while (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }

    std::vector<Key> keys;
    Key* current = nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        line.erase(0, first);
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            current = nullptr;
            // A "[-key]" section deletes a key in an import file; it holds nothing here.
            if (close == std::string::npos || line.compare(0, 2, "[-") == 0) continue;
            keys.push_back(Key{line.substr(1, close - 1), {}});
            current = &keys.back();
            continue;
        }
        if (!current || (line[0] != '"' && line[0] != '@')) continue;
        Value value;
        size_t pos = 1;
        if (line[0] == '"') {
            pos = ParseQuoted(line, 0, &value.name);
            if (pos == std::string::npos) continue;
        }
        if (pos >= line.size() || line[pos] != '=') continue;
        std::string data = line.substr(pos + 1);
        std::string text;
        if (!data.empty() && data[0] == '"' && ParseQuoted(data, 0, &text) != std::string::npos) {
            value.kind = Value::kString;
            value.text = text;
        } else if (data.compare(0, 6, "dword:") == 0 && ParseDword(data.substr(6), &value.dword)) {
            value.kind = Value::kDword;
        } else {
            // Another type (hex, hex(2), ...): kept as written, continuation lines included.
            value.kind = Value::kRaw;
            value.text = data;
            while (!value.text.empty() && value.text.back() == '\\' && i + 1 < lines.size()) {
                value.text += "\n" + lines[++i];
            }
            // A continuation mark on the file's last line continues nothing; kept, it would take
            // in the line written after it on the next save and lose that value. The mark is
            // every backslash the line ends with, and a carriage return before them too: one
            // left over would still be one when the file is read again.
            while (!value.text.empty() &&
                   (value.text.back() == '\\' || value.text.back() == '\r') &&
                   i + 1 >= lines.size()) {
                value.text.pop_back();
            }
        }
        current->values.push_back(value);
    }
    return keys;
}

std::string Serialise(const std::vector<Key>& keys) {
    std::string out = std::string(kHeader) + "\n\n";
    for (const Key& key : keys) {
        out += "[" + key.path + "]\n";
        for (const Value& v : key.values) {
            out += v.name.empty() ? "@" : Quote(v.name);
            out += "=";
            if (v.kind == Value::kString) {
                out += Quote(v.text);
            } else if (v.kind == Value::kDword) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "dword:%08x", static_cast<unsigned>(v.dword));
                out += hex;
            } else {
                out += v.text;
            }
            out += "\n";
        }
        out += "\n";
    }
    return out;
}

// Reads and parses system.reg; a missing file is an empty registry.
uint32_t Load(const Location& loc, std::vector<Key>* keys) {
    keys->clear();
    int fd = ::open(RegFile(loc).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? kErrorSuccess : posix::MapErrno(errno);
    std::string content;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            uint32_t code = posix::MapErrno(errno);
            ::close(fd);
            return code;
        }
        if (n == 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    // The file is UTF-8 text; key names, value names and texts are code-page text inside.
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
    *keys = Parse(posix::WindowsName(content));
    return kErrorSuccess;
}

bool WriteAll(int fd, const std::string& data) {
    posix::KillPoint("registry", fd);
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Replaces system.reg in one rename, so that a reader sees either the old or the new file.
uint32_t Store(const Location& loc, const std::vector<Key>& keys) {
    if (!IsWritable(loc)) return kErrorAccessDenied;
    std::string file = RegFile(loc);
    std::string temp = file + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return posix::MapErrno(errno);
    struct stat st;
    mode_t mode = ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, posix::HostName(Serialise(keys))) &&
              ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), file.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return posix::MapErrno(err);
    }
    return kErrorSuccess;
}

// Holds both the in-process lock and, where the prefix allows it, the machine-wide one.
class Transaction {
  public:
    explicit Transaction(const Location& loc) : m_lock(g_registryLock) {
        std::string lockFile = loc.prefix + "/system.reg.lock";
        m_fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~Transaction() {
        if (m_fd >= 0) ::close(m_fd);  // closing releases the flock
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

  private:
    std::lock_guard<std::mutex> m_lock;
    int m_fd = -1;
};

// "HKEY_...\a\b" from a hive and a subkey; empty components (doubled or outer backslashes)
// are dropped.
std::string FullPath(Hive hive, const std::string& subkey) {
    std::string path = hive == Hive::LocalMachine ? kHiveLocalMachine : kHiveCurrentUser;
    size_t start = 0;
    while (start <= subkey.size()) {
        size_t end = subkey.find('\\', start);
        if (end == std::string::npos) end = subkey.size();
        if (end > start) path += "\\" + subkey.substr(start, end - start);
        start = end + 1;
    }
    return path;
}

Key* FindKey(std::vector<Key>& keys, const std::string& path) {
    for (Key& key : keys) {
        if (EqualsNoCase(key.path, path)) return &key;
    }
    return nullptr;
}

// A key exists when it has a section or lies on the way to one; a hive root always exists.
bool KeyExists(std::vector<Key>& keys, const std::string& path) {
    if (path.find('\\') == std::string::npos) return true;
    if (FindKey(keys, path)) return true;
    for (const Key& key : keys) {
        if (IsBelow(key.path, path)) return true;
    }
    return false;
}

// Adds sections for the key and for each missing parent below the hive; never null.
Key* CreateKey(std::vector<Key>& keys, const std::string& path) {
    size_t pos = path.find('\\');
    while (pos != std::string::npos) {
        size_t next = path.find('\\', pos + 1);
        std::string part = path.substr(0, next);
        if (!FindKey(keys, part)) keys.push_back(Key{part, {}});
        pos = next;
    }
    // Values of a hive root live in a section of the root's own name.
    if (!FindKey(keys, path)) keys.push_back(Key{path, {}});
    return FindKey(keys, path);
}

Value* FindValue(Key* key, const std::string& name) {
    if (!key) return nullptr;
    for (Value& v : key->values) {
        if (EqualsNoCase(v.name, name)) return &v;
    }
    return nullptr;
}

}  // namespace

struct RegKey::Impl {
    Hive hive = Hive::LocalMachine;
    std::string path;
    uint32_t access = 0;

    // Changes one value: reads the file, applies change to the key (recreated when another
    // process deleted it meanwhile) and writes the file back.
    template <typename Change>
    uint32_t Modify(Change change) {
        if ((access & kKeyWrite) == 0) return kErrorAccessDenied;
        Location loc = CurrentLocation();
        Transaction tx(loc);
        std::vector<Key> keys;
        if (uint32_t code = Load(loc, &keys)) return code;
        Key* key = FindKey(keys, path);
        if (!key) key = CreateKey(keys, path);
        if (uint32_t code = change(key)) return code;
        return Store(loc, keys);
    }

    template <typename Read>
    uint32_t Query(const std::string& name, Read read) {
        if ((access & kKeyRead) == 0) return kErrorAccessDenied;
        Location loc = CurrentLocation();
        Transaction tx(loc);
        std::vector<Key> keys;
        if (uint32_t code = Load(loc, &keys)) return code;
        Value* value = FindValue(FindKey(keys, path), name);
        if (!value) return kErrorFileNotFound;
        return read(*value);
    }
};

RegKey::RegKey() = default;
RegKey::~RegKey() = default;

void RegKey::Close() { m_impl.reset(); }

uint32_t RegKey::Open(Hive hive, const std::string& subkey, uint32_t access) {
    Close();
    if ((access & kKeyAllAccess) == 0) return kErrorInvalidParameter;
    Location loc = CurrentLocation();
    std::string path = FullPath(hive, subkey);
    Transaction tx(loc);
    std::vector<Key> keys;
    if (uint32_t code = Load(loc, &keys)) return code;
    if (!KeyExists(keys, path)) return kErrorFileNotFound;
    if ((access & kKeyWrite) && hive == Hive::LocalMachine && (!loc.admin || !IsWritable(loc))) {
        return kErrorAccessDenied;
    }
    m_impl = std::make_unique<Impl>();
    m_impl->hive = hive;
    m_impl->path = path;
    m_impl->access = access;
    return kErrorSuccess;
}

uint32_t RegKey::Create(Hive hive, const std::string& subkey, uint32_t access) {
    Close();
    if ((access & kKeyAllAccess) == 0) return kErrorInvalidParameter;
    Location loc = CurrentLocation();
    bool mayWrite = !(hive == Hive::LocalMachine && !loc.admin) && IsWritable(loc);
    if ((access & kKeyWrite) && !mayWrite) return kErrorAccessDenied;
    std::string path = FullPath(hive, subkey);
    Transaction tx(loc);
    std::vector<Key> keys;
    if (uint32_t code = Load(loc, &keys)) return code;
    if (!KeyExists(keys, path)) {
        // Creating a key is a change even when only read access is asked for.
        if (!mayWrite) return kErrorAccessDenied;
        CreateKey(keys, path);
        if (uint32_t code = Store(loc, keys)) return code;
    }
    m_impl = std::make_unique<Impl>();
    m_impl->hive = hive;
    m_impl->path = path;
    m_impl->access = access;
    return kErrorSuccess;
}

uint32_t RegKey::QueryString(const std::string& name, std::string* value, size_t bufferSize) {
    if (!m_impl) return kErrorInvalidHandle;
    return m_impl->Query(name, [&](const Value& v) -> uint32_t {
        if (v.kind != Value::kString) return kErrorInvalidData;
        if (v.text.size() + 1 > bufferSize) return kErrorMoreData;
        *value = v.text;
        return kErrorSuccess;
    });
}

uint32_t RegKey::QueryDword(const std::string& name, uint32_t* value) {
    if (!m_impl) return kErrorInvalidHandle;
    return m_impl->Query(name, [&](const Value& v) -> uint32_t {
        if (v.kind != Value::kDword) return kErrorInvalidData;
        *value = v.dword;
        return kErrorSuccess;
    });
}

uint32_t RegKey::SetString(const std::string& name, const std::string& value) {
    if (!m_impl) return kErrorInvalidHandle;
    // A line break or zero byte cannot be written in the export format without breaking the
    // file for every other value; such data is refused rather than stored damaged.
    if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos ||
        name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return kErrorInvalidParameter;
    }
    return m_impl->Modify([&](Key* key) -> uint32_t {
        Value* v = FindValue(key, name);
        if (!v) {
            key->values.push_back(Value{name, Value::kString, "", 0});
            v = &key->values.back();
        }
        v->kind = Value::kString;
        v->text = value;
        return kErrorSuccess;
    });
}

uint32_t RegKey::SetDword(const std::string& name, uint32_t value) {
    if (!m_impl) return kErrorInvalidHandle;
    if (name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return kErrorInvalidParameter;
    }
    return m_impl->Modify([&](Key* key) -> uint32_t {
        Value* v = FindValue(key, name);
        if (!v) {
            key->values.push_back(Value{name, Value::kDword, "", 0});
            v = &key->values.back();
        }
        v->kind = Value::kDword;
        v->text.clear();
        v->dword = value;
        return kErrorSuccess;
    });
}

uint32_t RegKey::DeleteValue(const std::string& name) {
    if (!m_impl) return kErrorInvalidHandle;
    return m_impl->Modify([&](Key* key) -> uint32_t {
        for (size_t i = 0; i < key->values.size(); ++i) {
            if (EqualsNoCase(key->values[i].name, name)) {
                key->values.erase(key->values.begin() + static_cast<std::ptrdiff_t>(i));
                return kErrorSuccess;
            }
        }
        return kErrorFileNotFound;
    });
}

}  // namespace platform
