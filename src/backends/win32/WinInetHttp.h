// SPDX-License-Identifier: MIT
// The HTTP client operations over WinINet's blocking "A" functions. The
// seam's handle numbers stand for WinINet handles; on top of WinINet the
// client checks names before they reach it, caps the reply body and fails a
// read when the body was cut short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/HttpApi.h"

namespace quarnel::platform {

// A name WinINet may be handed as a server: a registered name without
// blanks, control bytes or the bytes that delimit and quote in URLs, or an
// IPv6 address, with or without brackets. WinINet itself takes any text,
// blanks and "/" included, and a NUL would end it early.
bool IsServerName(std::string_view name);

class WinInetHttp : public HttpApi {
  public:
    explicit WinInetHttp(HttpTimeouts timeouts = {}, size_t bodyLimit = kHttpReplyLimit);
    ~WinInetHttp() override;
    WinInetHttp(const WinInetHttp&) = delete;
    WinInetHttp& operator=(const WinInetHttp&) = delete;

    HINTERNET InternetOpenA(const std::string& agent, uint32_t accessType,
                            const std::string& proxyName, const std::string& proxyBypass,
                            uint32_t flags) override;
    HINTERNET InternetConnectA(HINTERNET session, const std::string& serverName, uint16_t port,
                               const std::string& userName, const std::string& password,
                               uint32_t service, uint32_t flags, uintptr_t context) override;
    HINTERNET HttpOpenRequestA(HINTERNET connection, const std::string& verb,
                               const std::string& objectName, const std::string& version,
                               const std::string& referrer, uint32_t flags,
                               uintptr_t context) override;
    bool HttpSendRequestA(HINTERNET request, std::string_view headers,
                          std::string_view optional) override;
    bool InternetReadFile(HINTERNET request, void* buffer, uint32_t bytesToRead,
                          uint32_t* bytesRead) override;
    bool InternetCloseHandle(HINTERNET handle) override;

  private:
    enum class Kind { Session, Connection, Request };
    // One WinINet handle (void* there) and, for a request, how its reply
    // is going.
    struct Handle {
        void* system = nullptr;
        Kind kind = Kind::Session;
        HINTERNET parent = 0;
        bool head = false;  // a HEAD request: its reply has no body
        bool sent = false;
        bool failed = false;  // a read failed: every later read fails too
        bool ended = false;
        bool bodyExpected = true;
        std::optional<uint64_t> contentLength;
        size_t received = 0;
    };

    Handle* Find(HINTERNET handle, Kind kind);
    HINTERNET Add(Kind kind, void* system, HINTERNET parent, bool head = false);
    void SetTimeouts(void* system);
    // Takes what the reply's headers say about its body.
    bool ReadReplyHead(Handle& request);
    // The end of the body has been read: whether it is the whole body.
    bool EndOfBody(Handle& request);

    HttpTimeouts timeouts_;
    size_t bodyLimit_;
    std::map<HINTERNET, Handle> handles_;
    HINTERNET nextHandle_ = 1;
};

}  // namespace quarnel::platform
