// SPDX-License-Identifier: MIT
#include "Symbologies.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>

namespace quarnel::vscan {
namespace {

struct Symbology {
    int codeId;
    std::string_view name;
};

constexpr std::array<Symbology, 16> kSymbologies{{
    {1, "Code 39"},
    {2, "Codabar"},
    {3, "Interleaved 2 of 5"},
    {4, "Industrial 2 of 5"},
    {5, "Code 93"},
    {6, "Code 128"},
    {7, "UPC-A"},
    {8, "EAN-13"},
    {9, "EAN-8"},
    {10, "UPC-E"},
    {11, "MSI Plessey"},
    {12, "Code 11"},
    {13, "Matrix 2 of 5"},
    {14, "GS1-128"},
    {15, "GS1 DataBar"},
    {16, "Telepen"},
}};

std::string Folded(std::string_view text) {
    std::string folded;
    for (char c : text) {
        if (c == ' ' || c == '-' || c == '_') continue;
        folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

}  // namespace

std::optional<std::string_view> SymbologyName(int codeId) {
    for (const auto& s : kSymbologies)
        if (s.codeId == codeId) return s.name;
    return std::nullopt;
}

std::optional<int> SymbologyCode(std::string_view nameOrId) {
    int id = 0;
    auto [end, ec] = std::from_chars(nameOrId.data(), nameOrId.data() + nameOrId.size(), id);
    if (ec == std::errc() && end == nameOrId.data() + nameOrId.size()) {
        if (SymbologyName(id)) return id;
        return std::nullopt;
    }
    std::string wanted = Folded(nameOrId);
    for (const auto& s : kSymbologies)
        if (Folded(s.name) == wanted) return s.codeId;
    return std::nullopt;
}

int GuessSymbology(std::string_view barcode) {
    bool digits = !barcode.empty() && std::all_of(barcode.begin(), barcode.end(),
                                                  [](char c) { return c >= '0' && c <= '9'; });
    if (digits && barcode.size() == 13) return 8;
    if (digits && barcode.size() == 8) return 9;
    if (digits && barcode.size() == 12) return 7;
    return 6;
}

}  // namespace quarnel::vscan
