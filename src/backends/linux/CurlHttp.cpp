// SPDX-License-Identifier: MIT
#include "backends/linux/CurlHttp.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "base/TextCompare.h"

namespace quarnel::platform {

namespace {

using Clock = std::chrono::steady_clock;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A request line needs an absolute path without blanks or control bytes;
// such bytes are escaped rather than sent raw.
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

// "http://host:port" when the server name is a valid host, "" otherwise.
std::string Origin(const std::string& serverName, uint16_t port) {
    if (serverName.empty() || serverName.find('\0') != std::string::npos) return {};
    std::string host = serverName;
    if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), curl_url_cleanup);
    if (!url) return {};
    const std::string portText = std::to_string(port == 0 ? INTERNET_DEFAULT_HTTP_PORT : port);
    if (curl_url_set(url.get(), CURLUPART_SCHEME, "http", 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_PORT, portText.c_str(), 0) != CURLUE_OK) {
        return {};
    }
    // Reject what the parser would read differently when given back as text.
    char* text = nullptr;
    if (curl_url_get(url.get(), CURLUPART_URL, &text, 0) != CURLUE_OK) return {};
    std::string origin = text;
    curl_free(text);
    if (origin.ends_with('/')) origin.pop_back();
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> check(curl_url(), curl_url_cleanup);
    if (!check ||
        curl_url_set(check.get(), CURLUPART_URL, (origin + "/").c_str(), 0) != CURLUE_OK) {
        return {};
    }
    return origin;
}

// What the callbacks of one transfer share.
struct Transfer {
    std::string* body = nullptr;
    size_t bodyLimit = 0;
    bool truncated = false;
    bool headersDone = false;
    bool connected = false;
    std::chrono::milliseconds noData{};
    Clock::time_point lastActivity = Clock::now();
    curl_off_t uploaded = 0;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    transfer->lastActivity = Clock::now();
    const size_t room = transfer->bodyLimit - transfer->body->size();
    if (bytes > room) {
        transfer->body->append(data, room);
        transfer->truncated = true;
        return room;  // less than offered: libcurl ends the transfer
    }
    transfer->body->append(data, bytes);
    return bytes;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    transfer->lastActivity = Clock::now();
    std::string_view line(data, bytes);
    if (StartsWithIgnoreCase(line, "HTTP/")) {
        // An interim 1xx reply is followed by the real one.
        transfer->headersDone = false;
        transfer->body->clear();
    } else if (line == "\r\n" || line == "\n") {
        transfer->headersDone = true;
    }
    return bytes;
}

int OnConnected(void* user, char*, char*, int, int) {
    auto* transfer = static_cast<Transfer*>(user);
    transfer->connected = true;
    transfer->lastActivity = Clock::now();
    return CURL_PREREQFUNC_OK;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* transfer = static_cast<Transfer*>(user);
    const Clock::time_point now = Clock::now();
    if (uploaded != transfer->uploaded) {
        transfer->uploaded = uploaded;
        transfer->lastActivity = now;
    }
    if (!transfer->connected) return 0;  // the connect time-out governs until then
    return now - transfer->lastActivity > transfer->noData ? 1 : 0;
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

void Append(Slist& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) throw std::bad_alloc();
    list.release();
    list.reset(grown);
}

// The caller's header lines, and only those: no Accept, no Expect, and no
// Content-Type that libcurl would otherwise add to every body.
Slist RequestHeaders(std::string_view headers, uint32_t flags) {
    Slist list;
    bool contentTypeGiven = false;
    size_t start = 0;
    while (start < headers.size()) {
        size_t end = headers.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = headers.size();
        const std::string line(headers.substr(start, end - start));
        if (!line.empty()) {
            contentTypeGiven = contentTypeGiven || StartsWithIgnoreCase(line, "Content-Type:");
            Append(list, line);
        }
        start = end + 1;
    }
    Append(list, "Accept:");
    Append(list, "Expect:");
    if (!contentTypeGiven) Append(list, "Content-Type:");
    if (flags & INTERNET_FLAG_RELOAD) {
        Append(list, "Cache-Control: no-cache");
        Append(list, "Pragma: no-cache");
    } else if (flags & INTERNET_FLAG_PRAGMA_NOCACHE) {
        Append(list, "Pragma: no-cache");
    }
    return list;
}

// body must outlive the transfer.
void SetMethod(CURL* h, const std::string& verb, std::string_view body) {
    if (verb == "HEAD") {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else if (verb == "GET" && body.empty()) {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    } else if (verb == "POST" || !body.empty()) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.empty() ? "" : body.data());
        if (verb != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
    } else {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
}

}  // namespace

CurlHttp::CurlHttp(HttpTimeouts timeouts, size_t bodyLimit)
    : timeouts_(timeouts), bodyLimit_(bodyLimit) {
    InitCurlOnce();
}

template <class T>
T* CurlHttp::Find(HINTERNET handle) {
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : std::get_if<T>(&it->second);
}

HINTERNET CurlHttp::Add(Handle handle) {
    const HINTERNET number = nextHandle_++;
    handles_.emplace(number, std::move(handle));
    return number;
}

