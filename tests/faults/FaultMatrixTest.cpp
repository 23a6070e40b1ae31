// The fault matrix run end to end: for every row of tests/faults/FaultMatrix.cpp a fresh venue of
// three simulated loudspeakers (two satellites and a subwoofer on 127.0.0.2-4) is connected, the
// operation's preconditions are set up cleanly, the fault is armed on the device the operation
// talks to, and the operation runs. The test then checks
//   - the outcome the row expects (clean, re-request, retry, off-line, refused, failed),
//   - a failure said so through the prompter, a success said nothing about a problem,
//   - every on-line image equals its device's memory; what the operation meant to change landed,
//   - the files the operation touched: a backup file is the new one after a success and the old
//     one byte for byte after a failure, a restored file is never changed,
//   - a FIR store keeps its record only when it went through, and the kept FIR sent again is
//     what the device holds,
//   - and that the device can be connected again after a failure with nothing lost: the
//     application's side wins for the operations that change the device, the device's side for
//     the ones that read it.
// Time-outs are shrunk to tenths of a second so that the whole matrix runs in seconds.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>

#include "comm/Connection.h"
#include "comm/FirmwareImage.h"
#include "comm/FirmwareUpdate.h"
#include "core/ImageLayout.h"
#include "device/Aeq.h"
#include "device/Backup.h"
#include "device/EditController.h"
#include "device/EditSink.h"
#include "device/FirStore.h"
#include "device/ProgramMemory.h"
#include "faults/FaultMatrix.h"
#include "fir/FirWord.h"
#include "groups/GroupModel.h"
#include "sat/DeviceMemory.h"
#include "store/BackupFile.h"
#include "store/ProjectFile.h"
#include "support/SimRig.h"

namespace plenum::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using comm::Millis;

constexpr std::uint8_t kSatModel = 8;
constexpr std::uint8_t kNewGainCode = 94;  // "-7.4" dB in the input gain byte
constexpr std::uint8_t kDriftedGain = 55;
constexpr std::array<std::uint8_t, 3> kNewFirmware{0, 4, 2};

constexpr Millis kLateDelay{400};  // beyond the read time-out: a late reply is a lost one

comm::LoaderTimeouts MatrixLoaderTimeouts() {
    comm::LoaderTimeouts t;
    t.connect = Millis{300};
    t.reply = Millis{300};
    t.erase = Millis{300};
    t.verify = Millis{300};
    t.settle = Millis{5};
    t.retryPause = Millis{1};
    return t;
}

Bytes FirmwarePayload() {
    Bytes image(3000);
    std::uint32_t x = 777;
    for (auto& byte : image) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(x >> 16);
    }
    return image;
}

// A decaying sine of `taps` coefficients, well inside the coefficient word's range: a FIR file's
// contents without the file.
std::vector<double> DecayingSine(int taps, double step) {
    std::vector<double> values(static_cast<std::size_t>(taps));
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = 0.9 * std::exp(-static_cast<double>(i) / 90.0) * std::cos(step * static_cast<double>(i));
    return values;
}

const std::vector<double> kOlderFir = DecayingSine(64, 0.05);
const std::vector<double> kNewFir = DecayingSine(256, 0.2);
const std::vector<double> kAeqResponse = DecayingSine(2048, 0.3);
constexpr char kNewFirName[] = "FAULT.txt";
constexpr int kFirWay = 0;

Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), {});
}

struct RetryCounter final : comm::RetryObserver {
    void retrying(int, int) override { ++count; }
    int count = 0;
};

// The connection's group step as the application wires it.
struct GroupHooks final : comm::ConnectionHooks {
    explicit GroupHooks(comm::DeviceComm& comm) : comm(comm) {}
    bool differsFromGroup(int group, int slot) override { return DeviceDiffersFromGroup(comm.context(), group, slot); }
    void synchronizeWithGroup(int group, int slot) override {
        DirectGroupSink sink(comm);
        SyncDeviceWithGroup(comm.context(), group, slot, sink);
    }
    comm::DeviceComm& comm;
};

struct Case {
    Operation operation;
    sim::Fault fault = sim::Fault::None;
    int after = 0;
    int count = 1;
    Outcome expected = Outcome::Clean;
    sim::LoaderFailure loaderFailure = sim::LoaderFailure::None;
    std::string message;  // loader rows: the firmware window's message
};

