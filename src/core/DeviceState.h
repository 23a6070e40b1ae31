// The application-wide device state: the records every subsystem reads and writes, addressed by
// device slot 0..24 (user devices occupy 1..24). These are plain data; the rules that fill and
// check them live in the registry (core) and in the family subsystems (sat, sub, groups).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace plenum {

// The device and the original tool exchange booleans as 16-bit 0 / -1; records keep that form
// because it is what the project files store.
using Bool16 = std::int16_t;
inline constexpr Bool16 kTrue16 = -1;
inline constexpr Bool16 kFalse16 = 0;
constexpr Bool16 ToBool16(bool value) { return value ? kTrue16 : kFalse16; }
// True for the two values a 16-bit boolean may hold; files with anything else are damaged.
constexpr bool IsBool16(Bool16 value) { return value == kFalse16 || value == kTrue16; }

inline constexpr int kSlotCount = 25;  // slot 0 is scratch/the "current" slot, 1..24 are listed devices
inline constexpr int kFirstUserSlot = 1;
inline constexpr int kLastUserSlot = 24;
inline constexpr int kMaxDevices = 24;
inline constexpr int kGroupCount = 8;
inline constexpr int kProgramSlots = 8;
inline constexpr int kMaxEditWindows = 5;
inline constexpr int kNoTile = 255;

inline constexpr std::uint8_t kSubModelCode = 1;

// Link modes of DeviceRecord::LinkMode; any non-zero value means a network link.
inline constexpr std::int16_t kLinkUsb = 0;
inline constexpr std::int16_t kLinkWlan = 1;
inline constexpr std::int16_t kLinkLan = 2;

// One row of the device list.
struct DeviceRecord {
    Bool16 Connected = 0;
    Bool16 EditOpen = 0;
    std::int16_t SlotIndex = 0;
    std::string Address;  // dotted IPv4 text, or "USB"
    std::int16_t LinkMode = kLinkUsb;
    std::int16_t HwFamily = 0;
    Bool16 Present = 0;
    std::uint8_t ModelCode = 0;
    std::string DeviceName;
    std::string UniqueId;
    std::int16_t TilePos = kNoTile;
    std::int32_t TileWindow = kNoTile;
    std::int32_t EditWindow = kNoTile;

    bool isSub() const { return ModelCode == kSubModelCode; }
    bool isNetwork() const { return LinkMode != kLinkUsb; }
    bool isPresent() const { return Present != 0; }
    bool isConnected() const { return Connected != 0; }
    bool operator==(const DeviceRecord&) const = default;
};

using DeviceTable = std::array<DeviceRecord, kSlotCount>;

// A fixed block of device memory held byte for byte as the loudspeaker holds it.
template <std::size_t N>
struct ByteImage {
    static constexpr std::size_t kSize = N;
    std::array<std::uint8_t, N> bytes{};

    std::uint8_t& operator[](std::size_t offset) { return bytes[offset]; }
    std::uint8_t operator[](std::size_t offset) const { return bytes[offset]; }
    std::uint8_t* data() { return bytes.data(); }
    const std::uint8_t* data() const { return bytes.data(); }
    static constexpr std::size_t size() { return N; }
    bool operator==(const ByteImage&) const = default;
};

// The loudspeaker's system block: its memory from address 0.
using DeviceStatusRecord = ByteImage<384>;
// The live program of a satellite / a subwoofer: device memory from address 384.
using SatParamImage = ByteImage<576>;
using SubParamImage = ByteImage<192>;

// Known offsets in DeviceStatusRecord.
namespace status {
inline constexpr int kFirmware = 1;  // bytes 1, 2, 3: version = 100*b1 + 10*b2 + b3
inline constexpr int kName = 5;      // 16 single-byte characters, blank padded
inline constexpr int kNameLength = 16;
inline constexpr int kLanMode = 27;
inline constexpr int kCurrentProgram = 202;
inline constexpr int kAdminPassword = 203;
inline constexpr int kUserPassword = 212;
inline constexpr int kGuiLocked = 218;
inline constexpr int kPanelLocked = 219;
inline constexpr int kRecallMode = 220;
inline constexpr int kNoiseEnable = 222;
inline constexpr int kNoiseType = 223;
inline constexpr int kNoiseLevel = 224;
inline constexpr int kAutoSleepEnable = 225;
inline constexpr int kAutoSleepTime = 226;
inline constexpr int kAutoStandbyEnable = 227;
inline constexpr int kAutoStandbyTime = 228;
inline constexpr int kGrpGain = 229;
inline constexpr int kGrpDelay = 230;  // 3 bytes: ms high, ms low, 1/48 ms steps
inline constexpr int kGrpEqBypass = 233;
inline constexpr int kGrpPeq = 234;  // 25 bytes, field f of band b at 234 + 5*f + b
inline constexpr int kLinkMask = 260;
inline constexpr int kSystemMode = 261;
inline constexpr int kSpeakerLoad = 262;
inline constexpr int kHwVariant = 265;
inline constexpr int kAmpBoost = 266;
inline constexpr int kFirEnabled = 380;  // bit w: the FIR of output way w runs (command 13)
}  // namespace status

