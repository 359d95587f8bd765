// SPDX-License-Identifier: MIT
// The HTTP client operations over libcurl's blocking interface. A request
// is carried out in HttpSendRequestA; its body is kept and handed out by
// InternetReadFile.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <variant>

#include "platform/HttpApi.h"

namespace quarnel::platform {

class CurlHttp : public HttpApi {
  public:
    static constexpr size_t kDefaultBodyLimit = kHttpReplyLimit;

    explicit CurlHttp(HttpTimeouts timeouts = {}, size_t bodyLimit = kDefaultBodyLimit);

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
    struct Session {
        std::string agent;
        uint32_t accessType = INTERNET_OPEN_TYPE_PRECONFIG;
        std::string proxyName;
        std::string proxyBypass;
    };
    struct Connection {
        HINTERNET session = 0;
        std::string origin;  // "http://host:port"
        std::string userName;
        std::string password;
    };
    struct Request {
        HINTERNET connection = 0;
        std::string verb;
        std::string target;
        bool http10 = false;
        std::string referrer;
        uint32_t flags = 0;
        bool sent = false;
        bool complete = false;  // the whole body arrived
        std::string body;
        size_t readPosition = 0;
    };
    using Handle = std::variant<Session, Connection, Request>;

    template <class T>
    T* Find(HINTERNET handle);
    HINTERNET Add(Handle handle);
    bool Perform(const Session& session, const Connection& connection, Request& request,
                 std::string_view headers, std::string_view body);

    HttpTimeouts timeouts_;
    size_t bodyLimit_;
    std::map<HINTERNET, Handle> handles_;
    HINTERNET nextHandle_ = 1;
};

}  // namespace quarnel::platform
