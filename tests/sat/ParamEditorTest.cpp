#include "sat/ParamEditor.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/FactoryPrograms.h"
#include "sat/FirDefaults.h"
#include "sat/FirSettings.h"

namespace plenum {
namespace {

AppContext SatAndSub() {
    AppContext ctx;
    ctx.device(1).Present = kTrue16;
    ctx.device(1).ModelCode = 8;
    ctx.satImage[1] = SatFactoryImage(0);
    ctx.device(2).Present = kTrue16;
    ctx.device(2).ModelCode = 1;
    ctx.subImage[2] = SubFactoryImage();
    return ctx;
}

class Editor : public ::testing::Test {
protected:
    AppContext ctx = SatAndSub();
    ParamEditor sat{ctx, 1};
    ParamEditor sub{ctx, 2};
    const SatParamImage& satImage() { return ctx.satImage[1]; }
    const SubParamImage& subImage() { return ctx.subImage[2]; }
};

TEST_F(Editor, GainsMapToTheTable) {
    EXPECT_TRUE(sat.inputGainDb(-90.5).ok());
    EXPECT_EQ(satImage()[20], 0);
    EXPECT_TRUE(sat.inputGainDb(12.0).ok());
    EXPECT_EQ(satImage()[20], 191);
    const SatParamImage before = satImage();
    EXPECT_EQ(sat.inputGainDb(-91.0).refusal, Refusal::WrongValue);
    EXPECT_EQ(sat.inputGainDb(12.1).refusal, Refusal::WrongValue);
    EXPECT_EQ(sat.inputGainDb(std::nan("")).refusal, Refusal::WrongValue);
    EXPECT_EQ(satImage(), before);
    EXPECT_TRUE(sat.outputGainDb(1, -6.0).ok());
    EXPECT_EQ(satImage()[335], 101);  // -6 dB = 81 + 4 * 5
    EXPECT_TRUE(sub.outputGainDb(0, 0.0).ok());
    EXPECT_EQ(subImage()[66], 131);
    EXPECT_FALSE(sub.outputGainDb(1, 0.0).ok());
    EXPECT_FALSE(sat.sourceGainDb(0, 0.5).ok());  // source gain stops at 0 dB
    EXPECT_TRUE(sat.sourceGainDb(1, -0.05).ok());
    EXPECT_EQ(satImage()[19], 131);
}

TEST_F(Editor, DelaysSplitAndLimit) {
    EXPECT_TRUE(sat.inputDelay(1.5).ok());
    EXPECT_EQ((std::array{satImage()[23], satImage()[24], satImage()[25]}), (std::array<std::uint8_t, 3>{0, 1, 24}));
    EXPECT_TRUE(sat.inputDelay(400).ok());
    EXPECT_EQ(satImage()[23] * 256 + satImage()[24], 300);
    EXPECT_TRUE(sat.outputDelay(1, 41).ok());
    EXPECT_EQ(satImage()[339] * 256 + satImage()[341], 40);
    EXPECT_TRUE(sat.outputDelay(0, 3.4, true).ok());  // metres
    EXPECT_EQ(satImage()[340], 10);
    EXPECT_TRUE(sub.inputDelay(250).ok());
    EXPECT_EQ(subImage()[23] * 256 + subImage()[24], 200);
    EXPECT_FALSE(sat.inputDelay(-1).ok());
    EXPECT_TRUE(sub.outputDelay(0, 12.5).ok());
    EXPECT_EQ((std::array{subImage()[67], subImage()[68], subImage()[69]}), (std::array<std::uint8_t, 3>{0, 12, 24}));
    EXPECT_TRUE(sub.outputDelay(0, 41).ok());
    EXPECT_EQ(subImage()[67] * 256 + subImage()[68], 40);
    EXPECT_EQ(subImage()[69], 0);
    EXPECT_TRUE(sub.outputDelay(0, 13.932, true).ok());  // metres: the same 40 ms limit
    EXPECT_EQ(subImage()[68], 40);
    EXPECT_FALSE(sub.outputDelay(1, 1).ok());
    EXPECT_FALSE(sub.outputDelay(0, -1).ok());
}

TEST_F(Editor, PeqBandsAddressedAsTheWindowNumbersThem) {
    auto r = sat.peqBand(58, 1, {.type = 3, .frequencyHz = 20000, .q = 2.3, .gainDb = 15});
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.sends.size(), 1u);
    EXPECT_EQ(r.sends[0].family, ParamFamily::OutputPeqBand);
    EXPECT_EQ(r.sends[0].address.way, 1);
    EXPECT_EQ(r.sends[0].address.band, 7);
    EXPECT_EQ(satImage()[372], 3);
    EXPECT_EQ(satImage()[388], 78);
    EXPECT_EQ(satImage()[404], 32);
    EXPECT_EQ(satImage()[420], 44);
    EXPECT_EQ(satImage()[436], 60);

