// Every parameter family, set through the edit path and the encoder, lands in the simulated
// loudspeaker's memory exactly where the application's image holds it: the simulator decodes
// with its own tables, so agreement checks two independent descriptions of the device.
#include <gtest/gtest.h>

#include <functional>

#include "core/FactoryPrograms.h"
#include "sat/DeviceMemory.h"
#include "sat/ParamEditor.h"
#include "sat/ParamSender.h"
#include "support/SimRig.h"

namespace plenum {
namespace {

struct Edit {
    std::string name;
    bool sub;
    std::function<EditResult(ParamEditor&)> apply;
};

const std::vector<Edit>& Edits() {
    static const std::vector<Edit> edits = {
        {"SatInputGain", false, [](ParamEditor& e) { return e.inputGainDb(-7.4); }},
        {"SatOutputGainWay1", false, [](ParamEditor& e) { return e.outputGainDb(1, -33); }},
        {"SatSourceGain", false, [](ParamEditor& e) { return e.sourceGainDb(1, -20); }},
        {"SatInputSource", false, [](ParamEditor& e) { return e.inputSource(1, 1); }},
        {"SatInputMute", false, [](ParamEditor& e) { return e.inputMute(true); }},
        {"SatOutputMuteWay1", false, [](ParamEditor& e) { return e.outputMute(1, true); }},
        {"SatPolarity", false, [](ParamEditor& e) { return e.inputPolarity(true); }},
        {"SatOutputPolarityWay0", false, [](ParamEditor& e) { return e.outputPolarity(0, true); }},
        {"SatInputDelay", false, [](ParamEditor& e) { return e.inputDelay(261.73); }},
        {"SatOutputDelayWay1", false, [](ParamEditor& e) { return e.outputDelay(1, 12.5); }},
        {"SatInputBand50", false,
         [](ParamEditor& e) { return e.peqBand(50, 0, {.type = 14, .frequencyHz = 12345, .q = 7.5, .gainDb = -4.5}); }},
        {"SatOutputBand0Way1", false,
         [](ParamEditor& e) { return e.peqBand(51, 1, {.type = 2, .frequencyHz = 880, .q = 0.7, .gainDb = 9, .bypass = true}); }},
        {"SatInputSection2Bypass", false, [](ParamEditor& e) { return e.inputEqBypass(2, false); }},
        {"SatOutputBypassWay0", false, [](ParamEditor& e) { return e.outputEqBypass(0, false); }},
        {"SatInputCrossover", false, [](ParamEditor& e) { return e.inputCrossover(5, 45); }},
        {"SatHighPassWay1", false, [](ParamEditor& e) { return e.outputFilter(1, false, 12, 2200); }},
        {"SatLowPassWay0", false, [](ParamEditor& e) { return e.outputFilter(0, true, 3, 1800); }},
        {"SatGate", false, [](ParamEditor& e) { return e.gate(false, -80, 50, 700); }},
        {"SatDlf", false, [](ParamEditor& e) { return e.dlf(false, 33, 66); }},
        {"SatCompressor", false,
         [](ParamEditor& e) { return e.compressor(-1, {.on = true, .automatic = true, .thresholdDb = -12, .ratio = 6,
                                                       .makeUpDb = 3.5, .attackCode = 17, .releaseCode = 99}); }},
        {"SatOutputCompressorWay1", false,
         [](ParamEditor& e) { return e.compressor(1, {.thresholdDb = -30, .ratio = 3, .attackCode = 5}); }},
        {"SatOutputCompressorAutoWay0", false, [](ParamEditor& e) { return e.compressor(0, {.automatic = true}); }},
        {"SatLimiterWay1", false, [](ParamEditor& e) { return e.limiter(1, false, -18); }},
        {"SatOutputLimiterWay0", false, [](ParamEditor& e) { return e.outputLimiter(0, 77); }},
        {"SatMakeUpWay1", false, [](ParamEditor& e) { return e.makeUpDb(1, 5.5); }},
        {"SatRoom", false, [](ParamEditor& e) { return e.roomCorrection(42); }},
        {"SatNoise", false, [](ParamEditor& e) { return e.noise(true, 1, -23); }},

        {"SubInputGain", true, [](ParamEditor& e) { return e.inputGainDb(3.2); }},
        {"SubOutputGain", true, [](ParamEditor& e) { return e.outputGainDb(0, -2); }},
        {"SubInputDelay", true, [](ParamEditor& e) { return e.inputDelay(250); }},
        {"SubMute", true, [](ParamEditor& e) { return e.inputMute(true); }},
        {"SubOutputMute", true, [](ParamEditor& e) { return e.outputMute(0, true); }},
        {"SubOutputPolarity", true, [](ParamEditor& e) { return e.outputPolarity(0, true); }},
        {"SubOutputDelay", true, [](ParamEditor& e) { return e.outputDelay(0, 17.31); }},
        {"SubOutputDelayLimit", true, [](ParamEditor& e) { return e.outputDelay(0, 13.932, true); }},
        {"SubBand4", true, [](ParamEditor& e) { return e.peqBand(4, 0, {.type = 4, .frequencyHz = 60, .gainDb = 6}); }},
        {"SubBand12", true, [](ParamEditor& e) { return e.peqBand(12, 0, {.q = 4, .gainDb = -15}); }},
        {"SubInputBypass", true, [](ParamEditor& e) { return e.inputEqBypass(0, false); }},
        {"SubOutputBypass", true, [](ParamEditor& e) { return e.outputEqBypass(0, false); }},
        {"SubCrossover", true, [](ParamEditor& e) { return e.inputCrossover(2, 30); }},
        {"SubLowPass", true, [](ParamEditor& e) { return e.outputFilter(0, true, 8, 90); }},
        {"SubHighPass", true, [](ParamEditor& e) { return e.outputFilter(0, false, 1, 25); }},
        {"SubGate", true, [](ParamEditor& e) { return e.gate(true, -60, 1000, 30); }},
        {"SubDlfOneByte", true, [](ParamEditor& e) { return e.dlf(true, 12, std::nullopt); }},
        {"SubCompressor", true, [](ParamEditor& e) { return e.compressor(-1, {.on = false, .ratio = 32}); }},
        {"SubLimiter", true, [](ParamEditor& e) { return e.limiter(0, true, -6); }},
        {"SubOutputLimiter", true, [](ParamEditor& e) { return e.outputLimiter(0, 200); }},
        {"SubMakeUp", true, [](ParamEditor& e) { return e.makeUpDb(0, -9); }},
        {"SubNoise", true, [](ParamEditor& e) { return e.noise(false, 0, -50); }},
    };
    return edits;
}

void PrintTo(const Edit& edit, std::ostream* out) { *out << edit.name; }

class RoundTrip : public test::SimRig, public ::testing::WithParamInterface<Edit> {};

TEST_P(RoundTrip, DeviceMemoryEqualsTheImage) {
    const Edit& edit = GetParam();
    auto& device = addDevice("127.0.0.2", edit.sub ? 1 : 8);
    start();
    bringOnline(1, device);
    // Start from the same state on both sides.
    if (edit.sub) {
        ctx.subImage[1] = SubFactoryImage();
        device.writeMemory(384, ctx.subImage[1].bytes);
    } else {
        ctx.satImage[1] = SatFactoryImage(0);
        device.writeMemory(384, ctx.satImage[1].bytes);
    }
    device.writeMemory(0, ctx.statusOf(1).bytes);

    ParamEditor editor(ctx, 1);
    const EditResult result = edit.apply(editor);
    ASSERT_TRUE(result.ok());
    for (const EditTarget& target : result.sends) ASSERT_EQ(SendParam(*comm, 1, target.family, target.address), 0);

    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, device));
}

