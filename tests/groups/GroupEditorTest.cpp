// The group window's rules without a wire: delay and gain entry with their limits and units, the
// equaliser, "EQ Flat" across groups, presets and their file, "EQ on Sub", removal.
#include <gtest/gtest.h>

#include "core/BinaryIO.h"
#include "groups/GroupEditor.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

struct RecordingSink : GroupSink {
    void send(const std::vector<LinkedSend>& sends) override { sent.insert(sent.end(), sends.begin(), sends.end()); }
    std::vector<int> slots() const {
        std::vector<int> out;
        for (const auto& s : sent) out.push_back(s.slot);
        return out;
    }
    std::vector<LinkedSend> sent;
};

struct Windows : EditWindowRefresher {
    void refreshFromImage(int slot) override { refreshed.push_back(slot); }
    std::vector<int> refreshed;
};

using Delay = std::array<std::uint8_t, 3>;

class GroupEditing : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.dataDir = dir.path();
        for (int slot = 1; slot <= 5; ++slot) {
            DeviceRecord& r = ctx.device(slot);
            r.Present = kTrue16;
            r.LinkMode = kLinkLan;
            r.ModelCode = slot == 3 ? 1 : 8;
            r.Address = "10.0.0." + std::to_string(slot);
            r.DeviceName = "Cab " + std::to_string(slot);
        }
        CreateGroup(ctx, 0, {"MAIN", true, 1, 2, 3}, sink);
        CreateGroup(ctx, 1, {"SIDE", false, 4, 5, 0}, sink);
        sink.sent.clear();
    }

    test::TempDir dir;
    AppContext ctx;
    ScriptedPrompter prompter;
    RecordingSink sink;
    Windows windows;
    GroupPresets presets;
    GroupEditor editor{ctx, 0, presets, prompter, sink, &windows};
};

struct DelayCase {
    const char* name;
    bool metres;
    bool sub;
    const char* text;
    Delay code;
};

