// SPDX-License-Identifier: MIT
// The desktop services on Qt: answers of the modal windows, the menu's
// choice, and the event sources that keep running while those are open.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QAbstractButton>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include "FakeDialogLauncher.h"
#include "QtTestApp.h"
#include "TestSupport.h"
#include "shell/qt/QtDesktop.h"
#include "shell/qt/QtFileFilters.h"
#include "shell/qt/QtTranslation.h"

namespace quarnel {
namespace {

using namespace std::chrono_literals;
using namespace platform;

// Runs act on the window that is open a moment after the call, so that a
// modal loop started by the call can be answered.
template <typename Window>
void WhenOpen(std::function<void(Window&)> act) {
    QTimer::singleShot(100ms, [act] {
        Window* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        if (!window) window = qobject_cast<Window*>(QApplication::activePopupWidget());
        ASSERT_NE(window, nullptr);
        act(*window);
    });
}

class QtDesktopTest : public ::testing::Test {
  protected:
    QtDesktopTest() { test::QtTestApp(); }
    qt::QtDesktop desktop_;
};

TEST_F(QtDesktopTest, MessageBoxShowsTheButtonsAndAnswersWithTheirValues) {
    struct Case {
        int32_t buttons;
        QMessageBox::StandardButton click;  // NoButton: closed with Escape
        QMessageBox::Icon icon;
        int32_t answer;
    };
    const Case cases[] = {
        {vbOKOnly, QMessageBox::Ok, QMessageBox::NoIcon, vbOK},
        {vbYesNo | vbQuestion, QMessageBox::Yes, QMessageBox::Question, vbYes},
        {vbYesNo | vbExclamation, QMessageBox::No, QMessageBox::Warning, vbNo},
        {3 | vbCritical, QMessageBox::NoButton, QMessageBox::Critical, vbCancel},
        {vbInformation, QMessageBox::NoButton, QMessageBox::Information, vbOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buttons);
        WhenOpen<QMessageBox>([&c](QMessageBox& box) {
            EXPECT_EQ(box.windowTitle(), "Quarnel");
            EXPECT_EQ(box.text(), QString::fromUtf8("Übertragen?"));
            EXPECT_EQ(box.icon(), c.icon);
            if (c.click == QMessageBox::NoButton) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(&box, &escape);
                if (box.isVisible()) box.reject();
            } else {
                box.button(c.click)->click();
            }
        });
        EXPECT_EQ(desktop_.MsgBox("Übertragen?", c.buttons), c.answer);
    }
}

TEST_F(QtDesktopTest, MenuShowsItemStatesAndReturnsTheChosenName) {
    const std::vector<MenuItem> items{
        {"mnuReadData", "Read scanner data now", false, false, true, false},
        {"mnuSep1", "", true, true, true, false},
        {"mnuExit", "Exit", false, true, true, false},
        {"mnuSep3", "", true, true, false, false},
        {"mnuExtendedLogging", "Exteded logging", false, true, false, true},
    };
    WhenOpen<QMenu>([](QMenu& menu) {
        const QList<QAction*> actions = menu.actions();
        ASSERT_EQ(actions.size(), 5);
        EXPECT_FALSE(actions[0]->isEnabled());
        EXPECT_TRUE(actions[1]->isSeparator());
        EXPECT_FALSE(actions[3]->isVisible());
        EXPECT_TRUE(actions[4]->isChecked());
        menu.setActiveAction(actions[2]);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&menu, &enter);
    });
    EXPECT_EQ(desktop_.PopupMenu(items), "mnuExit");

    WhenOpen<QMenu>([](QMenu& menu) { menu.close(); });
    EXPECT_EQ(desktop_.PopupMenu(items), std::nullopt);
}

// The polling timer and the device notifications must keep coming while a
// message box, a file dialog or the menu waits for the user.
TEST_F(QtDesktopTest, TimersAndWatchesRunWhileModalWindowsAreOpen) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int ticks = 0, ready = 0;
    auto timer = desktop_.CreateTimer([&] { ++ticks; });
    timer->SetInterval(10ms);
    timer->SetEnabled(true);
    auto watch = desktop_.WatchDescriptor(fds[0], [&] {
        char byte;
        if (read(fds[0], &byte, 1) == 1) ++ready;
    });

    const std::vector<MenuItem> menu{{"mnuExit", "Exit"}};
    for (const std::function<void()>& modal : std::vector<std::function<void()>>{
             [&] { desktop_.MsgBox("waiting", vbOKOnly); }, [&] { desktop_.ShowOpen({}); },
             [&] { desktop_.PopupMenu(menu); }}) {
        ticks = ready = 0;
        QTimer::singleShot(150ms, [&] { ASSERT_EQ(write(fds[1], "x", 1), 1); });
        WhenOpen<QWidget>(
            [](QWidget& window) { QTimer::singleShot(300ms, &window, &QWidget::close); });
        modal();
        EXPECT_GE(ticks, 10);
        EXPECT_EQ(ready, 1);
    }
    watch.reset();
    close(fds[0]);
    close(fds[1]);
}

