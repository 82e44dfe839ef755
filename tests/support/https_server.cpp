// HTTPS for tests: throw-away certificates, an openssl s_server file server on 127.0.0.1, and
// temporary trust of a CA by the system's certificate store.
#include "support/https_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "support/files.h"

namespace testsupport {

namespace {

namespace fs = std::filesystem;

constexpr int kServerLimitSeconds = 120;
constexpr int kStartWaitMs = 10000;
constexpr int kStartAttempts = 3;
constexpr const char* kStoreDir = "/usr/local/share/ca-certificates";
constexpr const char* kStoreFilePrefix = "zefisetup-test-";
constexpr const char* kStoreLock = "/tmp/zefisetup-test-ca.lock";

// Runs argv (argv[0] looked up in PATH) with stdin from /dev/null and waits for it. Returns its
// exit status, -1 when it could not run or was killed; *output gets its stdout and stderr.
int Run(const std::vector<std::string>& argv, std::string* output) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    std::vector<std::string> copy = argv;
    std::vector<char*> args;
    for (std::string& a : copy) args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return -1;
    }
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        int in = ::open("/dev/null", O_RDONLY);
        if (in >= 0) ::dup2(in, 0);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (output != nullptr) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string MakeTempDir(const std::string& name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ =
        std::string((tmp != nullptr && *tmp != '\0') ? tmp : "/tmp") + "/" + name + ".XXXXXX";
    std::vector<char> buffer(templ.begin(), templ.end());
    buffer.push_back('\0');
    return ::mkdtemp(buffer.data()) != nullptr ? std::string(buffer.data()) : std::string();
}

// Rebuilds the system's store, one process at a time: update-ca-certificates writes its new
// bundle to one fixed temporary name, so two runs at once could leave a broken bundle. A plain
// rebuild leaves the links of a removed certificate in /etc/ssl/certs behind (dangling, but
// still there); a fresh one makes every link again from the certificates that remain.
bool RebuildStore(const std::string& hooksDir, bool fresh, std::string* output) {
    int lock = ::open(kStoreLock, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock >= 0) {
        while (::flock(lock, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    std::vector<std::string> argv = {FindProgram("update-ca-certificates"), "--hooksdir", hooksDir};
    if (fresh) argv.push_back("--fresh");
    int status = Run(argv, output);
    if (lock >= 0) ::close(lock);
    return status == 0;
}

// Removes the certificates that test processes which no longer run left in the store (killed
// before they could clean up). True when something was removed.
bool RemoveStaleCertificates() {
    bool removed = false;
    std::error_code ec;
    const std::string prefix = kStoreFilePrefix;
    for (auto it = fs::directory_iterator(kStoreDir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) != 0 || it->path().extension() != ".crt") continue;
        std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        pid_t pid = static_cast<pid_t>(std::stol(digits));
        if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        removed |= fs::remove(it->path(), ignored);
    }
    return removed;
}

}  // namespace

TestCertificates::TestCertificates() {
    m_dir = MakeTempDir("zefitls");
    if (m_dir.empty()) {
        m_error = "cannot create a temporary directory";
        return;
    }
    std::string openssl = FindProgram("openssl");
    if (openssl.empty()) {
        m_error = "openssl is not installed";
        return;
    }
    {
        std::ofstream ext(m_dir + "/server.ext");
        ext << "subjectAltName=IP:127.0.0.1\n"
               "basicConstraints=critical,CA:FALSE\n"
               "keyUsage=critical,digitalSignature,keyEncipherment\n"
               "extendedKeyUsage=serverAuth\n";
    }
    const std::vector<std::string> ecKey = {"-newkey", "ec", "-pkeyopt",
                                            "ec_paramgen_curve:prime256v1", "-nodes"};
    std::vector<std::vector<std::string>> steps;
    std::vector<std::string> ca = {openssl, "req", "-x509"};
    ca.insert(ca.end(), ecKey.begin(), ecKey.end());
    ca.insert(ca.end(), {"-keyout", m_dir + "/ca.key", "-out", CaFile(), "-days", "2", "-subj",
                         "/CN=zefisetup test CA " + std::to_string(::getpid()), "-addext",
                         "basicConstraints=critical,CA:TRUE", "-addext",
                         "keyUsage=critical,keyCertSign,cRLSign"});
    steps.push_back(ca);
    std::vector<std::string> request = {openssl, "req", "-new"};
    request.insert(request.end(), ecKey.begin(), ecKey.end());
    request.insert(request.end(),
                   {"-keyout", KeyFile(), "-out", m_dir + "/server.csr", "-subj", "/CN=127.0.0.1"});
    steps.push_back(request);
    steps.push_back({openssl, "x509", "-req", "-in", m_dir + "/server.csr", "-CA", CaFile(),
                     "-CAkey", m_dir + "/ca.key", "-CAcreateserial", "-out", CertFile(), "-days",
                     "2", "-extfile", m_dir + "/server.ext"});
    for (const std::vector<std::string>& step : steps) {
        std::string output;
        if (Run(step, &output) != 0) {
            m_error = "openssl " + step[1] + " failed: " + output;
            return;
        }
    }
    m_ok = true;
}

TestCertificates::~TestCertificates() {
    if (m_dir.empty()) return;
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
}

HttpsFileServer::HttpsFileServer(const std::string& root, const TestCertificates& certificates,
                                 Files files)
    : m_files(files) {
    if (!certificates.Ok()) {
        m_error = "no certificates: " + certificates.Error();
        return;
    }
    m_outputDir = MakeTempDir("zefihttps");
    if (m_outputDir.empty()) {
        m_error = "cannot create a temporary directory";
        return;
    }
    m_output = m_outputDir + "/s_server.out";
    // Another process may take the free port before s_server binds it; then try another one.
    for (int attempt = 0; attempt < kStartAttempts && m_port == 0; ++attempt) {
        uint16_t port = FreeLoopbackPort();
        if (port != 0 && StartAt(port, root, certificates)) m_port = port;
    }
}

bool HttpsFileServer::StartAt(uint16_t port, const std::string& root,
                              const TestCertificates& certificates) {
    // s_server -WWW serves paths relative to its working directory, so a shell enters the root
    // first and then becomes the server.
    std::vector<std::string> argv = {"sh",
                                     "-c",
                                     "cd \"$1\" && shift && exec \"$@\"",
                                     "sh",
                                     root,
                                     "openssl",
                                     "s_server",
                                     m_files == Files::kBodies ? "-WWW" : "-HTTP",
                                     "-accept",
                                     "127.0.0.1:" + std::to_string(port),
                                     "-cert",
                                     certificates.CertFile(),
                                     "-key",
                                     certificates.KeyFile()};
    if (!m_process.Start(argv, kServerLimitSeconds, m_output)) {
        m_error = "cannot start openssl s_server";
        return false;
    }
    // s_server prints ACCEPT once it listens; waiting for that line (rather than connecting)
    // keeps stray connections out of its log.
    for (int waited = 0; waited < kStartWaitMs; waited += 50) {
        std::string output = ReadFile(m_output);
        if (output.find("ACCEPT") != std::string::npos) return true;
        if (output.find("error") != std::string::npos) break;
        ::usleep(50 * 1000);
    }
    m_error = "openssl s_server did not start: " + ReadFile(m_output);
    m_process.Stop();
    return false;
}

HttpsFileServer::~HttpsFileServer() {
    m_process.Stop();
    if (m_outputDir.empty()) return;
    std::error_code ignored;
    fs::remove_all(m_outputDir, ignored);
}

std::string HttpsFileServer::Url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> HttpsFileServer::ServedFiles() const {
    std::vector<std::string> files;
    std::string output = ReadFile(m_output);
    const std::string mark = "FILE:";
    for (size_t at = output.find(mark); at != std::string::npos; at = output.find(mark, at)) {
        at += mark.size();
        // s_server ends these lines with a newline, but its other output may follow at once.
        size_t end = output.find_first_of("\r\n", at);
        std::string name = output.substr(at, end == std::string::npos ? end : end - at);
        files.push_back(name);
    }
    return files;
}

bool SystemTrustedCa::Possible(std::string* why) {
    if (::geteuid() != 0) {
        *why = "changing the system's certificate store needs root";
        return false;
    }
    if (FindProgram("update-ca-certificates").empty()) {
        *why = "update-ca-certificates is not installed";
        return false;
    }
    if (!fs::is_directory(kStoreDir)) {
        *why = std::string(kStoreDir) + " does not exist";
        return false;
    }
    return true;
}

SystemTrustedCa::SystemTrustedCa(const std::string& caFile) {
    m_hooksDir = MakeTempDir("zefinohooks");
    if (m_hooksDir.empty()) {
        m_error = "cannot create a temporary directory";
        return;
    }
    bool staleRemoved = RemoveStaleCertificates();
    m_installed =
        std::string(kStoreDir) + "/" + kStoreFilePrefix + std::to_string(::getpid()) + ".crt";
    std::error_code ec;
    fs::copy_file(caFile, m_installed, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        m_error = "cannot copy " + caFile + " to " + m_installed + ": " + ec.message();
        m_installed.clear();
        return;
    }
    fs::permissions(m_installed, fs::perms(0644), ec);
    std::string output;
    if (!RebuildStore(m_hooksDir, staleRemoved, &output)) {
        m_error = "update-ca-certificates failed: " + output;
        return;
    }
    m_ok = true;
}

SystemTrustedCa::~SystemTrustedCa() {
    std::error_code ignored;
    if (!m_installed.empty()) {
        fs::remove(m_installed, ignored);
        // Rebuilt even when adding failed half-way, so that no trace of the CA stays behind.
        RebuildStore(m_hooksDir, true, nullptr);
    }
    if (!m_hooksDir.empty()) fs::remove_all(m_hooksDir, ignored);
}

}  // namespace testsupport
