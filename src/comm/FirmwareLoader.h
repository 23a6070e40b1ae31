// FwLoader: loads a ".sfu" firmware image into one device over its USB serial port or over the
// network, with the loader protocol of docs/firmware-loader.md (enter, erase, write in checked
// chunks, verify, boot). Progress and errors reach the caller as FwLoadProgress events, the
// FwLoader_FwLoadProgress event of the firmware window.
//
// The loader owns no link: it opens its own connection on the transports it is given (the
// application's, after the device was taken off-line) and closes it again whatever happens. It is
// synchronous and blocks its thread for up to the time-outs below.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "comm/FirmwareImage.h"
#include "comm/FirmwareProtocol.h"
#include "comm/Transport.h"

namespace plenum::comm {

struct LoaderTimeouts {
    Millis connect{2000};   // opening the TCP connection
    Millis reply{4000};     // enter, each chunk, boot
    Millis erase{20000};    // a flash erase takes seconds on a large image
    Millis verify{10000};   // the device reads its whole update bank back
    Millis settle{200};     // after opening the link: the device ends the session just closed
    Millis retryPause{50};  // before sending a chunk again after a checksum error
};

// Attempts per chunk; the last checksum error ends the load with error 7.
inline constexpr int kChunkAttempts = 3;

struct FwLoadProgress {
    enum class Kind { Progress, Error, Done };
    Kind kind = Kind::Progress;
    int value = 0;        // Progress: percent 0..100; Error: the code 1..8
    std::string host;     // Error 5 on a network link: the address that could not be reached
    int refusedLink = 0;  // Error 8: the link the update was refused on (0 USB, 1 WLAN, 2 LAN)

    bool operator==(const FwLoadProgress&) const = default;
};

class FwLoader {
  public:
    using ProgressHandler = std::function<void(const FwLoadProgress&)>;

    // `networkSlot` is the connection slot of `network` the loader uses.
    FwLoader(NetworkTransport& network, SerialTransport& serial, Sleeper& sleeper,
             std::uint16_t devicePort = kDefaultDevicePort, LoaderTimeouts timeouts = {},
             int networkSlot = 0);

    // The kind of device the image must be for; a file for another kind is error 1.
    void SetDeviceKind(FirmwareKind kind) { kind_ = kind; }
    FirmwareKind deviceKind() const { return kind_; }
    // FwLoader_FwLoadProgress: called on the loader's thread while a load runs.
    void setProgressHandler(ProgressHandler handler) { handler_ = std::move(handler); }
    const LoaderTimeouts& timeouts() const { return timeouts_; }
    // The connection slot of the network object used by the next network load.
    void setNetworkSlot(int slot) { slot_ = slot; }

    // The file check the loads begin with, without a load and without an event: WrongFile when the
    // file cannot be read, fails any check of its format or is for another kind of device.
    FwLoadError CheckFile(const std::filesystem::path& file) const;

    // Each returns None on success (after a Done event) or the error it reported.
    FwLoadError LoadUsb(const std::filesystem::path& file, const std::string& serialPortName);
    FwLoadError LoadLan(const std::filesystem::path& file, const std::string& address);

    // Chunks sent again after a checksum error during the last load.
    int chunkRetries() const { return chunkRetries_; }

  private:
    enum class LinkKind { Usb, Network };
    struct Exchange {
        FwLoadError error = FwLoadError::None;
        LoaderReply reply;
    };

    FwLoadError load(const std::filesystem::path& file, LinkKind link, const std::string& target);
    FwLoadError transfer(const FirmwareImage& firmware);
    bool openLink(const std::string& target);
    void closeLink();
    Exchange exchange(LoaderCode code, std::span<const std::uint8_t> request, Millis timeout);
    FwLoadError fail(FwLoadError error, const std::string& host = {}, int refusedLink = 0);
    int refusedLinkOf(std::uint8_t reported) const;
    void report(int percent);

    NetworkTransport& network_;
    SerialTransport& serial_;
    Sleeper& sleeper_;
    std::uint16_t devicePort_;
    LoaderTimeouts timeouts_;
    int slot_;
    FirmwareKind kind_ = FirmwareKind::Satellite;
    ProgressHandler handler_;
    LinkKind link_ = LinkKind::Network;
    int lastPercent_ = -1;
    int chunkRetries_ = 0;
    int refusedLink_ = 0;
};

}  // namespace plenum::comm
