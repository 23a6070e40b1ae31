// The device itself, without any I/O: its memory map, its reading of each request and the reply it
// owes, the meter generator. The simulator's transports feed it whole requests and send back what
// it returns; tests and the fuzz target drive it directly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "sim/FirmwareLoader.h"
#include "sim/RequestFramer.h"

namespace plenum::sim {

// Device memory: the status record, the live program and eight program slots, 16 KiB apart.
inline constexpr std::uint32_t kStatusAddress = 0;
inline constexpr std::size_t kStatusLength = 384;
inline constexpr std::uint32_t kLiveProgramAddress = 384;
inline constexpr std::size_t kSatProgramLength = 576;
inline constexpr std::size_t kSubProgramLength = 192;
inline constexpr std::uint32_t kProgramSlotStride = 16384;
inline constexpr std::size_t kProgramSlots = 8;
inline constexpr std::size_t kMemorySize = kProgramSlotStride * (kProgramSlots + 1);
constexpr std::uint32_t ProgramSlotAddress(std::size_t slot) {
    return static_cast<std::uint32_t>(kProgramSlotStride * (slot + 1) + kLiveProgramAddress);
}

// Status record fields the device itself looks at.
inline constexpr std::size_t kStatusFirmware = 1;  // three digits
inline constexpr std::size_t kStatusName = 5;      // 16 characters, blank padded
inline constexpr std::size_t kNameLength = 16;
inline constexpr std::size_t kStatusVariant = 265;

// Network settings, one block per section, each written whole by the host with a block write:
// LAN at 27 (13 bytes), WLAN at 40 and the access point at 119 (79 bytes each). A block holds the
// mode byte (LAN, WLAN: 0 static, 1 DHCP; access point: 0 off, 1 on), IP address, subnet mask
// and gateway (four bytes each), then for the two wireless sections the SSID (32 bytes, zero
// filled), the security byte, the key (32 bytes) and the channel. The device takes them at its
// next start; the simulator only keeps them.
inline constexpr std::size_t kStatusLanBlock = 27;
inline constexpr std::size_t kStatusWlanBlock = 40;
inline constexpr std::size_t kStatusAccessPointBlock = 119;
inline constexpr std::size_t kWirelessSsid = 13;
inline constexpr std::size_t kWirelessKey = 46;
inline constexpr std::size_t kWirelessChannel = 78;

// Command codes the device treats itself. The parameter and program commands are decoded by
// sim/ParamDecoder.h; every other code is acknowledged.
enum class DeviceCode : std::uint8_t {
    Identify = 0x00,
    NineBytePayload = 0x07,
    Bye = 0x0F,
    BlockRead = 0x16,
    BlockWrite = 0x17,
    MeterPoll = 0x18,
    SatQuery60 = 0x60,
    SatQuery73 = 0x73,
};

inline constexpr std::size_t kIdentifyReplyLength = 30;
inline constexpr std::size_t kMeterReplyLength = 23;
inline constexpr std::size_t kMeterRows = 18;  // reply bytes 4..21
inline constexpr std::size_t kAckReplyLength = 5;
inline constexpr std::size_t kLongReplyLength = 13;

enum class LinkKind { Network, Usb };

// What the device is made of: fixed at manufacture, not in its memory.
struct DeviceIdentity {
    std::uint8_t modelCode = 0;
    std::uint8_t hwFamily = 0;
    std::uint8_t busId = 1;
    std::uint8_t networkLinkMode = 2;
    std::array<std::uint8_t, 6> uniqueId{};
    bool isSub() const { return modelCode == 1; }
};

// A request as the device reads it: the whole frame plus named views of its fields.
struct Request {
    std::span<const std::uint8_t> frame;
    LinkKind link = LinkKind::Network;
    std::uint8_t busId() const { return frame[2]; }
    std::uint8_t code() const { return frame[3]; }
    std::uint8_t param(int index) const { return frame[static_cast<std::size_t>(3 + index)]; }  // p1..p8
    std::uint32_t address() const {  // p1..p3, big-endian
        return (static_cast<std::uint32_t>(param(1)) << 16) | (static_cast<std::uint32_t>(param(2)) << 8) |
               param(3);
    }
    std::size_t blockLength() const { return static_cast<std::size_t>(param(4)) * 256 + param(5); }
};

// The reply length the host reads for a request, per family: the device must send exactly this many.
std::size_t ReplyLength(std::uint8_t code, bool isSub, std::size_t blockLength);

// A deterministic meter source: levels that drift like programme material and light a channel's
// clip flag now and then. The same seed gives the same sequence on every platform.
class MeterGenerator {
  public:
    explicit MeterGenerator(std::uint32_t seed);
    std::array<std::uint8_t, kMeterRows> next();

