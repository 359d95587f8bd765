// SPDX-License-Identifier: MIT
#include "ShopServer.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <map>
#include <optional>
#include <unordered_map>

namespace quarnel::shop {

namespace {

constexpr const char* kSubmissionPattern = "/nl/quarnel/quarnel\\.aspx";
constexpr const char* kOrderPagePattern = "/nl/quarnel/quarnelorder\\.aspx";
constexpr const char* kInvalidLogin = "message:Ongeldige inlog";
constexpr const char* kTooLarge = "message:Bestelling te groot";
// A scanner holds at most 32,767 barcodes: two fields each, and the login
// and scanner fields, with room to spare.
constexpr size_t kMaxFormBytes = 4 * 1024 * 1024;
constexpr size_t kMaxFields = 2 * 32767 + 64;
constexpr size_t kMaxLoggedReply = 80;

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// The n of a field named prefix + n: decimal, no leading zero, at most 9 digits.
std::optional<int> LineNumber(std::string_view name, char prefix) {
    if (name.size() < 2 || name.size() > 10 || name[0] != prefix) return std::nullopt;
    const std::string_view digits = name.substr(1);
    if (!AllDigits(digits) || digits[0] == '0') return std::nullopt;
    return std::stoi(std::string(digits));
}

bool ValidQuantity(std::string_view text) {
    if (text.empty()) return true;
    if (text[0] == '-') text.remove_prefix(1);
    return AllDigits(text) && text.size() <= 10;
}

const Account* Identify(const FormFields& fields, const std::vector<Account>& accounts) {
    const std::string* debtor = FindField(fields, "deb");
    const std::string* user = FindField(fields, "user");
    const std::string* password = FindField(fields, "pass");
    if (debtor == nullptr || user == nullptr || password == nullptr) return nullptr;
    for (const Account& account : accounts) {
        if (account.debtor == *debtor && account.user == *user && account.password == *password) {
            return &account;
        }
    }
    return nullptr;
}

std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"nl\">\n<head><meta charset=\"utf-8\"><title>" +
           HtmlEscape(title) + "</title></head>\n<body>\n<h1>" + HtmlEscape(title) + "</h1>\n" +
           body + "</body>\n</html>\n";
}

std::string OrderPage(const StoredOrder& order) {
    std::string body = "<p>Debiteur: <span id=\"debtor\">" + HtmlEscape(order.debtor) +
                       "</span></p>\n<p>Scanner: <span id=\"scanner\">" +
                       HtmlEscape(order.scannerId) +
                       "</span></p>\n<table id=\"lines\">\n"
                       "<tr><th>Regel</th><th>Artikel</th><th>Aantal</th></tr>\n";
    size_t position = 0;
    for (const StoredLine& line : order.lines) {
        body += "<tr><td>" + std::to_string(++position) + "</td><td class=\"product\">" +
                HtmlEscape(line.product) + "</td><td class=\"quantity\">" +
                HtmlEscape(line.quantity) + "</td></tr>\n";
    }
    body += "</table>\n";
    return Page("Bestelling " + std::to_string(order.number), body);
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace

std::string SubmitOrder(std::string_view body, const std::vector<Account>& accounts,
                        ShopStore& store) {
    if (body.size() > kMaxFormBytes || CountFields(body) > kMaxFields) return kTooLarge;
    const Account* account = Identify(DecodeFields(body, {"deb", "user", "pass"}), accounts);
    if (account == nullptr) return kInvalidLogin;
    const FormFields form = DecodeForm(body);

    // Line fields by number; the first of two equal names counts.
    std::map<int, std::string> products;
    std::unordered_map<int, const std::string*> quantities;
    for (const auto& [name, value] : form) {
        if (std::optional<int> n = LineNumber(name, 'A')) products.emplace(*n, value);
        if (std::optional<int> n = LineNumber(name, 'Q')) quantities.emplace(*n, &value);
    }
    if (!products.contains(1)) return "message:Bestelling zonder regels (A1 ontbreekt)";

    std::vector<StoredLine> lines;
    lines.reserve(products.size());
    for (const auto& [n, product] : products) {
        const std::string number = std::to_string(n);
        const auto found = quantities.find(n);
        if (found == quantities.end()) {
            return "message:Regel " + number + " zonder aantal (Q" + number + " ontbreekt)";
        }
        const std::string& quantity = *found->second;
        if (!ValidQuantity(quantity)) return "message:Regel " + number + ": ongeldig aantal";
        lines.push_back({product, quantity});
    }
    const std::string* scannerId = FindField(form, "sid");
    const int64_t orderNumber =
        store.AddOrder(account->debtor, scannerId != nullptr ? *scannerId : "", lines);
    return "orderid:" + std::to_string(orderNumber);
}

std::string EscapeForLog(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            escaped += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        } else if (c == '\\') {
            escaped += "\\\\";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

ShopServer::ShopServer(std::vector<Account> accounts, const std::string& database, std::FILE* log)
    : accounts_(std::move(accounts)),
      store_(database),
      log_(log),
      server_(std::make_unique<httplib::Server>()) {
    // A body declared larger is refused before it is read.
    server_->set_payload_max_length(kMaxFormBytes);
    server_->Post(kSubmissionPattern, [this](const httplib::Request&, httplib::Response& res,
                                             const httplib::ContentReader& reader) {
        std::string body;
        bool tooLarge = false;
        reader([&](const char* data, size_t length) {
            if (body.size() + length > kMaxFormBytes) {
                tooLarge = true;
                return false;
            }
            body.append(data, length);
            return true;
        });
        const std::string reply = tooLarge ? kTooLarge : SubmitOrder(body, accounts_, store_);
        res.set_content(reply, "text/plain; charset=windows-1252");
    });

    server_->Get(kOrderPagePattern, [this](const httplib::Request& req, httplib::Response& res) {
        const size_t question = req.target.find('?');
        const FormFields query = DecodeForm(
            question == std::string::npos ? std::string_view()
                                          : std::string_view(req.target).substr(question + 1));
        const Account* account = Identify(query, accounts_);
        const std::string* orderText = FindField(query, "order");
        std::optional<StoredOrder> order;
        if (account != nullptr && orderText != nullptr && AllDigits(*orderText) &&
            orderText->size() <= 18) {
            order = store_.FindOrder(std::stoll(*orderText));
        }
        if (!order || order->debtor != account->debtor) {
            res.status = 403;
            res.set_content(Page("Geen toegang", "<p>Deze bestelling is niet beschikbaar.</p>\n"),
                            "text/html; charset=utf-8");
            return;
        }
        res.set_content(OrderPage(*order), "text/html; charset=utf-8");
    });

    server_->set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty()) {
            res.set_content(Page("Fout " + std::to_string(res.status), ""),
                            "text/html; charset=utf-8");
        }
    });

    server_->set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            res.status = 500;
            res.set_content("message:Interne fout van de webshop", "text/plain");
        });

    // Method, path without the query (it holds the password), status and,
    // for the protocol's short replies, the reply. Written before the reply
    // goes out, so that the log follows the order of a client's requests.
    server_->set_post_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        std::string line = Now() + " " + req.remote_addr + " " + req.method + " " + req.path + " " +
                           std::to_string(res.status);
        if (res.get_header_value("Content-Type").starts_with("text/plain"))
            line += " " + res.body.substr(0, kMaxLoggedReply);
        Log(EscapeForLog(line));
    });
}

ShopServer::~ShopServer() = default;

int ShopServer::Bind(const std::string& address, int port) {
    if (port == 0) return server_->bind_to_any_port(address);
    return server_->bind_to_port(address, port) ? port : -1;
}

bool ShopServer::Run() {
    return server_->listen_after_bind();
}

void ShopServer::Stop() {
    server_->stop();
}

void ShopServer::Log(const std::string& line) {
    std::lock_guard lock(logMutex_);
    std::fprintf(log_, "%s\n", line.c_str());
    std::fflush(log_);
}

}  // namespace quarnel::shop
