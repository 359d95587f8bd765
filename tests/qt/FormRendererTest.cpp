#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "QtTestEnvironment.h"
#include "platform/qt/QtFormRenderer.h"
#include "platform/qt/QtTextMetrics.h"

namespace quarnel::test {
namespace {

using ::testing::ElementsAre;
using ui::Control;
using ui::ControlKind;

// A form with one control of each kind; it records the events it gets,
// with what the model held when the handler ran.
class SampleForm final : public ui::Form {
  public:
    SampleForm() : Form("frmSample") {
        SetCaption("Sample");
        SetScaleSize(4320, 2880);
        AddImage("normal", ":/dialogs/clock.svg");
        AddImage("lit", ":/dialogs/clock-hot.svg");
        Put("fraBox", ControlKind::Frame, "", 120, 60, 4080, 1800).text = "Box";
        Put("lblName(0)", ControlKind::Label, "fraBox", 120, 300, 900, 255).text = "Name:";
        Put("txtName", ControlKind::TextBox, "fraBox", 1140, 270, 2000, 315);
        Put("chkSecret", ControlKind::CheckBox, "fraBox", 120, 700, 1500, 255).text = "Secret";
        Control& secret = Put("txtSecret", ControlKind::TextBox, "fraBox", 1140, 670, 2000, 315);
        secret.enabled = false;
        secret.maxLength = 5;
        secret.passwordChar = "*";
        Control& mode = Put("cboMode", ControlKind::ComboBox, "fraBox", 120, 1100, 2000, 315);
        mode.list = {"First", "Second"};
        mode.listIndex = 0;
        Control& clock = Put("imgClock", ControlKind::Image, "fraBox", 3240, 1080, 480, 480);
        clock.picture = "normal";
        clock.toolTip = "Clock";
        Control& timer = Put("tmrTick", ControlKind::Timer, "", 0, 0, 0, 0);
        timer.enabled = false;
        timer.interval = 20;
        Control& ok = Put("cmdOK", ControlKind::CommandButton, "", 1800, 2400, 1155, 375);
        ok.text = "Ok";
        ok.isDefault = true;
        Control& cancel = Put("cmdCancel", ControlKind::CommandButton, "", 3045, 2400, 1155, 375);
        cancel.text = "Cancel";
        cancel.isCancel = true;
    }

    std::vector<std::string> events;
    bool allowClose = true;
    int ticks = 0;

  protected:
    Control& Put(std::string name, ControlKind kind, std::string container, int32_t left,
                 int32_t top, int32_t width, int32_t height) {
        Control control;
        control.name = std::move(name);
        control.kind = kind;
        control.container = std::move(container);
        control.left = left;
        control.top = top;
        control.width = width;
        control.height = height;
        return Add(std::move(control));
    }
    void Form_Load() override { events.push_back("Load"); }
    void Form_Activate() override { events.push_back("Activate"); }
    bool Form_QueryUnload() override {
        events.push_back("QueryUnload");
        return allowClose;
    }
    void Form_Unload() override { events.push_back("Unload"); }
    void OnClick(const std::string& name) override {
        events.push_back("Click " + name);
        if (name == "cmdOK" || name == "cmdCancel") Unload();
    }
    void OnChange(const std::string& name) override {
        const Control& control = Ctl(name);
        events.push_back("Change " + name + "=" + control.text + std::to_string(control.value) +
                         std::to_string(control.listIndex));
        if (name == "chkSecret") SetEnabled("txtSecret", control.value != 0);
    }
    void OnLostFocus(const std::string& name) override {
        events.push_back("LostFocus " + name);
        if (name == "txtName") SetText(name, Ctl(name).text + "\\");
    }
    void OnMouseMove(const std::string& name, const ui::MouseArgs& args) override {
        events.push_back("MouseMove " + name);
        lastMove = args;
        if (name == "imgClock") SetPicture(name, "lit");
    }
    void OnTimer(const std::string& name) override {
        if (++ticks == 3) SetEnabled(name, false);
    }

  public:
    ui::MouseArgs lastMove;
};

class FormRendererTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form = std::make_shared<SampleForm>();
        dialog = std::make_unique<qt::QtFormDialog>(form);
        dpi = qt::LogicalDpi();
    }
    int Px(int32_t twips) const { return qt::TwipsToPixels(twips, dpi); }
    void Show() {
        dialog->show();
        ASSERT_TRUE(
            WaitFor([&] { return !form->events.empty() && form->events.back() == "Activate"; }));
        form->events.clear();
    }

    std::shared_ptr<SampleForm> form;
    std::unique_ptr<qt::QtFormDialog> dialog;
    double dpi = 96;
};

