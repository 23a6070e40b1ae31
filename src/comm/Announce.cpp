#include "comm/Announce.h"

#include <array>
#include <cctype>

namespace plenum::comm {

namespace {
constexpr std::array<std::uint8_t, 4> kMagic{'P', 'L', 'N', 'A'};
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kNameOffset = 13;
constexpr std::size_t kNameLength = 16;

std::string Trim(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::optional<DeviceAnnounce> ParseAnnounce(std::span<const std::uint8_t> datagram, std::string* error) {
    const auto reject = [error](const char* why) -> std::optional<DeviceAnnounce> {
        if (error != nullptr) *error = why;
        return std::nullopt;
    };
    if (datagram.size() != kAnnounceLength) return reject("announce has the wrong length");
    if (!std::equal(kMagic.begin(), kMagic.end(), datagram.begin())) return reject("announce magic missing");
    if (datagram[4] != kVersion) return reject("announce version not supported");
    if (datagram[5] > 2) return reject("announce link mode out of range");
    DeviceAnnounce announce;
    announce.linkMode = datagram[5];
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 6; i < 12; ++i) {
        announce.uniqueId += kHex[datagram[i] >> 4];
        announce.uniqueId += kHex[datagram[i] & 0x0F];
    }
    announce.modelCode = static_cast<std::uint8_t>(datagram[12] >> 4);
    announce.hwFamily = static_cast<std::uint8_t>(datagram[12] & 0x0F);
    std::string name;
    for (std::size_t i = 0; i < kNameLength; ++i) {
        const char c = static_cast<char>(datagram[kNameOffset + i]);
        name += (c >= 0x20 && c < 0x7F) ? c : ' ';
    }
    announce.name = Trim(name);
    announce.devicePort = static_cast<std::uint16_t>(datagram[29] << 8 | datagram[30]);
    if (announce.devicePort == 0) return reject("announce names no device port");
    return announce;
}

std::optional<std::vector<std::uint8_t>> EncodeAnnounce(const DeviceAnnounce& announce) {
    if (announce.uniqueId.size() != 12 || announce.modelCode > 15 || announce.hwFamily > 15 || announce.linkMode > 2)
        return std::nullopt;
    std::vector<std::uint8_t> datagram(kAnnounceLength, 0);
    std::copy(kMagic.begin(), kMagic.end(), datagram.begin());
    datagram[4] = kVersion;
    datagram[5] = announce.linkMode;
    for (std::size_t i = 0; i < 6; ++i) {
        const int high = HexDigit(announce.uniqueId[2 * i]);
        const int low = HexDigit(announce.uniqueId[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        datagram[6 + i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    datagram[12] = static_cast<std::uint8_t>(announce.modelCode << 4 | announce.hwFamily);
    for (std::size_t i = 0; i < kNameLength; ++i)
        datagram[kNameOffset + i] = i < announce.name.size() ? static_cast<std::uint8_t>(announce.name[i]) : ' ';
    datagram[29] = static_cast<std::uint8_t>(announce.devicePort >> 8);
    datagram[30] = static_cast<std::uint8_t>(announce.devicePort & 0xFF);
    return datagram;
}

AnnounceListener::AnnounceListener(Handler handler) : handler_(std::move(handler)), socket_(io_) {}

AnnounceListener::~AnnounceListener() { stop(); }

LinkResult AnnounceListener::start(const std::string& bindAddress, std::uint16_t port) {
    stop();
    std::error_code error;
    const auto ip = asio::ip::make_address_v4(bindAddress, error);
    if (error) return LinkResult::BadArgument;
    socket_.open(asio::ip::udp::v4(), error);
    if (!error) socket_.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) socket_.bind(asio::ip::udp::endpoint(ip, port), error);
    if (!error) socket_.non_blocking(true, error);
    if (error) {
        stop();
        return LinkResult::Failed;
    }
    return LinkResult::Ok;
}

void AnnounceListener::stop() {
    std::error_code ignored;
    if (socket_.is_open()) socket_.close(ignored);
}

std::uint16_t AnnounceListener::port() const {
    std::error_code error;
    const auto endpoint = socket_.local_endpoint(error);
    return error ? 0 : endpoint.port();
}

int AnnounceListener::poll() {
    if (!socket_.is_open()) return 0;
    int valid = 0;
    std::array<std::uint8_t, 512> buffer{};
    for (;;) {
        asio::ip::udp::endpoint sender;
        std::error_code error;
        const std::size_t size = socket_.receive_from(asio::buffer(buffer), sender, 0, error);
        if (error) break;  // would_block: nothing more waiting
        auto announce = ParseAnnounce(std::span(buffer.data(), size));
        if (!announce || !sender.address().is_v4()) {
            ++rejected_;
            continue;
        }
        announce->address = sender.address().to_v4().to_string();
        ++valid;
        if (handler_) handler_(*announce);
    }
    return valid;
}

}  // namespace plenum::comm
