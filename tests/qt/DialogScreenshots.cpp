// SPDX-License-Identifier: MIT
// qt_dialog_screenshots OUTDIR LANG: saves each dialog, filled with sample
// settings and a virtual scanner, as OUTDIR/<dialog>-<LANG>.png. Language,
// store and scanner folder come from the environment the calling script sets.
#include <QApplication>
#include <QPainter>
#include <QTest>
#include <cstdio>
#include <memory>
#include <string>

#include "DialogSamples.h"
#include "FakeDesktop.h"
#include "app/modMain.h"
#include "backends/linux/VirtualPorts.h"
#include "platform/RegistryApi.h"
#include "platform/SerialPortTable.h"
#include "scanner/clsOPN2001.h"
#include "shell/qt/QtFormRenderer.h"
#include "shell/qt/QtTextMetrics.h"
#include "ui/frmAbout.h"
#include "ui/frmDeviceInfo.h"
#include "ui/frmOPN2001Settings.h"
#include "ui/frmOptions.h"
#include "ui/modBrowseFolder.h"

namespace {

using namespace quarnel;

// The dialog under a plain title bar, so the caption shows in the picture.
QImage Framed(QWidget& dialog) {
    const QPixmap client = dialog.grab();
    const QSize size = client.deviceIndependentSize().toSize();
    const int bar = dialog.fontMetrics().height() + 10;
    QImage image(QSize(size.width() + 2, size.height() + bar + 1) * client.devicePixelRatio(),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(client.devicePixelRatio());
    image.fill(QColor(0x5a, 0x64, 0x70));
    QPainter painter(&image);
    painter.fillRect(1, 1, size.width(), bar - 1, QColor(0x2b, 0x4f, 0x80));
    painter.setPen(Qt::white);
    painter.setFont(dialog.font());
    painter.drawText(QRect(10, 1, size.width() - 20, bar - 1), Qt::AlignVCenter,
                     dialog.windowTitle());
    painter.drawPixmap(1, bar, client);
    return image;
}

bool Save(std::shared_ptr<ui::Form> form, const QString& path) {
    qt::QtFormDialog dialog(std::move(form));
    dialog.show();
    QTest::qWait(300);
    const bool saved = Framed(dialog).save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    dialog.close();
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: qt_dialog_screenshots OUTDIR LANG\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString language = QString::fromLocal8Bit(argv[2]);
    const char* homeVariable = std::getenv("HOME");
    const std::string home = homeVariable != nullptr ? homeVariable : "/tmp";

    Main("", StartupEnvironment{platform::OpenUserRegistry(platform::SystemSerialPortTable()), home,
                                home + "/quarnel"});
    test::SampleSettings("/home/jansen");

    const std::string ports = platform::virtual_ports::FolderFromEnvironment();
    std::FILE* file = std::fopen(platform::virtual_ports::FileOfPort(ports, "COM3").c_str(), "w");
    if (file != nullptr) std::fclose(file);
    auto library = platform::SystemScannerLibrary();
    auto scanner = std::make_shared<clsOPN2001>(library);
    scanner->Connect(3);

    auto desktop = std::make_shared<test::FakeDesktop>();
    ui::FormServices services;
    services.desktop = desktop;
    services.metrics = std::make_shared<qt::QtTextMetrics>(QApplication::font());
    services.scannerLibrary = library;
    services.applicationFolder = home;

    bool saved = Save(
        std::make_shared<ui::frmOptions>(services, std::make_shared<ui::modBrowseFolder>(desktop)),
        out + "/options-" + language + ".png");
    auto settingsForm = std::make_shared<ui::frmOPN2001Settings>(services);
    settingsForm->SetOPN2001(scanner);
    saved &= Save(settingsForm, out + "/scanner-settings-" + language + ".png");
    auto info = std::make_shared<ui::frmDeviceInfo>(services);
    info->SetOPN2001(scanner);
    saved &= Save(info, out + "/scanner-info-" + language + ".png");
    auto noScanner = std::make_shared<ui::frmDeviceInfo>(services);
    saved &= Save(noScanner, out + "/scanner-info-none-" + language + ".png");
    saved &= Save(std::make_shared<ui::frmAbout>(services), out + "/about-" + language + ".png");

    scanner.reset();
    ExitApplication();
    return saved ? 0 : 1;
}
