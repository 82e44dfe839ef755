// An HTTP/1.1 test server on 127.0.0.1 with replies scripted per path.
#include "support/http_server.h"

#include <cstring>

#include "support/loopback_socket.h"

namespace testsupport {

namespace {

using namespace loopback;

constexpr size_t kMaxHead = 64 * 1024;

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string Trim(const std::string& text) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    size_t e = text.find_last_not_of(" \t");
    return text.substr(b, e - b + 1);
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 206:
            return "Partial Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 407:
            return "Proxy Authentication Required";
        case 416:
            return "Range Not Satisfiable";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

// Parses "bytes=a-" or "bytes=a-b" against a body of size bytes; false when it is another form.
bool ParseRange(const std::string& value, uint64_t size, uint64_t* first, uint64_t* last) {
    std::string v = Trim(value);
    if (v.compare(0, 6, "bytes=") != 0) return false;
    std::string range = v.substr(6);
    size_t dash = range.find('-');
    if (dash == std::string::npos || dash == 0 || range.find(',') != std::string::npos)
        return false;
    std::string a = range.substr(0, dash), b = range.substr(dash + 1);
    if (a.find_first_not_of("0123456789") != std::string::npos) return false;
    if (b.find_first_not_of("0123456789") != std::string::npos) return false;
    *first = std::stoull(a);
    *last = b.empty() ? (size == 0 ? 0 : size - 1) : std::stoull(b);
    if (size > 0 && *last >= size) *last = size - 1;
    return true;
}

}  // namespace

std::string HttpRequest::Header(const std::string& name) const {
    std::string wanted = Lower(name);
    for (const auto& [key, value] : headers) {
        if (Lower(key) == wanted) return value;
    }
    return "";
}

bool HttpRequest::HasHeader(const std::string& name) const {
    std::string wanted = Lower(name);
    for (const auto& header : headers) {
        if (Lower(header.first) == wanted) return true;
    }
    return false;
}

HttpServer::HttpServer() {
    m_listen = Listen(&m_port);
    if (m_listen == kNoSocket) return;
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer() {
    m_stop = true;
    if (m_acceptor.joinable()) m_acceptor.join();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (Socket connection : m_connections) Shutdown(connection);
    }
    for (std::thread& worker : m_workers) worker.join();
    if (m_listen != kNoSocket) Close(m_listen);
}

std::string HttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void HttpServer::Set(const std::string& path, const HttpReply& reply) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_replies[path] = {reply};
}

void HttpServer::Script(const std::string& path, const std::vector<HttpReply>& replies) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_replies[path] = replies;
}

std::vector<HttpRequest> HttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
}

std::vector<HttpRequest> HttpServer::RequestsFor(const std::string& path) const {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<HttpRequest> out;
    for (const HttpRequest& request : m_requests) {
        if (request.path == path) out.push_back(request);
    }
    return out;
}

HttpReply HttpServer::NextReply(const std::string& path, bool* found) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_replies.find(path);
    *found = it != m_replies.end() && !it->second.empty();
    if (!*found) return HttpReply{};
    HttpReply reply = it->second.front();
    if (it->second.size() > 1) it->second.erase(it->second.begin());
    return reply;
}

void HttpServer::AcceptLoop() {
    while (WaitReadable(m_listen, m_stop)) {
        Socket connection = Accept(m_listen);
        if (connection == kNoSocket) continue;
        std::lock_guard<std::mutex> lock(m_lock);
        m_connections.push_back(connection);
        m_workers.emplace_back([this, connection] { Serve(connection); });
    }
}

void HttpServer::Serve(Socket connection) {
    std::string head;
    char buffer[8192];
    size_t end = std::string::npos;
    while (end == std::string::npos && head.size() < kMaxHead && WaitReadable(connection, m_stop)) {
        long n = Receive(connection, buffer, sizeof buffer);
        if (n <= 0) break;
        head.append(buffer, static_cast<size_t>(n));
        end = head.find("\r\n\r\n");
    }

    if (end != std::string::npos) {
        HttpRequest request;
        size_t lineEnd = head.find("\r\n");
        std::string first = head.substr(0, lineEnd);
        size_t s1 = first.find(' '), s2 = first.rfind(' ');
        if (s1 != std::string::npos && s2 > s1) {
            request.method = first.substr(0, s1);
            request.target = first.substr(s1 + 1, s2 - s1 - 1);
        }
        request.path = request.target;
        size_t scheme = request.path.find("://");
        if (scheme != std::string::npos) {
            size_t slash = request.path.find('/', scheme + 3);
            request.path = slash == std::string::npos ? "/" : request.path.substr(slash);
        }
        size_t at = lineEnd + 2;
        while (at < end) {
            size_t next = head.find("\r\n", at);
            std::string line = head.substr(at, next - at);
            size_t colon = line.find(':');
            if (colon != std::string::npos) {
                request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
            }
            at = next + 2;
        }
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_requests.push_back(request);
        }

        bool found = false;
        HttpReply reply = NextReply(request.path, &found);
        if (!found) {
            reply = HttpReply{};
            reply.status = 404;
            reply.body = "not found\n";
        }
        int status = reply.status;
        std::string body = reply.body;
        std::string extra;
        uint64_t rangeFirst = 0, rangeLast = 0;
        if (status == 200 && reply.honourRanges && request.HasHeader("Range") &&
            ParseRange(request.Header("Range"), reply.body.size(), &rangeFirst, &rangeLast)) {
            if (reply.rangeStartOverride >= 0) {
                rangeFirst = static_cast<uint64_t>(reply.rangeStartOverride);
                if (rangeFirst > reply.body.size()) rangeFirst = reply.body.size();
                rangeLast = reply.body.empty() ? 0 : reply.body.size() - 1;
            }
            if (rangeFirst >= reply.body.size()) {
                status = 416;
                body.clear();
                extra = "Content-Range: bytes */" + std::to_string(reply.body.size()) + "\r\n";
            } else {
                status = 206;
                body = reply.body.substr(rangeFirst, rangeLast - rangeFirst + 1);
                extra = "Content-Range: bytes " + std::to_string(rangeFirst) + "-" +
                        std::to_string(rangeLast) + "/" + std::to_string(reply.body.size()) +
                        "\r\n";
            }
        }
        std::string response = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
        if (reply.sendLength) response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        response += "Connection: close\r\n" + extra;
        for (const auto& [key, value] : reply.headers) response += key + ": " + value + "\r\n";
        response += "\r\n";
        size_t bodyBytes = body.size();
        if (reply.cutAfter >= 0 && static_cast<uint64_t>(reply.cutAfter) < bodyBytes) {
            bodyBytes = static_cast<size_t>(reply.cutAfter);
        }
        if (request.method != "HEAD") response.append(body, 0, bodyBytes);
        SendAll(connection, response.data(), response.size());
        if (reply.cutAfter >= 0 && reply.holdAfterCut) {
            // Held open until the client goes away or the server is destroyed.
            while (WaitReadable(connection, m_stop)) {
                if (Receive(connection, buffer, sizeof buffer) <= 0) break;
            }
        }
    }

    std::lock_guard<std::mutex> lock(m_lock);
    for (size_t i = 0; i < m_connections.size(); ++i) {
        if (m_connections[i] == connection) {
            m_connections.erase(m_connections.begin() + static_cast<long>(i));
            break;
        }
    }
    Close(connection);
}

}  // namespace testsupport
