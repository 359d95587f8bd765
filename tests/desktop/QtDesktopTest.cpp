// SPDX-License-Identifier: MIT
// The desktop services on Qt: answers of the modal windows, the menu's
// choice, and the event sources that keep running while those are open.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <csignal>

#include "FakeDialogLauncher.h"
#include "QtTestApp.h"
#include "TestSupport.h"
#include "shell/qt/QtDesktop.h"
#include "shell/qt/QtFileFilters.h"
#include "shell/qt/QtTranslation.h"
#include "shell/qt/SingleInstance.h"
#include "shell/qt/StopSignals.h"

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
    test::TempDir data_;
    qt::QtDesktop desktop_{data_.Path()};
};

// The buttons asked for answer with their values, and Escape with Cancel
// where there is one. Shop replies and file names reach message boxes: they
// show as written, never as markup (a link could open any file, an image
// could hang the box).
TEST_F(QtDesktopTest, MessageBoxAnswersWithTheButtonsValueAndShowsTextLiterally) {
    struct Case {
        std::string prompt;
        QString shown;
        int32_t buttons;
        QMessageBox::StandardButton click;  // NoButton: closed with Escape
        QMessageBox::Icon icon;
        int32_t answer;
    };
    const Case cases[] = {
        {"Übertragen?", "Übertragen?", vbOKOnly, QMessageBox::Ok, QMessageBox::NoIcon, vbOK},
        {"?", "?", vbYesNo | vbQuestion, QMessageBox::Yes, QMessageBox::Question, vbYes},
        {"!", "!", vbYesNo | vbExclamation, QMessageBox::No, QMessageBox::Warning, vbNo},
        {"message:<b>closed</b>", "message:<b>closed</b>", 3 | vbCritical, QMessageBox::NoButton,
         QMessageBox::Critical, vbCancel},
        {"<a href=\"file:///etc/passwd\">Klik hier</a>",
         "<a href=\"file:///etc/passwd\">Klik hier</a>", vbInformation, QMessageBox::NoButton,
         QMessageBox::Information, vbOK},
        {"<img src=\"/dev/zero\">", "<img src=\"/dev/zero\">", vbOKOnly | vbCritical,
         QMessageBox::Ok, QMessageBox::Critical, vbOK},
        {"Not sent\r\n\r\n&amp; <i>saved</i>\nin\rOrders",
         "Not sent\n\n&amp; <i>saved</i>\nin\nOrders", vbOKOnly, QMessageBox::Ok,
         QMessageBox::NoIcon, vbOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompt);
        WhenOpen<QMessageBox>([&c](QMessageBox& box) {
            EXPECT_EQ(box.windowTitle(), "Quarnel");
            EXPECT_EQ(box.icon(), c.icon);
            const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
            EXPECT_EQ(label->text(), c.shown);
            if (c.click == QMessageBox::NoButton) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(&box, &escape);
                if (box.isVisible()) box.reject();
            } else {
                box.button(c.click)->click();
            }
        });
        EXPECT_EQ(desktop_.MsgBox(c.prompt, c.buttons), c.answer);
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
    // Exit closes the dialogs before its handler runs.
    int closed = 0;
    desktop_.SetDialogCloser([&closed] { ++closed; });
    EXPECT_EQ(desktop_.PopupMenu(items), "mnuExit");
    EXPECT_EQ(closed, 1);

    WhenOpen<QMenu>([](QMenu& menu) { menu.close(); });
    EXPECT_EQ(desktop_.PopupMenu(items), std::nullopt);
    EXPECT_EQ(closed, 1);
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
        // The window closes once both have been seen, or after a generous limit.
        WhenOpen<QWidget>([&](QWidget& window) {
            auto* poll = new QTimer(&window);
            QObject::connect(poll, &QTimer::timeout, &window, [&window, &ticks, &ready] {
                if (ticks >= 10 && ready == 1) window.close();
            });
            poll->start(10ms);
            QTimer::singleShot(30s, &window, &QWidget::close);
        });
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

// A folder that does not exist yet (a fresh profile's Barcodes) must not
// send the pickers to the working folder.
TEST_F(QtDesktopTest, PickersStartInTheNearestExistingFolderElseTheDataFolder) {
    test::TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("Orders").c_str(), 0700), 0);
    test::WriteFileBytes(dir.File("Orders/order.csv"), "");
    const std::string data =
        QDir(QString::fromStdString(data_.Path())).absolutePath().toStdString();
    const std::pair<std::string, std::string> cases[] = {
        {dir.File("Orders"), dir.File("Orders")},
        {dir.File("Orders") + "/", dir.File("Orders")},
        {dir.File("Orders/order.csv"), dir.File("Orders")},
        {dir.File("Barcodes/2026/"), dir.Path()},
        {"/nonexistent-quarnel/a/b", "/"},
        {"Barcodes/", data},
        {"", data},
    };
    for (const auto& [given, start] : cases)
        EXPECT_EQ(qt::PickerStartFolder(given, data).toStdString(), start) << given;

    // Each picker opens where that says.
    const auto opensIn = [](const std::string& folder) {
        WhenOpen<QFileDialog>([folder](QFileDialog& dialog) {
            EXPECT_EQ(dialog.directory().absolutePath().toStdString(), folder);
            dialog.reject();
        });
    };
    const std::string missing = dir.File("Barcodes/");
    FileDialogRequest inMissing;
    inMissing.initialFolder = missing;
    FolderDialogRequest selectMissing, selectOrders;
    selectMissing.selectedFolder = missing;
    selectOrders.selectedFolder = dir.File("Orders") + "/";
    opensIn(dir.Path());
    EXPECT_EQ(desktop_.ShowOpen(inMissing), std::nullopt);
    opensIn(dir.Path());
    EXPECT_EQ(desktop_.ShowSave(inMissing), std::nullopt);
    opensIn(dir.Path());
    EXPECT_EQ(desktop_.BrowseForFolder(selectMissing), std::nullopt);
    opensIn(data);
    EXPECT_EQ(desktop_.BrowseForFolder({}), std::nullopt);
    // An existing folder is shown selected inside its parent.
    WhenOpen<QFileDialog>([&dir](QFileDialog& dialog) {
        EXPECT_EQ(dialog.directory().absolutePath().toStdString(), dir.Path());
        EXPECT_EQ(dialog.selectedFiles().value(0).toStdString(), dir.File("Orders"));
        dialog.reject();
    });
    EXPECT_EQ(desktop_.BrowseForFolder(selectOrders), std::nullopt);
}

