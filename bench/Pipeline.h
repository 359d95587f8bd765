// SPDX-License-Identifier: MIT
// What the program benchmarks share: the read-out they plug in, and the
// files and lines a run leaves, from which the floors of its parts are
// measured. Header-only.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace quarnel::bench {

inline constexpr int kBarcodes = 32767;

// Every third barcode a quantity, the rest product codes.
inline std::vector<std::string> Barcodes() {
    std::vector<std::string> barcodes;
    for (int i = 0; i < kBarcodes; ++i) {
        barcodes.push_back(i % 3 == 2 ? "Q000" + std::to_string(i % 10)
                                      : "87" + std::to_string(10000000000 + i));
    }
    return barcodes;
}

// The newest file of a folder.
inline std::string NewestFile(const std::string& folder) {
    std::string newest;
    std::filesystem::file_time_type time{};
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (newest.empty() || entry.last_write_time() > time) {
            newest = entry.path();
            time = entry.last_write_time();
        }
    }
    return newest;
}

// The form body of an order file: "sid:" line, header, "product;quantity" rows.
inline std::string FormBody(const std::string& csv) {
    std::istringstream lines(csv);
    std::string body = "deb=100&user=jan&pass=geheim";
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("sid:", 0) == 0) {
            body += "&sid=" + line.substr(4);
        } else if (!line.empty() && line != "ProductID;Quantity") {
            const size_t semicolon = line.find(';');
            const std::string n = std::to_string(++number);
            const std::string quantity = line.substr(semicolon + 1);
            body += "&A" + n + "=" + line.substr(0, semicolon) + "&Q" + n + "=" +
                    (quantity == "0" ? "" : quantity);
        }
    }
    return body;
}

// A plug-in benchmark's runs: with event tracing on (every order line traced,
// each entry opening and closing the trace file) and off, three times each,
// timed by the benchmark itself.
inline void WithTraceEventsOnAndOff(benchmark::internal::Benchmark* runs) {
    runs->ArgName("trace_events")
        ->Arg(1)
        ->Arg(0)
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// The lines added to a file since it held `before` bytes.
inline std::vector<std::string> LinesAfter(const std::string& path, size_t before) {
    const std::string text = quarnel::test::ReadFileBytes(path);
    std::vector<std::string> lines;
    for (size_t at = std::min(before, text.size()); at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size() - 1);
        lines.push_back(text.substr(at, end + 1 - at));
        at = end + 1;
    }
    return lines;
}

}  // namespace quarnel::bench
