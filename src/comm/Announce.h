// Device announces: a loudspeaker that joins the network tells about itself in one UDP datagram,
// and the application listens for them. What the application does with an announce is up to the
// discovery code; this layer only receives and checks them.
//
// The datagram (31 bytes, multi-byte fields big-endian), laid out like the identify reply so a
// device fills it from the same data:
//   0..3    "PLNA"             magic
//   4       1                  format version
//   5       link mode          0 USB, 1 WLAN, 2 LAN (as identify byte 5)
//   6..11   unique ID          6 bytes (shown as 12 upper-case hex digits)
//   12      model / family     high four bits model code, low four bits hardware family
//   13..28  name               16 single-byte characters, blank padded
//   29..30  device port        the TCP port the device takes commands on
// Anything else (other length, magic or version, link mode above 2, port 0) is rejected.
#pragma once

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "comm/Transport.h"

namespace plenum::comm {

inline constexpr std::size_t kAnnounceLength = 31;
inline constexpr std::uint16_t kDefaultAnnouncePort = 1002;

struct DeviceAnnounce {
    std::string address;  // the sender's IPv4 address (filled by the listener)
    std::uint8_t linkMode = 2;
    std::string uniqueId;  // 12 upper-case hex digits
    std::uint8_t modelCode = 0;
    std::uint8_t hwFamily = 0;
    std::string name;  // blanks trimmed at both ends
    std::uint16_t devicePort = kDefaultDevicePort;
    bool operator==(const DeviceAnnounce&) const = default;
};

// Checks and decodes one datagram; on rejection returns nothing and says why in `error`.
std::optional<DeviceAnnounce> ParseAnnounce(std::span<const std::uint8_t> datagram, std::string* error = nullptr);
// The datagram of an announce (for devices and the simulator). The unique ID must be 12 hex
// digits, the model code and family below 16; otherwise nothing is returned.
std::optional<std::vector<std::uint8_t>> EncodeAnnounce(const DeviceAnnounce& announce);

// Listens for announces on a UDP port. Single-threaded: poll() (called from the owner's timer)
// receives what has arrived and calls the handler for each valid announce; bad datagrams are
// counted and dropped.
class AnnounceListener {
public:
    using Handler = std::function<void(const DeviceAnnounce&)>;
    explicit AnnounceListener(Handler handler);
    ~AnnounceListener();

    // Binds bindAddress:port (port 0 picks a free one). Ok when listening.
    LinkResult start(const std::string& bindAddress = "0.0.0.0", std::uint16_t port = kDefaultAnnouncePort);
    void stop();
    bool isListening() const { return socket_.is_open(); }
    std::uint16_t port() const;
    // Handles every datagram waiting now; returns the number of valid announces.
    int poll();
    int rejectedCount() const { return rejected_; }

private:
    Handler handler_;
    asio::io_context io_;
    asio::ip::udp::socket socket_;
    int rejected_ = 0;
};

}  // namespace plenum::comm
