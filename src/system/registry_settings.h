// The program's own settings in the registry: HKEY_LOCAL_MACHINE\SOFTWARE\Zefi Publishing\ZEFI.
#pragma once

#include <cstdint>
#include <string>

namespace zefi {

struct RegistrySettings {
    static constexpr const char* kKey = "SOFTWARE\\Zefi Publishing\\ZEFI";
    // The last confirmed destination directory (long form, no trailing backslash).
    static constexpr const char* kInstallDir = "InstallDir";
    // A preset parameter line that replaces the command line when it is not empty.
    static constexpr const char* kAutoParam = "AutoParam";
    // The data edition of the last successful installation (DWORD, 1 Slovak, 0 Czech).
    static constexpr const char* kEdition = "Edition";
    // Size of the buffer values are read into, terminating zero included.
    static constexpr size_t kBufferSize = 255;
    // The publishers' minisign public keys that package lists must be signed with (REG_SZ,
    // separated by commas or blanks); only an administrator can write the key.
    static constexpr const char* kPublisherKeys = "PublisherKeys";
    static constexpr size_t kPublisherKeysBufferSize = 4096;
    // The highest package-list serial verified so far (REG_SZ, decimal).
    static constexpr const char* kPackageListSerial = "PackageListSerial";
};

// InstallDir, opened for reading. Empty when the key or the value cannot be read or the value
// does not fit the buffer; a value naming an existing path comes back in its long form.
std::string ReadInstallDir();

// AutoParam, opened with full access, so that without administrator rights it is empty.
// Otherwise as ReadInstallDir.
std::string ReadAutoParam();

// Stores path (in its long form when it exists) as InstallDir, creating the key when missing.
// False when the key cannot be created or the value not stored.
bool WriteInstallDir(const std::string& path);

// Edition: 0 or 1; 0 when missing or unreadable.
int32_t ReadEdition();
bool WriteEdition(int32_t slovak);

// PublisherKeys. *configured is true when the value exists, also when it cannot be read whole
// (the text is then empty, so that no key is usable and nothing unsigned slips through).
std::string ReadPublisherKeys(bool* configured);

// PackageListSerial: 0 when missing; a value that is not a decimal number that fits 64 bits
// reads as the highest serial, so that a damaged value refuses lists rather than letting older
// ones in.
uint64_t ReadPackageListSerial();
bool WritePackageListSerial(uint64_t serial);

}  // namespace zefi
