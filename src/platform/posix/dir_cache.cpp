// Cached, inotify-followed listings of host directories for case-insensitive name lookup, so
// that creating many files in one directory does not list it once per file.
#include "platform/posix/dir_cache.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/ascii.h"

namespace platform::posix {

namespace {

// Watches held at most; the least recently used listing goes first.
constexpr size_t kMaxDirectories = 64;
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

struct Listing {
    int wd = -1;
    dev_t dev = 0;
    ino_t ino = 0;
    bool stale = true;  // the names must be read again before use
    uint64_t lastUse = 0;
    // Folded name -> the spellings present, in the order they were seen.
    std::unordered_map<std::string, std::vector<std::string>> names;

    void Add(const std::string& name) {
        std::vector<std::string>& spellings = names[LowerAscii(name)];
        for (const std::string& s : spellings) {
            if (s == name) return;
        }
        spellings.push_back(name);
    }

    void Remove(const std::string& name) {
        auto it = names.find(LowerAscii(name));
        if (it == names.end()) return;
        std::vector<std::string>& spellings = it->second;
        for (size_t i = 0; i < spellings.size(); ++i) {
            if (spellings[i] == name) {
                spellings.erase(spellings.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
        if (spellings.empty()) names.erase(it);
    }

    bool Read(const std::string& dir) {
        DIR* d = ::opendir(dir.c_str());
        if (d == nullptr) return false;
        names.clear();
        while (struct dirent* e = ::readdir(d)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
            Add(e->d_name);
        }
        ::closedir(d);
        stale = false;
        return true;
    }
};

class Cache {
  public:
    bool Find(const std::string& dir, const std::string& name, std::string* found) {
        found->clear();
        std::lock_guard<std::mutex> lock(m_mutex);
        Prepare();
        struct stat st;
        if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        if (m_fd < 0) return ListAndFind(dir, name, found);
        Drain();
        Listing* listing = Get(dir, st);
        if (listing == nullptr) return ListAndFind(dir, name, found);
        listing->lastUse = ++m_clock;
        if (listing->stale && !listing->Read(dir)) {
            Drop(dir, true);
            return false;
        }
        auto it = listing->names.find(LowerAscii(name));
        if (it != listing->names.end()) *found = it->second.front();
        return true;
    }

    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        Prepare();
        if (m_fd >= 0) {
            for (auto& [path, listing] : m_listings) ::inotify_rm_watch(m_fd, listing.wd);
            Drain();
        }
        m_listings.clear();
        m_paths.clear();
    }

  private:
    // Opens the inotify instance on first use, and again in a forked child, whose copy of the
    // descriptor shares its queue with the parent's.
    void Prepare() {
        pid_t pid = ::getpid();
        if (m_pid == pid) return;
        if (m_fd >= 0) ::close(m_fd);
        m_listings.clear();
        m_paths.clear();
        m_pid = pid;
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    }

    static bool ListAndFind(const std::string& dir, const std::string& name, std::string* found) {
        Listing once;
        if (!once.Read(dir)) return false;
        auto it = once.names.find(LowerAscii(name));
        if (it != once.names.end()) *found = it->second.front();
        return true;
    }

    // The listing of dir, watched; nullptr when no watch can be placed.
    Listing* Get(const std::string& dir, const struct stat& st) {
        auto it = m_listings.find(dir);
        if (it != m_listings.end()) {
            if (it->second.dev == st.st_dev && it->second.ino == st.st_ino) return &it->second;
            // The path now names another directory: the watch follows the old one.
            Drop(dir, true);
        }
        if (m_listings.size() >= kMaxDirectories) EvictOldest();
        // The watch goes on before the names are read, so that no change falls between.
        int wd = ::inotify_add_watch(m_fd, dir.c_str(), kWatchMask);
        if (wd < 0) return nullptr;
        auto owner = m_paths.find(wd);
        if (owner != m_paths.end() && owner->second != dir) {
            // Another path of the same directory holds this watch; it moves over to this one.
            m_listings.erase(owner->second);
        }
        m_paths[wd] = dir;
        Listing& listing = m_listings[dir];
        listing = Listing();
        listing.wd = wd;
        struct stat now;
        // The identity is taken after the watch, so that a directory replaced in between is
        // caught by the next lookup's comparison.
        if (::stat(dir.c_str(), &now) == 0) {
            listing.dev = now.st_dev;
            listing.ino = now.st_ino;
        }
        return &listing;
    }

    void Drop(const std::string& dir, bool removeWatch) {
        auto it = m_listings.find(dir);
        if (it == m_listings.end()) return;
        int wd = it->second.wd;
        m_listings.erase(it);
        auto owner = m_paths.find(wd);
        if (owner != m_paths.end() && owner->second == dir) {
            m_paths.erase(owner);
            if (removeWatch) ::inotify_rm_watch(m_fd, wd);
        }
    }

    void EvictOldest() {
        auto oldest = m_listings.end();
        for (auto it = m_listings.begin(); it != m_listings.end(); ++it) {
            if (oldest == m_listings.end() || it->second.lastUse < oldest->second.lastUse) {
                oldest = it;
            }
        }
        if (oldest != m_listings.end()) Drop(std::string(oldest->first), true);
    }

    // Applies every queued change to the listings.
    void Drain() {
        alignas(struct inotify_event) char buffer[16384];
        for (;;) {
            ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            for (ssize_t pos = 0; pos < n;) {
                const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + pos);
                Apply(*event);
                pos += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            }
        }
    }

    void Apply(const struct inotify_event& event) {
        if (event.mask & IN_Q_OVERFLOW) {
            for (auto& [path, listing] : m_listings) listing.stale = true;
            return;
        }
        auto owner = m_paths.find(event.wd);
        if (owner == m_paths.end()) return;
        std::string dir = owner->second;
        if (event.mask & IN_IGNORED) {
            Drop(dir, false);
            return;
        }
        if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
            Drop(dir, true);
            return;
        }
        auto it = m_listings.find(dir);
        if (it == m_listings.end()) return;
        Listing& listing = it->second;
        if (listing.stale || event.len == 0) return;
        std::string name(event.name);
        if (event.mask & (IN_CREATE | IN_MOVED_TO)) listing.Add(name);
        if (event.mask & (IN_DELETE | IN_MOVED_FROM)) listing.Remove(name);
    }

    std::mutex m_mutex;
    pid_t m_pid = 0;
    int m_fd = -1;
    uint64_t m_clock = 0;
    std::unordered_map<std::string, Listing> m_listings;  // host path -> listing
    std::unordered_map<int, std::string> m_paths;         // watch -> host path
};

Cache& TheCache() {
    static Cache* cache = new Cache();  // never destroyed: lookups may run during exit
    return *cache;
}

}  // namespace

std::string FindNoCase(const std::string& dir, const std::string& name) {
    std::string found;
    TheCache().Find(dir, name, &found);
    return found;
}

bool FindNoCase(const std::string& dir, const std::string& name, std::string* found) {
    return TheCache().Find(dir, name, found);
}

void ClearDirectoryCache() { TheCache().Clear(); }

}  // namespace platform::posix