INSTANTIATE_TEST_SUITE_P(Families, RoundTrip, ::testing::ValuesIn(Edits()), [](const auto& info) { return info.param.name; });

// The input compressor and each output way's compressor have their own automatic flag: switching
// an output way's flag leaves the input compressor's alone, in the image and in the device.
class CompressorAutoFlags : public test::SimRig {};

TEST_F(CompressorAutoFlags, OutputWayLeavesTheInputFlag) {
    auto& device = addDevice("127.0.0.2", 8);
    start();
    bringOnline(1, device);
    ctx.satImage[1] = SatFactoryImage(0);
    device.writeMemory(0, ctx.satStatus[1].bytes);
    device.writeMemory(384, ctx.satImage[1].bytes);
    ParamEditor editor(ctx, 1);
    auto apply = [&](int way, bool automatic) {
        const EditResult result = editor.compressor(way, {.automatic = automatic});
        ASSERT_TRUE(result.ok());
        for (const EditTarget& target : result.sends) ASSERT_EQ(SendParam(*comm, 1, target.family, target.address), 0);
    };
    apply(-1, true);
    apply(1, true);
    apply(1, false);
    EXPECT_EQ(ctx.satImage[1][327], 1);
    EXPECT_EQ(device.readMemory(384 + 327, 1), test::WireBytes{1});
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, device));
}

}  // namespace
}  // namespace plenum
