// SPDX-License-Identifier: MIT
#include "shell/qt/QtFormRenderer.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

#include "shell/qt/QtPictures.h"
#include "shell/qt/QtStrings.h"
#include "shell/qt/QtTextMetrics.h"

namespace quarnel::qt {
namespace {

QString ObjectName(const std::string& controlName) {
    return FromUtf8(controlName);
}

Qt::Alignment LabelAlignment(ui::Alignment alignment) {
    switch (alignment) {
        case ui::Alignment::Right:
            return Qt::AlignRight | Qt::AlignTop;
        case ui::Alignment::Center:
            return Qt::AlignHCenter | Qt::AlignTop;
        case ui::Alignment::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

int32_t MouseButtons(Qt::MouseButtons buttons) {
    int32_t result = 0;
    if (buttons & Qt::LeftButton) result |= ui::vbLeftButton;
    if (buttons & Qt::RightButton) result |= ui::vbRightButton;
    if (buttons & Qt::MiddleButton) result |= ui::vbMiddleButton;
    return result;
}

int32_t ShiftKeys(Qt::KeyboardModifiers modifiers) {
    int32_t result = 0;
    if (modifiers & Qt::ShiftModifier) result |= ui::vbShiftMask;
    if (modifiers & Qt::ControlModifier) result |= ui::vbCtrlMask;
    if (modifiers & Qt::AltModifier) result |= ui::vbAltMask;
    return result;
}

// A check box that toggles wherever it is clicked, not only on its caption.
class WholeCheckBox final : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// Kinds the user clicks that are no buttons: they need an event filter.
bool ClicksThroughFilter(ui::ControlKind kind) {
    return kind == ui::ControlKind::Label || kind == ui::ControlKind::PictureBox ||
           kind == ui::ControlKind::Image;
}

}  // namespace

QtFormDialog::QtFormDialog(std::shared_ptr<ui::Form> form, QWidget* parent)
    : QDialog(parent), form_(std::move(form)), dpi_(LogicalDpi()) {
    setObjectName(FromUtf8(form_->Name()));
    // The window is as the form lays it out; the user does not resize it.
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(false);
    Build();
    form_->SetObserver([this](const std::string& name) { OnControlChanged(name); });
    form_->SetUnloadHandler([this] { CloseRequested(); });
    // Qt draws the frame itself; the model's sizes are the client area's.
    form_->SetFrameExtent(0, 0);
    form_->Load();
    UpdateForm();
}

QtFormDialog::~QtFormDialog() {
    form_->SetObserver(nullptr);
    form_->SetUnloadHandler(nullptr);
}

QWidget* QtFormDialog::widgetOf(const std::string& controlName) const {
    return widgets_.value(ObjectName(controlName)).data();
}

void QtFormDialog::Build() {
    for (const ui::Control& control : form_->Controls()) {
        if (control.kind == ui::ControlKind::Timer) {
            auto* timer = new QTimer(this);
            timer->setObjectName(ObjectName(control.name));
            connect(timer, &QTimer::timeout, this, [this, name = control.name] {
                if (!unloading_) form_->TimerTick(name);
            });
            timers_.insert(ObjectName(control.name), timer);
            UpdateWidget(control);
            continue;
        }
        QWidget* widget = CreateWidget(control);
        widget->setObjectName(ObjectName(control.name));
        widgets_.insert(widget->objectName(), widget);
        Connect(control, widget);
        UpdateWidget(control);
    }
    UpdateForm();
}

QWidget* QtFormDialog::CreateWidget(const ui::Control& control) {
    QWidget* parent = this;
    if (!control.container.empty()) {
        if (QWidget* container = widgetOf(control.container)) parent = container;
    }
    switch (control.kind) {
        case ui::ControlKind::Label: {
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            return label;
        }
        case ui::ControlKind::TextBox:
            return new QLineEdit(parent);
        case ui::ControlKind::CheckBox:
            return new WholeCheckBox(parent);
        case ui::ControlKind::ComboBox:
            return new QComboBox(parent);
        case ui::ControlKind::CommandButton: {
            auto* button = new QPushButton(parent);
            // Only the form's default button reacts to Enter.
            button->setAutoDefault(false);
            return button;
        }
        case ui::ControlKind::Frame:
            return new QGroupBox(parent);
        case ui::ControlKind::PictureBox:
        case ui::ControlKind::Image:
        case ui::ControlKind::Timer:
            break;
    }
    auto* picture = new QLabel(parent);
    picture->setTextFormat(Qt::PlainText);
    picture->setAlignment(Qt::AlignCenter);
    // A picture box holding other controls is a sunken panel around them.
    const auto& controls = form_->Controls();
    if (std::any_of(controls.begin(), controls.end(),
                    [&](const ui::Control& c) { return c.container == control.name; })) {
        picture->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
    return picture;
}

void QtFormDialog::Connect(const ui::Control& control, QWidget* widget) {
    const std::string name = control.name;
    switch (control.kind) {
        case ui::ControlKind::TextBox: {
            auto* edit = static_cast<QLineEdit*>(widget);
            connect(edit, &QLineEdit::textEdited, this,
                    [this, name](const QString& text) { form_->UserText(name, ToUtf8(text)); });
            break;
        }
        case ui::ControlKind::CheckBox: {
            auto* box = static_cast<QCheckBox*>(widget);
            connect(box, &QCheckBox::toggled, this,
                    [this, name](bool checked) { form_->UserValue(name, checked ? 1 : 0); });
            break;
        }
        case ui::ControlKind::ComboBox: {
            auto* combo = static_cast<QComboBox*>(widget);
            connect(combo, &QComboBox::activated, this,
                    [this, name](int index) { form_->UserListIndex(name, index); });
            break;
        }
        case ui::ControlKind::CommandButton: {
            auto* button = static_cast<QPushButton*>(widget);
            connect(button, &QPushButton::clicked, this, [this, name] {
                if (!unloading_) form_->Click(name);
            });
            break;
        }
        default:
            break;
    }
    // Every control reports the pointer moving over it and losing the focus.
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

void QtFormDialog::OnControlChanged(const std::string& name) {
    if (name.empty()) {
        UpdateForm();
        return;
    }
    if (!form_->HasControl(name)) return;
    UpdateWidget(form_->Ctl(name));
}

void QtFormDialog::UpdateWidget(const ui::Control& control) {
    const QString objectName = ObjectName(control.name);
    if (QTimer* timer = timers_.value(objectName)) {
        timer->setInterval(control.interval);
        if (control.enabled && control.interval > 0) {
            if (!timer->isActive()) timer->start();
        } else {
            timer->stop();
        }
        return;
    }
    QWidget* widget = widgetOf(control.name);
    if (widget == nullptr) return;

    // The widget's own signals are for user input only.
    const QSignalBlocker blocker(widget);
    const QString text = FromUtf8(control.text);
    widget->setGeometry(TwipsToPixels(control.left, dpi_), TwipsToPixels(control.top, dpi_),
                        TwipsToPixels(control.width, dpi_), TwipsToPixels(control.height, dpi_));
    widget->setEnabled(control.enabled);
    // Qt takes a tool tip that looks like markup for rich text; this one is
    // shown as it stands.
    widget->setToolTip(
        control.toolTip.empty() ? QString() : Qt::convertFromPlainText(FromUtf8(control.toolTip)));
    switch (control.kind) {
        case ui::ControlKind::Label: {
            auto* label = static_cast<QLabel*>(widget);
            label->setText(text);
            label->setAlignment(LabelAlignment(control.alignment));
            label->setWordWrap(control.wordWrap);
            break;
        }
        case ui::ControlKind::TextBox: {
            auto* edit = static_cast<QLineEdit*>(widget);
            // The limit holds for typing only; the logic may set a longer text.
            edit->setMaxLength(control.maxLength > 0
                                   ? std::max<int>(control.maxLength, static_cast<int>(text.size()))
                                   : 32767);
            edit->setEchoMode(control.passwordChar.empty() ? QLineEdit::Normal
                                                           : QLineEdit::Password);
            if (!control.passwordChar.empty()) {
                // The mask character is the model's, not the style's dot.
                const int mask = FromUtf8(control.passwordChar).at(0).unicode();
                edit->setStyleSheet(
                    QStringLiteral("QLineEdit { lineedit-password-character: %1; }").arg(mask));
            }
            if (edit->text() != text) edit->setText(text);
            break;
        }
        case ui::ControlKind::CheckBox: {
            auto* box = static_cast<QCheckBox*>(widget);
            box->setText(text);
            box->setChecked(control.value != 0);
            break;
        }
        case ui::ControlKind::ComboBox: {
            auto* combo = static_cast<QComboBox*>(widget);
            QStringList entries;
            for (const std::string& entry : control.list) entries << FromUtf8(entry);
            QStringList shown;
            for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
            if (shown != entries) {
                combo->clear();
                combo->addItems(entries);
            }
            combo->setCurrentIndex(control.listIndex < combo->count() ? control.listIndex : -1);
            break;
        }
        case ui::ControlKind::CommandButton: {
            auto* button = static_cast<QPushButton*>(widget);
            button->setText(text);
            button->setDefault(control.isDefault);
            break;
        }
        case ui::ControlKind::Frame:
            static_cast<QGroupBox*>(widget)->setTitle(text);
            break;
        case ui::ControlKind::PictureBox:
        case ui::ControlKind::Image:
            ShowPicture(control, widget);
            break;
        case ui::ControlKind::Timer:
            break;
    }
    widget->setVisible(control.visible);
}

void QtFormDialog::ShowPicture(const ui::Control& control, QWidget* widget) {
    auto* label = static_cast<QLabel*>(widget);
    const auto image = form_->Images().find(control.picture);
    if (control.picture.empty() || image == form_->Images().end()) {
        label->clear();
        label->setProperty("picture", QString());
        return;
    }
    const QString resource = FromUtf8(image->second);
    const QSize box = label->size();
    // Re-rendering an unchanged picture would make hovering flicker.
    if (label->property("picture").toString() == resource &&
        label->property("pictureSize").toSize() == box) {
        return;
    }
    label->setPixmap(LoadPicture(resource, box, devicePixelRatioF()));
    label->setProperty("picture", resource);
    label->setProperty("pictureSize", box);
}

void QtFormDialog::UpdateForm() {
    setWindowTitle(FromUtf8(form_->Caption()));
    setFixedSize(TwipsToPixels(form_->ScaleWidth(), dpi_),
                 TwipsToPixels(form_->ScaleHeight(), dpi_));
}

bool QtFormDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || unloading_) return QDialog::eventFilter(watched, event);
    const std::string name = ToUtf8(widget->objectName());
    if (!form_->HasControl(name)) return QDialog::eventFilter(watched, event);
    // Mouse events a child ignores travel on to its container; only the
    // control under the pointer hears of them.
    const auto underPointer = [widget](const QMouseEvent* mouse) {
        const QPoint at = mouse->position().toPoint();
        return widget->rect().contains(at) && widget->childAt(at) == nullptr;
    };
    switch (event->type()) {
        case QEvent::FocusOut:
            if (FocusMovedWithinForm(widget, static_cast<QFocusEvent*>(event)->reason()))
                form_->LostFocus(name);
            break;
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (!underPointer(mouse)) break;
            const QPointF at = mouse->position();
            form_->MouseMove(
                name, ui::MouseArgs{MouseButtons(mouse->buttons()), ShiftKeys(mouse->modifiers()),
                                    PixelsToTwips(at.x(), dpi_), PixelsToTwips(at.y(), dpi_)});
            break;
        }
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && underPointer(mouse) &&
                ClicksThroughFilter(form_->Ctl(name).kind) && widget->isEnabled()) {
                form_->Click(name);
            }
            break;
        }
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

bool QtFormDialog::FocusMovedWithinForm(const QWidget* from, Qt::FocusReason reason) const {
    // Another window, or a menu or list of the control itself, took the
    // focus for a while: it comes back to the same control.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
    // Qt names the new focus widget before it tells the old one.
    const QWidget* to = QApplication::focusWidget();
    return to != nullptr && to != from && to->window() == this;
}

bool QtFormDialog::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) deactivated_ = true;
    if (event->type() == QEvent::WindowActivate && shown_ && deactivated_) {
        deactivated_ = false;
        RaiseActivate();
    }
    return QDialog::event(event);
}

void QtFormDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Raised once the window is on screen, as a platform without window
    // activation (offscreen) never sends one.
    QTimer::singleShot(0, this, [this] { RaiseActivate(); });
}

void QtFormDialog::RaiseActivate() {
    if (!unloading_) form_->Activate();
}

void QtFormDialog::closeEvent(QCloseEvent* event) {
    if (!unloading_) {
        if (!form_->QueryUnload()) {
            event->ignore();
            return;
        }
        unloading_ = true;
        form_->Unloaded();
    }
    for (QTimer* timer : timers_) timer->stop();
    QDialog::closeEvent(event);
}

void QtFormDialog::CloseRequested() {
    if (unloading_) return;
    unloading_ = true;
    for (QTimer* timer : timers_) timer->stop();
    // Closed from the event loop: the handler that asked is still running.
    QTimer::singleShot(0, this, [this] { done(QDialog::Accepted); });
}

void QtFormDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool escape = event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
    if ((enter && event->modifiers() == Qt::NoModifier) || escape ||
        (enter && event->modifiers() == Qt::KeypadModifier)) {
        PressButton(escape);
        return;
    }
    QDialog::keyPressEvent(event);
}

void QtFormDialog::PressButton(bool cancel) {
    QWidget* focused = focusWidget();
    // Enter on a button that has the focus presses that button.
    if (auto* button = qobject_cast<QPushButton*>(focused); button != nullptr && !cancel) {
        button->click();
        return;
    }
    for (const ui::Control& control : form_->Controls()) {
        const bool wanted = cancel ? control.isCancel : control.isDefault;
        if (!wanted || control.kind != ui::ControlKind::CommandButton) continue;
        auto* button = qobject_cast<QPushButton*>(widgetOf(control.name));
        if (button == nullptr || !button->isEnabled() || !button->isVisible()) return;
        // OK by Enter leaves the focused box as a click on OK would.
        if (!cancel && focused != nullptr && form_->HasControl(ToUtf8(focused->objectName())))
            form_->LostFocus(ToUtf8(focused->objectName()));
        button->click();
        return;
    }
}

}  // namespace quarnel::qt
