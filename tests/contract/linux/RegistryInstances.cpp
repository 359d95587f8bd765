// SPDX-License-Identifier: MIT
// The registry contract on Linux: the SQLite store.
#include "RegistryContract.h"
#include "backends/linux/SqliteRegistry.h"

namespace quarnel::test {
namespace {

QUARNEL_CONTRACT_INSTANCES(Linux, RegistryContract,
                           RegistryImplementation{
                               "Sqlite",
                               [](const std::string& folder) {
                                   return std::make_shared<platform::SqliteRegistry>(
                                       folder + "/Quarnel/registry.sqlite3", folder + "/autostart",
                                       platform::EmptySerialPortTable());
                               },
                               "\xC5\x82", "\xC5\x81"});  // "ł", "Ł"

}  // namespace
}  // namespace quarnel::test
