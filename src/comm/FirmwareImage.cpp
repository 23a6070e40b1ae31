#include "comm/FirmwareImage.h"

#include <zlib.h>

#include <algorithm>
#include <cassert>
#include <fstream>

#include "core/BinaryIO.h"

namespace plenum::comm {

namespace {
constexpr std::size_t kHeaderCrcOffset = 20;
constexpr std::size_t kMaxFileLength = kSfuHeaderLength + kMaxFirmwareImageLength;
}  // namespace

const char* ToString(SfuError error) {
    switch (error) {
        case SfuError::None:
            return "ok";
        case SfuError::Unreadable:
            return "the file cannot be read";
        case SfuError::TooShort:
            return "shorter than the header";
        case SfuError::BadMagic:
            return "not a firmware file";
        case SfuError::BadFormat:
            return "unknown format version";
        case SfuError::BadKind:
            return "unknown device kind";
        case SfuError::BadVersion:
            return "version digit above 9";
        case SfuError::BadReserved:
            return "reserved bytes not zero";
        case SfuError::BadLength:
            return "image length wrong";
        case SfuError::BadHeaderCrc:
            return "header checksum wrong";
        case SfuError::BadImageCrc:
            return "image checksum wrong";
    }
    return "?";
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes the length as uInt; feed large spans in pieces.
    constexpr std::size_t kPiece = 1u << 30;
    for (std::size_t done = 0; done < bytes.size(); done += kPiece) {
        const std::size_t piece = std::min(kPiece, bytes.size() - done);
        crc = crc32(crc, bytes.data() + done, static_cast<uInt>(piece));
    }
    return static_cast<std::uint32_t>(crc);
}

SfuParse ParseSfu(std::span<const std::uint8_t> file) {
    SfuParse result;
    auto refuse = [&result](SfuError error) {
        result.error = error;
        result.firmware = {};
        return result;
    };
    if (file.size() < kSfuHeaderLength) return refuse(SfuError::TooShort);
    BinaryReader reader(file.first(kSfuHeaderLength));
    std::array<std::uint8_t, 4> magic{};
    reader.bytes(magic);
    if (magic != kSfuMagic) return refuse(SfuError::BadMagic);
    if (reader.u8() != kSfuFormat) return refuse(SfuError::BadFormat);
    const std::uint8_t kind = reader.u8();
    if (kind > static_cast<std::uint8_t>(FirmwareKind::Subwoofer)) return refuse(SfuError::BadKind);
    FirmwareImage& firmware = result.firmware;
    firmware.kind = static_cast<FirmwareKind>(kind);
    reader.bytes(firmware.version);
    if (std::any_of(firmware.version.begin(), firmware.version.end(), [](std::uint8_t d) { return d > 9; })) {
        return refuse(SfuError::BadVersion);
    }
    std::array<std::uint8_t, 3> reserved{};
    reader.bytes(reserved);
    if (reserved != std::array<std::uint8_t, 3>{}) return refuse(SfuError::BadReserved);
    const std::uint32_t length = reader.u32();
    firmware.imageCrc = reader.u32();
    const std::uint32_t headerCrc = reader.u32();
    if (Crc32(file.first(kHeaderCrcOffset)) != headerCrc) return refuse(SfuError::BadHeaderCrc);
    if (length == 0 || length > kMaxFirmwareImageLength || file.size() - kSfuHeaderLength != length) {
        return refuse(SfuError::BadLength);
    }
    const auto image = file.subspan(kSfuHeaderLength);
    if (Crc32(image) != firmware.imageCrc) return refuse(SfuError::BadImageCrc);
    firmware.image.assign(image.begin(), image.end());
    return result;
}

SfuParse ReadSfuFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {SfuError::Unreadable, {}};
    std::vector<std::uint8_t> bytes(kMaxFileLength + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) return {SfuError::Unreadable, {}};
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return ParseSfu(bytes);
}

std::vector<std::uint8_t> BuildSfu(FirmwareKind kind, std::array<std::uint8_t, 3> version,
                                   std::span<const std::uint8_t> image) {
    assert(!image.empty() && image.size() <= kMaxFirmwareImageLength);
    BinaryWriter writer;
    writer.bytes(kSfuMagic);
    writer.u8(kSfuFormat);
    writer.u8(static_cast<std::uint8_t>(kind));
    writer.bytes(version);
    writer.padTo(12);
    writer.u32(static_cast<std::uint32_t>(image.size()));
    writer.u32(Crc32(image));
    writer.u32(Crc32(writer.data()));
    writer.bytes(image);
    return writer.take();
}

}  // namespace plenum::comm