int FirmwareVersion(const DeviceStatusRecord& record);

inline constexpr int kFirTaps = 1024;
inline constexpr int kMirTaps = 512;
inline constexpr int kWays = 2;

// One coefficient table of an output way with the name and tap count the windows show.
template <std::size_t N>
struct CoefficientTable {
    std::string name;
    std::int16_t taps = 0;
    std::array<float, N> values{};
    bool operator==(const CoefficientTable&) const = default;
};

// Program bookkeeping the application keeps beside a device's image.
struct ProgramBook {
    std::array<std::string, kProgramSlots> ProgramNames;
    std::array<std::int16_t, kProgramSlots> ProgramLocked{};
    std::int16_t AdminLogged = 0;
    bool operator==(const ProgramBook&) const = default;
};

struct SatExtraRecord : ProgramBook {
    std::array<CoefficientTable<kFirTaps>, kWays> fir;
    std::array<CoefficientTable<kMirTaps>, kWays> mir;
    bool operator==(const SatExtraRecord&) const = default;
};

struct SubExtraRecord : ProgramBook {
    bool operator==(const SubExtraRecord&) const = default;
};

// One of the 8 device groups: a Left and a Right satellite and an optional subwoofer that share
// a group block (gain, delay, 5-band EQ, mute).
struct GroupRecord {
    std::string Name;
    Bool16 InUse = 0;
    Bool16 EqOnSub = 0;
    std::array<Bool16, kSlotCount> Member{};
    std::int16_t HasSub = 0;
    std::int16_t LeftDev = 0;
    std::int16_t RightDev = 0;
    std::int16_t SubDev = 0;
    std::uint8_t Mute = 0;
    std::uint8_t EqBypass = 0;
    std::array<std::uint8_t, 25> Peq{};  // field-major: field f of band b at 5*f + b
    std::uint8_t Gain = 0;
    std::array<std::uint8_t, 3> SatDelay{};
    std::array<std::uint8_t, 3> SubDelay{};

    bool isInUse() const { return InUse != 0; }
    bool hasMember(int slot) const { return slot >= 0 && slot < kSlotCount && Member[slot] != 0; }
    bool operator==(const GroupRecord&) const = default;
};

// What the application keeps per group besides the record itself.
struct GroupState {
    Bool16 SyncDeclined = 0;
    std::int16_t PresetIndex = 10;  // 0..9 a preset, 10 custom
    std::int32_t windowLeft = 0;
    std::int32_t windowTop = 0;
    bool operator==(const GroupState&) const = default;
};

// The external-filter data of one device entry (owned by the external FIR and wizard windows):
// a 40-byte record and five pairs of 32-bit values.
struct ExtFilterEntry {
    std::array<std::uint8_t, 40> record{};
    std::array<std::array<std::int32_t, 2>, 5> pairs{};
    bool operator==(const ExtFilterEntry&) const = default;
};

// A list of removed network devices: (unique ID, link-mode name) rows.
using RemovedDeviceList = std::vector<std::pair<std::string, std::string>>;

// A 16-bit flag that the user-interface thread and the communication thread both read and write
// (a window sets TxSuspended while the worker's transaction tests it). Each access is atomic; a
// sequence of accesses is not, so a flag says what is going on, it does not lock anything.
class SharedFlag16 {
public:
    SharedFlag16(Bool16 value = kFalse16) : value_(value) {}  // NOLINT: used like the plain value
    SharedFlag16(const SharedFlag16& other) : value_(other.load()) {}
    SharedFlag16& operator=(const SharedFlag16& other) {
        value_.store(other.load());
        return *this;
    }
    SharedFlag16& operator=(Bool16 value) {
        value_.store(value);
        return *this;
    }
    operator Bool16() const { return load(); }  // NOLINT: used like the plain value
    Bool16 load() const { return value_.load(); }

private:
    std::atomic<Bool16> value_;
};

// The flags that keep periodic work, sends and alerts apart. The communication thread and the
// user-interface thread share them, hence atomic.
struct CommFlags {
    SharedFlag16 CommBusy = kFalse16;       // a transaction is retrying or a modal device dialog runs
    SharedFlag16 TxSuspended = kFalse16;    // nothing is sent
    SharedFlag16 GuiUpdating = kFalse16;    // a window fills its controls: nothing is sent
    SharedFlag16 AlertHold = kFalse16;      // suppress the communication alert
    SharedFlag16 SilentComm = kFalse16;     // suppress the communication alert
    SharedFlag16 UsbScanActive = kFalse16;  // a USB port scan runs: suppress the alert
};

}  // namespace plenum
