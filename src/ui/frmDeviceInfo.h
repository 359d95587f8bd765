// SPDX-License-Identifier: MIT
// The scanner information dialog: model, identity, software and protocol
// version and battery state, as read when the scanner was connected. It
// makes no library call of its own. Modal.
//
// Image list: "BatteryOK" and "BatteryLow".
#pragma once

#include <memory>
#include <string>

#include "scanner/clsOPN2001.h"
#include "ui/Form.h"
#include "ui/FormServices.h"

namespace quarnel::ui {

class frmDeviceInfo final : public Form {
  public:
    explicit frmDeviceInfo(FormServices services);

    // Set before the form is loaded; may be null.
    std::shared_ptr<clsOPN2001> OPN2001() const { return m_objOPN2001; }
    void SetOPN2001(std::shared_ptr<clsOPN2001> scanner) { m_objOPN2001 = std::move(scanner); }

  protected:
    void Form_Load() override;
    void Form_Activate() override;
    void OnClick(const std::string& name) override;

  private:
    void CreateControls();
    void InitTexts();
    void SizeControls();

    FormServices services_;
    std::shared_ptr<clsOPN2001> m_objOPN2001;
    bool m_blnLoadFailed = false;
};

}  // namespace quarnel::ui
