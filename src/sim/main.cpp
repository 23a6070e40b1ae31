// plenum-sim: serves one simulated loudspeaker (--listen ...) or a fleet of them (--fleet FILE)
// until SIGINT or SIGTERM. Prints one "listening ..." line per device and then "ready N", so that
// scripts and tests can wait for it. Faults can be changed while it runs through lines on standard
// input (see --help).
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "core/Version.h"
#include "sim/FleetFile.h"
#include "sim/Simulator.h"

namespace {

using plenum::sim::Fault;
using plenum::sim::Fleet;
using plenum::sim::FleetDevice;
using plenum::sim::Simulator;

constexpr const char* kFooter = R"(Fleet file (--fleet): JSON,
  { "devicePort": 40123,
    "devices": [
      { "listen": "127.0.0.2", "model": 0, "variant": 0, "firmware": "0.3.4",
        "uid": "0011223344AA", "name": "LEFT", "busId": 1, "hwFamily": 0,
        "linkMode": 2, "meterSeed": 1, "pty": "/tmp/sim/ttySIM4",
        "log": "/tmp/sim/left.log", "fault": "none", "faultCount": -1, "lateMs": 300,
        "latencyMs": 5 },
      { "listen": "127.0.0.3", "model": 1, "name": "SUB" } ] }
  "listen" is required (HOST or HOST:PORT); every other key is optional. Devices without a
  port share one port: "devicePort", else --device-port, else PLENUM_DEVICE_PORT, else an
  ephemeral port. Model 1 is a subwoofer (SUB), every other model a satellite (SAT).

Faults (--fault NAME[:COUNT], "fault" in the fleet, or at run time): none, no-reply,
  garbled, all-zero, late, close, refuse, bad-identify, short. COUNT requests are affected
  (-1 or none: until the fault is set to none); refuse lasts until another fault is set.

Commands on standard input while running, one per line (device index from 0):
  fault INDEX NAME [COUNT]     late INDEX MILLISECONDS     latency INDEX MILLISECONDS
  quit
  loader INDEX FAILURE [COUNT] (firmware loader failures: none, wrong-image, protected,
  erase, write, busy, silent, checksum, mode; COUNT times, default once, -1 until none)
  Each is answered with "ok" or "error: ..." on standard output.

Frame log (--log): one line per frame: seconds since start, rx (from the host), tx (to the
  host) or drop (bytes that did not frame), then the bytes in hex.

Output: one line per device when it listens, e.g.
  listening 127.0.0.2:40123 model 0 bus 1 uid 0011223344AA pty /tmp/sim/ttySIM4
then "ready N". SIGINT or SIGTERM stops the simulator.)";

std::string Describe(std::size_t index, Simulator& simulator) {
    auto& device = simulator.device(index);
    const auto& config = device.config();
    std::ostringstream line;
    line << "listening " << config.host << ':' << device.port() << " model " << int(config.modelCode)
         << " bus " << int(config.busId) << " uid " << config.uniqueId;
    if (!config.ptyPath.empty()) line << " pty " << config.ptyPath;
    return line.str();
}

