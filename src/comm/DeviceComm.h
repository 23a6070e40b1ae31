// DeviceComm: the command transaction. Every exchange with a loudspeaker is one SendCommand: build
// the request frame, send it over the device's link, read the reply of the length the code
// implies, check it, copy it to RxBuffer, acknowledge it on network links; on a lost link
// reconnect (one silent attempt, then up to ten shown on the retry window), and on persistent
// failure take the device off-line.
//
// The object holds the transaction's state (the two 769-byte buffers, the bad-reply flags, the
// retry-window state and LastTxResult), works on the application's device records through the
// AppContext it was given, and reaches the user only through the hooks below and the Prompter.
// It is synchronous: a call blocks its thread for up to the read and reconnect time-outs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "comm/Frame.h"
#include "comm/Transport.h"
#include "core/AppContext.h"
#include "core/Prompter.h"
#include "core/Registry.h"

namespace plenum::comm {

// The small information window of the reconnect loop ("Reconnection retry n of 10").
class RetryInfoWindow {
public:
    virtual ~RetryInfoWindow() = default;
    virtual void show() = 0;  // bring to the front and refresh
    virtual void hide() = 0;
    virtual void setLabel(const std::string& text) = 0;  // and repaint at once
};

// Switches a device tile to its off-line presentation.
class TileStatusSink {
public:
    virtual ~TileStatusSink() = default;
    virtual void switchOffline(int slot) = 0;
};

// Lets the user cancel the shown reconnect retries (the UI answers from the Alt key).
class AbortProbe {
public:
    virtual ~AbortProbe() = default;
    // True when the abort key is held now or was pressed since the previous query.
    virtual bool AltAbort() = 0;
};

// Told each time the transaction tries a lost link again (attempt 1..11, counted per side over the
// transaction), whether or not the reconnect then works: a front end without the retry window can
// say what is going on.
class RetryObserver {
public:
    virtual ~RetryObserver() = default;
    virtual void retrying(int slot, int attempt) = 0;
};

// The UI's side of the transaction. Any hook may be absent; the transaction then skips it.
struct CommHooks {
    RetryInfoWindow* retryWindow = nullptr;
    TileStatusSink* tiles = nullptr;
    AbortProbe* abort = nullptr;
    RetryObserver* retries = nullptr;
    // A front end whose window keeps running while the transaction retries lets the user give up
    // on the device at every attempt, also when the link comes back but the device stays silent
    // (which the abort probe, asked only after a failed reconnect, never sees): true ends the
    // transaction with the full failure handling.
    AbortProbe* giveUp = nullptr;
};

class DeviceComm final : public DeviceLinkControl {
public:
    DeviceComm(AppContext& ctx, NetworkTransport& network, SerialTransport& serial, Prompter& prompter,
               Sleeper& sleeper, LinkSettings links = {}, CommTimeouts timeouts = {});

    void setHooks(const CommHooks& hooks) { hooks_ = hooks; }
    const CommTimeouts& timeouts() const { return timeouts_; }
    const LinkSettings& links() const { return links_; }

    // One transaction with the device in `slot` (0..24). Returns 0 on success, also when nothing
    // was sent because the device is off-line or transmission is suspended, and -1 on failure.
    // Codes 7 and 23 take their payload from TxBlockBuffer. A request that cannot be framed (a block
    // write longer than TxBlockBuffer, a block read whose reply would not fit RxBuffer) or a slot
    // out of range returns -1 and sends nothing.
    std::int16_t SendCommand(int slot, std::uint8_t code, const CommandParams& params = {});
    std::int16_t SendCommand(int slot, CommandCode code, const CommandParams& params = {}) {
        return SendCommand(slot, ToByte(code), params);
    }

    // Probes serial ports 1..72 with the identify command for the USB device in `slot`. On success
    // the port stays in AppContext::UsbComPort, the device has been sent command 15, the port is
    // closed again and the slot is left off-line for the connect routine to take over.
    bool FindUsbPort(int slot);

    // Removal of a listed device (DeviceLinkControl): command 15 with zero parameters, then the link
    // closed.
    void sendOffline(int slot) override;
    void closeLink(int slot) override;

    AppContext& context() { return ctx_; }
    NetworkTransport& network() { return network_; }
    SerialTransport& serial() { return serial_; }
    // Number of bytes of the last reply copied into RxBuffer.
    std::size_t lastReplyLength() const { return lastReplyLength_; }
    // True when the last SendCommand received a whole, valid reply (and acknowledged it). A call
    // that returned 0 without sending (device off-line, transmission suspended) or that accepted
    // a garbled reply leaves RxBuffer holding older bytes: callers that take data from RxBuffer
    // check this first.
    bool replyReceived() const { return replyReceived_; }

    BlockBuffer TxBlockBuffer{};
    BlockBuffer RxBuffer{};
    Bool16 BadReply = kFalse16;     // a SAT network reply arrived but was no frame
    Bool16 BadReplySub = kFalse16;  // the same for SUB devices
    Bool16 RetryArmed = kFalse16;   // a reconnect of this transaction has failed once
    Bool16 RetryShown = kFalse16;   // the retry window is up
    std::int16_t LastTxResult = 0;  // where fire-and-forget callers keep the result

private:
    enum class RetrySide { None, Send, Read };
    std::int16_t transact(int slot, std::uint8_t code, const CommandParams& params, DeviceFamily family);
    // The reconnect loop; true when the link is back, false when the transaction must fail.
    bool reconnect(int slot, RetrySide side, int& counter, int& shown);
    std::int16_t fail(int slot, DeviceFamily family);
    void hideRetryWindow();
    std::string serialPortName() const;

    AppContext& ctx_;
    NetworkTransport& network_;
    SerialTransport& serial_;
    Prompter& prompter_;
    Sleeper& sleeper_;
    LinkSettings links_;
    CommTimeouts timeouts_;
    CommHooks hooks_;
    std::vector<std::uint8_t> request_;
    BlockBuffer reply_{};
    std::size_t lastReplyLength_ = 0;
    bool replyReceived_ = false;
};

}  // namespace plenum::comm
