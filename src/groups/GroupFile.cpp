#include "groups/GroupFile.h"

#include <algorithm>

namespace plenum {
namespace {

constexpr std::size_t kNameField = 80;

bool IsSlot(std::int16_t value) { return value >= 0 && value < kSlotCount; }

}  // namespace

void WriteGroupRecord(BinaryWriter& out, const GroupRecord& group) {
    const std::size_t start = out.size();
    out.countedString(std::string_view(group.Name).substr(0, kGroupNameMax));
    out.padTo(start + kNameField);
    out.i16(group.InUse);
    out.i16(group.EqOnSub);
    for (Bool16 member : group.Member) out.i16(member);
    out.i16(group.HasSub);
    out.i16(group.LeftDev);
    out.i16(group.RightDev);
    out.i16(group.SubDev);
    out.u8(group.Mute);
    out.u8(group.EqBypass);
    out.bytes(group.Peq);
    out.u8(group.Gain);
    out.bytes(group.SatDelay);
    out.bytes(group.SubDelay);
}

GroupRecord ReadGroupRecord(BinaryReader& in) {
    GroupRecord group;
    const std::size_t start = in.position();
    group.Name = in.countedString(kGroupNameMax);
    in.seek(start + kNameField);
    group.InUse = in.i16();
    group.EqOnSub = in.i16();
    for (Bool16& member : group.Member) member = in.i16();
    group.HasSub = in.i16();
    group.LeftDev = in.i16();
    group.RightDev = in.i16();
    group.SubDev = in.i16();
    group.Mute = in.u8();
    group.EqBypass = in.u8();
    in.bytes(group.Peq);
    group.Gain = in.u8();
    in.bytes(group.SatDelay);
    in.bytes(group.SubDelay);
    const bool valid = IsBool16(group.InUse) && IsBool16(group.EqOnSub) &&
                       std::all_of(group.Member.begin(), group.Member.end(), IsBool16) &&
                       (group.HasSub == 0 || group.HasSub == 1) && IsSlot(group.LeftDev) &&
                       IsSlot(group.RightDev) && IsSlot(group.SubDev);
    if (!valid) in.fail();
    return group;
}

}  // namespace plenum