    EXPECT_TRUE(sat.peqBand(50, 0, {.gainDb = -15}).ok());
    EXPECT_EQ(satImage()[289], 0);
    EXPECT_TRUE(sat.peqBand(50, 0, {.bypass = true}).ok());
    EXPECT_EQ(satImage()[289], 0x80);
    EXPECT_TRUE(sat.peqBand(50, 0, {.gainDb = 0}).ok());
    EXPECT_EQ(satImage()[289], 0x80 | 30);  // the gain keeps the band's bypass

    r = sub.peqBand(12, 0, {.gainDb = 1});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.sends[0].address.band, 7);
    EXPECT_EQ(subImage()[116], 32);

    const SatParamImage before = satImage();
    EXPECT_EQ(sat.peqBand(59, 0, {.gainDb = 0}).refusal, Refusal::WrongValue);
    EXPECT_EQ(sat.peqBand(0, 0, {.frequencyHz = 19.9}).refusal, Refusal::WrongFrequency);
    EXPECT_EQ(sat.peqBand(0, 0, {.q = 0.05}).refusal, Refusal::WrongQ);
    EXPECT_EQ(sat.peqBand(0, 0, {.gainDb = 15.5}).refusal, Refusal::WrongValue);
    EXPECT_EQ(sat.peqBand(0, 0, {.type = 18}).refusal, Refusal::WrongValue);
    // A refused field refuses the whole change: the valid gain is not written either.
    EXPECT_FALSE(sat.peqBand(0, 0, {.frequencyHz = 30000, .gainDb = 3}).ok());
    EXPECT_EQ(satImage(), before);
}

// Each family refuses in its own words: the satellite window says "Wrong value", the subwoofer
// window "  Incorrect value"; both name a wrong Q (and the satellite a wrong frequency) in Chinese.
TEST_F(Editor, RefusalsUseTheFamilysText) {
    struct Row {
        const ParamEditor& editor;
        Refusal refusal;
        std::string_view en;
        std::string_view zh;
    } rows[] = {
        {sat, Refusal::WrongValue, "Wrong value", "  不正确的值"},
        {sat, Refusal::WrongQ, "Wrong value", "  不正确的 Q 值"},
        {sat, Refusal::WrongFrequency, "Wrong value", "  不正确的频率值"},
        {sub, Refusal::WrongValue, "  Incorrect value", "  不正确的值"},
        {sub, Refusal::WrongQ, "  Incorrect value", "  不正确的 Q 值"},
        {sub, Refusal::WrongFrequency, "  Incorrect value", "  不正确的值"},
    };
    for (const Row& row : rows) {
        const MessageText& text = row.editor.refusalText(row.refusal);
        const auto kind = row.editor.kind() == DeviceKind::Sub ? "sub" : "sat";
        EXPECT_EQ(text.title.en, "Warning") << kind;
        EXPECT_EQ(text.title.zh, "警告") << kind;
        EXPECT_EQ(text.text.en, row.en) << kind << static_cast<int>(row.refusal);
        EXPECT_EQ(text.text.zh, row.zh) << kind << static_cast<int>(row.refusal);
        EXPECT_EQ(text.icon, Icon::Exclamation);
    }
}

TEST_F(Editor, BitsOfSharedBytes) {
    EXPECT_TRUE(sat.inputEqBypass(2, false).ok());
    EXPECT_EQ(satImage()[34], 3);  // factory 7 with bit 2 cleared
    EXPECT_FALSE(sat.inputEqBypass(3, true).ok());
    EXPECT_TRUE(sat.outputMute(1, true).ok());
    EXPECT_EQ(satImage()[336], 2);
    EXPECT_TRUE(sat.outputPolarity(0, true).ok());
    EXPECT_EQ(satImage()[337], 1);
    EXPECT_TRUE(sub.outputMute(0, true).ok());
    EXPECT_EQ(subImage()[128], 1);
    EXPECT_TRUE(sub.outputPolarity(0, true).ok());
    EXPECT_EQ(subImage()[129], 1);
    EXPECT_TRUE(sub.outputMute(0, false).ok());
    EXPECT_EQ(subImage()[128], 0);
    EXPECT_FALSE(sub.outputMute(1, true).ok());
    EXPECT_FALSE(sub.outputPolarity(1, true).ok());
    EXPECT_TRUE(sat.inputSource(1, 1).ok());
    EXPECT_EQ(satImage()[17], 8 | 32);
}

