// plenum-soak: a long run against a simulated venue, outside the test suite (scripts/soak.sh).
// 24 simulated loudspeakers (satellites and subwoofers on 127.0.0.2-25) are connected; then, for
// the given number of minutes, rounds of the meter poll alternate with scripted edits from the
// edit windows' controllers, while random wire faults hit random devices (a lost, garbled, empty,
// late, short or closed reply, now and then for long enough to take the device off-line, a device
// refusing connections for a while, a panel event that makes the poll read a device back). A
// device that drops off-line is connected again with the application's settings once its fault is
// over.
//
// At the end every fault is cleared, every device connected, and every application image must
// equal its device's memory. The resident set size is sampled from /proc/self/statm (Linux); it
// must stay flat: the median of the last quarter of the run may not exceed the median of the
// first quarter (after a warm-up) by more than the allowed growth.
//
// Usage: plenum-soak MINUTES [--seed N] [--allowed-growth-kib K]. Exit 0 when every check holds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/Connection.h"
#include "comm/DeviceComm.h"
#include "core/FactoryPrograms.h"
#include "core/ImageLayout.h"
#include "device/EditController.h"
#include "device/EditSink.h"
#include "sat/DeviceMemory.h"
#include "sim/Simulator.h"
#include "faults/FaultMatrix.h"
#include "support/SimRig.h"
#include "ui/logic/MeterPoll.h"

