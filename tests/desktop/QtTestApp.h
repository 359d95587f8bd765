// SPDX-License-Identifier: MIT
// One QApplication for the test executable, made on first use (after the
// headless environment is applied), and ways to run the event loop.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>

namespace quarnel::test {

inline QApplication& QtTestApp() {
    static int argc = 1;
    static char name[] = "desktop_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics may be gone before ours.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// Runs the event loop until done() or the timeout; done()'s last answer.
inline bool RunEventsUntil(const std::function<bool()>& done,
                           std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    QtTestApp();
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeout.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

inline void RunEventsFor(std::chrono::milliseconds duration) {
    RunEventsUntil([] { return false; }, duration);
}

}  // namespace quarnel::test
