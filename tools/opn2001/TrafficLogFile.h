// SPDX-License-Identifier: MIT
// What the traffic log needs of the system: its file, and the local time.
#pragma once

#include <cstdio>
#include <ctime>

namespace quarnel::opn2001 {

// The file at path opened for appending, created readable by the user
// alone (it holds barcodes); nullptr when it cannot be opened.
std::FILE* OpenPrivateLogFile(const char* path);
std::tm LocalTimeOf(std::time_t seconds);

}  // namespace quarnel::opn2001
