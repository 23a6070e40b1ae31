#include "cli/ResponseCommand.h"

#include <iostream>
#include <memory>

#include "core/ValueCodecs.h"
#include "dsp/Biquad.h"
#include "dsp/FrequencyGrid.h"
#include "dsp/ResponseCsv.h"

namespace plenum {

namespace {

struct PeqOptions {
    int type = 0;
    double frequencyHz = 1000.0;
    double q = 1.0;
    double gainDb = 0.0;
    bool bypass = false;
};

struct XoverOptions {
    int slope = 0;
    bool lowPass = false;
    bool highPass = false;
    double frequencyHz = 1000.0;
};

// The windows accept these ranges; the command refuses anything else with CLI11's message.
const CLI::Range kFrequencyRange(ranges::kFrequencyHz.min, ranges::kFrequencyHz.max);
const CLI::Range kGainRange(ranges::kPeqGainDb.min, ranges::kPeqGainDb.max);
const CLI::Range kQRange(QFromCode(0), QFromCode(255));

void Emit(const std::optional<std::string>& error) {
    if (error) throw CLI::RuntimeError("response: " + *error, 2);
}

}  // namespace

void AddResponseCommand(CLI::App& app) {
    auto* response = app.add_subcommand("response", "Print a filter's response on the 6827-point grid as CSV");
    response->require_subcommand(1);

    auto peq = std::make_shared<PeqOptions>();
    auto* peqCommand = response->add_subcommand("peq", "One PEQ band: k,freq,mag_db,phase_deg");
    peqCommand->add_option("--type", peq->type, "PEQ type 0..17 (0 Bell ... 16 AP-2, 17 Ext)")
        ->required()
        ->check(CLI::Range(0, kPeqTypeCount - 1));
    peqCommand->add_option("--freq", peq->frequencyHz, "Frequency in Hz")->required()->check(kFrequencyRange);
    peqCommand->add_option("--q", peq->q, "Q")->required()->check(kQRange);
    peqCommand->add_option("--gain", peq->gainDb, "Gain in dB")->required()->check(kGainRange);
    peqCommand->add_flag("--bypass", peq->bypass, "The band is bypassed");
    peqCommand->callback([peq] {
        const FrequencyGrid grid;
        PeqBand band;
        band.typeCode = static_cast<std::int16_t>(peq->type);
        band.frequencyHz = peq->frequencyHz;
        band.q = peq->q;
        band.gainDb = peq->gainDb;
        band.bypass = peq->bypass ? 1 : 0;
        Emit(WritePeqResponseCsv(std::cout, grid, band));
    });

    auto xover = std::make_shared<XoverOptions>();
    auto* xoverCommand =
        response->add_subcommand("xover", "One crossover filter: k,freq,mag_db,phase_deg (phases summed)");
    xoverCommand->add_option("--slope", xover->slope, "Slope code 0..21 (0 Bypass ... 12 -48dB/oct LR)")
        ->required()
        ->check(CLI::Range(0, kXoverSlopeCount - 1));
    auto* low = xoverCommand->add_flag("--lowpass", xover->lowPass, "A low pass");
    auto* high = xoverCommand->add_flag("--highpass", xover->highPass, "A high pass");
    low->excludes(high);
    high->excludes(low);
    xoverCommand->add_option("--freq", xover->frequencyHz, "Frequency in Hz")->required()->check(kFrequencyRange);
    xoverCommand->callback([xover] {
        if (!xover->lowPass && !xover->highPass) throw CLI::RequiredError("--lowpass or --highpass");
        const FrequencyGrid grid;
        Emit(WriteXoverResponseCsv(std::cout, grid, xover->slope, xover->lowPass, xover->frequencyHz));
    });
}

}  // namespace plenum
