// Window titles that mark a running setup: what FindWindow finds on Windows.
#pragma once

#include <memory>
#include <string>

namespace platform {

// Registers a top-level dialog title for as long as the object lives.
class TitleRegistration {
  public:
    explicit TitleRegistration(const std::string& title);
    ~TitleRegistration();
    TitleRegistration(const TitleRegistration&) = delete;
    TitleRegistration& operator=(const TitleRegistration&) = delete;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// True when a dialog with this title is open in any process of this machine.
bool IsTitleOpen(const std::string& title);

// The machine-wide lock of one installation run: a named mutex on Windows, a lock file held
// with flock under the prefix on the emulated machine. The system releases it when the process
// ends in any way, a crash included.
class RunLock {
  public:
    RunLock();
    ~RunLock();  // releases the lock when held
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock without waiting. False with kErrorAlreadyExists (183) when another
    // process holds it, or with another code when the lock cannot be made. Main thread.
    bool TryAcquire();
    bool IsHeld() const;
    void Release();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