// One program per user: the lock is held while its owner lives and is free
// again once the owner has gone, even when it was killed.
TEST(SingleInstanceTest, OneHolderAtATimeAndNoStaleLockAfterACrash) {
    test::TempDir dir;
    {
        test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path());
        EXPECT_EQ(qt::InstanceLockFile(), dir.File("Quarnel.lock"));
    }
    const std::string lock = dir.File("Quarnel.lock");
    {
        const qt::SingleInstance first(lock);
        EXPECT_TRUE(first.First());
        EXPECT_FALSE(qt::SingleInstance(lock).First());
    }
    EXPECT_TRUE(qt::SingleInstance(lock).First());

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const qt::SingleInstance held(lock);
        const char byte = held.First() ? 1 : 0;
        if (write(ready[1], &byte, 1) != 1) _exit(1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(byte, 1);
    EXPECT_FALSE(qt::SingleInstance(lock).First());
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_TRUE(qt::SingleInstance(lock).First());
    close(ready[0]);
    close(ready[1]);

    // Where no lock file can be made the program still runs.
    EXPECT_TRUE(qt::SingleInstance(dir.File("missing/Quarnel.lock")).First());
    EXPECT_TRUE(qt::SingleInstance("").First());
}

// The first stop signal asks the loop to end the program; a second one ends
// the process at once, for a loop that is stuck.
TEST(StopSignalsTest, ASecondSignalEndsTheProcess) {
    test::QtTestApp();
    for (const int received : {1, 2}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const qt::StopSignals stop([] {});
            for (int i = 0; i < received; ++i) raise(SIGTERM);
            _exit(3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (received == 1) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
        } else {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        }
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
