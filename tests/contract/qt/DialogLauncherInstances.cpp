// SPDX-License-Identifier: MIT
// The dialog launcher's contract on Qt dialogs, under the offscreen platform.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "DialogLauncherContract.h"
#include "QtTestApp.h"
#include "shell/qt/QtDialogLauncher.h"
#include "shell/qt/QtFormRenderer.h"

namespace quarnel::test {
namespace {

struct WithApp {
    WithApp() { QtTestApp(); }
};

class QtLauncherDriver final : public ShellLauncherDriver<WithApp, qt::QtDialogLauncher> {
  public:
    using ShellLauncherDriver::ShellLauncherDriver;
    int ShownWindows() override {
        int shown = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<qt::QtFormDialog*>(window) != nullptr && window->isVisible()) ++shown;
        return shown;
    }
    void PressKey(const std::string& formName, Key key) override {
        qt::QtFormDialog& dialog = Dialog(formName);
        QWidget* target = dialog.focusWidget() != nullptr ? dialog.focusWidget() : &dialog;
        QTest::keyClick(target, key == Key::Return ? Qt::Key_Return : Qt::Key_Escape);
    }
    void TypeText(const std::string& formName, const std::string& box,
                  const std::string& text) override {
        auto* edit = qobject_cast<QLineEdit*>(Dialog(formName).widgetOf(box));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromStdString(text));
    }
    void Pump() override {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool WhileModal(const std::function<void()>& open,
                    const std::function<void(const std::string&)>& act) override {
        bool acted = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<qt::QtFormDialog*>(QApplication::activeModalWidget());
            if (acted || dialog == nullptr) return;
            acted = true;
            act(dialog->form().Name());
        });
        poll.start(10);
        open();
        return acted;
    }
};

QUARNEL_CONTRACT_INSTANCES(Qt, DialogLauncherContract,
                           Instance<LauncherImplementation, QtLauncherDriver>("Qt"));

}  // namespace
}  // namespace quarnel::test
