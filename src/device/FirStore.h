// Storing a FIR into a satellite: the coefficient words of one output way go to the device, and
// the application keeps them (with the FIR's name and tap count for the labels) in the slot's
// SatExtraRecord. FirStore is the store step of the loading windows; ReadStoredFir reads back what
// the device holds.
//
// The device keeps one FIR area per way, 4096 bytes apart from address 4096 (between the live
// program, which ends at 960, and the first program slot at 16384):
//   0..31     the FIR's name, ASCII, zero filled
//   32..35    the program's FIR configuration bytes (image bytes 323..326), carried with the header
//             so that the device takes the words together with the configuration they were made for
//   36..3107  1024 coefficient words, three bytes each, most significant first
//   3108..3110 written by the device when the store is closed: the tap count (high, low) and the
//             flag of a complete store
// The store on the wire:
//   1. command 23 with p1..p3 = the way's area address (the value is the length of memory below
//      the area, through PutNumber, bytes 1..3), p4:p5 = 36: the header from TxBlockBuffer 0..35;
//   2. the 3072 bytes of all 1024 words (taps beyond the count are 0) as block writes of 192
//      bytes — 64 whole taps each, 16 blocks — to the area from byte 36; the progress advances by
//      one step per block and the caller may cancel before any block;
//   3. command 17 with 0, way, the tap count (high, low byte of PutNumber), 1, 0, 0, 0: the device
//      closes the store. The application keeps the same three bytes in image bytes 497..499, as
//      the device does in its live program.
// The short path for way 1 (the HIGH way has no FIR of its own in the window: nothing loaded for
// it) sends only command 17 with 0, 1, 0, 0, 0, 0, 0, 0: the device marks way 1 as holding no
// FIR and image bytes 497..499 become 0.
//
// The kept record changes only when the whole store went through: after a failed or cancelled
// store the device holds a partly written set that it never closed, and the record still holds
// the last set that was stored completely (which `plenumctl fir store` sends again).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "comm/DeviceComm.h"
#include "core/Prompter.h"
#include "device/ProgramMemory.h"
#include "fir/FirWord.h"

namespace plenum::device {

inline constexpr std::uint32_t kFirAreaAddress = 4096;
inline constexpr std::uint32_t kFirAreaStride = 4096;
inline constexpr std::size_t kFirNameBytes = 32;
inline constexpr std::size_t kFirConfigBytes = 4;
inline constexpr std::size_t kFirHeaderLength = kFirNameBytes + kFirConfigBytes;  // 36
inline constexpr std::size_t kFirWordArea = kFirTaps * fir::kFirWordBytes;       // 3072
inline constexpr std::size_t kFirBlockLength = 192;
inline constexpr int kFirBlocks = static_cast<int>(kFirWordArea / kFirBlockLength);  // 16
inline constexpr std::size_t kFirCommitOffset = kFirHeaderLength + kFirWordArea;      // 3108
inline constexpr std::size_t kFirCommitLength = 3;
inline constexpr std::uint8_t kFirCloseCode = 17;

// Image bytes of the store.
inline constexpr int kFirConfigImage = 323;   // 323..326 travel in the header
inline constexpr int kFirStoredImage = 497;   // 497, 498: tap count; 499: store closed

constexpr std::uint32_t FirAreaAddress(int way) {
    return kFirAreaAddress + kFirAreaStride * static_cast<std::uint32_t>(way);
}

enum class FirStoreOutcome {
    Done,
    Refused,   // nothing to store (not a satellite, no such way, no coefficients): nothing sent
    Failed,    // a transaction failed (its error path told the user); the record is unchanged
    Cancelled  // the progress callback stopped it; the record is unchanged
};

class FirStore {
public:
    FirStore(comm::DeviceComm& comm, Prompter& prompter, int slot, int way)
        : comm_(comm), prompter_(prompter), slot_(slot), way_(way) {}

    void setProgress(ProgressFn progress) { progress_ = std::move(progress); }

    // Converts the coefficients (1..1024 of them, each -4 < c < 4, as a parsed file gives them)
    // to words and stores them as `name`.
    FirStoreOutcome store(std::span<const double> coefficients, const std::string& name);
    // Sends the way's kept words again under the kept name and count.
    FirStoreOutcome storeKept();
    // The short path: way 1 only.
    FirStoreOutcome closeWithoutFir();

    // The way's label from the kept record.
    std::string label() const;

private:
    bool usable() const;
    FirStoreOutcome send(const fir::FirWords& words, int taps, const std::string& name);
    FirStoreOutcome close(int taps, std::uint8_t closed);

    comm::DeviceComm& comm_;
    Prompter& prompter_;
    int slot_;
    int way_;
    ProgressFn progress_;
};

// What a device holds in a way's FIR area, read with block reads (command 22) like every other
// part of its memory.
struct StoredFir {
    std::string name;
    int taps = 0;
    bool closed = false;
    fir::FirWords words{};
};
std::optional<StoredFir> ReadStoredFir(comm::DeviceComm& comm, int slot, int way);

}  // namespace plenum::device
