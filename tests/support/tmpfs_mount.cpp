// A small tmpfs volume for full-disk tests.
#include "support/tmpfs_mount.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace testsupport {

TmpfsMount::~TmpfsMount() {
    if (m_mounted) ::umount2(m_path.c_str(), MNT_DETACH);
    if (!m_path.empty()) ::rmdir(m_path.c_str());
}

bool TmpfsMount::Mount(uint64_t sizeBytes, std::string* why) {
    if (::geteuid() != 0) {
        *why = "mounting a tmpfs volume needs root";
        return false;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string templ =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/zefivolume.XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) {
        *why = "cannot create a mount point: " + std::string(std::strerror(errno));
        return false;
    }
    m_path = buf.data();
    std::string options = "size=" + std::to_string(sizeBytes) + ",mode=0777";
    if (::mount("tmpfs", m_path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        *why = "cannot mount a tmpfs volume: " + std::string(std::strerror(errno));
        return false;
    }
    m_mounted = true;
    return true;
}

}  // namespace testsupport