  private:
    std::uint32_t random();
    std::uint32_t state_;
    std::array<int, kMeterRows> level_{};
};

class DeviceModel;
// One entry of the dispatch table: fills `reply` (already sized to the protocol's reply length,
// framed as F0 78 id code ... F7) and may change the device.
using CommandHandler = std::function<void(DeviceModel&, const Request&, std::vector<std::uint8_t>& reply)>;

// Not thread-safe: the simulator serialises access.
class DeviceModel {
  public:
    DeviceModel(const DeviceIdentity& identity, std::uint32_t meterSeed);

    const DeviceIdentity& identity() const { return identity_; }
    std::size_t programLength() const { return identity_.isSub() ? kSubProgramLength : kSatProgramLength; }

    // Whether this device takes the request at all: identify goes to bus id 0, everything else to
    // the device's bus id or to 0 (a device on a shared bus ignores frames for others).
    bool addressedToMe(const Request& request) const;
    // Carries the request out and returns the reply, exactly ReplyLength() bytes long.
    std::vector<std::uint8_t> handle(const Request& request);

    // Replaces the handler of one code (the parameter decoders plug in here).
    void setHandler(std::uint8_t code, CommandHandler handler);

    // The firmware loader session (codes 0xA0..0xA4). A loader reply may be empty: no answer.
    DeviceLoader& loader() { return loader_; }
    const DeviceLoader& loader() const { return loader_; }

    std::vector<std::uint8_t> read(std::uint32_t address, std::size_t length) const;
    void write(std::uint32_t address, std::span<const std::uint8_t> bytes);

    // Somebody used the loudspeaker's own panel: `statusByte` (flags in bits 1 and 2, the panel
    // number in bits 3..6) goes out in the panel row of the next meter reply, once.
    void reportPanelEvent(std::uint8_t statusByte) { panelStatus_ = statusByte; }

    // The device's network settings as a new device on `host` holds them (see the layout below).
    void initialiseNetwork(const std::string& host);

    // Fills the memory a new device has: firmware digits, name, variant, program names.
    void initialiseMemory(std::array<std::uint8_t, 3> firmware, const std::string& name,
                          std::uint8_t variant);

  private:
    static void Identify(DeviceModel& device, const Request& request, std::vector<std::uint8_t>& reply);
    static void BlockRead(DeviceModel& device, const Request& request, std::vector<std::uint8_t>& reply);
    static void BlockWrite(DeviceModel& device, const Request& request, std::vector<std::uint8_t>& reply);
    static void MeterPoll(DeviceModel& device, const Request& request, std::vector<std::uint8_t>& reply);

    DeviceIdentity identity_;
    std::vector<std::uint8_t> memory_;
    MeterGenerator meters_;
    std::uint8_t panelStatus_ = 0;
    std::array<CommandHandler, 256> handlers_;
    DeviceLoader loader_;
};

// Parses 12 hexadecimal digits into the six unique-ID bytes; false on anything else.
bool ParseUniqueId(const std::string& text, std::array<std::uint8_t, 6>& bytes);

}  // namespace plenum::sim
