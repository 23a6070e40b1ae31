// An application side wired to simulated loudspeakers over real loopback sockets: a context, the
// asio transports, a DeviceComm with short time-outs, and helpers to list devices and bring them
// on-line. Tests of anything that crosses the wire build on it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/DeviceComm.h"
#include "sim/Simulator.h"
#include "support/Eventually.h"
#include "support/TempDir.h"

namespace plenum::test {

using WireBytes = std::vector<std::uint8_t>;

// The invariant every end-to-end test holds after each step that talks to a device: the
// application's status record and live-program image of the device equal the device's memory.
inline ::testing::AssertionResult MirrorsDevice(const AppContext& ctx, int slot, const sim::SimulatedDevice& device) {
    const DeviceStatusRecord& status = ctx.statusOf(slot);
    const auto statusMemory = device.readMemory(0, status.size());
    std::vector<std::uint8_t> image;
    const auto index = static_cast<std::size_t>(slot);
    if (ctx.device(slot).isSub())
        image.assign(ctx.subImage[index].bytes.begin(), ctx.subImage[index].bytes.end());
    else
        image.assign(ctx.satImage[index].bytes.begin(), ctx.satImage[index].bytes.end());
    const auto imageMemory = device.readMemory(384, image.size());
    auto firstDifference = [](std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
        std::size_t i = 0;
        while (i < a.size() && a[i] == b[i]) ++i;
        return i;
    };
    if (const auto i = firstDifference(status.bytes, statusMemory); i < status.size())
        return ::testing::AssertionFailure() << "slot " << slot << ": status byte " << i << " is " << int(status[i])
                                             << ", the device holds " << int(statusMemory[i]);
    if (const auto i = firstDifference(image, imageMemory); i < image.size())
        return ::testing::AssertionFailure() << "slot " << slot << ": image byte " << i << " is " << int(image[i])
                                             << ", the device holds " << int(imageMemory[i]);
    return ::testing::AssertionSuccess();
}

// MirrorsDevice for every on-line network device of the list, matched to the simulated device at
// its address.
inline ::testing::AssertionResult MirrorsDevices(const AppContext& ctx, sim::Simulator& simulator) {
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        const DeviceRecord& record = ctx.device(slot);
        if (!record.isPresent() || !record.isConnected() || !record.isNetwork()) continue;
        for (std::size_t i = 0; i < simulator.size(); ++i)
            if (simulator.device(i).config().host == record.Address)
                if (auto result = MirrorsDevice(ctx, slot, simulator.device(i)); !result) return result;
    }
    return ::testing::AssertionSuccess();
}

inline comm::CommTimeouts FastTimeouts() {
    comm::CommTimeouts t;
    t.read = comm::Millis{400};
    t.reconnect = comm::Millis{300};
    t.reconnectPause = comm::Millis{2};
    t.singleCheck = comm::Millis{300};
    t.connecting = comm::Millis{300};
    t.scan = comm::Millis{300};
    return t;
}

class SimRig : public ::testing::Test {
protected:
    sim::Simulator simulator;
    TempDir dir;
    AppContext ctx;
    comm::AsioNetworkTransport network;
    comm::AsioSerialTransport serial;
    ScriptedPrompter prompter;
    comm::SteadySleeper sleeper;
    std::unique_ptr<comm::DeviceComm> comm;

    sim::SimulatedDevice& addDevice(const std::string& host, std::uint8_t model, std::uint8_t busId = 1) {
        sim::DeviceConfig config;
        config.host = host;
        config.modelCode = model;
        config.busId = busId;
        return simulator.add(config);
    }

    void start() {
        simulator.start();
        comm = std::make_unique<comm::DeviceComm>(
            ctx, network, serial, prompter, sleeper,
            comm::LinkSettings{simulator.commonPort(), (dir.path() / "ttySIM%d").string()}, FastTimeouts());
    }

    // Lists the device in `slot` as a LAN device, connects it and identifies it; the simulator's
    // log is cleared afterwards so a test sees only its own frames.
    void bringOnline(int slot, sim::SimulatedDevice& device) {
        DeviceRecord& record = ctx.device(slot);
        record.Present = kTrue16;
        record.LinkMode = kLinkLan;
        record.Address = device.config().host;
        record.ModelCode = device.config().modelCode;
        ASSERT_EQ(network.TcpConnect(slot, record.Address, device.port(), comm::Millis{1000}), comm::LinkResult::Ok);
        record.Connected = kTrue16;
        const int acknowledged = device.acknowledgesReceived();
        ASSERT_EQ(comm->SendCommand(slot, comm::CommandCode::Identify), 0);
        ASSERT_TRUE(Eventually([&] { return device.acknowledgesReceived() == acknowledged + 1; }));
        device.clearLog();
    }

    // The request frames the device received (acknowledge bytes left out).
    static std::vector<WireBytes> requests(const sim::SimulatedDevice& device) {
        std::vector<WireBytes> frames;
        for (const auto& frame : device.frames())
            if (frame.fromHost && frame.bytes.size() > 1) frames.push_back(frame.bytes);
        return frames;
    }
};

}  // namespace plenum::test
