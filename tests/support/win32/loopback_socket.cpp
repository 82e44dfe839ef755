// The test servers' socket calls over Winsock.
#include "support/loopback_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

namespace testsupport::loopback {

namespace {

constexpr int kPollMs = 100;

SOCKET Sock(Socket socket) { return static_cast<SOCKET>(socket); }

void StartWinsock() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    });
}

}  // namespace

Socket Listen(uint16_t* port) {
    StartWinsock();
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return kNoSocket;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 16) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::closesocket(s);
        return kNoSocket;
    }
    *port = ntohs(address.sin_port);
    return static_cast<Socket>(s);
}

Socket Accept(Socket listening) {
    SOCKET s = ::accept(Sock(listening), nullptr, nullptr);
    return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s);
}

bool WaitReadable(Socket socket, const std::atomic<bool>& stop) {
    while (!stop) {
        WSAPOLLFD p{Sock(socket), POLLRDNORM, 0};
        int n = ::WSAPoll(&p, 1, kPollMs);
        if (n > 0) return true;
        if (n < 0) return false;
    }
    return false;
}

long Receive(Socket socket, char* buffer, size_t size) {
    return ::recv(Sock(socket), buffer, static_cast<int>(size), 0);
}

bool SendAll(Socket socket, const char* data, size_t size) {
    while (size > 0) {
        int n = ::send(Sock(socket), data, static_cast<int>(size), 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void Shutdown(Socket socket) { ::shutdown(Sock(socket), SD_BOTH); }

void Close(Socket socket) { ::closesocket(Sock(socket)); }

}  // namespace testsupport::loopback
