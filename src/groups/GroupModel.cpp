#include "groups/GroupModel.h"

#include <algorithm>

#include "core/ImageLayout.h"
#include "groups/GroupTexts.h"

namespace plenum {
namespace {

constexpr std::array<std::uint8_t, 7> kSatModelCodes{0, 3, 4, 5, 6, 7, 8};

std::uint8_t& StatusByte(AppContext& ctx, int slot, int offset) {
    return ctx.statusOf(slot)[static_cast<std::size_t>(offset)];
}
std::uint8_t StatusByte(const AppContext& ctx, int slot, int offset) {
    return ctx.statusOf(slot)[static_cast<std::size_t>(offset)];
}
// The input mute of the member's program: byte 21 of either image.
std::uint8_t& MuteByte(AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    return ctx.device(slot).isSub() ? ctx.subImage[index][sub::kInputMute] : ctx.satImage[index][sat::kInputMute];
}
std::uint8_t MuteByte(const AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    return ctx.device(slot).isSub() ? ctx.subImage[index][sub::kInputMute] : ctx.satImage[index][sat::kInputMute];
}

bool RoleModelFits(const DeviceRecord& record, GroupRole role) {
    if (role == GroupRole::Sub) return record.ModelCode == kSubModelCode;
    return std::find(kSatModelCodes.begin(), kSatModelCodes.end(), record.ModelCode) != kSatModelCodes.end();
}

const std::array<std::uint8_t, 3>& GroupDelayFor(const GroupRecord& group, int slot) {
    return group.HasSub == 1 && slot == group.SubDev ? group.SubDelay : group.SatDelay;
}

void Refresh(AppContext& ctx, EditWindowRefresher* windows, const std::vector<int>& slots) {
    std::vector<int> done;
    for (const int slot : slots) {
        if (std::find(done.begin(), done.end(), slot) != done.end()) continue;
        done.push_back(slot);
        RefreshOpenWindow(ctx, windows, slot);
    }
}

// The creation sequence shared by add and edit mode, the Left device giving every value.
void AssignGroup(AppContext& ctx, int g, const GroupSelection& selection, bool keepEqOnSub, GroupSink& sink,
                 EditWindowRefresher* windows) {
    GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
    group.Name = selection.name;
    group.HasSub = selection.withSub ? 1 : 0;
    group.LeftDev = static_cast<std::int16_t>(selection.left);
    group.RightDev = static_cast<std::int16_t>(selection.right);
    group.SubDev = static_cast<std::int16_t>(selection.withSub ? selection.sub : 0);
    if (!keepEqOnSub || group.HasSub == 0) group.EqOnSub = kFalse16;
    group.Member.fill(kFalse16);
    for (const int slot : GroupMembers(group)) group.Member[static_cast<std::size_t>(slot)] = kTrue16;

    const int left = selection.left;
    group.Mute = MuteByte(ctx, left);
    group.Gain = StatusByte(ctx, left, status::kGrpGain);
    group.SatDelay = {0, std::min(StatusByte(ctx, left, status::kGrpDelay + 1), kSatGroupDelayMaxMs),
                      StatusByte(ctx, left, status::kGrpDelay + 2)};
    if (group.HasSub == 1)
        for (int i = 0; i < 3; ++i)
            group.SubDelay[static_cast<std::size_t>(i)] = StatusByte(ctx, group.SubDev, status::kGrpDelay + i);
    group.EqBypass = StatusByte(ctx, left, status::kGrpEqBypass);
    for (std::size_t i = 0; i < group.Peq.size(); ++i)
        group.Peq[i] = StatusByte(ctx, left, status::kGrpPeq + static_cast<int>(i));

    const std::vector<int> members = GroupMembers(group);
    const std::vector<int> sats{group.LeftDev, group.RightDev};
    const std::vector<int> eqMembers = EqMembers(group);
    std::vector<LinkedSend> sends;
    for (const int slot : members) sends.push_back(WriteMute(ctx, g, slot));
    for (const int slot : members) sends.push_back(WriteGain(ctx, g, slot));
    for (const int slot : sats) sends.push_back(WriteDelay(ctx, g, slot));  // the Sub keeps its own
    for (const int slot : eqMembers) sends.push_back(WriteEqBypass(ctx, g, slot));
    for (int band = 0; band < kGroupBands; ++band)
        for (const int slot : eqMembers) sends.push_back(WriteBand(ctx, g, slot, band));

    group.InUse = kTrue16;
    ctx.groupState[static_cast<std::size_t>(g)].SyncDeclined = kFalse16;
    Refresh(ctx, windows, members);
    sink.send(sends);
}

LinkedSend Prepared(const AppContext& ctx, int slot, ParamFamily family, const ParamAddress& address = {}) {
    return {slot, PrepareParam(ctx, slot, family, address)};
}

}  // namespace

void DirectGroupSink::send(const std::vector<LinkedSend>& sends) {
    for (const LinkedSend& item : sends) SendPrepared(comm_, item.slot, item.command);
}

int FirstFreeGroup(const AppContext& ctx) {
    for (int g = 0; g < kGroupCount; ++g)
        if (!ctx.groups[static_cast<std::size_t>(g)].isInUse()) return g;
    return kNoGroup;
}

std::optional<int> BeginAddGroup(const AppContext& ctx, Prompter& prompter) {
    const int g = FirstFreeGroup(ctx);
    if (g != kNoGroup) return g;
    Tell(prompter, ctx.LanguageFlag, texts::kMaxGroups);
    return std::nullopt;
}

bool EligibleForRole(const AppContext& ctx, int slot, GroupRole role, int editedGroup) {
    if (slot < kFirstUserSlot || slot > kLastUserSlot) return false;
    const DeviceRecord& record = ctx.device(slot);
    if (!record.isPresent() || !record.isNetwork() || !RoleModelFits(record, role)) return false;
    for (int g = 0; g < kGroupCount; ++g) {
        const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
        if (g == editedGroup || !group.isInUse()) continue;
        if (group.hasMember(slot)) return false;
        // The same loudspeaker may be listed twice (under two slots): its address or unique ID
        // gives it away.
        for (const int member : GroupMembers(group)) {
            const DeviceRecord& other = ctx.device(member);
            if (other.Address == record.Address) return false;
            if (!record.UniqueId.empty() && other.UniqueId == record.UniqueId) return false;
        }
    }
    return true;
}

std::vector<int> ChooserDevices(const AppContext& ctx, GroupRole role, int editedGroup) {
    std::vector<int> slots;
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        if (EligibleForRole(ctx, slot, role, editedGroup)) slots.push_back(slot);
    return slots;
}

bool ConfirmSelection(const AppContext& ctx, Prompter& prompter, const GroupSelection& selection) {
    const MessageText* refusal = nullptr;
    if (selection.left == 0)
        refusal = &texts::kSelectLeft;
    else if (selection.right == 0)
        refusal = &texts::kSelectRight;
    else if (selection.withSub && selection.sub == 0)
        refusal = &texts::kSelectSub;
    else if (selection.left == selection.right)
        refusal = &texts::kSameLeftRight;
    if (refusal != nullptr) {
        Tell(prompter, ctx.LanguageFlag, *refusal);
        return false;
    }
    return Ask(prompter, ctx.LanguageFlag, texts::kGroupSyncWarning);
}

void CreateGroup(AppContext& ctx, int g, const GroupSelection& selection, GroupSink& sink, EditWindowRefresher* windows) {
    AssignGroup(ctx, g, selection, false, sink, windows);
}

void RememberGroup(AppContext& ctx, int g, const GroupSelection& selection, GroupSink& sink,
                   EditWindowRefresher* windows) {
    AssignGroup(ctx, g, selection, true, sink, windows);
}

std::vector<int> GroupMembers(const GroupRecord& group) {
    std::vector<int> members{group.LeftDev, group.RightDev};
    if (group.HasSub == 1) members.push_back(group.SubDev);
    return members;
}

std::vector<int> EqMembers(const GroupRecord& group) {
    std::vector<int> members{group.LeftDev, group.RightDev};
    if (group.HasSub == 1 && group.EqOnSub != 0) members.push_back(group.SubDev);
    return members;
}

std::optional<GroupRole> RoleOf(const GroupRecord& group, int slot) {
    if (slot == group.LeftDev) return GroupRole::Left;
    if (slot == group.RightDev) return GroupRole::Right;
    if (group.HasSub == 1 && slot == group.SubDev) return GroupRole::Sub;
    return std::nullopt;
}

int GroupOfDevice(const AppContext& ctx, int slot) {
    for (int g = 0; g < kGroupCount; ++g) {
        const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
        if (group.isInUse() && group.hasMember(slot)) return g;
    }
    return kNoGroup;
}

bool GroupDifference::any() const {
    return gain || delay || eqBypass || std::any_of(bands.begin(), bands.end(), [](bool b) { return b; });
}

GroupDifference DifferenceOf(const AppContext& ctx, int g, int slot) {
    const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
    GroupDifference difference;
    const bool isSubRole = RoleOf(group, slot) == GroupRole::Sub;
    const auto& delay = GroupDelayFor(group, slot);
    for (int i = 0; i < 3; ++i)
        difference.delay |= StatusByte(ctx, slot, status::kGrpDelay + i) != delay[static_cast<std::size_t>(i)];
    difference.gain = StatusByte(ctx, slot, status::kGrpGain) != group.Gain;
    difference.mute = MuteByte(ctx, slot) != group.Mute;
    if (!isSubRole || group.EqOnSub != 0) {
        difference.eqBypass = StatusByte(ctx, slot, status::kGrpEqBypass) != group.EqBypass;
        for (int band = 0; band < kGroupBands; ++band)
            for (int field = 0; field < 5; ++field) {
                const int at = 5 * field + band;
                difference.bands[static_cast<std::size_t>(band)] |=
                    StatusByte(ctx, slot, status::kGrpPeq + at) != group.Peq[static_cast<std::size_t>(at)];
            }
    }
    return difference;
}

bool DeviceDiffersFromGroup(const AppContext& ctx, int g, int slot) { return DifferenceOf(ctx, g, slot).any(); }

LinkedSend WriteMute(AppContext& ctx, int g, int slot) {
    MuteByte(ctx, slot) = ctx.groups[static_cast<std::size_t>(g)].Mute;
    return Prepared(ctx, slot, ParamFamily::InputMute);
}

LinkedSend WriteGain(AppContext& ctx, int g, int slot) {
    StatusByte(ctx, slot, status::kGrpGain) = ctx.groups[static_cast<std::size_t>(g)].Gain;
    return Prepared(ctx, slot, ParamFamily::GroupGain);
}

LinkedSend WriteDelay(AppContext& ctx, int g, int slot) {
    const auto& delay = GroupDelayFor(ctx.groups[static_cast<std::size_t>(g)], slot);
    for (int i = 0; i < 3; ++i) StatusByte(ctx, slot, status::kGrpDelay + i) = delay[static_cast<std::size_t>(i)];
    return Prepared(ctx, slot, ParamFamily::GroupDelay);
}

LinkedSend WriteEqBypass(AppContext& ctx, int g, int slot) {
    StatusByte(ctx, slot, status::kGrpEqBypass) = ctx.groups[static_cast<std::size_t>(g)].EqBypass;
    return Prepared(ctx, slot, ParamFamily::GroupEqBypass);
}

LinkedSend WriteBand(AppContext& ctx, int g, int slot, int band) {
    const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
    for (int field = 0; field < 5; ++field) {
        const int at = 5 * field + band;
        StatusByte(ctx, slot, status::kGrpPeq + at) = group.Peq[static_cast<std::size_t>(at)];
    }
    return Prepared(ctx, slot, ParamFamily::GroupPeqBand, {0, band, 0, 0});
}

void SynchronizeGroup(AppContext& ctx, int g, GroupSink& sink, EditWindowRefresher* windows) {
    const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
    const std::vector<int> members = GroupMembers(group);
    std::vector<LinkedSend> sends;
    for (const int slot : members) {
        sends.push_back(WriteMute(ctx, g, slot));
        sends.push_back(WriteGain(ctx, g, slot));
        sends.push_back(WriteDelay(ctx, g, slot));
        if (RoleOf(group, slot) == GroupRole::Sub && group.EqOnSub == 0) continue;
        sends.push_back(WriteEqBypass(ctx, g, slot));
        for (int band = 0; band < kGroupBands; ++band) sends.push_back(WriteBand(ctx, g, slot, band));
    }
    Refresh(ctx, windows, members);
    sink.send(sends);
}

bool CheckGroupSync(AppContext& ctx, int g, Prompter& prompter, GroupSink& sink, EditWindowRefresher* windows) {
    const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
    if (!group.isInUse()) return true;
    const std::vector<int> members = GroupMembers(group);
    const bool differs = std::any_of(members.begin(), members.end(),
                                     [&](int slot) { return DeviceDiffersFromGroup(ctx, g, slot); });
    if (!differs) return true;
    GroupState& state = ctx.groupState[static_cast<std::size_t>(g)];
    if (state.SyncDeclined != 0) return false;
    if (!Ask(prompter, ctx.LanguageFlag, texts::kGroupNotSynchronized, {group.Name})) {
        state.SyncDeclined = kTrue16;
        return false;
    }
    state.SyncDeclined = kFalse16;
    SynchronizeGroup(ctx, g, sink, windows);
    return true;
}

void SyncDeviceWithGroup(AppContext& ctx, int g, int slot, GroupSink& sink, EditWindowRefresher* windows) {
    const GroupDifference difference = DifferenceOf(ctx, g, slot);
    std::vector<LinkedSend> sends;
    if (difference.delay) sends.push_back(WriteDelay(ctx, g, slot));
    if (difference.gain) sends.push_back(WriteGain(ctx, g, slot));
    if (difference.mute) sends.push_back(WriteMute(ctx, g, slot));
    if (difference.eqBypass) sends.push_back(WriteEqBypass(ctx, g, slot));
    for (int band = 0; band < kGroupBands; ++band)
        if (difference.bands[static_cast<std::size_t>(band)]) sends.push_back(WriteBand(ctx, g, slot, band));
    Refresh(ctx, windows, {slot});
    sink.send(sends);
}

std::vector<int> ConnectTimeGroupCheck(AppContext& ctx, int slot, Prompter& prompter, GroupSink& sink,
                                       EditWindowRefresher* windows) {
    std::vector<int> synchronised;
    for (int g = 0; g < kGroupCount; ++g) {
        const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
        if (!group.isInUse() || !group.hasMember(slot) || !DeviceDiffersFromGroup(ctx, g, slot)) continue;
        if (!Ask(prompter, ctx.LanguageFlag, texts::kSyncWithGroup)) continue;
        SyncDeviceWithGroup(ctx, g, slot, sink, windows);
        synchronised.push_back(g);
    }
    return synchronised;
}

}  // namespace plenum
