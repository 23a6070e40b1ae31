// Device settings (FrmSettingsSAT, FrmSettingsSUB): a loudspeaker's network, power-saving,
// recall-mode, amplifier, password and group-block settings. They live in the device's status
// record (its memory from address 0) and travel as parameter commands or block writes.
//
// Network sections. Each section is one block of the status record, written whole with
// WriteBlock at its own address (the record mirrors the device's memory, so the address is the
// offset):
//
//   LAN            status 27..39   (13 bytes)
//   WLAN           status 40..118  (79 bytes)
//   access point   status 119..197 (79 bytes)
//
//   offset  length  field
//   0       1       mode: LAN and WLAN 0 = "STATIC IP", 1 = "DHCP"; access point 0 = off, 1 = on
//   1       4       IP address, first octet first
//   5       4       subnet mask
//   9       4       gateway
//   13      32      SSID, zero filled              (WLAN and access point only)
//   45      1       security: 0 = "WPA", 1 = "WPA2"
//   46      32      key, zero filled
//   78      1       channel 1..13                  (kept for WLAN, chosen for the access point)
//
// The recall mode is status 220, written as one byte at address 220: 0 "KEEP ACTUAL MUTES",
// 1 "KEEP ACTUAL INPUT SOURCES", 2 "KEEP ACTUAL INPUT GAIN". Loads are 1 = "4 Ohm", 2 = "8 Ohm".
// The bridge mode is the system byte (status 261), written as one byte at address 261 before the
// loads go out with code 32.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "comm/DeviceComm.h"
#include "core/BinaryIO.h"
#include "core/Prompter.h"

namespace plenum::device {

enum class NetSection { Lan, Wlan, AccessPoint };

inline constexpr std::uint32_t kLanBlockAddress = 27;
inline constexpr std::uint32_t kWlanBlockAddress = 40;
inline constexpr std::uint32_t kAccessPointBlockAddress = 119;
inline constexpr std::size_t kLanBlockLength = 13;
inline constexpr std::size_t kWirelessBlockLength = 79;
inline constexpr std::size_t kSsidLength = 32;
inline constexpr std::size_t kKeyLength = 32;
inline constexpr std::uint32_t kRecallModeAddress = 220;
inline constexpr std::uint32_t kSystemByteAddress = 261;
inline constexpr int kMinChannel = 1;
inline constexpr int kMaxChannel = 13;

std::uint32_t SectionAddress(NetSection section);
std::size_t SectionLength(NetSection section);
const char* SectionName(NetSection section);  // "lan", "wlan", "ap"

// A section as the window's boxes hold it: addresses as typed text.
struct NetworkSettings {
    std::uint8_t mode = 0;
    std::string ip = "0.0.0.0";
    std::string mask = "0.0.0.0";
    std::string gateway = "0.0.0.0";
    std::string ssid;
    std::uint8_t security = 0;
    std::string key;
    std::uint8_t channel = 1;
    bool operator==(const NetworkSettings&) const = default;
};

NetworkSettings ReadNetwork(const DeviceStatusRecord& status, NetSection section);

enum class AddressKind { Ip, Mask, Gateway };
enum class AddressCheck { Ok, Malformed, OutOfRange };
// An IP address or gateway takes 1..223 in the first field, at most 254 in the last; a mask takes
// 0..255 everywhere. An empty or malformed field is Malformed.
AddressCheck CheckAddress(std::string_view text, AddressKind kind, std::array<std::uint8_t, 4>* octets = nullptr);
// The message a section's boxes deserve on apply, or none when they can be written.
const MessageText* CheckNetwork(NetSection section, const NetworkSettings& settings);
// The section's block; the settings passed CheckNetwork.
Bytes NetworkBlock(NetSection section, const NetworkSettings& settings);

enum class SettingsOutcome {
    Done,
    Unchanged,  // nothing differed from the device's values: nothing sent
    Refused,    // a check failed or the section is not offered (message shown when it has one)
    Declined,   // the user answered No
    Failed      // a transaction failed
};

// The speaker's amplifier settings: bridge mode (system byte) and the two loads.
struct AmplifierSettings {
    bool bridge = false;
    std::uint8_t loadLow = 1;
    std::uint8_t loadHigh = 1;
};

// Raises a model-6 satellite's output limiter bytes (image 492, 493) to the minimum its loads and
// system byte ask for; returns which ways changed (bit 0 = way 0, bit 1 = way 1).
int ApplyLimiterMinimums(AppContext& ctx, int slot);

class DeviceSettingsWindow {
public:
    DeviceSettingsWindow(comm::DeviceComm& comm, Prompter& prompter, int slot, bool fwFeatureFlag);

    bool isSub() const;
    // What the window offers: wireless sections and the amplifier boost only with FwFeatureFlag;
    // a subwoofer's window has no bridge, load or boost.
    bool offersWireless() const { return feature_; }
    bool offersAmplifier() const { return !isSub(); }
    bool offersBoost() const { return !isSub() && feature_; }

    SettingsOutcome applyNetwork(NetSection section, const NetworkSettings& settings);
    SettingsOutcome applyPowerSave(bool sleepOn, int sleepTime, bool standbyOn, int standbyTime);
    SettingsOutcome applyRecallMode(int mode);
    SettingsOutcome applyAmplifier(const AmplifierSettings& settings);
    SettingsOutcome applyBoost(bool on);
    // Checks the old password, then the new one; writes the six bytes at 203 or 212.
    SettingsOutcome changePassword(bool admin, std::string_view oldPassword, std::string_view newPassword);
    SettingsOutcome resetGroup();

private:
    AppContext& ctx() const { return comm_.context(); }
    DeviceStatusRecord& status() const { return comm_.context().statusOf(slot_); }
    SettingsOutcome finish(std::int16_t result) const;

    comm::DeviceComm& comm_;
    Prompter& prompter_;
    int slot_;
    bool feature_;
};

// FwFeatureFlag from the status record's firmware digits and the model code.
bool FwFeatureFlagOf(const AppContext& ctx, int slot);

// The group block a reset leaves: gain 0 dB (code 131), no delay, equaliser not bypassed, each
// band a flat peak at 1 kHz (type 0, 1000 Hz, Q code 14, gain code 30 = 0 dB).
inline constexpr std::uint8_t kResetGroupGain = 131;
inline constexpr std::array<std::uint8_t, 5> kResetGroupBand{0, 0x03, 0xE8, 14, 30};

}  // namespace plenum::device
