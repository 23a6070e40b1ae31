// plenumctl fir design | response: the crossover FIR designer and the response of a coefficient
// set, from the command line. Both are pure computations: they need no session and print while
// the arguments are parsed.
//   plenumctl fir design --window NAME --att DB --taps N --freq HZ --type lp|hp [--min-phase] [--min-latency]
//     prints the coefficients, one per line, with 17 significant digits (they read back exactly);
//   plenumctl fir response FILE
//     prints "freq,mag_db,phase_deg,gd_ms" for the 8193 bins of the 16384-point transform at 48 kHz.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "fir/FirDesign.h"
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

// STAND-IN: reads plain text with one coefficient per line (blank lines skipped), at most 1024
// taps. The full FIR file loader (TXT, CSV and SAF with their checks and messages) replaces it.
std::optional<std::vector<double>> ReadCoefficientLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<double> taps;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        std::istringstream field(line);
        double value = 0.0;
        std::string rest;
        if (!(field >> value) || (field >> rest) || !std::isfinite(value)) return std::nullopt;
        taps.push_back(value);
        if (taps.size() > static_cast<std::size_t>(kFirMaxTaps)) return std::nullopt;
    }
    if (taps.empty()) return std::nullopt;
    return taps;
}

}  // namespace

void AddFirCommands(CLI::App& app, std::ostream& out, std::ostream& err, const GlobalOptions& options) {
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
    responseCommand->add_option("FILE", *file, "Plain text, one coefficient per line")->required();
    responseCommand->callback([file, &out, &err] {
        const auto taps = ReadCoefficientLines(*file);
        if (!taps) Refuse(err, "fir response: Wrong File");
        FirResponse response;
        if (response.Compute(*taps) != 0) Refuse(err, "fir response: Wrong File");
        std::string text;
        for (std::size_t k = 0; k < response.frequencies().size(); ++k)
            text += Number(response.frequencies()[k]) + ',' + Number(response.magnitudeDb()[k]) + ',' +
                    Number(response.phaseDeg()[k]) + ',' + Number(response.groupDelayMs()[k]) + '\n';
        out << text;
    });
}

}  // namespace plenum::cli
