#include "comm/Connection.h"

#include "comm/Discovery.h"
#include "core/Config.h"
#include "core/Registry.h"

namespace plenum::comm {
namespace {

bool IsLoopback(const std::string& address) { return address.rfind("127.", 0) == 0; }

}  // namespace

bool FeatureFlagFor(int modelCode, int version) {
    switch (modelCode) {
        case 10: case 11: return true;
        case 6: return version >= 39;
        case 7: case 8: case 9: return version >= 38;
        default: return false;
    }
}

const Bilingual* ConnectErrorText(ConnectError error) {
    switch (error) {
        case ConnectError::UsbAlreadyUsed: return &texts::kUsbAlreadyUsed;
        case ConnectError::NoSerialPort:
        case ConnectError::NetworkFailed: return &texts::kDeviceNotFoundText;
        case ConnectError::Mismatch: return &texts::kDeviceMismatch;
        case ConnectError::IpAlreadyUsed: return &texts::kIpAlreadyUsed;
        case ConnectError::SettingsMismatch: return &texts::kSettingsMismatch;
        default: return nullptr;
    }
}

DeviceConnector::DeviceConnector(DeviceComm& comm, SettingsTransfer& transfer, Prompter& prompter,
                                 ConnectionHooks* hooks)
    : comm_(comm), transfer_(transfer), prompter_(prompter), hooks_(hooks) {
    firmware_.fill(255);
}

ConnectError DeviceConnector::fail(int slot, ConnectError error) {
    AppContext& ctx = comm_.context();
    DeviceRecord& record = ctx.device(slot);
    record.Connected = kFalse16;
    if (record.isNetwork()) {
        if (comm_.network().TcpIsConnected(slot)) comm_.network().TcpClose(slot);
    } else if (comm_.serial().IsConnected()) {
        comm_.serial().Disconnect();
    }
    return error;
}

std::int16_t DeviceConnector::readStatusBytes(int slot, std::uint32_t address, std::size_t length, std::uint8_t* out) {
    const auto result = comm_.SendCommand(slot, CommandCode::BlockRead, BlockTransferParams(address, length));
    if (result != 0 || !comm_.replyReceived()) return -1;
    std::copy_n(comm_.RxBuffer.begin() + 4, length, out);
    return 0;
}

ConnectError DeviceConnector::SendConnectDevice(int slot, TransferDirection direction) {
    AppContext& ctx = comm_.context();
    DeviceRecord& record = ctx.device(slot);
    ctx.flags.TxSuspended = kFalse16;

    if (record.isNetwork()) {
        for (int other = kFirstUserSlot; other <= kLastUserSlot; ++other) {
            const DeviceRecord& o = ctx.device(other);
            if (other != slot && o.isPresent() && o.isConnected() && o.Address == record.Address &&
                o.ModelCode != record.ModelCode)
                return fail(slot, ConnectError::IpAlreadyUsed);
        }
        record.Connected = kTrue16;
        if (!comm_.network().TcpIsConnected(slot) &&
            comm_.network().TcpConnect(slot, record.Address, comm_.links().devicePort, comm_.timeouts().connecting) !=
                LinkResult::Ok)
            return fail(slot, ConnectError::NetworkFailed);
    } else {
        for (int other = kFirstUserSlot; other <= kLastUserSlot; ++other) {
            const DeviceRecord& o = ctx.device(other);
            if (other != slot && o.isPresent() && o.isConnected() && !o.isNetwork())
                return fail(slot, ConnectError::UsbAlreadyUsed);
        }
        record.Connected = kTrue16;
        if (!comm_.FindUsbPort(slot)) return fail(slot, ConnectError::NoSerialPort);
        if (!ctx.dataDir.empty()) SaveUsbComPort(AppPaths(ctx.dataDir), ctx.UsbComPort);
        record.Connected = kTrue16;  // the port scan leaves the device off-line for us to take over
    }

    // Identify and check the model.
    if (comm_.SendCommand(slot, CommandCode::Identify) != 0 || !comm_.replyReceived())
        return fail(slot, ConnectError::Mismatch);
    const auto info = ParseIdentifyReply(std::span(comm_.RxBuffer).first(kIdentifyReplyLength));
    if (!info || info->modelCode != record.ModelCode) return fail(slot, ConnectError::Mismatch);

    DeviceStatusRecord& status = ctx.statusOf(slot);
    if (record.ModelCode == 8) {
        std::uint8_t variant = 0;
        if (readStatusBytes(slot, kVariantAddress, 1, &variant) != 0) return fail(slot, ConnectError::Mismatch);
        const std::uint8_t listed = status[status::kHwVariant];
        if (variant != listed) {
            if (!ctx.HiddenConvertMode) return fail(slot, ConnectError::Mismatch);
            const std::string newName = ModelName(8, variant);
            const std::string oldName = ModelName(8, listed);
            if (!Ask(prompter_, ctx.LanguageFlag, texts::kConvertModel, {newName, oldName}))
                return fail(slot, ConnectError::Mismatch);
            status[status::kHwVariant] = variant;
            ctx.ModelVariant[static_cast<std::size_t>(slot)] = variant;
            record.DeviceName = newName;
        }
    }

    record.LinkMode = info->linkMode;
    if (IsKnownHwFamily(info->hwFamily)) record.HwFamily = info->hwFamily;
    if (!record.UniqueId.empty() && record.UniqueId != info->uniqueId &&
        !Ask(prompter_, ctx.LanguageFlag, texts::kDifferentUniqueId))
        return fail(slot, ConnectError::Declined);
    record.UniqueId = info->uniqueId;
    record.DeviceName = info->name;

    if (!record.isSub()) {
        std::uint8_t digits[3]{};
        if (readStatusBytes(slot, kFirmwareAddress, 3, digits) != 0) return fail(slot, ConnectError::Mismatch);
        const int version = 100 * digits[0] + 10 * digits[1] + digits[2];
        firmware_[static_cast<std::size_t>(slot)] = version;
        if (version < kMinimumFirmware) {
            Tell(prompter_, ctx.LanguageFlag, texts::kOldFirmware);
            return fail(slot, ConnectError::Declined);
        }
        featureFlag_[static_cast<std::size_t>(slot)] = FeatureFlagFor(record.ModelCode, version);
    }

    if (direction == TransferDirection::LoadToDevice) {
        if (transfer_.loadToDevice(slot) != 0) return fail(slot, ConnectError::NetworkFailed);
        switch (transfer_.compareWithDevice(slot)) {
            case SettingsTransfer::ReadBack::Match: break;
            case SettingsTransfer::ReadBack::Mismatch: return fail(slot, ConnectError::SettingsMismatch);
            case SettingsTransfer::ReadBack::Failed: return fail(slot, ConnectError::NetworkFailed);
        }
    } else if (transfer_.readFromDevice(slot) != 0) {
        return fail(slot, ConnectError::NetworkFailed);
    }
    if (!record.isConnected()) return fail(slot, ConnectError::NetworkFailed);  // the transaction gave up

    for (std::size_t g = 0; g < ctx.groups.size(); ++g) {
        if (!ctx.groups[g].isInUse() || !ctx.groups[g].hasMember(slot)) continue;
        if (hooks_ != nullptr && !hooks_->differsFromGroup(static_cast<int>(g), slot)) continue;
        if (Ask(prompter_, ctx.LanguageFlag, texts::kSyncWithGroup) && hooks_ != nullptr)
            hooks_->synchronizeWithGroup(static_cast<int>(g), slot);
    }
    if (hooks_ != nullptr) {
        hooks_->tileOnline(slot, true);
        if (record.EditOpen != 0) hooks_->reloadEditWindow(slot);
    }
    return ConnectError::None;
}

std::vector<int> DeviceConnector::connectOne(int slot, TransferDirection direction) {
    AppContext& ctx = comm_.context();
    const ConnectError error = SendConnectDevice(slot, direction);
    if (error == ConnectError::None) return {slot};
    ctx.device(slot).Connected = kFalse16;
    if (hooks_ != nullptr) hooks_->tileOnline(slot, false);
    if (const Bilingual* text = ConnectErrorText(error))
        prompter_.showMessage(Icon::Exclamation, std::string(texts::kCantConnectTitle.pick(ctx.LanguageFlag)),
                              std::string(text->pick(ctx.LanguageFlag)));
    return {};
}

std::vector<int> DeviceConnector::connectAll(TransferDirection direction, const DeviceProgress& onDevice) {
    AppContext& ctx = comm_.context();
    std::vector<int> online, candidates;
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        if (ctx.device(slot).isPresent() && !ctx.device(slot).isConnected()) candidates.push_back(slot);
    int tried = 0;
    for (const int slot : candidates) {
        if (onDevice) onDevice(slot, tried, static_cast<int>(candidates.size()));
        ++tried;
        if (SendConnectDevice(slot, direction) == ConnectError::None)
            online.push_back(slot);
        else if (hooks_ != nullptr)
            hooks_->tileOnline(slot, false);
    }
    if (online.empty()) Tell(prompter_, ctx.LanguageFlag, texts::kDevicesNotFound);
    return online;
}

bool DeviceConnector::networkAvailable(int slot) {
    const AppContext& ctx = comm_.context();
    const DeviceRecord& record = ctx.device(slot);
    if (!record.isNetwork() || IsLoopback(record.Address)) return true;
    if (comm_.network().TcpLocalAddress() != "127.0.0.1") return true;
    Tell(prompter_, ctx.LanguageFlag, texts::kLanNotFound);
    return false;
}

bool DeviceConnector::disconnect(int slot) {
    AppContext& ctx = comm_.context();
    DeviceRecord& record = ctx.device(slot);
    if (!Ask(prompter_, ctx.LanguageFlag, texts::kDisconnectConfirm, {DisplayName(ctx, slot)})) return false;
    comm_.sendOffline(slot);
    record.Connected = kFalse16;
    comm_.closeLink(slot);
    if (record.isNetwork()) AddPair(ctx.removedConnected, record.UniqueId, std::string(LinkModeName(record.LinkMode)));
    if (hooks_ != nullptr) hooks_->tileOnline(slot, false);
    return true;
}

}  // namespace plenum::comm
