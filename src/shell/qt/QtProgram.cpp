// SPDX-License-Identifier: MIT
#include "shell/qt/QtProgram.h"

#include <QApplication>
#include <QSessionManager>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <string>

#include "app/frmMain.h"
#include "app/modMain.h"
#include "platform/DeviceNotifications.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/RegistryApi.h"
#include "platform/ScannerLibrary.h"
#include "platform/SerialPortTable.h"
#include "shell/qt/QtDesktop.h"
#include "shell/qt/QtDialogLauncher.h"
#include "shell/qt/QtIcons.h"
#include "shell/qt/QtShellNotify.h"
#include "shell/qt/QtTranslation.h"
#include "shell/qt/SingleInstance.h"
#include "shell/qt/StopSignals.h"

namespace quarnel::qt {
namespace {

std::string CommandLine(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return commandLine;
}

// Ends the program the way "Exit" does, for a signal or the end of the
// session. The dialogs close first, as Cancel does, while the settings and
// the trace are still there. The main window is unloaded from the outermost
// loop only, so that a read-out waiting in a message box or menu is not
// pulled from under its feet: open popups and modal windows are closed, and
// the unload follows once their loops have returned.
class ProgramStop final {
  public:
    ProgramStop(frmMain& window, QtDialogLauncher& dialogs) : window_(window), dialogs_(dialogs) {
        retry_.setInterval(50);
        QObject::connect(&retry_, &QTimer::timeout, [this] { Attempt(); });
    }

    void Request() {
        if (!retry_.isActive()) retry_.start();
        Attempt();
    }

  private:
    void Attempt() {
        if (window_.Unloaded()) {
            retry_.stop();
            return;
        }
        dialogs_.CloseAll();
        if (QThread::currentThread()->loopLevel() > 1) {
            if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
            return;
        }
        retry_.stop();
        window_.Unload();
    }

    frmMain& window_;
    QtDialogLauncher& dialogs_;
    QTimer retry_;
};

}  // namespace

int RunProgram(int argc, char** argv) {
    const std::string commandLine = CommandLine(argc, argv);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarnel"));
    QApplication::setDesktopFileName(QStringLiteral("quarnel"));
    QApplication::setWindowIcon(IconFromHandle(platform::kIconApplication));
    // The program has no window of its own; closing a dialog must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    const std::unique_ptr<QTranslator> qtTexts = InstallQtTranslation();

    // One program per user: a second start says so and ends.
    const SingleInstance instance(InstanceLockFile());
    if (!instance.First()) {
        QtDesktop(platform::ApplicationFolder())
            .MsgBox(AlreadyRunningText(platform::UserLanguage()),
                    platform::vbOKOnly | platform::vbInformation);
        return 0;
    }

    // The application folder plays the part of the executable's own folder,
    // which always exists; a first run creates it, private, before anything
    // is traced.
    platform::EnsureApplicationFolder();

    // Installed before anything is traced, so that a signal never kills the
    // program halfway; it is acted on once the loop runs.
    std::optional<ProgramStop> stop;
    StopSignals stopSignals([&stop] {
        if (stop) stop->Request();
    });

    auto registry = platform::OpenUserRegistry(platform::SystemSerialPortTable());
    auto desktop = std::make_shared<QtDesktop>(platform::ApplicationFolder());
    MainWindowServices services;
    services.desktop = desktop;
    services.shell = std::make_shared<QtShellNotify>();
    services.scannerLibrary = platform::SystemScannerLibrary();
    ui::FormServices formServices;
    formServices.desktop = desktop;
    formServices.scannerLibrary = services.scannerLibrary;
    formServices.applicationFolder = platform::ApplicationFolder();
    auto dialogs = std::make_shared<QtDialogLauncher>(std::move(formServices));
    dialogs->SetAllClosedHandler([desktop] { desktop->DialogClosed(); });
    desktop->SetDialogCloser([dialogs = std::weak_ptr(dialogs)] {
        if (auto open = dialogs.lock()) open->CloseAll();
    });
    services.dialogs = dialogs;
    services.registry = registry;
    services.openDeviceNotifications = [](platform::HiddenWindow& window) {
        return platform::OpenDeviceNotifications(window);
    };
    desktop->SetDialogLauncher(services.dialogs);

    const StartupEnvironment environment{registry, platform::ApplicationFolder(),
                                         platform::ExecutablePath()};
    std::unique_ptr<frmMain> window = Main(commandLine, environment, std::move(services));

    stop.emplace(*window, *dialogs);
    QObject::connect(&application, &QGuiApplication::commitDataRequest,
                     [&stop](QSessionManager&) { stop->Request(); });

    // A window whose loading failed early may already be unloaded; the loop
    // then ends at once.
    if (!window->Unloaded()) QApplication::exec();
    window->Unload();
    window.reset();
    return 0;
}

}  // namespace quarnel::qt
