// SPDX-License-Identifier: MIT
// The form renderer's contract on Qt widgets, under the offscreen platform.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <cmath>
#include <stdexcept>

#include "FormRendererContract.h"
#include "QtTestApp.h"
#include "shell/qt/QtFormRenderer.h"
#include "shell/qt/QtTextMetrics.h"

namespace quarnel::test {
namespace {

class QtFormDriver final : public FormDriver {
  public:
    QtFormDriver() { QtTestApp(); }

    void Open(std::shared_ptr<ui::Form> form) override {
        dialog_ = std::make_unique<qt::QtFormDialog>(std::move(form));
    }
    void Show() override { dialog_->show(); }
    // As QTest::qWaitFor runs the loop: closed menus are deleted too.
    void Pump() override {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool Visible() override { return dialog_->isVisible(); }
    void CloseByUser() override { dialog_->close(); }
    int Dpi() override { return static_cast<int>(std::lround(qt::LogicalDpi())); }

    bool HasWindow(const std::string& name) override {
        return dialog_->findChildren<QWidget*>(QString::fromStdString(name)).size() == 1;
    }
    std::string ContainerName(const std::string& name) override {
        QWidget* parent = Widget(name)->parentWidget();
        return parent == dialog_.get() ? "" : parent->objectName().toStdString();
    }
    Box Geometry(const std::string& name) override {
        const QRect box = Widget(name)->geometry();
        return Box{box.x(), box.y(), box.width(), box.height()};
    }
    std::string Text(const std::string& name) override {
        QWidget* widget = Widget(name);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
        return widget->property("text").toString().toStdString();
    }
    std::string ToolTip(const std::string& name) override {
        QTextDocument tip;
        tip.setHtml(Widget(name)->toolTip());
        return tip.toPlainText().toStdString();
    }
    std::vector<uint32_t> Pixels(const std::string& name) override {
        const QImage image = Widget(name)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) pixels.push_back(image.pixel(x, y));
        return pixels;
    }

    void Focus(const std::string& name) override { Widget(name)->setFocus(); }
    std::string Focused() override {
        QWidget* focus = QApplication::focusWidget();
        return focus != nullptr ? focus->objectName().toStdString() : "";
    }
    void TypeText(const std::string& name, const std::string& text) override {
        QTest::keyClicks(Widget(name), QString::fromStdString(text));
    }
    void PressKey(const std::string& name, Key key) override {
        // In the order of Key.
        static constexpr Qt::Key kKeys[] = {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Down,
                                            Qt::Key_Backspace, Qt::Key_Tab};
        QTest::keyClick(Widget(name), kKeys[static_cast<int>(key)]);
    }
    void ClickAt(const std::string& name, int x, int y) override {
        QTest::mouseClick(Widget(name), Qt::LeftButton, {}, QPoint(x, y));
    }
    void MoveMouseTo(const std::string& name, int x, int y) override {
        QTest::mouseMove(Widget(name), QPoint(x, y));
    }
    // Right-clicks the box and chooses "&Paste" from its own menu.
    void PasteFromMenu(const std::string& name, const std::string& text) override {
        auto* box = qobject_cast<QLineEdit*>(Widget(name));
        QApplication::clipboard()->setText(QString::fromStdString(text));
        bool chosen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr || chosen) return;
            for (QAction* action : menu->actions()) {
                if (!action->text().startsWith("&Paste")) continue;
                chosen = true;
                action->trigger();
            }
            menu->close();
        });
        poll.start(10);
        const QPoint at(5, 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, box->mapToGlobal(at));
        QCoreApplication::sendEvent(box, &event);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return chosen && QApplication::activePopupWidget() == nullptr; }, 30000));
        // The offscreen platform, busy, may leave no window active once the
        // menu has gone; a window manager gives it back to the dialog.
        if (QApplication::activeWindow() == nullptr) dialog_->activateWindow();
    }
    void ActivateAnotherWindowAndBack() override {
        QWidget other;
        other.show();
        other.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&other, 30000));
        dialog_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog_.get(), 30000));
    }

  private:
    QWidget* Widget(const std::string& name) const {
        QWidget* widget = dialog_->widgetOf(name);
        if (widget == nullptr) throw std::runtime_error("no widget for " + name);
        return widget;
    }

    std::unique_ptr<qt::QtFormDialog> dialog_;
};

QUARNEL_CONTRACT_INSTANCES(Qt, FormRendererContract,
                           Instance<FormRendererImplementation, QtFormDriver>("Qt"));

}  // namespace
}  // namespace quarnel::test
