#include "device/DeviceSettings.h"

#include <algorithm>

#include "comm/Connection.h"
#include "core/ImageLayout.h"
#include "device/Locks.h"
#include "device/ProgramTexts.h"
#include "sat/DeviceMemory.h"
#include "sat/ParamSender.h"

namespace plenum::device {
namespace {

constexpr std::size_t kIpField = 1;
constexpr std::size_t kMaskField = 5;
constexpr std::size_t kGatewayField = 9;
constexpr std::size_t kSsidField = 13;
constexpr std::size_t kSecurityField = 45;
constexpr std::size_t kKeyField = 46;
constexpr std::size_t kChannelField = 78;
constexpr std::size_t kMinApKey = 8;
constexpr std::size_t kMinWlanKey = 1;
constexpr std::uint8_t kLimiterModel = 6;
constexpr int kLimiterFirmwareBelow = 36;
constexpr std::size_t kDualLoadFlag = 264;

std::string AddressText(const DeviceStatusRecord& status, std::size_t offset) {
    return std::to_string(status[offset]) + "." + std::to_string(status[offset + 1]) + "." +
           std::to_string(status[offset + 2]) + "." + std::to_string(status[offset + 3]);
}

std::string ZeroFilledText(const DeviceStatusRecord& status, std::size_t offset, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length && status[offset + i] != 0; ++i) text.push_back(static_cast<char>(status[offset + i]));
    return text;
}

bool Storable(std::string_view text, std::size_t maxLength) {
    if (text.size() > maxLength) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

bool AnyNetworkChange(const DeviceStatusRecord& status, NetSection section, const Bytes& block) {
    return !std::equal(block.begin(), block.end(), status.bytes.begin() + SectionAddress(section));
}

}  // namespace

std::uint32_t SectionAddress(NetSection section) {
    switch (section) {
        case NetSection::Lan: return kLanBlockAddress;
        case NetSection::Wlan: return kWlanBlockAddress;
        case NetSection::AccessPoint: return kAccessPointBlockAddress;
    }
    return kLanBlockAddress;
}

std::size_t SectionLength(NetSection section) {
    return section == NetSection::Lan ? kLanBlockLength : kWirelessBlockLength;
}

const char* SectionName(NetSection section) {
    switch (section) {
        case NetSection::Lan: return "lan";
        case NetSection::Wlan: return "wlan";
        case NetSection::AccessPoint: return "ap";
    }
    return "lan";
}

NetworkSettings ReadNetwork(const DeviceStatusRecord& status, NetSection section) {
    const std::size_t base = SectionAddress(section);
    NetworkSettings settings;
    settings.mode = status[base];
    settings.ip = AddressText(status, base + kIpField);
    settings.mask = AddressText(status, base + kMaskField);
    settings.gateway = AddressText(status, base + kGatewayField);
    if (section == NetSection::Lan) return settings;
    settings.ssid = ZeroFilledText(status, base + kSsidField, kSsidLength);
    settings.security = status[base + kSecurityField];
    settings.key = ZeroFilledText(status, base + kKeyField, kKeyLength);
    settings.channel = status[base + kChannelField];
    return settings;
}

AddressCheck CheckAddress(std::string_view text, AddressKind kind, std::array<std::uint8_t, 4>* octets) {
    std::array<int, 4> fields{};
    std::size_t position = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t start = position;
        int value = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9' && position - start < 3)
            value = value * 10 + (text[position++] - '0');
        if (position == start) return AddressCheck::Malformed;
        if (i < 3) {
            if (position >= text.size() || text[position] != '.') return AddressCheck::Malformed;
            ++position;
        }
        fields[static_cast<std::size_t>(i)] = value;
    }
    if (position != text.size()) return AddressCheck::Malformed;
    for (int value : fields)
        if (value > 255) return AddressCheck::OutOfRange;
    if (kind != AddressKind::Mask && (fields[0] < 1 || fields[0] > 223 || fields[3] > 254))
        return AddressCheck::OutOfRange;
    if (octets)
        for (std::size_t i = 0; i < 4; ++i) (*octets)[i] = static_cast<std::uint8_t>(fields[i]);
    return AddressCheck::Ok;
}

