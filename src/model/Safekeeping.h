// SPDX-License-Identifier: MIT
// Keeps each read-out's order safe until the shop has it: a recovery copy in
// the data folder, written before the scanner is emptied, and the memory of
// the last read-out the shop accepted, so that it is never sent twice.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/DateTime.h"

namespace quarnel::safekeeping {

// A free name "Unsent order yyyymmdd hhnnss.csv" in folder (no trailing
// separator), with " (2)", " (3)"... added when the name is taken.
std::string NewRecoveryCopyName(const std::string& folder, const DateTime& when);
// Whether path names a recovery copy in folder.
bool IsRecoveryCopy(const std::string& folder, const std::string& path);
// The recovery copies waiting in folder, by name.
std::vector<std::string> RecoveryCopies(const std::string& folder);

// The order number of the last read-out sent, when its key (see
// clsReadSession::ContentKey) is the one given.
std::optional<std::string> SentAs(const std::string& folder, const std::string& key);
// Remembers a read-out as the last one sent, synced to disk; raises on failure.
void RememberSent(const std::string& folder, const std::string& key, const std::string& orderNr);

}  // namespace quarnel::safekeeping
