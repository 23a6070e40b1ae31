#include <gtest/gtest.h>

#include <cmath>

#include "dsp/Biquad.h"
#include "dsp/FrequencyGrid.h"
#include "fir/FirResponse.h"
#include "fir/FirWord.h"
#include "fir/XoverMode.h"

namespace plenum::fir {
namespace {

struct CaptionCase {
    int mode;
    std::string_view label, hp, lp, hpSwitch, lpSwitch;
};

TEST(XoverModeTest, EveryModeCaptionsItsPanels) {
    const CaptionCase cases[] = {
        {0, "XOVER IIR", "IIR - HIGH PASS", "IIR - LOW PASS", "", ""},
        {1, "XOVER FIR + HP", "FIR - HIGH PASS", "IIR - LOW PASS", "Remove FIR latency", ""},
        {2, "XOVER MIR", "MIR - HIGH PASS", "MIR - LOW PASS", "Remove MIR latency", "Remove MIR latency"},
        {3, "XOVER FIR + LP", "IIR - HIGH PASS", "FIR - LOW PASS", "", "Remove FIR latency"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const auto mode = XoverModeFromCode(c.mode);
        ASSERT_TRUE(mode);
        EXPECT_EQ(kXoverModeLabels[static_cast<std::size_t>(c.mode)], c.label);
        EXPECT_EQ(SideCaption(*mode, true), c.hp);
        EXPECT_EQ(SideCaption(*mode, false), c.lp);
        EXPECT_EQ(LatencySwitchCaption(SideKind(*mode, true)), c.hpSwitch);
        EXPECT_EQ(LatencySwitchCaption(SideKind(*mode, false)), c.lpSwitch);
    }
    EXPECT_FALSE(XoverModeFromCode(-1));
    EXPECT_FALSE(XoverModeFromCode(4));
}

struct FrequencyCase {
    std::string_view text;
    XoverSideKind kind;
    bool accepted;
};

TEST(XoverModeTest, FrequencyEntriesKeepTheirLimits) {
    const FrequencyCase cases[] = {
        {"249", XoverSideKind::Fir, false}, {"250", XoverSideKind::Fir, true},
        {"249", XoverSideKind::Mir, false}, {"20000", XoverSideKind::Mir, true},
        {"20001", XoverSideKind::Fir, false}, {"20", XoverSideKind::Iir, true},
        {"19.9", XoverSideKind::Iir, false}, {"249", XoverSideKind::Iir, true},
        {"abc", XoverSideKind::Iir, false}, {"", XoverSideKind::Fir, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        for (const int language : {0, 1}) {
            ScriptedPrompter prompter;
            const auto value = CheckXoverFrequency(c.text, c.kind, prompter, language);
            EXPECT_EQ(value.has_value(), c.accepted);
            if (c.accepted) {
                EXPECT_EQ(prompter.entries().size(), 0u);
            } else {
                ASSERT_EQ(prompter.entries().size(), 1u);
                EXPECT_EQ(prompter.entries()[0].title, language ? "警告" : "Warning");
                EXPECT_EQ(prompter.entries()[0].text, language ? "  不正确的频率值" : "Wrong value");
            }
        }
    }
}

TEST(XoverModeTest, BadAttenuationSaysWongValue) {
    for (const std::string_view text : {"-1", "100", "x"}) {
        ScriptedPrompter prompter;
        EXPECT_FALSE(CheckAttenuationSetting(text, prompter, 0));
        EXPECT_EQ(prompter.lastText(), "Wong Value");
        EXPECT_EQ(prompter.entries().back().title, "Warning");
    }
    ScriptedPrompter prompter;
    EXPECT_EQ(CheckAttenuationSetting("40", prompter, 0), 40.0);
    EXPECT_EQ(prompter.entries().size(), 0u);
}

TEST(XoverModeTest, LatencyText) {
    EXPECT_EQ(LatencyText(5.3125), "Latency = 5.312 ms");  // 255 samples at 48 kHz
    EXPECT_EQ(LatencyText(0), "Latency = 0.000 ms");
}

TEST(XoverModeTest, DesignedSideIsQuantisedAndZeroFilled) {
    FirDesignRequest request;
    request.window = FirWindow::Hamming;
    request.taps = 256;
    request.frequencyHz = 1000;
    ScriptedPrompter prompter;
    const auto side = DesignSide(request, prompter, 0);
    ASSERT_TRUE(side);
    EXPECT_EQ(prompter.entries().size(), 0u);
    EXPECT_EQ(side->taps, 256);
    ASSERT_EQ(side->quantised.size(), 256u);
    for (std::size_t i = 0; i < 256; ++i) EXPECT_EQ(side->quantised[i], DecodeFirWord(side->words[i]));
    for (std::size_t i = 256; i < side->words.size(); ++i) EXPECT_EQ(side->words[i], 0);
    EXPECT_EQ(side->name, "LP Hamming 1000Hz");
    EXPECT_GT(side->latencyMs, 2.0);
}

TEST(XoverModeTest, CrossoverUsesAtMost512Taps) {
    FirDesignRequest request;
    request.taps = 1024;
    request.highPass = true;
    ScriptedPrompter prompter;
    const auto side = DesignSide(request, prompter, 0);
    ASSERT_TRUE(side);
    EXPECT_EQ(side->taps, kCrossoverFirMaxTaps);
}

TEST(XoverModeTest, DesignErrorSaysWrongXoverParameters) {
    FirDesignRequest request;
    request.frequencyHz = 249;
    for (const int language : {0, 1}) {
        ScriptedPrompter prompter;
        EXPECT_FALSE(DesignSide(request, prompter, language));
        EXPECT_EQ(prompter.lastText(), language ? "错误的分频参数" : "Wrong XOver paramaters");
    }
}

TEST(XoverModeTest, MinusOneIsStoredExactly) {
    EXPECT_EQ(EncodeFirWord(-1.0), 14680064);
    EXPECT_EQ(DecodeFirWord(14680064), -1.0);
}

TEST(XoverModeTest, CascadeOfTwoSidesIsTheirConvolutionCut) {
    const std::vector<double> a{1, 2}, b{1, -1, 3};
    EXPECT_EQ(CascadeSides(a, b, 512), (std::vector<double>{1, 1, 1, 6}));
    EXPECT_EQ(CascadeSides(a, b, 2), (std::vector<double>{1, 1}));
    EXPECT_EQ(CascadeSides({}, b, 512), b);
}

int GridPointNear(double hz) { return static_cast<int>(std::lround(hz * FrequencyGrid::kTransformLength / 48000.0)); }

TEST(XoverModeTest, WayCurveAddsItsSides) {
    // An IIR Linkwitz-Riley low-pass is 6 dB down at its frequency; a FIR high-pass at the same
    // frequency adds its own 6 dB there and passes the top of the band untouched.
    int lr24 = -1;
    for (int code = 0; code <= kXoverLastIirSlope; ++code)
        if (XoverSlopeLabel(code) == "-24dB/oct LR") lr24 = code;
    ASSERT_GE(lr24, 0);
    WayCurve curve = FlatWayCurve();
    AddIirSide(curve, lr24, true, 1000);
    const int at1k = GridPointNear(1000);
    EXPECT_NEAR(curve.magnitudeDb[static_cast<std::size_t>(at1k)], -6.0, 0.2);
    FirDesignRequest request;
    request.window = FirWindow::Blackman;
    request.frequencyHz = 1000;
    request.highPass = true;
    FirDesign design;
    ASSERT_EQ(DesignFir(request, design), FirDesignResult::Ok);
    FirResponse response;
    ASSERT_EQ(response.Compute(design.coefficients), 0);
    AddFirSide(curve, response.magnitudeDb(), response.phaseDeg());
    WrapWayPhase(curve);
    EXPECT_NEAR(curve.magnitudeDb[static_cast<std::size_t>(at1k)], -12.0, 0.5);
    EXPECT_LT(curve.magnitudeDb[static_cast<std::size_t>(GridPointNear(100))], -40.0);
    for (const double p : curve.phaseDeg) {
        EXPECT_GT(p, -180.0);
        EXPECT_LE(p, 180.0);
    }
}

}  // namespace
}  // namespace plenum::fir
