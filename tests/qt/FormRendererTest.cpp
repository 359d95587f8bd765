// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "QtTestEnvironment.h"
#include "shell/qt/QtFormRenderer.h"
#include "shell/qt/QtTextMetrics.h"
#include "ui/FormLayout.h"

namespace quarnel::test {
namespace {

using ::testing::ElementsAre;
using ui::MakeControl;

// A form with a control of most kinds; it records its events, with what the
// model held when the handler ran.
class SampleForm final : public ui::Form {
  public:
    SampleForm() : Form("frmSample") {
        using K = ui::ControlKind;
        SetScaleSize(4320, 2880);
        AddImage("normal", ":/dialogs/clock.svg");
        AddImage("lit", ":/dialogs/clock-hot.svg");
        Add(MakeControl("fraBox", K::Frame, 120, 60, 4080, 1800)).text = "Box";
        Add(MakeControl("lblName(0)", K::Label, 120, 300, 900, 255, "fraBox")).text = "Name:";
        Add(MakeControl("txtName", K::TextBox, 1140, 270, 2000, 315, "fraBox")).maxLength = 5;
        auto& secret = Add(MakeControl("txtSecret", K::TextBox, 1140, 1440, 2000, 315, "fraBox"));
        secret.maxLength = 5;
        secret.passwordChar = "*";
        Add(MakeControl("chkOn", K::CheckBox, 120, 700, 1500, 255, "fraBox")).text = "On";
        auto& mode = Add(MakeControl("cboMode", K::ComboBox, 120, 1100, 2000, 315, "fraBox"));
        mode.list = {"First", "Second"};
        mode.listIndex = 0;
        Add(MakeControl("imgClock", K::Image, 3240, 1080, 480, 480, "fraBox")).picture = "normal";
        auto& timer = Add(MakeControl("tmrTick", K::Timer, 0, 0, 0, 0));
        timer.enabled = false;
        timer.interval = 20;
        auto& ok = Add(MakeControl("cmdOK", K::CommandButton, 3045, 2400, 1155, 375));
        ok.text = "Ok";
        ok.isDefault = true;
    }

    std::vector<std::string> events;
    bool allowClose = true;
    bool failedLoad = false;
    int ticks = 0;
    ui::MouseArgs lastMove;

  protected:
    void Form_Load() override { events.push_back("Load"); }
    void Form_Activate() override {
        events.push_back("Activate");
        if (failedLoad) Unload();
    }
    bool Form_QueryUnload() override {
        events.push_back("QueryUnload");
        return allowClose;
    }
    void Form_Unload() override { events.push_back("Unload"); }
    void OnClick(const std::string& name) override { events.push_back("Click " + name); }
    void OnChange(const std::string& name) override {
        const ui::Control& control = Ctl(name);
        events.push_back("Change " + name + "=" + control.text + std::to_string(control.value) +
                         std::to_string(control.listIndex));
    }
    void OnLostFocus(const std::string& name) override {
        events.push_back("LostFocus " + name);
        if (name == "txtName") SetText(name, Ctl(name).text + "\\");
        // Padded as the options dialog pads its password box.
        if (name == "txtSecret") SetText(name, (Ctl(name).text + "     ").substr(0, 5));
    }
    void OnMouseMove(const std::string& name, const ui::MouseArgs& args) override {
        events.push_back("MouseMove " + name);
        lastMove = args;
        if (name == "imgClock") SetPicture(name, "lit");
    }
    void OnTimer(const std::string& name) override {
        if (++ticks == 3) SetEnabled(name, false);
    }
};

class FormRendererTest : public ::testing::Test {
  protected:
    int Px(int32_t twips) const { return qt::TwipsToPixels(twips, dpi); }
    void Show() {
        dialog.show();
        ASSERT_TRUE(
            WaitFor([&] { return !form->events.empty() && form->events.back() == "Activate"; }));
        form->events.clear();
    }

    std::shared_ptr<SampleForm> form = std::make_shared<SampleForm>();
    qt::QtFormDialog dialog{form};
    double dpi = qt::LogicalDpi();
};

TEST_F(FormRendererTest, BuildsOneNamedWidgetPerControlAtTheModelsGeometry) {
    EXPECT_EQ(form->events, std::vector<std::string>{"Load"});
    for (const ui::Control& control : form->Controls())
        EXPECT_EQ(dialog.findChildren<QObject*>(QString::fromStdString(control.name)).size(), 1)
            << control.name;
    auto* label = Child<QLabel>(dialog, "lblName(0)");
    EXPECT_EQ(label->parentWidget()->objectName(), "fraBox");
    EXPECT_EQ(label->geometry(), QRect(Px(120), Px(300), Px(900), Px(255)));
    // The length limit stops typing only: a longer text from the logic shows whole.
    form->SetText("txtName", "abcdefgh");
    EXPECT_EQ(Child<QLineEdit>(dialog, "txtName")->text(), "abcdefgh");
}

TEST_F(FormRendererTest, WritesUserInputIntoTheModelBeforeTheHandlerRuns) {
    Show();
    auto* name = Child<QLineEdit>(dialog, "txtName");
    name->setFocus();
    QTest::keyClicks(name, "abcdef");
    QTest::mouseClick(Child<QCheckBox>(dialog, "chkOn"), Qt::LeftButton);
    auto* combo = Child<QComboBox>(dialog, "cboMode");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);

