// SPDX-License-Identifier: MIT
// What the program's windows need from the desktop besides the tray icon:
// message boxes, the file and folder pickers, timers, the pop-up menu, the
// hourglass pointer and watching descriptors. The program's toolkit layer
// implements them; tests script them. Texts are UTF-8 here: the desktop
// shows them, nothing stores them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarnel::platform {

// Message box buttons and icons, with the values of MsgBox.
inline constexpr int32_t vbOKOnly = 0;
inline constexpr int32_t vbYesNo = 4;
inline constexpr int32_t vbCritical = 16;
inline constexpr int32_t vbQuestion = 32;
inline constexpr int32_t vbExclamation = 48;
inline constexpr int32_t vbInformation = 64;

// Answers.
inline constexpr int32_t vbOK = 1;
inline constexpr int32_t vbCancel = 2;
inline constexpr int32_t vbYes = 6;
inline constexpr int32_t vbNo = 7;

// Flags of the file dialogs, with the common dialog's values.
inline constexpr uint32_t cdlOFNOverwritePrompt = 0x2;
inline constexpr uint32_t cdlOFNPathMustExist = 0x800;
inline constexpr uint32_t cdlOFNFileMustExist = 0x1000;

// One use of the open or save dialog. The filter list is pairs of
// description and pattern separated by "|" ("CSV files|*.csv|All|*.*");
// filterIndex is 1-based.
struct FileDialogRequest {
    std::string title;
    std::string filter;
    int32_t filterIndex = 1;
    std::string initialFolder;
    std::string fileName;  // proposed name, may be empty
    uint32_t flags = 0;
};

// One use of the folder picker.
struct FolderDialogRequest {
    std::string instruction;     // text shown above the folders
    std::string selectedFolder;  // preselected, may be empty
    bool fileSystemOnly = true;  // only real folders can be chosen
    bool editBox = true;         // the user can type a path
    bool newFolderButton = false;
};

// A repeating timer; ticks keep coming while modal windows are open.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void SetInterval(std::chrono::milliseconds interval) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
};

// Calls back while a descriptor is readable, from the event loop.
class DescriptorWatch {
  public:
    virtual ~DescriptorWatch() = default;
};

// One item of a pop-up menu, in menu order.
struct MenuItem {
    std::string name;     // the control name: "mnuReadData"
    std::string caption;  // empty for a separator
    bool separator = false;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
};

class Desktop {
  public:
    virtual ~Desktop() = default;

    // Modal; title "Quarnel". buttons is a sum of one button set and one icon.
    virtual int32_t MsgBox(const std::string& prompt, int32_t buttons) = 0;

    // The chosen file, or nothing when the user cancelled.
    virtual std::optional<std::string> ShowOpen(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> ShowSave(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> BrowseForFolder(const FolderDialogRequest& request) = 0;

    virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> tick) = 0;
    // Calls ready whenever fd is readable, until the watch is destroyed.
    virtual std::unique_ptr<DescriptorWatch> WatchDescriptor(int fd,
                                                             std::function<void()> ready) = 0;

    // Pops the menu up at the pointer and returns the chosen item's name,
    // or nothing when the menu was closed without a choice.
    virtual std::optional<std::string> PopupMenu(const std::vector<MenuItem>& items) = 0;

    // The hourglass pointer while on, the normal one after.
    virtual void SetBusyPointer(bool busy) = 0;

    // The main window has been unloaded: the program ends once no dialog
    // window of it is open any more.
    virtual void MainWindowUnloaded() = 0;
};

}  // namespace quarnel::platform