// Applies one standard-input command; returns false on "quit".
bool RunCommand(const std::string& line, Simulator& simulator) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb.empty()) return true;
    if (verb == "quit") return false;
    std::size_t index = 0;
    if ((verb == "fault" || verb == "late" || verb == "latency" || verb == "loader") && !(in >> index)) {
        std::cout << "error: a device index is needed" << std::endl;
        return true;
    }
    if ((verb == "fault" || verb == "late" || verb == "latency" || verb == "loader") && index >= simulator.size()) {
        std::cout << "error: no device " << index << std::endl;
        return true;
    }
    if (verb == "fault") {
        std::string name;
        int count = -1;
        Fault fault = Fault::None;
        in >> name;
        if (!plenum::sim::FaultFromName(name, fault)) {
            std::cout << "error: not a fault: " << name << std::endl;
            return true;
        }
        if (!(in >> count) && !in.eof()) {
            std::cout << "error: not a request count" << std::endl;
            return true;
        }
        simulator.device(index).setFault(fault, count);
    } else if (verb == "loader") {
        std::string name;
        int count = 1;
        plenum::sim::LoaderFailure failure = plenum::sim::LoaderFailure::None;
        in >> name;
        if (!plenum::sim::LoaderFailureFromName(name, failure)) {
            std::cout << "error: not a loader failure: " << name << std::endl;
            return true;
        }
        if (!(in >> count) && !in.eof()) {
            std::cout << "error: not a count" << std::endl;
            return true;
        }
        simulator.device(index).setLoaderFailure(failure, count);
    } else if (verb == "late") {
        long milliseconds = 0;
        if (!(in >> milliseconds) || milliseconds < 0) {
            std::cout << "error: not a delay in milliseconds" << std::endl;
            return true;
        }
        simulator.device(index).setLateDelay(std::chrono::milliseconds(milliseconds));
    } else if (verb == "latency") {
        long milliseconds = 0;
        if (!(in >> milliseconds) || milliseconds < 0) {
            std::cout << "error: not a delay in milliseconds" << std::endl;
            return true;
        }
        simulator.device(index).setLatency(std::chrono::milliseconds(milliseconds));
    } else {
        std::cout << "error: unknown command " << verb << std::endl;
        return true;
    }
    std::cout << "ok" << std::endl;
    return true;
}

