#include "store/BackupFile.h"

#include <algorithm>
#include <limits>

#include "store/BlockCodec.h"
#include "store/SlotRecords.h"

namespace plenum {
namespace {

constexpr std::uint8_t kModelWith120Programs = 2;
constexpr int kMaxPrograms = 120;

void WriteBlock(BinaryWriter& out, std::span<const std::uint8_t> plain) {
    const Bytes stored = PackBlock(plain);
    out.i16(static_cast<std::int16_t>(static_cast<int>(stored.size()) - 1));
    out.i16(static_cast<std::int16_t>(static_cast<int>(plain.size()) - 1));
    out.bytes(stored);
}

// Reads one block whose plain size must be `plainSize`; fails the reader otherwise.
Bytes ReadBlock(BinaryReader& in, std::size_t plainSize) {
    const int storedUpper = in.i16();
    const int plainUpper = in.i16();
    if (!in.ok() || storedUpper < -1 || plainUpper + 1 != static_cast<int>(plainSize) ||
        static_cast<std::size_t>(storedUpper + 1) > in.remaining()) {
        in.fail();
        return Bytes(plainSize, 0);
    }
    Bytes stored(static_cast<std::size_t>(storedUpper + 1));
    in.bytes(stored);
    auto plain = UnpackBlock(stored, plainSize);
    if (!plain) {
        in.fail();
        return Bytes(plainSize, 0);
    }
    return std::move(*plain);
}

void WriteRecords(BinaryWriter& out, const BackupRecords& records, bool isSub) {
    if (isSub)
        WriteSubExtra(out, records.subExtra);
    else
        WriteSatExtra(out, records.satExtra);
}

void ReadRecords(BinaryReader& in, BackupRecords& records, bool isSub) {
    if (isSub)
        ReadSubExtra(in, records.subExtra);
    else
        ReadSatExtra(in, records.satExtra);
}

bool ReadFlag(BinaryReader& in, std::int16_t& flag) {
    flag = in.i16();
    if (flag != 0 && flag != 1) in.fail();
    return in.ok();
}

}  // namespace

std::int16_t BackupFormatCode(std::uint8_t modelCode) {
    return modelCode == kSubModelCode ? kSubBackupCode : static_cast<std::int16_t>(modelCode + 98);
}

bool BackupAcceptedBy(std::int16_t formatCode, std::uint8_t modelCode) {
    if (modelCode == kSubModelCode) return formatCode == kSubBackupCode;
    return formatCode == BackupFormatCode(modelCode) || formatCode == kOldSatBackupCode;
}

int ProgramCountOf(std::uint8_t modelCode) { return modelCode == kModelWith120Programs ? kMaxPrograms : kProgramSlots; }

BackupFile EmptyBackup(std::uint8_t modelCode) {
    BackupFile file;
    file.formatCode = BackupFormatCode(modelCode);
    const auto n = static_cast<std::size_t>(ProgramCountOf(modelCode));
    file.programs.resize(n);
    file.slotFlags.assign(n, 0);
    file.programFlags.assign(n, 0);
    return file;
}

Bytes CoefficientBytes(const BackupRecords& records, bool isSub) {
    BinaryWriter out;
    if (isSub) {
        for (std::int16_t locked : records.subExtra.ProgramLocked) out.u8(locked != 0 ? 1 : 0);
        out.u8(records.subExtra.AdminLogged != 0 ? 1 : 0);
        return out.take();
    }
    for (const auto& table : records.satExtra.fir)
        for (float value : table.values) out.f32(value);
    for (const auto& table : records.satExtra.mir)
        for (float value : table.values) out.f32(value);
    return out.take();
}

bool ApplyCoefficientBytes(BackupRecords& records, bool isSub, std::span<const std::uint8_t> bytes) {
    if (bytes.size() != SlotSettingsSize(isSub)) return false;
    BinaryReader in(bytes);
    if (isSub) {
        for (std::int16_t& locked : records.subExtra.ProgramLocked) locked = in.u8();
        records.subExtra.AdminLogged = in.u8();
        return in.ok();
    }
    for (auto& table : records.satExtra.fir)
        for (float& value : table.values) value = in.f32();
    for (auto& table : records.satExtra.mir)
        for (float& value : table.values) value = in.f32();
    return in.ok();
}

Bytes EncodeBackup(const BackupFile& file) {
    const bool isSub = file.isSub();
    BinaryWriter out;
    out.i16(file.formatCode);
    if (file.formatCode == kOldSatBackupCode) {
        out.bytes(file.status.bytes);
        out.bytes(file.image);
        WriteRecords(out, file.records, false);
    } else {
        Bytes header;
        header.reserve(kLiveHeaderSize);
        header.push_back(file.headerByte);
        header.insert(header.end(), file.status.bytes.begin(), file.status.bytes.end());
        header.insert(header.end(), file.image.begin(), file.image.end());
        WriteBlock(out, header);
        WriteRecords(out, file.records, isSub);
        WriteBlock(out, CoefficientBytes(file.records, isSub));
    }
    for (const BackupProgram& program : file.programs) {
        WriteBlock(out, program.image);
        WriteRecords(out, program.records, isSub);
        WriteBlock(out, CoefficientBytes(program.records, isSub));
    }
    out.i16(file.actualProgramFlag);
    out.i16(file.systemDataFlag);
    for (std::int16_t flag : file.slotFlags) out.i16(flag);
    for (std::int16_t flag : file.programFlags) out.i16(flag);
    return out.take();
}

BackupReadResult DecodeBackup(std::span<const std::uint8_t> bytes) {
    BinaryReader in(bytes);
    BackupFile file;
    file.formatCode = in.i16();
    if (!in.ok()) return {std::nullopt, BackupReadError::Damaged};
    std::uint8_t modelCode = 0;
    if (file.formatCode == kSubBackupCode)
        modelCode = kSubModelCode;
    else if (file.formatCode == kOldSatBackupCode)
        modelCode = 0;
    else if (file.formatCode >= 98 && file.formatCode <= 98 + 11 && file.formatCode != 98 + kSubModelCode)
        modelCode = static_cast<std::uint8_t>(file.formatCode - 98);
    else
        return {std::nullopt, BackupReadError::WrongFormat};
    const bool isSub = file.isSub();
    const std::size_t coefficientSize = SlotSettingsSize(isSub);

    if (file.formatCode == kOldSatBackupCode) {
        in.bytes(file.status.bytes);
        in.bytes(file.image);
        ReadRecords(in, file.records, false);
    } else {
        const Bytes header = ReadBlock(in, kLiveHeaderSize);
        file.headerByte = header[0];
        std::copy_n(header.begin() + 1, file.status.size(), file.status.bytes.begin());
        std::copy_n(header.begin() + 1 + static_cast<std::ptrdiff_t>(file.status.size()), kBackupImageSize,
                    file.image.begin());
        ReadRecords(in, file.records, isSub);
        if (!ApplyCoefficientBytes(file.records, isSub, ReadBlock(in, coefficientSize))) in.fail();
    }
    const auto n = static_cast<std::size_t>(ProgramCountOf(modelCode));
    file.programs.resize(n);
    for (BackupProgram& program : file.programs) {
        if (!in.ok()) return {std::nullopt, BackupReadError::Damaged};
        const Bytes image = ReadBlock(in, kBackupImageSize);
        std::copy(image.begin(), image.end(), program.image.begin());
        ReadRecords(in, program.records, isSub);
        if (!ApplyCoefficientBytes(program.records, isSub, ReadBlock(in, coefficientSize))) in.fail();
    }
    ReadFlag(in, file.actualProgramFlag);
    ReadFlag(in, file.systemDataFlag);
    file.slotFlags.resize(n);
    for (std::int16_t& flag : file.slotFlags) flag = in.i16();
    file.programFlags.resize(n);
    for (std::int16_t& flag : file.programFlags) ReadFlag(in, flag);
    if (!in.ok() || !in.atEnd()) return {std::nullopt, BackupReadError::Damaged};
    return {std::move(file), BackupReadError::None};
}

std::error_code SaveBackupFile(const std::filesystem::path& path, const BackupFile& file) {
    const Bytes bytes = EncodeBackup(file);
    return WriteFileAtomic(path, bytes);
}

BackupReadResult LoadBackupFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto bytes = ReadWholeFile(path, error);
    if (!bytes) return {std::nullopt, BackupReadError::Damaged};
    return DecodeBackup(*bytes);
}

}  // namespace plenum
