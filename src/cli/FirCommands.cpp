// plenumctl fir load / fir store / ir import: FIR coefficient files into a satellite's output way,
// and a measured response conditioned as the IR import window shows it.
#include <cstdio>
#include <memory>
#include <ostream>

#include "cli/Commands.h"
#include "device/FirStore.h"
#include "device/ProgramMemory.h"
#include "dsp/Smoothing.h"
#include "fir/FirFile.h"
#include "fir/IrImport.h"

namespace plenum::cli {
namespace {

// The crossover-mode window's limit for a satellite way: the whole coefficient memory.
constexpr int kCliTapLimit = fir::kMaxFirTaps;

bool RequireSatOnline(CliSession& session, int slot) {
    const DeviceRecord& record = session.ctx().device(slot);
    if (!record.isPresent()) {
        session.err() << "plenumctl: slot " << slot << " holds no device\n";
        return false;
    }
    if (record.isSub()) {
        session.err() << "plenumctl: " << session.deviceLabel(slot) << " is a subwoofer; only satellites run a FIR\n";
        return false;
    }
    if (!record.isConnected()) {
        session.err() << "plenumctl: slot " << slot << " is off-line\n";
        return false;
    }
    return true;
}

int Finish(CliSession& session, int slot, int way, device::FirStoreOutcome outcome, const device::FirStore& store) {
    switch (outcome) {
        case device::FirStoreOutcome::Done:
            session.out() << store.label() << '\n';
            return kExitOk;
        case device::FirStoreOutcome::Failed:
            return session.wireFailure(slot);
        case device::FirStoreOutcome::Refused:
            session.err() << "plenumctl: no FIR kept for way " << way << " of " << session.deviceLabel(slot) << '\n';
            return kExitRefused;
        case device::FirStoreOutcome::Cancelled:
            break;
    }
    return kExitRefused;
}

int FirLoad(CliSession& session, int slot, int way, const std::string& file) {
    if (!RequireSatOnline(session, slot)) return kExitRefused;
    fir::FirCoefficientBuffer buffer(kCliTapLimit);
    if (!buffer.load(file, session.prompter(), session.ctx().LanguageFlag, session.ctx().DecimalComma))
        return kExitRefused;
    device::FirStore store(session.comm(), session.prompter(), slot, way);
    return Finish(session, slot, way, store.store(buffer.coefficients(), buffer.name()), store);
}

}  // namespace

int StoreFirCoefficients(CliSession& session, int slot, int way, std::span<const double> coefficients,
                         const std::string& name) {
    if (!RequireSatOnline(session, slot)) return kExitRefused;
    device::FirStore store(session.comm(), session.prompter(), slot, way);
    return Finish(session, slot, way, store.store(coefficients, name), store);
}

namespace {

int FirStoreKept(CliSession& session, int slot, int way) {
    if (!RequireSatOnline(session, slot)) return kExitRefused;
    device::FirStore store(session.comm(), session.prompter(), slot, way);
    return Finish(session, slot, way, store.storeKept(), store);
}

int IrImport(CliSession& session, const std::string& file, const std::string& smoothing) {
    double width = 0.0;
    if (!smoothing.empty()) {
        const std::optional<double> parsed = ParseSmoothingWidth(smoothing);
        if (!parsed) {
            session.err() << "plenumctl: " << kSmoothingWidthRefused.pick(session.ctx().LanguageFlag) << '\n';
            return kExitUsage;
        }
        width = *parsed;
    }
    const auto measurement =
        fir::ImportIrFile(file, session.prompter(), session.ctx().LanguageFlag, session.ctx().DecimalComma);
    if (!measurement) return kExitRefused;
    const std::optional<fir::IrCurve> conditioned = fir::ConditionIr(*measurement, width);
    if (!conditioned) {
        session.err() << "plenumctl: the measured curve cannot be conditioned\n";
        return kExitRefused;
    }
    const fir::IrCurve& curve = *conditioned;
    session.out() << "freq,mag_db,phase_deg\n";
    char line[96];
    for (std::size_t k = 0; k < curve.frequencyHz.size(); ++k) {
        std::snprintf(line, sizeof line, "%.7g,%.4f,%.4f\n", curve.frequencyHz[k], curve.magnitudeDb[k],
                      curve.phaseDeg[k]);
        session.out() << line;
    }
    return kExitOk;
}

}  // namespace

void AddFirCommands(CLI::App& app, Action& action) {
    auto slot = std::make_shared<int>(0);
    auto way = std::make_shared<int>(0);
    auto file = std::make_shared<std::string>();
    auto* fir = app.add_subcommand("fir", "FIR coefficient files and the FIR of a satellite's output way");
    fir->require_subcommand(1);
    auto* load = fir->add_subcommand("load", "Load a coefficient file (.txt, .csv, .saf) and store it into a way");
    load->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(kFirstUserSlot, kLastUserSlot));
    load->add_option("WAY", *way, "Output way: 0 LOW, 1 HIGH")->required()->check(CLI::Range(0, 1));
    load->add_option("FILE", *file, "Coefficient file")->required();
    load->callback([&action, slot, way, file] {
        action = [slot, way, file](CliSession& session) { return FirLoad(session, *slot, *way, *file); };
    });
    auto* store = fir->add_subcommand("store", "Send the FIR kept for a way to the device again");
    store->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(kFirstUserSlot, kLastUserSlot));
    store->add_option("WAY", *way, "Output way: 0 LOW, 1 HIGH")->required()->check(CLI::Range(0, 1));
    store->callback([&action, slot, way] {
        action = [slot, way](CliSession& session) { return FirStoreKept(session, *slot, *way); };
    });

    auto smoothing = std::make_shared<std::string>();
    auto* ir = app.add_subcommand("ir", "Measured responses (SMAART and RiTA text exports)");
    ir->require_subcommand(1);
    auto* import = ir->add_subcommand("import", "Print a measured response conditioned onto the display grid as CSV");
    import->add_option("FILE", *file, "SMAART or RiTA export (.txt)")->required();
    import->add_option("--smooth", *smoothing, "Fractional-octave smoothing, 1/N");
    import->callback([&action, file, smoothing] {
        action = [file, smoothing](CliSession& session) { return IrImport(session, *file, *smoothing); };
    });
}

}  // namespace plenum::cli
