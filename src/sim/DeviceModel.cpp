#include "sim/DeviceModel.h"

#include <algorithm>
#include <sstream>

#include "sim/ParamDecoder.h"

namespace plenum::sim {

namespace {

constexpr std::uint8_t Code(DeviceCode code) {
    return static_cast<std::uint8_t>(code);
}

constexpr std::size_t kIdentifyLinkMode = 5;
constexpr std::size_t kIdentifyUniqueId = 6;
constexpr std::size_t kIdentifyModel = 12;
constexpr std::size_t kIdentifyName = 13;
constexpr std::size_t kBlockWriteData = 9;
constexpr std::size_t kBlockReadData = 4;
constexpr std::size_t kMeterData = 4;

// Meter rows the host shows: inputs 7..9, outputs 10..15. The rest stay 0, but for row 17, the
// panel status, which reports a panel event once (a set bit makes the host read the device back).
constexpr std::size_t kFirstLevelRow = 7;
constexpr std::size_t kLastLevelRow = 15;
constexpr std::size_t kPanelStatusRow = 17;
constexpr int kMaxLevelCode = 127;
constexpr std::uint8_t kClipFlag = 0x80;

}  // namespace

std::size_t ReplyLength(std::uint8_t code, bool isSub, std::size_t blockLength) {
    switch (static_cast<DeviceCode>(code)) {
        case DeviceCode::Identify:
            return kIdentifyReplyLength;
        case DeviceCode::BlockRead:
            return blockLength + 5;
        case DeviceCode::MeterPoll:
            return kMeterReplyLength;
        case DeviceCode::Bye:
            return kLongReplyLength;
        case DeviceCode::SatQuery60:
        case DeviceCode::SatQuery73:
            return isSub ? kAckReplyLength : kLongReplyLength;
        default:
            return IsLoaderCode(code) ? kLoaderReplyLength : kAckReplyLength;
    }
}

// xorshift32 (Marsaglia 2003): tiny, portable and fully determined by its seed.
MeterGenerator::MeterGenerator(std::uint32_t seed) : state_(seed == 0 ? 0x9E3779B9u : seed) {
    for (std::size_t row = kFirstLevelRow; row <= kLastLevelRow; ++row) {
        level_[row] = 60 + static_cast<int>(random() % 40);
    }
}

std::uint32_t MeterGenerator::random() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

// Each level takes a random step of up to +-6 codes (3 dB) and stays within -60 .. +3.5 dB; about
// one reading in 40 that sits above -3 dB is flagged as clipping.
std::array<std::uint8_t, kMeterRows> MeterGenerator::next() {
    std::array<std::uint8_t, kMeterRows> rows{};
    for (std::size_t row = kFirstLevelRow; row <= kLastLevelRow; ++row) {
        const int step = static_cast<int>(random() % 13) - 6;
        level_[row] = std::clamp(level_[row] + step, 0, kMaxLevelCode);
        const bool clip = level_[row] >= 114 && random() % 40 == 0;
        rows[row] = static_cast<std::uint8_t>(level_[row] | (clip ? kClipFlag : 0));
    }
    return rows;
}

DeviceModel::DeviceModel(const DeviceIdentity& identity, std::uint32_t meterSeed)
    : identity_(identity), memory_(kMemorySize, 0), meters_(meterSeed) {
    handlers_[Code(DeviceCode::Identify)] = &DeviceModel::Identify;
    handlers_[Code(DeviceCode::BlockRead)] = &DeviceModel::BlockRead;
    handlers_[Code(DeviceCode::BlockWrite)] = &DeviceModel::BlockWrite;
    handlers_[Code(DeviceCode::MeterPoll)] = &DeviceModel::MeterPoll;
    InstallParameterHandlers(*this);
    InstallFirmwareLoader(*this);
}

void DeviceModel::setHandler(std::uint8_t code, CommandHandler handler) {
    handlers_[code] = std::move(handler);
}

bool DeviceModel::addressedToMe(const Request& request) const {
    if (request.code() == Code(DeviceCode::Identify)) return request.busId() == 0;
    return request.busId() == 0 || request.busId() == identity_.busId;
}

std::vector<std::uint8_t> DeviceModel::handle(const Request& request) {
    const std::uint8_t code = request.code();
    const std::size_t length = ReplyLength(code, identity_.isSub(), request.blockLength());
    std::vector<std::uint8_t> reply(length, 0);
    reply[0] = kFrameStart;
    reply[1] = kFrameTag;
    reply[2] = identity_.busId;
    reply[3] = code;
    reply[length - 1] = kFrameEnd;
    if (handlers_[code]) handlers_[code](*this, request, reply);
    return reply;
}

std::vector<std::uint8_t> DeviceModel::read(std::uint32_t address, std::size_t length) const {
    std::vector<std::uint8_t> bytes(length, 0);
    if (address >= memory_.size()) return bytes;
    const std::size_t available = std::min(length, memory_.size() - address);
    std::copy_n(memory_.begin() + address, available, bytes.begin());
    return bytes;
}

void DeviceModel::write(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    if (address >= memory_.size()) return;
    const std::size_t available = std::min(bytes.size(), memory_.size() - address);
    std::copy_n(bytes.begin(), available, memory_.begin() + address);
}

void DeviceModel::initialiseNetwork(const std::string& host) {
    std::array<std::uint8_t, 4> address{};
    std::istringstream in(host);
    for (std::size_t i = 0; i < address.size(); ++i) {
        int octet = 0;
        char dot = 0;
        if (!(in >> octet) || (i < 3 && !(in >> dot))) return;
        address[i] = static_cast<std::uint8_t>(octet);
    }
    auto put = [this](std::size_t offset, std::span<const std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), memory_.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    const std::array<std::uint8_t, 4> mask{255, 255, 255, 0};
    std::array<std::uint8_t, 4> gateway = address;
    gateway[3] = 1;
    // Wired: static, on the simulated address. Wireless: DHCP. The access point is on, named
    // after the simulated address, with the factory key.
    memory_[kStatusLanBlock] = 0;
    put(kStatusLanBlock + 1, address);
    put(kStatusLanBlock + 5, mask);
    put(kStatusLanBlock + 9, gateway);
    memory_[kStatusWlanBlock] = 1;
    memory_[kStatusWlanBlock + kWirelessChannel] = 1;
    const std::array<std::uint8_t, 4> apAddress{192, 168, 4, 1};
    memory_[kStatusAccessPointBlock] = 1;
    put(kStatusAccessPointBlock + 1, apAddress);
    put(kStatusAccessPointBlock + 5, mask);
    put(kStatusAccessPointBlock + 9, apAddress);
    const std::string ssid = "SIM-" + host;
    put(kStatusAccessPointBlock + kWirelessSsid,
        std::span(reinterpret_cast<const std::uint8_t*>(ssid.data()), ssid.size()));
    const std::string key = "12345678";
    put(kStatusAccessPointBlock + kWirelessKey, std::span(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()));
    memory_[kStatusAccessPointBlock + kWirelessChannel] = 6;
}

void DeviceModel::initialiseMemory(std::array<std::uint8_t, 3> firmware, const std::string& name,
                                   std::uint8_t variant) {
    std::copy(firmware.begin(), firmware.end(), memory_.begin() + kStatusFirmware);
    std::string padded = name.substr(0, kNameLength);
    padded.resize(kNameLength, ' ');
    std::copy(padded.begin(), padded.end(), memory_.begin() + kStatusName);
    memory_[kStatusVariant] = variant;
    // Program names (the first 16 bytes of each program) are blank, as on a device fresh from the
    // factory; everything else is 0.
    for (std::size_t slot = 0; slot <= kProgramSlots; ++slot) {
        const std::uint32_t base = slot == 0 ? kLiveProgramAddress : ProgramSlotAddress(slot - 1);
        std::fill_n(memory_.begin() + base, kNameLength, static_cast<std::uint8_t>(' '));
    }
}

// Identify reply: F0 78 id 00 78 link uid[6] model<<4|family name[16] F7.
void DeviceModel::Identify(DeviceModel& device, const Request& request, std::vector<std::uint8_t>& reply) {
    const DeviceIdentity& id = device.identity_;
    reply[4] = kFrameTag;
    reply[kIdentifyLinkMode] = request.link == LinkKind::Usb ? 0 : id.networkLinkMode;
    std::copy(id.uniqueId.begin(), id.uniqueId.end(), reply.begin() + kIdentifyUniqueId);
    reply[kIdentifyModel] = static_cast<std::uint8_t>((id.modelCode << 4) | (id.hwFamily & 0x0F));
    const std::vector<std::uint8_t> name = device.read(kStatusName, kNameLength);
    std::copy(name.begin(), name.end(), reply.begin() + kIdentifyName);
}

// Block read: F0 78 id 16 block[N] F7, the block from the 24-bit address in p1..p3.
void DeviceModel::BlockRead(DeviceModel& device, const Request& request, std::vector<std::uint8_t>& reply) {
    const std::vector<std::uint8_t> block = device.read(request.address(), request.blockLength());
    std::copy(block.begin(), block.end(), reply.begin() + kBlockReadData);
}

// Block write: the N bytes after p5 go to the 24-bit address in p1..p3; the reply is an acknowledge.
void DeviceModel::BlockWrite(DeviceModel& device, const Request& request, std::vector<std::uint8_t>&) {
    const std::size_t length = request.blockLength();
    if (request.frame.size() < kBlockWriteData + length + 1) return;
    device.write(request.address(), request.frame.subspan(kBlockWriteData, length));
}

// Meter poll: F0 78 id 18 rows[18] F7.
void DeviceModel::MeterPoll(DeviceModel& device, const Request&, std::vector<std::uint8_t>& reply) {
    const auto rows = device.meters_.next();
    std::copy(rows.begin(), rows.end(), reply.begin() + kMeterData);
    reply[kMeterData + kPanelStatusRow] = device.panelStatus_;
    device.panelStatus_ = 0;
}

bool ParseUniqueId(const std::string& text, std::array<std::uint8_t, 6>& bytes) {
    if (text.size() != 12) return false;
    std::array<std::uint8_t, 6> parsed{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        parsed[i / 2] = static_cast<std::uint8_t>(parsed[i / 2] * 16 + digit);
    }
    bytes = parsed;
    return true;
}

}  // namespace plenum::sim
