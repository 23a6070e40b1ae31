// The device's firmware loader: the session that takes a new image into the update bank and boots
// it (docs/firmware-loader.md). It runs beside normal operation: the device keeps running its
// current firmware and answering its ordinary commands until a verified image is booted. A broken
// transfer leaves the session where it stopped, and a fresh enter always starts over, so the host
// can simply try again.
//
// Failures for each of the host's error codes can be injected. Like the rest of the device model it
// has no I/O and is not thread-safe; the simulator serialises access.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plenum::sim {

class DeviceModel;
struct Request;

enum class LoaderCode : std::uint8_t { Enter = 0xA0, Erase = 0xA1, Write = 0xA2, Verify = 0xA3, Boot = 0xA4 };
inline constexpr std::size_t kLoaderReplyLength = 13;  // F0 78 id code status d1..d7 F7
inline constexpr std::size_t kMaxImageLength = 4u * 1024u * 1024u;

constexpr bool IsLoaderCode(std::uint8_t code) {
    return code >= static_cast<std::uint8_t>(LoaderCode::Enter) &&
           code <= static_cast<std::uint8_t>(LoaderCode::Boot);
}

// What the device can be told to get wrong, one per host error code 1..8.
enum class LoaderFailure {
    None,
    WrongImage,   // enter answered "wrong image" (1)
    Protected,    // erase answered "protected" (2)
    EraseFailed,  // erase answered "erase failed" (3)
    WriteFailed,  // the chunk holding the image's middle byte answered "write failed" (4)
    Busy,         // enter answered "busy": no session (5)
    Silent,       // verify gets no reply; the host times out (6)
    Checksum,     // the chunk holding the image's middle byte answered "checksum error" (7)
    Mode,         // enter answered "not on this link", naming the link in use (8)
};
// "none", "wrong-image", "protected", "erase", "write", "busy", "silent", "checksum", "mode".
const char* LoaderFailureName(LoaderFailure failure);
bool LoaderFailureFromName(const std::string& name, LoaderFailure& failure);

enum class LoaderState { Idle, Entered, Erased, Written, Verified };
const char* ToString(LoaderState state);

struct LoaderSnapshot {
    LoaderState state = LoaderState::Idle;
    std::size_t imageLength = 0;   // announced by the last enter
    std::size_t received = 0;      // bytes programmed into the update bank
    int boots = 0;                 // verified images booted
    std::uint32_t runningCrc = 0;  // CRC-32 of the image last booted (0 before any)
};

class DeviceLoader {
  public:
    // Fills the 13-byte reply that DeviceModel::handle framed for a loader code; leaves it empty
    // when the device stays silent.
    void handle(DeviceModel& device, const Request& request, std::vector<std::uint8_t>& reply);

    // The failure fires `count` times (-1: until set to None; 0: None) and then disarms.
    void setFailure(LoaderFailure failure, int count = 1);
    LoaderSnapshot snapshot() const;
    const std::vector<std::uint8_t>& bank() const { return bank_; }

  private:
    enum Status : std::uint8_t {
        kOk = 0,
        kWrongImage = 1,
        kProtected = 2,
        kEraseFailed = 3,
        kWriteFailed = 4,
        kBusy = 5,
        kChecksumError = 7,
        kModeUnavailable = 8,
        kOutOfSequence = 9,
    };
    bool fires(LoaderFailure failure);
    std::uint8_t enter(const DeviceModel& device, const Request& request, std::vector<std::uint8_t>& reply);
    std::uint8_t erase();
    std::uint8_t write(const Request& request, std::vector<std::uint8_t>& reply);
    std::uint8_t verify(const Request& request, std::vector<std::uint8_t>& reply);
    std::uint8_t boot(DeviceModel& device, std::vector<std::uint8_t>& reply);

    LoaderFailure failure_ = LoaderFailure::None;
    int failureCount_ = 0;
    LoaderState state_ = LoaderState::Idle;
    std::array<std::uint8_t, 3> version_{};
    std::size_t length_ = 0;
    std::size_t next_ = 0;
    std::vector<std::uint8_t> bank_;
    int boots_ = 0;
    std::uint32_t runningCrc_ = 0;
};

// Makes `device` answer the loader codes through its DeviceLoader.
void InstallFirmwareLoader(DeviceModel& device);

}  // namespace plenum::sim
