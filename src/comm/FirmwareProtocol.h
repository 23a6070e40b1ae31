// The loader's wire format, host side: request frames and the status reply. The framing is the
// device protocol's (F0 78 id code ... F7, the code fixing the length); docs/firmware-loader.md
// describes every code and field.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "comm/FirmwareImage.h"

namespace plenum::comm {

enum class LoaderCode : std::uint8_t {
    Enter = 0xA0,   // short: p1 kind, p2..p4 version digits, p5..p8 image length (big-endian)
    Erase = 0xA1,   // short, no parameters
    Write = 0xA2,   // block form: p1..p3 offset, p4:p5 n = data + 4, data, CRC-32 of data
    Verify = 0xA3,  // short: p1..p4 CRC-32 of the whole image
    Boot = 0xA4,    // short, no parameters
};

// The status byte of every loader reply. Values 1..8 are the loader error codes themselves.
enum class LoaderStatus : std::uint8_t {
    Ok = 0,
    WrongImage = 1,
    Protected = 2,
    EraseFailed = 3,
    WriteFailed = 4,
    Busy = 5,
    ChecksumError = 7,
    ModeUnavailable = 8,
    OutOfSequence = 9,
};

// The loader's error codes, as FwLoader_FwLoadProgress reports them.
enum class FwLoadError : int {
    None = 0,
    WrongFile = 1,
    Protected = 2,
    EraseFailed = 3,
    WriteFailed = 4,
    CantConnect = 5,
    Timeout = 6,
    Checksum = 7,
    ModeUnavailable = 8,
};

inline constexpr std::uint8_t kLoaderBusId = 0;
inline constexpr std::size_t kLoaderReplyLength = 13;
inline constexpr std::size_t kLoaderChunkLength = 512;  // data bytes per write request
inline constexpr std::size_t kLoaderCrcLength = 4;
inline constexpr std::size_t kLoaderWriteOverhead = 10;  // F0 78 id A2 p1..p5 ... F7
inline constexpr std::uint32_t kMaxLoaderOffset = 0xFFFFFF;

std::vector<std::uint8_t> BuildLoaderEnter(const FirmwareImage& firmware);
std::vector<std::uint8_t> BuildLoaderErase();
// Precondition: 1 <= data size <= 765 (the request fits the device's 769-byte block), offset < 2^24.
std::vector<std::uint8_t> BuildLoaderWrite(std::uint32_t offset, std::span<const std::uint8_t> data);
std::vector<std::uint8_t> BuildLoaderVerify(std::uint32_t imageCrc);
std::vector<std::uint8_t> BuildLoaderBoot();

struct LoaderReply {
    LoaderStatus status = LoaderStatus::Ok;
    std::array<std::uint8_t, 7> data{};  // d1..d7
};

// A 13-byte status frame answering `code`; nullopt for anything else (wrong length, framing, code).
std::optional<LoaderReply> ParseLoaderReply(LoaderCode code, std::span<const std::uint8_t> reply);

// The error code a status stands for (None for Ok). Out-of-sequence is a failed write; an unknown
// status is treated like a corrupted reply.
FwLoadError ErrorOf(LoaderStatus status);
FwLoadError ErrorOfStatusByte(std::uint8_t status);

}  // namespace plenum::comm
