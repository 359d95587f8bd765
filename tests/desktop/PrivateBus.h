// SPDX-License-Identifier: MIT
// One private session bus for the whole test program, started before the
// program's side first asks for its session bus, with a second connection
// for the stand-in services. Ends with the test program.
#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <optional>
#include <string>

#include <stdlib.h>
#include <unistd.h>

#include "ChildProcess.h"
#include "QtTestApp.h"

namespace quarnel::test {

inline constexpr const char* kDBusDaemon = "/usr/bin/dbus-daemon";

// True when the bus runs; the program's session bus is then that one.
inline bool PrivateBusStarted() {
    static std::optional<ChildProcess> daemon;
    static bool started = [] {
        if (access(kDBusDaemon, X_OK) != 0) return false;
        using namespace std::chrono_literals;
        daemon.emplace(std::vector<std::string>{kDBusDaemon, "--session", "--nofork",
                                                "--print-address=1", "--nosyslog"});
        const std::string address = daemon->ReadLine(10s).value_or("");
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        QtTestApp();
        return !address.empty();
    }();
    return started;
}

// The stand-ins' own connection to the private bus.
inline QDBusConnection StandInBus() {
    static const QString name = QStringLiteral("stand-ins");
    static QDBusConnection bus = QDBusConnection::connectToBus(
        QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")), name);
    return bus;
}

// Waits for a call's answer while the event loop runs.
inline bool Answered(const QDBusPendingCall& call) {
    return RunEventsUntil([&] { return call.isFinished(); }, std::chrono::seconds(60));
}

}  // namespace quarnel::test
