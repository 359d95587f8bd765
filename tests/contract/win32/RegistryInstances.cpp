// SPDX-License-Identifier: MIT
// The registry contract on Windows: the real registry of the user running
// the tests (under Wine, the prefix's).
#include "RegistryContract.h"
#include "backends/win32/Win32Registry.h"
#include "platform/Windows.h"

namespace quarnel::test {
namespace {

// The suite's key is one for the whole user: tests run side by side in
// several processes take it in turn, and each finds it missing and leaves it
// so.
class ContractKey {
  public:
    ContractKey() : turn_(::CreateMutexA(nullptr, FALSE, "Local\\QuarnelRegistryContract")) {
        if (turn_ != nullptr) ::WaitForSingleObject(turn_, INFINITE);
        Remove();
    }
    ~ContractKey() {
        Remove();
        if (turn_ != nullptr) {
            ::ReleaseMutex(turn_);
            ::CloseHandle(turn_);
        }
    }
    ContractKey(const ContractKey&) = delete;
    ContractKey& operator=(const ContractKey&) = delete;

  private:
    static void Remove() { ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Hollinde\\Contract"); }
    HANDLE turn_;
};

// A registry that holds the key's turn for as long as the test holds it.
class ContractRegistry final : public platform::Win32Registry {
    ContractKey key_;
};

QUARNEL_CONTRACT_INSTANCES(Win32, RegistryContract,
                           RegistryImplementation{"Win32",
                                                  [](const std::string&) {
                                                      return std::make_shared<ContractRegistry>();
                                                  },
                                                  "\xC3\xA9", "\xC3\x89"});  // "é", "É" in UTF-8

}  // namespace
}  // namespace quarnel::test
