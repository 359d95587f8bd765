// SPDX-License-Identifier: MIT
// The folder picker behind the options dialog's folder buttons. It keeps,
// for the whole run, the folder the next picker opens at and the folder
// chosen last, which it also stores in the settings at once.
#pragma once

#include <memory>
#include <string>

#include "platform/Desktop.h"
#include "ui/Form.h"

namespace quarnel::ui {

class modBrowseFolder {
  public:
    explicit modBrowseFolder(std::shared_ptr<platform::Desktop> desktop);

    // The chosen folder ending in a separator, or "" when the user cancelled
    // or the picker failed. Never raises.
    std::string BrowsePath(const Form& Owner, const std::string& Title,
                           const std::string& InitialFolder);

    // The last folder chosen, or the stored one once it has been needed.
    const std::string& RememberedFolder() const { return remembered_; }

  private:
    std::shared_ptr<platform::Desktop> desktop_;
    std::string preselect_;
    std::string remembered_;
};

}  // namespace quarnel::ui
