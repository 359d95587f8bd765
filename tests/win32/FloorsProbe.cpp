// SPDX-License-Identifier: MIT
// The least the Windows program's parts can cost, for bench_wine_program:
// the read-out and order files written once each, the order's recovery copy
// written, flushed and renamed into place, the order's body posted through
// WinINet, and the run's trace lines appended one by one, each with its own
// open and close. Wine starts a process too slowly to be timed from Linux,
// so each part is timed here and printed in seconds.
//   quarnel-floors READOUT ORDER TRACE FOLDER HOST PORT PATH BODY
// prints "write S", "durable S", "post S", "trace S" and the shop's reply.
#include "platform/Windows.h"

#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool WriteOnce(const std::string& path, std::string_view bytes, DWORD flags = 0) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return ok;
}

// Written, flushed to the disk and renamed into place, written through.
bool WriteDurably(const std::string& folder, std::string_view bytes) {
    const std::string temp = folder + "\\floor.tmp", path = folder + "\\floor.dat";
    const HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        FlushFileBuffers(file);
    CloseHandle(file);
    return ok && MoveFileExA(temp.c_str(), path.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

std::string Post(const std::string& host, int port, const std::string& path,
                 const std::string& body) {
    std::string reply;
    const HINTERNET session =
        InternetOpenA("quarnel-floors", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    const HINTERNET connection =
        session ? InternetConnectA(session, host.c_str(), static_cast<INTERNET_PORT>(port), nullptr,
                                   nullptr, INTERNET_SERVICE_HTTP, 0, 0)
                : nullptr;
    const HINTERNET request =
        connection ? HttpOpenRequestA(connection, "POST", path.c_str(), nullptr, nullptr, nullptr,
                                      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0)
                   : nullptr;
    static const char kType[] = "Content-Type: application/x-www-form-urlencoded";
    if (request &&
        HttpSendRequestA(request, kType, sizeof kType - 1, const_cast<char*>(body.data()),
                         static_cast<DWORD>(body.size()))) {
        char chunk[4096];
        DWORD count = 0;
        while (InternetReadFile(request, chunk, sizeof chunk, &count) && count > 0)
            reply.append(chunk, count);
    }
    for (HINTERNET handle : {request, connection, session})
        if (handle) InternetCloseHandle(handle);
    return reply;
}

// Each line as a trace entry is written: the folder looked at, the file
// opened for appending, the line written, the file closed.
bool AppendLines(const std::string& folder, const std::string& lines) {
    const std::string path = folder + "\\floor.log";
    bool ok = true;
    for (size_t at = 0; at < lines.size();) {
        const size_t end = std::min(lines.find('\n', at), lines.size() - 1) + 1;
        if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
        const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        ok = WriteFile(file, lines.data() + at, static_cast<DWORD>(end - at), &written, nullptr) &&
             ok;
        CloseHandle(file);
        at = end;
    }
    DeleteFileA(path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 9) {
        std::fprintf(stderr,
                     "usage: quarnel-floors READOUT ORDER TRACE FOLDER HOST PORT PATH BODY\n");
        return 2;
    }
    const std::string readout = ReadAll(argv[1]), order = ReadAll(argv[2]),
                      trace = ReadAll(argv[3]), folder = argv[4], body = ReadAll(argv[8]);

    auto start = Clock::now();
    bool ok =
        WriteOnce(folder + "\\floor.txt", readout) && WriteOnce(folder + "\\floor.csv", order);
    const double write = Since(start);
    start = Clock::now();
    ok = WriteDurably(folder, order) && ok;
    const double durable = Since(start);
    start = Clock::now();
    const std::string reply = Post(argv[5], std::atoi(argv[6]), argv[7], body);
    const double post = Since(start);
    start = Clock::now();
    ok = AppendLines(folder, trace) && ok;
    const double appended = Since(start);
    for (const char* name : {"floor.txt", "floor.csv", "floor.dat"})
        DeleteFileA((folder + "\\" + name).c_str());

    std::printf("write %.6f\ndurable %.6f\npost %.6f\ntrace %.6f\nreply %s\n", write, durable, post,
                appended, reply.substr(0, reply.find('\n')).c_str());
    return ok ? 0 : 1;
}
