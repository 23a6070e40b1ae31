// The four octet boxes of an IPv4 address as the search window and the add-device dialog take it.
// Each box is clamped while it is typed in, so the address is always one a device can have: the
// first octet stays a unicast class A-C network (1..223), the last a host number (1..254, neither
// the network nor the broadcast address).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace plenum::ui {

struct OctetRange {
    int minimum;
    int maximum;
};
// position 0..3, the first octet being 0.
OctetRange RangeOfOctet(int position);
int ClampOctet(int position, int value);
// What a box shows after a keystroke: digits only (at most three), clamped into the octet's range.
// An empty box stays empty so that the user can type a new number.
std::string ClampOctetText(int position, std::string_view typed);

using Octets = std::array<int, 4>;
std::string JoinAddress(const Octets& octets);
// The four octets of a dotted IPv4 text whose octets are each in their box's range; else nothing.
std::optional<Octets> SplitAddress(std::string_view address);

}  // namespace plenum::ui