const MessageText* CheckNetwork(NetSection section, const NetworkSettings& settings) {
    switch (CheckAddress(settings.ip, AddressKind::Ip)) {
        case AddressCheck::Malformed: return &texts::kBadIpAddress;
        case AddressCheck::OutOfRange: return &texts::kIpOutOfRange;
        case AddressCheck::Ok: break;
    }
    if (CheckAddress(settings.mask, AddressKind::Mask) != AddressCheck::Ok) return &texts::kBadSubnetMask;
    switch (CheckAddress(settings.gateway, AddressKind::Gateway)) {
        case AddressCheck::Malformed: return &texts::kBadGateway;
        case AddressCheck::OutOfRange: return &texts::kGatewayOutOfRange;
        case AddressCheck::Ok: break;
    }
    if (section == NetSection::Lan) return nullptr;
    if (!Storable(settings.ssid, kSsidLength) || !Storable(settings.key, kKeyLength)) return &texts::kSsidNotAdmitted;
    if (section == NetSection::AccessPoint) {
        if (settings.ssid.empty()) return &texts::kMissingSsid;
        if (settings.key.size() < kMinApKey) return &texts::kApKeyTooShort;
    } else if (settings.key.size() < kMinWlanKey) {
        return &texts::kWlanKeyTooShort;
    }
    return nullptr;
}

Bytes NetworkBlock(NetSection section, const NetworkSettings& settings) {
    Bytes block(SectionLength(section), 0);
    block[0] = settings.mode;
    std::array<std::uint8_t, 4> octets{};
    CheckAddress(settings.ip, AddressKind::Ip, &octets);
    std::copy(octets.begin(), octets.end(), block.begin() + kIpField);
    octets = {};
    CheckAddress(settings.mask, AddressKind::Mask, &octets);
    std::copy(octets.begin(), octets.end(), block.begin() + kMaskField);
    octets = {};
    CheckAddress(settings.gateway, AddressKind::Gateway, &octets);
    std::copy(octets.begin(), octets.end(), block.begin() + kGatewayField);
    if (section == NetSection::Lan) return block;
    std::copy_n(settings.ssid.begin(), std::min(settings.ssid.size(), kSsidLength), block.begin() + kSsidField);
    block[kSecurityField] = settings.security;
    std::copy_n(settings.key.begin(), std::min(settings.key.size(), kKeyLength), block.begin() + kKeyField);
    block[kChannelField] = settings.channel;
    return block;
}

int ApplyLimiterMinimums(AppContext& ctx, int slot) {
    const DeviceStatusRecord& status = ctx.statusOf(slot);
    SatParamImage& image = ctx.satImage[static_cast<std::size_t>(slot)];
    int changed = 0;
    auto raise = [&](int way, std::uint8_t minimum) {
        std::uint8_t& byte = image[static_cast<std::size_t>(sat::kHLimiter + way)];
        if (byte < minimum) {
            byte = minimum;
            changed |= 1 << way;
        }
    };
    const std::uint8_t low = status[status::kSpeakerLoad];
    const std::uint8_t high = status[status::kSpeakerLoad + 1];
    if (status[status::kSystemMode] > 0) {
        // Bridged, the amplifier drives one load from both channels: 10 for a 4-Ohm load, 16 for 8 Ohm.
        const std::uint8_t value = low == 2 ? 16 : 10;
        if (image[sat::kHLimiter] != value) {
            image[sat::kHLimiter] = value;
            changed |= 1;
        }
        return changed;
    }
    if (high == 1 && low == 2) {
        raise(0, 1), raise(1, 15);
    } else if (high == 2 && low == 1) {
        raise(0, 6), raise(1, 9);
    } else if (high == 1 && low == 1) {
        if (status[kDualLoadFlag] != 0)
            raise(0, 6), raise(1, 15);
        else
            raise(0, 9), raise(1, 9);
    }
    return changed;
}

bool FwFeatureFlagOf(const AppContext& ctx, int slot) {
    return comm::FeatureFlagFor(ctx.device(slot).ModelCode, FirmwareVersion(ctx.statusOf(slot)));
}

DeviceSettingsWindow::DeviceSettingsWindow(comm::DeviceComm& comm, Prompter& prompter, int slot, bool fwFeatureFlag)
    : comm_(comm), prompter_(prompter), slot_(slot), feature_(fwFeatureFlag) {}

bool DeviceSettingsWindow::isSub() const { return ctx().device(slot_).isSub(); }