std::string CaseName(const Case& c) {
    std::string name = OperationName(c.operation);
    if (c.loaderFailure != sim::LoaderFailure::None)
        name += std::string(" / loader ") + sim::LoaderFailureName(c.loaderFailure) + " x" + std::to_string(c.count);
    else
        name += std::string(" / ") + sim::FaultName(c.fault) + " after " + std::to_string(c.after) +
                (c.count < 0 ? " until cleared" : " once");
    return name;
}

void PrintTo(const Case& c, std::ostream* out) { *out << CaseName(c); }

std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (const MatrixRow& row : WireMatrix())
        for (std::size_t i = 0; i < kMatrixFaults.size(); ++i)
            if (row.outcomes[i] != Outcome::NotRun)
                cases.push_back({row.operation, kMatrixFaults[i], row.after, row.count, row.outcomes[i],
                                  sim::LoaderFailure::None, ""});
    for (const LoaderRow& row : LoaderMatrix())
        cases.push_back({Operation::Firmware, sim::Fault::None, 0, row.count, row.outcome, row.failure, row.message});
    return cases;
}

class FaultMatrix : public SimRig, public ::testing::WithParamInterface<Case> {
protected:
    std::vector<sim::SimulatedDevice*> devices;
    RetryCounter retries;
    std::unique_ptr<DeviceSettingsTransfer> transfer;
    std::unique_ptr<GroupHooks> hooks;
    std::unique_ptr<comm::DeviceConnector> connector;
    std::unique_ptr<comm::FwLoader> loader;
    std::filesystem::path backupFile;
    Bytes backupBefore;
    CoefficientTable<kFirTaps> firBefore;  // the kept FIR of slot 1's way 0 before the operation
    std::uint8_t subGain = 0;  // the subwoofer's input gain byte after its edit

    void SetUp() override {
        const std::uint8_t models[] = {kSatModel, kSatModel, kSubModelCode};
        for (int i = 0; i < 3; ++i) {
            sim::DeviceConfig config;
            config.host = "127.0.0." + std::to_string(2 + i);
            config.modelCode = models[i];
            config.uniqueId = "00AA00BB00C" + std::to_string(i);
            config.name = "Cab " + std::to_string(i);
            devices.push_back(&simulator.add(config));
        }
        simulator.start();
        comm = std::make_unique<comm::DeviceComm>(
            ctx, network, serial, prompter, sleeper,
            comm::LinkSettings{simulator.commonPort(), (dir.path() / "ttySIM%d").string()}, test::FaultTimeouts());
        comm::CommHooks commHooks;
        commHooks.retries = &retries;
        comm->setHooks(commHooks);
        transfer = std::make_unique<DeviceSettingsTransfer>(*comm);
        hooks = std::make_unique<GroupHooks>(*comm);
        connector = std::make_unique<comm::DeviceConnector>(*comm, *transfer, prompter, hooks.get());
        loader = std::make_unique<comm::FwLoader>(network, serial, sleeper, simulator.commonPort(),
                                                  MatrixLoaderTimeouts());
        ctx.dataDir = dir.path();
        ctx.FwUsbMode = false;  // the firmware is updated over LAN
        for (int slot = 1; slot <= 3; ++slot) {
            DeviceRecord& r = ctx.device(slot);
            r.Present = kTrue16;
            r.Address = devices[static_cast<std::size_t>(slot - 1)]->config().host;
            r.ModelCode = models[slot - 1];
            r.LinkMode = kLinkLan;
            r.SlotIndex = static_cast<std::int16_t>(slot);
            ResetImageToDefaults(ctx, slot);
            ASSERT_EQ(connector->SendConnectDevice(slot, comm::TransferDirection::ReadFromDevice),
                      comm::ConnectError::None);
        }
        if (usb(GetParam().operation)) {
            // A fourth satellite on the USB link: the simulator's pty stands in for the cable.
            sim::DeviceConfig config;
            config.host = "127.0.0.5";
            config.modelCode = kSatModel;
            config.uniqueId = "00AA00BB00C3";
            config.name = "Cab 3";
            config.ptyPath = (dir.path() / "ttySIM4").string();
            devices.push_back(&simulator.add(config));
            DeviceRecord& r = ctx.device(kUsbSlot);
            r.Present = kTrue16;
            r.Address = "USB";
            r.ModelCode = kSatModel;
            r.LinkMode = kLinkUsb;
            r.SlotIndex = static_cast<std::int16_t>(kUsbSlot);
            ResetImageToDefaults(ctx, kUsbSlot);
            ASSERT_EQ(connector->SendConnectDevice(kUsbSlot, comm::TransferDirection::ReadFromDevice),
                      comm::ConnectError::None);
        }
        backupFile = dir.path() / "venue.bck";
    }

