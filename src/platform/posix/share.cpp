// The process-wide table of open handles and their Win32 share modes.
#include "platform/posix/share.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/posix/vfs.h"

namespace platform::posix {

namespace {

constexpr uint32_t kAccessRead = 1, kAccessWrite = 2;
constexpr uint32_t kShareRead = 1, kShareWrite = 2, kShareDelete = 4;

struct Entry {
    uint64_t id;
    uint32_t access;
    uint32_t share;
};

std::mutex g_shareLock;
std::map<std::pair<uint64_t, uint64_t>, std::vector<Entry>> g_open;
uint64_t g_nextId = 1;

bool Conflicts(const std::vector<Entry>& entries, uint32_t access, uint32_t share) {
    for (const Entry& e : entries) {
        if ((access & kAccessRead) && !(e.share & kShareRead)) return true;
        if ((access & kAccessWrite) && !(e.share & kShareWrite)) return true;
        if ((e.access & kAccessRead) && !(share & kShareRead)) return true;
        if ((e.access & kAccessWrite) && !(share & kShareWrite)) return true;
    }
    return false;
}

}  // namespace

bool ShareRegistration::Acquire(uint64_t device, uint64_t inode, uint32_t access, uint32_t share) {
    Release();
    std::lock_guard<std::mutex> lock(g_shareLock);
    auto& entries = g_open[{device, inode}];
    if (Conflicts(entries, access, share)) {
        if (entries.empty()) g_open.erase({device, inode});
        return Fail(kErrorSharingViolation);
    }
    m_id = g_nextId++;
    m_device = device;
    m_inode = inode;
    entries.push_back({m_id, access, share});
    return true;
}

void ShareRegistration::Release() {
    if (m_id == 0) return;
    std::lock_guard<std::mutex> lock(g_shareLock);
    auto it = g_open.find({m_device, m_inode});
    if (it != g_open.end()) {
        auto& entries = it->second;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].id == m_id) {
                entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
        if (entries.empty()) g_open.erase(it);
    }
    m_id = 0;
}

bool IsOpenWithoutShareDelete(uint64_t device, uint64_t inode) {
    std::lock_guard<std::mutex> lock(g_shareLock);
    auto it = g_open.find({device, inode});
    if (it == g_open.end()) return false;
    for (const Entry& e : it->second) {
        if (!(e.share & kShareDelete)) return true;
    }
    return false;
}

bool IsShareConflict(uint64_t device, uint64_t inode, uint32_t access, uint32_t share) {
    std::lock_guard<std::mutex> lock(g_shareLock);
    auto it = g_open.find({device, inode});
    return it != g_open.end() && Conflicts(it->second, access, share);
}

}  // namespace platform::posix
