// SPDX-License-Identifier: MIT
#include "backends/win32/WinInetHttp.h"

#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "base/TextCompare.h"

namespace quarnel::platform {

namespace {

// A request line needs an absolute path without blanks or control bytes;
// such bytes are escaped rather than sent raw, as the libcurl client does.
std::string RequestTarget(const std::string& objectName) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string target = objectName.empty() || objectName[0] != '/' ? "/" : "";
    for (unsigned char c : objectName) {
        if (c <= 0x20 || c >= 0x7F || c == '#') {
            target += '%';
            target += kHex[c >> 4];
            target += kHex[c & 0x0F];
        } else {
            target += static_cast<char>(c);
        }
    }
    return target;
}

bool HasNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

// nullptr for an empty text: WinINet's "none".
const char* OrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

DWORD Milliseconds(std::chrono::milliseconds time) {
    return static_cast<DWORD>(std::clamp<int64_t>(time.count(), 1, MAXDWORD - 1));
}

// A header of the reply as text, nullopt when it is absent; one too long to
// be a value the client reads comes back empty.
std::optional<std::string> ReplyHeader(void* request, DWORD query) {
    char text[128];
    DWORD size = sizeof text;
    DWORD index = 0;
    if (::HttpQueryInfoA(request, query, text, &size, &index))
        return std::string(text, std::min<DWORD>(size, sizeof text));
    if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER) return std::string();
    return std::nullopt;
}

// The reply's status line and header lines, each ended by CR LF.
std::string RawReplyHead(void* request) {
    std::string head(1024, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD size = static_cast<DWORD>(head.size());
        DWORD index = 0;
        if (::HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, head.data(), &size, &index)) {
            head.resize(std::min<size_t>(size, head.size()));
            return head;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        head.assign(size + 1, '\0');
    }
    return {};
}

// WinINet takes any bytes for an HTTP/0.9 reply, and makes up the status
// line "HTTP/1.0 200 OK" without a single header for it. What is not an
// HTTP/1.x reply with its headers is no reply: the greeting of a mail or
// SSH server, say, must not be read as the shop's answer.
bool IsHttp1Head(std::string_view head) {
    const size_t lineEnd = head.find("\r\n");
    if (lineEnd == std::string_view::npos) return false;
    const std::string_view statusLine = head.substr(0, lineEnd);
    if (!StartsWithIgnoreCase(statusLine, "HTTP/1.0 ") &&
        !StartsWithIgnoreCase(statusLine, "HTTP/1.1 ")) {
        return false;
    }
    const std::string_view headers = head.substr(lineEnd + 2);
    return headers.find_first_not_of("\r\n") != std::string_view::npos;
}

}  // namespace

WinInetHttp::WinInetHttp(HttpTimeouts timeouts, size_t bodyLimit)
    : timeouts_(timeouts), bodyLimit_(bodyLimit) {}

WinInetHttp::~WinInetHttp() {
    // Closing a session closes what was opened on it.
    while (!handles_.empty()) InternetCloseHandle(handles_.begin()->first);
}

WinInetHttp::Handle* WinInetHttp::Find(HINTERNET handle, Kind kind) {
    auto it = handles_.find(handle);
    return it == handles_.end() || it->second.kind != kind ? nullptr : &it->second;
}

HINTERNET WinInetHttp::Add(Kind kind, void* system, HINTERNET parent, bool head) {
    Handle handle;
    handle.kind = kind;
    handle.system = system;
    handle.parent = parent;
    handle.head = head;
    const HINTERNET number = nextHandle_++;
    handles_.emplace(number, handle);
    return number;
}

void WinInetHttp::SetTimeouts(void* system) {
    DWORD connect = Milliseconds(timeouts_.connect);
    DWORD noData = Milliseconds(timeouts_.noData);
    ::InternetSetOptionA(system, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    ::InternetSetOptionA(system, INTERNET_OPTION_SEND_TIMEOUT, &noData, sizeof noData);
    ::InternetSetOptionA(system, INTERNET_OPTION_RECEIVE_TIMEOUT, &noData, sizeof noData);
}

HINTERNET WinInetHttp::InternetOpenA(const std::string& agent, uint32_t accessType,
                                     const std::string& proxyName, const std::string& proxyBypass,
                                     uint32_t) {
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT &&
        accessType != INTERNET_OPEN_TYPE_PROXY) {
        return 0;
    }
    if (HasNul(agent) || HasNul(proxyName) || HasNul(proxyBypass)) return 0;
    const bool proxy = accessType == INTERNET_OPEN_TYPE_PROXY;
    // Blocking calls only: no asynchronous mode, whatever the caller's flags.
    void* session = ::InternetOpenA(agent.c_str(), accessType, proxy ? OrNull(proxyName) : nullptr,
                                    proxy ? OrNull(proxyBypass) : nullptr, 0);
    if (session == nullptr) return 0;
    SetTimeouts(session);
    return Add(Kind::Session, session, 0);
}

HINTERNET WinInetHttp::InternetConnectA(HINTERNET session, const std::string& serverName,
                                        uint16_t port, const std::string& userName,
                                        const std::string& password, uint32_t service, uint32_t,
                                        uintptr_t context) {
    const Handle* parent = Find(session, Kind::Session);
    if (parent == nullptr || service != INTERNET_SERVICE_HTTP) return 0;
    if (!IsServerName(serverName) || HasNul(userName) || HasNul(password)) return 0;
    // An IPv6 address goes in brackets, which the Host header needs too.
    std::string host = serverName;
    if (host.find(':') != std::string::npos && !host.starts_with('[')) host = "[" + host + "]";
    void* connection = ::InternetConnectA(
        parent->system, host.c_str(), port == 0 ? INTERNET_DEFAULT_HTTP_PORT : port,
        OrNull(userName), OrNull(password), INTERNET_SERVICE_HTTP, 0, context);
    if (connection == nullptr) return 0;
    SetTimeouts(connection);
    return Add(Kind::Connection, connection, session);
}

