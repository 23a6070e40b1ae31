// The simulator's command-line values and its fleet file, checked before anything listens.
//
// Fleet file (JSON):
//   { "devicePort": 40123,                      optional: the port shared by devices without one
//     "devices": [
//       { "listen": "127.0.0.2:0",              HOST or HOST:PORT; PORT 0 or none = the shared port
//         "model": 0, "variant": 0, "firmware": "0.3.4", "uid": "0011223344AA",
//         "name": "LEFT TOP", "busId": 1, "hwFamily": 0, "linkMode": 2, "meterSeed": 1,
//         "pty": "/tmp/sim/ttySIM4", "log": "/tmp/sim/left.log",
//         "fault": "late", "faultCount": -1, "lateMs": 300,
//         "latencyMs": 5 } ] }                  every reply delayed (a slow network)
// Every key of a device but "listen" is optional (the defaults of DeviceConfig); an unknown key is
// an error so that a misspelt one does not pass unnoticed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace plenum::sim {

// One device of a fleet: its configuration and the fault it starts with.
struct FleetDevice {
    DeviceConfig config;
    Fault fault = Fault::None;
    int faultCount = -1;
    std::optional<int> lateMs;
    std::optional<int> latencyMs;
};

struct Fleet {
    std::optional<std::uint16_t> devicePort;
    std::vector<FleetDevice> devices;
};

// Each parser returns an empty string on success and the reason otherwise; outputs are written only
// on success.
std::string ParseListen(const std::string& text, std::string& host, std::uint16_t& port);
std::string ParseFirmware(const std::string& text, std::array<std::uint8_t, 3>& digits);
std::string ParseFaultSpec(const std::string& text, Fault& fault, int& count);  // NAME or NAME:COUNT
std::string CheckDevice(const DeviceConfig& config);  // unique ID, name length, family nibble
std::string ParseFleet(const std::string& jsonText, Fleet& fleet);
std::string LoadFleet(const std::string& path, Fleet& fleet);

}  // namespace plenum::sim