HINTERNET CurlHttp::InternetOpenA(const std::string& agent, uint32_t accessType,
                                  const std::string& proxyName, const std::string& proxyBypass,
                                  uint32_t) {
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT &&
        accessType != INTERNET_OPEN_TYPE_PROXY) {
        return 0;
    }
    return Add(Session{agent, accessType, proxyName, proxyBypass});
}

HINTERNET CurlHttp::InternetConnectA(HINTERNET session, const std::string& serverName,
                                     uint16_t port, const std::string& userName,
                                     const std::string& password, uint32_t service, uint32_t,
                                     uintptr_t) {
    if (Find<Session>(session) == nullptr || service != INTERNET_SERVICE_HTTP) return 0;
    std::string origin = Origin(serverName, port);
    if (origin.empty()) return 0;
    return Add(Connection{session, std::move(origin), userName, password});
}

HINTERNET CurlHttp::HttpOpenRequestA(HINTERNET connection, const std::string& verb,
                                     const std::string& objectName, const std::string& version,
                                     const std::string& referrer, uint32_t flags, uintptr_t) {
    if (Find<Connection>(connection) == nullptr) return 0;
    const std::string method = verb.empty() ? "GET" : verb;
    const bool tokenOnly = std::all_of(method.begin(), method.end(), [](unsigned char c) {
        return c > 0x20 && c < 0x7F && std::strchr("()<>@,;:\\\"/[]?={}", c) == nullptr;
    });
    if (!tokenOnly) return 0;
    if (!version.empty() && version != "HTTP/1.1" && version != "HTTP/1.0") return 0;
    if (referrer.find_first_of("\r\n") != std::string::npos) return 0;
    Request request;
    request.connection = connection;
    request.verb = method;
    request.target = RequestTarget(objectName);
    request.http10 = version == "HTTP/1.0";
    request.referrer = referrer;
    request.flags = flags;
    return Add(std::move(request));
}

bool CurlHttp::HttpSendRequestA(HINTERNET requestHandle, std::string_view headers,
                                std::string_view optional) {
    Request* request = Find<Request>(requestHandle);
    if (request == nullptr || request->sent) return false;
    const Connection* connection = Find<Connection>(request->connection);
    if (connection == nullptr) return false;
    const Session* session = Find<Session>(connection->session);
    if (session == nullptr) return false;
    return Perform(*session, *connection, *request, headers, optional);
}

bool CurlHttp::Perform(const Session& session, const Connection& connection, Request& request,
                       std::string_view headers, std::string_view body) {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return false;
    CURL* h = curl.get();

    const std::string url = connection.origin + request.target;
    Transfer transfer;
    transfer.body = &request.body;
    transfer.bodyLimit = bodyLimit_;
    transfer.noData = timeouts_.noData;

    const Slist headerList = RequestHeaders(headers, request.flags);

    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION,
                     request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());
    if (!session.agent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, session.agent.c_str());
    if (!request.referrer.empty()) curl_easy_setopt(h, CURLOPT_REFERER, request.referrer.c_str());
    // Pre-configured: libcurl reads http_proxy and no_proxy from the environment.
    if (session.accessType == INTERNET_OPEN_TYPE_DIRECT) {
        curl_easy_setopt(h, CURLOPT_PROXY, "");
    } else if (session.accessType == INTERNET_OPEN_TYPE_PROXY) {
        curl_easy_setopt(h, CURLOPT_PROXY, session.proxyName.c_str());
        curl_easy_setopt(h, CURLOPT_NOPROXY, session.proxyBypass.c_str());
    }
    if (!connection.userName.empty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, connection.userName.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, connection.password.c_str());
        curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }

    SetMethod(h, request.verb, body);

    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
    // Without the connected signal (an older libcurl) the no-data clock
    // starts at once.
    if (curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, OnConnected) != CURLE_OK) {
        transfer.connected = true;
    }
    curl_easy_setopt(h, CURLOPT_PREREQDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::max<int64_t>(1, timeouts_.connect.count())));

    request.body.clear();
    const CURLcode result = curl_easy_perform(h);
    request.sent = true;
    request.complete = result == CURLE_OK && !transfer.truncated;
    if (!transfer.headersDone) {
        request.body.clear();
        return false;
    }
    return true;
}

bool CurlHttp::InternetReadFile(HINTERNET requestHandle, void* buffer, uint32_t bytesToRead,
                                uint32_t* bytesRead) {
    if (bytesRead != nullptr) *bytesRead = 0;
    Request* request = Find<Request>(requestHandle);
    if (request == nullptr || !request->sent || buffer == nullptr || bytesRead == nullptr) {
        return false;
    }
    const size_t left = request->body.size() - request->readPosition;
    if (left == 0) return request->complete;  // a body cut short ends in a failed read
    const size_t count = std::min<size_t>(left, bytesToRead);
    std::memcpy(buffer, request->body.data() + request->readPosition, count);
    request->readPosition += count;
    *bytesRead = static_cast<uint32_t>(count);
    return true;
}

bool CurlHttp::InternetCloseHandle(HINTERNET handle) {
    return handles_.erase(handle) == 1;
}

std::shared_ptr<HttpApi> SystemHttpApi(HttpTimeouts timeouts) {
    return std::make_shared<CurlHttp>(timeouts);
}

}  // namespace quarnel::platform