SettingsOutcome DeviceSettingsWindow::finish(std::int16_t result) const {
    return result == 0 && ctx().device(slot_).isConnected() ? SettingsOutcome::Done : SettingsOutcome::Failed;
}

SettingsOutcome DeviceSettingsWindow::applyNetwork(NetSection section, const NetworkSettings& settings) {
    const int lang = ctx().LanguageFlag;
    if (section != NetSection::Lan && !offersWireless()) return SettingsOutcome::Refused;
    if (ReadNetwork(status(), section) == settings) return SettingsOutcome::Unchanged;
    if (const MessageText* message = CheckNetwork(section, settings)) {
        Tell(prompter_, lang, *message);
        return SettingsOutcome::Refused;
    }
    if (section == NetSection::AccessPoint && (settings.channel < kMinChannel || settings.channel > kMaxChannel))
        return SettingsOutcome::Refused;
    if (!ctx().device(slot_).isConnected()) {
        const MessageText& offline = section == NetSection::Lan    ? texts::kLanOffline
                                     : section == NetSection::Wlan ? texts::kWlanOffline
                                                                   : texts::kApOffline;
        Tell(prompter_, lang, offline);
        return SettingsOutcome::Refused;
    }
    const Bytes block = NetworkBlock(section, settings);
    if (!AnyNetworkChange(status(), section, block)) return SettingsOutcome::Unchanged;
    if (!Ask(prompter_, lang, texts::kRebootConfirm)) return SettingsOutcome::Declined;
    std::copy(block.begin(), block.end(), status().bytes.begin() + SectionAddress(section));
    return finish(WriteBlock(comm_, slot_, SectionAddress(section), block));
}

SettingsOutcome DeviceSettingsWindow::applyPowerSave(bool sleepOn, int sleepTime, bool standbyOn, int standbyTime) {
    if (sleepTime < 0 || sleepTime > 5 || standbyTime < 0 || standbyTime > 5) return SettingsOutcome::Refused;
    DeviceStatusRecord& s = status();
    const std::array<std::uint8_t, 4> wanted{static_cast<std::uint8_t>(sleepOn), static_cast<std::uint8_t>(sleepTime),
                                             static_cast<std::uint8_t>(standbyOn),
                                             static_cast<std::uint8_t>(standbyTime)};
    if (std::equal(wanted.begin(), wanted.end(), s.bytes.begin() + status::kAutoSleepEnable))
        return SettingsOutcome::Unchanged;
    std::copy(wanted.begin(), wanted.end(), s.bytes.begin() + status::kAutoSleepEnable);
    if (const auto result = SendParam(comm_, slot_, ParamFamily::AutoStandby); result != 0) return finish(result);
    return finish(SendParam(comm_, slot_, ParamFamily::AutoSleep));
}

SettingsOutcome DeviceSettingsWindow::applyRecallMode(int mode) {
    if (mode < 0 || mode > 2) return SettingsOutcome::Refused;
    std::uint8_t& byte = status()[status::kRecallMode];
    if (byte == mode) return SettingsOutcome::Unchanged;
    byte = static_cast<std::uint8_t>(mode);
    return finish(WriteBlock(comm_, slot_, kRecallModeAddress, std::span<const std::uint8_t>(&byte, 1)));
}

SettingsOutcome DeviceSettingsWindow::applyAmplifier(const AmplifierSettings& settings) {
    if (!offersAmplifier()) return SettingsOutcome::Refused;
    auto validLoad = [](std::uint8_t load) { return load == 1 || load == 2; };
    if (!validLoad(settings.loadLow) || !validLoad(settings.loadHigh)) return SettingsOutcome::Refused;
    DeviceStatusRecord& s = status();
    const std::uint8_t system = settings.bridge ? 1 : 0;
    const bool bridgeChanged = (s[status::kSystemMode] > 0) != settings.bridge;
    const bool loadsChanged = s[status::kSpeakerLoad] != settings.loadLow || s[status::kSpeakerLoad + 1] != settings.loadHigh;
    if (!bridgeChanged && !loadsChanged) return SettingsOutcome::Unchanged;
    if (bridgeChanged && !Ask(prompter_, ctx().LanguageFlag, texts::kBridgeConfirm)) return SettingsOutcome::Declined;
    if (bridgeChanged) {
        s[status::kSystemMode] = system;
        if (const auto result =
                WriteBlock(comm_, slot_, kSystemByteAddress, std::span<const std::uint8_t>(&s[status::kSystemMode], 1));
            result != 0)
            return finish(result);
    }
    s[status::kSpeakerLoad] = settings.loadLow;
    s[status::kSpeakerLoad + 1] = settings.loadHigh;
    if (const auto result = SendParam(comm_, slot_, ParamFamily::SpeakerLoad); result != 0) return finish(result);
    if (ctx().device(slot_).ModelCode == kLimiterModel && FirmwareVersion(s) < kLimiterFirmwareBelow) {
        const int changed = ApplyLimiterMinimums(ctx(), slot_);
        for (int way = 0; way < 2; ++way)
            if (changed & (1 << way))
                if (const auto result = SendParam(comm_, slot_, ParamFamily::OutputLimiter, {way, 0, 0, 0}); result != 0)
                    return finish(result);
    }
    return finish(0);
}

