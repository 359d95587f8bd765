// SPDX-License-Identifier: MIT
// A small client for HTML-form requests over plain HTTP: named form fields,
// one connection to a server, and requests whose reply body comes back as
// text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/HttpApi.h"
#include "webshop/FieldIndex.h"

namespace quarnel {

class clsHTTP {
  public:
    explicit clsHTTP(std::shared_ptr<platform::HttpApi> api);
    ~clsHTTP();
    clsHTTP(const clsHTTP&) = delete;
    clsHTTP& operator=(const clsHTTP&) = delete;

    // Names compare without regard to case; a new name goes to the end.
    std::string Fields(const std::string& name);
    void SetFields(const std::string& name, const std::string& value);
    // Room for that many fields in all, so that adding them does not grow
    // the table again and again: an order has two fields a line.
    void ReserveFields(size_t count);

    // Each Windows-1252 byte of the text that is not an ASCII letter or digit
    // becomes "%" and two upper-case hex digits.
    static std::string URLEncode(const std::string& data);

    // Closes an earlier connection first. Port 0 is the HTTP default.
    bool OpenHTTP(const std::string& server, int32_t port = 0, const std::string& userName = {},
                  const std::string& password = {});
    // method is upper-cased in place. The body of any reply, error pages
    // included; empty when the request could not be sent.
    std::string SendRequest(const std::string& file, std::string& method,
                            const std::string& referer = {}, bool reload = false);
    void CloseHTTP();
    // True when the last SendRequest got a reply whose body broke off (the
    // connection closed or timed out before its end): what it returned is
    // only part of the reply.
    bool ReplyCutShort() const { return replyCutShort_; }

  private:
    int32_t GetFieldIndex(const std::string& name, bool add);
    std::string BuildRequest();
    std::string FormString(bool hidePassword) const;

    std::shared_ptr<platform::HttpApi> api_;
    platform::HINTERNET session_ = 0;
    platform::HINTERNET connection_ = 0;
    bool replyCutShort_ = false;
    FieldIndex::Fields fields_;
    FieldIndex fieldIndex_;
};

}  // namespace quarnel