TEST_F(Editor, GateSwitchKeepsItsListPositions) {
    EXPECT_TRUE(sat.gate(false, std::nullopt, std::nullopt, std::nullopt).ok());
    EXPECT_EQ(satImage()[28], 10);
    EXPECT_TRUE(sat.gate(true, std::nullopt, std::nullopt, std::nullopt).ok());
    EXPECT_EQ(satImage()[28], 138);
    EXPECT_TRUE(sat.gate(std::nullopt, -65, 400, 1000).ok());
    EXPECT_EQ(satImage()[26], 5);
    EXPECT_EQ(satImage()[28], 128 | 19);
    EXPECT_EQ(satImage()[27], 16);
    EXPECT_FALSE(sat.gate(std::nullopt, -95, std::nullopt, std::nullopt).ok());
    EXPECT_FALSE(sat.gate(std::nullopt, std::nullopt, 7, std::nullopt).ok());  // 7 ms is not in the list
}

TEST_F(Editor, DynamicsRanges) {
    EXPECT_TRUE(sat.compressor(-1, {.on = false, .thresholdDb = -20, .ratio = 4, .makeUpDb = 6}).ok());
    EXPECT_EQ(satImage()[329], 3);
    EXPECT_EQ(satImage()[330], 20);
    EXPECT_EQ(satImage()[332], 12);
    EXPECT_TRUE(sat.compressor(1, {.ratio = 32}).ok());
    EXPECT_EQ(satImage()[477], 31);
    EXPECT_FALSE(sat.compressor(-1, {.ratio = 33}).ok());
    EXPECT_FALSE(sat.compressor(-1, {.thresholdDb = 1}).ok());
    EXPECT_FALSE(sat.compressor(-1, {.makeUpDb = 12.5}).ok());
    EXPECT_FALSE(sub.compressor(0, {.ratio = 2}).ok());
    EXPECT_TRUE(sat.limiter(1, std::nullopt, -40).ok());
    EXPECT_EQ(satImage()[491], 128 | 40);
    EXPECT_FALSE(sat.limiter(0, std::nullopt, -41).ok());
    EXPECT_TRUE(sat.makeUpDb(0, -12).ok());
    EXPECT_FALSE(sub.makeUpDb(0, -12).ok());  // the subwoofer stops at -9 dB
    EXPECT_TRUE(sub.makeUpDb(0, -9).ok());
    EXPECT_EQ(subImage()[127], 6);
    EXPECT_TRUE(sub.dlf(false, 50, std::nullopt).ok());
    EXPECT_EQ(subImage()[29], 50);
    EXPECT_FALSE(sub.dlf(std::nullopt, std::nullopt, 10).ok());
    EXPECT_FALSE(sat.dlf(std::nullopt, 101, std::nullopt).ok());
    EXPECT_FALSE(sat.roomCorrection(100.5).ok());
    EXPECT_TRUE(sat.noise(true, 1, -50).ok());
    EXPECT_EQ(ctx.satStatus[1][224], 50);
    EXPECT_FALSE(sat.noise(std::nullopt, std::nullopt, -9).ok());
}

TEST_F(Editor, EachCompressorKeepsItsOwnAutomaticFlag) {
    ASSERT_TRUE(sat.compressor(-1, {.automatic = true}).ok());
    EXPECT_EQ(satImage()[327], 1);
    ASSERT_TRUE(sat.compressor(1, {.automatic = false}).ok());
    ASSERT_TRUE(sat.compressor(0, {.automatic = true}).ok());
    EXPECT_EQ(satImage()[327], 1);  // the input compressor's flag stays
    EXPECT_EQ(satImage()[472], 1);
    EXPECT_EQ(satImage()[473], 0);
}

TEST_F(Editor, CrossoversPerKind) {
    EXPECT_TRUE(sat.outputFilter(1, true, 12, 20000).ok());
    EXPECT_EQ(satImage()[351], 12);
    EXPECT_EQ(satImage()[353], 78);
    EXPECT_FALSE(sub.outputFilter(0, true, 9, std::nullopt).ok());  // the subwoofer offers slopes 0..8
    EXPECT_TRUE(sub.outputFilter(0, false, 8, 25).ok());
    EXPECT_EQ(subImage()[70], 8);
    EXPECT_EQ(subImage()[72], 25);
    EXPECT_EQ(sat.inputCrossover(std::nullopt, 19).refusal, Refusal::WrongFrequency);
}

