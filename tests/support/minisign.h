// Publisher keys and signatures for tests, made with the minisign tool as a publisher makes
// them.
#pragma once

#include <string>

namespace testsupport {

// A minisign key pair without password in a directory of the host.
struct MinisignKey {
    std::string publicLine;  // the Base64 line of the ".pub" file, as an administrator sets it
    std::string keyId;       // the id minisign prints in the public key's comment
    std::string secretPath;  // host path of the secret key
    std::string error;       // why the key could not be made; empty when it was
};

// Whether the minisign tool is installed; *why says what is missing when not.
bool MinisignAvailable(std::string* why);

// Makes dir/name.pub and dir/name.key with minisign -G.
MinisignKey MakeMinisignKey(const std::string& dir, const std::string& name);

// Signs the host file path with minisign -S (prehashed; legacy: -l), the trusted comment
// given (none: minisign's own), into path + ".minisig". False with minisign's output in *error when
// it fails.
bool MinisignSign(const MinisignKey& key, const std::string& path, const std::string& trusted,
                  bool legacy = false, std::string* error = nullptr);

}  // namespace testsupport