// Waits for SIGINT / SIGTERM (through a signalfd, the signals being blocked in every thread) while
// serving commands from standard input until it closes.
void Serve(Simulator& simulator, const sigset_t& signals) {
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::perror("signalfd");
        return;
    }
    bool stdinOpen = true;
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(fds, stdinOpen ? 2 : 1, -1) < 0) continue;
        if (fds[0].revents & POLLIN) break;
        if (!stdinOpen || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buffer[512];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            stdinOpen = false;
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(count));
        for (auto newline = pending.find('\n'); newline != std::string::npos; newline = pending.find('\n')) {
            const std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (!RunCommand(line, simulator)) {
                ::close(signalFd);
                return;
            }
        }
    }
    ::close(signalFd);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"plenum-sim: simulated loudspeakers speaking the device side of the wire protocol"};
    app.footer(kFooter);
    app.set_version_flag("--version", std::string("plenum-sim ") + plenum::kVersionText,
                         "print the name and version and exit");
    std::string listen = "127.0.0.2";
    std::string fleetPath;
    int model = 0, variant = 0, busId = 1, hwFamily = 0, linkMode = 2, lateMs = -1, latencyMs = -1;
    long devicePort = -1;
    std::uint32_t meterSeed = 1;
    std::string firmware = "0.3.4", uid = "0011223344AA", name = "SIM DEVICE", pty, log, fault = "none";

    auto* fleetOption =
        app.add_option("--fleet", fleetPath, "serve the devices of a fleet file (format below)");
    const std::vector<CLI::Option*> single = {
        app.add_option("--listen", listen, "HOST[:PORT] of the one device (port 0 or none: the shared port)"),
        app.add_option("--model", model, "model code (1 = SUB, others SAT)")->check(CLI::Range(0, 15)),
        app.add_option("--variant", variant, "hardware variant (status byte 265)")->check(CLI::Range(0, 255)),
        app.add_option("--firmware", firmware, "firmware version A.B.C (status bytes 1..3)"),
        app.add_option("--uid", uid, "unique ID, 12 hexadecimal digits"),
        app.add_option("--name", name, "device name, at most 16 characters"),
        app.add_option("--bus-id", busId, "bus id reported by identify")->check(CLI::Range(0, 255)),
        app.add_option("--hw-family", hwFamily, "hardware family (low 4 bits of identify byte 12)")
            ->check(CLI::Range(0, 15)),
        app.add_option("--link-mode", linkMode, "link mode reported on the network: 1 WLAN, 2 LAN")
            ->check(CLI::Range(1, 2)),
        app.add_option("--meter-seed", meterSeed, "seed of the meter level generator"),
        app.add_option("--pty", pty, "also serve the USB link on a pty linked at this path"),
        app.add_option("--log", log, "append every frame to this file"),
        app.add_option("--fault", fault, "start with a fault, NAME[:COUNT] (names below)"),
        app.add_option("--late-ms", lateMs, "delay of the late fault in milliseconds")
            ->check(CLI::Range(0, 600000)),
    };
    for (auto* option : single) fleetOption->excludes(option);
    app.add_option("--latency-ms", latencyMs,
                   "delay every reply by this many milliseconds, a slow network (with --fleet: the devices "
                   "without their own \"latencyMs\")")
        ->check(CLI::Range(0, 600000));
    app.add_option("--device-port", devicePort,
                   "the shared port (default PLENUM_DEVICE_PORT, else ephemeral)")
        ->check(CLI::Range(0, 65535));
    CLI11_PARSE(app, argc, argv);

    Fleet fleet;
    std::string error;
    if (!fleetPath.empty()) {
        error = plenum::sim::LoadFleet(fleetPath, fleet);
    } else {
        FleetDevice device;
        auto& config = device.config;
        config.modelCode = static_cast<std::uint8_t>(model);
        config.variant = static_cast<std::uint8_t>(variant);
        config.busId = static_cast<std::uint8_t>(busId);
        config.hwFamily = static_cast<std::uint8_t>(hwFamily);
        config.networkLinkMode = static_cast<std::uint8_t>(linkMode);
        config.meterSeed = meterSeed;
        config.uniqueId = uid;
        config.name = name;
        config.ptyPath = pty;
        config.logPath = log;
        if (lateMs >= 0) device.lateMs = lateMs;
        if (error.empty()) error = plenum::sim::ParseListen(listen, config.host, config.port);
        if (error.empty()) error = plenum::sim::ParseFirmware(firmware, config.firmware);
        if (error.empty()) error = plenum::sim::ParseFaultSpec(fault, device.fault, device.faultCount);
        if (error.empty()) error = plenum::sim::CheckDevice(config);
        fleet.devices.push_back(device);
    }
    if (latencyMs >= 0)
        for (FleetDevice& device : fleet.devices)
            if (!device.latencyMs) device.latencyMs = latencyMs;
    if (error.empty() && devicePort < 0 && !fleet.devicePort) {
        if (const char* env = std::getenv("PLENUM_DEVICE_PORT"); env && *env) {
            char* end = nullptr;
            devicePort = std::strtol(env, &end, 10);
            if (*end != '\0' || devicePort < 0 || devicePort > 65535) {
                error = std::string("PLENUM_DEVICE_PORT is not a port number: ") + env;
            }
        }
    }
    if (!error.empty()) {
        std::cerr << "plenum-sim: " << error << std::endl;
        return 2;
    }

    // Block the stop signals before any thread starts, so that only the signalfd receives them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    Simulator simulator;
    if (fleet.devicePort) {
        simulator.setCommonPort(*fleet.devicePort);
    } else if (devicePort >= 0) {
        simulator.setCommonPort(static_cast<std::uint16_t>(devicePort));
    }
    try {
        for (const auto& device : fleet.devices) {
            auto& added = simulator.add(device.config);
            if (device.lateMs) added.setLateDelay(std::chrono::milliseconds(*device.lateMs));
            if (device.latencyMs) added.setLatency(std::chrono::milliseconds(*device.latencyMs));
            if (device.fault != Fault::None) added.setFault(device.fault, device.faultCount);
        }
        simulator.start();
    } catch (const std::exception& failure) {
        std::cerr << "plenum-sim: " << failure.what() << std::endl;
        return 1;
    }
    for (std::size_t i = 0; i < simulator.size(); ++i) std::cout << Describe(i, simulator) << '\n';
    std::cout << "ready " << simulator.size() << std::endl;

    Serve(simulator, signals);
    simulator.stop();
    std::cout << "stopped" << std::endl;
    return 0;
}
