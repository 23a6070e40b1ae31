// plenumctl wizard: the FIR wizard's measurement and design, headless.
//   plenumctl wizard --card virtual --response FILE|builtin [--target FILE] [--noise-db DB] ...
// measures the virtual sound card (a known impulse response, noise, latency), designs the
// correcting FIR towards the target, puts it into the virtual loudspeaker and measures again
// (the verify pass). `--card N` measures PortAudio device N instead; the verify pass then needs
// the FIR stored in the loudspeaker, so the corrected response is the prediction (measured
// magnitude plus the FIR's). The last line is
//   wizard: IR error X dB, corrected deviation Y dB, boost limit Z dB
// X: the largest magnitude error of the measurement against the known response over
// 20 Hz..20 kHz, both windowed alike and 1/6-octave smoothed ("nan" without a known response);
// Y: the largest deviation of the corrected response from the target within the frequency limits
// (levels aligned on the mean); Z: the boost limit used.
// `--store SLOT [--way W]` also stores the designed FIR into that satellite of the data folder's
// list (on line, as `plenumctl connect` left it) with the FIR store, before the verify pass.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

#include "audio/PortAudioCard.h"
#include "audio/VirtualCard.h"
#include "audio/Wizard.h"
#include "cli/Commands.h"
#include "dsp/Smoothing.h"

