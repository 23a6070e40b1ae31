#include "core/Texts.h"

#include <array>

namespace plenum {

std::string FillText(std::string_view pattern, std::initializer_list<std::string_view> values) {
    // Copies the pattern, replacing each "{n}" whose n names a value; other braces stay as written.
    std::string out;
    out.reserve(pattern.size() + 16);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}' && pattern[i + 1] >= '0' &&
            pattern[i + 1] <= '9') {
            const auto index = static_cast<std::size_t>(pattern[i + 1] - '0');
            if (index < values.size()) {
                out.append(*(values.begin() + index));
                i += 2;
                continue;
            }
        }
        out.push_back(pattern[i]);
    }
    return out;
}

std::string_view LinkModeName(int linkMode) {
    static constexpr std::array<std::string_view, 3> kNames{"USB", "WLAN", "LAN"};
    if (linkMode < 0 || linkMode >= static_cast<int>(kNames.size())) return "";
    return kNames[static_cast<std::size_t>(linkMode)];
}

}  // namespace plenum
