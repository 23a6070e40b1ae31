// The group model without a wire: the chooser's rules, the validation texts, creation from the
// Left device, the synchronisation check and the connect-time comparison. The commands a group
// operation produces are recorded by the sink.
#include <gtest/gtest.h>

#include "core/ImageLayout.h"
#include "groups/GroupModel.h"

namespace plenum {
namespace {

struct RecordingSink : GroupSink {
    void send(const std::vector<LinkedSend>& sends) override { sent.insert(sent.end(), sends.begin(), sends.end()); }
    // (slot, command code, first payload byte) of each command, in order.
    std::vector<std::tuple<int, int, int>> codes() const {
        std::vector<std::tuple<int, int, int>> out;
        for (const auto& s : sent) out.emplace_back(s.slot, s.command.code, s.command.params[0]);
        return out;
    }
    std::vector<LinkedSend> sent;
};

class GroupModel : public ::testing::Test {
protected:
    void SetUp() override {
        list(1, 8, "10.0.0.1", "AA01");
        list(2, 6, "10.0.0.2", "AA02");
        list(3, 1, "10.0.0.3", "AA03");
    }
    void list(int slot, std::uint8_t model, const std::string& address, const std::string& uniqueId,
              std::int16_t linkMode = kLinkLan) {
        DeviceRecord& r = ctx.device(slot);
        r.Present = kTrue16;
        r.ModelCode = model;
        r.Address = address;
        r.UniqueId = uniqueId;
        r.LinkMode = linkMode;
        r.DeviceName = "Dev " + std::to_string(slot);
    }
    std::uint8_t& st(int slot, int offset) { return ctx.statusOf(slot)[static_cast<std::size_t>(offset)]; }
    GroupSelection selection(bool withSub = true) {
        GroupSelection s;
        s.name = "STAGE";
        s.withSub = withSub;
        s.left = 1;
        s.right = 2;
        s.sub = withSub ? 3 : 0;
        return s;
    }

