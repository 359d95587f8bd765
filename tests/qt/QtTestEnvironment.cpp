#include "QtTestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <functional>
#include <memory>

namespace quarnel::test {
namespace {

// The environment file (QT_QPA_PLATFORM=offscreen) is applied before the
// tests start, so the application is made here rather than at load time.
class QtApplicationEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[16] = "qt_dialog_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

bool WaitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 2000);
}

}  // namespace quarnel::test
