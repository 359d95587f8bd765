// SPDX-License-Identifier: MIT
#include "ui/modBrowseFolder.h"

#include "base/ErrorInfo.h"
#include "base/TraceLog.h"
#include "base/modUtils.h"
#include "settings/SharedSettings.h"

namespace quarnel::ui {

namespace {

// Runs one step; a failure skips only that step and is kept for the exit
// entry.
template <typename Step>
void Try(std::string& lastError, Step step) {
    try {
        step();
    } catch (...) {
        lastError = ErrorText();
    }
}

bool IsFolder(const std::string& path) {
    return FileExists(path, kAttrDirectory);
}

// The folder itself when it exists, else its nearest existing parent, else "".
std::string NearestFolder(std::string path) {
    const char separator = platform::PathSeparator();
    while (!path.empty() && !IsFolder(path)) {
        while (path.size() > 1 && path.back() == separator) path.pop_back();
        const size_t cut = path.find_last_of(separator);
        if (cut == std::string::npos || cut + 1 == path.size()) return {};
        path.erase(cut + 1);
    }
    return path;
}

}  // namespace

modBrowseFolder::modBrowseFolder(std::shared_ptr<platform::Desktop> desktop)
    : desktop_(std::move(desktop)) {}

std::string modBrowseFolder::BrowsePath(const Form& Owner, const std::string& Title,
                                        const std::string& InitialFolder) {
    std::string lastError;
    std::string result;
    trace::Entering("modBrowseFolder.BrowsePath", TraceArgs({{"Owner.Name", Owner.Name()},
                                                             {"Title", Title},
                                                             {"InitialFolder", InitialFolder}}));
    preselect_.clear();
    if (!InitialFolder.empty()) {
        // A folder that does not exist yet opens the picker at the nearest
        // one that does.
        Try(lastError, [&] { preselect_ = NearestFolder(InitialFolder); });
    } else {
        Try(lastError, [&] {
            if (remembered_.empty() && Settings()) remembered_ = Settings()->LastFolder();
            if (!remembered_.empty() && IsFolder(remembered_)) preselect_ = remembered_;
        });
    }

    platform::FolderDialogRequest request;
    if (!Title.empty()) {
        trace::Detail("Calling API lstrcat");
        request.instruction = Title;
    }
    request.selectedFolder = preselect_;
    trace::CallingApi("SHBrowseForFolder");
    std::optional<std::string> chosen;
    Try(lastError, [&] { chosen = desktop_->BrowseForFolder(request); });
    // The picker hands back a path, not an item list: 1 stands for a choice.
    trace::ApiResult("SHBrowseForFolder", chosen ? "1" : "0");

    if (chosen) {
        trace::Detail("Calling API SHGetPathFromIDList");
        result = chosen->substr(0, chosen->find('\0'));
        if (!result.empty() && result.back() != platform::PathSeparator())
            result += platform::PathSeparator();
    }

    if (!result.empty() && result != remembered_) {
        remembered_ = result;
        Try(lastError, [&] {
            auto settings = Settings();
            if (!settings) RaiseError(ErrNo::ObjectNotSet);
            settings->SetLastFolder(result);
            settings->Save();
        });
    }
    trace::Detail("Exiting BrowsePath (=" + result + "): " + lastError);
    return result;
}

}  // namespace quarnel::ui
