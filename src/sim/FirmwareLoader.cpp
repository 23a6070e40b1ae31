#include "sim/FirmwareLoader.h"

#include <zlib.h>

#include <algorithm>

#include "sim/DeviceModel.h"

namespace plenum::sim {

namespace {

constexpr std::size_t kStatusByte = 4;
constexpr std::size_t kReplyData = 5;  // d1..d7
constexpr std::size_t kWriteData = 9;  // data after F0 78 id A2 p1..p5
constexpr std::size_t kWriteOverhead = 10;
constexpr std::size_t kCrcLength = 4;
constexpr std::uint8_t kErased = 0xFF;
constexpr std::uint8_t kLinkUsb = 0;

struct FailureName {
    LoaderFailure failure;
    const char* name;
};
constexpr FailureName kFailureNames[] = {
    {LoaderFailure::None, "none"},           {LoaderFailure::WrongImage, "wrong-image"},
    {LoaderFailure::Protected, "protected"}, {LoaderFailure::EraseFailed, "erase"},
    {LoaderFailure::WriteFailed, "write"},   {LoaderFailure::Busy, "busy"},
    {LoaderFailure::Silent, "silent"},       {LoaderFailure::Checksum, "checksum"},
    {LoaderFailure::Mode, "mode"},
};

std::uint32_t Crc32(const std::uint8_t* data, std::size_t length) {
    return static_cast<std::uint32_t>(crc32(crc32(0L, Z_NULL, 0), data, static_cast<uInt>(length)));
}

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (std::uint8_t byte : bytes) value = (value << 8) | byte;
    return value;
}

void PutBigEndian(std::vector<std::uint8_t>& reply, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        reply[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
}

}  // namespace

const char* LoaderFailureName(LoaderFailure failure) {
    for (const auto& entry : kFailureNames)
        if (entry.failure == failure) return entry.name;
    return "?";
}

bool LoaderFailureFromName(const std::string& name, LoaderFailure& failure) {
    for (const auto& entry : kFailureNames) {
        if (name == entry.name) {
            failure = entry.failure;
            return true;
        }
    }
    return false;
}

const char* ToString(LoaderState state) {
    switch (state) {
        case LoaderState::Idle:
            return "idle";
        case LoaderState::Entered:
            return "entered";
        case LoaderState::Erased:
            return "erased";
        case LoaderState::Written:
            return "written";
        case LoaderState::Verified:
            return "verified";
    }
    return "?";
}

void DeviceLoader::setFailure(LoaderFailure failure, int count) {
    failure_ = count == 0 ? LoaderFailure::None : failure;
    failureCount_ = failure_ == LoaderFailure::None ? 0 : count;
}

bool DeviceLoader::fires(LoaderFailure failure) {
    if (failure_ != failure) return false;
    if (failureCount_ > 0 && --failureCount_ == 0) failure_ = LoaderFailure::None;
    return true;
}

LoaderSnapshot DeviceLoader::snapshot() const {
    return {state_, length_, next_, boots_, runningCrc_};
}

void DeviceLoader::handle(DeviceModel& device, const Request& request, std::vector<std::uint8_t>& reply) {
    std::uint8_t status = kOutOfSequence;
    switch (static_cast<LoaderCode>(request.code())) {
        case LoaderCode::Enter:
            status = enter(device, request, reply);
            break;
        case LoaderCode::Erase:
            status = erase();
            break;
        case LoaderCode::Write:
            status = write(request, reply);
            break;
        case LoaderCode::Verify:
            if (fires(LoaderFailure::Silent)) {
                reply.clear();
                return;
            }
            status = verify(request, reply);
            break;
        case LoaderCode::Boot:
            status = boot(device, reply);
            break;
    }
    reply[kStatusByte] = status;
}

// Enter starts a fresh session whatever came before: the partial image of a broken transfer is
// dropped here.
std::uint8_t DeviceLoader::enter(const DeviceModel& device, const Request& request,
                                 std::vector<std::uint8_t>& reply) {
    state_ = LoaderState::Idle;
    bank_.clear();
    length_ = next_ = 0;
    const DeviceIdentity& identity = device.identity();
    const std::uint8_t link = request.link == LinkKind::Usb ? kLinkUsb : identity.networkLinkMode;
    reply[kReplyData] = link;
    if (fires(LoaderFailure::Busy)) return kBusy;
    // Images travel over wired LAN and USB only; a wireless link is too easily lost half-way.
    constexpr std::uint8_t kLinkWlan = 1;
    if (fires(LoaderFailure::Mode) || link == kLinkWlan) return kModeUnavailable;
    if (fires(LoaderFailure::WrongImage)) return kWrongImage;
    const std::uint8_t kind = identity.isSub() ? 1 : 0;
    const std::size_t length = BigEndian(request.frame.subspan(8, 4));
    const bool digitsOk = request.param(2) <= 9 && request.param(3) <= 9 && request.param(4) <= 9;
    if (request.param(1) != kind || length == 0 || length > kMaxImageLength || !digitsOk) return kWrongImage;
    version_ = {request.param(2), request.param(3), request.param(4)};
    length_ = length;
    state_ = LoaderState::Entered;
    return kOk;
}

std::uint8_t DeviceLoader::erase() {
    if (state_ == LoaderState::Idle) return kOutOfSequence;
    state_ = LoaderState::Entered;
    if (fires(LoaderFailure::Protected)) return kProtected;
    if (fires(LoaderFailure::EraseFailed)) return kEraseFailed;
    bank_.assign(length_, kErased);
    next_ = 0;
    state_ = LoaderState::Erased;
    return kOk;
}

std::uint8_t DeviceLoader::write(const Request& request, std::vector<std::uint8_t>& reply) {
    const std::size_t n = request.blockLength();
    const std::size_t offset = request.address();
    PutBigEndian(reply, kReplyData, static_cast<std::uint32_t>(next_), 3);
    if (state_ != LoaderState::Erased || n <= kCrcLength || request.frame.size() != n + kWriteOverhead ||
        offset != next_ || offset + n - kCrcLength > length_) {
        return kOutOfSequence;
    }
    const std::size_t dataLength = n - kCrcLength;
    const std::size_t middle = length_ / 2;
    if (offset <= middle && middle < offset + dataLength) {
        if (fires(LoaderFailure::Checksum)) return kChecksumError;
        if (fires(LoaderFailure::WriteFailed)) {
            state_ = LoaderState::Entered;
            return kWriteFailed;
        }
    }
    const std::uint8_t* data = request.frame.data() + kWriteData;
    if (Crc32(data, dataLength) != BigEndian(request.frame.subspan(kWriteData + dataLength, kCrcLength))) {
        return kChecksumError;
    }
    std::copy_n(data, dataLength, bank_.begin() + static_cast<std::ptrdiff_t>(offset));
    next_ += dataLength;
    if (next_ == length_) state_ = LoaderState::Written;
    PutBigEndian(reply, kReplyData, static_cast<std::uint32_t>(next_), 3);
    return kOk;
}

std::uint8_t DeviceLoader::verify(const Request& request, std::vector<std::uint8_t>& reply) {
    if (state_ != LoaderState::Written) return kOutOfSequence;
    const std::uint32_t crc = Crc32(bank_.data(), bank_.size());
    PutBigEndian(reply, kReplyData, crc, 4);
    if (crc != BigEndian(request.frame.subspan(4, 4))) {
        state_ = LoaderState::Entered;
        return kChecksumError;
    }
    state_ = LoaderState::Verified;
    return kOk;
}

// The update bank becomes the running firmware: its version digits go to status bytes 1..3, where
// the host reads the firmware version.
std::uint8_t DeviceLoader::boot(DeviceModel& device, std::vector<std::uint8_t>& reply) {
    if (state_ != LoaderState::Verified) return kOutOfSequence;
    device.write(kStatusFirmware, version_);
    runningCrc_ = Crc32(bank_.data(), bank_.size());
    ++boots_;
    state_ = LoaderState::Idle;
    std::copy(version_.begin(), version_.end(), reply.begin() + kReplyData);
    return kOk;
}

void InstallFirmwareLoader(DeviceModel& device) {
    for (std::uint8_t code = static_cast<std::uint8_t>(LoaderCode::Enter);
         code <= static_cast<std::uint8_t>(LoaderCode::Boot); ++code) {
        device.setHandler(code,
                          [](DeviceModel& model, const Request& request, std::vector<std::uint8_t>& reply) {
                              model.loader().handle(model, request, reply);
                          });
    }
}

}  // namespace plenum::sim
