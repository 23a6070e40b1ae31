// plenumctl fir design | response: the crossover FIR designer and the response of a coefficient
// set, from the command line. Both are pure computations: they need no session and print while
// the arguments are parsed.
//   plenumctl fir design --window NAME --att DB --taps N --freq HZ --type lp|hp [--min-phase] [--min-latency]
//     prints the coefficients, one per line, with 17 significant digits (they read back exactly);
//   plenumctl fir response FILE
//     prints "freq,mag_db,phase_deg,gd_ms" for the 8193 bins of the 16384-point transform at 48 kHz.
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "fir/FirDesign.h"
#include "fir/FirFile.h"
#include "fir/FirResponse.h"

namespace plenum::cli {

namespace {

struct DesignOptions {
    std::string window;
    std::optional<double> attenuationDb;
    int taps = 0;
    double frequencyHz = 0.0;
    std::string type;
    bool minimumPhase = false;
    bool minimumLatency = false;
};

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Prints the refusal and leaves through CLI11 with a non-zero exit (nothing on the output).
[[noreturn]] void Refuse(std::ostream& err, const std::string& message) {
    err << message << '\n';
    throw CLI::RuntimeError(kExitRefused);
}

}  // namespace

void AddFirDesignCommands(CLI::App& app, std::ostream& out, std::ostream& err, const GlobalOptions& options) {
    // Other fir subcommands (coefficient files) may have registered the group first.
    CLI::App* fir = nullptr;
    for (CLI::App* sub : app.get_subcommands([](CLI::App* a) { return a->get_name() == "fir"; })) fir = sub;
    if (fir == nullptr) {
        fir = app.add_subcommand("fir", "FIR crossover design, responses and coefficient files");
        fir->require_subcommand(1);
    }

    auto design = std::make_shared<DesignOptions>();
    auto* designCommand = fir->add_subcommand("design", "Design a crossover FIR and print its coefficients");
    designCommand->add_option("--window", design->window, "Window: a label (Rect, Kaiser, Sinc, Hanning, Hamming, "
                                                         "Blackman, Blackman-Harris, Blackman-Nuttal, Nuttal, "
                                                         "Kaiser-Bessel, Sine) or its number 0..10")
        ->required();
    designCommand->add_option("--att", design->attenuationDb,
                              "Stop-band attenuation in dB (Kaiser, Sinc, Sine: 21..120, default 21; "
                              "the other windows have a fixed one)");
    designCommand->add_option("--taps", design->taps, "Number of taps 3..1024")->required();
    designCommand->add_option("--freq", design->frequencyHz, "Crossover frequency in Hz (250..20000)")->required();
    designCommand->add_option("--type", design->type, "lp or hp")->required()->check(CLI::IsMember({"lp", "hp"}));
    designCommand->add_flag("--min-phase", design->minimumPhase, "The minimum-phase (MIR) form");
    designCommand->add_flag("--min-latency", design->minimumLatency, "Remove the latency (cut the leading taps)");
    designCommand->callback([design, &out, &err, &options] {
        const Bilingual& wrong = kWrongXoverParameters;
        const auto window = FirWindowFromName(design->window);
        if (!window) Refuse(err, "fir design: unknown window \"" + design->window + "\"");
        const auto& info = Info(*window);
        if (!info.adjustable && design->attenuationDb && *design->attenuationDb != info.attenuationDb)
            Refuse(err, "fir design: the " + std::string(info.label) + " window has a fixed attenuation of " +
                            Number(info.attenuationDb) + " dB");
        FirDesignRequest request;
        request.window = *window;
        request.attenuationDb = design->attenuationDb.value_or(info.attenuationDb);
        request.taps = design->taps;
        request.frequencyHz = design->frequencyHz;
        request.highPass = design->type == "hp";
        request.minimumPhase = design->minimumPhase;
        request.removeLatency = design->minimumLatency;
        FirDesign result;
        if (DesignFir(request, result) != FirDesignResult::Ok)
            Refuse(err, std::string(wrong.pick(options.lang == "zh" ? 1 : 0)));
        std::string text;
        for (const double c : result.coefficients) text += Number(c) + '\n';
        out << text;
    });

    auto file = std::make_shared<std::string>();
    auto* responseCommand = fir->add_subcommand(
        "response", "Print freq,mag_db,phase_deg,gd_ms of a coefficient file on the 16384-point grid");
    responseCommand->add_option("FILE", *file, "Coefficient file (.txt, .csv, .saf)")->required();
    responseCommand->callback([file, &out, &err, &options] {
        // Any coefficient file a loading window reads (TXT, CSV, SAF), with the window's checks
        // short of the crossover's tap-count list: a response can be looked at for any length.
        const fir::FirLoadResult loaded = fir::LoadFirFile(*file, fir::kMaxFirTaps, false);
        if (loaded.code != fir::kFirLoaded || loaded.coefficients.empty())
            Refuse(err, "fir response: " + fir::FirRefusal(loaded, fir::kMaxFirTaps, fir::FirMessageSet::Loader,
                                                          options.lang == "zh" ? 1 : 0).value_or("Wrong File"));
        FirResponse response;
        if (response.Compute(loaded.coefficients) != 0) Refuse(err, "fir response: Wrong File");
        std::string text;
        for (std::size_t k = 0; k < response.frequencies().size(); ++k)
            text += Number(response.frequencies()[k]) + ',' + Number(response.magnitudeDb()[k]) + ',' +
                    Number(response.phaseDeg()[k]) + ',' + Number(response.groupDelayMs()[k]) + '\n';
        out << text;
    });
}

}  // namespace plenum::cli
