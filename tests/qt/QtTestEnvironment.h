// What the Qt dialog tests share: the application object (made once for
// the executable, offscreen) and small helpers to drive widgets.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

namespace quarnel::test {

// Runs the event loop until condition holds or about two seconds passed.
bool WaitFor(const std::function<bool()>& condition);

// The child widget of that object name and type, or null.
template <typename T>
T* Child(const QWidget& parent, const std::string& name) {
    return parent.findChild<T*>(QString::fromStdString(name));
}

}  // namespace quarnel::test
