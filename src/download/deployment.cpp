// Deployment settings of the download servers.
#include "download/deployment.h"

namespace zefi {

const char* const kCzechProductDomain = "zefi.cz";
const char* const kSlovakProductDomain = "zefi.sk";
const char* const kMediaServerHost = "media.zefi.cz";
const char* const kFallbackSitesPath = "/zefi/zefisetup/sites.txt";

const char* const kPublisherKeys[] = {nullptr};

const char* const kAllowedMasterDomains[] = {kCzechProductDomain, kSlovakProductDomain, nullptr};

std::vector<std::string> AllowedMasterDomains() {
    std::vector<std::string> domains;
    for (const char* const* domain = kAllowedMasterDomains; *domain != nullptr; ++domain)
        domains.push_back(*domain);
    return domains;
}

std::string ProductDomain(int32_t slovakEdition) {
    return slovakEdition != 0 ? kSlovakProductDomain : kCzechProductDomain;
}

std::string FallbackMasterUrl() {
    return std::string("https://") + kMediaServerHost + kFallbackSitesPath;
}

}  // namespace zefi
