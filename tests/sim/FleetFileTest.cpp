#include "sim/FleetFile.h"

#include <gtest/gtest.h>

namespace plenum::sim {
namespace {

TEST(FleetFileTest, ReadsEveryKey) {
    Fleet fleet;
    const std::string error = ParseFleet(R"({
        "devicePort": 40123,
        "devices": [
          { "listen": "127.0.0.2", "model": 8, "variant": 3, "firmware": "0.3.9", "uid": "0aff009c4107",
            "name": "LEFT", "busId": 4, "hwFamily": 6, "linkMode": 1, "meterSeed": 77,
            "pty": "/tmp/x/ttySIM0", "log": "/tmp/x/left.log", "fault": "late", "faultCount": 3, "lateMs": 50,
            "latencyMs": 5 },
          { "listen": "127.0.0.3:5000", "model": 1 } ] })",
                                         fleet);
    ASSERT_EQ(error, "");
    EXPECT_EQ(fleet.devicePort, 40123);
    ASSERT_EQ(fleet.devices.size(), 2u);
    const FleetDevice& left = fleet.devices[0];
    EXPECT_EQ(left.config.host, "127.0.0.2");
    EXPECT_EQ(left.config.port, 0);
    EXPECT_EQ(left.config.modelCode, 8);
    EXPECT_EQ(left.config.variant, 3);
    EXPECT_EQ(left.config.firmware, (std::array<std::uint8_t, 3>{0, 3, 9}));
    EXPECT_EQ(left.config.uniqueId, "0aff009c4107");
    EXPECT_EQ(left.config.name, "LEFT");
    EXPECT_EQ(left.config.busId, 4);
    EXPECT_EQ(left.config.hwFamily, 6);
    EXPECT_EQ(left.config.networkLinkMode, 1);
    EXPECT_EQ(left.config.meterSeed, 77u);
    EXPECT_EQ(left.config.ptyPath, "/tmp/x/ttySIM0");
    EXPECT_EQ(left.config.logPath, "/tmp/x/left.log");
    EXPECT_EQ(left.fault, Fault::Late);
    EXPECT_EQ(left.faultCount, 3);
    EXPECT_EQ(left.lateMs, 50);
    EXPECT_EQ(left.latencyMs, 5);
    const FleetDevice& sub = fleet.devices[1];
    EXPECT_EQ(sub.config.port, 5000);
    EXPECT_EQ(sub.config.modelCode, 1);
    EXPECT_EQ(sub.config.name, DeviceConfig{}.name) << "defaults where a key is left out";
    EXPECT_EQ(sub.fault, Fault::None);
    EXPECT_FALSE(sub.latencyMs);
}

struct BadFleet {
    const char* name;
    const char* json;
    const char* reason;  // a part of the message
};
// Test names, not bytes, in listings.
void PrintTo(const BadFleet& c, std::ostream* out) {
    *out << c.name;
}

class SimBadFleetTest : public ::testing::TestWithParam<BadFleet> {};

// A bad fleet is refused with a reason that names the culprit, and the output is left alone.
TEST_P(SimBadFleetTest, IsRefusedWithAReason) {
    Fleet fleet;
    fleet.devicePort = 1;
    const std::string error = ParseFleet(GetParam().json, fleet);
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    EXPECT_EQ(fleet.devicePort, 1);
    EXPECT_TRUE(fleet.devices.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimBadFleetTest,
    ::testing::Values(
        BadFleet{"NotJson", "{ devices: [", "not valid JSON"},
        BadFleet{"NotAnObject", "[1, 2]", "JSON object"},
        BadFleet{"NoDevices", R"({"devices": []})", "non-empty"},
        BadFleet{"UnknownTopKey", R"({"device": []})", "unknown key \"device\""},
        BadFleet{"UnknownDeviceKey", R"({"devices": [{"listen": "127.0.0.2", "modle": 1}]})",
                 "device 0: unknown key \"modle\""},
        BadFleet{"NoListen", R"({"devices": [{"model": 1}]})", "\"listen\" is missing"},
        BadFleet{"BadHost", R"({"devices": [{"listen": "localhost"}]})", "not an IPv4 address"},
        BadFleet{"BadOctet", R"({"devices": [{"listen": "127.0.0.256"}]})", "not an IPv4 address"},
        BadFleet{"BadPort", R"({"devices": [{"listen": "127.0.0.2:70000"}]})", "not a port number"},
        BadFleet{"ModelOutOfRange", R"({"devices": [{"listen": "127.0.0.2", "model": 16}]})",
                 "\"model\" must lie in 0..15"},
        BadFleet{"ModelNotANumber", R"({"devices": [{"listen": "127.0.0.2", "model": "1"}]})",
                 "whole number"},
        BadFleet{"BadFirmware", R"({"devices": [{"listen": "127.0.0.2", "firmware": "0.3"}]})",
                 "not a version"},
        BadFleet{"BadUid", R"({"devices": [{"listen": "127.0.0.2", "uid": "12345"}]})",
                 "12 hexadecimal digits"},
        BadFleet{"LongName", R"({"devices": [{"listen": "127.0.0.2", "name": "SEVENTEEN CHARS!!"}]})",
                 "more than 16"},
        BadFleet{"BadFault", R"({"devices": [{"listen": "127.0.0.2", "fault": "sometimes"}]})",
                 "not a fault"},
        BadFleet{"NegativeLatency", R"({"devices": [{"listen": "127.0.0.2", "latencyMs": -5}]})",
                 "\"latencyMs\" must lie in 0..600000"},
        BadFleet{"SecondDeviceBad", R"({"devices": [{"listen": "127.0.0.2"}, {"listen": "x"}]})", "device 1"},
        BadFleet{"BadDevicePort", R"({"devicePort": -1, "devices": [{"listen": "127.0.0.2"}]})",
                 "devicePort"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FleetFileTest, CommandLineValues) {
    std::string host;
    std::uint16_t port = 0;
    EXPECT_EQ(ParseListen("127.0.0.9:1001", host, port), "");
    EXPECT_EQ(host, "127.0.0.9");
    EXPECT_EQ(port, 1001);
    for (const char* bad : {"", "127.0.0.9:", "127.0.0:1", "127.0.0.9:1x", "127.0.0.9.", ":80"}) {
        EXPECT_NE(ParseListen(bad, host, port), "") << bad;
    }
    std::array<std::uint8_t, 3> firmware{};
    EXPECT_EQ(ParseFirmware("1.2.13", firmware), "");
    EXPECT_EQ(firmware, (std::array<std::uint8_t, 3>{1, 2, 13}));
    for (const char* bad : {"", "1.2", "1.2.3.4", "1..3", "1.2.3.", "a.b.c", "1.2.256"}) {
        EXPECT_NE(ParseFirmware(bad, firmware), "") << bad;
    }
    Fault fault = Fault::None;
    int count = 0;
    EXPECT_EQ(ParseFaultSpec("garbled:4", fault, count), "");
    EXPECT_EQ(fault, Fault::Garbled);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(ParseFaultSpec("refuse", fault, count), "");
    EXPECT_EQ(count, -1);
    EXPECT_NE(ParseFaultSpec("late:soon", fault, count), "");
    EXPECT_NE(ParseFaultSpec("never", fault, count), "");
}

TEST(FleetFileTest, MissingFileIsNamed) {
    Fleet fleet;
    EXPECT_NE(LoadFleet("/nonexistent/fleet.json", fleet).find("/nonexistent/fleet.json"), std::string::npos);
}

}  // namespace
}  // namespace plenum::sim