    // LostFocus came once the text was in the model; the handler's change
    // came back into the widget.
    EXPECT_EQ(name->text(), "abcde\\");
    EXPECT_THAT(
        form->events,
        ElementsAre("Change txtName=a0-1", "Change txtName=ab0-1", "Change txtName=abc0-1",
                    "Change txtName=abcd0-1", "Change txtName=abcde0-1", "LostFocus txtName",
                    "Change chkOn=On1-1", "LostFocus chkOn", "Change cboMode=01"));
}

// Right-clicks the box and chooses the entry of its own menu whose text
// begins so ("&Paste").
void ChooseFromContextMenu(QLineEdit* box, const QString& entry) {
    bool chosen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || chosen) return;
        for (QAction* action : menu->actions()) {
            if (!action->text().startsWith(entry)) continue;
            chosen = true;
            action->trigger();
        }
        menu->close();
    });
    poll.start(10);
    const QPoint at(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, box->mapToGlobal(at));
    QCoreApplication::sendEvent(box, &event);
    EXPECT_TRUE(WaitFor([&] { return chosen && QApplication::activePopupWidget() == nullptr; }));
}

// The focus leaves a box for another window or for the box's own menu and
// comes back: no LostFocus. Enter on OK leaves the box as a click would.
TEST_F(FormRendererTest, LostFocusOnlyWhenTheFocusMovesToAnotherControlOrOk) {
    Show();
    const auto focusEvents = [&] {
        std::vector<std::string> found;
        for (const std::string& event : form->events)
            if (event.starts_with("LostFocus") || event.starts_with("Click"))
                found.push_back(event);
        return found;
    };
    auto* name = Child<QLineEdit>(dialog, "txtName");
    name->setFocus();
    QTest::keyClicks(name, "ab");
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), name);
    EXPECT_THAT(focusEvents(), ::testing::IsEmpty());

    // An emptied password box takes what is pasted, not padded first.
    auto* secret = Child<QLineEdit>(dialog, "txtSecret");
    secret->setFocus();
    QTest::keyClicks(secret, "x");
    QTest::keyClick(secret, Qt::Key_Backspace);
    QApplication::clipboard()->setText("abc");
    ChooseFromContextMenu(secret, "&Paste");
    EXPECT_EQ(secret->text(), "abc");
    EXPECT_EQ(form->Ctl("txtSecret").text, "abc");
    // The focus comes back once the closed menu has given the window back.
    ASSERT_TRUE(WaitFor([&] { return QApplication::focusWidget() == secret; }));

    QTest::keyClick(secret, Qt::Key_Return);
    EXPECT_THAT(focusEvents(),
                ElementsAre("LostFocus txtName", "LostFocus txtSecret", "Click cmdOK"));
    EXPECT_EQ(secret->text(), "abc  ");
}

// Texts from outside show as they are, never as markup.
TEST_F(FormRendererTest, LabelsAndToolTipsShowTheirTextLiterally) {
    const std::string markup = "<b>closed</b> <img src=\"/dev/zero\">";
    form->SetText("lblName(0)", markup);
    form->Update("imgClock", [&](ui::Control& c) { c.toolTip = markup; });
    auto* label = Child<QLabel>(dialog, "lblName(0)");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text().toStdString(), markup);
    QTextDocument toolTip;
    toolTip.setHtml(Child<QLabel>(dialog, "imgClock")->toolTip());
    EXPECT_EQ(toolTip.toPlainText().toStdString(), markup);
}

TEST_F(FormRendererTest, ReportsMouseMovesInTwipsAndClicksOnPictures) {
    Show();
    auto* clock = Child<QLabel>(dialog, "imgClock");
    const QImage before = clock->pixmap().toImage();
    QTest::mouseMove(clock, QPoint(Px(240), Px(120)));
    ASSERT_TRUE(WaitFor([&] { return !form->events.empty(); }));
    EXPECT_EQ(form->events.front(), "MouseMove imgClock");
    EXPECT_NEAR(form->lastMove.x, 240, 1440 / dpi);
    EXPECT_NEAR(form->lastMove.y, 120, 1440 / dpi);
    EXPECT_NE(clock->pixmap().toImage(), before);
    QTest::mouseClick(clock, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_THAT(form->events, ::testing::Contains("Click imgClock"));
}

TEST_F(FormRendererTest, RunsTimersWhileTheModelEnablesThem) {
    Show();
    form->SetEnabled("tmrTick", true);
    EXPECT_TRUE(WaitFor([&] { return form->ticks == 3; }));
    QTest::qWait(100);
    EXPECT_EQ(form->ticks, 3);
}

TEST_F(FormRendererTest, ClosingTheWindowAsksTheFormWhichMayRefuse) {
    Show();
    form->allowClose = false;
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    form->allowClose = true;
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_THAT(form->events, ElementsAre("QueryUnload", "QueryUnload", "Unload"));
}

TEST_F(FormRendererTest, AFormThatUnloadsOnItsFirstActivationClosesByItself) {
    form->failedLoad = true;
    dialog.show();
    EXPECT_TRUE(WaitFor([&] { return !dialog.isVisible(); }));
    EXPECT_THAT(form->events, ElementsAre("Load", "Activate"));
}

}  // namespace
}  // namespace quarnel::test
