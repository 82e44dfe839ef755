// A small tmpfs volume for tests that need a full disk: mounted on a fresh directory when the
// test runs as root, unmounted and removed again when the object goes, also after a failure.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

class TmpfsMount {
  public:
    TmpfsMount() = default;
    ~TmpfsMount();  // unmounts (lazily, so that open files cannot keep it) and removes the dir
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    // Mounts a tmpfs of sizeBytes (rounded up to whole pages by the kernel). False, with the
    // reason in *why, when the process is not root or the mount fails; the caller skips.
    bool Mount(uint64_t sizeBytes, std::string* why);
    // The host directory of the volume ("" when not mounted).
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
    bool m_mounted = false;
};

}  // namespace testsupport
