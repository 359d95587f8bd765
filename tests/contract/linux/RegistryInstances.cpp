// SPDX-License-Identifier: MIT
// The registry contract on Linux: the SQLite store.
#include "RegistryContract.h"
#include "backends/linux/SqliteRegistry.h"

namespace quarnel::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Linux, RegistryContract,
                         ::testing::Values(RegistryImplementation{
                             "Sqlite",
                             [](const std::string& folder) {
                                 return std::make_shared<platform::SqliteRegistry>(
                                     folder + "/Quarnel/registry.sqlite3", folder + "/autostart",
                                     platform::EmptySerialPortTable());
                             },
                             "\xC5\x82", "\xC5\x81"}),  // "ł", "Ł"
                         ImplementationName());

}  // namespace
}  // namespace quarnel::test
