// SPDX-License-Identifier: MIT
// The read-out pipeline of the main window: save the read-out, make the
// order, save it, send it and report the outcome.
#include <cerrno>
#include <cstdio>
#include <utility>

#include "app/frmMain.h"
#include "app/modMain.h"
#include "base/ErrorInfo.h"
#include "base/TraceLog.h"
#include "base/modTexts.h"
#include "base/modUtils.h"
#include "model/Safekeeping.h"

namespace quarnel {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

namespace {

constexpr const char* kNewLine = "\r\n";
constexpr const char* kSentBalloon = "Bestelling succesvol verzonden";

constexpr int32_t kSent = 0;
constexpr int32_t kPageNotOpened = 4;
constexpr int32_t kNotAccepted = 5;
constexpr int32_t kFailed = 6;

// "yyyymmdd hhnnss" of now, the name of a saved file.
std::string FileStamp() {
    const DateTime now = DateTime::Now();
    return Pad(now.year, 4) + Pad(now.month, 2) + Pad(now.day, 2) + " " + Pad(now.hour, 2) +
           Pad(now.minute, 2) + Pad(now.second, 2);
}

// The settings, read at the moment of use; gone once the window unloaded.
std::shared_ptr<clsSettings> CurrentSettings() {
    std::shared_ptr<clsSettings> settings = Settings();
    if (!settings) RaiseError(ErrNo::ObjectNotSet);
    return settings;
}

std::string NotSavedMessage(int textId, const std::string& folder) {
    return GetText(textId, folder) + kNewLine + kNewLine + GetText(130);
}

std::string NotSavedEntry(const char* what, const std::string& folder) {
    return std::string("The ") + what + " could not be saved in '" + folder +
           "'. Make sure you have writing permissions and that this folder exists.";
}

// Makes a run the current one for its lifetime; the one it interrupted
// comes back after.
template <typename Run>
class RunScope {
  public:
    RunScope(Run*& slot, Run* run) : slot_(slot), outer_(std::exchange(slot, run)) {}
    ~RunScope() { slot_ = outer_; }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

