// SPDX-License-Identifier: MIT
// The loopback server's socket calls on Winsock.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace quarnel::test {
namespace {

using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;

Socket BindLoopback(int& port) {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("no Winsock");
    });
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (socket == INVALID_SOCKET ||
        ::bind(socket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::listen(socket, 8) != 0) {
        if (socket != INVALID_SOCKET) ::closesocket(socket);
        throw std::runtime_error("cannot bind a loopback port");
    }
    port = ntohs(address.sin_port);
    return socket;
}

Socket Accept(Socket listener) {
    return ::accept(listener, nullptr, nullptr);
}
long Receive(Socket s, char* data, size_t size) {
    return ::recv(s, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
}
long Send(Socket s, const char* data, size_t size) {
    return ::send(s, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
}
void Close(Socket s) {
    ::closesocket(s);
}
void Hangup(Socket s) {
    ::shutdown(s, SD_BOTH);
}
// Closing the listener wakes its accept.
void StopListening(Socket listener) {
    ::closesocket(listener);
}
void CloseListener(Socket) {}

}  // namespace
}  // namespace quarnel::test

#include "LoopbackServerCommon.h"
