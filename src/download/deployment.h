// Deployment settings of the download servers: the product domains whose DNS TXT record names
// the sites list, and the media server that holds the fallback sites list. This is the one
// place to change them for another deployment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zefi {

// Bare product domains (no host part) queried for the "zefisetup=" TXT record.
extern const char* const kCzechProductDomain;
extern const char* const kSlovakProductDomain;
// Host name of the product's media server.
extern const char* const kMediaServerHost;
// Path of the sites list on the media server.
extern const char* const kFallbackSitesPath;

// The product domain of an edition: Czech for slovakEdition 0, Slovak otherwise.
std::string ProductDomain(int32_t slovakEdition);

// Domains a master URL found in DNS may lead to: its host must be one of them or a name under
// one. By default the two product domains.
extern const char* const kAllowedMasterDomains[];
std::vector<std::string> AllowedMasterDomains();

// The deployment's own publisher keys (the Base64 lines of minisign public key files), ended by
// nullptr; empty in this repository. With one, every package list must be signed.
extern const char* const kPublisherKeys[];

// The fallback master URL, the same for both editions: "https://" + media server host +
// "/zefi/zefisetup/sites.txt".
std::string FallbackMasterUrl();

}  // namespace zefi
