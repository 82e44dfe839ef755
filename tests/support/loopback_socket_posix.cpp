// The test servers' socket calls over POSIX sockets.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "support/loopback_socket.h"

namespace testsupport::loopback {

namespace {

constexpr int kPollMs = 100;

int Fd(Socket socket) { return static_cast<int>(socket); }

}  // namespace

Socket Listen(uint16_t* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoSocket;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return kNoSocket;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

Socket Accept(Socket listening) {
    int fd = ::accept4(Fd(listening), nullptr, nullptr, SOCK_CLOEXEC);
    return fd < 0 ? kNoSocket : fd;
}

bool WaitReadable(Socket socket, const std::atomic<bool>& stop) {
    while (!stop) {
        pollfd p{Fd(socket), POLLIN, 0};
        int n = ::poll(&p, 1, kPollMs);
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) return false;
    }
    return false;
}

long Receive(Socket socket, char* buffer, size_t size) {
    return static_cast<long>(::recv(Fd(socket), buffer, size, 0));
}

bool SendAll(Socket socket, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(Fd(socket), data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void Shutdown(Socket socket) { ::shutdown(Fd(socket), SHUT_RDWR); }

void Close(Socket socket) { ::close(Fd(socket)); }

}  // namespace testsupport::loopback
