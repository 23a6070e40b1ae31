// Backup files (.bck): what one loudspeaker holds, saved so that it can be written back into a
// loudspeaker of the same kind.
//
// Container (little-endian, front to back; integers 16-bit signed unless said):
//   1  format code          satellite: model code + 98; subwoofer: 19; 18 = older satellite file
//   2  live header          block, 961 bytes plain: header byte, 384-byte status record,
//                           576-byte parameter image (a subwoofer's 192 bytes, zero filled)
//   3  live parameters      the extra record, unencoded (SatExtraRecord / SubExtraRecord form of
//                           store/SlotRecords.h)
//   4  live coefficients    block: the coefficient tables (see CoefficientBytes)
//   5  programs             N times: block (576-byte image of the slot), extra record, block
//                           (coefficient tables)
//   6  actual-program flag  1 when the live program was backed up
//   7  system-data flag     1 when the status record was backed up
//   8  slot flags           N values of the backup window's per-slot table, kept as they are
//   9  program flags        N values: 1 when that program was backed up
// N is 8, or 120 for model code 2.
//
// A block is: 16-bit highest index of the stored (encoded) bytes, 16-bit highest index of the
// plain bytes, then the stored bytes. The block codec is PackBits (store/BlockCodec.h).
//
// Older satellite files (code 18) hold the status record, the 576-byte image and the extra
// record unencoded; from the programs on they are laid out like the current files.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "core/BinaryIO.h"
#include "core/DeviceState.h"

namespace plenum {

inline constexpr std::int16_t kOldSatBackupCode = 18;
inline constexpr std::int16_t kSubBackupCode = 19;
inline constexpr std::size_t kBackupImageSize = 576;
inline constexpr std::size_t kLiveHeaderSize = 1 + 384 + kBackupImageSize;

// The format code a backup of this model is written with.
std::int16_t BackupFormatCode(std::uint8_t modelCode);
// Whether a device of this model takes a file of this format code (its own code, and 18 for a
// satellite).
bool BackupAcceptedBy(std::int16_t formatCode, std::uint8_t modelCode);
// Stored program slots of a model: 120 for model code 2, else 8.
int ProgramCountOf(std::uint8_t modelCode);

// The extra record and coefficient tables that travel with an image.
struct BackupRecords {
    SatExtraRecord satExtra;  // satellite files
    SubExtraRecord subExtra;  // subwoofer files
    bool operator==(const BackupRecords&) const = default;
};

struct BackupProgram {
    std::array<std::uint8_t, kBackupImageSize> image{};
    BackupRecords records;
    bool operator==(const BackupProgram&) const = default;
};

struct BackupFile {
    std::int16_t formatCode = 0;
    // The header byte copies the program system byte of the live image (byte 519).
    std::uint8_t headerByte = 0;
    DeviceStatusRecord status{};
    std::array<std::uint8_t, kBackupImageSize> image{};
    BackupRecords records;
    std::vector<BackupProgram> programs;
    std::int16_t actualProgramFlag = 0;
    std::int16_t systemDataFlag = 0;
    std::vector<std::int16_t> slotFlags;
    std::vector<std::int16_t> programFlags;

    bool isSub() const { return formatCode == kSubBackupCode; }
    bool hasActualProgram() const { return actualProgramFlag == 1; }
    bool hasSystemData() const { return systemDataFlag == 1; }
    bool hasProgram(int k) const {
        return k >= 0 && static_cast<std::size_t>(k) < programFlags.size() && programFlags[static_cast<std::size_t>(k)] == 1;
    }
    bool operator==(const BackupFile&) const = default;
};

// A file ready for a model: format code, N program entries, N flags each.
BackupFile EmptyBackup(std::uint8_t modelCode);

// The coefficient tables of a record as bytes: a satellite's FIR and MIR values of both ways as
// 32-bit floats (FIR way 0, FIR way 1, MIR way 0, MIR way 1); a subwoofer's eight program lock
// flags and its administrator flag, one byte each.
Bytes CoefficientBytes(const BackupRecords& records, bool isSub);
bool ApplyCoefficientBytes(BackupRecords& records, bool isSub, std::span<const std::uint8_t> bytes);

Bytes EncodeBackup(const BackupFile& file);

enum class BackupReadError { None, WrongFormat, Damaged };
struct BackupReadResult {
    std::optional<BackupFile> file;
    BackupReadError error = BackupReadError::None;
};
// Reads a whole file. A format code no device takes is WrongFormat; anything that does not read
// to the end exactly (truncated, a block that does not decode, flags other than 0 and 1, bytes
// left over) is Damaged. Nothing partial is ever returned.
BackupReadResult DecodeBackup(std::span<const std::uint8_t> bytes);

// Atomic save: the previous file survives a failed write.
std::error_code SaveBackupFile(const std::filesystem::path& path, const BackupFile& file);
BackupReadResult LoadBackupFile(const std::filesystem::path& path);

}  // namespace plenum