class GroupDelayEntry : public GroupEditing, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(GroupDelayEntry, ConvertsAndLimits) {
    const DelayCase& c = GetParam();
    if (c.metres) editor.toggleDelayUnit();
    ASSERT_TRUE(editor.setDelayText(c.sub, c.text));
    EXPECT_EQ(c.sub ? ctx.groups[0].SubDelay : ctx.groups[0].SatDelay, c.code);
    // Sent to the satellites, or to the Sub alone.
    const std::vector<int> members = c.sub ? std::vector<int>{3} : std::vector<int>{1, 2};
    EXPECT_EQ(sink.slots(), members);
    EXPECT_EQ(sink.sent[0].command.code, 2);
    EXPECT_EQ(sink.sent[0].command.params[3], c.code[1]);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, GroupDelayEntry,
    ::testing::Values(DelayCase{"Sat100msIs70And47Steps", false, false, "100", {0, 70, 47}},
                      DelayCase{"Sub100msStays", false, true, "100", {0, 100, 0}},
                      DelayCase{"CommaIsTheSeparator", false, false, "1,5", {0, 1, 24}},
                      DelayCase{"Sub30mIs88_235ms", true, true, "30", {0, 88, 11}},
                      DelayCase{"Sat30mIsLimited", true, false, "30", {0, 70, 47}},
                      DelayCase{"Sub90mIsFirstLimitedTo84_992m", true, true, "90", {0, 249, 47}},
                      DelayCase{"SubAbove249_979msIsLimited", false, true, "400.5", {0, 249, 47}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GroupEditing, WrongNumbersChangeNothing) {
    const GroupRecord before = ctx.groups[0];
    for (const char* text : {"abc", "", "1.2.3", "-", "12a"}) {
        EXPECT_FALSE(editor.setDelayText(false, text)) << text;
        EXPECT_FALSE(editor.setGainText(text)) << text;
    }
    EXPECT_FALSE(editor.setBandText(0, "q", "x"));
    EXPECT_FALSE(editor.setBand(0, {.q = 20.0}));
    EXPECT_FALSE(editor.setBand(0, {.gainDb = 16.0}));
    EXPECT_EQ(ctx.groups[0], before);
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_EQ(prompter.entries().back().title, "Warning");
    EXPECT_EQ(prompter.entries().back().text, "Wrong value");
}

TEST_F(GroupEditing, MetresShowAndCaption) {
    EXPECT_EQ(editor.delayCaption(), "DELAY [ms]");
    editor.setDelay(true, 88.235);
    editor.toggleDelayUnit();
    EXPECT_EQ(editor.delayCaption(), "DELAY [m]");
    EXPECT_EQ(editor.delayText(true), "29.998");
    editor.stepDelay(false, 1, true);
    editor.stepDelay(false, 2, false);
    EXPECT_EQ(ctx.groups[0].SatDelay, (Delay{0, 1, 2}));
    editor.stepDelay(false, 500, true);
    EXPECT_EQ(ctx.groups[0].SatDelay, (Delay{0, 70, 47}));
}

TEST_F(GroupEditing, GainAndMuteReachEveryMemberAndRedrawTheirWindows) {
    ctx.device(2).EditOpen = kTrue16;
    ASSERT_TRUE(editor.setGainText("20"));  // above +12 is +12
    EXPECT_EQ(ctx.groups[0].Gain, kGainIndexMax);
    EXPECT_EQ(sink.slots(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ctx.statusOf(3)[status::kGrpGain], kGainIndexMax);
    EXPECT_EQ(windows.refreshed, (std::vector<int>{2}));
    ASSERT_TRUE(editor.setGainText("-100"));
    EXPECT_EQ(ctx.groups[0].Gain, 0);
    editor.setMute(true);
    EXPECT_EQ(ctx.subImage[3][21], 1);
    EXPECT_EQ(ctx.satImage[1][21], 1);
    EXPECT_EQ(sink.sent.back().command.params, (std::array<std::uint8_t, 8>{0, 0, 1, 0, 0, 0, 0, 0}));
}

TEST_F(GroupEditing, BandsBypassAndEqOnSub) {
    ASSERT_TRUE(editor.setBand(2, {.type = 0, .frequencyHz = 30000.0, .q = 1.0, .gainDb = -6.0}));
    const GroupRecord& g = ctx.groups[0];
    EXPECT_EQ(JoinFrequency(g.Peq[5 + 2], g.Peq[10 + 2]), 20000);  // limited to 20..20000 Hz
    EXPECT_EQ(g.Peq[15 + 2], 18);
    EXPECT_EQ(g.Peq[20 + 2], 18);
    EXPECT_EQ(sink.slots(), (std::vector<int>{1, 2}));  // no EQ on the Sub yet
    editor.toggleBandBypass(2);
    EXPECT_EQ(g.Peq[22], 0x80 | 18);
    editor.setEqBypass(true);
    EXPECT_EQ(ctx.statusOf(2)[status::kGrpEqBypass], 1);
    sink.sent.clear();
    ASSERT_TRUE(editor.setEqOnSub(true));
    EXPECT_EQ(sink.slots(), (std::vector<int>(6, 3)));  // bypass and five bands to the Sub
    EXPECT_EQ(ctx.statusOf(3)[status::kGrpPeq + 22], 0x80 | 18);
    GroupEditor side(ctx, 1, presets, prompter, sink);
    EXPECT_FALSE(side.setEqOnSub(true));  // no Sub in that group
    EXPECT_EQ(ctx.groups[1].EqOnSub, 0);
    EXPECT_EQ(side.memberRows().size(), 2u);
}

TEST_F(GroupEditing, EqFlatFlattensEveryGroupInUse) {
    editor.setBand(1, {.type = 0, .gainDb = 6.0});
    editor.setBand(3, {.type = 9, .gainDb = 6.0});  // a low-pass keeps its byte
    GroupEditor side(ctx, 1, presets, prompter, sink);
    side.setBand(0, {.type = 4, .gainDb = -3.0, .bypass = true});
    sink.sent.clear();
    prompter.answer(false);
    EXPECT_FALSE(editor.eqFlat());
    EXPECT_EQ(prompter.lastText(), "Are you sure ?");
    EXPECT_TRUE(editor.eqFlat());
    EXPECT_EQ(ctx.groups[0].Peq[21], kPeqGainCodeZero);
    EXPECT_EQ(ctx.groups[0].Peq[23], PeqGainCode(6.0));
    EXPECT_EQ(ctx.groups[1].Peq[20], 0x80 | kPeqGainCodeZero);
    EXPECT_EQ(sink.sent.size(), 20u);  // five bands to two members of each group
    EXPECT_EQ(ctx.statusOf(5)[status::kGrpPeq + 20], 0x80 | kPeqGainCodeZero);
}

TEST_F(GroupEditing, MemberRowsSayOnLineOrOffLine) {
    ctx.device(2).Connected = kTrue16;
    const auto rows = editor.memberRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].label, "LEFT");
    EXPECT_EQ(rows[0].state, "OFF-LINE");
    EXPECT_EQ(rows[1].state, "ON-LINE");
    EXPECT_EQ(rows[2].label, "SUB");
    EXPECT_EQ(rows[2].deviceName, "Cab 3");
}

TEST_F(GroupEditing, RemovalAsksAndSendsNothing) {
    prompter.answer(false);
    EXPECT_FALSE(editor.removeGroup());
    EXPECT_EQ(prompter.lastText(), "Remove Group: MAIN\r\nAre you sure ? ");
    EXPECT_TRUE(ctx.groups[0].isInUse());
    EXPECT_TRUE(editor.removeGroup());
    EXPECT_FALSE(ctx.groups[0].isInUse());
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(GroupEditing, PresetsLoadMatchAndSave) {
    ASSERT_TRUE(editor.loadPreset(5));
    EXPECT_EQ(editor.presetCaption(), "ROCK METAL");
    EXPECT_EQ(sink.sent.size(), 10u);
    editor.setBand(0, {.gainDb = 1.0});
    ctx.groups[1].InUse = kFalse16;  // one custom record: the last custom group's curve
    MatchGroupPresets(ctx, presets);
    EXPECT_EQ(editor.presetCaption(), "CUSTOM");
    EXPECT_EQ(presets.curve(kCustomPresetIndex), ctx.groups[0].Peq);
    ASSERT_FALSE(editor.savePreset(8));  // "USER 2"
    MatchGroupPresets(ctx, presets);
    EXPECT_EQ(editor.presetCaption(), "USER 2");
    EXPECT_EQ(editor.savePreset(3), std::make_error_code(std::errc::invalid_argument));

    std::error_code error;
    const auto file = ReadWholeFile(dir.path() / "GroupP.lst", error);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->size(), 76u);
    EXPECT_EQ((*file)[0], 11);
    EXPECT_TRUE(std::equal(file->begin() + 26, file->begin() + 51, ctx.groups[0].Peq.begin()));
    GroupPresets reloaded;
    ASSERT_TRUE(reloaded.load(dir.path()));
    EXPECT_EQ(reloaded.curve(8), ctx.groups[0].Peq);
    EXPECT_EQ(reloaded.curve(7), GroupPresets().curve(7));
}

TEST(GroupPresetFile, AFileThatIsNotOneLeavesTheBuiltInCurves) {
    const GroupPresets builtIn;
    std::vector<std::uint8_t> good = EncodeGroupPresetFile({builtIn.curve(0), builtIn.curve(1), builtIn.curve(2)});
    ASSERT_TRUE(ParseGroupPresetFile(good));
    EXPECT_EQ((*ParseGroupPresetFile(good))[1], builtIn.curve(1));
    auto wrongMarker = good;
    wrongMarker[0] = 10;
    auto shortFile = good;
    shortFile.pop_back();
    auto badType = good;
    badType[1] = 18;
    auto badFrequency = good;
    badFrequency[6] = 0x60;  // 24 kHz and more
    for (const auto* bytes : {&wrongMarker, &shortFile, &badType, &badFrequency}) EXPECT_FALSE(ParseGroupPresetFile(*bytes));

    test::TempDir dir;
    ASSERT_FALSE(WriteFileAtomic(dir.path() / "GroupP.lst", wrongMarker));
    GroupPresets presets;
    EXPECT_FALSE(presets.load(dir.path()));
    EXPECT_EQ(presets.curve(9), builtIn.curve(9));
    EXPECT_FALSE(presets.load(dir.path() / "missing"));
}

TEST(GroupNumbers, SeparatorsAndSigns) {
    EXPECT_EQ(ParseGroupNumber("1,5"), 1.5);
    EXPECT_EQ(ParseGroupNumber(" 12.25 "), 12.25);
    EXPECT_EQ(ParseGroupNumber("-3"), -3.0);
    EXPECT_EQ(ParseGroupNumber("+3"), 3.0);
    EXPECT_EQ(ParseGroupNumber("1e3"), std::nullopt);
    EXPECT_EQ(ParseGroupNumber(""), std::nullopt);
}

}  // namespace
}  // namespace plenum
