// SPDX-License-Identifier: MIT
// Posting an order to the web shop and opening its order page.
#include <algorithm>

#include "base/ErrorInfo.h"
#include "base/TextCompare.h"
#include "base/TraceLog.h"
#include "base/modTexts.h"
#include "model/Limits.h"
#include "model/clsOrder.h"
#include "webshop/ReplyText.h"
#include "webshop/WebshopLink.h"
#include "webshop/clsHTTP.h"

namespace quarnel {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

namespace {

// Posting codes.
constexpr int32_t kAccepted = 0;
constexpr int32_t kLoginRejected = 1;
constexpr int32_t kNoUsableReply = 2;
constexpr int32_t kShopMessage = 3;

// SendToWebshop results.
constexpr int32_t kSent = 0;
constexpr int32_t kNoLines = 3;
constexpr int32_t kPageNotOpened = 4;
constexpr int32_t kNotAccepted = 5;
constexpr int32_t kFailed = 6;

constexpr int kInvalidIdentificationText = 172;

// A reply whose body broke off is not interpreted: "orderid:123" cut to
// "orderid:12" would name another order.
constexpr int32_t kErrReplyCutShort = 12030;
constexpr const char* kReplyCutShortText =
    "The connection with the server was terminated before the reply was complete";

// An order number goes into the order page's address, the balloon and the
// trace: a longer one, or one holding control characters, is no number.
constexpr size_t kMaxOrderNrCharacters = 64;

bool UsableOrderNr(std::string_view orderNr) {
    size_t characters = 0;
    for (size_t i = 0; i < orderNr.size(); ++i) {
        const auto byte = static_cast<unsigned char>(orderNr[i]);
        if (byte < 0x20 || byte == 0x7F) return false;
        // U+0080 to U+009F, the C1 controls, are 0xC2 0x80 to 0xC2 0x9F.
        if (byte == 0xC2 && i + 1 < orderNr.size() &&
            static_cast<unsigned char>(orderNr[i + 1]) < 0xA0)
            return false;
        if ((byte & 0xC0) != 0x80) ++characters;
    }
    return characters <= kMaxOrderNrCharacters;
}

// The shop answers key ":" rest.
int32_t InterpretReply(const std::string& reply, std::string& info) {
    if (reply.empty()) return kNoUsableReply;
    const size_t colon = reply.find(':');
    if (colon == std::string::npos) return kShopMessage;
    const std::string_view key(reply.data(), colon);
    std::string rest = reply.substr(colon + 1);
    if (EqualsIgnoreCase(key, "orderid")) {
        // A shop may end its reply with a line end; it is no part of the number.
        while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.pop_back();
        // Without a usable number there is no order page to open: not an acceptance.
        if (rest.empty() || !UsableOrderNr(rest)) return kNoUsableReply;
        info = std::move(rest);
        return kAccepted;
    }
    if (EqualsIgnoreCase(key, "message")) {
        if (EqualsIgnoreCase(rest, "Ongeldige inlog")) return kLoginRejected;
        info = std::move(rest);
        return kShopMessage;
    }
    if (key.empty()) return kLoginRejected;
    return kNoUsableReply;
}

WebshopIdentification Identification(const WebshopLink& link) {
    return link.identification ? link.identification() : WebshopIdentification{};
}

// The page where the customer completes the order. The values are
// URL-encoded, so that any password reaches the shop unchanged.
std::string OrderPageUrl(const WebshopLink& link, const std::string& orderNr) {
    const WebshopIdentification id = Identification(link);
    return WebshopUrl(link.host, link.port, kWebshopOrderPagePath) +
           "?order=" + clsHTTP::URLEncode(orderNr) + "&deb=" + clsHTTP::URLEncode(id.debtor) +
           "&user=" + clsHTTP::URLEncode(id.user) + "&pass=" + clsHTTP::URLEncode(id.password);
}

}  // namespace

int32_t clsOrder::SendToWebshop(std::string& retMessage, const WebshopLink& link) {
    trace::Entering("clsOrder.SendToWebshop");
    try {
        int32_t result = kNoLines;
        if (CountLines() > 0) {
            result = kNotAccepted;
            std::string info;
            switch (PostOrder(info, link)) {
                case kAccepted: {
                    result = kSent;
                    orderNr_ = info;
                    const std::string url = OrderPageUrl(link, orderNr_);
                    trace::CallingApi("ShellExecute");
                    const int32_t shell =
                        link.opener ? link.opener->ShellExecuteA("open", url, "", "", SW_HIDE) : 0;
                    trace::ApiResult("ShellExecute", TraceValue(shell));
                    if (shell <= 32) result = kPageNotOpened;
                    break;
                }
                case kLoginRejected:
                    retMessage = GetText(kInvalidIdentificationText);
                    break;
                case kNoUsableReply:
                    retMessage.clear();
                    break;
                case kShopMessage:
                    retMessage = ShownReplyText(info);
                    break;
                default:
                    break;
            }
        }
        trace::ExitingWith("clsOrder.SendToWebshop",
                           TraceValue(result) + ", retMessage = " + retMessage);
        return result;
    } catch (...) {
        trace::Error("Error sending order to webshop: ");
        return kFailed;
    }
}

int32_t clsOrder::PostOrder(std::string& retInfo, const WebshopLink& link) {
    trace::Entering("clsOrder.PostOrder");
    int32_t code = kNoUsableReply;
    bool cutShort = false;
    std::unique_ptr<clsHTTP> http;
    try {
        http = std::make_unique<clsHTTP>(link.http);
        const WebshopIdentification id = Identification(link);
        http->SetFields("deb", id.debtor);
        http->SetFields("user", id.user);
        http->SetFields("pass", id.password);
        if (!ScannerID().empty()) http->SetFields("sid", ScannerID());
        const int32_t count = CountLines();
        if (count > kMaxCountedRows) RaiseError(ErrNo::Overflow);
        http->ReserveFields(4 + 2 * static_cast<size_t>(std::max(count, 0)));
        for (int32_t n = 1; n <= count; ++n) {
            const std::shared_ptr<clsOrderLine> line = Line(n);
            const std::string number = std::to_string(n);
            http->SetFields("A" + number, line->ProductID());
            const int32_t quantity = line->Quantity();
            http->SetFields("Q" + number, quantity > 0 ? std::to_string(quantity) : std::string());
        }

        std::string reply;
        if (http->OpenHTTP(link.host, link.port)) {
            std::string method = "POST";
            reply = http->SendRequest(kWebshopSubmissionPath, method, "", true);
            cutShort = http->ReplyCutShort();
        }
        if (!cutShort) code = InterpretReply(reply, retInfo);
        http->CloseHTTP();
    } catch (...) {
        trace::Error("Error posting order: ");
        return kShopMessage;
    }
    http.reset();
    // A failed exchange, not an answer of the shop: the caller's failure.
    if (cutShort) RaiseError(kErrReplyCutShort, kReplyCutShortText);
    trace::ExitingWith("clsOrder.PostOrder",
                       TraceValue(code) + ", retInfo = " + ShownReplyText(retInfo));
    return code;
}

}  // namespace quarnel