  private:
    Run*& slot_;
    Run* outer_;
};

}  // namespace

bool frmMain::KeepReadOutSafe(const std::shared_ptr<clsReadSession>& session) {
    keptSession_ = session;
    keptCopy_.clear();
    try {
        const std::shared_ptr<clsOrder> order = session->ToOrder();
        if (!order) RaiseError(ErrNo::ObjectNotSet);
        // Barcodes that make no order line leave nothing to send.
        if (order->CountLines() == 0) return true;
        const std::string name =
            safekeeping::NewRecoveryCopyName(applicationFolder_, DateTime::Now());
        if (order->SaveAsCSV(name, true)) {
            trace::Event("Order kept as '" + name + "' until it is sent or saved");
            keptCopy_ = name;
            return true;
        }
    } catch (...) {
        trace::Error("Error keeping the barcodes safe: ");
    }
    trace::Event("The barcodes could not be stored safely in '" + applicationFolder_ + "'");
    if (m_objTray) m_objTray->UpdateBalloon(GetText(175, applicationFolder_), NIIF_ERROR);
    return false;
}

void frmMain::OrderSent(const clsOrder& order) {
    if (!run_) return;
    if (!run_->readOutKey.empty()) {
        try {
            safekeeping::RememberSent(applicationFolder_, run_->readOutKey, order.OrderNr());
        } catch (...) {
            trace::Error("Error remembering order " + order.OrderNr() + " as sent: ");
        }
    }
    DropRecoveryCopy();
}

void frmMain::DropRecoveryCopy() {
    if (!run_ || run_->recoveryCopy.empty()) return;
    const std::string copy = std::exchange(run_->recoveryCopy, {});
    try {
        if (std::remove(copy.c_str()) != 0) throw ErrorFromErrno(errno);
        trace::Event("Removed the order kept as '" + copy + "'");
    } catch (...) {
        trace::Error("Error removing the order kept as '" + copy + "': ");
    }
}

void frmMain::ReportSaveFailure(int textId, const std::string& name) {
    services_.desktop->MsgBox(GetText(textId, name) + kNewLine + kNewLine + GetText(130),
                              platform::vbOKOnly + platform::vbExclamation);
}

void frmMain::AnnounceUnsentOrders() {
    const std::vector<std::string> copies = safekeeping::RecoveryCopies(applicationFolder_);
    if (copies.empty()) return;
    for (const std::string& copy : copies) trace::Event("Unsent order waiting in '" + copy + "'");
    const std::string count = TraceValue(static_cast<int32_t>(copies.size()));
    m_objTray->ShowBalloon(GetText(183), GetText(182, {count, applicationFolder_, GetText(133)}),
                           NIIF_WARNING, true);
}

void frmMain::m_objOPN2001_BarcodesRead(const std::shared_ptr<clsReadSession>& Session) {
    const std::shared_ptr<clsReadSession> session = Session;
    trace::Entering("frmMain.m_objOPN2001_BarcodesRead",
                    "Session.SessionDate = " + TraceValue(session->SessionDate()));
    OrderInHand run;
    if (keptSession_ == session) run.recoveryCopy = std::exchange(keptCopy_, {});
    keptSession_.reset();
    run.notes = std::exchange(readNotes_, {});
    const RunScope scope(run_, &run);
    try {
        run.readOutKey = session->ContentKey();
        if (const auto sent = safekeeping::SentAs(applicationFolder_, run.readOutKey)) {
            // A scanner that kept its data after the last read-out.
            trace::Event("These barcodes were already sent as order " + *sent);
            DropRecoveryCopy();
            m_objTray->UpdateBalloon(GetText(179, *sent) + run.notes, NIIF_WARNING);
            trace::Exiting("frmMain.m_objOPN2001_BarcodesRead");
            return;
        }
        if (CurrentSettings()->AutoSaveBarcodes()) {
            const std::string folder = CurrentSettings()->BarcodesFolder();
            if (CheckCreateFolder(folder, false)) {
                const std::string name = folder + FileStamp() + ".txt";
                if (session->SaveToFile(name)) {
                    trace::Event("Barcode data saved as '" + name + "'");
                } else {
                    ReportSaveFailure(180, name);
                }
            } else {
                trace::Event(NotSavedEntry("barcodes", folder));
                services_.desktop->MsgBox(NotSavedMessage(129, folder),
                                          platform::vbOKOnly + platform::vbExclamation);
            }
        }

        trace::Event("Generating order...");
        m_objTray->UpdateBalloon(GetText(159), -1);
        std::shared_ptr<clsOrder> order = session->ToOrder();
        if (!order) RaiseError(ErrNo::ObjectNotSet);
        if (order->CountLines() > 0) {
            std::string saveFile;
            if (CurrentSettings()->AutoSaveOrders()) {
                const std::string folder = CurrentSettings()->OrdersFolder();
                if (CheckCreateFolder(folder, false)) {
                    const std::string name = folder + FileStamp() + ".csv";
                    if (order->SaveAsCSV(name)) {
                        trace::Event("Order saved as '" + name + "'");
                        saveFile = name;
                        DropRecoveryCopy();
                    } else {
                        ReportSaveFailure(181, name);
                    }
                } else {
                    trace::Event(NotSavedEntry("order", folder));
                    services_.desktop->MsgBox(NotSavedMessage(131, folder),
                                              platform::vbOKOnly + platform::vbExclamation);
                }
            }
            trace::Event("Sending order...");
            m_objTray->UpdateBalloon(GetText(160), -1);
            SendOrder(*order, saveFile, false);
        } else if (!run.notes.empty()) {
            m_objTray->UpdateBalloon(GetText(159) + run.notes, -1);
        }
        order.reset();
        trace::Exiting("frmMain.m_objOPN2001_BarcodesRead");
    } catch (...) {
        trace::Error("Error handling BarcodesRead event: ");
    }
}

void frmMain::SendOrder(clsOrder& Order, const std::string& SaveFile, bool SavedOrder) {
    trace::Entering("frmMain.SendOrder", "Order.OrderNr = " + Order.OrderNr() + ", SaveFile = " +
                                             SaveFile + ", SavedOrder = " + TraceValue(SavedOrder));
    std::string retMessage;
    const int32_t result = Order.SendToWebshop(retMessage, Webshop());
    // Before any box: the program may be stopped while one is open.
    if (!Order.OrderNr().empty()) OrderSent(Order);
    switch (result) {
        case kSent:
            trace::Event("Order " + Order.OrderNr() + " sent succesfully");
            m_objTray->UpdateBalloon(kSentBalloon + (run_ ? run_->notes : ""), -1);
            break;
        case kPageNotOpened:
            ShowErrorWithOrder(Order, GetText(148));
            break;
        case kNotAccepted: {
            std::string message = GetText(136) + " (" + GetText(152);
            if (!retMessage.empty()) message += ": " + retMessage;
            ShowErrorWithoutOrder(Order, message + ")", SaveFile, SavedOrder);
            break;
        }
        case kFailed:
            if (!Order.OrderNr().empty()) {
                ShowErrorWithOrder(Order, GetText(147));
            } else {
                ShowErrorWithoutOrder(Order, GetText(147), SaveFile, SavedOrder);
            }
            break;
        default:
            break;
    }
    trace::Exiting("frmMain.SendOrder");
}

void frmMain::ShowErrorWithOrder(clsOrder& Order, const std::string& Message) {
    trace::Entering("frmMain.ShowErroWithOrder",
                    "Order.OrderNr = " + Order.OrderNr() + ", Message = " + Message);
    ShowErrorBalloon(Message);
    services_.desktop->MsgBox(Message + kNewLine + kNewLine + GetText(149, Order.OrderNr()),
                              platform::vbOKOnly + platform::vbCritical);
    trace::Exiting("frmMain.ShowErrorWithOrder");
}

void frmMain::ShowErrorWithoutOrder(clsOrder& Order, const std::string& Message,
                                    const std::string& SaveFile, bool SavedOrder) {
    trace::Entering("frmMain.ShowErrorWithoutOrder",
                    "Message = " + Message + ", SaveFile = " + SaveFile +
                        ", SavedOrder = " + TraceValue(SavedOrder));
    if (SavedOrder) {
        ShowErrorBalloon(Message);
    } else if (!SaveFile.empty()) {
        ShowErrorBalloon(Message + kNewLine + kNewLine + GetText(137, SaveFile) + " " +
                         GetText(138, GetText(133)));
    } else {
        ShowErrorBalloon(Message);
        const int32_t answer =
            services_.desktop->MsgBox(Message + kNewLine + kNewLine + GetText(139, GetText(133)),
                                      platform::vbYesNo + platform::vbExclamation);
        if (answer == platform::vbYes) {
            const platform::FileDialogRequest request{
                .title = GetText(140),
                .filter = GetText(141) + "|*.*|" + GetText(134) + "|*.csv",
                .filterIndex = 2,
                .initialFolder = applicationFolder_,
                .fileName = FileStamp() + ".csv",
                .flags = platform::cdlOFNOverwritePrompt | platform::cdlOFNPathMustExist};
            const std::optional<std::string> name = services_.desktop->ShowSave(request);
            if (name && !name->empty()) {
                if (Order.SaveAsCSV(*name)) {
                    DropRecoveryCopy();
                } else {
                    ReportSaveFailure(181, *name);
                }
            }
        }
        // Neither the shop nor a saved file has the order: its copy stays.
        // A balloon of its own, as the message would leave no room for the name.
        if (run_ && !run_->recoveryCopy.empty()) {
            trace::Event("The unsent order is kept as '" + run_->recoveryCopy + "'");
            m_objTray->UpdateBalloon(GetText(176, {run_->recoveryCopy, GetText(133)}) + run_->notes,
                                     NIIF_WARNING);
        }
    }
    trace::Exiting("frmMain.ShowErrorWithoutOrder");
}

void frmMain::ShowErrorBalloon(const std::string& Message) {
    m_objTray->UpdateBalloon(Message + (run_ ? run_->notes : ""), NIIF_ERROR);
}

void frmMain::mnuReadData_Click() {
    trace::Handling("frmMain.mnuReadData_Click");
    trace::Event("Read scanner data now...");
    try {
        // A local owner: a removal handled during the read-out releases the member.
        const std::shared_ptr<clsOPN2001> scanner = m_objOPN2001;
        if (scanner && scanner->Connected()) {
            m_objTray->ShowBalloon(GetText(142), GetText(153), NIIF_INFO, true);
            trace::Event("Reading barcode data...");
            ReportReadCount(scanner->ReadBarcodes(true));
        } else {
            trace::Event("The scanner is no longer available");
            services_.desktop->MsgBox(GetText(116), platform::vbOKOnly + platform::vbExclamation);
        }
    } catch (...) {
        trace::Error("Error attempting to read scanner data now: ");
    }
}

void frmMain::mnuResend_Click() {
    trace::Handling("frmMain.mnuResend_Click");
    std::string name;
    platform::FileDialogRequest request;
    try {
        const std::shared_ptr<clsSettings> settings = CurrentSettings();
        request = platform::FileDialogRequest{.title = GetText(133),
                                              .filter = GetText(134) + "|*.csv",
                                              .filterIndex = 1,
                                              .initialFolder = settings->AutoSaveOrders()
                                                                   ? settings->OrdersFolder()
                                                                   : applicationFolder_,
                                              .fileName = {},
                                              .flags = platform::cdlOFNFileMustExist};
    } catch (...) {
        trace::Error("Error attempting to resend an order (" + name + "): ");
        return;
    }
    // From here on a failing step is skipped and the next one runs.
    try {
        if (std::optional<std::string> chosen = services_.desktop->ShowOpen(request))
            name = *chosen;
    } catch (...) {
    }
    if (name.empty()) return;
    try {
        m_objTray->ShowBalloon(GetText(133), GetText(150), NIIF_INFO, true);
    } catch (...) {
    }
    // A recovery copy that reaches the shop is no longer kept.
    OrderInHand resent;
    if (safekeeping::IsRecoveryCopy(applicationFolder_, name)) resent.recoveryCopy = name;
    const RunScope scope(run_, &resent);
    try {
        auto order = std::make_shared<clsOrder>();
        if (order->LoadFromCSV(name)) {
            SendOrder(*order, {}, true);
        } else {
            ShowErrorBalloon(GetText(135, name));
        }
    } catch (...) {
    }
}

}  // namespace quarnel