namespace plenum::soak {
namespace {

using Clock = std::chrono::steady_clock;
using comm::Millis;

constexpr int kDevices = 24;

long ResidentKib() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    if (!(statm >> size >> resident)) return 0;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long Median(std::vector<long> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}


struct Counters {
    long rounds = 0;
    long edits = 0;
    long faults = 0;
    long refusals = 0;
    long panelEvents = 0;
    long reconnects = 0;
    long failedReconnects = 0;
};

int Run(int minutes, unsigned seed, long allowedGrowthKib) {
    sim::Simulator simulator;
    std::vector<sim::SimulatedDevice*> devices;
    for (int i = 0; i < kDevices; ++i) {
        sim::DeviceConfig config;
        config.host = "127.0.0." + std::to_string(2 + i);
        config.modelCode = i % 4 == 3 ? kSubModelCode : 8;
        config.uniqueId = "00AA00BB" + std::string(i < 10 ? "000" : "00") + std::to_string(i);
        config.name = "Soak " + std::to_string(i + 1);
        config.meterSeed = static_cast<std::uint32_t>(i + 1);
        devices.push_back(&simulator.add(config));
    }
    simulator.start();

    test::TempDir dir;
    AppContext ctx;
    ctx.dataDir = dir.path();
    comm::AsioNetworkTransport network;
    comm::AsioSerialTransport serial;
    ScriptedPrompter prompter;
    comm::SteadySleeper sleeper;
    comm::DeviceComm comm(ctx, network, serial, prompter, sleeper,
                          comm::LinkSettings{simulator.commonPort(), (dir.path() / "ttySIM%d").string()},
                          test::FaultTimeouts());
    DeviceSettingsTransfer transfer(comm);
    comm::DeviceConnector connector(comm, transfer, prompter);
    device::DirectEditSink sink(comm);
    ui::MeterPoll poll(comm);
    AutoUpdateHooks updateHooks;

    for (int slot = 1; slot <= kDevices; ++slot) {
        DeviceRecord& r = ctx.device(slot);
        r.Present = kTrue16;
        r.Address = devices[static_cast<std::size_t>(slot - 1)]->config().host;
        r.ModelCode = devices[static_cast<std::size_t>(slot - 1)]->config().modelCode;
        r.LinkMode = kLinkLan;
        r.SlotIndex = static_cast<std::int16_t>(slot);
        ResetImageToDefaults(ctx, slot);
        if (connector.SendConnectDevice(slot, comm::TransferDirection::ReadFromDevice) != comm::ConnectError::None) {
            std::cerr << "soak: slot " << slot << " did not connect\n";
            return 2;
        }
    }
    std::cout << "soak: " << kDevices << " devices on-line, running " << minutes << " min, seed " << seed << std::endl;

    std::mt19937 random(seed);
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const sim::Fault transient[] = {sim::Fault::NoReply,         sim::Fault::Garbled,   sim::Fault::AllZero,
                                    sim::Fault::Late,            sim::Fault::ShortReply, sim::Fault::CloseConnection,
                                    sim::Fault::BadIdentify};
    std::vector<Clock::time_point> refusedUntil(kDevices + 1, Clock::time_point{});
    std::vector<long> rss;  // one sample per second
    Counters counters;

    const auto start = Clock::now();
    const auto end = start + std::chrono::minutes(minutes);
    auto nextSample = start;
    auto nextReport = start + std::chrono::seconds(30);
    while (Clock::now() < end) {
        const auto now = Clock::now();
        // Faults: a transient one on a random device, now and then a refusal lasting seconds.
        if (chance(20)) {
            const int slot = 1 + pick(kDevices);
            auto& device = *devices[static_cast<std::size_t>(slot - 1)];
            if (refusedUntil[static_cast<std::size_t>(slot)] == Clock::time_point{}) {
                if (chance(5)) {
                    device.setFault(sim::Fault::RefuseConnection);
                    refusedUntil[static_cast<std::size_t>(slot)] = now + std::chrono::seconds(1 + pick(3));
                    ++counters.refusals;
                } else {
                    // Mostly a few requests; now and then more than the transaction's reconnect
                    // attempts, which takes the device off-line.
                    const int count = chance(10) ? 12 + pick(4) : 1 + pick(3);
                    device.setLateDelay(Millis{50 + pick(300)});
                    device.setFault(transient[pick(static_cast<int>(std::size(transient)))], count, pick(4));
                    ++counters.faults;
                }
            }
        }
        if (chance(3)) {
            devices[static_cast<std::size_t>(pick(kDevices))]->reportPanelEvent(0x02);
            ++counters.panelEvents;
        }
        // A refusal ends; a device that dropped off-line is connected again with the application's
        // settings (its edits win).
        for (int slot = 1; slot <= kDevices; ++slot) {
            auto& until = refusedUntil[static_cast<std::size_t>(slot)];
            if (until != Clock::time_point{} && now >= until) {
                devices[static_cast<std::size_t>(slot - 1)]->setFault(sim::Fault::None);
                until = Clock::time_point{};
            }
            if (until == Clock::time_point{} && !ctx.device(slot).isConnected()) {
                ++counters.reconnects;
                if (connector.SendConnectDevice(slot, comm::TransferDirection::LoadToDevice) != comm::ConnectError::None)
                    ++counters.failedReconnects;
            }
        }

        poll.pollAll(updateHooks);
        ++counters.rounds;

        // Scripted edits: a few gains typed into random devices' edit windows.
        for (int i = 0; i < 3; ++i) {
            const int slot = 1 + pick(kDevices);
            if (!ctx.device(slot).isConnected()) continue;
            std::unique_ptr<device::EditController> window;
            if (ctx.device(slot).isSub())
                window = std::make_unique<device::EditSubController>(ctx, slot, sink, prompter);
            else
                window = std::make_unique<device::EditSatController>(ctx, slot, sink, prompter);
            const std::string gain = std::to_string(-pick(40)) + "." + std::to_string(pick(10));
            window->enterText(device::Control::InGain, gain);
            ++counters.edits;
        }

        // The simulator's frame logs and the prompter's record are test gear: kept short so that
        // the resident size measures the application's side.
        for (auto* device : devices) device->clearLog();
        prompter.clear();

        if (now >= nextSample) {
            rss.push_back(ResidentKib());
            nextSample += std::chrono::seconds(1);
        }
        if (now >= nextReport) {
            std::cout << "soak: " << std::chrono::duration_cast<std::chrono::seconds>(now - start).count()
                      << " s, rounds " << counters.rounds << ", edits " << counters.edits << ", faults "
                      << counters.faults << ", refusals " << counters.refusals << ", reconnects "
                      << counters.reconnects << ", RSS " << rss.back() << " KiB" << std::endl;
            nextReport += std::chrono::seconds(30);
        }
    }

    // The end: every fault cleared, every device connected, every image its device's.
    for (auto* device : devices) device->setFault(sim::Fault::None);
    int failures = 0;
    for (int slot = 1; slot <= kDevices; ++slot) {
        if (ctx.device(slot).isConnected()) continue;
        if (connector.SendConnectDevice(slot, comm::TransferDirection::LoadToDevice) != comm::ConnectError::None) {
            std::cerr << "soak: slot " << slot << " does not connect at the end\n";
            ++failures;
        }
    }
    const bool mirrored = test::Eventually([&] {
        for (int slot = 1; slot <= kDevices; ++slot)
            if (!test::MirrorsDevice(ctx, slot, *devices[static_cast<std::size_t>(slot - 1)])) return false;
        return true;
    });
    if (!mirrored) {
        for (int slot = 1; slot <= kDevices; ++slot)
            if (auto result = test::MirrorsDevice(ctx, slot, *devices[static_cast<std::size_t>(slot - 1)]); !result) {
                std::cerr << "soak: " << result.message() << "\n";
                ++failures;
            }
    }

    // Resident size: first quarter after a warm-up of 10 % against the last quarter.
    const std::size_t n = rss.size();
    const std::size_t warm = n / 10;
    const std::size_t quarter = std::max<std::size_t>(1, (n - warm) / 4);
    const long early = Median(std::vector<long>(rss.begin() + static_cast<std::ptrdiff_t>(warm),
                                                rss.begin() + static_cast<std::ptrdiff_t>(std::min(n, warm + quarter))));
    const long late = Median(std::vector<long>(rss.end() - static_cast<std::ptrdiff_t>(std::min(n, quarter)), rss.end()));
    const long peak = rss.empty() ? 0 : *std::max_element(rss.begin(), rss.end());
    std::cout << "soak: done after " << minutes << " min: rounds " << counters.rounds << ", edits " << counters.edits
              << ", faults " << counters.faults << ", refusals " << counters.refusals << ", panel events "
              << counters.panelEvents << ", reconnects " << counters.reconnects << " (" << counters.failedReconnects
              << " refused while the fault lasted)\n"
              << "soak: RSS early median " << early << " KiB, late median " << late << " KiB, peak " << peak
              << " KiB, growth " << late - early << " KiB (allowed " << allowedGrowthKib << ")\n"
              << "soak: images equal their devices: " << (mirrored ? "yes" : "NO") << std::endl;
    if (late - early > allowedGrowthKib) {
        std::cerr << "soak: resident size grew\n";
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace plenum::soak

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: plenum-soak MINUTES [--seed N] [--allowed-growth-kib K]\n";
        return 2;
    }
    const int minutes = std::atoi(argv[1]);
    unsigned seed = 1;
    long allowed = 2048;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--seed") seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        else if (option == "--allowed-growth-kib") allowed = std::strtol(argv[i + 1], nullptr, 10);
        else {
            std::cerr << "plenum-soak: unknown option " << option << "\n";
            return 2;
        }
    }
    if (minutes <= 0) {
        std::cerr << "plenum-soak: MINUTES must be a positive number\n";
        return 2;
    }
    return plenum::soak::Run(minutes, seed, allowed);
}
