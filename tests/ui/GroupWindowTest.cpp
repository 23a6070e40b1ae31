// FrmEditVelmarGroup offscreen: controls forward to the group rules and show the record, the
// graph's drag edits a band with its readout, closing asks before the group is removed.
#include "ui/GroupWindow.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "TestApp.h"
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ui/ResponseGraph.h"

namespace plenum::ui {
namespace {

struct CountingSink : GroupSink {
    void send(const std::vector<LinkedSend>& sends) override { count += sends.size(); }
    std::size_t count = 0;
};

class GroupWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::App();
        const std::uint8_t models[] = {8, 6, 1};
        for (int slot = 1; slot <= 3; ++slot) {
            DeviceRecord& r = ctx.device(slot);
            r.Present = kTrue16;
            r.ModelCode = models[slot - 1];
            r.LinkMode = kLinkLan;
            r.Address = "10.0.0." + std::to_string(slot);
            r.DeviceName = "Cab " + std::to_string(slot);
        }
        ctx.device(1).Connected = kTrue16;
        CreateGroup(ctx, 0, {"PA", true, 1, 2, 3}, sink);
        sink.count = 0;
    }
    template <typename T>
    T* find(GroupWindow& window, const char* name) {
        auto* widget = window.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    AppContext ctx;
    ScriptedPrompter prompter;
    CountingSink sink;
    GroupPresets presets;
};

TEST_F(GroupWindowTest, ControlsForwardToTheGroupAndShowIt) {
    GroupWindow window(ctx, 0, presets, prompter, sink);
    EXPECT_EQ(find<QLabel>(window, "LabelMember0")->text(), "LEFT  Cab 1  ON-LINE");
    EXPECT_EQ(find<QLabel>(window, "LabelMember2")->text(), "SUB  Cab 3  OFF-LINE");
    auto* delay = find<QLineEdit>(window, "TextDly");
    delay->setText("100");
    emit delay->returnPressed();
    EXPECT_EQ(ctx.groups[0].SatDelay, (std::array<std::uint8_t, 3>{0, 70, 47}));
    EXPECT_EQ(delay->text(), "70.979");
    find<QPushButton>(window, "LabelDelayUnit")->click();
    EXPECT_EQ(find<QPushButton>(window, "LabelDelayUnit")->text(), "DELAY [m]");
    delay->setText("abc");
    emit delay->returnPressed();
    EXPECT_EQ(prompter.lastText(), "Wrong value");
    find<QPushButton>(window, "LabelMute")->click();
    EXPECT_EQ(ctx.groups[0].Mute, 1);
    find<QCheckBox>(window, "CheckEqOnSub")->click();
    EXPECT_EQ(ctx.groups[0].EqOnSub, kTrue16);
    EXPECT_EQ(sink.count, 2u + 3u + 6u);
}

// The up-down buttons under each delay box: "+1" / "-1" a whole millisecond, "+" / "-" one 1/48 ms
// step; the Sub's only for a group with a Sub, and each reaches only its own members.
TEST_F(GroupWindowTest, DelayUpDownButtonsStepTheSatAndTheSubDelay) {
    struct Case {
        const char* button;
        std::array<std::uint8_t, 3> sat;
        std::array<std::uint8_t, 3> sub;
        std::size_t sends;
    };
    const Case cases[] = {
        {"UpDownDly3", {0, 1, 0}, {0, 0, 0}, 2},
        {"UpDownDly2", {0, 1, 1}, {0, 0, 0}, 2},
        {"UpDownDly1", {0, 1, 0}, {0, 0, 0}, 2},
        {"UpDownDlySub3", {0, 1, 0}, {0, 1, 0}, 1},
        {"UpDownDlySub2", {0, 1, 0}, {0, 1, 1}, 1},
        {"UpDownDlySub0", {0, 1, 0}, {0, 0, 1}, 1},
    };
    ctx.groups[0].SatDelay = {0, 0, 0};
    ctx.groups[0].SubDelay = {0, 0, 0};
    GroupWindow window(ctx, 0, presets, prompter, sink);
    for (const Case& c : cases) {
        sink.count = 0;
        find<QPushButton>(window, c.button)->click();
        EXPECT_EQ(ctx.groups[0].SatDelay, c.sat) << c.button;
        EXPECT_EQ(ctx.groups[0].SubDelay, c.sub) << c.button;
        EXPECT_EQ(sink.count, c.sends) << c.button;
    }
    EXPECT_EQ(find<QLineEdit>(window, "TextDlySub")->text(), "0.021");
    EXPECT_TRUE(find<QPushButton>(window, "UpDownDlySub0")->isEnabled());

    // A group of two: the Sub's buttons do nothing.
    ctx.groups[0].HasSub = 0;
    window.refresh();
    EXPECT_FALSE(find<QPushButton>(window, "UpDownDlySub3")->isEnabled());
}

// The periodic refresh (group timer, a member coming on-line) leaves a box the user is typing in
// alone; Enter takes the text and the box shows the stored value again.
TEST_F(GroupWindowTest, PeriodicRefreshKeepsWhatTheUserIsTyping) {
    GroupWindow window(ctx, 0, presets, prompter, sink);
    auto* delay = find<QLineEdit>(window, "TextDly");
    delay->setFocus();
    QTest::keyClicks(delay, "12");
    ASSERT_TRUE(delay->isModified());
    const QString typed = delay->text();
    window.refresh(true);
    EXPECT_EQ(delay->text(), typed);
    delay->setText("12.5");
    delay->setModified(true);
    emit delay->returnPressed();
    EXPECT_EQ(delay->text(), "12.500");
    EXPECT_FALSE(delay->isModified());
}

TEST_F(GroupWindowTest, DraggingABandEditsItAndShowsTheReadout) {
    GroupWindow window(ctx, 0, presets, prompter, sink);
    window.resize(800, 600);
    emit window.graph()->bandDragged(2, 500.0, 6.0);
    EXPECT_EQ(window.readout(), "Freq=500Hz; Gain=6.0dB");
    EXPECT_EQ(window.band(), 2);
    EXPECT_EQ(ctx.groups[0].Peq[22], PeqGainCode(6.0));
    ASSERT_EQ(window.graph()->handles().size(), 5u);
    EXPECT_EQ(window.graph()->handles()[2].frequencyHz, 500.0);
}

TEST_F(GroupWindowTest, ClosingAsksAndRemovesOnlyOnYes) {
    auto* window = new GroupWindow(ctx, 0, presets, prompter, sink);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    prompter.answer(false);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(ctx.groups[0].isInUse());
    EXPECT_EQ(prompter.lastText(), "Remove Group: PA\r\nAre you sure ? ");
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(ctx.groups[0].isInUse());
    EXPECT_EQ(sink.count, 0u);
}

// In the Chinese interface every caption with words in it has its Chinese text; what stays
// Latin is a symbol or a name (the Q, the preset names).
TEST_F(GroupWindowTest, ChineseInterfaceHasChineseCaptions) {
    ctx.LanguageFlag = 1;
    GroupWindow window(ctx, 0, presets, prompter, sink);
    EXPECT_EQ(find<QPushButton>(window, "LabelMute")->text(), "静音");
    EXPECT_EQ(find<QCheckBox>(window, "LabelEqByp")->text(), "EQ 旁通");
    EXPECT_EQ(find<QCheckBox>(window, "LabelBandByp")->text(), "旁通");
    EXPECT_EQ(find<QPushButton>(window, "ButtonSavePreset")->text(), "保存");
    auto latinOnly = [](const QString& text) {
        bool letters = false;
        for (const QChar ch : text) {
            if (ch.unicode() >= 0x2E80) return false;
            letters |= ch.isLetter();
        }
        return letters;
    };
    QStringList english;
    for (auto* label : window.findChildren<QLabel*>())
        if (label->objectName() != "LabelPreset" && latinOnly(label->text()) && label->text() != "Q")
            english << label->text();
    for (auto* button : window.findChildren<QAbstractButton*>())
        if (latinOnly(button->text())) english << button->text();
    EXPECT_TRUE(english.isEmpty()) << english.join(", ").toStdString();
}

}  // namespace
}  // namespace plenum::ui
