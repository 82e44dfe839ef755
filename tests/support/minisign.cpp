// Publisher keys and signatures made with the minisign tool.
#include "support/minisign.h"

#include <fstream>
#include <sstream>

#include "support/run_command.h"

namespace testsupport {

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

bool MinisignAvailable(std::string* why) {
    int status = 0;
    RunCommand("command -v minisign >/dev/null 2>&1", &status);
    if (status == 0) return true;
    if (why != nullptr) *why = "the minisign tool is not installed (Debian package minisign)";
    return false;
}

MinisignKey MakeMinisignKey(const std::string& dir, const std::string& name) {
    MinisignKey key;
    const std::string pub = dir + "/" + name + ".pub";
    key.secretPath = dir + "/" + name + ".key";
    int status = 0;
    const std::string out = RunCommand("minisign -G -f -W -p " + Quoted(pub) + " -s " +
                                           Quoted(key.secretPath) + " </dev/null 2>&1",
                                       &status);
    const std::string text = ReadText(pub);
    static const char kComment[] = "untrusted comment: minisign public key ";
    const size_t lineEnd = text.find('\n');
    if (status != 0 || text.compare(0, sizeof kComment - 1, kComment) != 0 ||
        lineEnd == std::string::npos) {
        key.error = "minisign -G failed: " + out;
        return key;
    }
    key.keyId = text.substr(sizeof kComment - 1, lineEnd - (sizeof kComment - 1));
    key.publicLine = text.substr(lineEnd + 1);
    while (!key.publicLine.empty() &&
           (key.publicLine.back() == '\n' || key.publicLine.back() == '\r'))
        key.publicLine.pop_back();
    return key;
}

bool MinisignSign(const MinisignKey& key, const std::string& path, const std::string& trusted,
                  bool legacy, std::string* error) {
    int status = 0;
    const std::string out = RunCommand(
        std::string("minisign -S ") + (legacy ? "-l " : "") + "-s " + Quoted(key.secretPath) +
            " -m " + Quoted(path) + " -x " + Quoted(path + ".minisig") +
            (trusted.empty() ? "" : " -t " + Quoted(trusted)) + " </dev/null 2>&1",
        &status);
    if (status == 0) return true;
    if (error != nullptr) *error = "minisign -S failed: " + out;
    return false;
}

}  // namespace testsupport
