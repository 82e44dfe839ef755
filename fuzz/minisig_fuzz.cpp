// Fuzz target: a ".minisig" file and its trusted comment, checked against a fixed package list
// and the publisher key that signed the seeds in fuzz/corpus/minisig; the input read as a list
// of publisher keys too.
#include <cstdint>
#include <string>
#include <vector>

#include "download/signature.h"
#include "fuzz_support.h"

namespace {

// The list the seeds sign, and the public key of the seeds' signer.
const char kList[] = "0123456789abcdef0123456789abcdef disk1.iso\n";
const char kKey[] = "RWSKsYDmcUM0QgsFFMN9V/X3MBIGTy0DmgpeaykM9P6v3O2wawZStOe4";

bool Printable(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<zefi::PublisherKey> keys = [] {
        std::vector<zefi::PublisherKey> parsed;
        if (zefi::ParsePublisherKeys(kKey, &parsed, nullptr) != 1) __builtin_trap();
        return parsed;
    }();
    const std::string text = fuzz::Text(data, size);

    zefi::Minisig minisig;
    std::string error;
    const bool parsed = zefi::ParseMinisig(text, &minisig, &error);
    if (parsed && (text.size() > zefi::kMaxMinisigSize || minisig.trustedComment.size() > 8192)) {
        __builtin_trap();
    }
    if (!parsed && (error.empty() || !Printable(error))) __builtin_trap();
    if (parsed) {
        zefi::TrustedFields fields;
        if (zefi::ParseTrustedComment(minisig.trustedComment, &fields, &error) &&
            !fields.expires.empty() && !zefi::IsCalendarDate(fields.expires)) {
            __builtin_trap();
        }
    }

    const std::string list(kList);
    const zefi::SignatureVerdict verdict =
        zefi::CheckPackageListSignature(list, &text, keys, 10, "2026-06-30");
    if (!Printable(verdict.reason)) __builtin_trap();
    if (verdict.check != zefi::SignatureCheck::kBad && !parsed) __builtin_trap();
    if (verdict.check == zefi::SignatureCheck::kOk && verdict.serial < 10) __builtin_trap();

    std::vector<zefi::PublisherKey> inputKeys;
    std::vector<std::string> rejected;
    const size_t added = zefi::ParsePublisherKeys(text, &inputKeys, &rejected);
    if (added != inputKeys.size()) __builtin_trap();
    for (const std::string& entry : rejected) {
        if (entry.empty() || entry.size() > 100 || !Printable(entry)) __builtin_trap();
    }
    return 0;
}