TEST_F(FormRendererTest, BuildsOneNamedWidgetPerControlAtTheModelsGeometry) {
    EXPECT_EQ(form->events, std::vector<std::string>{"Load"});
    EXPECT_EQ(dialog->windowTitle(), "Sample");
    EXPECT_EQ(dialog->size(), QSize(Px(4320), Px(2880)));

    auto* frame = Child<QGroupBox>(*dialog, "fraBox");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title(), "Box");
    auto* label = Child<QLabel>(*dialog, "lblName(0)");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget(), frame);
    EXPECT_EQ(label->geometry(), QRect(Px(120), Px(300), Px(900), Px(255)));

    auto* secret = Child<QLineEdit>(*dialog, "txtSecret");
    ASSERT_NE(secret, nullptr);
    EXPECT_EQ(secret->echoMode(), QLineEdit::Password);
    EXPECT_EQ(secret->maxLength(), 5);
    EXPECT_FALSE(secret->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(*dialog, "txtName")->echoMode(), QLineEdit::Normal);

    auto* combo = Child<QComboBox>(*dialog, "cboMode");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentText(), "First");
    auto* clock = Child<QLabel>(*dialog, "imgClock");
    ASSERT_NE(clock, nullptr);
    EXPECT_FALSE(clock->pixmap().isNull());
    EXPECT_EQ(clock->toolTip(), "Clock");
    EXPECT_TRUE(Child<QPushButton>(*dialog, "cmdOK")->isDefault());
    EXPECT_NE(dialog->findChild<QTimer*>("tmrTick"), nullptr);
}

TEST_F(FormRendererTest, WritesUserInputIntoTheModelBeforeTheHandlerRuns) {
    Show();
    auto* name = Child<QLineEdit>(*dialog, "txtName");
    name->setFocus();
    QTest::keyClicks(name, "ab");
    EXPECT_EQ(form->Ctl("txtName").text, "ab");

    // Ticking the box enables the masked box through the form's handler.
    QTest::mouseClick(Child<QCheckBox>(*dialog, "chkSecret"), Qt::LeftButton);
    auto* secret = Child<QLineEdit>(*dialog, "txtSecret");
    EXPECT_TRUE(secret->isEnabled());
    QTest::keyClicks(secret, "1234567");
    EXPECT_EQ(form->Ctl("txtSecret").text, "12345");
    EXPECT_EQ(secret->displayText(), "*****");

    auto* combo = Child<QComboBox>(*dialog, "cboMode");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(form->Ctl("cboMode").listIndex, 1);

    // Leaving the name box raised LostFocus once its text was in the model,
    // and the handler's change came back into the widget.
    EXPECT_EQ(name->text(), "ab\\");
    EXPECT_THAT(
        form->events,
        ElementsAre("Change txtName=a0-1", "Change txtName=ab0-1", "LostFocus txtName",
                    "Change chkSecret=Secret1-1", "Change txtSecret=10-1", "Change txtSecret=120-1",
                    "Change txtSecret=1230-1", "Change txtSecret=12340-1",
                    "Change txtSecret=123450-1", "LostFocus chkSecret", "Change cboMode=01"));
}

TEST_F(FormRendererTest, ReportsMouseMovesInTwipsAndClicksOnPictures) {
    Show();
    auto* clock = Child<QLabel>(*dialog, "imgClock");
    const QPixmap before = clock->pixmap();
    QTest::mouseMove(clock, QPoint(Px(240), Px(120)));
    ASSERT_TRUE(WaitFor([&] { return !form->events.empty(); }));
    EXPECT_EQ(form->events.front(), "MouseMove imgClock");
    EXPECT_NEAR(form->lastMove.x, 240, 1440 / dpi);
    EXPECT_NEAR(form->lastMove.y, 120, 1440 / dpi);
    EXPECT_NE(clock->pixmap().toImage(), before.toImage());

    form->events.clear();
    QTest::mouseClick(clock, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_THAT(form->events, ::testing::Contains("Click imgClock"));
}

TEST_F(FormRendererTest, RunsTimersWhileTheModelEnablesThem) {
    Show();
    form->SetEnabled("tmrTick", true);
    EXPECT_TRUE(WaitFor([&] { return form->ticks == 3; }));
    QTest::qWait(100);
    EXPECT_EQ(form->ticks, 3);
    EXPECT_FALSE(dialog->findChild<QTimer*>("tmrTick")->isActive());
}

TEST_F(FormRendererTest, EnterAndEscapePressTheDefaultAndCancelButtons) {
    for (const auto& [key, button] :
         {std::pair(Qt::Key_Return, "cmdOK"), std::pair(Qt::Key_Escape, "cmdCancel")}) {
        SetUp();
        Show();
        QTest::keyClick(Child<QLineEdit>(*dialog, "txtName"), key);
        EXPECT_EQ(form->events.front(), std::string("Click ") + button);
        // The logic's Unload closes the window without asking QueryUnload.
        EXPECT_TRUE(WaitFor([&] { return !dialog->isVisible(); }));
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_THAT(form->events, ::testing::Not(::testing::Contains("QueryUnload")));
    }
}

TEST_F(FormRendererTest, ClosingTheWindowAsksTheFormWhichMayRefuse) {
    Show();
    form->allowClose = false;
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    form->allowClose = true;
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_THAT(form->events, ElementsAre("QueryUnload", "QueryUnload", "Unload"));
}

TEST(QtTextMetricsTest, MeasuresInTwipsAndWrapsWithinAWidth) {
    const QFont font = QApplication::font();
    const qt::QtTextMetrics metrics(font, 96);
    const QFontMetrics fm(font);
    const std::string text = "Automatically save generated orders in:";
    EXPECT_NEAR(metrics.TextWidth(text), fm.horizontalAdvance(QString::fromStdString(text)) * 15,
                30);
    const int32_t line = metrics.TextHeight(text);
    EXPECT_EQ(metrics.TextHeight(text, 100000), line);
    EXPECT_GE(metrics.TextHeight(text, metrics.TextWidth(text) / 2), 2 * line - 15);
}

}  // namespace
}  // namespace quarnel::test
