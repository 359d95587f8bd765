// SPDX-License-Identifier: MIT
// SIGINT, SIGTERM and SIGHUP, turned into a call from the event loop. The
// first one asks the program to end; a second one ends the process at once
// with the signal's default action.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace quarnel::qt {

class StopSignals final {
  public:
    // stop runs from the event loop once the first signal has arrived.
    explicit StopSignals(std::function<void()> stop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quarnel::qt
