// SPDX-License-Identifier: MIT
#include "CodeTypes.h"

#include <array>

namespace quarnel::opn2001 {
namespace {

struct Symbology {
    int codeId;
    std::string_view name;
};

constexpr std::array<Symbology, 46> kSymbologies{{
    {0x01, "Code 39"},
    {0x02, "Codabar"},
    {0x03, "Code 128"},
    {0x04, "D25"},
    {0x05, "IATA"},
    {0x06, "ITF"},
    {0x07, "Code 93"},
    {0x08, "UPCA"},
    {0x09, "UPCE"},
    {0x0A, "EAN-8"},
    {0x0B, "EAN-13"},
    {0x0C, "Code 11"},
    {0x0E, "MSI"},
    {0x0F, "EAN-128"},
    {0x10, "UPCE1"},
    {0x11, "PDF-417"},
    {0x13, "Code 39 Full ASCII"},
    {0x15, "Trioptic Code 39"},
    {0x16, "Bookland"},
    {0x17, "Coupon"},
    {0x19, "ISBT-128"},
    {0x1B, "Data Matrix"},
    {0x1C, "QR code"},
    {0x1D, "Composite"},
    {0x1E, "Postnet"},
    {0x20, "Code 32"},
    // The full name, "ISBT-128 concatenated", does not fit the 20-byte buffer.
    {0x21, "ISBT-128 concat."},
    {0x22, "Postal (Japan)"},
    {0x23, "Postal (Australia)"},
    {0x24, "Signature"},
    {0x26, "Postbar (Canada)"},
    {0x27, "Postal (UK)"},
    {0x28, "Macro PDF"},
    {0x30, "RSS-14"},
    {0x31, "RSS Limited"},
    {0x32, "RSS Expanded"},
    {0x48, "UPCA+2"},
    {0x49, "UPCE+2"},
    {0x4A, "EAN-8+2"},
    {0x4B, "EAN-13+2"},
    {0x50, "UPCE1+2"},
    {0x88, "UPCA+5"},
    {0x89, "UPCE+5"},
    {0x8A, "EAN-8+5"},
    {0x8B, "EAN-13+5"},
    {0x90, "UPCE1+5"},
}};

}  // namespace

std::optional<std::string_view> SymbologyName(int codeId) {
    for (const auto& s : kSymbologies)
        if (s.codeId == codeId) return s.name;
    return std::nullopt;
}

}  // namespace quarnel::opn2001
