// SPDX-License-Identifier: MIT
#include "shell/qt/QtDesktop.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <QToolButton>

#include "shell/qt/DBusMenu.h"
#include "shell/qt/QtFileFilters.h"
#include "shell/qt/QtStrings.h"

namespace quarnel::qt {
namespace {

// Button sets and answers of MsgBox beyond those the program names.
constexpr int32_t kButtonSetMask = 0x0F;
constexpr int32_t kIconMask = 0x70;
constexpr int32_t kDefaultButtonMask = 0x300;
constexpr int32_t vbOKCancel = 1;
constexpr int32_t vbAbortRetryIgnore = 2;
constexpr int32_t vbYesNoCancel = 3;
constexpr int32_t vbRetryCancel = 5;
constexpr int32_t vbAbort = 3;
constexpr int32_t vbRetry = 4;
constexpr int32_t vbIgnore = 5;

struct Answer {
    QMessageBox::StandardButton button;
    int32_t value;
};

std::vector<Answer> ButtonSet(int32_t buttons) {
    switch (buttons & kButtonSetMask) {
        case vbOKCancel:
            return {{QMessageBox::Ok, platform::vbOK}, {QMessageBox::Cancel, platform::vbCancel}};
        case vbAbortRetryIgnore:
            return {{QMessageBox::Abort, vbAbort},
                    {QMessageBox::Retry, vbRetry},
                    {QMessageBox::Ignore, vbIgnore}};
        case vbYesNoCancel:
            return {{QMessageBox::Yes, platform::vbYes},
                    {QMessageBox::No, platform::vbNo},
                    {QMessageBox::Cancel, platform::vbCancel}};
        case platform::vbYesNo:
            return {{QMessageBox::Yes, platform::vbYes}, {QMessageBox::No, platform::vbNo}};
        case vbRetryCancel:
            return {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, platform::vbCancel}};
        default:
            return {{QMessageBox::Ok, platform::vbOK}};
    }
}

QMessageBox::Icon MessageIcon(int32_t buttons) {
    switch (buttons & kIconMask) {
        case platform::vbCritical:
            return QMessageBox::Critical;
        case platform::vbQuestion:
            return QMessageBox::Question;
        case platform::vbExclamation:
            return QMessageBox::Warning;
        case platform::vbInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// The answer when the box is closed without a button: Cancel where there is
// one, the only button of an OK box, otherwise the last button (No).
int32_t EscapeAnswer(const std::vector<Answer>& answers) {
    for (const Answer& answer : answers) {
        if (answer.value == platform::vbCancel) return answer.value;
    }
    return answers.back().value;
}

// The menu item that ends the program.
constexpr const char* kExitItem = "mnuExit";

// A text shown as it is: no markup, and each line break of the program's
// texts (CR LF, or a lone CR or LF) kept as one.
QString PlainText(const std::string& text) {
    QString shown = FromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void ConfigureFileDialog(QFileDialog& dialog, const platform::FileDialogRequest& request,
                         const QString& startFolder) {
    dialog.setWindowTitle(FromUtf8(request.title));
    const NameFilterList list = NameFilters(request.filter, request.filterIndex);
    if (!list.filters.isEmpty()) {
        dialog.setNameFilters(list.filters);
        dialog.selectNameFilter(list.filters[list.selected]);
    }
    dialog.setDirectory(startFolder);
    if (!request.fileName.empty()) dialog.selectFile(FromUtf8(request.fileName));
}

std::optional<std::string> RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return ToUtf8(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}

class QtTimer final : public platform::Timer {
  public:
    explicit QtTimer(std::function<void()> tick) {
        QObject::connect(&timer_, &QTimer::timeout, std::move(tick));
    }
    void SetInterval(std::chrono::milliseconds interval) override { timer_.setInterval(interval); }
    void SetEnabled(bool enabled) override {
        if (enabled) {
            timer_.start();
        } else {
            timer_.stop();
        }
    }
    bool Enabled() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
};

class QtDescriptorWatch final : public platform::DescriptorWatch {
  public:
    QtDescriptorWatch(int fd, std::function<void()> ready) : notifier_(fd, QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, std::move(ready));
    }

  private:
    QSocketNotifier notifier_;
};

}  // namespace

QString PickerStartFolder(const std::string& given, const std::string& dataFolder) {
    const QString path = FromUtf8(given);
    // A relative path would lead to the working folder, which means nothing here.
    if (QDir::isAbsolutePath(path)) {
        for (QFileInfo folder(QDir::cleanPath(path));; folder.setFile(folder.path())) {
            if (folder.isDir()) return folder.absoluteFilePath();
            if (folder.isRoot() || folder.path() == folder.filePath()) break;
        }
    }
    return FromUtf8(dataFolder);
}

QtDesktop::QtDesktop(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

QtDesktop::~QtDesktop() {
    while (busyDepth_ > 0) SetBusyPointer(false);
}

void QtDesktop::SetDialogLauncher(std::weak_ptr<DialogLauncher> dialogs) {
    dialogs_ = std::move(dialogs);
}

void QtDesktop::SetDialogCloser(std::function<void()> closeDialogs) {
    closeDialogs_ = std::move(closeDialogs);
}

void QtDesktop::DialogClosed() {
    if (mainWindowUnloaded_) QuitWhenNoDialogOpen();
}

int32_t QtDesktop::MsgBox(const std::string& prompt, int32_t buttons) {
    const std::vector<Answer> answers = ButtonSet(buttons);
    // Texts may come from the shop or from file names: never markup.
    QMessageBox box(MessageIcon(buttons), QStringLiteral("Quarnel"), PlainText(prompt));
    box.setTextFormat(Qt::PlainText);
    for (const Answer& answer : answers) box.addButton(answer.button);
    const size_t defaultIndex = static_cast<size_t>((buttons & kDefaultButtonMask) >> 8);
    if (defaultIndex < answers.size()) box.setDefaultButton(answers[defaultIndex].button);
    box.exec();
    for (const Answer& answer : answers) {
        if (box.clickedButton() == box.button(answer.button)) return answer.value;
    }
    return EscapeAnswer(answers);
}

std::optional<std::string> QtDesktop::ShowOpen(const platform::FileDialogRequest& request) {
    QFileDialog dialog;
    ConfigureFileDialog(dialog, request, PickerStartFolder(request.initialFolder, dataFolder_));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((request.flags & platform::cdlOFNFileMustExist) ? QFileDialog::ExistingFile
                                                                       : QFileDialog::AnyFile);
    return RunFileDialog(dialog);
}

std::optional<std::string> QtDesktop::ShowSave(const platform::FileDialogRequest& request) {
    QFileDialog dialog;
    ConfigureFileDialog(dialog, request, PickerStartFolder(request.initialFolder, dataFolder_));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     (request.flags & platform::cdlOFNOverwritePrompt) == 0);
    while (true) {
        std::optional<std::string> chosen = RunFileDialog(dialog);
        if (!chosen || !(request.flags & platform::cdlOFNPathMustExist) ||
            QFileInfo(FromUtf8(*chosen)).dir().exists()) {
            return chosen;
        }
        QMessageBox::warning(&dialog, dialog.windowTitle(),
                             QFileDialog::tr("The folder %1 does not exist.")
                                 .arg(QFileInfo(FromUtf8(*chosen)).path()));
    }
}

std::optional<std::string> QtDesktop::BrowseForFolder(
    const platform::FolderDialogRequest& request) {
    // Qt's own dialog, so that the new-folder button can be taken away.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setWindowTitle(FromUtf8(request.instruction));
    dialog.setLabelText(QFileDialog::LookIn, FromUtf8(request.instruction));
    // An existing folder is shown selected in its parent; otherwise the
    // picker opens in the nearest folder that exists.
    const QString start = PickerStartFolder(request.selectedFolder, dataFolder_);
    const QFileInfo folder(start);
    if (!request.selectedFolder.empty() && !folder.isRoot() &&
        QDir::cleanPath(FromUtf8(request.selectedFolder)) == start) {
        dialog.setDirectory(folder.absolutePath());
        dialog.selectFile(folder.fileName());
    } else {
        dialog.setDirectory(start);
    }
    if (!request.newFolderButton) {
        if (auto* button = dialog.findChild<QToolButton*>(QStringLiteral("newFolderButton"))) {
            button->hide();
        }
    }
    return RunFileDialog(dialog);
}

std::unique_ptr<platform::Timer> QtDesktop::CreateTimer(std::function<void()> tick) {
    return std::make_unique<QtTimer>(std::move(tick));
}

std::unique_ptr<platform::DescriptorWatch> QtDesktop::WatchDescriptor(int fd,
                                                                      std::function<void()> ready) {
    return std::make_unique<QtDescriptorWatch>(fd, std::move(ready));
}

std::optional<std::string> QtDesktop::PopupMenu(const std::vector<platform::MenuItem>& items) {
    // A StatusNotifierItem host shows the menu itself (DBusMenu).
    std::optional<std::string> name;
    if (auto answer = AnswerPopupFromExportedMenu(items)) {
        name = *answer;
    } else {
        name = ShowMenu(items);
    }
    // Exit ends the program with its dialogs: they close as Cancel does
    // while the settings, and so the trace, are still there.
    if (name == kExitItem && closeDialogs_) closeDialogs_();
    return name;
}

std::optional<std::string> QtDesktop::ShowMenu(const std::vector<platform::MenuItem>& items) {
    QMenu menu;
    for (const platform::MenuItem& item : items) {
        QAction* action =
            item.separator ? menu.addSeparator() : menu.addAction(FromUtf8(item.caption));
        action->setObjectName(FromUtf8(item.name));
        action->setEnabled(item.enabled);
        action->setVisible(item.visible);
        if (item.checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
    QAction* chosen = menu.exec(QCursor::pos());
    if (!chosen) return std::nullopt;
    return ToUtf8(chosen->objectName());
}

void QtDesktop::SetBusyPointer(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

void QtDesktop::MainWindowUnloaded() {
    mainWindowUnloaded_ = true;
    // Whatever ended the program, no dialog outlives it.
    if (closeDialogs_) closeDialogs_();
    QuitWhenNoDialogOpen();
}

void QtDesktop::QuitWhenNoDialogOpen() {
    const std::shared_ptr<DialogLauncher> dialogs = dialogs_.lock();
    if (dialogs && dialogs->AnyOpen()) return;
    // Leave the loop once the handler that unloaded the window has returned.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

}  // namespace quarnel::qt
