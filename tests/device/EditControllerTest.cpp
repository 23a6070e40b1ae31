// The edit windows' controllers against simulated loudspeakers: each user event runs the edit
// flow to the image, the wire (frames in the simulator's log) and the device's memory, linked
// devices included; refused values show the window's own text and change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "core/FactoryPrograms.h"
#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"
#include "device/EditController.h"
#include "device/EditTexts.h"
#include "support/SimRig.h"

namespace plenum::device {
namespace {

constexpr std::uint8_t kSatModel = 8;
constexpr int kCodeIndex = 3;  // F0 78 id code p1..p8 F7

class EditRig : public test::SimRig {
protected:
    // The edit window of the rig's subwoofer (slot 3) or main satellite (slot 1).
    std::unique_ptr<EditController> windowFor(bool subwoofer) {
        if (subwoofer) return std::make_unique<EditSubController>(ctx, 3, *sink, prompter);
        return std::make_unique<EditSatController>(ctx, 1, *sink, prompter);
    }
    sim::SimulatedDevice* sat = nullptr;
    sim::SimulatedDevice* linked = nullptr;
    sim::SimulatedDevice* sub = nullptr;
    std::unique_ptr<DirectEditSink> sink;

    void SetUp() override {
        sat = &addDevice("127.0.0.2", kSatModel);
        linked = &addDevice("127.0.0.3", kSatModel);
        sub = &addDevice("127.0.0.4", kSubModelCode);
        start();
        bringOnline(1, *sat);
        bringOnline(2, *linked);
        bringOnline(3, *sub);
        ctx.dataDir = dir.path();
        ctx.device(1).DeviceName = "Stage left";
        // Slots 1 and 2 are linked through bit 0 of their link masks.
        ctx.satStatus[1][status::kLinkMask] = 1;
        ctx.satStatus[2][status::kLinkMask] = 1;
        for (int slot : {1, 2}) {
            ctx.satImage[static_cast<std::size_t>(slot)] = SatFactoryImage(0);
            syncDevice(slot);
        }
        ctx.subImage[3] = SubFactoryImage();
        syncDevice(3);
        sink = std::make_unique<DirectEditSink>(*comm);
        ASSERT_TRUE(test::MirrorsDevices(ctx, simulator));
    }

