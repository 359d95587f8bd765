// SPDX-License-Identifier: MIT
// What the Qt dialog tests share: the application object (made once,
// offscreen, in QtTestEnvironment.cpp) and small helpers to drive widgets.
#pragma once

#include <QTest>
#include <QWidget>
#include <functional>
#include <string>

namespace quarnel::test {

// Generous: a busy machine may take seconds to deliver what a test waits for.
inline bool WaitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 30000);
}

template <typename T>
T* Child(const QWidget& parent, const std::string& name) {
    return parent.findChild<T*>(QString::fromStdString(name));
}

}  // namespace quarnel::test
