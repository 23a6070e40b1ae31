#include "faults/FaultMatrix.h"

namespace plenum::test {
namespace {

constexpr Outcome N = Outcome::NotRun;
constexpr Outcome C = Outcome::Clean;
constexpr Outcome Q = Outcome::ReRequest;
constexpr Outcome R = Outcome::Retry;
constexpr Outcome O = Outcome::Offline;
constexpr Outcome X = Outcome::Refused;
constexpr Outcome F = Outcome::Failed;

}  // namespace

const std::vector<MatrixRow>& WireMatrix() {
    using Op = Operation;
    // Columns: no-reply, garbled, all-zero, late, close, short, bad-identify, refuse.
    static const std::vector<MatrixRow> rows{
        {Op::Edit, 0, 1, {R, C, R, R, R, C, C, O}},
        {Op::Edit, 0, -1, {O, C, O, N, O, N, C, N}},
        {Op::EditSub, 0, 1, {R, C, R, R, R, C, C, O}},
        {Op::EditSub, 0, -1, {O, C, O, N, O, N, C, N}},
        {Op::ReadBack, 0, 1, {R, Q, R, R, R, Q, C, O}},
        {Op::ReadBack, 3, 1, {R, Q, R, R, R, Q, C, N}},
        {Op::ReadBack, 3, -1, {N, O, O, N, O, N, C, N}},
        {Op::ReadBackUsb, 0, 1, {O, Q, Q, O, O, O, C, C}},
        {Op::ReadBackUsb, 3, 1, {O, Q, Q, O, O, O, C, C}},
        {Op::EditUsb, 0, 1, {O, C, C, O, O, O, C, C}},
        {Op::ConnectLoad, 0, 1, {R, X, R, R, R, X, X, X}},
        {Op::ConnectLoad, 4, 1, {R, C, R, R, R, C, C, N}},
        {Op::ConnectLoad, 4, -1, {N, X, X, N, X, N, C, N}},
        {Op::Store, 0, 1, {R, C, R, R, R, C, C, O}},
        {Op::Store, 1, 1, {R, C, R, R, R, C, C, N}},
        {Op::Store, 1, -1, {N, C, O, N, O, N, C, N}},
        {Op::Recall, 0, 1, {R, C, R, R, R, C, C, O}},
        {Op::Recall, 2, 1, {R, Q, R, R, R, Q, C, N}},
        {Op::Recall, 2, -1, {N, O, O, N, O, N, C, N}},
        {Op::Backup, 0, 1, {R, Q, R, R, R, Q, C, O}},
        {Op::Backup, 12, 1, {R, Q, R, R, R, Q, C, N}},
        {Op::Backup, 12, -1, {N, O, O, N, O, N, C, N}},
        {Op::Restore, 0, 1, {R, C, R, R, R, C, C, O}},
        {Op::Restore, 4, 1, {R, C, R, R, R, C, C, N}},
        {Op::Restore, 4, -1, {N, C, O, N, O, N, C, N}},
        {Op::Firmware, 0, 1, {R, C, R, R, R, C, C, F}},
        {Op::Firmware, 4, 1, {F, F, F, F, F, F, C, N}},
        {Op::GroupSync, 0, 1, {R, C, R, R, R, C, C, O}},
        {Op::GroupSync, 3, 1, {R, C, R, R, R, C, C, N}},
        {Op::GroupSync, 3, -1, {N, C, O, N, O, N, C, N}},
        {Op::FirStore, 0, 1, {R, C, R, R, R, C, C, O}},
        {Op::FirStore, 9, 1, {R, C, R, R, R, C, C, N}},
        {Op::FirStore, 9, -1, {N, C, O, N, O, N, C, N}},
        {Op::FirStore, 17, 1, {R, C, R, R, R, C, C, N}},
        {Op::FirStore, 17, -1, {N, C, O, N, O, N, C, N}},
        {Op::AeqApply, 0, 1, {R, C, R, R, R, C, C, O}},
        {Op::AeqApply, 18, 1, {R, C, R, R, R, C, C, N}},
        {Op::AeqApply, 18, -1, {N, C, O, N, O, N, C, N}},
    };
    return rows;
}

const std::vector<LoaderRow>& LoaderMatrix() {
    using L = sim::LoaderFailure;
    static const std::vector<LoaderRow> rows{
        {L::WrongImage, 1, F, "Wrong firmware file!"},
        {L::Protected, 1, F, "Device FLASH is protected!"},
        {L::EraseFailed, 1, F, "Device FLASH erase failed!"},
        {L::WriteFailed, 1, F, "Device FLASH write failed!"},
        {L::Busy, 1, F, "Can't connect host 127.0.0.2"},
        {L::Silent, 1, F, "Command timeout expired. Please try again."},
        {L::Checksum, 2, Q, ""},
        {L::Checksum, 3, F, "Command checksum error. Please try again."},
        {L::Mode, 1, F, "Firmware update not available in LAN mode."},
    };
    return rows;
}

const char* OperationName(Operation operation) {
    switch (operation) {
        case Operation::Edit: return "edit";
        case Operation::EditSub: return "edit subwoofer";
        case Operation::ReadBack: return "read back";
        case Operation::ReadBackUsb: return "read back over USB";
        case Operation::EditUsb: return "edit over USB";
        case Operation::ConnectLoad: return "connect with load";
        case Operation::Store: return "store program";
        case Operation::Recall: return "recall program";
        case Operation::Backup: return "backup";
        case Operation::Restore: return "restore";
        case Operation::Firmware: return "firmware update";
        case Operation::GroupSync: return "group sync";
        case Operation::FirStore: return "FIR store";
        case Operation::AeqApply: return "AEQ apply";
    }
    return "?";
}

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::NotRun: return "-";
        case Outcome::Clean: return "clean";
        case Outcome::ReRequest: return "re-request";
        case Outcome::Retry: return "retry";
        case Outcome::Offline: return "off-line + message";
        case Outcome::Refused: return "refused + message";
        case Outcome::Failed: return "failed + message";
    }
    return "?";
}

std::vector<std::string> RenderWireMatrix() {
    std::string header = "| operation | fault after | lasts |";
    std::string rule = "|---|---|---|";
    for (sim::Fault fault : kMatrixFaults) {
        header += std::string(" ") + sim::FaultName(fault) + " |";
        rule += "---|";
    }
    std::vector<std::string> lines{header, rule};
    for (const MatrixRow& row : WireMatrix()) {
        std::string line = std::string("| ") + OperationName(row.operation) + " | " + std::to_string(row.after) + " | " +
                           (row.count < 0 ? "until cleared" : row.count == 1 ? "1 request"
                                                                             : std::to_string(row.count) + " requests") +
                           " |";
        for (Outcome outcome : row.outcomes) line += std::string(" ") + OutcomeName(outcome) + " |";
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> RenderLoaderMatrix() {
    std::vector<std::string> lines{"| loader failure | times | outcome | message |", "|---|---|---|---|"};
    for (const LoaderRow& row : LoaderMatrix()) {
        lines.push_back(std::string("| ") + sim::LoaderFailureName(row.failure) + " | " + std::to_string(row.count) +
                        " | " + OutcomeName(row.outcome) + " | " + (*row.message ? row.message : "-") + " |");
    }
    return lines;
}

}  // namespace plenum::test
