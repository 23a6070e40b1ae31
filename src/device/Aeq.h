// Automatic-EQ results into a satellite. An outside measuring application selects a loudspeaker
// and a table (AeqSelection), then delivers a response; ApplyAeq turns it into the table and sends
// it. While it measures it may also switch the loudspeaker's equaliser and AUX bypass bits.
//
// Targets: 1, 2 = the MIR table (512 taps) of output way 0, 1; 3, 4 = the FIR table (1024 taps)
// of output way 0, 1. A call is ignored, silently and without touching anything, unless the slot
// is in use, its edit window is open, it is a satellite, and it is the selected device (and, for a
// response, the selected target).
//
// The table from a response (AeqTable): the response is scaled by its peak magnitude (so the
// largest tap is +-1, well inside the coefficient word's +-4), its first N samples are taken (N =
// 1024 or 512; a shorter response is zero padded) and the last N/8 of them are faded out with a
// half Hann window, so that a response longer than the table ends without a step. The edit window
// draws the table through the same 16384-point transform at 48 kHz as every kept FIR.
//
// Installing it: the table goes to the way's FIR area with the FIR store (header with the name and
// the configuration bytes, the words, the close), named "QORVIL" (FIR) or "QORVIL OUT" (MIR). The
// device runs one coefficient set per way, so a MIR table is stored in the same area; the slot's
// MIR record keeps the 512 values as well. Then image byte kAeqAppliedImage := 1, written alone
// with a block write at its live-program address.
//
// Bypass bits: EQ bypass target 0, 3, 4 = bit 0, 1, 2 of image byte 34 (input equaliser sections),
// target 1, 2 = bit 0, 1 of byte 356 (output ways), sent with the equaliser bypass commands. AUX
// bypass target 3, 4 = bit 0, 1 of byte 290, target 1, 2 = bit 0, 1 of byte 437; those bytes have
// no command of their own and are written alone with a block write at their live-program address.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "comm/DeviceComm.h"
#include "core/Prompter.h"

namespace plenum::device {

inline constexpr int kAeqAppliedImage = 521;  // unused by every edit path; travels with the image
inline constexpr int kAeqEqBypassInput = 34;
inline constexpr int kAeqEqBypassOutput = 356;
inline constexpr int kAeqAuxBypassFir = 290;
inline constexpr int kAeqAuxBypassMir = 437;
inline constexpr char kAeqFirName[] = "QORVIL";
inline constexpr char kAeqMirName[] = "QORVIL OUT";

struct AeqSelection {
    int AeqDevice = -1;  // 0..24; -1 before the first selection
    int AeqTarget = 0;
};

enum class AeqOutcome {
    Done,
    Ignored,  // not the selected device/target, slot not in use, window closed, not a satellite
    Refused,  // a target or value out of range, or a response without any non-zero value
    Failed    // a transaction failed (the transaction's error path reported it)
};

// The table a response gives for `taps` coefficients; empty when the response is empty, all zero
// or not finite.
std::vector<double> AeqTable(std::span<const double> response, std::size_t taps);

AeqOutcome ApplyAeq(comm::DeviceComm& comm, Prompter& prompter, const AeqSelection& selection, int device, int target,
                    std::span<const double> response);
AeqOutcome AeqSetEqBypass(comm::DeviceComm& comm, const AeqSelection& selection, int device, int target, int value);
AeqOutcome AeqSetAuxBypass(comm::DeviceComm& comm, const AeqSelection& selection, int device, int target, int value);

// The edit window's AEQ button: the firmware number 100 a + 10 b + c from status bytes 1, 2, 3;
// a connected satellite below kAeqMinFirmware cannot take a correction.
inline constexpr int kAeqMinFirmware = 29;
int AeqFirmwareNumber(const AppContext& ctx, int slot);
bool AeqFirmwareTooOld(const AppContext& ctx, int slot);

// The bridge's message handler: reads one message, acts on it and gives the answer. Runs where
// the device work runs (the communication thread); the selection lives here.
struct AeqHandled {
    std::vector<std::uint8_t> answer;
    int redrawSlot = -1;  // the slot whose edit window redraws, when something changed
};
class AeqBridgeHandler {
public:
    AeqBridgeHandler(comm::DeviceComm& comm, Prompter& prompter) : comm_(comm), prompter_(prompter) {}
    AeqHandled handle(std::span<const std::uint8_t> message);
    const AeqSelection& selection() const { return selection_; }

private:
    comm::DeviceComm& comm_;
    Prompter& prompter_;
    AeqSelection selection_;
};

}  // namespace plenum::device
