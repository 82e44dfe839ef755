// The program's own settings in the registry.
#include "system/registry_settings.h"

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/registry.h"

namespace zefi {

namespace {

constexpr size_t kMaxPath = 260;

// The long form of an existing path; anything else (or a result that would not fit a path
// buffer) stays as given.
std::string LongForm(const std::string& path) {
    std::string longPath;
    if (!platform::GetLongPathName(path, &longPath) || longPath.size() >= kMaxPath) return path;
    return longPath;
}

std::string ReadValue(const char* name, uint32_t access) {
    platform::RegKey key;
    if (key.Open(platform::Hive::LocalMachine, RegistrySettings::kKey, access) !=
        platform::kErrorSuccess) {
        return {};
    }
    std::string value;
    if (key.QueryString(name, &value, RegistrySettings::kBufferSize) != platform::kErrorSuccess) {
        return {};
    }
    return value.empty() ? value : LongForm(value);
}

}  // namespace

std::string ReadInstallDir() {
    return ReadValue(RegistrySettings::kInstallDir, platform::kKeyRead);
}

std::string ReadAutoParam() {
    return ReadValue(RegistrySettings::kAutoParam, platform::kKeyAllAccess);
}

bool WriteInstallDir(const std::string& path) {
    platform::RegKey key;
    if (key.Create(platform::Hive::LocalMachine, RegistrySettings::kKey, platform::kKeyAllAccess) !=
        platform::kErrorSuccess) {
        return false;
    }
    return key.SetString(RegistrySettings::kInstallDir, LongForm(path)) == platform::kErrorSuccess;
}

int32_t ReadEdition() {
    platform::RegKey key;
    if (key.Open(platform::Hive::LocalMachine, RegistrySettings::kKey, platform::kKeyRead) !=
        platform::kErrorSuccess) {
        return 0;
    }
    uint32_t value = 0;
    if (key.QueryDword(RegistrySettings::kEdition, &value) != platform::kErrorSuccess) return 0;
    return value == 1 ? 1 : 0;
}

bool WriteEdition(int32_t slovak) {
    platform::RegKey key;
    if (key.Create(platform::Hive::LocalMachine, RegistrySettings::kKey, platform::kKeyAllAccess) !=
        platform::kErrorSuccess) {
        return false;
    }
    return key.SetDword(RegistrySettings::kEdition, slovak == 1 ? 1 : 0) == platform::kErrorSuccess;
}

std::string ReadPublisherKeys(bool* configured) {
    *configured = false;
    platform::RegKey key;
    if (key.Open(platform::Hive::LocalMachine, RegistrySettings::kKey, platform::kKeyRead) !=
        platform::kErrorSuccess) {
        return {};
    }
    std::string value;
    const uint32_t error = key.QueryString(RegistrySettings::kPublisherKeys, &value,
                                           RegistrySettings::kPublisherKeysBufferSize);
    if (error == platform::kErrorFileNotFound) return {};
    *configured = true;
    return error == platform::kErrorSuccess ? value : std::string();
}

uint64_t ReadPackageListSerial() {
    platform::RegKey key;
    if (key.Open(platform::Hive::LocalMachine, RegistrySettings::kKey, platform::kKeyRead) !=
        platform::kErrorSuccess) {
        return 0;
    }
    std::string value;
    const uint32_t error = key.QueryString(RegistrySettings::kPackageListSerial, &value,
                                           RegistrySettings::kBufferSize);
    if (error == platform::kErrorFileNotFound) return 0;
    if (error != platform::kErrorSuccess || value.empty()) return UINT64_MAX;
    uint64_t serial = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return UINT64_MAX;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (serial > (UINT64_MAX - digit) / 10) return UINT64_MAX;
        serial = serial * 10 + digit;
    }
    return serial;
}

bool WritePackageListSerial(uint64_t serial) {
    platform::RegKey key;
    if (key.Create(platform::Hive::LocalMachine, RegistrySettings::kKey, platform::kKeyAllAccess) !=
        platform::kErrorSuccess) {
        return false;
    }
    return key.SetString(RegistrySettings::kPackageListSerial, std::to_string(serial)) ==
           platform::kErrorSuccess;
}

}  // namespace zefi
