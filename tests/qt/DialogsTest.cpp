// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "FakeDesktop.h"
#include "QtTestEnvironment.h"
#include "TestSupport.h"
#include "app/modMain.h"
#include "backends/linux/VirtualPorts.h"
#include "platform/RegistryApi.h"
#include "platform/SerialPortTable.h"
#include "scanner/clsOPN2001.h"
#include "shell/qt/QtDialogLauncher.h"
#include "shell/qt/QtFormRenderer.h"
#include "shell/qt/QtTextMetrics.h"
#include "ui/frmAbout.h"
#include "ui/frmDeviceInfo.h"
#include "ui/frmOPN2001Settings.h"
#include "ui/frmOptions.h"
#include "ui/modBrowseFolder.h"

namespace quarnel::test {
namespace {

using ::testing::HasSubstr;

// The four dialogs opened through the launcher, with the settings in a
// private store and virtual scanners in a private folder.
class DialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Main("", StartupEnvironment{platform::OpenUserRegistry(platform::SystemSerialPortTable()),
                                    dir.Path(), dir.File("quarnel")});
        services.desktop = desktop;
        services.scannerLibrary = platform::SystemScannerLibrary();
        services.applicationFolder = dir.Path();
        launcher = std::make_shared<qt::QtDialogLauncher>(services);
        launcher->SetAllClosedHandler([this] { ++allClosed; });
    }
    void TearDown() override {
        launcher.reset();
        ExitApplication();
    }

    // Runs a command line tool (it sees this test's store); its output.
    std::string Run(const std::string& command) const {
        const std::string out = dir.File("tool-output");
        EXPECT_EQ(std::system((command + " >'" + out + "' 2>&1 </dev/null").c_str()), 0)
            << command << "\n"
            << ReadFileBytes(out);
        return ReadFileBytes(out);
    }
    std::shared_ptr<clsOPN2001> ConnectedScanner() {
        WriteFileBytes(platform::virtual_ports::FileOfPort(dir.Path(), "COM3"), "");
        auto scanner = std::make_shared<clsOPN2001>(platform::SystemScannerLibrary());
        EXPECT_TRUE(scanner->Connect(3));
        return scanner;
    }

    // The open window of a modeless dialog, active so that focus can move.
    qt::QtFormDialog& Shown(const std::string& formName) {
        qt::QtFormDialog* dialog = launcher->OpenDialog(formName);
        if (dialog == nullptr) throw std::runtime_error(formName + " is not open");
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog, 30000));
        return *dialog;
    }
    // Runs act on the modal dialog that open shows; open returns once it
    // closed, and the launcher then tells that all dialogs are closed.
    void WhileModal(const std::function<void()>& open,
                    const std::function<void(qt::QtFormDialog&)>& act) {
        bool acted = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<qt::QtFormDialog*>(QApplication::activeModalWidget());
            if (acted || dialog == nullptr) return;
            acted = true;
            act(*dialog);
        });
        poll.start(10);
        const int closed = allClosed;
        open();
        EXPECT_TRUE(acted);
        EXPECT_TRUE(WaitFor([&] { return allClosed == closed + 1; }));
    }
    static void Type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }

    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.Path()};
    ScopedEnv ports{platform::virtual_ports::kFolderVariable, dir.Path()};
    std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
    ui::FormServices services;
    std::shared_ptr<qt::QtDialogLauncher> launcher;
    int allClosed = 0;
};

TEST_F(DialogsTest, OptionsTickingEnablesTheFolderRowAndEnterStoresTheSettings) {
    Settings()->SetAutoSaveBarcodes(false);
    Settings()->SetPassword("abc");
    launcher->ShowOptions();
    launcher->ShowOptions();
    qt::QtFormDialog& dialog = Shown("frmOptions");
    EXPECT_EQ(QApplication::topLevelWidgets().count(&dialog), 1);

    auto* folder = Child<QLineEdit>(dialog, "txtBarcodesFolder");
    auto* browse = Child<QPushButton>(dialog, "cmdBrowseBarcodesFolder");
    EXPECT_FALSE(folder->isEnabled());
    for (bool enabled : {true, false, true}) {
        QTest::mouseClick(Child<QCheckBox>(dialog, "chkSaveBarcodes"), Qt::LeftButton);
        EXPECT_EQ(folder->isEnabled(), enabled);
        EXPECT_EQ(browse->isEnabled(), enabled);
    }
    Type(folder, QString::fromStdString(dir.File("scans")));
    EXPECT_EQ(Child<QLineEdit>(dialog, "txtPassword")->displayText(), QString(20, '*'));

    auto* const debtor = Child<QLineEdit>(dialog, "txtDebtor");
    Type(debtor, "4711");
    QTest::keyClick(debtor, Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return !launcher->AnyOpen() && allClosed == 1; }));

    const std::string stored = Run(QUARNEL_REG_EXE " query 'HKCU\\Software\\Hollinde\\Quarnel'");
    EXPECT_THAT(stored, HasSubstr("Debtor    REG_SZ    4711\n"));
    EXPECT_THAT(stored, HasSubstr("BarcodesFolder    REG_SZ    " + dir.File("scans") + "/\n"));
    EXPECT_THAT(stored, HasSubstr("    REG_SZ    abc\n"));
}

