// Bringing a listed device on-line: the connect routine with its checks and error codes, the
// connection dialog's single-device and connect-all modes, and the tile's disconnect.
//
// After a connection the settings are transferred one way or the other. Settings comparison
// (error 11): after "Load current settings to Device" the device's live program is read back and
// must equal the image byte for byte; a difference means the device did not take the program (or
// changed it) and the connection fails with 11. After "Read current settings from Device" there
// is nothing to compare: the image is the device's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "comm/DeviceComm.h"

namespace plenum::comm {

// Connection error codes (the dialog shows the code's text; 5 has none).
enum class ConnectError : int {
    None = 0,
    UsbAlreadyUsed = 1,
    NoSerialPort = 2,
    NetworkFailed = 3,
    Mismatch = 4,
    Declined = 5,
    IpAlreadyUsed = 10,
    SettingsMismatch = 11,
};
// The dialog's message for a code; nullptr for None and Declined.
const Bilingual* ConnectErrorText(ConnectError error);

enum class TransferDirection { LoadToDevice, ReadFromDevice };

inline constexpr int kMinimumFirmware = 34;
// FwFeatureFlag of a device of this model with this firmware version (100 a + 10 b + c): set for
// model codes 10 and 11, for model 6 from version 39 and for models 7..9 from version 38.
bool FeatureFlagFor(int modelCode, int version);

// Firmware version read: three bytes at status offset 1 (version digits).
inline constexpr std::uint32_t kFirmwareAddress = 1;
inline constexpr std::uint32_t kVariantAddress = 265;

// The settings transfer of a connection; the device-state layer implements it.
class SettingsTransfer {
public:
    virtual ~SettingsTransfer() = default;
    virtual std::int16_t loadToDevice(int slot) = 0;    // write the image to the live program
    virtual std::int16_t readFromDevice(int slot) = 0;  // read status record and image
    // Reads the live program back and compares it with the image; Failed when the read itself
    // failed, so that a lost link is not reported as settings that did not stick.
    enum class ReadBack { Match, Mismatch, Failed };
    virtual ReadBack compareWithDevice(int slot) = 0;
};

// What a connection reports to the windows.
class ConnectionHooks {
public:
    virtual ~ConnectionHooks() = default;
    virtual void tileOnline(int slot, bool online) { (void)slot, (void)online; }
    virtual void reloadEditWindow(int slot) { (void)slot; }
    // Whether the device's group block differs from its group's values: only then is the user
    // asked. Without a group layer behind the hooks every membership is offered.
    virtual bool differsFromGroup(int group, int slot) { return (void)group, (void)slot, true; }
    // Brings a group member to its group's settings (only differing items).
    virtual void synchronizeWithGroup(int group, int slot) { (void)group, (void)slot; }
};

class DeviceConnector {
public:
    DeviceConnector(DeviceComm& comm, SettingsTransfer& transfer, Prompter& prompter, ConnectionHooks* hooks = nullptr);

    // The connect routine for one listed device that is not on-line. On failure the device is
    // left off-line with its link closed and the error says why.
    ConnectError SendConnectDevice(int slot, TransferDirection direction);

    // The connection dialog's OK. Single-device mode: connects and, on failure, shows the code's
    // message. All devices: connects every listed off-line device in slot order without messages
    // and says "Device(s) not found" when none came on-line. Returns the slots brought on-line.
    std::vector<int> connectOne(int slot, TransferDirection direction);
    // `onDevice`, when given, is told before each device is tried: its slot, how many were tried
    // before it and how many will be tried in all (a progress indication).
    using DeviceProgress = std::function<void(int slot, int done, int total)>;
    std::vector<int> connectAll(TransferDirection direction, const DeviceProgress& onDevice = {});

    // The tile's connect check for a network device: "LAN or WLAN not found" when this computer
    // has no network address. A device on a loopback address (a simulated loudspeaker) needs none.
    bool networkAvailable(int slot);

    // The tile's disconnect: asks, then command 15, off-line, link closed, unique ID recorded.
    bool disconnect(int slot);

    // Firmware version per slot (255 until read) and the feature flag the settings window reads.
    int firmwareVersion(int slot) const { return firmware_[static_cast<std::size_t>(slot)]; }
    bool fwFeatureFlag(int slot) const { return featureFlag_[static_cast<std::size_t>(slot)]; }

private:
    ConnectError fail(int slot, ConnectError error);
    std::int16_t readStatusBytes(int slot, std::uint32_t address, std::size_t length, std::uint8_t* out);

    DeviceComm& comm_;
    SettingsTransfer& transfer_;
    Prompter& prompter_;
    ConnectionHooks* hooks_;
    std::array<int, kSlotCount> firmware_;
    std::array<bool, kSlotCount> featureFlag_{};
};

}  // namespace plenum::comm
