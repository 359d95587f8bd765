// SPDX-License-Identifier: MIT
// The loopback server's request handling, on any sockets: included by each
// platform's file after it has defined Socket, kNoSocket and the socket
// calls below, in an anonymous namespace of quarnel::test.
#pragma once

#include <mutex>
#include <thread>

#include "LoopbackServer.h"

namespace quarnel::test {
namespace {

// The request read from connection: its head and, by Content-Length, its body.
std::pair<std::string, std::string> ReadRequest(Socket connection) {
    std::string request;
    char chunk[65536];
    size_t end = std::string::npos;
    for (long count; (count = Receive(connection, chunk, sizeof chunk)) > 0;) {
        request.append(chunk, static_cast<size_t>(count));
        end = request.find("\r\n\r\n");
        const size_t length = request.find("\r\nContent-Length:");
        if (end != std::string::npos &&
            request.size() >=
                end + 4 + (length < end ? std::stoul(request.substr(length + 17)) : 0)) {
            break;
        }
    }
    if (end == std::string::npos) end = (request += "\r\n\r\n").find("\r\n\r\n");
    return {request.substr(0, end + 2), request.substr(end + 4)};
}

// Sends all of data, or as much as the client takes before it goes.
void SendAll(Socket connection, const std::string& data) {
    for (size_t sent = 0; sent < data.size();) {
        const long count = Send(connection, data.data() + sent, data.size() - sent);
        if (count <= 0) return;
        sent += static_cast<size_t>(count);
    }
}

}  // namespace

struct LoopbackServer::State {
    int port = 0;
    Socket listener = kNoSocket;
    mutable std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> requests;
    Socket connection = kNoSocket;  // the one being served
    bool stopping = false;
    std::thread thread;
};

LoopbackServer::LoopbackServer(std::string reply, bool keepOpen)
    : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.listener = BindLoopback(state.port);
    state.thread = std::thread([&state, reply = std::move(reply), keepOpen] {
        // Ends when the destructor stops the listener.
        for (Socket connection; (connection = Accept(state.listener)) != kNoSocket;) {
            {
                std::lock_guard lock(state.mutex);
                if (state.stopping) {
                    Close(connection);
                    break;
                }
                state.connection = connection;
            }
            auto request = ReadRequest(connection);
            {
                std::lock_guard lock(state.mutex);
                state.requests.push_back(std::move(request));
            }
            SendAll(connection, reply);
            char chunk[4096];
            while (keepOpen && Receive(connection, chunk, sizeof chunk) > 0) {
            }
            std::lock_guard lock(state.mutex);
            Close(connection);
            state.connection = kNoSocket;
        }
    });
}

LoopbackServer::~LoopbackServer() {
    {
        // A client that keeps its connection (WinINet may pool it) must not
        // keep the server thread waiting.
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        if (state_->connection != kNoSocket) Hangup(state_->connection);
        StopListening(state_->listener);
    }
    state_->thread.join();
    CloseListener(state_->listener);
}

int LoopbackServer::Port() const {
    return state_->port;
}

std::vector<std::pair<std::string, std::string>> LoopbackServer::Requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

int LoopbackServer::ClosedPort() {
    int port = 0;
    Close(BindLoopback(port));
    return port;
}

}  // namespace quarnel::test
