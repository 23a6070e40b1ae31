#include "sim/FleetFile.h"

#include <charconv>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "sim/DeviceModel.h"

namespace plenum::sim {

namespace {

// Whole-string decimal number within [low, high].
bool ParseNumber(const std::string& text, long low, long high, long& value) {
    long parsed = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) return false;
    if (parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

bool IsIpv4(const std::string& text) {
    std::istringstream in(text);
    std::string part;
    int parts = 0;
    while (std::getline(in, part, '.')) {
        long octet = 0;
        if (part.size() > 3 || !ParseNumber(part, 0, 255, octet)) return false;
        ++parts;
    }
    return parts == 4 && text.back() != '.';
}

std::string Field(const std::string& device, const std::string& key, const std::string& reason) {
    return device + ": \"" + key + "\" " + reason;
}

// Reads an integer key of a device object within [low, high].
std::string TakeInt(const nlohmann::json& object, const char* key, long low, long high,
                    const std::string& where, long& value) {
    const auto& item = object.at(key);
    if (!item.is_number_integer()) return Field(where, key, "must be a whole number");
    const long parsed = item.get<long>();
    if (parsed < low || parsed > high) {
        return Field(where, key, "must lie in " + std::to_string(low) + ".." + std::to_string(high));
    }
    value = parsed;
    return {};
}

std::string TakeString(const nlohmann::json& object, const char* key, const std::string& where,
                       std::string& value) {
    const auto& item = object.at(key);
    if (!item.is_string()) return Field(where, key, "must be a text");
    value = item.get<std::string>();
    return {};
}

std::string ParseDevice(const nlohmann::json& object, const std::string& where, FleetDevice& device) {
    static const std::set<std::string> kKeys = {"listen", "model", "variant",  "firmware",   "uid",
                                                "name",   "busId", "hwFamily", "linkMode",   "meterSeed",
                                                "pty",    "log",   "fault",    "faultCount", "lateMs",
                                                "latencyMs"};
    if (!object.is_object()) return where + ": must be an object";
    for (const auto& [key, value] : object.items()) {
        if (!kKeys.count(key)) return where + ": unknown key \"" + key + "\"";
    }
    if (!object.contains("listen")) return where + ": \"listen\" is missing";
    FleetDevice parsed;
    DeviceConfig& config = parsed.config;
    std::string text;
    long number = 0;
    std::string error;
    if (!(error = TakeString(object, "listen", where, text)).empty()) return error;
    if (!(error = ParseListen(text, config.host, config.port)).empty()) return Field(where, "listen", error);
    if (object.contains("model")) {
        if (!(error = TakeInt(object, "model", 0, 15, where, number)).empty()) return error;
        config.modelCode = static_cast<std::uint8_t>(number);
    }
    if (object.contains("variant")) {
        if (!(error = TakeInt(object, "variant", 0, 255, where, number)).empty()) return error;
        config.variant = static_cast<std::uint8_t>(number);
    }
    if (object.contains("busId")) {
        if (!(error = TakeInt(object, "busId", 0, 255, where, number)).empty()) return error;
        config.busId = static_cast<std::uint8_t>(number);
    }
    if (object.contains("hwFamily")) {
        if (!(error = TakeInt(object, "hwFamily", 0, 15, where, number)).empty()) return error;
        config.hwFamily = static_cast<std::uint8_t>(number);
    }
    if (object.contains("linkMode")) {
        if (!(error = TakeInt(object, "linkMode", 1, 2, where, number)).empty()) return error;
        config.networkLinkMode = static_cast<std::uint8_t>(number);
    }
    if (object.contains("meterSeed")) {
        if (!(error = TakeInt(object, "meterSeed", 0, 0xFFFFFFFFL, where, number)).empty()) return error;
        config.meterSeed = static_cast<std::uint32_t>(number);
    }
    if (object.contains("firmware")) {
        if (!(error = TakeString(object, "firmware", where, text)).empty()) return error;
        if (!(error = ParseFirmware(text, config.firmware)).empty()) return Field(where, "firmware", error);
    }
    if (object.contains("uid") && !(error = TakeString(object, "uid", where, config.uniqueId)).empty())
        return error;
    if (object.contains("name") && !(error = TakeString(object, "name", where, config.name)).empty())
        return error;
    if (object.contains("pty") && !(error = TakeString(object, "pty", where, config.ptyPath)).empty())
        return error;
    if (object.contains("log") && !(error = TakeString(object, "log", where, config.logPath)).empty())
        return error;
    if (object.contains("fault")) {
        if (!(error = TakeString(object, "fault", where, text)).empty()) return error;
        if (!FaultFromName(text, parsed.fault)) return Field(where, "fault", "is not a fault: " + text);
    }
    if (object.contains("faultCount")) {
        if (!(error = TakeInt(object, "faultCount", -1, 1000000, where, number)).empty()) return error;
        parsed.faultCount = static_cast<int>(number);
    }
    if (object.contains("lateMs")) {
        if (!(error = TakeInt(object, "lateMs", 0, 600000, where, number)).empty()) return error;
        parsed.lateMs = static_cast<int>(number);
    }
    if (object.contains("latencyMs")) {
        if (!(error = TakeInt(object, "latencyMs", 0, 600000, where, number)).empty()) return error;
        parsed.latencyMs = static_cast<int>(number);
    }
    if (!(error = CheckDevice(config)).empty()) return where + ": " + error;
    device = std::move(parsed);
    return {};
}

}  // namespace

std::string ParseListen(const std::string& text, std::string& host, std::uint16_t& port) {
    const auto colon = text.find(':');
    const std::string hostPart = text.substr(0, colon);
    long portValue = 0;
    if (!IsIpv4(hostPart)) return "not an IPv4 address: \"" + hostPart + "\"";
    if (colon != std::string::npos && !ParseNumber(text.substr(colon + 1), 0, 65535, portValue)) {
        return "not a port number (0..65535): \"" + text.substr(colon + 1) + "\"";
    }
    host = hostPart;
    port = static_cast<std::uint16_t>(portValue);
    return {};
}

std::string ParseFirmware(const std::string& text, std::array<std::uint8_t, 3>& digits) {
    std::array<std::uint8_t, 3> parsed{};
    std::istringstream in(text);
    std::string part;
    std::size_t count = 0;
    while (std::getline(in, part, '.')) {
        long digit = 0;
        if (count == 3 || !ParseNumber(part, 0, 255, digit)) return "not a version A.B.C: \"" + text + "\"";
        parsed[count++] = static_cast<std::uint8_t>(digit);
    }
    if (count != 3 || text.back() == '.') return "not a version A.B.C: \"" + text + "\"";
    digits = parsed;
    return {};
}

std::string ParseFaultSpec(const std::string& text, Fault& fault, int& count) {
    const auto colon = text.find(':');
    Fault parsedFault = Fault::None;
    long parsedCount = -1;
    if (!FaultFromName(text.substr(0, colon), parsedFault))
        return "not a fault: \"" + text.substr(0, colon) + "\"";
    if (colon != std::string::npos && !ParseNumber(text.substr(colon + 1), -1, 1000000, parsedCount)) {
        return "not a request count: \"" + text.substr(colon + 1) + "\"";
    }
    fault = parsedFault;
    count = static_cast<int>(parsedCount);
    return {};
}

std::string CheckDevice(const DeviceConfig& config) {
    std::array<std::uint8_t, 6> uid{};
    if (!ParseUniqueId(config.uniqueId, uid))
        return "the unique ID must be 12 hexadecimal digits: \"" + config.uniqueId + "\"";
    if (config.name.size() > kNameLength)
        return "the name has more than 16 characters: \"" + config.name + "\"";
    if (config.hwFamily > 15) return "the hardware family must lie in 0..15";
    if (config.modelCode > 15) return "the model code must lie in 0..15";
    return {};
}

std::string ParseFleet(const std::string& jsonText, Fleet& fleet) {
    const nlohmann::json root = nlohmann::json::parse(jsonText, nullptr, false);
    if (root.is_discarded()) return "not valid JSON";
    if (!root.is_object()) return "the fleet must be a JSON object with a \"devices\" list";
    Fleet parsed;
    for (const auto& [key, value] : root.items()) {
        if (key != "devices" && key != "devicePort") return "unknown key \"" + key + "\"";
    }
    if (root.contains("devicePort")) {
        long port = 0;
        const std::string error = TakeInt(root, "devicePort", 0, 65535, "fleet", port);
        if (!error.empty()) return error;
        parsed.devicePort = static_cast<std::uint16_t>(port);
    }
    if (!root.contains("devices") || !root.at("devices").is_array() || root.at("devices").empty()) {
        return "\"devices\" must be a non-empty list";
    }
    std::size_t index = 0;
    for (const auto& item : root.at("devices")) {
        FleetDevice device;
        const std::string error = ParseDevice(item, "device " + std::to_string(index++), device);
        if (!error.empty()) return error;
        parsed.devices.push_back(std::move(device));
    }
    fleet = std::move(parsed);
    return {};
}

std::string LoadFleet(const std::string& path, Fleet& fleet) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read the fleet file " + path;
    std::ostringstream text;
    text << in.rdbuf();
    const std::string error = ParseFleet(text.str(), fleet);
    return error.empty() ? error : path + ": " + error;
}

}  // namespace plenum::sim
