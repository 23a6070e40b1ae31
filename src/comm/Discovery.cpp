#include "comm/Discovery.h"

#include <algorithm>
#include <cstdio>

#include "comm/Frame.h"

namespace plenum::comm {
namespace {

std::string Trim(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string UniqueIdText(std::span<const std::uint8_t, 6> bytes) {
    std::string text;
    char hex[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += hex;
    }
    return text;
}

bool IsKnownHwFamily(int family) { return family == 0 || family == 1 || family == 2 || family == 3 || family == 6; }

std::optional<IdentifyInfo> ParseIdentifyReply(std::span<const std::uint8_t> reply) {
    if (reply.size() < kIdentifyReplyLength || reply[4] != kFrameMarker) return std::nullopt;
    IdentifyInfo info;
    info.busId = reply[2];
    // The device reports 0 USB, 1 WLAN, 2 LAN; any other non-zero value is still a network link
    // and is kept as LAN, so that the record holds one of the three modes the lists and files know.
    info.linkMode = reply[5] == kLinkUsb || reply[5] == kLinkWlan ? reply[5] : kLinkLan;
    info.uniqueId = UniqueIdText(reply.subspan<6, 6>());
    info.modelCode = static_cast<std::uint8_t>(reply[12] >> 4);
    info.hwFamily = static_cast<std::uint8_t>(reply[12] & 0x0F);
    info.name = Trim(std::string(reply.begin() + 13, reply.begin() + 29));
    return info;
}

int ClampOctet(int position, int value) {
    const int low = (position == 0 || position == 3) ? 1 : 0;
    const int high = position == 0 ? 223 : position == 3 ? 254 : 255;
    return std::clamp(value, low, high);
}

DeviceSearch::DeviceSearch(AppContext& ctx, const AppPaths& paths, NetworkTransport& network, Prompter& prompter,
                           std::uint16_t devicePort, CommTimeouts timeouts)
    : ctx_(ctx), paths_(paths), network_(network), prompter_(prompter), devicePort_(devicePort), timeouts_(timeouts) {}

bool DeviceSearch::open() {
    if (network_.TcpInit(kSearchNetworkSlots) != LinkResult::Ok) {
        Tell(prompter_, ctx_.LanguageFlag, texts::kWrongTcpInit);
        return false;
    }
    const InitCfg cfg = LoadInitCfg(paths_);
    for (int i = 0; i < 4; ++i) from[static_cast<std::size_t>(i)] = cfg.fromOctet(i);
    toLastOctet = cfg.toOctet(3);
    for (DeviceRecord& found : ctx_.foundTable) {
        found.LinkMode = 0;
        found.ModelCode = 0;
        found.Present = 0;
        found.UniqueId.clear();
    }
    return true;
}

std::vector<std::string> DeviceSearch::addressList() const {
    std::vector<std::string> addresses;
    const std::string prefix =
        std::to_string(from[0]) + "." + std::to_string(from[1]) + "." + std::to_string(from[2]) + ".";
    const int last = std::min(toLastOctet, 255);
    for (int octet = from[3]; octet <= last; ++octet) {
        const std::string address = prefix + std::to_string(octet);
        bool listed = false;
        for (int slot = kFirstUserSlot; slot <= kLastUserSlot && !listed; ++slot)
            listed = ctx_.device(slot).isPresent() && ctx_.device(slot).Address == address;
        if (!listed) addresses.push_back(address);
    }
    return addresses;
}

std::optional<IdentifyInfo> DeviceSearch::identify(int slot, const std::string& address) {
    if (network_.TcpConnect(slot, address, devicePort_, timeouts_.singleCheck) != LinkResult::Ok) return std::nullopt;
    std::vector<std::uint8_t> request;
    const BlockBuffer unused{};
    BuildRequest(0, ToByte(CommandCode::Identify), {}, unused, request);
    std::array<std::uint8_t, kIdentifyReplyLength> reply{};
    std::optional<IdentifyInfo> info;
    if (network_.TcpSend(slot, request) == LinkResult::Ok &&
        network_.TcpRead(slot, reply, timeouts_.read) == LinkResult::Ok && ClassifyReply(reply) == ReplyClass::Valid) {
        info = ParseIdentifyReply(reply);
        const std::uint8_t ack = kAcknowledgeByte;
        if (info) network_.TcpSend(slot, std::span(&ack, 1));
    }
    network_.TcpClose(slot);
    return info;
}

int DeviceSearch::run(const std::function<void(const std::string&)>& status) {
    InitCfg cfg = LoadInitCfg(paths_);
    for (int i = 0; i < 4; ++i) cfg.values[static_cast<std::size_t>(4 + i)] = static_cast<std::int16_t>(from[static_cast<std::size_t>(i)]);
    cfg.values[8] = cfg.values[4], cfg.values[9] = cfg.values[5], cfg.values[10] = cfg.values[6];
    cfg.values[11] = static_cast<std::int16_t>(toLastOctet);
    SaveInitCfg(paths_, cfg);

    const std::vector<std::string> addresses = addressList();
    if (status) status(std::string(texts::kSearchingDevice.pick(ctx_.LanguageFlag)));
    if (addresses.empty()) return 0;
    const std::vector<std::string> answering = network_.TcpScan(addresses, devicePort_, timeouts_.scan);
    int found = 0;
    for (const std::string& address : answering) {
        if (found >= kSlotCount) break;
        if (status) status(std::string(texts::kSearchingIp.pick(ctx_.LanguageFlag)) + address);
        const auto info = identify(found % kSearchNetworkSlots, address);
        if (!info) continue;
        DeviceRecord& entry = ctx_.foundTable[static_cast<std::size_t>(found++)];
        entry.Present = kTrue16;
        entry.Address = address;
        entry.LinkMode = info->linkMode;
        entry.UniqueId = info->uniqueId;
        entry.ModelCode = info->modelCode;
        entry.HwFamily = IsKnownHwFamily(info->hwFamily) ? info->hwFamily : 255;
        entry.DeviceName = info->name;
    }
    return found;
}

}  // namespace plenum::comm
