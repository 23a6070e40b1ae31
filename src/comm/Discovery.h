// Finding loudspeakers on the network: the identify reply, the address boxes' octet rules, and
// the search: probe a range of addresses in parallel, identify every address that answers, and
// fill FoundTable for the registry to merge.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "comm/Transport.h"
#include "core/AppContext.h"
#include "core/Config.h"
#include "core/Prompter.h"

namespace plenum::comm {

inline constexpr std::size_t kIdentifyReplyLength = 30;

// What an identify reply (30 bytes) says about the device.
struct IdentifyInfo {
    std::uint8_t busId = 0;
    std::int16_t linkMode = 0;
    std::string uniqueId;  // 12 upper-case hex digits
    std::uint8_t modelCode = 0;
    std::uint8_t hwFamily = 0;  // low four bits of byte 12
    std::string name;           // bytes 13..28, blanks trimmed
};
// Nothing when byte 4 is not 0x78 (the reply is not taken).
std::optional<IdentifyInfo> ParseIdentifyReply(std::span<const std::uint8_t> reply);
std::string UniqueIdText(std::span<const std::uint8_t, 6> bytes);
// Hardware families the registry keeps: 0, 1, 2, 3 and 6.
bool IsKnownHwFamily(int family);

// Octet n (0..3) of an address box, clamped as it is typed: 1..223, 0..255, 0..255, 1..254.
int ClampOctet(int position, int value);

// The search window's state and rules (the window itself only shows them).
class DeviceSearch {
public:
    // `network` is the search instance of the network object (25 slots).
    DeviceSearch(AppContext& ctx, const AppPaths& paths, NetworkTransport& network, Prompter& prompter,
                 std::uint16_t devicePort, CommTimeouts timeouts = {});

    // Opening: initialises the network object ("Wrong TCP initialization!" and false on
    // failure), reads init.cfg into From / To and clears FoundTable.
    bool open();

    std::array<int, 4> from{};
    int toLastOctet = 0;

    // The addresses a search would probe: from.d .. toLastOctet (at most 255), leaving out every
    // address a listed device already uses.
    std::vector<std::string> addressList() const;

    // OK: stores the octets in init.cfg, scans, identifies each answering address and fills
    // FoundTable. `status` receives "Searching Device, please wait....." and then
    // "Searching IP:" + address for each address identified. Returns the number found.
    int run(const std::function<void(const std::string&)>& status = {});

    // This computer's address on a LAN or WLAN ("127.0.0.1" when it has none).
    std::string hostAddress() const { return network_.TcpLocalAddress(); }

private:
    std::optional<IdentifyInfo> identify(int slot, const std::string& address);

    AppContext& ctx_;
    AppPaths paths_;
    NetworkTransport& network_;
    Prompter& prompter_;
    std::uint16_t devicePort_;
    CommTimeouts timeouts_;
};

}  // namespace plenum::comm
