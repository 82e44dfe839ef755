// The ISO 9660 image volume of the posix backend: directory listings, entry lookup and file
// reads served from the image through libiso9660.
#include "platform/posix/iso_volume.h"

#include <cdio/iso9660.h>
#include <cdio/logging.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/ascii.h"
#include "platform/errors.h"

namespace platform::posix {
namespace {

// Which of the image's name sets the volume shows.
enum class Naming { kRockRidge, kJoliet, kPlain };

struct Entry {
    FindData data;        // name as shown, attributes, size, times
    std::string rawName;  // the name as libiso9660 matches it in a path
    lsn_t lsn = 0;
    bool directory = false;
};

struct Directory {
    FindData self;  // the directory's own "." record: its times
    std::vector<Entry> entries;
};

// Seconds since 1970 of a short-form ISO time; the record carries its own offset from UTC in
// 15-minute steps, so the result does not depend on the host's time zone.
int64_t UnixFromDtime(const iso9660_dtime_t& t) {
    struct tm tm = {};
    tm.tm_year = t.dt_year;
    tm.tm_mon = t.dt_month - 1;
    tm.tm_mday = t.dt_day;
    tm.tm_hour = t.dt_hour;
    tm.tm_min = t.dt_minute;
    tm.tm_sec = t.dt_second;
    int64_t offset = static_cast<int8_t>(t.dt_gmtoff);
    return static_cast<int64_t>(timegm(&tm)) - offset * 15 * 60;
}

int Digits(const char* text, size_t count) {
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Seconds and nanoseconds of a long-form ISO time (digits, hundredths, offset).
void UnixFromLtime(const iso9660_ltime_t& t, int64_t* seconds, int64_t* nanoseconds) {
    struct tm tm = {};
    tm.tm_year = Digits(t.lt_year, sizeof t.lt_year) - 1900;
    tm.tm_mon = Digits(t.lt_month, sizeof t.lt_month) - 1;
    tm.tm_mday = Digits(t.lt_day, sizeof t.lt_day);
    tm.tm_hour = Digits(t.lt_hour, sizeof t.lt_hour);
    tm.tm_min = Digits(t.lt_minute, sizeof t.lt_minute);
    tm.tm_sec = Digits(t.lt_second, sizeof t.lt_second);
    int64_t offset = static_cast<int8_t>(t.lt_gmtoff);
    *seconds = static_cast<int64_t>(timegm(&tm)) - offset * 15 * 60;
    *nanoseconds = static_cast<int64_t>(Digits(t.lt_hsecond, sizeof t.lt_hsecond)) * 10000000;
}

// The last-write time of an entry: the Rock Ridge modification time when there is one, else
// the directory record's recording time, which libiso9660 hands out as local time.
FileTime EntryTime(const iso9660_stat_t& stat) {
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    const iso_rock_time_t& modify = stat.rr.modify;
    if (stat.rr.b3_rock == yep && modify.b_used) {
        if (modify.b_longdate) {
            UnixFromLtime(modify.t.ltime, &seconds, &nanoseconds);
        } else {
            seconds = UnixFromDtime(modify.t.dtime);
        }
    } else {
        struct tm local = stat.tm;
        seconds = static_cast<int64_t>(mktime(&local));
    }
    return FileTimeFromUnix(seconds, nanoseconds);
}

// The name a plain ISO 9660 record shows: without its ";1" version and without the dot that
// ends a name with no extension.
std::string PlainName(std::string name) {
    size_t semicolon = name.find(';');
    if (semicolon != std::string::npos) name.erase(semicolon);
    if (!name.empty() && name.back() == '.') name.pop_back();
    return name;
}

void SplitInner(const std::string& inner, std::string* parent, std::string* name) {
    size_t slash = inner.rfind('/');
    if (slash == std::string::npos) {
        parent->clear();
        *name = inner;
    } else {
        *parent = inner.substr(0, slash);
        *name = inner.substr(slash + 1);
    }
}

// Whether size bytes from block lsn on lie inside an image of imageBlocks blocks. libiso9660
// allocates and reads whatever a directory record claims, so every record is checked against
// the image before the library is asked to follow it.
bool ExtentFits(lsn_t lsn, uint64_t size, uint64_t imageBlocks) {
    uint64_t blocks = (size + ISO_BLOCKSIZE - 1) / ISO_BLOCKSIZE;
    return lsn >= 0 && static_cast<uint64_t>(lsn) <= imageBlocks &&
           blocks <= imageBlocks - static_cast<uint64_t>(lsn);
}

// Whether the root directory record of the tree the handle reads (the Joliet one when the
// handle was opened with Joliet and the image has it) lies inside the image.
bool RootFits(iso9660_t* iso, uint64_t imageBlocks) {
    // The stat of "/" is built from the volume descriptor alone; nothing is read for it.
    iso9660_stat_t* root = iso9660_ifs_stat(iso, "/");
    if (root == nullptr) return false;
    bool fits =
        root->type == iso9660_stat_s::_STAT_DIR && ExtentFits(root->lsn, root->size, imageBlocks);
    iso9660_stat_free(root);
    return fits;
}

class IsoVolume final : public ImageVolume {
  public:
    IsoVolume(iso9660_t* iso, Naming naming, std::string label, uint64_t imageBlocks)
        : m_iso(iso), m_naming(naming), m_label(std::move(label)), m_imageBlocks(imageBlocks) {}
    ~IsoVolume() override { iso9660_close(m_iso); }

    std::string Label() const override { return m_label; }

    // Lists every directory of the image once, so that a record that points outside the image
    // or a directory that contains itself is found at attach time rather than halfway through
    // a copy. Returns false for such an image.
    bool CheckTree() {
        std::lock_guard<std::mutex> lock(m_lock);
        iso9660_stat_t* root = iso9660_ifs_stat(m_iso, "/");
        if (root == nullptr) return false;
        std::set<lsn_t> seen = {root->lsn};
        iso9660_stat_free(root);
        return CheckDirectory("", "/", 0, &seen);
    }

    bool Stat(const std::string& inner, FindData* out) override {
        std::lock_guard<std::mutex> lock(m_lock);
        if (inner.empty()) {
            const Directory* root = LookupDirectory("");
            if (root == nullptr) return false;
            *out = root->self;
            return true;
        }
        const Entry* entry = LookupEntry(inner);
        if (entry == nullptr) return false;
        *out = entry->data;
        return true;
    }

    bool List(const std::string& innerDir, std::vector<FindData>* out) override {
        std::lock_guard<std::mutex> lock(m_lock);
        const Directory* directory = LookupDirectory(innerDir);
        if (directory == nullptr) return false;
        out->clear();
        out->reserve(directory->entries.size());
        for (const Entry& entry : directory->entries) out->push_back(entry.data);
        return true;
    }

    int64_t ReadAt(const std::string& inner, uint64_t offset, void* buffer,
                   uint64_t size) override {
        std::lock_guard<std::mutex> lock(m_lock);
        const Entry* entry = LookupEntry(inner);
        if (entry == nullptr || entry->directory) return -1;
        uint64_t fileSize = entry->data.size;
        if (offset >= fileSize || size == 0) return 0;
        uint64_t remaining = std::min(size, fileSize - offset);
        auto* target = static_cast<uint8_t*>(buffer);
        uint64_t done = 0;
        while (done < remaining) {
            uint64_t position = offset + done;
            lsn_t block = entry->lsn + static_cast<lsn_t>(position / ISO_BLOCKSIZE);
            uint64_t within = position % ISO_BLOCKSIZE;
            uint64_t left = remaining - done;
            if (within == 0 && left >= ISO_BLOCKSIZE) {
                // Whole blocks go straight into the caller's buffer.
                uint64_t blocks = std::min<uint64_t>(left / ISO_BLOCKSIZE, kMaxBlocksPerRead);
                long got =
                    iso9660_iso_seek_read(m_iso, target + done, block, static_cast<long>(blocks));
                if (got != static_cast<long>(blocks * ISO_BLOCKSIZE)) {
                    // As read() does, the blocks before one that cannot be read are handed
                    // out; the next call, starting at that block, fails.
                    uint64_t whole = got > 0 ? static_cast<uint64_t>(got) / ISO_BLOCKSIZE : 0;
                    done += whole * ISO_BLOCKSIZE;
                    return done > 0 ? static_cast<int64_t>(done) : -1;
                }
                done += blocks * ISO_BLOCKSIZE;
            } else {
                // A partial block at either end goes through the bounce buffer.
                long got = iso9660_iso_seek_read(m_iso, m_bounce, block, 1);
                if (got != ISO_BLOCKSIZE) return done > 0 ? static_cast<int64_t>(done) : -1;
                uint64_t take = std::min<uint64_t>(ISO_BLOCKSIZE - within, left);
                std::memcpy(target + done, m_bounce + within, take);
                done += take;
            }
        }
        return static_cast<int64_t>(done);
    }

  private:
    static constexpr uint64_t kMaxBlocksPerRead = 512;
    // Deeper than any real medium; bounds the walk of a damaged image.
    static constexpr int kMaxDepth = 64;

    bool CheckDirectory(const std::string& key, const std::string& rawPath, int depth,
                        std::set<lsn_t>* seen) {
        if (depth > kMaxDepth) return false;
        const Directory* directory = LoadDirectory(key, rawPath);
        if (directory == nullptr) return false;
        for (const Entry& entry : directory->entries) {
            if (!entry.directory) continue;
            if (!seen->insert(entry.lsn).second) return false;
            std::string childKey = key + (key.empty() ? "" : "/") + LowerAscii(entry.data.name);
            // Two records of one name lead to the first; its listing is checked already.
            if (m_directories.count(childKey) != 0) continue;
            if (!CheckDirectory(childKey, rawPath + entry.rawName + "/", depth + 1, seen)) {
                return false;
            }
        }
        return true;
    }

    // Loads (once) the listing of the directory whose path inside the image is rawPath.
    Directory* LoadDirectory(const std::string& key, const std::string& rawPath) {
        auto cached = m_directories.find(key);
        if (cached != m_directories.end()) return cached->second.get();
        CdioISO9660FileList_t* list = iso9660_ifs_readdir(m_iso, rawPath.c_str());
        if (list == nullptr) return nullptr;
        auto directory = std::make_unique<Directory>();
        directory->self.attributes = kAttrDirectory | kAttrReadOnly;
        bool fits = true;
        CdioListNode_t* node;
        _CDIO_LIST_FOREACH(node, list) {
            auto* stat = static_cast<iso9660_stat_t*>(_cdio_list_node_data(node));
            // A listing with one directory record outside the image is refused whole:
            // libiso9660 would follow it (and allocate its claimed length) on the next lookup
            // through this directory. A file whose data runs past the end of a cut image stays
            // listed; reading it fails at the first block that is not there.
            if (stat->type == iso9660_stat_s::_STAT_DIR &&
                !ExtentFits(stat->lsn, stat->size, m_imageBlocks)) {
                fits = false;
                break;
            }
            std::string raw = stat->filename;
            if (raw == ".") {
                FileTime time = EntryTime(*stat);
                directory->self.creationTime = directory->self.lastAccessTime =
                    directory->self.lastWriteTime = time;
                continue;
            }
            if (raw.empty() || raw == "..") continue;
            Entry entry;
            entry.rawName = raw;
            entry.directory = stat->type == iso9660_stat_s::_STAT_DIR;
            entry.lsn = stat->lsn;
            // Joliet names come from libiso9660 as UTF-8, Rock Ridge names as written, which
            // on the systems that make these images is UTF-8 as well.
            entry.data.name = WindowsName(m_naming == Naming::kPlain ? PlainName(raw) : raw);
            entry.data.attributes =
                kAttrReadOnly | (entry.directory ? uint32_t{kAttrDirectory} : 0u);
            entry.data.size = entry.directory ? 0 : stat->size;
            FileTime time = EntryTime(*stat);
            entry.data.creationTime = entry.data.lastAccessTime = entry.data.lastWriteTime = time;
            directory->entries.push_back(std::move(entry));
        }
        iso9660_filelist_free(list);
        if (!fits) return nullptr;
        Directory* result = directory.get();
        m_directories.emplace(key, std::move(directory));
        return result;
    }

    // The listing of a directory given by its inner path, matched case-insensitively component
    // by component; nullptr when a component is missing or not a directory.
    const Directory* LookupDirectory(const std::string& innerDir) {
        std::string key;
        std::string rawPath = "/";
        Directory* directory = LoadDirectory(key, rawPath);
        size_t start = 0;
        while (directory != nullptr && start < innerDir.size()) {
            size_t slash = innerDir.find('/', start);
            if (slash == std::string::npos) slash = innerDir.size();
            std::string component = innerDir.substr(start, slash - start);
            start = slash + 1;
            if (component.empty()) continue;
            const Entry* match = nullptr;
            for (const Entry& entry : directory->entries) {
                if (EqualsNoCase(entry.data.name, component)) {
                    match = &entry;
                    break;
                }
            }
            if (match == nullptr || !match->directory) return nullptr;
            key += (key.empty() ? "" : "/") + LowerAscii(component);
            rawPath += match->rawName + "/";
            directory = LoadDirectory(key, rawPath);
        }
        return directory;
    }

    const Entry* LookupEntry(const std::string& inner) {
        std::string parent;
        std::string name;
        SplitInner(inner, &parent, &name);
        const Directory* directory = LookupDirectory(parent);
        if (directory == nullptr || name.empty()) return nullptr;
        for (const Entry& entry : directory->entries) {
            if (EqualsNoCase(entry.data.name, name)) return &entry;
        }
        return nullptr;
    }

    // libiso9660 handles are not safe for concurrent use; one lock guards the handle, the
    // cache and the bounce buffer.
    std::mutex m_lock;
    iso9660_t* m_iso;
    Naming m_naming;
    std::string m_label;
    uint64_t m_imageBlocks;
    std::map<std::string, std::unique_ptr<Directory>> m_directories;  // by lower-case inner path
    uint8_t m_bounce[ISO_BLOCKSIZE] = {};
};

// Whether the image's primary tree carries Rock Ridge entries.
bool HasRockRidge(iso9660_t* iso) {
    CdioISO9660FileList_t* list = iso9660_ifs_readdir(iso, "/");
    if (list == nullptr) return false;
    bool found = false;
    CdioListNode_t* node;
    _CDIO_LIST_FOREACH(node, list) {
        auto* stat = static_cast<iso9660_stat_t*>(_cdio_list_node_data(node));
        if (stat->rr.b3_rock == yep) found = true;
    }
    iso9660_filelist_free(list);
    return found;
}

std::string VolumeLabel(iso9660_t* iso) {
    char* id = nullptr;
    std::string label;
    if (iso9660_ifs_get_volume_id(iso, &id) && id != nullptr) label = id;
    std::free(id);
    while (!label.empty() && label.back() == ' ') label.pop_back();
    return label;
}

}  // namespace

std::shared_ptr<ImageVolume> OpenIsoVolume(const std::string& hostPath, uint32_t* error) {
    // libiso9660 reports unreadable or foreign images as warnings on stderr; the caller reports
    // them through its own error code instead.
    static std::once_flag quiet;
    std::call_once(quiet, [] { cdio_loglevel_default = CDIO_LOG_ERROR; });

    // libiso9660 cannot tell a missing file from a foreign one, so check that it can be read.
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = MapErrno(errno);
        return nullptr;
    }
    struct stat info = {};
    bool sized = ::fstat(fd, &info) == 0;
    ::close(fd);
    if (!sized) {
        *error = MapErrno(errno);
        return nullptr;
    }
    const uint64_t imageBlocks = static_cast<uint64_t>(info.st_size) / ISO_BLOCKSIZE;

