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