    sim::SimulatedDevice& deviceOf(int slot) { return slot == 1 ? *sat : slot == 2 ? *linked : *sub; }
    void syncDevice(int slot) {
        auto& device = deviceOf(slot);
        device.writeMemory(0, ctx.statusOf(slot).bytes);
        if (slot == 3)
            device.writeMemory(384, ctx.subImage[3].bytes);
        else
            device.writeMemory(384, ctx.satImage[static_cast<std::size_t>(slot)].bytes);
    }
    void clearLogs() {
        for (auto* device : {sat, linked, sub}) device->clearLog();
    }
    static std::vector<std::uint8_t> codes(const sim::SimulatedDevice& device) {
        std::vector<std::uint8_t> result;
        for (const auto& frame : requests(device)) result.push_back(frame[kCodeIndex]);
        return result;
    }
    std::vector<std::uint8_t> memory(int slot) {
        return deviceOf(slot).readMemory(384, slot == 3 ? SubParamImage::size() : SatParamImage::size());
    }
};

// ---- Every family through the edit flow ---------------------------------------------------------

struct EditRow {
    std::string name;
    bool sub;
    int page;
    std::function<bool(EditController&)> act;
    std::vector<std::pair<int, int>> bytes;  // image offset, expected value
    std::uint8_t code;                       // command the device receives
};

void PrintTo(const EditRow& row, std::ostream* out) { *out << row.name; }

std::vector<EditRow> EditRows() {
    using C = Control;
    return {
        {"SatInputGainText", false, 0, [](EditController& c) { return c.enterText(C::InGain, "-7.4"); }, {{20, 94}}, 1},
        {"SatOutputGainHighText", false, 2, [](EditController& c) { return c.enterText(C::InGain, "-33"); }, {{335, 38}}, 1},
        {"SatSourceGainStep", false, 0, [](EditController& c) { return c.step(C::GainSrc, -1); }, {{18, 130}}, 11},
        {"SatSourceChoice", false, 0, [](EditController& c) { return c.choose(C::InpSource, 1); }, {{17, 0x18}}, 11},
        {"SatDanteRight", false, 0, [](EditController& c) { return c.choose(C::DanteLR, 1); }, {{17, 0x21}}, 11},
        {"SatInputMute", false, 0, [](EditController& c) { return c.toggle(C::Mute); }, {{21, 1}}, 3},
        {"SatOutputMuteHigh", false, 2, [](EditController& c) { return c.toggle(C::Mute); }, {{336, 2}}, 3},
        {"SatPolarityLow", false, 1, [](EditController& c) { return c.toggle(C::Phase); }, {{337, 1}}, 4},
        {"SatInputDelayText", false, 0, [](EditController& c) { return c.enterText(C::Delay, "1.5"); }, {{23, 0}, {24, 1}, {25, 24}}, 2},
        {"SatInputDelayLimit", false, 0, [](EditController& c) { return c.enterText(C::Delay, "400"); }, {{23, 1}, {24, 44}, {25, 0}}, 2},
        {"SatOutputDelayLimit", false, 1, [](EditController& c) { return c.enterText(C::Delay, "41"); }, {{338, 0}, {340, 40}, {342, 0}}, 2},
        {"SatOutputDelayInMetres", false, 1,
         [](EditController& c) {
             c.chooseDelayUnit(1);
             return c.enterText(C::Delay, "3.4") && c.state(C::Delay).text == "3.400";
         },
         {{338, 0}, {340, 10}, {342, 0}}, 2},
        {"SatDelayCoarseUp", false, 0, [](EditController& c) { return c.step(C::DelayCoarse, 1); }, {{24, 1}, {25, 0}}, 2},
        {"SatDelayFineUp", false, 0, [](EditController& c) { return c.step(C::DelayFine, 1); }, {{24, 0}, {25, 1}}, 2},
        {"SatGateThreshold", false, 0, [](EditController& c) { return c.enterText(C::GateThreshold, "-80"); }, {{26, 2}}, 9},
        {"SatGateOff", false, 0, [](EditController& c) { return c.toggle(C::GateEnable); }, {{28, 10}}, 9},
        {"SatCompressorRatio", false, 0, [](EditController& c) { return c.enterText(C::CmpRatio, "4:1"); }, {{329, 3}}, 7},
        {"SatCompressorThresholdHigh", false, 2, [](EditController& c) { return c.enterText(C::CmpThreshold, "-12"); }, {{479, 0x80 | 12}}, 7},
        {"SatCompressorAutoLow", false, 1, [](EditController& c) { return c.toggle(C::CmpAuto); }, {{472, 1}, {327, 0}}, 7},
        {"SatLimiterHigh", false, 2, [](EditController& c) { return c.enterText(C::LimThreshold, "-18"); }, {{491, 0x80 | 18}}, 8},
        {"SatMakeUpLow", false, 1, [](EditController& c) { return c.enterText(C::MakeUp, "-12"); }, {{494, 0}}, 1},
        {"SatDlf", false, 0, [](EditController& c) { return c.enterText(C::Dlf, "33"); }, {{30, 0x80 | 33}}, 16},
        {"SatRoomCorrection", false, 0, [](EditController& c) { return c.step(C::RoomCorrection, -2); }, {{500, 98}}, 29},
        {"SatNoiseLevel", false, 0, [](EditController& c) { return c.enterText(C::NoiseLevel, "-23"); }, {}, 12},
        {"SatBandType", false, 0, [](EditController& c) { return c.choose(C::EqType, 14); }, {{35, 14}}, 5},
        {"SatBandGainPlus15", false, 0, [](EditController& c) { return c.enterText(C::EqGain, "15"); }, {{239, 60}}, 5},
        {"SatBandGainMinus15", false, 0, [](EditController& c) { return c.enterText(C::EqGain, "-15"); }, {{239, 0}}, 5},
        {"SatBandFrequency20k", false, 4,
         [](EditController& c) { return c.selectBand(50) && c.enterText(C::EqFreq, "20000"); }, {{136, 78}, {187, 32}}, 5},
        {"SatBandQStep", false, 3, [](EditController& c) { return c.step(C::EqQ, 1); }, {{198, 45}}, 5},
        {"SatOutputBandQHigh", false, 2, [](EditController& c) { return c.enterText(C::EqQ, "0,7"); }, {{406, 12}}, 5},
        {"SatInputSectionBypassPreXover", false, 4, [](EditController& c) { return c.toggle(C::EqBypass); }, {{34, 3}}, 6},
        {"SatOutputBypassHigh", false, 2, [](EditController& c) { return c.toggle(C::EqBypass); }, {{356, 1}}, 6},
        {"SatInputCrossover", false, 0,
         [](EditController& c) { return c.choose(C::XoverHpSlope, 5) && c.enterText(C::XoverHpFreq, "45"); }, {{31, 5}, {33, 45}}, 10},
        {"SatLowPassLow", false, 1, [](EditController& c) { return c.enterText(C::XoverLpFreq, "1800"); }, {{352, 7}, {354, 8}}, 10},
        // The FIR/MIR crossover of the way shown: design bytes 503 + way + 2 i as one block (23),
        // the mode (31), the way's FIR enable in the status record (13).
        {"SatFirWindowHigh", false, 2, [](EditController& c) { return c.choose(C::FirWindowType, 1); }, {{504, 1}}, 23},
        {"SatFirTapsLow", false, 1, [](EditController& c) { return c.choose(C::FirTaps, 4); }, {{515, 8}}, 23},
        {"SatFirFrequencyLow", false, 1, [](EditController& c) { return c.enterText(C::FirFrequency, "2400"); },
         {{505, 9}, {507, 96}}, 23},
        {"SatFirFrequencyHighInFirLpMode", false, 2,
         [](EditController& c) { return c.choose(C::XoverMode, 3) && c.enterText(C::FirFrequency, "20000"); },
         {{520, 3}, {506, 78}, {508, 32}}, 23},
        {"SatFirAttenuationHigh", false, 2, [](EditController& c) { return c.enterText(C::FirAttenuation, "30"); }, {{514, 30}}, 23},
        {"SatMirMinLatencyHigh", false, 2, [](EditController& c) { return c.toggle(C::MirMinLatency); }, {{516, 1}}, 23},
        {"SatXoverMode", false, 1, [](EditController& c) { return c.choose(C::XoverMode, 2); }, {{520, 2}}, 31},
        {"SatFirEnableHigh", false, 2,
         [](EditController& c) { return c.toggle(C::FirEnable) && c.state(C::FirEnable).checked; }, {}, 13},
        {"SubBand5IsOutputBand0", true, 1, [](EditController& c) { return c.enterText(C::EqGain, "3"); }, {{109, 36}}, 5},
        {"SubInputDelayLimit", true, 0, [](EditController& c) { return c.enterText(C::Delay, "250"); }, {{23, 0}, {24, 200}}, 2},
        {"SubMakeUpLowest", true, 1, [](EditController& c) { return c.enterText(C::MakeUp, "-9"); }, {{127, 6}}, 1},
        {"SubDlfOneByte", true, 0, [](EditController& c) { return c.enterText(C::Dlf, "12"); }, {{29, 0x80 | 12}}, 16},
        {"SubAnalogRight", true, 0, [](EditController& c) { return c.choose(C::AnalogLR, 1); }, {{17, 21}}, 11},
        {"SubOutputHighPass", true, 1, [](EditController& c) { return c.choose(C::XoverHpSlope, 2); }, {{70, 2}}, 10},
        {"SubOutputPolarity", true, 1, [](EditController& c) { return c.toggle(C::Phase); }, {{129, 1}}, 4},
    };
}

class EditFlow : public EditRig, public ::testing::WithParamInterface<EditRow> {};

TEST_P(EditFlow, ValueReachesImageWireAndDeviceAndTheLinkedDevice) {
    const EditRow& row = GetParam();
    const int slot = row.sub ? 3 : 1;
    const std::unique_ptr<EditController> controller = windowFor(row.sub);
    controller->selectPage(row.page);
    clearLogs();

    ASSERT_TRUE(row.act(*controller)) << prompter.lastText();
    EXPECT_EQ(prompter.messageCount(), 0u);
    for (const auto& [offset, value] : row.bytes) {
        const int actual = row.sub ? ctx.subImage[3][static_cast<std::size_t>(offset)]
                                   : ctx.satImage[1][static_cast<std::size_t>(offset)];
        EXPECT_EQ(actual, value) << "image byte " << offset;
    }
    const auto sent = codes(deviceOf(slot));
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), row.code);
    if (!row.sub) {
        // The linked satellite received the same command and holds the same bytes.
        const auto linkedSent = codes(*linked);
        ASSERT_FALSE(linkedSent.empty());
        EXPECT_EQ(linkedSent.back(), row.code);
        for (const auto& [offset, value] : row.bytes) EXPECT_EQ(ctx.satImage[2][static_cast<std::size_t>(offset)], value);
    }
    EXPECT_TRUE(codes(*sub).empty() || row.sub);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

INSTANTIATE_TEST_SUITE_P(Controls, EditFlow, ::testing::ValuesIn(EditRows()),
                         [](const auto& info) { return info.param.name; });

// ---- Refusals -------------------------------------------------------------------------------------

struct RefusalRow {
    std::string name;
    bool sub;
    int page;
    Control control;
    std::string text;
    std::string message;  // English, then checked in Chinese too
    std::string chinese;
};

void PrintTo(const RefusalRow& row, std::ostream* out) { *out << row.name; }

class Refusals : public EditRig, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(Refusals, ShowTheWindowsTextAndChangeNothing) {
    const RefusalRow& row = GetParam();
    for (const int language : {0, 1}) {
        ctx.LanguageFlag = static_cast<std::int16_t>(language);
        const std::unique_ptr<EditController> controller = windowFor(row.sub);
        controller->selectPage(row.page);
        const auto satBefore = ctx.satImage;
        const auto subBefore = ctx.subImage;
        clearLogs();
        prompter.clear();

        EXPECT_FALSE(controller->enterText(row.control, row.text));
        ASSERT_EQ(prompter.entries().size(), 1u);
        EXPECT_EQ(prompter.entries()[0].title, language == 0 ? "Warning" : "警告");
        EXPECT_EQ(prompter.lastText(), language == 0 ? row.message : row.chinese);
        EXPECT_EQ(ctx.satImage, satBefore);
        EXPECT_EQ(ctx.subImage, subBefore);
        EXPECT_TRUE(requests(*sat).empty() && requests(*linked).empty() && requests(*sub).empty());
        EXPECT_FALSE(controller->canUndo());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Controls, Refusals,
    ::testing::Values(
        RefusalRow{"SatInputGainBelowRange", false, 0, Control::InGain, "-91", "Wrong value", "  不正确的值"},
        RefusalRow{"SatSourceGainAboveZero", false, 0, Control::GainSrc, "0.5", "Wrong value", "  不正确的值"},
        RefusalRow{"SatNotANumber", false, 0, Control::Delay, "abc", "Wrong value", "  不正确的值"},
        RefusalRow{"SatGate", false, 0, Control::GateThreshold, "-55", "Wrong value", "  不正确的值"},
        RefusalRow{"SatCompressorThreshold", false, 0, Control::CmpThreshold, "1", "Wrong value", "  不正确的值"},
        RefusalRow{"SatCompressorRatio", false, 0, Control::CmpRatio, "33:1", "Wrong value", "  不正确的值"},
        RefusalRow{"SatCompressorMakeUp", false, 0, Control::CmpMakeUp, "12.5", "Wrong value", "  不正确的值"},
        RefusalRow{"SatLimiter", false, 1, Control::LimThreshold, "-41", "Wrong value", "  不正确的值"},
        RefusalRow{"SatMakeUp", false, 2, Control::MakeUp, "12.5", "Wrong value", "  不正确的值"},
        RefusalRow{"SatDlf", false, 0, Control::Dlf, "101", "Wrong value", "  不正确的值"},
        RefusalRow{"SatRoom", false, 0, Control::RoomCorrection, "-1", "Wrong value", "  不正确的值"},
        RefusalRow{"SatNoise", false, 0, Control::NoiseLevel, "-9", "Wrong value", "  不正确的值"},
        RefusalRow{"SatPeqGain", false, 3, Control::EqGain, "15.5", "Wrong value", "  不正确的值"},
        RefusalRow{"SatPeqQ", false, 0, Control::EqQ, "q", "Wrong value", "  不正确的 Q 值"},
        RefusalRow{"SatPeqFrequency", false, 0, Control::EqFreq, "19", "Wrong value", "  不正确的频率值"},
        RefusalRow{"SatCrossoverFrequency", false, 1, Control::XoverHpFreq, "20001", "Wrong value", "  不正确的频率值"},
        RefusalRow{"SatFirFrequency", false, 1, Control::FirFrequency, "249", "Wrong value", "  不正确的频率值"},
        RefusalRow{"SatFirAttenuation", false, 2, Control::FirAttenuation, "100", "Wong Value", "  不正确的值"},
        RefusalRow{"SubMakeUpBelowRange", true, 1, Control::MakeUp, "-10", "  Incorrect value", "  不正确的值"},
        RefusalRow{"SubPeqQ", true, 0, Control::EqQ, "99", "  Incorrect value", "  不正确的 Q 值"},
        RefusalRow{"SubPeqGain", true, 1, Control::EqGain, "-16", "  Incorrect value", "  不正确的值"}),
    [](const auto& info) { return info.param.name; });

// ---- Pages, faders, double-click ----------------------------------------------------------------

// The FIR controls belong to a satellite's output pages; the edit window shows the way's FIR label.
TEST_F(EditRig, FirControlsShowOnASatellitesOutputPagesOnly) {
    const auto satWindow = windowFor(false);
    const auto subWindow = windowFor(true);
    for (const Control control : {Control::FirEnable, Control::FirWindowType, Control::FirFrequency, Control::XoverMode}) {
        EXPECT_FALSE(satWindow->state(control).visible);
        subWindow->selectPage(1);
        EXPECT_FALSE(subWindow->state(control).visible);
    }
    satWindow->selectPage(2);
    ctx.satExtra[1].fir[1].name = "HP1200";
    ctx.satExtra[1].fir[1].taps = 448;
    EXPECT_EQ(satWindow->state(Control::FirLabel).text, "FIR: Name=HP1200; Taps=448");
    EXPECT_EQ(satWindow->state(Control::XoverMode).text, "XOVER IIR");
    ASSERT_TRUE(satWindow->choose(Control::XoverMode, 2));
    EXPECT_EQ(satWindow->state(Control::XoverMode).text, "XOVER MIR");
    EXPECT_EQ(satWindow->state(Control::MirMinLatency).text, "Remove MIR latency");
    EXPECT_EQ(ControlName(Control::FirTaps, DeviceKind::Sat), "UCComboNtaps");
    EXPECT_EQ(EditController::firTapsMenu().front(), "256");
    EXPECT_EQ(EditController::firWindowMenu().size(), 11u);
}

TEST_F(EditRig, PagesShowTheirBands) {
    EditSatController window(ctx, 1, *sink, prompter);
    window.selectPage(3);
    const auto room = window.pageBands();
    ASSERT_EQ(room.size(), 31u);
    EXPECT_EQ(room.front(), 10);
    EXPECT_EQ(room.back(), 40);
    EXPECT_EQ(window.selectedBand(), 10);
    EXPECT_FALSE(window.selectBand(41));
    window.selectPage(4);
    EXPECT_EQ(window.pageBands().front(), 41);
    window.selectPage(2);
    EXPECT_EQ(window.way(), 1);
    EXPECT_EQ(window.pageBands().front(), 51);
    EXPECT_EQ(window.pageInfo(3).label.en, "ROOM");

    EditSubController subWindow(ctx, 3, *sink, prompter);
    ASSERT_EQ(subWindow.pageCount(), 2);
    subWindow.selectPage(1);
    EXPECT_EQ(subWindow.pageBands(), (std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_FALSE(subWindow.state(Control::LhLink).visible);
    EXPECT_TRUE(subWindow.state(Control::AnalogLR).visible);
}

TEST_F(EditRig, SubBandFiveIsTheFirstOutputBandOnTheWire) {
    EditSubController window(ctx, 3, *sink, prompter);
    window.selectPage(1);
    ASSERT_EQ(window.selectedBand(), 5);
    clearLogs();
    ASSERT_TRUE(window.enterText(Control::EqFreq, "80"));
    const auto frames = requests(*sub);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][kCodeIndex], 5);
    EXPECT_EQ(frames[0][4], 1);  // P1: output
    EXPECT_EQ(frames[0][6], 0);  // P3: output band 0
    EXPECT_EQ(frames[0][9], 80);  // P6: frequency low byte
    EXPECT_TRUE(requests(*sat).empty() && requests(*linked).empty());
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(EditRig, FaderTrackSpansItsStepsBetween400And2360) {
    EXPECT_EQ(FaderPositionFromTrack(0, 61), 1);
    EXPECT_EQ(FaderPositionFromTrack(400, 61), 1);
    EXPECT_EQ(FaderPositionFromTrack(1380, 61), 31);
    EXPECT_EQ(FaderPositionFromTrack(2360, 61), 61);
    EXPECT_EQ(FaderPositionFromTrack(3000, 61), 61);
    for (int p = 1; p <= 192; ++p) EXPECT_EQ(FaderPositionFromTrack(FaderTrackFromPosition(p, 192), 192), p);
}

TEST_F(EditRig, AFaderDragSendsAtEveryMovementAndIsOneUndoStep) {
    EditSatController window(ctx, 1, *sink, prompter);
    const auto before = memory(1);
    const auto linkedBefore = memory(2);
    clearLogs();
    EXPECT_FALSE(window.faderMove(Control::InGain, 900));  // the button is not held
    window.faderPress(Control::InGain);
    EXPECT_FALSE(window.faderMove(Control::EqGain, 900));  // another fader
    const std::vector<int> moves{900, 950, 1000, 1000, 1100, 1300};
    for (const int y : moves) {
        ASSERT_TRUE(window.faderMove(Control::InGain, y));
        EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    }
    window.faderRelease(Control::InGain);
    EXPECT_EQ(codes(*sat), std::vector<std::uint8_t>(moves.size(), 1));
    EXPECT_EQ(codes(*linked), std::vector<std::uint8_t>(moves.size(), 1));
    EXPECT_EQ(ctx.satImage[1][sat::kInputGain], GainIndexFromFader(FaderPositionFromTrack(1300, 192)));

    ASSERT_TRUE(window.undo());
    EXPECT_EQ(memory(1), before);
    EXPECT_EQ(memory(2), linkedBefore);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    EXPECT_FALSE(window.canUndo());
    ASSERT_TRUE(window.redo());
    EXPECT_EQ(ctx.satImage[1][sat::kInputGain], GainIndexFromFader(FaderPositionFromTrack(1300, 192)));
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(EditRig, DoubleClickOnThePeqGainFaderSendsGainCode30) {
    EditSatController window(ctx, 1, *sink, prompter);
    window.selectPage(1);
    ASSERT_TRUE(window.enterText(Control::EqGain, "6"));
    clearLogs();
    ASSERT_TRUE(window.doubleClick(Control::EqGain));
    const auto frames = requests(*sat);
    ASSERT_EQ(frames.size(), 1u);
    // 5 / P1 = 1 (output), P2 = way 0, P3 = band 0, P4..P8 type, freq, freq, Q, gain.
    EXPECT_EQ(frames[0][kCodeIndex], 5);
    EXPECT_EQ(frames[0][4], 1);
    EXPECT_EQ(frames[0][6], 0);
    EXPECT_EQ(frames[0][11], 30);
    EXPECT_EQ(window.state(Control::EqGain).position, 31);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(EditRig, DoubleClickOnTheInputGainFaderSetsZeroDb) {
    EditSatController window(ctx, 1, *sink, prompter);
    ASSERT_TRUE(window.enterText(Control::InGain, "-20"));
    ASSERT_TRUE(window.doubleClick(Control::InGain));
    EXPECT_EQ(ctx.satImage[1][sat::kInputGain], kGainIndexZeroDb);
    EXPECT_EQ(window.state(Control::InGain).text, "0.0");
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(EditRig, NothingIsSentWhileTheWindowFillsItsControlsOrSendingIsSuspended) {
    EditSatController window(ctx, 1, *sink, prompter);
    for (SharedFlag16 CommFlags::*flag : {&CommFlags::GuiUpdating, &CommFlags::TxSuspended}) {
        clearLogs();
        ctx.flags.*flag = kTrue16;
        EXPECT_FALSE(window.enterText(Control::InGain, "-3"));
        EXPECT_FALSE(window.toggle(Control::Mute));
        window.faderPress(Control::EqGain);
        EXPECT_FALSE(window.faderMove(Control::EqGain, 500));
        window.faderRelease(Control::EqGain);
        ctx.flags.*flag = kFalse16;
        EXPECT_TRUE(requests(*sat).empty());
        EXPECT_EQ(prompter.entries().size(), 0u);
    }
    EXPECT_EQ(ctx.satImage[1], SatFactoryImage(0));
}

TEST_F(EditRig, TextBoxesFilterKeysByTheirControl) {
    EditSatController window(ctx, 1, *sink, prompter);
    auto typed = [&](Control control, const std::string& before, int key) {
        TextBoxModel box{before, before.size()};
        window.filterKey(control, box, key);
        return key;
    };
    EXPECT_EQ(typed(Control::EqGain, "3", '.'), '.');
    EXPECT_EQ(typed(Control::EqGain, "3.5", '.'), 0);  // one separator
    EXPECT_EQ(typed(Control::EqFreq, "100", '.'), 0);  // whole hertz
    EXPECT_EQ(typed(Control::InGain, "", 'x'), 0);
    EXPECT_EQ(typed(Control::InGain, "", '-'), '-');
    EXPECT_EQ(typed(Control::InGain, "1", '-'), 0);
    ctx.DecimalComma = true;
    EXPECT_EQ(typed(Control::EqQ, "1", '.'), ',');
    ASSERT_TRUE(window.enterText(Control::EqQ, "1,5"));
    EXPECT_EQ(window.state(Control::EqQ).text, "1,50");
}

// ---- Graph drag, Flat PEQ, L/H link -------------------------------------------------------------

TEST_F(EditRig, GraphDragMovesTheBandShowsTheReadoutAndIsOneStep) {
    EditSatController window(ctx, 1, *sink, prompter);
    window.selectPage(3);
    clearLogs();
    ASSERT_TRUE(window.graphPress(12));
    window.graphMove(900.4, 2.2);
    EXPECT_EQ(window.graphMove(1000, 3.6), "Freq=1000Hz; Gain=3.5dB");
    window.graphRelease();
    EXPECT_EQ(codes(*sat), (std::vector<std::uint8_t>{5, 5}));
    EXPECT_EQ(ctx.satImage[1][sat::kInPeqGain + 12], 37);
    EXPECT_EQ(JoinFrequency(ctx.satImage[1][sat::kInPeqFreqHigh + 12], ctx.satImage[1][sat::kInPeqFreqLow + 12]), 1000);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    ASSERT_TRUE(window.undo());
    EXPECT_FALSE(window.canUndo());
    EXPECT_EQ(ctx.satImage[1], SatFactoryImage(0));
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(EditRig, FlatPeqAsksThenZeroesTheGainBandsOfThePage) {
    EditSatController window(ctx, 1, *sink, prompter);
    ASSERT_TRUE(window.enterText(Control::EqGain, "6"));  // band 0
    window.selectBand(1);
    ASSERT_TRUE(window.choose(Control::EqType, 7));  // LP-1 carries no gain
    ASSERT_TRUE(window.enterText(Control::EqGain, "-4"));
    clearLogs();
    prompter.answer(false);
    EXPECT_FALSE(window.flatPeq());
    EXPECT_EQ(prompter.entries().back().title, "Flat PEQ");
    EXPECT_TRUE(requests(*sat).empty());

    prompter.answer(true);
    ASSERT_TRUE(window.flatPeq());
    EXPECT_EQ(ctx.satImage[1][sat::kInPeqGain + 0], 30);
    EXPECT_EQ(ctx.satImage[1][sat::kInPeqGain + 1], 22);  // left alone
    EXPECT_EQ(codes(*sat).size(), 9u);                      // bands 0, 2..9
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    ASSERT_TRUE(window.undo());
    EXPECT_EQ(ctx.satImage[1][sat::kInPeqGain + 0], 42);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(EditRig, LhLinkAsksAndCopiesTheLowMakeUpToHigh) {
    EditSatController window(ctx, 1, *sink, prompter);
    window.selectPage(1);
    ASSERT_TRUE(window.enterText(Control::MakeUp, "3"));
    clearLogs();
    prompter.answer(false);
    EXPECT_FALSE(window.toggle(Control::LhLink));
    EXPECT_EQ(prompter.entries().back().text,
              "Link function will copy the low output Makeup Gain to high output, do you want to continue?");
    EXPECT_FALSE(window.state(Control::LhLink).checked);
    EXPECT_TRUE(requests(*sat).empty());

    prompter.answer(true);
    ASSERT_TRUE(window.toggle(Control::LhLink));
    EXPECT_TRUE(window.state(Control::LhLink).checked);
    EXPECT_EQ(ctx.satImage[1][sat::kMakeUp + 1], ctx.satImage[1][sat::kMakeUp]);
    EXPECT_EQ(codes(*sat), std::vector<std::uint8_t>{1});
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    // While linked, one make-up edit reaches both ways.
    ASSERT_TRUE(window.enterText(Control::MakeUp, "-2"));
    EXPECT_EQ(ctx.satImage[1][sat::kMakeUp + 1], 20);
    EXPECT_EQ(ctx.satImage[1][sat::kMakeUp], 20);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

// ---- Recall factory, program files, GEQ import ----------------------------------------------

TEST_F(EditRig, RecallFactoryAsksAndRecallsTheDeviceAndItsLinkedDevices) {
    EditSatController window(ctx, 1, *sink, prompter);
    ASSERT_TRUE(window.enterText(Control::InGain, "-20"));
    ASSERT_TRUE(window.canUndo());
    prompter.answer(false);
    EXPECT_FALSE(window.recallFactory());
    EXPECT_EQ(prompter.entries().back().text, "The system will overwrite the current settings. Do you want to continue?");

    clearLogs();
    prompter.clear();
    prompter.answer(true);
    prompter.answer(true);
    ASSERT_TRUE(window.recallFactory());
    ASSERT_EQ(prompter.questionCount(), 2u);
    EXPECT_EQ(prompter.entries()[1].title, "Recall Factory");
    EXPECT_EQ(codes(*sat).front(), 28);
    EXPECT_EQ(codes(*linked).front(), 28);
    EXPECT_EQ(ctx.satImage[1][sat::kInputGain], kGainIndexZeroDb);
    EXPECT_FALSE(window.canUndo());
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(EditRig, RecallFactoryOnADeviceNotConnectedChangesOnlyTheImage) {
    ctx.satStatus[1][status::kLinkMask] = 0;
    ctx.device(1).Connected = kFalse16;
    ctx.satImage[1][sat::kInputGain] = 10;
    EditSatController window(ctx, 1, *sink, prompter);
    clearLogs();
    ASSERT_TRUE(window.recallFactory());
    EXPECT_EQ(prompter.questionCount(), 1u);
    EXPECT_EQ(ctx.satImage[1], SatFactoryImage(0));
    EXPECT_TRUE(requests(*sat).empty());
}

TEST_F(EditRig, ProgramFileSavesAndLoadsTheWholeProgram) {
    EditSatController window(ctx, 1, *sink, prompter);
    ASSERT_TRUE(window.enterText(Control::InGain, "-20"));
    const auto saved = ctx.satImage[1];
    const auto path = dir.path() / "show.sat";
    ASSERT_TRUE(window.saveProgram(path));
    prompter.answer(true);
    prompter.answer(false);
    ASSERT_TRUE(window.recallFactory());
    clearLogs();
    ASSERT_TRUE(window.loadProgram(path));
    EXPECT_EQ(ctx.satImage[1], saved);
    EXPECT_EQ(codes(*sat).back(), 27);
    EXPECT_FALSE(window.canUndo());
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    EXPECT_EQ(window.caption(), "Stage left - FACTORY PRESET - P1");
    EXPECT_EQ(window.programFilter(), "file program (*.Sat)|*.sat|file program (*.s08)|*.s08");
}

struct BadFile {
    std::string name;
    bool sub;
    std::string file;
    std::string content;
    std::string title;
    std::string text;
};

void PrintTo(const BadFile& row, std::ostream* out) { *out << row.name; }

class BadProgramFiles : public EditRig, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadProgramFiles, AreRefusedAndChangeNothing) {
    const BadFile& row = GetParam();
    const int slot = row.sub ? 3 : 1;
    const std::unique_ptr<EditController> window = windowFor(row.sub);
    const auto path = dir.path() / row.file;
    if (!row.content.empty()) std::ofstream(path, std::ios::binary) << row.content;
    const auto satBefore = ctx.satImage;
    const auto subBefore = ctx.subImage;
    clearLogs();
    EXPECT_FALSE(window->loadProgram(path));
    ASSERT_EQ(prompter.entries().size(), 1u);
    EXPECT_EQ(prompter.entries()[0].title, row.title);
    EXPECT_EQ(prompter.entries()[0].text, row.text);
    EXPECT_EQ(ctx.satImage, satBefore);
    EXPECT_EQ(ctx.subImage, subBefore);
    EXPECT_TRUE(requests(deviceOf(slot)).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadProgramFiles,
    ::testing::Values(BadFile{"SatWrongExtension", false, "a.txt", "x", "Can't Load", "Wrong File extension"},
                      BadFile{"SatMissing", false, "missing.sat", "", "Can't Load", "Can't Load"},
                      BadFile{"SatMalformed", false, "bad.sat", "PLNP garbage", "Can't Load", "Can't Load"},
                      BadFile{"SubWrongExtension", true, "a.sat", "x", "Can't load File", "Wrong file"},
                      BadFile{"SubMissing", true, "missing.sub", "", "Can't load File", "Can't load File"},
                      BadFile{"SubMalformed", true, "bad.sub", "PLNP garbage", "Can't load File", "Wrong file"}),
    [](const auto& info) { return info.param.name; });

TEST_F(EditRig, SavingRefusesNamesWithUnsupportedCharacters) {
    EditSatController window(ctx, 1, *sink, prompter);
    EXPECT_FALSE(window.saveProgram(dir.path() / "a|b.sat"));
    EXPECT_EQ(prompter.entries().back().title, "Didn’t support the character of the file name.");
    EXPECT_EQ(prompter.entries().back().text, "Please change the file name.");
    EXPECT_FALSE(window.saveProgram(dir.path() / "no-folder" / "a.sat"));
    EXPECT_EQ(prompter.lastText(), "Can't save the file.");
}

TEST_F(EditRig, SubProgramGoesToThePresetFolder) {
    EditSubController window(ctx, 3, *sink, prompter);
    EXPECT_EQ(window.programFolder(), dir.path() / "preset");
    EXPECT_EQ(window.programFilter(), "file program (*.Sub)|*.sub");
    std::filesystem::create_directories(window.programFolder());
    ASSERT_TRUE(window.enterText(Control::InGain, "-6"));
    const auto saved = ctx.subImage[3];
    ASSERT_TRUE(window.saveProgram(window.programFolder() / "low"));  // the extension is added
    ASSERT_TRUE(window.enterText(Control::InGain, "0"));
    ASSERT_TRUE(window.loadProgram(window.programFolder() / "low.sub"));
    EXPECT_EQ(ctx.subImage[3], saved);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(EditRig, GeqImportFillsTheRoomBandsAndRefusesABadFile) {
    EditSatController window(ctx, 1, *sink, prompter);
    const auto good = dir.path() / "curve.txt";
    std::ofstream(good) << "31 -3\n63 2.5\n125 0\n";
    clearLogs();
    ASSERT_TRUE(window.importGeq(good));
    EXPECT_EQ(ctx.satImage[1][sat::kInPeqGain + 10], 24);
    EXPECT_EQ(ctx.satImage[1][sat::kInPeqGain + 11], 35);
    EXPECT_EQ(ctx.satImage[1][sat::kInPeqFreqLow + 10], 31);
    EXPECT_EQ(codes(*sat).size(), 3u);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));

    const auto bad = dir.path() / "bad.txt";
    std::ofstream(bad) << "31 -3 x\n";
    const auto before = ctx.satImage[1];
    EXPECT_FALSE(window.importGeq(bad));
    EXPECT_EQ(prompter.entries().back().title, "Import GEQ");
    EXPECT_EQ(prompter.lastText(), "Wrong File format");
    EXPECT_EQ(ctx.satImage[1], before);
}

// ---- Undo across families, observer -----------------------------------------------------------

class Recorder : public EditObserver {
public:
    explicit Recorder(AppContext& ctx) : ctx_(ctx) {}
    void refreshControls() override { refreshedUnderGuiUpdating.push_back(ctx_.flags.GuiUpdating != 0); }
    void redrawGraphs(unsigned graphs, std::span<const EditTarget>) override { redrawn |= graphs; }
    std::vector<bool> refreshedUnderGuiUpdating;
    unsigned redrawn = 0;

private:
    AppContext& ctx_;
};

TEST_F(EditRig, UndoRestoresTheDevicesMemoryStepByStep) {
    EditSatController window(ctx, 1, *sink, prompter);
    Recorder view(ctx);
    window.setObserver(&view);
    const auto start = memory(1);
    window.selectPage(2);
    ASSERT_TRUE(window.enterText(Control::EqFreq, "2500"));
    ASSERT_TRUE(window.enterText(Control::Delay, "3.25"));
    ASSERT_TRUE(window.toggle(Control::Phase));
    ASSERT_TRUE(window.enterText(Control::NoiseLevel, "-30"));
    EXPECT_TRUE(std::all_of(view.refreshedUnderGuiUpdating.begin(), view.refreshedUnderGuiUpdating.end(),
                            [](bool raised) { return raised; }));
    EXPECT_EQ(view.redrawn, kGraphOutputEqHigh | kGraphCrossover);
    EXPECT_EQ(ctx.flags.GuiUpdating, kFalse16);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(window.undo());
        EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
        EXPECT_EQ(ctx.satImage[2], ctx.satImage[1]);  // the linked device follows
    }
    EXPECT_FALSE(window.undo());
    EXPECT_EQ(memory(1), start);
    EXPECT_EQ(memory(2), start);
    EXPECT_EQ(ctx.satStatus[1][status::kNoiseLevel], 0);
    while (window.redo()) EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    EXPECT_EQ(ctx.satImage[1][sat::kOutputPolarities], 2);
}

}  // namespace
}  // namespace plenum::device