    AppContext ctx;
    ScriptedPrompter prompter;
    RecordingSink sink;
};

TEST_F(GroupModel, TheNinthGroupIsRefused) {
    EXPECT_EQ(BeginAddGroup(ctx, prompter), 0);
    for (auto& group : ctx.groups) group.InUse = kTrue16;
    EXPECT_EQ(BeginAddGroup(ctx, prompter), std::nullopt);
    ASSERT_EQ(prompter.entries().size(), 1u);
    EXPECT_EQ(prompter.entries()[0].title, "Add Group");
    EXPECT_EQ(prompter.entries()[0].text, "Can't add new group, max Group number reached");
    ctx.groups[5].InUse = kFalse16;
    EXPECT_EQ(BeginAddGroup(ctx, prompter), 5);
}

TEST_F(GroupModel, ChoosersOfferNetworkDevicesInNoOtherGroup) {
    list(4, 8, "USB", "", kLinkUsb);          // USB: never
    list(5, 3, "10.0.0.5", "AA05");           // member of group 2
    list(6, 4, "10.0.0.5", "BB06");           // the same address as a member
    list(7, 5, "10.0.0.7", "AA05");           // the same unique ID as a member
    list(8, 7, "10.0.0.8", "", kLinkWlan);    // WLAN, empty unique ID
    list(9, 2, "10.0.0.9", "AA09");           // model 2: no satellite of a group
    list(10, 1, "10.0.0.10", "AA10");         // a second subwoofer
    ctx.groups[2].InUse = kTrue16;
    ctx.groups[2].LeftDev = 5;
    ctx.groups[2].RightDev = 11;
    ctx.groups[2].Member[5] = ctx.groups[2].Member[11] = kTrue16;
    list(11, 8, "10.0.0.11", "");

    EXPECT_EQ(ChooserDevices(ctx, GroupRole::Left, kNoGroup), (std::vector<int>{1, 2, 8}));
    EXPECT_EQ(ChooserDevices(ctx, GroupRole::Right, kNoGroup), (std::vector<int>{1, 2, 8}));
    EXPECT_EQ(ChooserDevices(ctx, GroupRole::Sub, kNoGroup), (std::vector<int>{3, 10}));
    // Re-membering group 2: its own members count again.
    EXPECT_EQ(ChooserDevices(ctx, GroupRole::Left, 2), (std::vector<int>{1, 2, 5, 6, 7, 8, 11}));
    EXPECT_FALSE(EligibleForRole(ctx, 4, GroupRole::Left, 2));
}

struct ValidationCase {
    const char* name;
    GroupSelection selection;
    const char* text;
};

class GroupValidation : public GroupModel, public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(GroupValidation, RefusesWithItsMessageAndAsksNothing) {
    EXPECT_FALSE(ConfirmSelection(ctx, prompter, GetParam().selection));
    ASSERT_EQ(prompter.entries().size(), 1u);
    EXPECT_EQ(prompter.entries()[0].title, "Can't Add");
    EXPECT_EQ(prompter.entries()[0].text, GetParam().text);
    EXPECT_FALSE(prompter.entries()[0].question);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GroupValidation,
    ::testing::Values(ValidationCase{"NoLeft", {"G", false, 0, 2, 0}, "Please select a device for the Left"},
                      ValidationCase{"NoRight", {"G", false, 1, 0, 0}, "Please select a device for the Right"},
                      ValidationCase{"NoSub", {"G", true, 1, 2, 0}, "Please select a device for the Sub"},
                      ValidationCase{"SameDevice", {"G", false, 1, 1, 0}, "Please use different device for Left and Right"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GroupModel, AValidSelectionAsksTheSynchronisationWarning) {
    prompter.answer(false);
    EXPECT_FALSE(ConfirmSelection(ctx, prompter, selection()));
    EXPECT_EQ(prompter.lastText(), "All devices will be synchronized with the parameters of the Group\r\nDo you want to continue?");
    EXPECT_EQ(prompter.entries().back().title, "Add");
    EXPECT_TRUE(ConfirmSelection(ctx, prompter, selection()));
    ctx.LanguageFlag = 1;
    ConfirmSelection(ctx, prompter, selection());
    EXPECT_EQ(prompter.lastText().rfind("所有设备都会同步编组的参数", 0), 0u);
}

TEST_F(GroupModel, CreationTakesEveryValueFromTheLeftAndLimitsItsDelay) {
    ctx.satImage[1][sat::kInputMute] = 1;
    st(1, status::kGrpGain) = 120;
    st(1, status::kGrpDelay) = 1;  // 256 + 75 ms: the high byte goes, the low byte is limited to 70
    st(1, status::kGrpDelay + 1) = 75;
    st(1, status::kGrpDelay + 2) = 30;
    st(1, status::kGrpEqBypass) = 1;
    for (int i = 0; i < 25; ++i) st(1, status::kGrpPeq + i) = static_cast<std::uint8_t>(i + 1);
    st(3, status::kGrpDelay + 1) = 12;  // the Sub keeps its own delay
    st(3, status::kGrpPeq) = 99;
    ctx.groupState[4].SyncDeclined = kTrue16;
    ctx.groups[4].EqOnSub = kTrue16;

    CreateGroup(ctx, 4, selection(), sink);
    const GroupRecord& g = ctx.groups[4];
    EXPECT_TRUE(g.isInUse());
    EXPECT_EQ(g.Name, "STAGE");
    EXPECT_EQ(g.EqOnSub, 0);
    EXPECT_EQ(ctx.groupState[4].SyncDeclined, 0);
    EXPECT_EQ(g.Mute, 1);
    EXPECT_EQ(g.Gain, 120);
    EXPECT_EQ(g.SatDelay, (std::array<std::uint8_t, 3>{0, 70, 30}));
    EXPECT_EQ(g.SubDelay, (std::array<std::uint8_t, 3>{0, 12, 0}));
    EXPECT_EQ(g.Peq[24], 25);
    EXPECT_TRUE(g.hasMember(1) && g.hasMember(2) && g.hasMember(3));
    EXPECT_FALSE(g.hasMember(4));
    // Mute and gain to all three, delay to the satellites, bypass and bands to the satellites only.
    using Row = std::tuple<int, int, int>;
    std::vector<Row> expected{{1, 3, 0}, {2, 3, 0}, {3, 3, 0}, {1, 1, 4}, {2, 1, 4}, {3, 1, 4},
                              {1, 2, 2}, {2, 2, 2}, {1, 6, 2}, {2, 6, 2}};
    for (int band = 0; band < 5; ++band) expected.insert(expected.end(), {{1, 5, 2}, {2, 5, 2}});
    EXPECT_EQ(sink.codes(), expected);
    EXPECT_EQ(sink.sent[6].command.params, (std::array<std::uint8_t, 8>{2, 0, 0, 70, 30, 0, 0, 0}));
    EXPECT_EQ(sink.sent.back().command.params, (std::array<std::uint8_t, 8>{2, 0, 4, 5, 10, 15, 20, 25}));
    // The members hold the group's values now; the Sub's own equaliser stays.
    EXPECT_EQ(st(2, status::kGrpDelay + 1), 70);
    EXPECT_EQ(ctx.subImage[3][sub::kInputMute], 1);
    EXPECT_EQ(st(3, status::kGrpPeq), 99);
    for (int slot : {1, 2, 3}) EXPECT_FALSE(DeviceDiffersFromGroup(ctx, 4, slot)) << slot;
}

TEST_F(GroupModel, RememberingKeepsEqOnSubAndRebuildsTheMembers) {
    CreateGroup(ctx, 0, selection(), sink);
    ctx.groups[0].EqOnSub = kTrue16;
    ctx.groupState[0].SyncDeclined = kTrue16;
    list(4, 8, "10.0.0.4", "AA04");
    st(4, status::kGrpGain) = 77;
    GroupSelection again = selection();
    again.left = 4;
    sink.sent.clear();
    RememberGroup(ctx, 0, again, sink);
    EXPECT_EQ(ctx.groups[0].EqOnSub, kTrue16);
    EXPECT_EQ(ctx.groups[0].Gain, 77);
    EXPECT_FALSE(ctx.groups[0].hasMember(1));
    EXPECT_TRUE(ctx.groups[0].hasMember(4));
    EXPECT_EQ(ctx.groupState[0].SyncDeclined, 0);
    // With EqOnSub the Sub receives bypass and bands as well: 3 mutes, 3 gains, 2 delays, 3 + 15.
    EXPECT_EQ(sink.sent.size(), 26u);
}

TEST_F(GroupModel, CheckAsksOnceAndHonoursNo) {
    CreateGroup(ctx, 0, selection(), sink);
    list(5, 8, "10.0.0.5", "AA05");
    list(6, 8, "10.0.0.6", "AA06");
    GroupSelection other{"OTHER", false, 5, 6, 0};
    CreateGroup(ctx, 1, other, sink);
    sink.sent.clear();

    // A member's mute may differ without any question, and so may a Sub's equaliser without EqOnSub.
    ctx.satImage[2][sat::kInputMute] = 1;
    st(3, status::kGrpPeq + 7) ^= 0x55;
    EXPECT_TRUE(CheckGroupSync(ctx, 0, prompter, sink));
    EXPECT_TRUE(prompter.entries().empty());

    st(2, status::kGrpGain) ^= 1;
    st(5, status::kGrpDelay + 2) ^= 1;
    prompter.answer(false);
    EXPECT_FALSE(CheckGroupSync(ctx, 0, prompter, sink));
    EXPECT_EQ(prompter.lastText(), "Device(s) on the Group STAGEnot synchronized.\r\n\r\nDo you want synchronize?");
    EXPECT_EQ(prompter.entries().back().title, "Synchronize Group");
    EXPECT_EQ(ctx.groupState[0].SyncDeclined, kTrue16);
    EXPECT_FALSE(CheckGroupSync(ctx, 0, prompter, sink));  // not asked again
    EXPECT_EQ(prompter.questionCount(), 1u);
    EXPECT_TRUE(sink.sent.empty());

    EXPECT_TRUE(CheckGroupSync(ctx, 1, prompter, sink));  // the other group is still asked (default Yes)
    EXPECT_EQ(prompter.questionCount(), 2u);
    EXPECT_FALSE(DeviceDiffersFromGroup(ctx, 1, 5));
    // SynchronizeGroup: per member mute, gain, delay, bypass, five bands.
    ASSERT_EQ(sink.sent.size(), 18u);
    EXPECT_EQ(sink.sent[0].slot, 5);
    EXPECT_EQ(sink.sent[0].command.code, 3);
    EXPECT_EQ(sink.sent[8].slot, 5);
    EXPECT_EQ(sink.sent[9].slot, 6);

    RememberGroup(ctx, 0, selection(), sink);  // re-membering clears the No
    st(2, status::kGrpGain) ^= 1;
    prompter.answer(true);
    EXPECT_TRUE(CheckGroupSync(ctx, 0, prompter, sink));
    EXPECT_EQ(prompter.questionCount(), 3u);
}

TEST_F(GroupModel, ConnectingADriftedMemberWritesOnlyTheDifferingItems) {
    CreateGroup(ctx, 0, selection(), sink);
    ctx.groups[0].EqOnSub = kTrue16;
    SynchronizeGroup(ctx, 0, sink);
    sink.sent.clear();
    EXPECT_TRUE(ConnectTimeGroupCheck(ctx, 3, prompter, sink).empty());  // in sync: no question
    EXPECT_TRUE(prompter.entries().empty());

    st(3, status::kGrpDelay) = 1;            // one delay byte
    st(3, status::kGrpPeq + 5 * 4 + 2) = 77;  // band 2's gain
    ctx.subImage[3][sub::kInputMute] ^= 1;   // the mute is written with them, though never compared
    prompter.answer(false);
    EXPECT_TRUE(ConnectTimeGroupCheck(ctx, 3, prompter, sink).empty());
    EXPECT_EQ(prompter.lastText(), "Do you want to synchronize the device with the Group?");
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_EQ(ConnectTimeGroupCheck(ctx, 3, prompter, sink), (std::vector<int>{0}));
    using Row = std::tuple<int, int, int>;
    EXPECT_EQ(sink.codes(), (std::vector<Row>{{3, 2, 2}, {3, 3, 0}, {3, 5, 2}}));
    EXPECT_EQ(sink.sent[2].command.params[2], 2);
    EXPECT_FALSE(DeviceDiffersFromGroup(ctx, 0, 3));
}

}  // namespace
}  // namespace plenum
