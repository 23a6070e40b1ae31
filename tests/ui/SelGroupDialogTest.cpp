// FrmSelGroup offscreen: the choosers offer what the group rules allow, "Add" refuses with the
// system's texts and, once confirmed, creates or re-members the group and sends its values.
#include "ui/SelGroupDialog.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "TestApp.h"
#include <QComboBox>

namespace plenum::ui {
namespace {

struct RecordingSink : GroupSink {
    void send(const std::vector<LinkedSend>& sends) override { count += sends.size(); }
    std::size_t count = 0;
};

class SelGroupDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::App();
        const std::uint8_t models[] = {8, 6, 1, 8};
        for (int slot = 1; slot <= 4; ++slot) {
            DeviceRecord& r = ctx.device(slot);
            r.Present = kTrue16;
            r.ModelCode = models[slot - 1];
            r.LinkMode = slot == 4 ? kLinkUsb : kLinkLan;
            r.Address = slot == 4 ? "USB" : "10.0.0." + std::to_string(slot);
            r.DeviceName = "Cab " + std::to_string(slot);
        }
    }
    AppContext ctx;
    ScriptedPrompter prompter;
    RecordingSink sink;
};

TEST_F(SelGroupDialogTest, ChoosersOfferOnlyEligibleDevices) {
    SelGroupDialog dialog(ctx, prompter, sink, 0, false);
    EXPECT_EQ(dialog.chooser(GroupRole::Left)->count(), 3);  // "SELECT DEVICE", 1, 2 (never the USB one)
    EXPECT_EQ(dialog.chooser(GroupRole::Left)->itemText(0), "SELECT DEVICE");
    EXPECT_EQ(dialog.chooser(GroupRole::Sub)->count(), 2);
    EXPECT_FALSE(dialog.choose(GroupRole::Left, 4));
    EXPECT_FALSE(dialog.choose(GroupRole::Left, 3));
    EXPECT_EQ(dialog.selection().name, "DEFAULT");
    ctx.device(3).Present = kFalse16;
    SelGroupDialog noSub(ctx, prompter, sink, 0, false);
    EXPECT_EQ(noSub.chooser(GroupRole::Sub)->itemText(0), "Empty");
}

TEST_F(SelGroupDialogTest, AddValidatesAsksAndCreates) {
    SelGroupDialog dialog(ctx, prompter, sink, 2, false);
    EXPECT_FALSE(dialog.tryAdd());
    EXPECT_EQ(prompter.lastText(), "Please select a device for the Left");
    ASSERT_TRUE(dialog.choose(GroupRole::Left, 1));
    ASSERT_TRUE(dialog.choose(GroupRole::Right, 2));
    dialog.setWithSub(true);
    EXPECT_FALSE(dialog.tryAdd());
    EXPECT_EQ(prompter.lastText(), "Please select a device for the Sub");
    ASSERT_TRUE(dialog.choose(GroupRole::Sub, 3));
    dialog.setGroupName("STAGE");
    prompter.answer(false);
    EXPECT_FALSE(dialog.tryAdd());
    EXPECT_FALSE(ctx.groups[2].isInUse());
    EXPECT_TRUE(dialog.tryAdd());
    EXPECT_TRUE(ctx.groups[2].isInUse());
    EXPECT_EQ(ctx.groups[2].Name, "STAGE");
    EXPECT_EQ(sink.count, 20u);  // 3 mutes, 3 gains, 2 delays, 2 bypasses, 2 x 5 bands
}

TEST_F(SelGroupDialogTest, EditModeStartsFromTheGroupAndRemembers) {
    CreateGroup(ctx, 1, {"MAIN", true, 1, 2, 3}, sink);
    SelGroupDialog dialog(ctx, prompter, sink, 1, true);
    EXPECT_EQ(dialog.selection().left, 1);
    EXPECT_EQ(dialog.selection().sub, 3);
    EXPECT_EQ(dialog.selection().name, "MAIN");
    // In another group's chooser the members are not offered.
    SelGroupDialog other(ctx, prompter, sink, 0, false);
    EXPECT_EQ(other.chooser(GroupRole::Left)->count(), 1);
    ASSERT_TRUE(dialog.choose(GroupRole::Left, 2));
    ASSERT_TRUE(dialog.choose(GroupRole::Right, 1));
    EXPECT_TRUE(dialog.tryAdd());
    EXPECT_EQ(ctx.groups[1].LeftDev, 2);
}

}  // namespace
}  // namespace plenum::ui
