// zefisetup-verify: checks a published download set from outside, as the program will see it,
// with the program's own download code, and installs nothing. Prints one line per finding on
// standard output (what was checked goes to standard error); exits 0 when there is none, 1 with
// findings, 2 when the sites list cannot be fetched or the program is called wrongly.
#include <cstdio>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "app/verify/set_verifier.h"
#include "download/signature.h"
#include "platform/fs.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: zefisetup-verify [--key <minisign public key, Base64>]... "
                 "<sites list address>\n");
    return zefi::kVerifyUnreachable;
}

// A fresh folder in the machine's temporary directory, removed again by the destructor (its
// files are deleted by the check as it goes).
class TempFolder {
  public:
    bool Create() {
        std::string temp;
        if (!platform::GetTempPath(&temp)) return false;
        if (!temp.empty() && temp.back() != '\\' && temp.back() != '/') temp += '\\';
        std::random_device random;
        for (int attempt = 0; attempt < 10; ++attempt) {
            const std::string path = temp + "zefisetup-verify-" + std::to_string(random());
            if (platform::CreateDirectory(path)) {
                m_path = path;
                return true;
            }
        }
        return false;
    }
    ~TempFolder() {
        if (!m_path.empty()) platform::RemoveDirectory(m_path);
    }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

}  // namespace

int main(int argc, char** argv) {
    try {
        zefi::VerifyRequest request;
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--key" && i + 1 < argc) {
                std::vector<std::string> rejected;
                zefi::ParsePublisherKeys(argv[++i], &request.keys, &rejected);
                for (const std::string& key : rejected)
                    std::fprintf(stderr, "zefisetup-verify: not a minisign public key: %s\n",
                                 key.c_str());
                if (!rejected.empty()) return zefi::kVerifyUnreachable;
            } else if (request.sitesUrl.empty() && !arg.empty() && arg[0] != '-') {
                request.sitesUrl = arg;
            } else {
                return Usage();
            }
        }
        if (request.sitesUrl.empty()) return Usage();

        TempFolder temp;
        if (!temp.Create()) {
            std::fprintf(stderr,
                         "zefisetup-verify: no folder for the downloads in the temporary "
                         "directory\n");
            return zefi::kVerifyUnreachable;
        }
        request.tempDir = temp.Path();
        int findings = 0;
        zefi::VerifyReport report;
        report.finding = [&findings](const std::string& text) {
            ++findings;
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
        };
        report.note = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
        const int status = zefi::VerifySet(request, report);
        std::fprintf(stderr, "zefisetup-verify: %d finding%s\n", findings,
                     findings == 1 ? "" : "s");
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zefisetup-verify: %s\n", e.what());
        return 12;
    }
}
