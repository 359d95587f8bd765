// SPDX-License-Identifier: MIT
// The settings dialog: shows the settings object's values in four sections
// (general, autosave, trace file, web shop identification), copies the ones
// the user changed back and saves them on OK, and touches nothing on Cancel.
// Modeless.
//
// Image list: "General", "Autosave", "Tracefile" and "UserID", the icons at
// the left of the four sections.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "ui/Form.h"
#include "ui/FormServices.h"
#include "ui/modBrowseFolder.h"

namespace quarnel::ui {

class frmOptions final : public Form {
  public:
    // browseFolder lives for the whole run and is shared by every opening.
    frmOptions(FormServices services, std::shared_ptr<modBrowseFolder> browseFolder);

  protected:
    void Form_Load() override;
    void OnClick(const std::string& name) override;
    void OnLostFocus(const std::string& name) override;
    void OnChange(const std::string& name) override;

  private:
    void CreateControls();
    void InitTexts();
    void ApplySettings();
    void SizeControls();

    // True when the user changed the control (typing, ticking, choosing,
    // picking) and it no longer shows what ApplySettings put there.
    bool Edited(const std::string& name) const;
    // False, after telling the user, when an edited identification box
    // holds a character the web shop cannot receive.
    bool IdentificationSendable();

    // A check box's rule: its section's text box and "..." button follow it.
    void CheckBoxClick(const std::string& checkBox, const std::string& textBox,
                       const std::string& button);
    void FolderLostFocus(const std::string& textBox);
    void BrowseFolder(const std::string& handler, const std::string& textBox, int titleText);
    void cmdBrowseTracefile_Click();
    void txtPassword_LostFocus();
    void cmdOK_Click();
    void cmdCancel_Click();

    FormServices services_;
    std::shared_ptr<modBrowseFolder> browseFolder_;
    // Control name -> its text, tick or entry as ApplySettings showed it.
    std::map<std::string, std::string> shown_;
    std::set<std::string> changedByUser_;
};

// The password as the dialog shows it: padded with blanks, or cut, to 20
// characters (not bytes).
std::string PadPassword(const std::string& password);

}  // namespace quarnel::ui
