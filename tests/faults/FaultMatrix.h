// The fault matrix: every fault a loudspeaker can show on the wire, injected into every operation
// that talks to it, with the outcome the application must come to. One row is an operation with
// the moment the fault starts (after how many of the operation's requests) and how long it lasts;
// its cells give the outcome per fault. docs/fault-matrix.md carries the same table, rendered by
// RenderMatrix (the test checks the document against it; `fault_matrix_tests --print-matrix`
// prints it).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "comm/Transport.h"
#include "sim/FirmwareLoader.h"
#include "sim/Simulator.h"

namespace plenum::test {

// Short time-outs for the fault runs: a lost reply costs 150 ms, not the protocol's seconds.
inline comm::CommTimeouts FaultTimeouts() {
    comm::CommTimeouts t;
    t.read = comm::Millis{150};
    t.reconnect = comm::Millis{150};
    t.reconnectPause = comm::Millis{1};
    t.singleCheck = comm::Millis{150};
    t.connecting = comm::Millis{300};
    t.scan = comm::Millis{150};
    return t;
}

enum class Operation {
    Edit,         // one parameter send from the edit window (the input gain typed in)
    EditSub,      // the same on the subwoofer (its own reply lengths and bad-reply flag)
    ReadBack,     // the status record and live program read back after the device changed
    ReadBackUsb,  // the same over the USB link (a pty), where replies carry no framing check
    EditUsb,      // the input gain sent over the USB link
    ConnectLoad,  // connect with "Load current settings to Device": identify, checks, load, compare
    Store,        // store the live program into program slot 3
    Recall,       // recall program slot 6 and read the state back
    Backup,       // back up everything into an existing backup file (replaced)
    Restore,      // restore a whole backup into a second satellite
    Firmware,     // firmware update over LAN
    GroupSync,    // a drifted group member brought back to the group's values
    FirStore,     // a FIR into output way 0: header (command 23), 16 blocks of words, close (17)
    AeqApply,     // an automatic-EQ response stored as the way's FIR table, then its flag byte written
};

enum class Outcome {
    NotRun,     // the combination is not part of the matrix (slow and no new path)
    Clean,      // done; the fault never touched the operation or its reply was accepted as it stood
                // (a garbled acknowledge of a write the device carried out)
    ReRequest,  // done; a garbled block read asked again on the same link
    Retry,      // done; the link was reconnected and the request sent again
    Offline,    // failed with a message; the device is off-line until connected again
    Refused,    // the connection was refused with its message; the device stays off-line
    Failed,     // the firmware load reported an error with its message; the next attempt loads
};

// The wire faults of the matrix, in column order.
inline constexpr std::array<sim::Fault, 8> kMatrixFaults{
    sim::Fault::NoReply,          sim::Fault::Garbled,     sim::Fault::AllZero,    sim::Fault::Late,
    sim::Fault::CloseConnection, sim::Fault::ShortReply,  sim::Fault::BadIdentify, sim::Fault::RefuseConnection,
};

struct MatrixRow {
    Operation operation;
    int after;  // requests of the operation served as usual before the fault starts
    int count;  // requests the fault affects (-1: until cleared; refusal always lasts)
    std::array<Outcome, kMatrixFaults.size()> outcomes;
};

// A failure of the device's firmware loader during an update.
struct LoaderRow {
    sim::LoaderFailure failure;
    int count;
    Outcome outcome;
    const char* message;  // the firmware window's message ("" when the load succeeds)
};

const std::vector<MatrixRow>& WireMatrix();
const std::vector<LoaderRow>& LoaderMatrix();

const char* OperationName(Operation operation);
const char* OutcomeName(Outcome outcome);

// The document's tables, one line per row (Markdown).
std::vector<std::string> RenderWireMatrix();
std::vector<std::string> RenderLoaderMatrix();

}  // namespace plenum::test
