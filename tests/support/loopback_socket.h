// The few TCP socket calls of the test servers, on 127.0.0.1 only, over the system's sockets
// (POSIX sockets in loopback_socket_posix.cpp, Winsock in win32/loopback_socket.cpp).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace testsupport::loopback {

using Socket = intptr_t;
constexpr Socket kNoSocket = -1;

// A listening socket on 127.0.0.1 at a port the system picks (in *port); kNoSocket on failure.
Socket Listen(uint16_t* port);
// The next connection of a listening socket; kNoSocket on failure.
Socket Accept(Socket listening);
// Waits until the socket can be read; false when stop is set first or the socket fails.
bool WaitReadable(Socket socket, const std::atomic<bool>& stop);
// recv: the bytes read, 0 at the end of the stream, negative on failure.
long Receive(Socket socket, char* buffer, size_t size);
bool SendAll(Socket socket, const char* data, size_t size);
// Ends both directions, so that a thread blocked on the socket returns.
void Shutdown(Socket socket);
void Close(Socket socket);

}  // namespace testsupport::loopback
