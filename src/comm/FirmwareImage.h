// The ".sfu" firmware file: a 24-byte little-endian header (magic, format, device kind, version
// digits, image length, image CRC, header CRC) followed by the image. docs/firmware-loader.md has
// the table. Parsing validates every field; a file that fails any check is refused as a whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace plenum::comm {

inline constexpr std::array<std::uint8_t, 4> kSfuMagic{'P', 'S', 'F', 'U'};
inline constexpr std::uint8_t kSfuFormat = 1;
inline constexpr std::size_t kSfuHeaderLength = 24;
inline constexpr std::size_t kMaxFirmwareImageLength = 4u * 1024u * 1024u;

// The device kind byte of the file and of the loader's enter request: the family, which decides
// which DSP program a device runs.
enum class FirmwareKind : std::uint8_t { Satellite = 0, Subwoofer = 1 };

struct FirmwareImage {
    FirmwareKind kind = FirmwareKind::Satellite;
    std::array<std::uint8_t, 3> version{};  // digits a, b, c of version a.b.c
    std::vector<std::uint8_t> image;
    std::uint32_t imageCrc = 0;

    int versionNumber() const { return 100 * version[0] + 10 * version[1] + version[2]; }
};

// Why a file was refused; every value but None is shown to the user as "Wrong firmware file!".
enum class SfuError {
    None,
    Unreadable,  // the file could not be opened or read
    TooShort,    // fewer bytes than the header
    BadMagic,
    BadFormat,
    BadKind,
    BadVersion,  // a digit above 9
    BadReserved,
    BadLength,  // 0, above the maximum, or not what the file holds
    BadHeaderCrc,
    BadImageCrc,
};
const char* ToString(SfuError error);

struct SfuParse {
    SfuError error = SfuError::None;
    FirmwareImage firmware;  // valid only when error is None
    bool ok() const { return error == SfuError::None; }
};

// CRC-32 (IEEE 802.3, zlib's crc32) of `bytes`.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

SfuParse ParseSfu(std::span<const std::uint8_t> file);
// Reads at most header + maximum image + 1 bytes, so a huge file is refused without loading it.
SfuParse ReadSfuFile(const std::filesystem::path& path);

// Builds a well-formed file. Preconditions: 1 <= image size <= kMaxFirmwareImageLength, digits 0..9.
std::vector<std::uint8_t> BuildSfu(FirmwareKind kind, std::array<std::uint8_t, 3> version,
                                   std::span<const std::uint8_t> image);

}  // namespace plenum::comm