SettingsOutcome DeviceSettingsWindow::applyBoost(bool on) {
    if (!offersBoost()) return SettingsOutcome::Refused;
    std::uint8_t& byte = status()[status::kAmpBoost];
    if ((byte != 0) == on) return SettingsOutcome::Unchanged;
    byte = on ? 1 : 0;
    return finish(SendParam(comm_, slot_, ParamFamily::AmpBoost));
}

SettingsOutcome DeviceSettingsWindow::changePassword(bool admin, std::string_view oldPassword,
                                                     std::string_view newPassword) {
    const int lang = ctx().LanguageFlag;
    const int offset = admin ? status::kAdminPassword : status::kUserPassword;
    if (oldPassword != PasswordText(status(), offset)) {
        Tell(prompter_, lang, admin ? texts::kWrongAdminPassword : texts::kWrongUserPassword);
        return SettingsOutcome::Refused;
    }
    if (newPassword.size() > kPasswordLength) {
        Tell(prompter_, lang, texts::kPasswordTooLong);
        return SettingsOutcome::Refused;
    }
    if (!Storable(newPassword, kPasswordLength)) {
        Tell(prompter_, lang, texts::kPasswordRefused);
        return SettingsOutcome::Refused;
    }
    if (newPassword == oldPassword) return SettingsOutcome::Unchanged;
    PutPassword(status(), offset, newPassword);
    return finish(WriteBlock(comm_, slot_, static_cast<std::uint32_t>(offset),
                             std::span<const std::uint8_t>(status().bytes).subspan(static_cast<std::size_t>(offset),
                                                                                   kPasswordLength)));
}

SettingsOutcome DeviceSettingsWindow::resetGroup() {
    const int lang = ctx().LanguageFlag;
    for (const GroupRecord& group : ctx().groups)
        if (group.isInUse() && group.hasMember(slot_)) {
            Tell(prompter_, lang, texts::kGroupResetRefused);
            return SettingsOutcome::Refused;
        }
    if (!Ask(prompter_, lang, texts::kGroupResetConfirm)) return SettingsOutcome::Declined;
    DeviceStatusRecord& s = status();
    s[status::kGrpGain] = kResetGroupGain;
    s[status::kGrpDelay] = s[status::kGrpDelay + 1] = s[status::kGrpDelay + 2] = 0;
    s[status::kGrpEqBypass] = 0;
    for (std::size_t field = 0; field < kResetGroupBand.size(); ++field)
        for (std::size_t band = 0; band < 5; ++band) s[status::kGrpPeq + 5 * field + band] = kResetGroupBand[field];
    constexpr std::uint8_t kGroupSelector = 2;
    constexpr std::uint8_t kGroupGainSelector = 4;
    std::int16_t result = comm_.SendCommand(slot_, 2, {kGroupSelector, 0, 0, 0, 0});
    if (result == 0) result = comm_.SendCommand(slot_, 1, {kGroupGainSelector, 0, kResetGroupGain});
    if (result == 0) result = comm_.SendCommand(slot_, 6, {kGroupSelector, 0, 0});
    for (std::uint8_t band = 0; band < 5 && result == 0; ++band)
        result = comm_.SendCommand(slot_, 5,
                                   {kGroupSelector, 0, band, kResetGroupBand[0], kResetGroupBand[1], kResetGroupBand[2],
                                    kResetGroupBand[3], kResetGroupBand[4]});
    return finish(result);
}

}  // namespace plenum::device
