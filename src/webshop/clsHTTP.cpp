// SPDX-License-Identifier: MIT
#include "webshop/clsHTTP.h"

#include <algorithm>

#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "base/TextCompare.h"
#include "base/TraceLog.h"
#include "webshop/ReplyText.h"

namespace quarnel {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

namespace {

constexpr const char* kAgent = "HTTP Client";
constexpr const char* kFormContentType = "Content-Type: application/x-www-form-urlencoded";
// How the trace shows a password.
constexpr const char* kHiddenPassword = "********";
constexpr uint32_t kReadSize = 1024;

bool IsKept(unsigned char b) {
    return (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
}

bool IsPasswordField(const std::string& name) {
    return EqualsIgnoreCase(name, "pass");
}

std::string Handle(platform::HINTERNET handle) {
    return TraceValue(static_cast<int32_t>(handle));
}

}  // namespace

clsHTTP::clsHTTP(std::shared_ptr<platform::HttpApi> api) : api_(std::move(api)) {
    if (!api_) RaiseError(ErrNo::InvalidProcedureCall);
    trace::Initializing("clsHTTP");
}

clsHTTP::~clsHTTP() {
    trace::Terminating("clsHTTP");
    if (connection_ != 0) api_->InternetCloseHandle(connection_);
    if (session_ != 0) api_->InternetCloseHandle(session_);
}

std::string clsHTTP::Fields(const std::string& name) {
    if (TraceEnabled(true)) trace::Detail("Property Get clsHTTPFields (Name = " + name + ")...");
    const int32_t index = GetFieldIndex(name, false);
    std::string value = index >= 0 ? fields_[static_cast<size_t>(index)].second : std::string();
    if (TraceEnabled(true)) {
        trace::Detail("Fields = " + (IsPasswordField(name) ? kHiddenPassword : value));
    }
    return value;
}

void clsHTTP::SetFields(const std::string& name, const std::string& value) {
    if (TraceEnabled(true)) {
        trace::PropertyLet(
            "clsHTTP.Fields",
            TraceArgs({{"Name", name},
                       {"Value", IsPasswordField(name) ? std::string(kHiddenPassword) : value}}));
    }
    const int32_t index = GetFieldIndex(name, true);
    fields_[static_cast<size_t>(index)].second = value;
}

void clsHTTP::ReserveFields(size_t count) {
    fields_.reserve(count);
    fieldIndex_.Reserve(count);
}

int32_t clsHTTP::GetFieldIndex(const std::string& name, bool add) {
    if (TraceEnabled(true)) {
        trace::Entering("clsHTTP.GetFieldIndex",
                        TraceArgs({{"Name", name}, {"Add", TraceValue(add)}}));
    }
    int32_t index = fieldIndex_.Find(fields_, name);
    if (index >= 0) return index;
    if (add) {
        if (fields_.size() >= static_cast<size_t>(INT32_MAX)) RaiseError(ErrNo::Overflow);
        index = static_cast<int32_t>(fields_.size());
        fields_.emplace_back(name, std::string());
        fieldIndex_.Added(fields_);
    }
    if (TraceEnabled(true)) trace::ExitingWith("clsHTTP.GetFieldIndex", TraceValue(index));
    return index;
}

namespace {

// Appends data URL-encoded from its Windows-1252 bytes.
void AppendURLEncoded(std::string& out, const std::string& data) {
    static const char* const kHex = "0123456789ABCDEF";
    for (unsigned char b : Utf8ToAnsi(data)) {
        if (IsKept(b)) {
            out += static_cast<char>(b);
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    }
}

}  // namespace

std::string clsHTTP::URLEncode(const std::string& data) {
    std::string encoded;
    encoded.reserve(data.size() * 3);
    AppendURLEncoded(encoded, data);
    return encoded;
}

std::string clsHTTP::FormString(bool hidePassword) const {
    size_t size = 0;
    for (const auto& [name, value] : fields_) size += name.size() + value.size() + 2;
    std::string form;
    form.reserve(size + size / 8);
    for (const auto& [name, value] : fields_) {
        if (!form.empty()) form += '&';
        AppendURLEncoded(form, name);
        form += '=';
        if (hidePassword && IsPasswordField(name)) {
            form += kHiddenPassword;
        } else {
            AppendURLEncoded(form, value);
        }
    }
    return form;
}

std::string clsHTTP::BuildRequest() {
    trace::Entering("clsHTTP.BuildRequest");
    std::string form = FormString(false);
    if (TraceEnabled(true)) trace::ExitingWith("clsHTTP.BuildRequest", FormString(true));
    return form;
}

bool clsHTTP::OpenHTTP(const std::string& server, int32_t port, const std::string& userName,
                       const std::string& password) {
    if (TraceEnabled(true)) {
        trace::Entering("clsHTTP.OpenHTTP",
                        TraceArgs({{"Server", server},
                                   {"Port", TraceValue(port)},
                                   {"UserName", userName},
                                   {"Password", password.empty() ? "" : kHiddenPassword}}));
    }
    if (port < 0 || port > 65535) RaiseError(ErrNo::Overflow);
    CloseHTTP();

    trace::CallingApi("InternetOpen");
    session_ = api_->InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, {}, {}, 0);
    trace::ApiResult("InternetOpen", Handle(session_));
    bool opened = false;
    if (session_ != 0) {
        trace::CallingApi("InternetConnect");
        const auto wirePort = static_cast<uint16_t>(port == 0 ? INTERNET_DEFAULT_HTTP_PORT : port);
        connection_ =
            api_->InternetConnectA(session_, Utf8ToAnsi(server), wirePort, Utf8ToAnsi(userName),
                                   Utf8ToAnsi(password), INTERNET_SERVICE_HTTP, 0, 0);
        trace::ApiResult("InternetConnect", Handle(connection_));
        if (connection_ == 0) {
            trace::Detail("Calling API InternetCloseHandle");
            api_->InternetCloseHandle(session_);
            session_ = 0;
        } else {
            opened = true;
        }
    }
    trace::ExitingWith("clsHTTP.OpenHTTP", TraceValue(opened));
    return opened;
}

std::string clsHTTP::SendRequest(const std::string& file, std::string& method,
                                 const std::string& referer, bool reload) {
    if (TraceEnabled(true)) {
        trace::Detail("Entering clsHTTP.SendReqeust (" +
                      TraceArgs({{"File", file},
                                 {"Method", method},
                                 {"Referer", referer},
                                 {"Reload", TraceValue(reload)}}) +
                      ")");
    }
    method = AsciiUpper(method);
    const std::string form = BuildRequest();
    std::string objectName = Utf8ToAnsi(file);
    std::string headers;
    std::string body;
    if (!form.empty()) {
        if (method == "POST") {
            headers = kFormContentType;
            body = form;
        } else {
            objectName += "?" + form;
        }
    }
    const uint32_t flags = reload ? INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE : 0;

    trace::CallingApi("HttpOpenRequest");
    const platform::HINTERNET request = api_->HttpOpenRequestA(
        connection_, Utf8ToAnsi(method), objectName, "HTTP/1.1", Utf8ToAnsi(referer), flags, 0);
    trace::ApiResult("HttpOpenRequest", Handle(request));

    std::string reply;
    replyCutShort_ = false;
    if (request != 0) {
        trace::Detail("Calling API HttpSendRequest");
        if (api_->HttpSendRequestA(request, headers, body)) {
            char buffer[kReadSize];
            for (;;) {
                trace::CallingApi("InternetReadFile");
                uint32_t bytesRead = 0;
                const bool ok = api_->InternetReadFile(request, buffer, kReadSize, &bytesRead);
                trace::ApiResult("InternetReadFile", TraceValue(ok));
                if (!ok) replyCutShort_ = true;
                if (!ok || bytesRead == 0) break;
                reply.append(buffer, std::min(bytesRead, kReadSize));
            }
        }
        trace::Detail("Calling API InternetCloseHandle (Request)");
        api_->InternetCloseHandle(request);
    }
    reply = AnsiToUtf8(reply);
    if (TraceEnabled(true)) trace::ExitingWith("clsHTTP.SendRequest", ShownReplyText(reply));
    return reply;
}

void clsHTTP::CloseHTTP() {
    trace::Entering("clsHTTP.CloseHTTP");
    if (connection_ != 0) {
        trace::Detail("Calling API InternetCloseHandle (Connection)");
        api_->InternetCloseHandle(connection_);
    }
    connection_ = 0;
    if (session_ != 0) {
        trace::Detail("Calling API InternetCloseHandle (HTTP)");
        api_->InternetCloseHandle(session_);
    }
    session_ = 0;
    trace::Exiting("clsHTTP.CloseHTTP");
}

}  // namespace quarnel