    static constexpr int kUsbSlot = 4;
    static bool usb(Operation operation) { return operation == Operation::ReadBackUsb || operation == Operation::EditUsb; }
    int lastSlot() const { return static_cast<int>(devices.size()); }

    // Every on-line image equals its device (MirrorsDevices covers the network devices only).
    ::testing::AssertionResult mirrorsAll() {
        if (auto result = MirrorsDevices(ctx, simulator); !result) return result;
        if (lastSlot() == kUsbSlot && ctx.device(kUsbSlot).isConnected())
            return MirrorsDevice(ctx, kUsbSlot, deviceOf(kUsbSlot));
        return ::testing::AssertionSuccess();
    }

    static int targetOf(Operation operation) {
        if (operation == Operation::EditSub) return 3;
        if (usb(operation)) return kUsbSlot;
        return operation == Operation::Restore || operation == Operation::GroupSync ? 2 : 1;
    }
    sim::SimulatedDevice& deviceOf(int slot) { return *devices[static_cast<std::size_t>(slot - 1)]; }
    bool settled() { return Eventually([&] { return bool(mirrorsAll()); }); }
    void clearLogs() {
        for (auto* d : devices) d->clearLog();
    }
    void storeProgram(int slot, int k, const std::string& name) {
        device::ProgramStore window(*comm, prompter, slot, device::ProgramMode::Store);
        window.selectPosition(k);
        window.setName(name);
        ASSERT_EQ(window.store(), device::ProgramOutcome::Done);
    }
    void backupInto(int slot, const std::filesystem::path& file) {
        device::BackupWindow window(*comm, prompter, slot);
        window.selectAll(true);
        ASSERT_EQ(window.save(file), device::TransferOutcome::Done);
    }
    static bool storesFir(Operation operation) {
        return operation == Operation::FirStore || operation == Operation::AeqApply;
    }
    const CoefficientTable<kFirTaps>& keptFir() const { return ctx.satExtra[1].fir[kFirWay]; }
    // The device's FIR area, read back over the wire, is the kept record: name, tap count, closed,
    // every word.
    ::testing::AssertionResult holdsKeptFir() {
        const auto stored = device::ReadStoredFir(*comm, 1, kFirWay);
        if (!stored) return ::testing::AssertionFailure() << "the FIR area does not read";
        if (stored->name != keptFir().name || stored->taps != keptFir().taps || !stored->closed)
            return ::testing::AssertionFailure() << "the device holds \"" << stored->name << "\" with " << stored->taps
                                                 << " taps (closed " << stored->closed << "), the record \""
                                                 << keptFir().name << "\" with " << keptFir().taps;
        if (stored->words != fir::FirWordsOf(keptFir()))
            return ::testing::AssertionFailure() << "the device's words differ from the kept ones";
        return ::testing::AssertionSuccess();
    }
    int runningVersion() {
        const Bytes digits = deviceOf(1).readMemory(1, 3);
        return 100 * digits[0] + 10 * digits[1] + digits[2];
    }
    std::filesystem::path firmwareFile() {
        const auto path = dir.path() / "update.sfu";
        const Bytes bytes = comm::BuildSfu(comm::FirmwareKind::Satellite, kNewFirmware, FirmwarePayload());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // The clean part of each operation: what must hold before the fault is armed.
    void prepare(Operation operation) {
        switch (operation) {
            case Operation::Edit:
            case Operation::EditSub:
            case Operation::Firmware: break;
            case Operation::ReadBack:
            case Operation::ReadBackUsb: {
                // Another client changes the input gain and the group gain byte.
                sim::SimulatedDevice& device = deviceOf(targetOf(operation));
                device.writeMemory(384 + sat::kInputGain, Bytes{kDriftedGain});
                device.writeMemory(status::kGrpGain, Bytes{kDriftedGain});
                break;
            }
            case Operation::EditUsb: break;
            case Operation::ConnectLoad:
                ASSERT_TRUE(connector->disconnect(1));
                ctx.satImage[1][sat::kInputGain] = kNewGainCode;
                break;
            case Operation::Store: break;
            case Operation::Recall:
                storeProgram(1, 5, "SHOW");
                deviceOf(1).writeMemory(384 + sat::kInputGain, Bytes{7});
                ASSERT_EQ(ReadImage(*comm, 1), 0);
                ASSERT_EQ(device::ReadProgramList(*comm, 1), 0);
                break;
            case Operation::Backup:
                // The file the backup replaces: an older backup of the same device.
                backupInto(1, backupFile);
                storeProgram(1, 0, "NEWER");
                break;
            case Operation::Restore:
                storeProgram(1, 6, "SEVENTH");
                deviceOf(1).writeMemory(384 + sat::kInputGain, Bytes{kDriftedGain});
                ASSERT_EQ(ReadImage(*comm, 1), 0);
                backupInto(1, backupFile);
                break;
            case Operation::FirStore:
            case Operation::AeqApply: {
                // An older FIR stored completely: the one a failed store must leave kept.
                device::FirStore older(*comm, prompter, 1, kFirWay);
                ASSERT_EQ(older.store(kOlderFir, "OLDER.txt"), device::FirStoreOutcome::Done);
                firBefore = keptFir();
                break;
            }
            case Operation::GroupSync: {
                DirectGroupSink sink(*comm);
                CreateGroup(ctx, 0, {"PA", true, 1, 2, 3}, sink);
                ASSERT_TRUE(settled());
                deviceOf(2).writeMemory(status::kGrpGain, Bytes{kDriftedGain});  // the Right drifts
                ASSERT_EQ(ReadStatus(*comm, 2), 0);
                ASSERT_TRUE(DeviceDiffersFromGroup(ctx, 0, 2));
                break;
            }
        }
        backupBefore = std::filesystem::exists(backupFile) ? FileBytes(backupFile) : Bytes{};
    }

    // Runs the operation; true when it reports success.
    bool run(Operation operation) {
        switch (operation) {
            case Operation::Edit: {
                device::DirectEditSink sink(*comm);
                device::EditSatController window(ctx, 1, sink, prompter);
                window.selectPage(0);
                const bool accepted = window.enterText(device::Control::InGain, "-7.4");
                return accepted && ctx.device(1).isConnected();
            }
            case Operation::EditSub: {
                device::DirectEditSink sink(*comm);
                device::EditSubController window(ctx, 3, sink, prompter);
                window.selectPage(0);
                const std::uint8_t before = ctx.subImage[3][sub::kInputGain];
                const bool accepted = window.enterText(device::Control::InGain, "-7.4");
                subGain = ctx.subImage[3][sub::kInputGain];
                return accepted && subGain != before && ctx.device(3).isConnected();
            }
            case Operation::ReadBack:
            case Operation::ReadBackUsb: {
                const int slot = targetOf(operation);
                return ReadStatus(*comm, slot) == 0 && ReadImage(*comm, slot) == 0 && ctx.device(slot).isConnected();
            }
            case Operation::EditUsb: {
                device::DirectEditSink sink(*comm);
                device::EditSatController window(ctx, kUsbSlot, sink, prompter);
                window.selectPage(0);
                const bool accepted = window.enterText(device::Control::InGain, "-7.4");
                return accepted && ctx.device(kUsbSlot).isConnected();
            }
            case Operation::ConnectLoad:
                return connector->connectOne(1, comm::TransferDirection::LoadToDevice) == std::vector<int>{1};
            case Operation::Store: {
                device::ProgramStore window(*comm, prompter, 1, device::ProgramMode::Store);
                window.selectPosition(2);
                window.setName("FAULT");
                return window.store() == device::ProgramOutcome::Done;
            }
            case Operation::Recall: {
                device::ProgramStore window(*comm, prompter, 1, device::ProgramMode::Recall);
                window.selectLine(5);
                return window.recall() == device::ProgramOutcome::Done;
            }
            case Operation::Backup: {
                device::BackupWindow window(*comm, prompter, 1);
                window.selectAll(true);
                return window.save(backupFile) == device::TransferOutcome::Done;
            }
            case Operation::Restore: {
                device::RestoreWindow window(*comm, prompter, 2);
                if (!window.openFile(backupFile)) return false;
                window.selectAll(true);
                return window.restore() == device::TransferOutcome::Done;
            }
            case Operation::Firmware: {
                comm::FwUpdateDemo window(ctx, *comm, *loader, prompter, 1);
                window.chooseFile(firmwareFile());
                return window.Update_Click() == comm::FwUpdateDemo::Outcome::Loaded;
            }
            case Operation::GroupSync: {
                DirectGroupSink sink(*comm);
                return CheckGroupSync(ctx, 0, prompter, sink) && ctx.device(2).isConnected() &&
                       ctx.device(3).isConnected() && ctx.device(1).isConnected();
            }
            case Operation::FirStore: {
                device::FirStore store(*comm, prompter, 1, kFirWay);
                return store.store(kNewFir, kNewFirName) == device::FirStoreOutcome::Done && ctx.device(1).isConnected();
            }
            case Operation::AeqApply: {
                // The measuring application chose slot 1's FIR table of way 0 (target 3).
                const device::AeqSelection selection{1, 3};
                return device::ApplyAeq(*comm, prompter, selection, 1, 3, kAeqResponse) == device::AeqOutcome::Done &&
                       ctx.device(1).isConnected();
            }
        }
        return false;
    }

    // What the operation meant to change, on the device and in the application.
    ::testing::AssertionResult landed(Operation operation) {
        auto fail = [] { return ::testing::AssertionFailure(); };
        switch (operation) {
            case Operation::Edit:
            case Operation::ConnectLoad:
                if (deviceOf(1).readMemory(384 + sat::kInputGain, 1)[0] != kNewGainCode)
                    return fail() << "the new input gain is not on the device";
                break;
            case Operation::EditSub:
                if (deviceOf(3).readMemory(384 + sub::kInputGain, 1)[0] != subGain)
                    return fail() << "the subwoofer's new input gain is not on the device";
                break;
            case Operation::ReadBack:
            case Operation::ReadBackUsb: {
                const auto slot = static_cast<std::size_t>(targetOf(operation));
                if (ctx.satImage[slot][sat::kInputGain] != kDriftedGain || ctx.satStatus[slot][status::kGrpGain] != kDriftedGain)
                    return fail() << "the device's change was not read";
                break;
            }
            case Operation::EditUsb:
                if (deviceOf(kUsbSlot).readMemory(384 + sat::kInputGain, 1)[0] != kNewGainCode)
                    return fail() << "the new input gain is not on the device";
                break;
            case Operation::Store: {
                const Bytes name = deviceOf(1).readMemory(ProgramSlotAddress(2), 16);
                if (std::string(name.begin(), name.end()) != "FAULT           ")
                    return fail() << "program slot 3 does not hold the stored program";
                break;
            }
            case Operation::Recall:
                if (deviceOf(1).readMemory(384, 576) != deviceOf(1).readMemory(ProgramSlotAddress(5), 576))
                    return fail() << "the live program is not the recalled one";
                break;
            case Operation::Backup: {
                const auto read = LoadBackupFile(backupFile);
                if (!read.file) return fail() << "the backup file does not load";
                if (device::BackupProgramLine(*read.file, 0).rfind("01:NEWER", 0) != 0)
                    return fail() << "the backup file is the old one: " << device::BackupProgramLine(*read.file, 0);
                break;
            }
            case Operation::Restore:
                if (deviceOf(2).readMemory(384, 576) != deviceOf(1).readMemory(384, 576))
                    return fail() << "the live program was not restored";
                for (int k = 0; k < kProgramSlots; ++k)
                    if (deviceOf(2).readMemory(ProgramSlotAddress(k), 576) != deviceOf(1).readMemory(ProgramSlotAddress(k), 576))
                        return fail() << "program slot " << k + 1 << " was not restored";
                break;
            case Operation::Firmware:
                if (runningVersion() != 42) return fail() << "the device runs version " << runningVersion();
                break;
            case Operation::GroupSync:
                for (int slot = 1; slot <= 3; ++slot)
                    if (DeviceDiffersFromGroup(ctx, 0, slot)) return fail() << "slot " << slot << " differs from its group";
                if (deviceOf(2).readMemory(status::kGrpGain, 1)[0] == kDriftedGain)
                    return fail() << "the drifted gain stayed on the device";
                break;
            case Operation::FirStore:
                if (keptFir().name != kNewFirName || keptFir().taps != static_cast<int>(kNewFir.size()) ||
                    fir::FirWordsOf(keptFir()) != fir::EncodeFirWords(kNewFir))
                    return fail() << "the kept FIR is not the stored one: " << keptFir().name;
                return holdsKeptFir();
            case Operation::AeqApply:
                if (keptFir().name != device::kAeqFirName) return fail() << "the kept FIR is " << keptFir().name;
                if (deviceOf(1).readMemory(384 + device::kAeqAppliedImage, 1)[0] != 1)
                    return fail() << "the device does not flag the correction";
                return holdsKeptFir();
        }
        return ::testing::AssertionSuccess();
    }

    // After a failure the device is connected again: loading the application's settings for the
    // operations that change the device, reading the device's for the ones that read it.
    static comm::TransferDirection recoveryDirection(Operation operation) {
        switch (operation) {
            case Operation::Edit:
            case Operation::EditSub:
            case Operation::EditUsb:
            case Operation::ConnectLoad:
            case Operation::Store:
            case Operation::Restore:
            case Operation::GroupSync:
            case Operation::FirStore:
            case Operation::AeqApply: return comm::TransferDirection::LoadToDevice;
            default: return comm::TransferDirection::ReadFromDevice;
        }
    }

    bool saidProblem() const {
        for (const auto& entry : prompter.entries())
            if (entry.text == "Communication problem" || entry.title == "Communication problem") return true;
        return false;
    }

    // Adjacent identical requests: asked again on the same link.
    static bool repeatedRequest(const sim::SimulatedDevice& device) {
        const auto frames = requests(device);
        for (std::size_t i = 1; i < frames.size(); ++i)
            if (frames[i] == frames[i - 1]) return true;
        return false;
    }
};

TEST_P(FaultMatrix, OutcomeAndNothingLost) {
    const Case& c = GetParam();
    const int slot = targetOf(c.operation);
    sim::SimulatedDevice& target = deviceOf(slot);
    prepare(c.operation);
    if (HasFatalFailure()) return;
    // Before a read back the device has changed behind the application's back on purpose.
    if (c.operation != Operation::ReadBack && c.operation != Operation::ReadBackUsb) {
        ASSERT_TRUE(settled()) << mirrorsAll().message();
    }
    const Bytes restoreFileBefore = c.operation == Operation::Restore ? FileBytes(backupFile) : Bytes{};
    for (int s = 1; s <= lastSlot(); ++s) ctx.device(s).EditOpen = kTrue16;  // the windows are open
    prompter.clear();
    clearLogs();
    retries.count = 0;

    target.setLateDelay(kLateDelay);
    if (c.loaderFailure != sim::LoaderFailure::None)
        target.setLoaderFailure(c.loaderFailure, c.count);
    else
        target.setFault(c.fault, c.count, c.after);
    const bool ok = run(c.operation);
    const bool online = ctx.device(slot).isConnected();
    target.setFault(sim::Fault::None);
    target.setLoaderFailure(sim::LoaderFailure::None, 0);

    Outcome actual = Outcome::Clean;
    if (ok)
        actual = retries.count > 0 ? Outcome::Retry : repeatedRequest(target) ? Outcome::ReRequest : Outcome::Clean;
    else
        actual = c.operation == Operation::Firmware      ? Outcome::Failed
                 : c.operation == Operation::ConnectLoad ? Outcome::Refused
                                                         : Outcome::Offline;
    EXPECT_EQ(OutcomeName(actual), std::string(OutcomeName(c.expected)))
        << "retries " << retries.count << ", last message \"" << prompter.lastText() << "\"";

    if (ok) {
        EXPECT_FALSE(saidProblem()) << prompter.lastText();
        EXPECT_TRUE(settled()) << mirrorsAll().message();
        EXPECT_TRUE(landed(c.operation));
    } else {
        EXPECT_GT(prompter.messageCount(), 0u) << "a failure must say so";
        EXPECT_FALSE(online) << "a failed operation leaves the device off-line";
        if (!c.message.empty()) {
            EXPECT_EQ(prompter.lastText(), c.message);
        }
    }
    if (c.operation == Operation::Backup && !ok) {
        EXPECT_EQ(FileBytes(backupFile), backupBefore) << "a failed backup must leave the old file";
    }
    if (c.operation == Operation::Restore) {
        EXPECT_EQ(FileBytes(backupFile), restoreFileBefore) << "a restore never writes its file";
    }

    // Connected again: nothing lost, every image its device's. The user connects again a moment
    // later: a late reply still on its way (on a USB cable, where the next request would read it)
    // has arrived by then.
    if (!ok && c.fault == sim::Fault::Late) std::this_thread::sleep_for(kLateDelay);
    if (!ctx.device(slot).isConnected()) {
        prompter.defaultAnswer = true;
        EXPECT_EQ(connector->connectOne(slot, ok ? comm::TransferDirection::ReadFromDevice : recoveryDirection(c.operation)),
                  std::vector<int>{slot})
            << prompter.lastText();
    }
    for (int s = 1; s <= lastSlot(); ++s) {
        if (!ctx.device(s).isConnected()) {
            EXPECT_EQ(connector->connectOne(s, comm::TransferDirection::LoadToDevice), std::vector<int>{s});
        }
    }
    EXPECT_TRUE(settled()) << mirrorsAll().message();
    if (ok || recoveryDirection(c.operation) == comm::TransferDirection::LoadToDevice) {
        // Store, restore and the FIR stores are not repeated by a connection: only their
        // live-program part is carried by the load.
        if (ok || (c.operation != Operation::Store && c.operation != Operation::Restore && !storesFir(c.operation))) {
            EXPECT_TRUE(landed(c.operation));
        }
    }
    if (storesFir(c.operation)) {
        // The kept FIR changes only with a store that went through completely; whatever the device
        // was left with, the kept set sent again (what `plenumctl fir store` does) is what it holds.
        if (!ok && c.operation == Operation::FirStore) {
            EXPECT_EQ(keptFir(), firBefore) << "a failed store keeps the last complete FIR";
        }
        if (!ok) {
            device::FirStore again(*comm, prompter, 1, kFirWay);
            EXPECT_EQ(again.storeKept(), device::FirStoreOutcome::Done) << prompter.lastText();
        }
        EXPECT_TRUE(holdsKeptFir());
        EXPECT_TRUE(settled()) << mirrorsAll().message();
    }

    // The project file written now is complete: it reads back to the same images and records.
    const auto project = dir.path() / "venue.prj";
    ASSERT_FALSE(SaveProject(ctx, project));
    AppContext reread;
    ASSERT_TRUE(LoadProject(reread, prompter, project));
    for (int s = 1; s <= lastSlot(); ++s) {
        const auto i = static_cast<std::size_t>(s);
        EXPECT_EQ(reread.statusOf(s).bytes, ctx.statusOf(s).bytes) << "slot " << s;
        EXPECT_EQ(reread.satImage[i].bytes, ctx.satImage[i].bytes) << "slot " << s;
        EXPECT_EQ(reread.subImage[i].bytes, ctx.subImage[i].bytes) << "slot " << s;
        EXPECT_EQ(reread.satExtra[i], ctx.satExtra[i]) << "slot " << s;
    }
}

INSTANTIATE_TEST_SUITE_P(Matrix, FaultMatrix, ::testing::ValuesIn(Cases()), [](const auto& info) {
    std::string name;
    for (char ch : CaseName(info.param)) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

// The document carries exactly the test's table.
TEST(FaultMatrixDocument, ListsEveryRowOfTheTest) {
    const auto doc = FileBytes(std::filesystem::path(PLENUM_SOURCE_DIR) / "docs" / "fault-matrix.md");
    const std::string text(doc.begin(), doc.end());
    ASSERT_FALSE(text.empty()) << "docs/fault-matrix.md is missing";
    std::vector<std::string> rendered = RenderWireMatrix();
    for (const std::string& line : RenderLoaderMatrix()) rendered.push_back(line);
    for (const std::string& line : rendered) EXPECT_NE(text.find(line + "\n"), std::string::npos) << line;
    // And no row the test does not run.
    std::istringstream in(text);
    bool inTable = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0) inTable = line == "## Wire faults" || line == "## Firmware loader failures";
        if (inTable && line.rfind("| ", 0) == 0) {
            EXPECT_NE(std::find(rendered.begin(), rendered.end(), line), rendered.end()) << "not in the test: " << line;
        }
    }
}

}  // namespace
}  // namespace plenum::test

// `--print-matrix` prints the document's tables instead of running the tests.
int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--print-matrix") {
            for (const auto& line : plenum::test::RenderWireMatrix()) std::cout << line << '\n';
            std::cout << '\n';
            for (const auto& line : plenum::test::RenderLoaderMatrix()) std::cout << line << '\n';
            return 0;
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
