// SPDX-License-Identifier: MIT
// The loopback server's socket calls on POSIX.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace quarnel::test {
namespace {

using Socket = int;
constexpr Socket kNoSocket = -1;

Socket BindLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{
        .sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::listen(fd, 8) != 0) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("cannot bind a loopback port");
    }
    port = ntohs(address.sin_port);
    return fd;
}

Socket Accept(Socket listener) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    return fd < 0 ? kNoSocket : fd;
}
long Receive(Socket s, char* data, size_t size) {
    return ::recv(s, data, size, 0);
}
long Send(Socket s, const char* data, size_t size) {
    return ::send(s, data, size, MSG_NOSIGNAL);
}
void Close(Socket s) {
    ::close(s);
}
void Hangup(Socket s) {
    ::shutdown(s, SHUT_RDWR);
}
// Closing a listener does not wake its accept; shutting it down does.
void StopListening(Socket listener) {
    ::shutdown(listener, SHUT_RDWR);
}
void CloseListener(Socket listener) {
    ::close(listener);
}

}  // namespace
}  // namespace quarnel::test

#include "LoopbackServerCommon.h"