// Escape writes nothing. Unplugged and plugged in again while a scanner
// dialog is open: choosing it again binds the new scanner object, so OK and
// factory defaults reach the scanner.
TEST_F(DialogsTest, ScannerDialogsWriteOnOkOnlyAndTakeTheCurrentScanner) {
    auto unplugged = ConnectedScanner();
    launcher->ShowScannerSettings(unplugged);
    QTest::mouseClick(Child<QCheckBox>(Shown("frmOPN2001Settings"), "chkBeepOnScan"),
                      Qt::LeftButton);
    QTest::keyClick(&Shown("frmOPN2001Settings"), Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return !launcher->AnyOpen(); }));

    launcher->ShowScannerSettings(unplugged);
    qt::QtFormDialog& dialog = Shown("frmOPN2001Settings");
    auto* beeper = Child<QCheckBox>(dialog, "chkBeepOnScan");
    EXPECT_TRUE(beeper->isChecked());
    unplugged->Disconnect();
    auto replugged = ConnectedScanner();
    launcher->ShowScannerSettings(replugged);
    EXPECT_EQ(launcher->OpenDialog("frmOPN2001Settings"), &dialog);
    QTest::mouseClick(Child<QPushButton>(dialog, "cmdFactoryDefault"), Qt::LeftButton);
    EXPECT_TRUE(beeper->isChecked());
    QTest::mouseClick(beeper, Qt::LeftButton);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return !launcher->AnyOpen(); }));
    EXPECT_TRUE(desktop->msgBoxes.empty());
    EXPECT_THAT(
        Run(std::string(std::getenv("QUARNEL_VSCAN")) + " --dir '" + dir.Path() + "' show COM3"),
        HasSubstr("Beeper:            off"));

    WhileModal([&] { launcher->ShowDeviceInfo(nullptr); },
               [&](qt::QtFormDialog& info) {
                   launcher->ShowDeviceInfo(replugged);
                   EXPECT_EQ(dynamic_cast<ui::frmDeviceInfo&>(info.form()).OPN2001(), replugged);
                   QTest::keyClick(&info, Qt::Key_Escape);
               });
}

// The modal dialogs show what they read and close with Enter, Escape or OK.
TEST_F(DialogsTest, ModalDialogsShowWhatTheyReadAndCloseWithEnterEscapeOrOk) {
    WhileModal([&] { launcher->ShowDeviceInfo(nullptr); },
               [&](qt::QtFormDialog& dialog) {
                   EXPECT_EQ(Child<QLabel>(dialog, "lblDeviceID(1)")->text(), "-");
                   EXPECT_TRUE(Child<QLabel>(dialog, "picBattery")->pixmap().isNull());
                   QTest::keyClick(&dialog, Qt::Key_Return);
               });
    auto scanner = ConnectedScanner();
    WhileModal([&] { launcher->ShowDeviceInfo(scanner); },
               [&](qt::QtFormDialog& dialog) {
                   EXPECT_NE(Child<QLabel>(dialog, "lblDeviceID(1)")->text(), "-");
                   EXPECT_FALSE(Child<QLabel>(dialog, "picBattery")->pixmap().isNull());
                   QTest::mouseClick(Child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
               });
    for (auto key : {Qt::Key_Return, Qt::Key_Escape}) {
        WhileModal([&] { launcher->ShowAbout(); },
                   [&](qt::QtFormDialog& dialog) {
                       EXPECT_EQ(Child<QLabel>(dialog, "lblProgramVersion(1)")->text(),
                                 QUARNEL_VERSION);
                       QTest::keyClick(&dialog, key);
                   });
    }
}

// Texts that do not fit their control, controls that stick out of their
// container or cover a sibling.
std::vector<std::string> LayoutFaults(const QWidget& dialog) {
    std::vector<std::string> faults;
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->objectName().isEmpty()) continue;
        const std::string name = widget->objectName().toStdString();
        const QFontMetrics metrics(widget->font());
        int needed = 0;
        if (auto* label = qobject_cast<QLabel*>(widget); label && label->pixmap().isNull()) {
            needed = label->wordWrap() ? 0 : metrics.horizontalAdvance(label->text());
            if (label->wordWrap() && label->heightForWidth(label->width()) > label->height())
                faults.push_back(name + " is cut off at the bottom");
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            needed = box->sizeHint().width();
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            needed = metrics.horizontalAdvance(button->text()) + 8;
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            needed = combo->sizeHint().width();
        }
        if (needed > widget->width()) faults.push_back(name + " is too narrow for its text");
        if (!widget->parentWidget()->rect().contains(widget->geometry()))
            faults.push_back(name + " sticks out of its container");
        for (QObject* other : widget->parentWidget()->children()) {
            auto* sibling = qobject_cast<QWidget*>(other);
            if (sibling && sibling != widget && sibling->isVisible() &&
                !sibling->objectName().isEmpty() && name < sibling->objectName().toStdString() &&
                widget->geometry().intersects(sibling->geometry()))
                faults.push_back(name + " overlaps " + sibling->objectName().toStdString());
        }
    }
    return faults;
}

TEST_F(DialogsTest, NoTextIsCutOffAndNoControlCoversAnotherInEitherLanguage) {
    auto scanner = ConnectedScanner();
    services.metrics = std::make_shared<qt::QtTextMetrics>(QApplication::font());
    for (const char* locale : {"en_US.UTF-8", "nl_NL.UTF-8"}) {
        ScopedEnv language("LC_ALL", locale);
        auto info = std::make_shared<ui::frmDeviceInfo>(services);
        info->SetOPN2001(scanner);
        auto settings = std::make_shared<ui::frmOPN2001Settings>(services);
        settings->SetOPN2001(scanner);
        for (const auto& form : std::vector<std::shared_ptr<ui::Form>>{
                 std::make_shared<ui::frmOptions>(services,
                                                  std::make_shared<ui::modBrowseFolder>(desktop)),
                 settings, info, std::make_shared<ui::frmAbout>(services)}) {
            qt::QtFormDialog dialog(form);
            dialog.show();
            EXPECT_THAT(LayoutFaults(dialog), ::testing::IsEmpty())
                << form->Name() << " in " << locale;
        }
    }
}

}  // namespace
}  // namespace quarnel::test
