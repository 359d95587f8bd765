// SPDX-License-Identifier: MIT
// The scanner settings dialog: the beeper switch, the scanner's clock (set
// from the PC's clock on request) and a reset to factory defaults. Nothing
// reaches the scanner before OK, except the reset. Modeless.
//
// Image list: "1" the set-clock picture, "2" the same highlighted, "3" the
// same disabled; the image's Tag names the picture it shows.
#pragma once

#include <memory>
#include <string>

#include "base/DateTime.h"
#include "scanner/clsOPN2001.h"
#include "ui/Form.h"
#include "ui/FormServices.h"

namespace quarnel::ui {

// Parameter 2 of the scanner: beep on scan.
inline constexpr int32_t kBeepOnScanParam = 2;

class frmOPN2001Settings final : public Form {
  public:
    explicit frmOPN2001Settings(FormServices services);

    // Set before the form is loaded.
    std::shared_ptr<clsOPN2001> OPN2001() const { return m_objOPN2001; }
    void SetOPN2001(std::shared_ptr<clsOPN2001> scanner) { m_objOPN2001 = std::move(scanner); }

  protected:
    void Form_Load() override;
    void Form_Activate() override;
    void OnClick(const std::string& name) override;
    void OnMouseMove(const std::string& name, const MouseArgs& args) override;
    void OnTimer(const std::string& name) override;

  private:
    void CreateControls();
    void InitTexts();
    void ReadScannerSettings();
    void SizeControls();
    void ShowDateTime();
    void BlankDateTime();
    bool ApplySettings();
    bool ScannerAvailable() const;
    void ShowClockPicture(const std::string& number);

    void cmdFactoryDefault_Click();
    void cmdOK_Click();
    void imgSetDateTime_Click();
    void tmrDateTime_Timer();

    FormServices services_;
    std::shared_ptr<clsOPN2001> m_objOPN2001;
    DateTime m_dtmDateTime;
    bool m_blnLoadFailed = false;
};

// The date-time one second later, by the calendar (no time zone involved).
DateTime AddSecond(DateTime value);

}  // namespace quarnel::ui
