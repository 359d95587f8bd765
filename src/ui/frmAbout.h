// SPDX-License-Identifier: MIT
// The about box: program and scanner library versions, the legal notice
// and the credits line. Modal; OK, Enter and Escape close it.
//
// Image list: "Logo".
#pragma once

#include <string>

#include "ui/Form.h"
#include "ui/FormServices.h"

namespace quarnel::ui {

class frmAbout final : public Form {
  public:
    explicit frmAbout(FormServices services);

  protected:
    void Form_Load() override;
    void Form_Activate() override;
    void OnClick(const std::string& name) override;

  private:
    void CreateControls();
    void InitTexts();
    void SizeControls();

    FormServices services_;
    bool m_blnCloseOnActivate = false;
};

// "major.minor.revision" as plain numbers ("1.01.0001" gives "1.1.1"),
// followed by a blank and the comments when there are any.
std::string FormatProgramVersion(const std::string& version, const std::string& comments);

}  // namespace quarnel::ui
