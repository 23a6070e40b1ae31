// Reading and writing a loudspeaker's state: its status record at address 0 (384 bytes), its live
// program at 384 (576 bytes for a satellite, 192 for a subwoofer) and its stored programs at
// 16384 * (k + 1) + 384. Blocks travel in pieces of 192 bytes.
#pragma once

#include <cstdint>
#include <span>

#include "comm/DeviceComm.h"

namespace plenum {

inline constexpr std::uint32_t kStatusAddress = 0;
inline constexpr std::uint32_t kLiveProgramAddress = 384;
inline constexpr std::size_t kTransferPiece = 192;

constexpr std::uint32_t ProgramSlotBase(int k) { return 16384u * static_cast<std::uint32_t>(k + 1); }
constexpr std::uint32_t ProgramSlotAddress(int k) { return ProgramSlotBase(k) + kLiveProgramAddress; }

// Reads `out.size()` bytes from `address` in 192-byte pieces. With stopOnFailure the read ends at
// the first failed piece; otherwise every piece is tried and each result stored in LastTxResult.
// A piece counts as failed when no reply arrived, also when the transaction sent nothing because
// the device is off-line. `out` changes only when every piece arrived. Returns 0 when every piece
// arrived, the failure result otherwise.
std::int16_t ReadBlock(comm::DeviceComm& comm, int slot, std::uint32_t address, std::span<std::uint8_t> out,
                       bool stopOnFailure);
// Writes the bytes at `address` in 192-byte pieces, the last with the remaining length; stops at
// the first failed piece.
std::int16_t WriteBlock(comm::DeviceComm& comm, int slot, std::uint32_t address, std::span<const std::uint8_t> bytes);

// Reads addresses 0..383 into the slot's status record; goes on after a failed piece, and leaves
// the record as it was unless every piece arrived.
std::int16_t ReadStatus(comm::DeviceComm& comm, int slot);
// Reads the live program into the slot's image (stops at a failed piece, image unchanged). For a
// satellite the FIR design defaults are then filled in and, when that changed anything, written
// to the device as one 14-byte block.
std::int16_t ReadImage(comm::DeviceComm& comm, int slot);
std::int16_t WriteStatus(comm::DeviceComm& comm, int slot);
std::int16_t WriteImage(comm::DeviceComm& comm, int slot);
std::int16_t WriteImageToSlot(comm::DeviceComm& comm, int slot, int programSlot);
// Writes a program image that is not the slot's live one (a restored backup's) to program slot k.
std::int16_t WriteImageToSlot(comm::DeviceComm& comm, int slot, int programSlot, std::span<const std::uint8_t> image);

// What AutoUpdate refreshes for a slot; set by the meter poll and the program functions.
struct UpdateMarks {
    bool status = false;
    bool programList = false;
};
class AutoUpdateHooks {
public:
    virtual ~AutoUpdateHooks() = default;
    virtual void readProgramList(int slot) { (void)slot; }
    virtual void readFirBlocks(int slot) { (void)slot; }
    virtual void refreshWindow(int slot) { (void)slot; }
};
// Refreshes a slot from its device as marked; re-reads the FIR blocks when the current program
// changed since lastProgram (which is updated), then refreshes its window.
void AutoUpdate(comm::DeviceComm& comm, int slot, const UpdateMarks& marks, int& lastProgram, AutoUpdateHooks& hooks);

}  // namespace plenum

#include "comm/Connection.h"

namespace plenum {

// The settings transfer of a connection, on the block reads and writes above.
class DeviceSettingsTransfer final : public comm::SettingsTransfer {
public:
    explicit DeviceSettingsTransfer(comm::DeviceComm& comm) : comm_(comm) {}
    // Writes the image to the live program, then reads the status record: a load does not write
    // the device's own system block (name, network, passwords, locks), so the record the
    // application keeps must come from the device, not from the project.
    std::int16_t loadToDevice(int slot) override;
    std::int16_t readFromDevice(int slot) override;
    ReadBack compareWithDevice(int slot) override;

private:
    comm::DeviceComm& comm_;
};

}  // namespace plenum