TEST_F(QtDesktopTest, FileDialogsTakeTitleFiltersFolderNameAndFlags) {
    test::TempDir dir;
    FileDialogRequest request{.title = "Save order",
                              .filter = "Orders (*.csv)|*.csv|Text|*.txt;*.log|All files|*.*",
                              .filterIndex = 2,
                              .initialFolder = dir.Path(),
                              .fileName = "order.csv"};
    for (uint32_t flags : {0u, cdlOFNOverwritePrompt, cdlOFNFileMustExist}) {
        request.flags = flags;
        const bool open = flags == cdlOFNFileMustExist;
        WhenOpen<QFileDialog>([&](QFileDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Save order");
            EXPECT_EQ(dialog.nameFilters(),
                      (QStringList{"Orders (*.csv)", "Text (*.txt *.log)", "All files (*.*)"}));
            EXPECT_EQ(dialog.selectedNameFilter(), "Text (*.txt *.log)");
            EXPECT_EQ(dialog.fileMode() == QFileDialog::ExistingFile, open);
            if (!open) {
                EXPECT_EQ(dialog.testOption(QFileDialog::DontConfirmOverwrite), flags == 0);
            }
            dialog.QDialog::accept();  // past Qt's own checks of the name
        });
        EXPECT_EQ(open ? desktop_.ShowOpen(request) : desktop_.ShowSave(request),
                  dir.File("order.csv"));
    }
}

TEST(QtFileFiltersTest, ConvertsPairsOfDescriptionAndPattern) {
    EXPECT_EQ(qt::NameFilters("Images (*.png;*.gif)|*.png;*.gif|Old (*.bak)|*.csv").filters,
              (QStringList{"Images (*.png *.gif)", "Old (*.csv)"}));
    EXPECT_EQ(qt::NameFilters("|*.txt|Dangling").filters, (QStringList{"(*.txt)"}));
    EXPECT_EQ(qt::NameFilters("Nothing|").filters, QStringList{});
    // The selected pair keeps its filter when an earlier pair is dropped.
    const std::string filter = "All|*.*|Nothing| |Text|*.txt";
    const std::pair<int32_t, qsizetype> cases[] = {{1, 0}, {2, 0}, {3, 1}, {4, 0}, {0, 0}};
    for (const auto& [index, selected] : cases)
        EXPECT_EQ(qt::NameFilters(filter, index).selected, selected) << index;
}

TEST(QtTranslationTest, QtsOwnTextsSpeakTheProgramsLanguage) {
    test::QtTestApp();
    const auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };
    {
        test::ScopedEnv english("LC_ALL", "en_US.UTF-8");
        EXPECT_EQ(qt::InstallQtTranslation(), nullptr);
    }
    test::ScopedEnv dutch("LC_ALL", "nl_NL.UTF-8");
    std::unique_ptr<QTranslator> translator = qt::InstallQtTranslation();
    ASSERT_NE(translator, nullptr) << "Qt's Dutch translation (qt6-translations-l10n) is missing";
    EXPECT_EQ(yes(), "&Ja");
    translator.reset();
    EXPECT_EQ(yes(), "&Yes");
}

TEST_F(QtDesktopTest, UnloadEndsTheLoopOnceTheLastDialogHasClosed) {
    struct OpenDialogs : test::FakeDialogLauncher {
        bool AnyOpen() const override { return open; }
        bool open = true;
    };
    auto dialogs = std::make_shared<OpenDialogs>();
    desktop_.SetDialogLauncher(dialogs);
    bool stillRunning = false;
    QTimer::singleShot(0, [&] { desktop_.MainWindowUnloaded(); });
    QTimer::singleShot(300ms, [&] {
        stillRunning = true;
        dialogs->open = false;
        desktop_.DialogClosed();
    });
    QTimer safety;
    safety.callOnTimeout([] { QCoreApplication::exit(1); });
    safety.start(5s);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(stillRunning);
}

}  // namespace
}  // namespace quarnel
