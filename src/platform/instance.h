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

}  // namespace platform
