#include "sat/DeviceMemory.h"

#include <algorithm>
#include <vector>

#include "core/ImageLayout.h"
#include "sat/FirDefaults.h"

namespace plenum {
namespace {

constexpr std::size_t kReplyDataOffset = 4;  // block data starts at RxBuffer[4]
constexpr std::uint32_t kFirDesignAddress = kLiveProgramAddress + sat::kFirDesign;
constexpr std::uint8_t kBlockReadCode = 0x16;
// Requests per piece whose reply is not a block-read frame (as many as the transaction allows a
// garbled network reply).
constexpr int kPieceAttempts = 3;

// Whether RxBuffer holds the block-read reply of a `length`-byte piece: F0 .. 16 <block> F7. The
// transaction checks the framing of network replies only; a USB reply is taken as it comes, so a
// reply of zero bytes or the tail of an earlier, abandoned reply would otherwise be copied into
// the application's records as if it were the device's memory.
bool IsBlockReply(const comm::BlockBuffer& rx, std::size_t length) {
    return rx[0] == comm::kFrameStart && rx[3] == kBlockReadCode && rx[kReplyDataOffset + length] == comm::kFrameEnd;
}

}  // namespace

std::int16_t ReadBlock(comm::DeviceComm& comm, int slot, std::uint32_t address, std::span<std::uint8_t> out,
                       bool stopOnFailure) {
    // The pieces gather in a scratch copy that reaches `out` only when every piece arrived: a piece
    // that got no reply (the device went off-line during the read, so later pieces return at once
    // without sending) would otherwise copy whatever an earlier transaction left in RxBuffer.
    std::vector<std::uint8_t> transfer(out.size());
    std::int16_t overall = 0;
    for (std::size_t offset = 0; offset < out.size(); offset += kTransferPiece) {
        const std::size_t length = std::min(kTransferPiece, out.size() - offset);
        std::int16_t result = -1;
        for (int attempt = 0; attempt < kPieceAttempts; ++attempt) {
            result = comm.SendCommand(slot, comm::CommandCode::BlockRead,
                                      comm::BlockTransferParams(address + static_cast<std::uint32_t>(offset), length));
            if (result == 0 && !comm.replyReceived()) result = -1;
            if (result != 0) break;
            if (IsBlockReply(comm.RxBuffer, length)) break;
            result = -1;  // asked again
        }
        if (!stopOnFailure) comm.LastTxResult = result;
        if (result != 0) {
            if (stopOnFailure) return result;
            overall = result;
            continue;
        }
        std::copy_n(comm.RxBuffer.begin() + kReplyDataOffset, length,
                    transfer.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    if (overall == 0) std::copy(transfer.begin(), transfer.end(), out.begin());
    return overall;
}

std::int16_t WriteBlock(comm::DeviceComm& comm, int slot, std::uint32_t address, std::span<const std::uint8_t> bytes) {
    for (std::size_t offset = 0; offset < bytes.size(); offset += kTransferPiece) {
        const std::size_t length = std::min(kTransferPiece, bytes.size() - offset);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), length, comm.TxBlockBuffer.begin());
        const auto result = comm.SendCommand(slot, comm::CommandCode::BlockWrite,
                                             comm::BlockTransferParams(address + static_cast<std::uint32_t>(offset), length));
        if (result != 0) return result;
    }
    return 0;
}

std::int16_t ReadStatus(comm::DeviceComm& comm, int slot) {
    return ReadBlock(comm, slot, kStatusAddress, comm.context().statusOf(slot).bytes, false);
}

std::int16_t ReadImage(comm::DeviceComm& comm, int slot) {
    AppContext& ctx = comm.context();
    const auto index = static_cast<std::size_t>(slot);
    if (ctx.device(slot).isSub()) return ReadBlock(comm, slot, kLiveProgramAddress, ctx.subImage[index].bytes, true);
    SatParamImage image = ctx.satImage[index];
    const auto result = ReadBlock(comm, slot, kLiveProgramAddress, image.bytes, true);
    if (result != 0) return result;
    const FirDefaultsResult filled = InitFirDefaults(image);
    ctx.satImage[index] = image;
    if (!filled.any()) return 0;
    const auto block = PackFirDesign(image);
    return WriteBlock(comm, slot, kFirDesignAddress, block);
}

std::int16_t WriteStatus(comm::DeviceComm& comm, int slot) {
    return WriteBlock(comm, slot, kStatusAddress, comm.context().statusOf(slot).bytes);
}

std::int16_t WriteImage(comm::DeviceComm& comm, int slot) { return WriteImageToSlot(comm, slot, -1); }

std::int16_t WriteImageToSlot(comm::DeviceComm& comm, int slot, int programSlot) {
    AppContext& ctx = comm.context();
    const auto index = static_cast<std::size_t>(slot);
    const std::uint32_t address = programSlot < 0 ? kLiveProgramAddress : ProgramSlotAddress(programSlot);
    if (ctx.device(slot).isSub()) return WriteBlock(comm, slot, address, ctx.subImage[index].bytes);
    return WriteBlock(comm, slot, address, ctx.satImage[index].bytes);
}

std::int16_t WriteImageToSlot(comm::DeviceComm& comm, int slot, int programSlot, std::span<const std::uint8_t> image) {
    return WriteBlock(comm, slot, ProgramSlotAddress(programSlot), image);
}

void AutoUpdate(comm::DeviceComm& comm, int slot, const UpdateMarks& marks, int& lastProgram, AutoUpdateHooks& hooks) {
    if (marks.status) {
        ReadStatus(comm, slot);
        ReadImage(comm, slot);
    }
    if (marks.programList) hooks.readProgramList(slot);
    const int program = comm.context().statusOf(slot)[status::kCurrentProgram] & 0x7F;
    if (program != lastProgram) {
        lastProgram = program;
        hooks.readFirBlocks(slot);
    }
    hooks.refreshWindow(slot);
}

}  // namespace plenum

namespace plenum {

std::int16_t DeviceSettingsTransfer::loadToDevice(int slot) {
    if (const auto result = WriteImage(comm_, slot); result != 0) return result;
    return ReadStatus(comm_, slot);
}

std::int16_t DeviceSettingsTransfer::readFromDevice(int slot) {
    const auto status = ReadStatus(comm_, slot);
    const auto image = ReadImage(comm_, slot);
    return status != 0 ? status : image;
}

comm::SettingsTransfer::ReadBack DeviceSettingsTransfer::compareWithDevice(int slot) {
    AppContext& ctx = comm_.context();
    const auto index = static_cast<std::size_t>(slot);
    auto compare = [&](auto& device, const auto& image) {
        if (ReadBlock(comm_, slot, kLiveProgramAddress, device.bytes, true) != 0) return ReadBack::Failed;
        return device == image ? ReadBack::Match : ReadBack::Mismatch;
    };
    if (ctx.device(slot).isSub()) {
        SubParamImage device;
        return compare(device, ctx.subImage[index]);
    }
    SatParamImage device;
    return compare(device, ctx.satImage[index]);
}

}  // namespace plenum