namespace plenum::cli {

namespace {

struct WizardOptions {
    std::string card;
    std::string response;
    std::string target;
    std::string config;
    std::string saveIr;
    std::string saveFir;
    std::string tsDir;
    double noiseDb = -90;
    int latencySamples = 480;
    int outputChannel = 0;
    int inputChannel = 0;
    std::optional<double> boostDb, lowerHz, upperHz, latencyMs, windowMs;
    std::optional<int> precision;
    std::optional<std::string> smoothing;
    bool minimumPhase = false;
    bool minimizeRipple = false;
    std::optional<int> storeSlot;
    int way = 0;
};

std::string Fixed(double v, int decimals = 2) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

[[noreturn]] void Refuse(std::ostream& err, const std::string& message, int code = kExitRefused) {
    err << "wizard: " << message << '\n';
    throw CLI::RuntimeError(code);
}

int RunWizard(const WizardOptions& o, std::ostream& out, std::ostream& err, const GlobalOptions& global) {
    using namespace audio;
    const bool zh = global.lang == "zh";
    WizardSettings settings;
    if (!o.config.empty()) {
        std::ifstream in(o.config, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        std::string error;
        const std::string ext = std::filesystem::path(o.config).extension().string();
        if (!in || (ext != ".wzn" && ext != ".wiz")) Refuse(err, o.config + ": a wizard configuration is a .wzn or .wiz file");
        auto parsed = ParseWizardSettings(text.str(), error);
        if (!parsed) Refuse(err, o.config + ": " + error);
        settings = *parsed;
    }
    if (o.smoothing) {
        const auto width = ParseSmoothingWidth(*o.smoothing);
        if (!width) Refuse(err, std::string(kSmoothingWidthRefused.pick(zh ? 1 : 0)), kExitUsage);
        settings.smoothingOctaves = *width;
    }
    if (o.boostDb) settings.boostLimitDb = *o.boostDb;
    if (o.lowerHz) settings.lowerHz = *o.lowerHz;
    if (o.upperHz) settings.upperHz = *o.upperHz;
    if (o.latencyMs) settings.latencyMs = *o.latencyMs;
    if (o.windowMs) settings.windowLengthMs = *o.windowMs;
    if (o.precision) settings.precision = *o.precision;
    if (o.minimumPhase) settings.minimumPhase = true;
    if (o.minimizeRipple) settings.mode = DesignMode::MinimizeRipple;
    settings = Snapped(settings);

    std::optional<std::vector<double>> known;
    if (o.response == "builtin") {
        known = BuiltinLoudspeakerIr();
    } else if (!o.response.empty()) {
        std::string error;
        known = LoadImpulseResponse(o.response, error);
        if (!known) Refuse(err, error);
    }
    std::unique_ptr<AudioCard> card;
    VirtualCard* virtualCard = nullptr;
    if (o.card == "virtual") {
        if (!known) Refuse(err, "the virtual sound card needs --response FILE or --response builtin", kExitUsage);
        auto v = std::make_unique<VirtualCard>(*known, o.noiseDb, o.latencySamples);
        virtualCard = v.get();
        card = std::move(v);
    } else {
        int index = -1;
        try {
            std::size_t used = 0;
            index = std::stoi(o.card, &used);
            if (used != o.card.size()) index = -1;
        } catch (const std::exception&) {
        }
        if (index < 0) Refuse(err, "--card is \"virtual\" or a PortAudio device number", kExitUsage);
        card = std::make_unique<PortAudioCard>(index);
    }
    std::vector<EqBand> bands;
    if (!o.target.empty()) {
        std::string error;
        auto loaded = LoadEqTarget(o.target, error);
        if (!loaded) Refuse(err, error);
        bands = std::move(*loaded);
    }

    Sweep sweep = MakeSweep();
    if (!o.tsDir.empty()) {
        std::string error;
        if (!WriteSweepFiles(o.tsDir, sweep, error)) Refuse(err, error, kExitIo);
        auto read = ReadSweepFiles(o.tsDir, error);
        if (!read) Refuse(err, error, kExitIo);
        sweep = std::move(*read);
    }

    out << "Measuring IR....\n";
    MeasureRequest request;
    request.outputChannel = o.outputChannel;
    request.inputChannel = o.inputChannel;
    Measurement first;
    if (const AudioResult r = Measure(*card, sweep, settings, request, first); !r.ok())
        Refuse(err, "Can't complete the measurement, please check your ASIO card settings (" + r.message + ")");
    out << "Peak Level = " << Fixed(first.peakLevelDb, 1) << " dB" << (first.clipped ? " (clipped)" : "") << '\n';
    out << "Computing IR ...\n";
    out << "IR peak at " << Fixed(first.ir.peak * 1000.0 / kAudioSampleRateHz, 3) << " ms\n";
    if (!o.saveIr.empty()) {
        std::string error;
        if (!SaveIrw(o.saveIr, first.ir.taps, error)) Refuse(err, error, kExitIo);
    }

    double irError = std::nan("");
    if (known) {
        std::vector<double> padded = *known;
        padded.resize(padded.size() + static_cast<std::size_t>(settings.windowLengthMs * 48) + 96, 0.0);
        const WindowedIr knownIr = WindowIr(padded, settings.windowLengthMs);
        irError = LargestDifferenceDb(GridMagnitudeDb(first.ir.taps, 1.0 / 6), GridMagnitudeDb(knownIr.taps, 1.0 / 6),
                                      20.0, 20000.0);
    }

    const std::vector<double> measuredDb = GridMagnitudeDb(first.ir.taps, settings.smoothingOctaves);
    const std::vector<double> targetDb = TargetDb(bands);
    const Correction correction = DesignCorrection(measuredDb, targetDb, settings);
    if (correction.taps.empty()) Refuse(err, "no frequencies between the limits");
    if (correction.gainReduced())
        out << kFilterGainReduced.pick(zh ? 1 : 0) << " (" << Fixed(correction.gainReductionDb) << " dB)\n";
    if (!o.saveFir.empty()) {
        std::ofstream fir(o.saveFir, std::ios::binary | std::ios::trunc);
        fir.precision(17);
        for (const double t : correction.taps) fir << t << '\n';
        if (!fir) Refuse(err, "cannot write " + o.saveFir, kExitIo);
    }
    const double before = LargestDeviationDb(measuredDb, targetDb, settings.lowerHz, settings.upperHz);
    if (o.storeSlot) {
        // The designed FIR goes to a satellite of the data folder's list, as the wizard's Store.
        CliSession session(global, out, err);
        if (!session.open()) throw CLI::RuntimeError(kExitRefused);
        const int stored = StoreFirCoefficients(session, *o.storeSlot, o.way, correction.taps, "FIR Wizard");
        const bool saved = session.save();
        if (stored != kExitOk) throw CLI::RuntimeError(stored);
        if (!saved) throw CLI::RuntimeError(kExitIo);
    }

    std::vector<double> correctedDb(measuredDb.size());
    if (virtualCard != nullptr) {
        virtualCard->SetDeviceFir(correction.taps);
        MeasureRequest verify = request;
        verify.windowStart = first.ir.start;
        verify.extraSamples = kWizardMaxTaps;
        Measurement second;
        if (const AudioResult r = Measure(*card, sweep, settings, verify, second); !r.ok())
            Refuse(err, "Can't complete the measurement, please check your ASIO card settings (" + r.message + ")");
        correctedDb = GridMagnitudeDb(second.ir.taps, settings.smoothingOctaves);
        out << "Verify: measured through the FIR\n";
    } else {
        for (std::size_t k = 0; k < correctedDb.size(); ++k) correctedDb[k] = measuredDb[k] + correction.responseDb[k];
        out << "Verify: predicted (store the FIR and measure again to verify)\n";
    }
    const double after = LargestDeviationDb(correctedDb, targetDb, settings.lowerHz, settings.upperHz);
    out << "deviation before " << Fixed(before) << " dB, after " << Fixed(after) << " dB between "
        << Fixed(settings.lowerHz, 0) << " and " << Fixed(settings.upperHz, 0) << " Hz\n";
    out << "wizard: IR error " << (std::isnan(irError) ? std::string("nan") : Fixed(irError)) << " dB, corrected deviation "
        << Fixed(after) << " dB, boost limit " << Fixed(settings.boostLimitDb, 1) << " dB\n";
    return kExitOk;
}

}  // namespace

void AddWizardCommand(CLI::App& app, std::ostream& out, std::ostream& err, const GlobalOptions& options) {
    auto o = std::make_shared<WizardOptions>();
    auto* cmd = app.add_subcommand("wizard", "Measure a loudspeaker and design its correcting FIR (FIR wizard)");
    cmd->add_option("--card", o->card, "\"virtual\" or a PortAudio device number")->required();
    cmd->add_option("--response", o->response,
                    "Known impulse response (.irw, .txt, .wav at 48 kHz) or \"builtin\" (a two-way in a room)");
    cmd->add_option("--target", o->target, "EQ target (.eqt or DefEqTarget.ini); flat without");
    cmd->add_option("--noise-db", o->noiseDb, "Virtual card: noise RMS in dB full scale (default -90)");
    cmd->add_option("--latency-samples", o->latencySamples, "Virtual card: round-trip latency (default 480)")
        ->check(CLI::Range(0, 48000));
    cmd->add_option("--out-channel", o->outputChannel, "Output channel, 0-based")->check(CLI::Range(0, 255));
    cmd->add_option("--in-channel", o->inputChannel, "Input channel, 0-based")->check(CLI::Range(0, 255));
    cmd->add_option("--config", o->config, "Wizard configuration (.wzn or .wiz)");
    cmd->add_option("--boost", o->boostDb, "Boost limit in dB (1..30, step 0.5)");
    cmd->add_option("--lower", o->lowerHz, "Lower frequency limit in Hz (up to 1000)");
    cmd->add_option("--upper", o->upperHz, "Upper frequency limit in Hz (up to 20000)");
    cmd->add_option("--latency-ms", o->latencyMs, "FIR latency in ms (1.0..10.6, step 0.1)");
    cmd->add_option("--window-ms", o->windowMs, "IR window length in ms (2.0..40.0, step 0.1)");
    cmd->add_option("--precision", o->precision, "Refinement passes 1..10");
    cmd->add_option("--smoothing", o->smoothing, "Smoothing width: 1/6, 1/5, 1/4, 1/3 or 1/2");
    cmd->add_flag("--min-phase", o->minimumPhase, "Minimum-phase correction (almost no latency)");
    cmd->add_flag("--minimize-ripple", o->minimizeRipple, "Design mode \"Minimize Ripple\"");
    cmd->add_option("--save-ir", o->saveIr, "Write the measured impulse response (.irw)");
    cmd->add_option("--save-fir", o->saveFir, "Write the FIR coefficients (.txt, one a line)");
    cmd->add_option("--ts-dir", o->tsDir, "Write TS/SW.wav and TS/ISW.wav there and measure with them");
    auto* storeOption = cmd->add_option("--store", o->storeSlot, "Store the designed FIR into the satellite in this slot (1-24)")
        ->check(CLI::Range(kFirstUserSlot, kLastUserSlot));
    cmd->add_option("--way", o->way, "Output way the FIR is stored into: 0 LOW (default), 1 HIGH")
        ->check(CLI::Range(0, 1))
        ->needs(storeOption);
    cmd->callback([o, &out, &err, &options] { RunWizard(*o, out, err, options); });
}

}  // namespace plenum::cli
