// An HTTP/1.1 test server on 127.0.0.1: replies scripted per path (status, body, byte ranges
// honoured or ignored, a body cut after N bytes), every request recorded with its headers.
// It stops by itself when destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/loopback_socket.h"

namespace testsupport {

// What the server answers to one request of a path.
struct HttpReply {
    int status = 200;
    std::string body;
    // Answer "Range: bytes=a-" and "bytes=a-b" with 206, Content-Range and that part of the
    // body (416 when a lies past the end); when false the header is ignored (200, whole body).
    bool honourRanges = true;
    // When >= 0: after the headers (which announce the whole length) only this many body
    // bytes are sent, then the connection is closed, so the client sees a partial transfer.
    int64_t cutAfter = -1;
    // With cutAfter: keep the connection open after the cut, sending nothing more, until the
    // client gives up or the server is destroyed (for tests that cancel a stalled transfer).
    bool holdAfterCut = false;
    // Further response headers, e.g. {"Location", "/other"} with status 302.
    std::vector<std::pair<std::string, std::string>> headers = {};
    // When >= 0 (and honourRanges): a range request is answered with 206 and the body from this
    // byte on, with a Content-Range that says so, whatever the request asked for (a server that
    // gets ranges wrong).
    int64_t rangeStartOverride = -1;
    // When false no Content-Length is sent: the body ends when the connection closes.
    bool sendLength = true;
};

// One request as received.
struct HttpRequest {
    std::string method;  // "GET", "HEAD", ...
    std::string target;  // as sent: "/a/b" or, through a proxy, "http://host:port/a/b"
    std::string path;    // target without scheme and authority: "/a/b"
    std::vector<std::pair<std::string, std::string>> headers = {};  // in order, as sent

    // The value of the first header named name (case-insensitive), "" when there is none.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

class HttpServer {
  public:
    // Listens on 127.0.0.1 at a port the system picks and serves on a thread of its own; every
    // connection gets a thread and one request (the reply says "Connection: close").
    HttpServer();
    // Stops accepting, closes every connection (also held ones) and joins the threads.
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // False when the socket could not be set up; every other call is then harmless.
    bool Ok() const { return m_listen != loopback::kNoSocket; }
    uint16_t Port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path) const;

    // The reply for every request of path (the path part of the target, query included).
    // Replaces whatever was scripted for it. Unscripted paths get 404.
    void Set(const std::string& path, const HttpReply& reply);
    // Replies for the next requests of path, one each, in order; the last one then stays.
    void Script(const std::string& path, const std::vector<HttpReply>& replies);

    // Every request received so far, in arrival order, and those of one path.
    std::vector<HttpRequest> Requests() const;
    std::vector<HttpRequest> RequestsFor(const std::string& path) const;

  private:
    void AcceptLoop();
    void Serve(loopback::Socket connection);
    HttpReply NextReply(const std::string& path, bool* found);

    loopback::Socket m_listen = loopback::kNoSocket;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    std::map<std::string, std::vector<HttpReply>> m_replies;
    std::vector<HttpRequest> m_requests;
    std::vector<loopback::Socket> m_connections;  // open connections, closed on destruction
    std::vector<std::thread> m_workers;
    std::thread m_acceptor;
};

}  // namespace testsupport
