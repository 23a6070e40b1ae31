// Throughput of FwLoader against a simulated loudspeaker: images of 64 KiB and 1 MiB over loopback
// TCP and over a pty. Also printed: the bytes on the wire per image byte (framing, chunk CRCs and
// status replies) and the time the same transfer would need on the real USB link at 57600 baud,
// 10 bits per byte, which is the figure a user waits for.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/FirmwareLoader.h"
#include "sim/Simulator.h"

namespace {

using namespace plenum;
using namespace plenum::comm;

class NoSleep final : public Sleeper {
  public:
    void sleepFor(Millis) override {}
};

struct Rig {
    std::filesystem::path dir;
    sim::Simulator simulator;
    sim::SimulatedDevice* device = nullptr;

    Rig() {
        dir = std::filesystem::temp_directory_path() / ("plenum-fw-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        sim::DeviceConfig config;
        config.host = "127.0.0.2";
        config.ptyPath = (dir / "ttyFW0").string();
        device = &simulator.add(config);
        simulator.start();
    }
    ~Rig() {
        simulator.stop();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::filesystem::path file(std::size_t length) {
        std::vector<std::uint8_t> image(length);
        for (std::size_t i = 0; i < length; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
        const auto bytes = BuildSfu(FirmwareKind::Satellite, {0, 4, 0}, image);
        const auto path = dir / ("fw" + std::to_string(length) + ".sfu");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};

Rig& TheRig() {
    static Rig rig;
    return rig;
}

// Bytes on the wire, both directions, for one load of `length` image bytes (network adds one
// acknowledge byte per reply).
double WireBytes(std::size_t length, bool network) {
    const std::size_t chunks = (length + kLoaderChunkLength - 1) / kLoaderChunkLength;
    const std::size_t replies = chunks + 4;
    const double out = 4 * 13.0 + static_cast<double>(length) +
                       static_cast<double>(chunks) * (kLoaderWriteOverhead + kLoaderCrcLength);
    return out + static_cast<double>(replies) * (kLoaderReplyLength + (network ? 1 : 0));
}

void BM_Load(benchmark::State& state, bool network) {
    Rig& rig = TheRig();
    const auto length = static_cast<std::size_t>(state.range(0));
    const auto path = rig.file(length);
    AsioNetworkTransport tcp;
    AsioSerialTransport serial;
    NoSleep sleeper;
    FwLoader loader(tcp, serial, sleeper, rig.simulator.commonPort());
    for (auto _ : state) {
        const FwLoadError error =
            network ? loader.LoadLan(path, "127.0.0.2") : loader.LoadUsb(path, (rig.dir / "ttyFW0").string());
        if (error != FwLoadError::None) {
            state.SkipWithError("load failed");
            break;
        }
    }
    const double wire = WireBytes(length, network);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
    state.counters["wire_per_image_byte"] = wire / static_cast<double>(length);
    state.counters["s_at_57600_baud"] = wire * 10.0 / 57600.0;
}

BENCHMARK_CAPTURE(BM_Load, tcp, true)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Load, pty, false)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
