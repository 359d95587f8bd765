// SPDX-License-Identifier: MIT
// The registry contract on Windows: the real registry of the user running
// the tests (under Wine, the prefix's).
#include "RegistryContract.h"
#include "backends/win32/Win32Registry.h"
#include "platform/Windows.h"

namespace quarnel::test {
namespace {

// The suite's key, removed before each test and again when the test lets go
// of the registry, so that no run sees another's values.
void RemoveContractKey() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Hollinde\\Contract");
}

INSTANTIATE_TEST_SUITE_P(Win32, RegistryContract,
                         ::testing::Values(RegistryImplementation{
                             "Win32",
                             [](const std::string&) {
                                 RemoveContractKey();
                                 return std::shared_ptr<platform::RegistryApi>(
                                     new platform::Win32Registry(),
                                     [](platform::RegistryApi* registry) {
                                         delete registry;
                                         RemoveContractKey();
                                     });
                             },
                             "\xC3\xA9", "\xC3\x89"}),  // "é", "É" in the program's UTF-8
                         ImplementationName());

}  // namespace
}  // namespace quarnel::test
