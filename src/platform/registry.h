// The registry (RegOpenKeyEx family). Results are Win32 error codes: kErrorSuccess (0) or the
// failure, as the Reg* functions return them; they do not set the last error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum class Hive { LocalMachine, CurrentUser };

enum : uint32_t { kKeyRead = 1, kKeyWrite = 2, kKeyAllAccess = 3 };

class RegKey {
  public:
    RegKey();
    ~RegKey();  // closes
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // RegOpenKeyEx: kErrorFileNotFound for a missing key; kErrorAccessDenied when write access
    // is asked for under HKEY_LOCAL_MACHINE without administrator rights.
    uint32_t Open(Hive hive, const std::string& subkey, uint32_t access);
    // RegCreateKeyEx: opens the key, creating it and its parents when missing.
    uint32_t Create(Hive hive, const std::string& subkey, uint32_t access);
    void Close();

    // RegQueryValueEx of a REG_SZ value into a buffer of bufferSize bytes (terminating zero
    // included): kErrorMoreData when it does not fit, kErrorFileNotFound when missing.
    uint32_t QueryString(const std::string& name, std::string* value, size_t bufferSize = 256);
    uint32_t QueryDword(const std::string& name, uint32_t* value);
    // RegSetValueEx: the change is stored at once.
    uint32_t SetString(const std::string& name, const std::string& value);
    uint32_t SetDword(const std::string& name, uint32_t value);
    uint32_t DeleteValue(const std::string& name);

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