HINTERNET WinInetHttp::HttpOpenRequestA(HINTERNET connection, const std::string& verb,
                                        const std::string& objectName, const std::string& version,
                                        const std::string& referrer, uint32_t flags,
                                        uintptr_t context) {
    const Handle* parent = Find(connection, Kind::Connection);
    if (parent == nullptr) return 0;
    const std::string method = verb.empty() ? "GET" : verb;
    const bool tokenOnly = std::all_of(method.begin(), method.end(), [](unsigned char c) {
        return c > 0x20 && c < 0x7F && std::strchr("()<>@,;:\\\"/[]?={}", c) == nullptr;
    });
    if (!tokenOnly) return 0;
    if (!version.empty() && version != "HTTP/1.1" && version != "HTTP/1.0") return 0;
    if (referrer.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) return 0;
    // The reply comes from the server every time and is kept nowhere; like
    // the other systems' client, WinINet must neither follow redirects nor
    // keep cookies, nor ask the user anything.
    const DWORD systemFlags = (flags & (INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE)) |
                              INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                              INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    void* request =
        ::HttpOpenRequestA(parent->system, method.c_str(), RequestTarget(objectName).c_str(),
                           OrNull(version), OrNull(referrer), nullptr, systemFlags, context);
    if (request == nullptr) return 0;
    SetTimeouts(request);
    return Add(Kind::Request, request, connection, method == "HEAD");
}

bool WinInetHttp::HttpSendRequestA(HINTERNET requestHandle, std::string_view headers,
                                   std::string_view optional) {
    Handle* request = Find(requestHandle, Kind::Request);
    if (request == nullptr || request->sent) return false;
    request->sent = true;
    request->failed = true;  // until the reply's head has been read
    if (HasNul(headers) || optional.size() > std::numeric_limits<DWORD>::max()) return false;
    if (!::HttpSendRequestA(request->system, headers.empty() ? nullptr : headers.data(),
                            static_cast<DWORD>(headers.size()),
                            optional.empty() ? nullptr : const_cast<char*>(optional.data()),
                            static_cast<DWORD>(optional.size()))) {
        return false;
    }
    request->failed = !ReadReplyHead(*request);
    return !request->failed;
}

bool WinInetHttp::ReadReplyHead(Handle& request) {
    if (!IsHttp1Head(RawReplyHead(request.system))) return false;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoA(request.system, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                          &size, nullptr)) {
        return false;
    }
    request.bodyExpected = !request.head && status >= 200 && status != 204 && status != 304;
    // A chunked body's length is in its chunks, which WinINet reads.
    if (ReplyHeader(request.system, HTTP_QUERY_TRANSFER_ENCODING)) return true;
    const std::optional<std::string> length =
        ReplyHeader(request.system, HTTP_QUERY_CONTENT_LENGTH);
    if (length && !length->empty() && length->size() <= 18 &&
        std::all_of(length->begin(), length->end(), [](char c) { return c >= '0' && c <= '9'; })) {
        request.contentLength = std::stoull(*length);
    }
    return true;
}

bool WinInetHttp::EndOfBody(Handle& request) {
    if (request.bodyExpected && request.contentLength && request.received < *request.contentLength)
        return false;
    request.ended = true;
    return true;
}

bool WinInetHttp::InternetReadFile(HINTERNET requestHandle, void* buffer, uint32_t bytesToRead,
                                   uint32_t* bytesRead) {
    if (bytesRead != nullptr) *bytesRead = 0;
    Handle* request = Find(requestHandle, Kind::Request);
    if (request == nullptr || !request->sent || buffer == nullptr || bytesRead == nullptr)
        return false;
    if (request->failed) return false;
    if (request->ended) return true;
    DWORD got = 0;
    if (request->received == bodyLimit_) {
        // Anything past the cap makes the reply one cut short.
        char probe = 0;
        if (!::InternetReadFile(request->system, &probe, 1, &got) || got != 0) {
            request->failed = true;
            return false;
        }
    } else {
        const DWORD wanted =
            static_cast<DWORD>(std::min<size_t>(bytesToRead, bodyLimit_ - request->received));
        if (wanted == 0) return true;
        if (!::InternetReadFile(request->system, buffer, wanted, &got)) {
            request->failed = true;
            return false;
        }
    }
    if (got == 0) {
        request->failed = !EndOfBody(*request);
        return !request->failed;
    }
    request->received += got;
    *bytesRead = got;
    return true;
}

bool WinInetHttp::InternetCloseHandle(HINTERNET handle) {
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    // What was opened on the handle goes first, as WinINet would close it too.
    std::vector<HINTERNET> children;
    for (const auto& [number, child] : handles_)
        if (child.parent == handle) children.push_back(number);
    for (HINTERNET child : children) InternetCloseHandle(child);
    ::InternetCloseHandle(it->second.system);
    handles_.erase(it);
    return true;
}

std::shared_ptr<HttpApi> SystemHttpApi(HttpTimeouts timeouts) {
    return std::make_shared<WinInetHttp>(timeouts);
}

}  // namespace quarnel::platform