    constexpr iso_extension_mask_t kWithoutJoliet = ISO_EXTENSION_ALL & ~ISO_EXTENSION_JOLIET;
    iso9660_t* iso = iso9660_open_ext(hostPath.c_str(), kWithoutJoliet);
    if (iso == nullptr) {
        *error = kErrorUnrecognizedVolume;
        return nullptr;
    }
    Naming naming = Naming::kRockRidge;
    if (!RootFits(iso, imageBlocks)) {
        iso9660_close(iso);
        *error = kErrorFileCorrupt;
        return nullptr;
    }
    if (!HasRockRidge(iso)) {
        iso9660_close(iso);
        iso = iso9660_open_ext(hostPath.c_str(), ISO_EXTENSION_ALL);
        if (iso == nullptr) {
            *error = kErrorUnrecognizedVolume;
            return nullptr;
        }
        naming = iso9660_ifs_get_joliet_level(iso) > 0 ? Naming::kJoliet : Naming::kPlain;
        if (!RootFits(iso, imageBlocks)) {
            iso9660_close(iso);
            *error = kErrorFileCorrupt;
            return nullptr;
        }
    }
    std::string label = VolumeLabel(iso);
    auto volume = std::make_shared<IsoVolume>(iso, naming, std::move(label), imageBlocks);
    if (!volume->CheckTree()) {
        *error = kErrorFileCorrupt;
        return nullptr;
    }
    *error = 0;
    return volume;
}

}  // namespace platform::posix
