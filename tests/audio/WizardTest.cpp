#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/VirtualCard.h"
#include "audio/Wizard.h"
#include "dsp/MeasureGrid.h"

namespace plenum::audio {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        path_ = fs::temp_directory_path() / ("plenum-wizard-" + std::to_string(::getpid()) + "-" +
                                            std::to_string(counter_++));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    fs::path Write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
        return path_ / name;
    }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

// The known response, windowed like a measurement, 1/6-octave smoothed.
std::vector<double> KnownDb(const std::vector<double>& known, double windowMs) {
    std::vector<double> padded = known;
    padded.resize(padded.size() + 4096, 0.0);
    return GridMagnitudeDb(WindowIr(padded, windowMs).taps, 1.0 / 6);
}

TEST(WizardSnap, FirstCandidateNotBelowOrTheNearerOneBelow) {
    struct Case {
        double value, start, step, upper, expected;
    };
    const Case cases[] = {
        {3.24, 1.0, 0.5, 30.0, 3.0},   {3.25, 1.0, 0.5, 30.0, 3.5},  {3.26, 1.0, 0.5, 30.0, 3.5},
        {0.2, 1.0, 0.5, 30.0, 1.0},    {99.0, 1.0, 0.5, 30.0, 30.0}, {10.64, 1.0, 0.1, 10.6, 10.6},
        {2.04, 2.0, 0.1, 40.0, 2.0},   {2.06, 2.0, 0.1, 40.0, 2.1},  {-31.0, -30.0, 1.0, 30.0, -30.0},
        {7.0, 1.0, 0.5, 30.0, 7.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(SnapToGrid(c.value, c.start, c.step, c.upper), c.expected) << c.value;
}

TEST(WizardSweep, FilesRoundTripThroughWav) {
    TempDir dir;
    const Sweep sweep = MakeSweep();
    std::string error;
    ASSERT_TRUE(WriteSweepFiles(dir.path(), sweep, error)) << error;
    const auto read = ReadSweepFiles(dir.path(), error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->sweep.size(), sweep.sweep.size());
    double worst = 0;
    for (std::size_t i = 0; i < sweep.sweep.size(); ++i) worst = std::max(worst, std::abs(read->sweep[i] - sweep.sweep[i]));
    EXPECT_LT(worst, 1e-6);  // 32-bit float samples
    EXPECT_EQ(read->inverse.size(), sweep.inverse.size());
}

struct RecoveryCase {
    double noiseDb;
    int latencySamples;
    double windowMs;
};

class WizardRecovery : public ::testing::TestWithParam<RecoveryCase> {};

TEST_P(WizardRecovery, VirtualCardGivesBackTheKnownResponse) {
    const RecoveryCase c = GetParam();
    const std::vector<double> known = BuiltinLoudspeakerIr();
    VirtualCard card(known, c.noiseDb, c.latencySamples);
    WizardSettings settings;
    settings.windowLengthMs = c.windowMs;
    Measurement m;
    ASSERT_TRUE(Measure(card, MakeSweep(), settings, {}, m).ok());
    EXPECT_GT(m.peakLevelDb, -30);
    EXPECT_FALSE(m.clipped);
    EXPECT_NEAR(m.ir.peak - c.latencySamples, WindowIr(known, c.windowMs).peak, 1);
    const double error =
        LargestDifferenceDb(GridMagnitudeDb(m.ir.taps, 1.0 / 6), KnownDb(known, c.windowMs), 20.0, 20000.0);
    EXPECT_LT(error, 0.5) << "noise " << c.noiseDb;
}

INSTANTIATE_TEST_SUITE_P(NoiseAndLatency, WizardRecovery,
                         ::testing::Values(RecoveryCase{kVirtualNoiseOffDb, 0, 20.0}, RecoveryCase{-90, 480, 20.0},
                                           RecoveryCase{-60, 4800, 40.0}, RecoveryCase{-90, 100, 5.0}));

TEST(WizardDesign, CorrectionFlattensWithinTheBoostLimit) {
    // The built-in loudspeaker's deepest dip (its cabinet dip on a reflection's notch near 700 Hz)
    // needs about 7 dB: a boost limit below that leaves the rest of it.
    struct Case {
        double boost, largestAfter;
    };
    for (const auto [boost, largestAfter] : {Case{3.0, 4.2}, Case{6.0, 1.6}, Case{12.0, 1.0}}) {
        VirtualCard card(BuiltinLoudspeakerIr(), -90, 480);
        WizardSettings settings;
        settings.boostLimitDb = boost;
        Measurement first;
        const Sweep sweep = MakeSweep();
        ASSERT_TRUE(Measure(card, sweep, settings, {}, first).ok());
        const auto measured = GridMagnitudeDb(first.ir.taps, settings.smoothingOctaves);
        const auto target = TargetDb({});
        const Correction c = DesignCorrection(measured, target, settings);
        ASSERT_EQ(c.taps.size(), static_cast<std::size_t>(kWizardMaxTaps));
        double largestTap = 0;
        for (const double t : c.taps) largestTap = std::max(largestTap, std::abs(t));
        EXPECT_LT(largestTap, 1.0);
        // No boost beyond the limit (the FIR before its gain reduction, against the wanted level).
        double boostUsed = -1e9;
        for (int k = 1; k < measure_grid::kBinCount; ++k) {
            const double hz = measure_grid::FrequencyAt(k);
            if (hz >= settings.lowerHz && hz <= settings.upperHz)
                boostUsed = std::max(boostUsed, c.responseDb[k] + c.gainReductionDb);
        }
        EXPECT_LE(boostUsed, boost + 0.5);

        card.SetDeviceFir(c.taps);
        MeasureRequest verify;
        verify.windowStart = first.ir.start;
        verify.extraSamples = kWizardMaxTaps;
        Measurement second;
        ASSERT_TRUE(Measure(card, sweep, settings, verify, second).ok());
        const auto corrected = GridMagnitudeDb(second.ir.taps, settings.smoothingOctaves);
        const double before = LargestDeviationDb(measured, target, settings.lowerHz, settings.upperHz);
        const double after = LargestDeviationDb(corrected, target, settings.lowerHz, settings.upperHz);
        EXPECT_LT(after, before * 0.6) << "boost " << boost;
        EXPECT_LT(after, largestAfter) << "boost " << boost;
    }
}

TEST(WizardDesign, TargetShapesTheCorrection) {
    // A known response that is flat: the corrected response is the target itself.
    std::vector<double> flat(64, 0.0);
    flat[10] = 0.5;
    VirtualCard card(flat, kVirtualNoiseOffDb, 0);
    WizardSettings settings;
    Measurement first;
    const Sweep sweep = MakeSweep();
    ASSERT_TRUE(Measure(card, sweep, settings, {}, first).ok());
    std::string error;
    const auto bands = ParseEqTarget("Bell,4,1000,1\nLo Shv,-3,200,0.7\nDisabled,0,1000,1\n", error);
    ASSERT_TRUE(bands) << error;
    const auto target = TargetDb(*bands);
    const auto measured = GridMagnitudeDb(first.ir.taps, settings.smoothingOctaves);
    const Correction c = DesignCorrection(measured, target, settings);
    std::vector<double> predicted(measured.size());
    for (std::size_t k = 0; k < predicted.size(); ++k) predicted[k] = measured[k] + c.responseDb[k];
    EXPECT_LT(LargestDeviationDb(predicted, target, settings.lowerHz, settings.upperHz), 1.0);  // 1024 taps near 100 Hz
    EXPECT_TRUE(c.gainReduced());  // the bell boosts: the filter's gain comes down
}

TEST(WizardDesign, MinimumPhaseKeepsTheMagnitudeWithLittleDelay) {
    VirtualCard card(BuiltinLoudspeakerIr(), -90, 0);
    WizardSettings settings;
    settings.minimumPhase = true;
    Measurement first;
    ASSERT_TRUE(Measure(card, MakeSweep(), settings, {}, first).ok());
    const auto measured = GridMagnitudeDb(first.ir.taps, settings.smoothingOctaves);
    const Correction c = DesignCorrection(measured, TargetDb({}), settings);
    int peak = 0;
    for (std::size_t i = 0; i < c.taps.size(); ++i)
        if (std::abs(c.taps[i]) > std::abs(c.taps[peak])) peak = static_cast<int>(i);
    EXPECT_LT(peak, 48);  // under 1 ms, where the linear-phase design sits at 10 ms
    std::vector<double> predicted(measured.size());
    for (std::size_t k = 0; k < predicted.size(); ++k) predicted[k] = measured[k] + c.responseDb[k];
    EXPECT_LT(LargestDeviationDb(predicted, TargetDb({}), settings.lowerHz, settings.upperHz), 1.5);
}

TEST(WizardMeasure, CancelStopsAndKeepsThePreviousMeasurement) {
    VirtualCard card(BuiltinLoudspeakerIr(), -90, 0);
    std::atomic<bool> cancel{false};
    std::vector<double> progress;
    MeasureRequest request;
    request.cancel = &cancel;
    request.progress = [&](double f) {
        progress.push_back(f);
        if (f > 0.3) cancel = true;
    };
    Measurement m;
    m.peakLevelDb = 123;
    const AudioResult r = Measure(card, MakeSweep(), {}, request, m);
    EXPECT_EQ(r.status, AudioStatus::Cancelled);
    EXPECT_DOUBLE_EQ(m.peakLevelDb, 123);
    EXPECT_TRUE(m.full.empty());
    ASSERT_FALSE(progress.empty());
    EXPECT_LT(progress.back(), 0.5);
    for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_GT(progress[i], progress[i - 1]);
}

TEST(WizardMeasure, SilenceAndBadChannelsFail) {
    std::vector<double> silentIr(16, 0.0);
    silentIr[0] = 1e-9;
    VirtualCard silent(silentIr, kVirtualNoiseOffDb, 0);
    Measurement m;
    EXPECT_EQ(Measure(silent, MakeSweep(), {}, {}, m).status, AudioStatus::Failed);
    VirtualCard card(BuiltinLoudspeakerIr());
    MeasureRequest request;
    request.outputChannel = 5;
    const AudioResult r = Measure(card, MakeSweep(), {}, request, m);
    EXPECT_EQ(r.status, AudioStatus::Failed);
    EXPECT_NE(r.message.find("channel"), std::string::npos);
}

TEST(WizardFiles, ImpulseResponsesRoundTrip) {
    TempDir dir;
    const std::vector<double> ir = BuiltinLoudspeakerIr();
    std::string error;
    ASSERT_TRUE(SaveIrw(dir.path() / "a.irw", ir, error)) << error;
    auto read = LoadImpulseResponse(dir.path() / "a.irw", error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, ir);
    ASSERT_TRUE(WriteWav(dir.path() / "a.wav", ir, error)) << error;
    read = LoadImpulseResponse(dir.path() / "a.wav", error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->size(), ir.size());
    read = LoadImpulseResponse(dir.Write("b.txt", "0\n0.5\n\n-0.25\n"), error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, (std::vector<double>{0, 0.5, -0.25}));
}

TEST(WizardFiles, BadImpulseResponsesAreRefusedWithAReason) {
    TempDir dir;
    struct Case {
        std::string name, text, reason;
    };
    const Case cases[] = {
        {"a.dat", "1\n", "is a .irw, .txt or .wav"},
        {"b.txt", "0.1\nabc\n", "line 2 is not a number"},
        {"c.txt", "", "1 to 480000 samples"},
        {"d.txt", "0\n0\n", "all zero"},
        {"e.irw", "IRW 1\n44100\n1\n", "not an IRW 1 file at 48000 Hz"},
        {"f.irw", "garbage\n", "not an IRW 1 file"},
        {"g.wav", "RIFF not really", "not a sound file"},
        {"h.txt", "nan\n", "not a number"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(LoadImpulseResponse(dir.Write(c.name, c.text), error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }
    std::string error;
    EXPECT_FALSE(LoadImpulseResponse(dir.path() / "missing.txt", error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

TEST(WizardFiles, EqTargetsParseAndRefuse) {
    std::string error;
    const std::vector<EqBand> bands{{EqBandType::Bell, 3, 1000, 1.4}, {EqBandType::HiShv, -2, 8000, 0.7}};
    for (const bool ini : {false, true}) {
        const auto back = ParseEqTarget(FormatEqTarget(bands, ini), error);
        ASSERT_TRUE(back) << error;
        ASSERT_EQ(back->size(), 2u);
        EXPECT_EQ((*back)[1].type, EqBandType::HiShv);
        EXPECT_DOUBLE_EQ((*back)[0].q, 1.4);
    }
    struct Case {
        std::string text, reason;
    };
    const Case cases[] = {
        {"Bell,13,1000,1\n", "gain must be"},
        {"Bell,3,20,1\n", "frequency must be"},
        {"Bell,3,1000,0\n", "不正确的 Q 值"},
        {"Notch,3,1000,1\n", "unknown band type"},
        {"Bell,3,1000\n", "TYPE,GAIN,FREQ,Q"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ParseEqTarget(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    const auto db = TargetDb(bands);
    EXPECT_NEAR(db[static_cast<int>(1000 / measure_grid::kBinSpacingHz + 0.5)], 3.0, 0.2);
}

TEST(WizardFiles, ConfigurationRoundTripsAndSnaps) {
    WizardSettings s;
    s.boostLimitDb = 7.5;
    s.latencyMs = 4.2;
    s.minimumPhase = true;
    s.mode = DesignMode::MinimizeRipple;
    std::string error;
    auto back = ParseWizardSettings(FormatWizardSettings(s), error);
    ASSERT_TRUE(back) << error;
    EXPECT_DOUBLE_EQ(back->boostLimitDb, 7.5);
    EXPECT_NEAR(back->latencyMs, 4.2, 1e-9);
    EXPECT_TRUE(back->minimumPhase);
    EXPECT_EQ(back->mode, DesignMode::MinimizeRipple);
    back = ParseWizardSettings("boost=7.3\nlatency=50\nwindow=1\n", error);
    ASSERT_TRUE(back) << error;
    EXPECT_DOUBLE_EQ(back->boostLimitDb, 7.5);
    EXPECT_DOUBLE_EQ(back->latencyMs, kWizardMaxLatencyMs);
    EXPECT_DOUBLE_EQ(back->windowLengthMs, 2.0);
    EXPECT_FALSE(ParseWizardSettings("colour=3\n", error));
    EXPECT_FALSE(ParseWizardSettings("boost=lots\n", error));
}

}  // namespace
}  // namespace plenum::audio
