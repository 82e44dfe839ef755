// Fuzz target: the start-parameter parser, given the line directly (the command line) or
// through the registry value AutoParam, which replaces the command line when it is set.
#include <cstdint>
#include <string>

#include "app/start_parameters.h"
#include "fuzz_support.h"
#include "platform/registry.h"
#include "system/registry_settings.h"

namespace {

void Check(const zefi::StartParameters& p) {
    // Directories handed on always end with a backslash.
    for (const std::string* dir : {&p.destination, &p.source, &p.cleanupDirectory}) {
        if (!dir->empty() && dir->back() != '\\') __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Prefix();
    if (size == 0) return 0;
    std::string line = fuzz::Text(data + 1, size - 1);
    if (data[0] & 1) {
        Check(zefi::ParseStartParameters(line));
        return 0;
    }
    platform::RegKey key;
    if (key.Create(platform::Hive::LocalMachine, zefi::RegistrySettings::kKey,
                   platform::kKeyAllAccess) != 0) {
        return 0;
    }
    key.SetString(zefi::RegistrySettings::kAutoParam, line);
    key.Close();
    Check(zefi::ParseStartParameters(zefi::ReadAutoParam()));
    return 0;
}
