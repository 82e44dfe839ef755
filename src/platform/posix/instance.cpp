// Open dialog titles of the emulated machine: each registered title is a lock file under
// $ZEFISETUP_PREFIX/instance, held with a shared flock while the dialog is open, so that any
// process of the machine can tell whether such a dialog exists. The run lock is one more file
// there, held with an exclusive flock for the length of an installation run.
#include "platform/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>

#include "platform/errors.h"
#include "platform/posix/vfs.h"

namespace platform {

namespace {

std::string InstanceDir() {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    return posix::GetMachine().prefix + "/instance";
}

// The title's bytes in hex: a file name for any title, whatever characters it holds.
std::string LockFileOf(const std::string& title) {
    static const char digits[] = "0123456789abcdef";
    std::string name;
    for (unsigned char c : title) {
        name += digits[c >> 4];
        name += digits[c & 0xF];
    }
    return InstanceDir() + "/" + name + ".lock";
}

int FlockRetrying(int fd, int operation) {
    int r;
    do {
        r = ::flock(fd, operation);
    } while (r != 0 && errno == EINTR);
    return r;
}

}  // namespace

struct TitleRegistration::Impl {
    int fd = -1;
};

TitleRegistration::TitleRegistration(const std::string& title) : m_impl(std::make_unique<Impl>()) {
    ::mkdir(InstanceDir().c_str(), 0777);
    m_impl->fd = ::open(LockFileOf(title).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // Shared, so that several dialogs with the same title can be open at once (the main menu
    // under the destination dialog). A check holds its exclusive lock only for an instant.
    if (m_impl->fd >= 0 && FlockRetrying(m_impl->fd, LOCK_SH) != 0) {
        ::close(m_impl->fd);
        m_impl->fd = -1;
    }
}

TitleRegistration::~TitleRegistration() {
    // The file stays: removing it could race with another process that is just locking it.
    if (m_impl->fd >= 0) ::close(m_impl->fd);
}

bool IsTitleOpen(const std::string& title) {
    int fd = ::open(LockFileOf(title).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = FlockRetrying(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// The kernel drops a flock when its descriptor is closed, which happens when the process ends
// in any way; the descriptor is not inherited by the programs the run starts, so a command
// left running by the install script does not hold the machine's lock.
struct RunLock::Impl {
    int fd = -1;
};

RunLock::RunLock() : m_impl(std::make_unique<Impl>()) {}

RunLock::~RunLock() { Release(); }

bool RunLock::TryAcquire() {
    if (m_impl->fd >= 0) return true;
    ::mkdir(InstanceDir().c_str(), 0777);
    int fd = ::open((InstanceDir() + "/run.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return posix::FailErrno();
    if (FlockRetrying(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return posix::Fail(kErrorAlreadyExists);
        errno = err;
        return posix::FailErrno();
    }
    m_impl->fd = fd;
    return true;
}

bool RunLock::IsHeld() const { return m_impl->fd >= 0; }

void RunLock::Release() {
    // The file stays, for the same reason as a title's.
    if (m_impl->fd < 0) return;
    ::close(m_impl->fd);
    m_impl->fd = -1;
}

}  // namespace platform
