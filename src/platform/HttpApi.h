// SPDX-License-Identifier: MIT
// The HTTP client operations the program uses, with the arguments and
// results of the Windows internet API's "A" functions: handles are non-zero
// numbers, 0 is a failure. Strings are Windows-1252 bytes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Windows.h"

namespace quarnel::platform {

using HINTERNET = int32_t;

#ifndef INTERNET_OPEN_TYPE_PRECONFIG
inline constexpr uint32_t INTERNET_OPEN_TYPE_PRECONFIG = 0;
#endif
#ifndef INTERNET_OPEN_TYPE_DIRECT
inline constexpr uint32_t INTERNET_OPEN_TYPE_DIRECT = 1;
#endif
#ifndef INTERNET_OPEN_TYPE_PROXY
inline constexpr uint32_t INTERNET_OPEN_TYPE_PROXY = 3;
#endif

#ifndef INTERNET_SERVICE_HTTP
inline constexpr uint32_t INTERNET_SERVICE_HTTP = 3;
#endif
#ifndef INTERNET_DEFAULT_HTTP_PORT
inline constexpr uint16_t INTERNET_DEFAULT_HTTP_PORT = 80;
#endif

#ifndef INTERNET_FLAG_RELOAD
inline constexpr uint32_t INTERNET_FLAG_RELOAD = 0x80000000u;
#endif
#ifndef INTERNET_FLAG_PRAGMA_NOCACHE
inline constexpr uint32_t INTERNET_FLAG_PRAGMA_NOCACHE = 0x00000100u;
#endif

class HttpApi {
  public:
    virtual ~HttpApi() = default;

    // A session. With PRECONFIG the proxy comes from the user's settings, with
    // DIRECT none is used, with PROXY proxyName and proxyBypass apply.
    virtual HINTERNET InternetOpenA(const std::string& agent, uint32_t accessType,
                                    const std::string& proxyName, const std::string& proxyBypass,
                                    uint32_t flags) = 0;
    // A connection to one server; nothing is sent yet. Port 0 is the default.
    virtual HINTERNET InternetConnectA(HINTERNET session, const std::string& serverName,
                                       uint16_t port, const std::string& userName,
                                       const std::string& password, uint32_t service,
                                       uint32_t flags, uintptr_t context) = 0;
    // A request for objectName (path and query) on the connection.
    virtual HINTERNET HttpOpenRequestA(HINTERNET connection, const std::string& verb,
                                       const std::string& objectName, const std::string& version,
                                       const std::string& referrer, uint32_t flags,
                                       uintptr_t context) = 0;
    // Sends the request with the additional headers (lines separated by CR LF)
    // and the body; true once the response headers have arrived.
    virtual bool HttpSendRequestA(HINTERNET request, std::string_view headers,
                                  std::string_view optional) = 0;
    // Reads the next piece of the response body; 0 bytes read with a true
    // result is the end of the body. A body cut short ends in a failed read
    // instead: fewer bytes than its Content-Length, a chunked body without
    // its last chunk, a stall longer than the no-data time-out, or more than
    // kHttpReplyLimit bytes (those are handed out, the read after them fails).
    virtual bool InternetReadFile(HINTERNET request, void* buffer, uint32_t bytesToRead,
                                  uint32_t* bytesRead) = 0;
    virtual bool InternetCloseHandle(HINTERNET handle) = 0;
};

// The most of a reply body a client hands out. The shop answers with a few
// bytes; a runaway server must not fill memory.
inline constexpr size_t kHttpReplyLimit = 1024 * 1024;

// How long the system client waits before it gives up.
struct HttpTimeouts {
    std::chrono::milliseconds connect{60000};
    // Between two pieces of data, sent or received, once connected.
    std::chrono::milliseconds noData{30000};
};

// The system's HTTP client.
std::shared_ptr<HttpApi> SystemHttpApi(HttpTimeouts timeouts = {});

// True when url parses as an absolute URL with a scheme, any scheme; no
// server is contacted.
bool IsWellFormedUrl(const std::string& url);

}  // namespace quarnel::platform