// The crossover FIR settings: each edit names the command that carries it, a refusal changes
// nothing, and the subwoofer has none of them.
TEST_F(Editor, CrossoverFirSettings) {
    const auto mode = sat.xoverMode(2);
    ASSERT_TRUE(mode.ok());
    EXPECT_EQ(mode.sends[0].family, ParamFamily::FirOutput);
    EXPECT_EQ(satImage()[520], 2);
    EXPECT_FALSE(sat.xoverMode(4).ok());

    const auto way = sat.firWay(1, {.window = 2, .highPassHz = 800.4, .taps = 448});
    ASSERT_TRUE(way.ok());
    EXPECT_EQ(way.sends[0].family, ParamFamily::FirDesign);
    const FirWaySettings kept = ReadFirWay(satImage(), 1);
    EXPECT_EQ(kept.window, 2);
    EXPECT_EQ(kept.highPassHz, 800);
    EXPECT_EQ(kept.taps, 448);

    // A multiple of 256 Hz would make the way read as empty: it is kept 1 Hz higher.
    ASSERT_TRUE(sat.firWay(1, {.highPassHz = 1024}).ok());
    EXPECT_EQ(ReadFirWay(satImage(), 1).highPassHz, 1025);
    ASSERT_TRUE(sat.firWay(0, {.lowPassHz = 2048, .highPassHz = 512}).ok());
    EXPECT_EQ(ReadFirWay(satImage(), 0).lowPassHz, 2048);
    EXPECT_EQ(ReadFirWay(satImage(), 0).highPassHz, 513);
    ASSERT_TRUE(sat.firWay(0, {.highPassHz = 768}).ok());
    EXPECT_EQ(ReadFirWay(satImage(), 0).highPassHz, 769);
    ASSERT_TRUE(sat.firWay(0, {.lowPassHz = 1000}).ok());
    ASSERT_TRUE(sat.firWay(0, {.highPassHz = 768}).ok());
    ASSERT_TRUE(sat.firWay(0, {.lowPassHz = 4096}).ok());
    EXPECT_EQ(ReadFirWay(satImage(), 0).lowPassHz, 4097);
    EXPECT_EQ(ReadFirWay(satImage(), 0).highPassHz, 768);
    EXPECT_FALSE(FirWayReadsEmpty(satImage(), 0));
    EXPECT_FALSE(FirWayReadsEmpty(satImage(), 1));

    const SatParamImage before = satImage();
    EXPECT_EQ(sat.firWay(1, {.lowPassHz = 249}).refusal, Refusal::WrongFrequency);
    EXPECT_EQ(sat.firWay(1, {.lowPassHz = 20001}).refusal, Refusal::WrongFrequency);
    EXPECT_EQ(sat.firWay(0, {.attenuationSetting = 100}).refusal, Refusal::WrongAttenuation);
    EXPECT_EQ(sat.firWay(0, {.taps = 500}).refusal, Refusal::WrongValue);
    EXPECT_EQ(sat.firWay(0, {.window = 11}).refusal, Refusal::WrongValue);
    EXPECT_EQ(satImage(), before);
    EXPECT_EQ(RefusalText(Refusal::WrongAttenuation, DeviceKind::Sat).text.en, "Wong Value");

    const auto stop = sat.firStopBand(0, true, 8);
    ASSERT_TRUE(stop.ok());
    EXPECT_EQ(stop.sends[0].family, ParamFamily::OutputLowPass);
    EXPECT_EQ(satImage()[350], 21);
    EXPECT_FALSE(sat.firStopBand(0, true, 9).ok());

    ASSERT_TRUE(sat.firEnable(1, true).ok());
    EXPECT_EQ(ctx.statusOf(1)[status::kFirEnabled] & 0x02, 0x02);
    ASSERT_TRUE(sat.firEnable(1, false).ok());
    EXPECT_EQ(ctx.statusOf(1)[status::kFirEnabled] & 0x02, 0);

    EXPECT_FALSE(sub.xoverMode(1).ok());
    EXPECT_FALSE(sub.firWay(0, {.taps = 256}).ok());
    EXPECT_FALSE(sub.firEnable(0, true).ok());
}

}  // namespace
}  // namespace plenum
