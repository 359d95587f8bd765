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
#include "ui/FormLayout.h"

namespace quarnel::test {
namespace {

using ::testing::ElementsAre;
using ui::Control;
using ui::ControlKind;

// A form with a control of most kinds; it records the events it gets, with
// what the model held when the handler ran.
class SampleForm final : public ui::Form {
  public:
    SampleForm() : Form("frmSample") {
        using K = ControlKind;
        SetCaption("Sample");
        SetScaleSize(4320, 2880);
        AddImage("normal", ":/dialogs/clock.svg");
        AddImage("lit", ":/dialogs/clock-hot.svg");
        Add(ui::MakeControl("fraBox", K::Frame, 120, 60, 4080, 1800)).text = "Box";
        Add(ui::MakeControl("lblName(0)", K::Label, 120, 300, 900, 255, "fraBox")).text = "Name:";
        Add(ui::MakeControl("txtName", K::TextBox, 1140, 270, 2000, 315, "fraBox")).maxLength = 5;
        Add(ui::MakeControl("chkOn", K::CheckBox, 120, 700, 1500, 255, "fraBox")).text = "On";
        Control& mode =
            Add(ui::MakeControl("cboMode", K::ComboBox, 120, 1100, 2000, 315, "fraBox"));
        mode.list = {"First", "Second"};
        mode.listIndex = 0;
        Add(ui::MakeControl("imgClock", K::Image, 3240, 1080, 480, 480, "fraBox")).picture =
            "normal";
        Control& timer = Add(ui::MakeControl("tmrTick", K::Timer, 0, 0, 0, 0));
        timer.enabled = false;
        timer.interval = 20;
        Add(ui::MakeControl("cmdOK", K::CommandButton, 3045, 2400, 1155, 375)).text = "Ok";
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
    void OnClick(const std::string& name) override {
        events.push_back("Click " + name);
        if (name == "cmdOK") Unload();
    }
    void OnChange(const std::string& name) override {
        const Control& control = Ctl(name);
        events.push_back("Change " + name + "=" + control.text + std::to_string(control.value) +
                         std::to_string(control.listIndex));
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

    auto* name = Child<QLineEdit>(*dialog, "txtName");
    EXPECT_EQ(name->maxLength(), 5);
    // The limit stops typing only: a longer text from the logic shows whole.
    form->SetText("txtName", "abcdefgh");
    EXPECT_EQ(name->text(), "abcdefgh");
    auto* combo = Child<QComboBox>(*dialog, "cboMode");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentText(), "First");
    auto* clock = Child<QLabel>(*dialog, "imgClock");
    ASSERT_NE(clock, nullptr);
    EXPECT_FALSE(clock->pixmap().isNull());
    EXPECT_NE(dialog->findChild<QTimer*>("tmrTick"), nullptr);
}

TEST_F(FormRendererTest, WritesUserInputIntoTheModelBeforeTheHandlerRuns) {
    Show();
    auto* name = Child<QLineEdit>(*dialog, "txtName");
    name->setFocus();
    QTest::keyClicks(name, "ab");
    EXPECT_EQ(form->Ctl("txtName").text, "ab");

    QTest::keyClicks(name, "cdef");
    EXPECT_EQ(form->Ctl("txtName").text, "abcde");
    QTest::mouseClick(Child<QCheckBox>(*dialog, "chkOn"), Qt::LeftButton);
    auto* combo = Child<QComboBox>(*dialog, "cboMode");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(form->Ctl("cboMode").listIndex, 1);

    // Leaving the name box raised LostFocus once its text was in the model,
    // and the handler's change came back into the widget.
    EXPECT_EQ(name->text(), "abcde\\");
    EXPECT_THAT(
        form->events,
        ElementsAre("Change txtName=a0-1", "Change txtName=ab0-1", "Change txtName=abc0-1",
                    "Change txtName=abcd0-1", "Change txtName=abcde0-1", "LostFocus txtName",
                    "Change chkOn=On1-1", "LostFocus chkOn", "Change cboMode=01"));
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

TEST_F(FormRendererTest, ClosingTheWindowAsksTheFormWhichMayRefuse) {
    Show();
    // The logic's own Unload closes without asking.
    QTest::keyClick(Child<QLineEdit>(*dialog, "txtName"), Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());  // no default button
    // Enter presses a button that has the focus.
    auto* ok = Child<QPushButton>(*dialog, "cmdOK");
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return !dialog->isVisible(); }));
    EXPECT_THAT(form->events, ElementsAre("LostFocus txtName", "Click cmdOK"));

    SetUp();
    Show();
    form->allowClose = false;
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    form->allowClose = true;
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_THAT(form->events, ElementsAre("QueryUnload", "QueryUnload", "Unload"));
}

TEST_F(FormRendererTest, AFormThatUnloadsOnItsFirstActivationClosesByItself) {
    form->failedLoad = true;
    dialog->show();
    EXPECT_TRUE(WaitFor([&] { return !dialog->isVisible(); }));
    EXPECT_THAT(form->events, ElementsAre("Load", "Activate"));
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
