#include "comm/DeviceComm.h"

#include <algorithm>
#include <span>

namespace plenum::comm {

namespace {
// Reconnect attempts count up per side over the whole transaction; reaching this ends it.
constexpr int kReconnectLimit = 12;
// Garbled replies to a block read are re-requested; the third one ends the transaction.
constexpr int kGarbledBlockReadLimit = 3;
}  // namespace

DeviceComm::DeviceComm(AppContext& ctx, NetworkTransport& network, SerialTransport& serial, Prompter& prompter,
                       Sleeper& sleeper, LinkSettings links, CommTimeouts timeouts)
    : ctx_(ctx),
      network_(network),
      serial_(serial),
      prompter_(prompter),
      sleeper_(sleeper),
      links_(std::move(links)),
      timeouts_(timeouts) {
    request_.reserve(kBlockBufferSize + kBlockWriteOverhead);
}

std::int16_t DeviceComm::SendCommand(int slot, std::uint8_t code, const CommandParams& params) {
    if (slot < 0 || slot >= kSlotCount) return -1;
    const DeviceFamily family = ctx_.device(slot).isSub() ? DeviceFamily::Sub : DeviceFamily::Sat;
    return transact(slot, code, params, family);
}

std::string DeviceComm::serialPortName() const { return SerialPortPath(links_.serialPattern, ctx_.UsbComPort); }

void DeviceComm::hideRetryWindow() {
    if (hooks_.retryWindow != nullptr) hooks_.retryWindow->hide();
}

std::int16_t DeviceComm::transact(int slot, std::uint8_t code, const CommandParams& params, DeviceFamily family) {
    Bool16& badReply = family == DeviceFamily::Sub ? BadReplySub : BadReply;
    CommFlags& flags = ctx_.flags;
    if (RetryArmed) hideRetryWindow();
    RetryShown = RetryArmed = badReply = kFalse16;
    replyReceived_ = false;
    // A read-side reconnect raises CommBusy so that periodic work stays off the link; once the
    // transaction has its reply the flag goes back to what it was, or the meter poll would stop
    // for good after one lost reply.
    const Bool16 busyAtEntry = flags.CommBusy;
    int sendRetries = 0;
    int readRetries = 0;
    int shown = 0;

    const std::size_t replyLength = ReplyLength(code, params, family);
    if (replyLength > kBlockBufferSize) return -1;

    for (;;) {
        if (flags.TxSuspended) return 0;
        DeviceRecord& record = ctx_.device(slot);
        if (!record.isConnected()) return 0;

        if (BuildRequest(ctx_.DeviceIdTable[static_cast<std::size_t>(slot)], code, params, TxBlockBuffer,
                         request_) != FrameError::None)
            return -1;

        const bool network = record.isNetwork();
        RetrySide side = RetrySide::None;
        const std::span<std::uint8_t> reply(reply_.data(), replyLength);
        if (network) {
            if (!IsOk(network_.TcpSend(slot, request_))) side = RetrySide::Send;
        } else {
            if (!serial_.IsConnected() && !IsOk(serial_.Connect(serialPortName(), kSerialBaudRate))) return -1;
            // A failed write shows as a failed read below.
            (void)serial_.WriteCommand(request_);
        }

        if (side == RetrySide::None) {
            const LinkResult read = network ? network_.TcpRead(slot, reply, timeouts_.read)
                                            : serial_.ReadCommandResponse(reply, timeouts_.read);
            if (!IsOk(read)) {
                if (!network) return fail(slot, family);
                side = RetrySide::Read;
            } else {
                std::copy(reply.begin(), reply.end(), RxBuffer.begin());
                lastReplyLength_ = replyLength;
                const ReplyClass kind = network ? ClassifyReply(reply) : ReplyClass::Valid;
                if (kind == ReplyClass::Empty) {
                    side = RetrySide::Read;
                } else if (kind == ReplyClass::Garbled) {
                    if (code != ToByte(CommandCode::BlockRead)) {
                        badReply = kTrue16;
                        flags.CommBusy = kFalse16;
                        return 0;
                    }
                    if (++readRetries >= kGarbledBlockReadLimit) return fail(slot, family);
                    flags.CommBusy = kTrue16;
                    continue;
                } else {
                    std::int16_t result = 0;
                    if (code == ToByte(CommandCode::Identify)) {
                        const auto busId = IdentifiedBusId(reply);
                        if (busId) ctx_.DeviceIdTable[static_cast<std::size_t>(slot)] = *busId;
                        else result = -1;
                    }
                    if (network) {
                        const std::uint8_t ack[] = {kAcknowledgeByte};
                        if (!IsOk(network_.TcpSend(slot, ack))) return fail(slot, family);
                    }
                    flags.CommBusy = busyAtEntry;
                    replyReceived_ = true;
                    return result;
                }
            }
        }

        if (!reconnect(slot, side, side == RetrySide::Send ? sendRetries : readRetries, shown))
            return fail(slot, family);
    }
}

bool DeviceComm::reconnect(int slot, RetrySide side, int& counter, int& shown) {
    CommFlags& flags = ctx_.flags;
    const std::string address = ctx_.device(slot).Address;
    for (;;) {
        if (++counter >= kReconnectLimit) return false;
        if (hooks_.retries != nullptr) hooks_.retries->retrying(slot, counter);
        if (hooks_.giveUp != nullptr && hooks_.giveUp->AltAbort()) return false;
        network_.TcpClose(slot);
        sleeper_.sleepFor(timeouts_.reconnectPause);
        if (IsOk(network_.TcpConnect(slot, address, links_.devicePort, timeouts_.reconnect))) {
            if (side == RetrySide::Read) flags.CommBusy = kTrue16;
            return true;
        }
        if (side == RetrySide::Read) flags.CommBusy = kTrue16;
        if (RetryArmed) {
            if (hooks_.retryWindow != nullptr && !RetryShown) hooks_.retryWindow->show();
            RetryShown = kTrue16;
            ++shown;
            if (hooks_.retryWindow != nullptr)
                hooks_.retryWindow->setLabel(FillText(texts::kReconnectionRetry.pick(ctx_.LanguageFlag),
                                                      {std::to_string(shown)}));
            if (hooks_.abort != nullptr && hooks_.abort->AltAbort()) return false;
        }
        RetryArmed = kTrue16;
    }
}

std::int16_t DeviceComm::fail(int slot, DeviceFamily family) {
    CommFlags& flags = ctx_.flags;
    DeviceRecord& record = ctx_.device(slot);
    flags.CommBusy = kTrue16;
    record.Connected = kFalse16;
    if (RetryArmed) {
        hideRetryWindow();
        RetryShown = RetryArmed = kFalse16;
    }
    if (record.isNetwork()) {
        if (network_.TcpIsConnected(slot)) network_.TcpClose(slot);
    } else if (serial_.IsConnected()) {
        serial_.Disconnect();
    }
    // The port scan probes silently; on satellites the scan flag alone also keeps the alert back.
    const bool suppressed = flags.SilentComm || (family == DeviceFamily::Sat && flags.UsbScanActive);
    if (!suppressed && record.EditOpen && !flags.AlertHold)
        Tell(prompter_, ctx_.LanguageFlag, texts::kCommunicationProblem);
    if (record.isPresent() && hooks_.tiles != nullptr) hooks_.tiles->switchOffline(slot);
    flags.CommBusy = kFalse16;
    return -1;
}

bool DeviceComm::FindUsbPort(int slot) {
    if (slot < 0 || slot >= kSlotCount) return false;
    CommFlags& flags = ctx_.flags;
    DeviceRecord& record = ctx_.device(slot);
    flags.UsbScanActive = kTrue16;
    bool found = false;
    for (int port = kFirstSerialPort; port <= kLastSerialPort && !found; ++port) {
        if (serial_.IsConnected()) serial_.Disconnect();
        ctx_.UsbComPort = static_cast<std::int16_t>(port);
        flags.SilentComm = kTrue16;
        if (IsOk(serial_.Connect(serialPortName(), kSerialBaudRate))) {
            record.Connected = kTrue16;
            found = SendCommand(slot, CommandCode::Identify) == 0;
        }
        if (!found) flags.SilentComm = kFalse16;
    }
    if (!found) {
        flags.UsbScanActive = kFalse16;
        return false;
    }
    LastTxResult = SendCommand(slot, CommandCode::Offline);
    if (serial_.IsConnected()) serial_.Disconnect();
    record.Connected = kFalse16;
    flags.UsbScanActive = kFalse16;
    // Later transactions of this device should alert again when they fail.
    flags.SilentComm = kFalse16;
    return true;
}

void DeviceComm::sendOffline(int slot) { LastTxResult = SendCommand(slot, CommandCode::Offline); }

void DeviceComm::closeLink(int slot) {
    if (slot < 0 || slot >= kSlotCount) return;
    if (ctx_.device(slot).isNetwork()) {
        if (network_.TcpIsConnected(slot)) network_.TcpClose(slot);
    } else if (serial_.IsConnected()) {
        serial_.Disconnect();
    }
}

}  // namespace plenum::comm
