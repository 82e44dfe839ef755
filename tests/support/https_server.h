// HTTPS for tests: a throw-away certificate authority with a server certificate for 127.0.0.1
// made by the openssl command line, a file server over TLS on 127.0.0.1 (openssl s_server), and
// the temporary trust of such a CA by the system's certificate store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace testsupport {

// A new certificate authority and a certificate for 127.0.0.1 (subjectAltName IP:127.0.0.1)
// that it signs, in a temporary directory of their own that the destructor removes.
class TestCertificates {
  public:
    // Runs openssl to make the CA and the server certificate; see Ok() and Error().
    TestCertificates();
    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    // False when openssl is missing or one of its steps failed; Error() then holds why.
    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }

    // Host paths (PEM): the CA certificate, the server certificate and its private key.
    std::string CaFile() const { return m_dir + "/ca.crt"; }
    std::string CertFile() const { return m_dir + "/server.crt"; }
    std::string KeyFile() const { return m_dir + "/server.key"; }

  private:
    std::string m_dir;
    bool m_ok = false;
    std::string m_error;
};

// Serves the files below a host directory over HTTPS on 127.0.0.1 with `openssl s_server -WWW`,
// one connection after the other, with the given certificates. The server runs under
// `timeout 120`, so it ends by itself even when the test dies; the destructor stops it.
// s_server answers a missing file with status 200 and an error text, not with 404.
class HttpsFileServer {
  public:
    // What the files under the root are: the bodies of 200 answers, or whole answers (status
    // line, headers, an empty line and the body), for answers such as redirects.
    enum class Files { kBodies, kWholeAnswers };
    // Starts the server at a free port and waits until it accepts connections; see Ok().
    HttpsFileServer(const std::string& root, const TestCertificates& certificates,
                    Files files = Files::kBodies);
    // Stops the server and removes its output.
    ~HttpsFileServer();
    HttpsFileServer(const HttpsFileServer&) = delete;
    HttpsFileServer& operator=(const HttpsFileServer&) = delete;

    // False when the server did not come up; Error() then holds its output.
    bool Ok() const { return m_port != 0; }
    const std::string& Error() const { return m_error; }
    uint16_t Port() const { return m_port; }
    // "https://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path) const;
    // The files sent so far (paths relative to the root, as s_server reports them), in order.
    std::vector<std::string> ServedFiles() const;

  private:
    bool StartAt(uint16_t port, const std::string& root, const TestCertificates& certificates);

    ChildProcess m_process;
    std::string m_outputDir;  // temporary directory of m_output
    std::string m_output;     // host file with the server's output
    uint16_t m_port = 0;
    std::string m_error;
    Files m_files = Files::kBodies;
};

// Trust of a CA certificate by the system's store while the object lives: the certificate is
// copied to /usr/local/share/ca-certificates/zefisetup-test-<pid>.crt and update-ca-certificates
// rebuilds the store; the destructor removes the file and rebuilds the store again. The store
// is rebuilt without running its hooks (other consumers such as Java's keystore are left
// alone), and rebuilds by tests of several processes are serialised by a lock file.
class SystemTrustedCa {
  public:
    // Whether this process can change the system's store: it runs as root and
    // update-ca-certificates exists. When not, *why says what is missing.
    static bool Possible(std::string* why);

    // Adds caFile to the store (first removing what killed test processes left behind).
    explicit SystemTrustedCa(const std::string& caFile);
    // Removes the certificate and rebuilds the store; harmless when the constructor failed.
    ~SystemTrustedCa();
    SystemTrustedCa(const SystemTrustedCa&) = delete;
    SystemTrustedCa& operator=(const SystemTrustedCa&) = delete;

    // False when copying or rebuilding failed; Error() then holds why.
    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }
    // Host path of the certificate in the store's source directory.
    const std::string& InstalledFile() const { return m_installed; }

  private:
    std::string m_installed;
    std::string m_hooksDir;  // an empty directory passed as the hooks directory
    bool m_ok = false;
    std::string m_error;
};

}  // namespace testsupport
