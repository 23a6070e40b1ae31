#include "ui/logic/AddressEntry.h"

#include <algorithm>
#include <cctype>

namespace plenum::ui {

OctetRange RangeOfOctet(int position) {
    switch (position) {
        case 0: return {1, 223};
        case 3: return {1, 254};
        default: return {0, 255};
    }
}

int ClampOctet(int position, int value) {
    const OctetRange range = RangeOfOctet(position);
    return std::clamp(value, range.minimum, range.maximum);
}

std::string ClampOctetText(int position, std::string_view typed) {
    std::string digits;
    for (const char c : typed)
        if (std::isdigit(static_cast<unsigned char>(c)) && digits.size() < 3) digits.push_back(c);
    if (digits.empty()) return digits;
    return std::to_string(ClampOctet(position, std::stoi(digits)));
}

std::string JoinAddress(const Octets& octets) {
    std::string out;
    for (std::size_t i = 0; i < octets.size(); ++i) {
        if (i > 0) out.push_back('.');
        out += std::to_string(octets[i]);
    }
    return out;
}

std::optional<Octets> SplitAddress(std::string_view address) {
    Octets octets{};
    std::size_t position = 0;
    for (int index = 0; index < 4; ++index) {
        const std::size_t end = index < 3 ? address.find('.', position) : address.size();
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view part = address.substr(position, end - position);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return std::nullopt;
        const int value = std::stoi(std::string(part));
        if (value != ClampOctet(index, value)) return std::nullopt;
        octets[static_cast<std::size_t>(index)] = value;
        position = end + 1;
    }
    return octets;
}

}  // namespace plenum::ui
