#include "comm/Transport.h"

#include <charconv>
#include <cstdlib>
#include <thread>

namespace plenum::comm {

const char* ToString(LinkResult result) {
    switch (result) {
        case LinkResult::Ok: return "ok";
        case LinkResult::TimedOut: return "timed out";
        case LinkResult::Closed: return "closed";
        case LinkResult::Refused: return "refused";
        case LinkResult::BadArgument: return "bad argument";
        case LinkResult::Failed: return "failed";
    }
    return "unknown";
}

void SteadySleeper::sleepFor(Millis duration) { std::this_thread::sleep_for(duration); }

bool IsValidSerialPattern(const std::string& pattern) {
    int conversions = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (i + 1 >= pattern.size()) return false;
        const char next = pattern[++i];
        if (next == 'd') ++conversions;
        else if (next != '%') return false;
    }
    return conversions == 1;
}

std::string SerialPortPath(const std::string& pattern, int portNumber) {
    std::string path;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            const char next = pattern[++i];
            path += next == 'd' ? std::to_string(portNumber - 1) : std::string(1, next);
        } else {
            path += pattern[i];
        }
    }
    return path;
}

bool ParsePort(const std::string& text, std::uint16_t& port) {
    unsigned value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value == 0 || value > 65535) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

LinkSettings LinkSettings::FromEnvironment(std::vector<std::string>* problems) {
    LinkSettings settings;
    if (const char* port = std::getenv("PLENUM_DEVICE_PORT"); port != nullptr && *port != '\0') {
        if (!ParsePort(port, settings.devicePort) && problems != nullptr)
            problems->push_back(std::string("PLENUM_DEVICE_PORT is not a port 1..65535: ") + port);
    }
    if (const char* pattern = std::getenv("PLENUM_SERIAL_PATTERN"); pattern != nullptr && *pattern != '\0') {
        if (IsValidSerialPattern(pattern)) settings.serialPattern = pattern;
        else if (problems != nullptr)
            problems->push_back(std::string("PLENUM_SERIAL_PATTERN needs exactly one %d: ") + pattern);
    }
    return settings;
}

}  // namespace plenum::comm
