#include "comm/FirmwareLoader.h"

#include <algorithm>

#include "comm/Frame.h"
#include "core/DeviceState.h"

namespace plenum::comm {

FwLoader::FwLoader(NetworkTransport& network, SerialTransport& serial, Sleeper& sleeper,
                   std::uint16_t devicePort, LoaderTimeouts timeouts, int networkSlot)
    : network_(network),
      serial_(serial),
      sleeper_(sleeper),
      devicePort_(devicePort),
      timeouts_(timeouts),
      slot_(networkSlot) {}

FwLoadError FwLoader::LoadUsb(const std::filesystem::path& file, const std::string& serialPortName) {
    return load(file, LinkKind::Usb, serialPortName);
}

FwLoadError FwLoader::LoadLan(const std::filesystem::path& file, const std::string& address) {
    return load(file, LinkKind::Network, address);
}

FwLoadError FwLoader::CheckFile(const std::filesystem::path& file) const {
    const SfuParse parsed = ReadSfuFile(file);
    return parsed.ok() && parsed.firmware.kind == kind_ ? FwLoadError::None : FwLoadError::WrongFile;
}

FwLoadError FwLoader::load(const std::filesystem::path& file, LinkKind link, const std::string& target) {
    link_ = link;
    lastPercent_ = -1;
    chunkRetries_ = 0;
    refusedLink_ = 0;
    const SfuParse parsed = ReadSfuFile(file);
    if (!parsed.ok() || parsed.firmware.kind != kind_) return fail(FwLoadError::WrongFile);
    // "Can't connect" names the host on a network link, whether the connection or the session failed.
    const std::string host = link == LinkKind::Network ? target : std::string();
    if (!openLink(target)) return fail(FwLoadError::CantConnect, host);
    sleeper_.sleepFor(timeouts_.settle);
    const FwLoadError error = transfer(parsed.firmware);
    // The link is closed before anyone hears the outcome: a message box may wait for the user.
    closeLink();
    if (error != FwLoadError::None)
        return fail(error, error == FwLoadError::CantConnect ? host : "", refusedLink_);
    if (handler_) handler_({FwLoadProgress::Kind::Done, 100, {}, 0});
    return FwLoadError::None;
}

FwLoadError FwLoader::transfer(const FirmwareImage& firmware) {
    const Exchange entered = exchange(LoaderCode::Enter, BuildLoaderEnter(firmware), timeouts_.reply);
    if (entered.error == FwLoadError::ModeUnavailable) refusedLink_ = refusedLinkOf(entered.reply.data[0]);
    if (entered.error != FwLoadError::None) return entered.error;
    const Exchange erased = exchange(LoaderCode::Erase, BuildLoaderErase(), timeouts_.erase);
    if (erased.error != FwLoadError::None) return erased.error;
    report(0);

    const std::span<const std::uint8_t> image(firmware.image);
    for (std::size_t offset = 0; offset < image.size(); offset += kLoaderChunkLength) {
        const auto chunk = image.subspan(offset, std::min(kLoaderChunkLength, image.size() - offset));
        const std::vector<std::uint8_t> request = BuildLoaderWrite(static_cast<std::uint32_t>(offset), chunk);
        Exchange written;
        for (int attempt = 1; attempt <= kChunkAttempts; ++attempt) {
            if (attempt > 1) {
                ++chunkRetries_;
                sleeper_.sleepFor(timeouts_.retryPause);
            }
            written = exchange(LoaderCode::Write, request, timeouts_.reply);
            if (written.error != FwLoadError::Checksum || written.reply.status != LoaderStatus::ChecksumError)
                break;
        }
        if (written.error != FwLoadError::None) return written.error;
        const std::size_t done = offset + chunk.size();
        report(static_cast<int>(done * 99 / image.size()));
    }

    const Exchange verified =
        exchange(LoaderCode::Verify, BuildLoaderVerify(firmware.imageCrc), timeouts_.verify);
    if (verified.error != FwLoadError::None) return verified.error;
    const Exchange booted = exchange(LoaderCode::Boot, BuildLoaderBoot(), timeouts_.reply);
    if (booted.error != FwLoadError::None) return booted.error;
    report(100);
    return FwLoadError::None;
}

bool FwLoader::openLink(const std::string& target) {
    if (link_ == LinkKind::Network)
        return IsOk(network_.TcpConnect(slot_, target, devicePort_, timeouts_.connect));
    if (serial_.IsConnected()) serial_.Disconnect();
    return IsOk(serial_.Connect(target, kSerialBaudRate));
}

void FwLoader::closeLink() {
    if (link_ == LinkKind::Network) {
        if (network_.TcpIsConnected(slot_)) network_.TcpClose(slot_);
    } else if (serial_.IsConnected()) {
        serial_.Disconnect();
    }
}

// One request and its status reply. No reply in time, a failed send or a closed link is a time-out
// (6); bytes that are not the status frame of this request are a checksum error (7).
FwLoader::Exchange FwLoader::exchange(LoaderCode code, std::span<const std::uint8_t> request,
                                      Millis timeout) {
    Exchange result;
    std::array<std::uint8_t, kLoaderReplyLength> reply{};
    const bool network = link_ == LinkKind::Network;
    const LinkResult sent = network ? network_.TcpSend(slot_, request) : serial_.WriteCommand(request);
    if (!IsOk(sent)) {
        result.error = FwLoadError::Timeout;
        return result;
    }
    const LinkResult read =
        network ? network_.TcpRead(slot_, reply, timeout) : serial_.ReadCommandResponse(reply, timeout);
    if (!IsOk(read) || ClassifyReply(reply) == ReplyClass::Empty) {
        result.error = FwLoadError::Timeout;
        return result;
    }
    const std::optional<LoaderReply> parsed = ParseLoaderReply(code, reply);
    if (!parsed) {
        result.error = FwLoadError::Checksum;
        return result;
    }
    if (network) {
        const std::uint8_t ack = kAcknowledgeByte;
        network_.TcpSend(slot_, std::span<const std::uint8_t>(&ack, 1));
    }
    result.reply = *parsed;
    result.error = ErrorOf(parsed->status);
    return result;
}

// The link named in a refusal. Over USB it can only be USB, whatever the device said; on the
// network the device knows whether it hangs on a wireless or a wired LAN, and anything but
// "wireless" counts as the wired LAN.
int FwLoader::refusedLinkOf(std::uint8_t reported) const {
    if (link_ == LinkKind::Usb) return kLinkUsb;
    return reported == kLinkWlan ? kLinkWlan : kLinkLan;
}

FwLoadError FwLoader::fail(FwLoadError error, const std::string& host, int refusedLink) {
    if (handler_) handler_({FwLoadProgress::Kind::Error, static_cast<int>(error), host, refusedLink});
    return error;
}

void FwLoader::report(int percent) {
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    if (handler_) handler_({FwLoadProgress::Kind::Progress, percent, {}, 0});
}

}  // namespace plenum::comm
