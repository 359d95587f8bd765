// SPDX-License-Identifier: MIT
// The contracts of the fakes the tests use in place of the system, on every
// platform.
#include "DeviceContract.h"
#include "FakeDevicePorts.h"
#include "FakeRegistry.h"
#include "FakeScannerLibrary.h"
#include "RegistryContract.h"
#include "ScannerContract.h"

namespace quarnel::test {
namespace {

QUARNEL_CONTRACT_INSTANCES(Fake, RegistryContract,
                           RegistryImplementation{
                               "Fake",
                               [](const std::string&) { return std::make_shared<FakeRegistry>(); },
                               "\xC3\xA9", "\xC3\x89"});

class FakePortDriver final : public PortDriver {
  public:
    void Plug(const std::string& port) override { ports_->Plug(port); }
    void Unplug(const std::string& port) override { ports_->Unplug(port); }
    std::shared_ptr<platform::SerialPortTable> Table() override { return ports_; }
    std::unique_ptr<platform::DeviceNotificationSource> Open(
        platform::HiddenWindow& window) override {
        return ports_->Open(window);
    }

  private:
    std::shared_ptr<FakeDevicePorts> ports_ = std::make_shared<FakeDevicePorts>();
};

QUARNEL_CONTRACT_INSTANCES(Fake, DeviceContract,
                           Instance<DeviceImplementation, FakePortDriver>("Fake"));

class FakeScannerDriver final : public ScannerDriver {
  public:
    void Plug(int32_t comPort, const ScannerContents& contents) override {
        FakeScannerLibrary::Scanner& scanner = library_->scanners[comPort];
        scanner.identity = contents.identity;
        scanner.software = contents.software;
        scanner.status = contents.batteryLow ? 22 : 0;
        for (const auto& [codeId, text] : contents.barcodes)
            scanner.packets.push_back(FakeScannerLibrary::Packet(codeId, text));
    }
    std::shared_ptr<platform::ScannerLibrary> Library() override { return library_; }

  private:
    std::shared_ptr<FakeScannerLibrary> library_ = std::make_shared<FakeScannerLibrary>();
};

QUARNEL_CONTRACT_INSTANCES(Fake, ScannerContract,
                           Instance<ScannerImplementation, FakeScannerDriver>("Fake"));

}  // namespace
}  // namespace quarnel::test
