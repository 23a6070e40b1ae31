// The FIR wizard's rules without a window: every stepped setting's snapping, the refusals and
// their texts, the store and verify questions, the EQ target editor.
#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"
#include "ui/logic/EqTargetEdit.h"
#include "ui/logic/WizardFlow.h"
#include "ui/logic/WizardTexts.h"

namespace plenum::ui {
namespace {

struct SnapCase {
    const char* name;
    WizardSetting setting;
    const char* typed;
    const char* shown;
};

class WizardSnapTest : public ::testing::TestWithParam<SnapCase> {};

TEST_P(WizardSnapTest, TypedValueSnapsToTheSettingsGrid) {
    ScriptedPrompter prompter;
    WizardFlow flow(prompter, 0, false);
    ASSERT_TRUE(flow.enter(GetParam().setting, GetParam().typed));
    EXPECT_EQ(SettingText(flow.settings(), GetParam().setting), GetParam().shown);
    EXPECT_EQ(prompter.entries().size(), 0u);
}

// The rule: the first grid value not below the typed one, or the one just below when nearer;
// values outside the range take its ends.
INSTANTIATE_TEST_SUITE_P(
    Grid, WizardSnapTest,
    ::testing::Values(SnapCase{"ThresholdDown", WizardSetting::Threshold, "3.4", "3"},
                      SnapCase{"ThresholdUp", WizardSetting::Threshold, "3.6", "4"},
                      SnapCase{"ThresholdBelow", WizardSetting::Threshold, "-2", "0"},
                      SnapCase{"ThresholdAbove", WizardSetting::Threshold, "12", "10"},
                      SnapCase{"LowerWhole", WizardSetting::LowerHz, "99.4", "99"},
                      SnapCase{"LowerCapped", WizardSetting::LowerHz, "5000", "1000"},
                      SnapCase{"UpperCapped", WizardSetting::UpperHz, "25000", "20000"},
                      SnapCase{"LatencyDown", WizardSetting::LatencyMs, "5.04", "5.0"},
                      SnapCase{"LatencyUp", WizardSetting::LatencyMs, "5.06", "5.1"},
                      SnapCase{"LatencyBelow", WizardSetting::LatencyMs, "0.5", "1.0"},
                      SnapCase{"LatencyLimit", WizardSetting::LatencyMs, "11", "10.6"},
                      SnapCase{"PrecisionBelow", WizardSetting::Precision, "0", "1"},
                      SnapCase{"PrecisionHalfGoesUp", WizardSetting::Precision, "7.5", "8"},
                      SnapCase{"BoostDown", WizardSetting::BoostDb, "6.2", "6.0"},
                      SnapCase{"BoostUp", WizardSetting::BoostDb, "6.3", "6.5"},
                      SnapCase{"BoostBelow", WizardSetting::BoostDb, "0", "1.0"},
                      SnapCase{"BoostAbove", WizardSetting::BoostDb, "31", "30.0"},
                      SnapCase{"WindowBelow", WizardSetting::WindowMs, "1", "2.0"},
                      SnapCase{"WindowDown", WizardSetting::WindowMs, "20.04", "20.0"},
                      SnapCase{"WindowAbove", WizardSetting::WindowMs, "45", "40.0"},
                      SnapCase{"ZeroBelow", WizardSetting::ZeroOffset, "-40", "-30"},
                      SnapCase{"ZeroHalfGoesUp", WizardSetting::ZeroOffset, "2.5", "3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WizardFlow, UnreadableEntriesWarnAndKeepTheOldValue) {
    ScriptedPrompter prompter;
    WizardFlow flow(prompter, 1, false);
    EXPECT_FALSE(flow.enter(WizardSetting::BoostDb, "lots"));
    ASSERT_EQ(prompter.entries().size(), 1u);
    EXPECT_EQ(prompter.entries().back().title, "警告");
    EXPECT_EQ(flow.settings().boostLimitDb, 6.0);
    EXPECT_FALSE(flow.enterSmoothing("1/7"));
    EXPECT_EQ(prompter.lastText(), "Admited value: 1/6, 1/5, 1/4, 1/3, 1/2");
    EXPECT_TRUE(flow.enterSmoothing("1/3"));
    EXPECT_EQ(SmoothingText(flow.settings().smoothingOctaves), "1/3");
}

TEST(WizardFlow, LimitsKeepTheirOrder) {
    ScriptedPrompter prompter;
    WizardFlow flow(prompter, 0, false);
    ASSERT_TRUE(flow.enter(WizardSetting::UpperHz, "500"));
    ASSERT_TRUE(flow.enter(WizardSetting::LowerHz, "800"));
    EXPECT_GT(flow.settings().upperHz, flow.settings().lowerHz);
}

TEST(WizardFlow, PagesNeedTheirInputs) {
    ScriptedPrompter prompter;
    WizardFlow flow(prompter, 0, false);
    EXPECT_FALSE(flow.canGoBack());
    ASSERT_TRUE(flow.next());
    ASSERT_TRUE(flow.next());
    EXPECT_EQ(flow.page(), WizardPage::Wiring);
    flow.chooseWiring(0, 0, -1);
    EXPECT_FALSE(flow.next());
    EXPECT_EQ(prompter.lastText(), "Please set all ASIO parameters");
    flow.chooseWiring(0, 0, 1);
    ASSERT_TRUE(flow.next());
    EXPECT_FALSE(flow.next());  // nothing measured yet
    EXPECT_EQ(flow.peakText(), "Peak Level = --");
    audio::Measurement m;
    m.ir.taps = {0.0, 1.0, 0.5};
    m.peakLevelDb = -12.34;
    flow.measured({audio::AudioStatus::Cancelled, "cancelled"}, m);
    EXPECT_FALSE(flow.measurement());
    flow.measured({audio::AudioStatus::Failed, "no stream"}, m);
    EXPECT_EQ(prompter.lastText(), "Can't complete the measurement, please check your ASIO card settings");
    flow.measured({}, m);
    EXPECT_EQ(flow.peakText(), "Peak Level = -12.3 dB");
    EXPECT_TRUE(flow.next());
}

TEST(WizardFlow, StoreSaveAndVerifyAskWhatTheyMust) {
    ScriptedPrompter prompter;
    WizardFlow flow(prompter, 0, false);
    test::TempDir dir;
    EXPECT_FALSE(flow.confirmStore());
    EXPECT_EQ(prompter.lastText(), "Can't store, please recalculate the FIR first");
    EXPECT_FALSE(flow.saveFir(dir.path() / "f.txt"));
    EXPECT_EQ(prompter.lastText(), "Can't save, please recalculate the FIR first");
    audio::Correction c;
    c.taps.assign(audio::kWizardMaxTaps, 0.0);
    c.taps[10] = 0.5;
    c.gainReductionDb = 1.5;
    flow.designed(c);
    EXPECT_EQ(prompter.lastText(), "Filter gain has been reduced to avoid clipping");
    EXPECT_TRUE(flow.confirmStore());
    prompter.clear();
    prompter.answer(false);
    EXPECT_FALSE(flow.confirmVerify());
    EXPECT_EQ(prompter.entries().back().title, "Verify FIR");
    EXPECT_EQ(prompter.lastText(), "The actual FIR has not been stored.\r\nDo you want to proceed anyway ?");
    flow.storeFinished(device::FirStoreOutcome::Failed, c.taps);
    EXPECT_EQ(prompter.lastText(), "Communication problem, can't store FIR.");
    EXPECT_FALSE(flow.isStored());
    EXPECT_TRUE(flow.storedTaps().empty());
    // A store of an earlier design that ends after a new one: the loudspeaker holds the earlier
    // taps and the current design is not stored.
    audio::Correction earlier = c;
    earlier.taps[10] = 0.25;
    flow.storeFinished(device::FirStoreOutcome::Done, earlier.taps);
    EXPECT_FALSE(flow.isStored());
    EXPECT_EQ(flow.storedTaps(), earlier.taps);
    flow.storeFinished(device::FirStoreOutcome::Done, c.taps);
    EXPECT_TRUE(flow.isStored());
    EXPECT_EQ(flow.storedTaps(), c.taps);
    prompter.clear();
    EXPECT_TRUE(flow.confirmVerify());
    EXPECT_EQ(prompter.entries().size(), 0u);
    prompter.answer(true);
    prompter.answer(false);
    EXPECT_FALSE(flow.confirmStore());
    ASSERT_EQ(prompter.questionCount(), 2u);
    EXPECT_EQ(prompter.entries()[0].text, "The current FIR is already stored, do you want to continue?");
    EXPECT_EQ(prompter.entries()[1].text, "Are you sure?");
    EXPECT_FALSE(flow.verifyFromFile(dir.path() / "missing.irw"));
    EXPECT_EQ(prompter.lastText(), "Can't open IR verify file");
    ASSERT_TRUE(flow.saveFir(dir.path() / "f.txt"));
    std::ifstream in(dir.path() / "f.txt");
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    EXPECT_EQ(lines, audio::kWizardMaxTaps);
}

// Every file the wizard and the target editor write goes through a temporary file; a write that
// cannot happen (here: a folder that does not exist) says so instead of passing silently.
TEST(WizardFlow, FilesThatCannotBeWrittenAreReported) {
    ScriptedPrompter prompter;
    WizardFlow flow(prompter, 1, false);
    test::TempDir dir;
    audio::Measurement m;
    m.ir.taps.assign(2000, 0.0);
    m.ir.taps[5] = 1.0;
    m.peakLevelDb = -10;
    flow.measured({}, m);
    ASSERT_TRUE(flow.measurement());
    audio::Correction c;
    c.taps.assign(audio::kWizardMaxTaps, 0.0);
    c.taps[0] = 1.0;
    flow.designed(c);
    EqTargetEdit edit(prompter, 1, false, {});
    const auto missing = dir.path() / "missing";
    const std::vector<std::pair<const char*, std::function<bool(const std::filesystem::path&)>>> writers{
        {"fir", [&](const std::filesystem::path& p) { return flow.saveFir(p / "f.txt"); }},
        {"ir", [&](const std::filesystem::path& p) { return flow.saveIr(p / "m.irw"); }},
        {"config", [&](const std::filesystem::path& p) { return flow.saveConfig(p / "c.wzn"); }},
        {"target", [&](const std::filesystem::path& p) { return edit.save(p / "t.eqt"); }},
        {"default target", [&](const std::filesystem::path& p) { return edit.applied(p); }},
    };
    for (const auto& [name, write] : writers) {
        prompter.clear();
        EXPECT_FALSE(write(missing)) << name;
        ASSERT_EQ(prompter.entries().size(), 1u) << name;
        EXPECT_EQ(prompter.lastText(), "无法写入文件。") << name;
        prompter.clear();
        EXPECT_TRUE(write(dir.path())) << name;
        EXPECT_TRUE(prompter.entries().empty()) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    // Only the files themselves are left: no temporary file beside them.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 5);
}

// The band types of the target editor are translated, not copied from the English.
TEST(WizardFlow, EqBandTypeNamesHaveChinese) {
    for (const auto& name : texts::kEqBandTypeNames) EXPECT_NE(name.pick(1), name.pick(0)) << name.pick(0);
    EXPECT_EQ(texts::kWizardCancel.pick(1), "取消");
}

TEST(WizardFlow, ConfigurationRoundTripsThroughAFile) {
    ScriptedPrompter prompter;
    WizardFlow flow(prompter, 0, false);
    test::TempDir dir;
    ASSERT_TRUE(flow.enter(WizardSetting::BoostDb, "9.5"));
    ASSERT_TRUE(flow.enter(WizardSetting::WindowMs, "12.3"));
    flow.chooseMode(audio::DesignMode::MinimizeRipple);
    ASSERT_TRUE(flow.saveConfig(dir.path() / "a.wzn"));
    WizardFlow other(prompter, 0, false);
    ASSERT_TRUE(other.loadConfig(dir.path() / "a.wzn"));
    EXPECT_EQ(other.settings().boostLimitDb, 9.5);
    EXPECT_EQ(other.settings().windowLengthMs, 12.3);
    EXPECT_EQ(other.settings().mode, audio::DesignMode::MinimizeRipple);
}

TEST(EqTargetEdit, BandsAreCheckedFlatAsksAndTheDefaultIsKept) {
    ScriptedPrompter prompter;
    test::TempDir dir;
    EqTargetEdit edit(prompter, 1, false, LoadDefaultEqTarget(dir.path()));
    ASSERT_EQ(edit.bands().size(), static_cast<std::size_t>(kEqTargetBands));
    EXPECT_FALSE(edit.askApply());  // nothing changed: nothing asked
    EXPECT_EQ(prompter.questionCount(), 0u);
    EXPECT_FALSE(edit.enterQ(0, "12"));
    EXPECT_EQ(prompter.lastText(), "  不正确的 Q 值");
    EXPECT_FALSE(edit.enterGain(0, "13"));
    EXPECT_FALSE(edit.enterFrequency(0, "40"));
    EXPECT_FALSE(edit.changed());
    edit.chooseType(0, audio::EqBandType::HiShv);
    ASSERT_TRUE(edit.enterGain(0, "-3.5"));
    ASSERT_TRUE(edit.enterFrequency(0, "4000"));
    ASSERT_TRUE(edit.enterQ(0, "0.73"));
    EXPECT_DOUBLE_EQ(edit.band(0).q, 0.75);
    ASSERT_TRUE(edit.save(dir.path() / "t.eqt"));
    edit.applied(dir.path());
    EXPECT_FALSE(edit.changed());
    EXPECT_EQ(LoadDefaultEqTarget(dir.path())[0].type, audio::EqBandType::HiShv);

    prompter.answer(false);
    EXPECT_FALSE(edit.flat());
    EXPECT_EQ(prompter.entries().back().title, "EQ 平直");
    EXPECT_EQ(edit.band(0).type, audio::EqBandType::HiShv);
    prompter.answer(true);
    EXPECT_TRUE(edit.flat());
    EXPECT_EQ(edit.band(0).type, audio::EqBandType::Disabled);
    prompter.answer(true);
    EXPECT_TRUE(edit.askApply());
    EXPECT_EQ(prompter.entries().back().title, "EQ 目标");
    ASSERT_TRUE(edit.load(dir.path() / "t.eqt"));
    EXPECT_DOUBLE_EQ(edit.band(0).gainDb, -3.5);
    EXPECT_FALSE(edit.load(dir.path() / "missing.eqt"));
}

}  // namespace
}  // namespace plenum::ui
