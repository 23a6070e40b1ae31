// The file form of a group record: exactly 176 bytes, little-endian.
//
//   0   name: 16-bit count + up to 78 single-byte characters, zero padded to 80 bytes
//  80   InUse, EqOnSub (16-bit each)
//  84   Member: 25 x 16-bit
// 134   HasSub, LeftDev, RightDev, SubDev (16-bit each)
// 142   Mute, EqBypass (bytes)
// 144   Peq: 25 bytes, field-major
// 169   Gain (byte)
// 170   SatDelay, SubDelay (3 bytes each)
#pragma once

#include "core/BinaryIO.h"
#include "core/DeviceState.h"

namespace plenum {

inline constexpr std::size_t kGroupRecordSize = 176;
inline constexpr std::size_t kGroupNameMax = 78;

void WriteGroupRecord(BinaryWriter& out, const GroupRecord& group);
// Reads one record; a malformed one (name too long, flags or indexes out of range) fails the
// reader and the caller discards everything it read.
GroupRecord ReadGroupRecord(BinaryReader& in);

}  // namespace plenum
